// Page 1 (template list and preview) and page 10 (output delivery).
#include "ui/FMain.h"

namespace velmora {

void TfrmMain::BuildOutputPages() {}
void TfrmMain::LoadTemplates() {}

}  // namespace velmora

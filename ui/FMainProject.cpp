// Pages 0 and 2-9, the wizard buttons, and loading and saving projects.
#include "ui/FMain.h"

namespace velmora {

void TfrmMain::BuildProjectPages() {}

}  // namespace velmora

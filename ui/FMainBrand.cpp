// Dressing the window from the brand-settings file.
#include "ui/FMain.h"

namespace velmora {

void TfrmMain::LoadBrandSettings() {}

}  // namespace velmora

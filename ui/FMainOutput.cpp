// Page 1 (template list and preview) and page 10 (output delivery).
#include "ui/FMain.h"

namespace velmora {

void TfrmMain::BuildOutputPages() {}
void TfrmMain::LoadTemplates() {}
void TfrmMain::SelectTemplateAfterLoad(const std::string&) {}
void TfrmMain::SetOutputFileNameField(const std::string& name) {
  if (AffManager) AffManager->FileName = name;
}

}  // namespace velmora

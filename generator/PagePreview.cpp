#include "generator/PagePreview.h"

#include "app/FileIO.h"
#include "generator/PageGenerator.h"

namespace velmora {

namespace {

std::string Escaped(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string NoticePage(const std::string& text) {
  return "<!DOCTYPE html><html lang=\"en\"><head><meta charset=\"utf-8\"><title>Preview</title></head>"
         "<body style=\"font:15px system-ui,sans-serif;color:#555;margin:40px;text-align:center\"><p>" +
         Escaped(text) + "</p></body></html>";
}

// The page `make` makes from the template's text, or a notice page.
template <class Make>
PreviewToCheck Preview(const std::string& templateName, const std::vector<std::filesystem::path>& templateFolders,
                       Make make) {
  if (templateName.empty()) return {NoticePage("Choose a template to see the page."), {}};
  try {
    if (const auto text = ReadTemplateText(templateName, templateFolders)) return make(*text);
    return {NoticePage("The template \"" + templateName + "\" is missing from the Templates folder."), {}};
  } catch (const FileError& error) {
    return {NoticePage("The template \"" + templateName + "\" could not be read: " + error.reason()), {}};
  }
}

}  // namespace

std::string PreviewPage(const TAffManager& project, const std::string& templateName,
                        const std::vector<std::filesystem::path>& templateFolders) {
  return Preview(templateName, templateFolders, [&](const std::string& text) {
           return PreviewToCheck{FillTemplate(text, project), {}};
         }).page;
}

PreviewToCheck PreviewPageToCheck(const TAffManager& project, const std::string& templateName,
                                  const std::vector<std::filesystem::path>& templateFolders) {
  return Preview(templateName, templateFolders,
                 [&](const std::string& text) { return PreviewToCheck{FillTemplate(text, project), text}; });
}

CheckedPreview CheckedPreviewPage(const TAffManager& project, const std::string& templateName,
                                  const std::vector<std::filesystem::path>& templateFolders) {
  PreviewToCheck made = PreviewPageToCheck(project, templateName, templateFolders);
  CheckedPreview preview{std::move(made.page), {}};
  if (made.templateText) preview.findings = CheckProjectPage(project, *made.templateText, preview.page);
  return preview;
}

}  // namespace velmora

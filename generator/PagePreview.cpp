#include "generator/PagePreview.h"

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

// The page made within the limits "Generate Code" keeps, or a notice page
// saying why there is none; with the template's text where there is a page.
PreviewToCheck Preview(const Project& project, const std::string& templateName,
                       const std::vector<std::filesystem::path>& templateFolders) {
  if (templateName.empty()) return {NoticePage("Choose a template to see the page."), {}};
  Result<std::string> text = LoadTemplate(templateName, templateFolders);
  if (!text) {
    if (text.error().kind == ErrorKind::NotFound)
      return {NoticePage("The template \"" + templateName + "\" is missing from the Templates folder."), {}};
    return {NoticePage(text.error().message), {}};
  }
  Result<std::string> page = FillPage(*text, project);
  if (!page) return {NoticePage(page.error().message), {}};
  return {std::move(*page), std::move(*text)};
}

}  // namespace

std::string PreviewPage(const Project& project, const std::string& templateName,
                        const std::vector<std::filesystem::path>& templateFolders) {
  return Preview(project, templateName, templateFolders).page;
}

PreviewToCheck PreviewPageToCheck(const Project& project, const std::string& templateName,
                                  const std::vector<std::filesystem::path>& templateFolders) {
  return Preview(project, templateName, templateFolders);
}

}  // namespace velmora

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

}  // namespace

std::string PreviewPage(const TAffManager& project, const std::string& templateName,
                        const std::vector<std::filesystem::path>& templateFolders) {
  if (templateName.empty()) return NoticePage("Choose a template to see the page.");
  try {
    if (auto page = GeneratePage(project, templateName, templateFolders)) return std::move(*page);
    return NoticePage("The template \"" + templateName + "\" is missing from the Templates folder.");
  } catch (const FileError& error) {
    return NoticePage("The template \"" + templateName + "\" could not be read: " + error.reason());
  }
}

}  // namespace velmora

#include "generator/OutputDelivery.h"

#include <system_error>

#include "app/FileIO.h"
#include "app/Utils.h"
#include "generator/PageGenerator.h"
#include "generator/TemplateCatalogue.h"

namespace velmora {

OutputResult ProduceOutput(bool save, const TAffManager& project, const OutputRequest& request,
                           MessagePort& messages) {
  OutputResult result;
  if (save) {
    std::error_code ec;
    std::filesystem::create_directories(request.outputFolder, ec);
    if (!std::filesystem::is_directory(request.outputFolder, ec)) {
      messages.ShowMessage(MessageKind::Error, "Can't create the output folder! Check the output path you provided.");
      return result;
    }
  }

  result.page = GeneratePage(project, request.templateName, request.places.TemplateFolders());
  if (!result.page) {
    messages.ShowMessage(MessageKind::Error,
                         "The selected template could not be found: " +
                             ExpectedTemplatePath(request.places.ShippedTemplateFolder(), request.templateName));
    return result;
  }

  // The name is joined as text, not as a path, so that it always lands
  // below the output folder, blanks and all, exactly as the message says.
  const std::string shownPath = (request.outputFolder / "").string() + request.fileNameField;
  if (save) {
    WriteLineFile(std::filesystem::path(shownPath), SplitLines(*result.page));
    result.savedFile = std::filesystem::path(shownPath);
    messages.ShowMessage(MessageKind::Information, "You have successfully saved your file as:\n\r" + shownPath);
  } else {
    messages.ShowMessage(MessageKind::Information, "You have successfully copy your code to clipboard!");
  }
  return result;
}

OutputResult btnFinishClick(DeliveryMode mode, const TAffManager& project, const OutputRequest& request,
                            MessagePort& messages, ClipboardPort& clipboard) {
  if (mode == DeliveryMode::SaveWebPage) {
    if (TrimControl(request.fileNameField).empty()) {
      messages.ShowMessage(MessageKind::Information, "Please provide a valid output filename.");
      return {};
    }
    return ProduceOutput(true, project, request, messages);
  }
  OutputResult result = ProduceOutput(false, project, request, messages);
  if (result.page) clipboard.SetText(*result.page);
  return result;
}

}  // namespace velmora

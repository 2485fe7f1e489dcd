#include "generator/OutputDelivery.h"

#include <system_error>

#include "app/FileIO.h"
#include "app/Utils.h"
#include "generator/PageGenerator.h"
#include "generator/TemplateCatalogue.h"

namespace velmora {

std::string OutputNameOf(const Project& project) {
  return project.FileName.empty() ? std::string(kDefaultOutputName) : project.FileName;
}

std::optional<Refusal> OutputNameProblem(const std::string& name) {
  const std::string trimmed = TrimControl(name);
  if (trimmed.empty()) return Refusal{MessageKind::Information, "Please provide a valid output filename."};
  // A name from a shared project file must not reach the brand file or anything else outside the folder.
  if (name.find_first_of("/\\") != std::string::npos || trimmed == "." || trimmed == ".." ||
      std::filesystem::path(name).is_absolute() || std::filesystem::path(name).has_root_name())
    return Refusal{MessageKind::Warning, "The output filename \"" + name +
                                             "\" must be a file name without a folder, such as " +
                                             std::string(kDefaultOutputName) + "."};
  return std::nullopt;
}

Result<std::filesystem::path> PrepareOutputFile(const std::filesystem::path& folder, const std::string& name) {
  // The name is joined as text, not as a path, so that it lands below the
  // output folder, blanks and all, exactly as the message says.
  const std::filesystem::path file((folder / "").string() + name);
  if (const auto problem = OutputNameProblem(name))
    return FileFailure(ErrorKind::Unwritable, "Cannot write the file", file, problem->text);
  if (!MakePrivateFolders(folder))
    return FileFailure(ErrorKind::Unwritable, "Cannot create the folder", folder,
                       "Can't create the output folder! Check the output path you provided.");
  return file;
}

Result<std::filesystem::path> SaveOutputPage(const std::filesystem::path& folder, const std::string& name,
                                             const std::string& page) {
  auto file = PrepareOutputFile(folder, name);
  if (!file) return file.error();
  if (auto written = WriteLineText(*file, page); !written) return written.error();
  return file;
}

OutputResult ProduceOutput(bool save, const Project& project, const OutputRequest& request,
                           MessagePort& messages) {
  OutputResult result;
  if (save) {
    if (!MakePrivateFolders(request.outputFolder)) {
      messages.ShowMessage(MessageKind::Error, "Can't create the output folder! Check the output path you provided.");
      return result;
    }
  }

  auto page = GeneratePage(project, request.templateName, request.places.TemplateFolders());
  if (!page) {
    messages.ShowMessage(MessageKind::Error,
                         page.error().kind == ErrorKind::NotFound
                             ? "The selected template could not be found: " +
                                   ExpectedTemplatePath(request.places.ShippedTemplateFolder(), request.templateName)
                             : page.error().message);
    return result;
  }
  result.page = std::move(page).value();

  if (save) {
    auto saved = SaveOutputPage(request.outputFolder, request.fileNameField, *result.page);
    if (!saved) {
      messages.ShowMessage(MessageKind::Error, saved.error().message);
      return result;
    }
    result.savedFile = std::move(*saved);
    messages.ShowMessage(MessageKind::Done, "You have successfully saved your file as:\n\r" +
                                                result.savedFile->string());
  }
  return result;
}

OutputResult DeliverPage(DeliveryMode mode, const Project& project, const OutputRequest& request,
                            MessagePort& messages, ClipboardPort& clipboard) {
  if (mode == DeliveryMode::SaveWebPage) {
    if (const auto problem = OutputNameProblem(request.fileNameField)) {
      messages.ShowMessage(problem->kind, problem->text);
      return {};
    }
    return ProduceOutput(true, project, request, messages);
  }
  OutputResult result = ProduceOutput(false, project, request, messages);
  if (!result.page) return result;
  // Filled before it is said, so the clipboard holds the page while the user reads.
  clipboard.SetText(*result.page);
  messages.ShowMessage(MessageKind::Done, "You have copied your code to the clipboard.");
  return result;
}

}  // namespace velmora

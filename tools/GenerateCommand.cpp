// velmora-tool generate: the page "Generate Code" would make for a project
// file, for regenerating pages in batch without the window: on standard
// output, into a given file, or (--deliver) where "Generate Code" saves it.
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/FileIO.h"
#include "app/Utils.h"
#include "generator/OutputDelivery.h"
#include "generator/PageGenerator.h"
#include "generator/TemplateCatalogue.h"
#include "project/ProjectFile.h"
#include "tools/Command.h"
#include "tools/ToolPlaces.h"

namespace velmora::tool {

namespace {

class Failure : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

int RunGenerate(const std::vector<std::string>& args) {
  const ParsedArgs parsed = ParseArgs(args, {"--program-folder", "--project", "--template", "--output"}, {"--deliver"});
  if (!parsed.positional.empty()) throw UsageError("unexpected argument " + parsed.positional.front());
  if (parsed.Flag("--deliver") && parsed.Option("--output")) throw UsageError("--deliver and --output exclude each other");
  const auto projectOption = parsed.Option("--project");
  if (!projectOption || projectOption->empty()) throw UsageError("--project is required");
  const Places places = ToolPlaces(parsed);

  const auto loaded = LoadProjectFile(*projectOption);
  if (!loaded) throw Failure(loaded.error().message);
  const Project& project = *loaded;
  const std::string templateName = ToolTemplateName(parsed, places, project);

  const auto templateText = LoadTemplate(templateName, places.TemplateFolders());
  if (!templateText) {
    // A template the tool cannot find is a wrong argument or project, as bad usage is.
    if (templateText.error().kind != ErrorKind::NotFound) throw Failure(templateText.error().message);
    std::cerr << "velmora-tool generate: " << templateText.error().message << "\n";
    return 2;
  }

  // The page goes out as it is made, through the line-file form, never whole.
  std::unique_ptr<ReplacementFile> file;
  std::filesystem::path delivered;
  std::optional<std::filesystem::path> target = parsed.Option("--output");
  if (parsed.Flag("--deliver")) {
    // Where "Generate Code" would save it, with the same checks on the name.
    const std::string name = OutputNameOf(project);
    if (const auto problem = OutputNameProblem(name)) throw Failure(problem->text);
    auto prepared = PrepareOutputFile(ToolOutputFolder(places), name);
    if (!prepared) throw Failure(prepared.error().message);
    target = delivered = *prepared;
  }
  if (target) {
    auto opened = ReplacementFile::Open(*target);
    if (!opened) throw Failure(opened.error().message);
    file = std::move(*opened);
  }
  LineFileWriter lines([&file](std::string_view bytes) -> Result<void> {
    if (file) return file->Write(bytes);
    if (!std::cout.write(bytes.data(), static_cast<std::streamsize>(bytes.size())))
      return Error{ErrorKind::Unwritable, "cannot write the page to standard output"};
    return {};
  });
  const auto page = WritePage(*templateText, project, [&lines](std::string_view part) { lines.Write(part); });
  if (!page) throw Failure(page.error().message);
  if (auto written = lines.Finish(); !written) throw Failure(written.error().message);
  if (file) {
    if (auto committed = file->Commit(); !committed) throw Failure(committed.error().message);
    if (!delivered.empty()) std::cout << delivered.string() << "\n";
  }
  std::cout.flush();
  if (!std::cout) throw Failure("cannot write the page to standard output");
  return 0;
}

const RegisterCommand kGenerate{{"generate",
                                 "velmora-tool generate [--program-folder DIR] --project FILE.set "
                                 "[--template NAME] [--output FILE | --deliver]",
                                 RunGenerate}};

}  // namespace

}  // namespace velmora::tool

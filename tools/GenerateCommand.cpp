// velmora-tool generate: the page "Generate Code" would make for a project
// file, for regenerating pages in batch without the window: on standard
// output, into a given file, or (--deliver) where "Generate Code" saves it.
#include <filesystem>
#include <iostream>
#include <string>
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
  const ParsedArgs parsed = ParseArgs(args, {"--program-folder", "--project", "--template", "--output"}, {"--deliver", "--overwrite"});
  if (!parsed.positional.empty()) throw UsageError("unexpected argument " + parsed.positional.front());
  if (parsed.Flag("--deliver") && parsed.Option("--output")) throw UsageError("--deliver and --output exclude each other");
  if (parsed.Flag("--overwrite") && !parsed.Flag("--deliver")) throw UsageError("--overwrite goes with --deliver");
  const auto projectOption = parsed.Option("--project");
  if (!projectOption || projectOption->empty()) throw UsageError("--project is required");
  const Places places = ToolPlaces(parsed);

  const auto loaded = LoadProjectFile(*projectOption);
  if (!loaded) throw Failure(loaded.error().message);
  const Project& project = *loaded;
  const std::string templateName = ToolTemplateName(parsed, places, project);

  const auto page = GeneratePage(project, templateName, places.TemplateFolders());
  if (!page) {
    // A template the tool cannot find is a wrong argument or project, as bad usage is.
    if (page.error().kind != ErrorKind::NotFound) throw Failure(page.error().message);
    std::cerr << "velmora-tool generate: " << page.error().message << "\n";
    return 2;
  }

  if (parsed.Flag("--deliver")) {
    // Where "Generate Code" would save it, with the same checks on the name
    // and its pictures beside it.
    const std::string name = OutputNameOf(project);
    if (const auto problem = OutputNameProblem(name)) throw Failure(problem->text);
    const std::filesystem::path folder = ToolOutputFolder(places);
    const std::string owner = PageIdFor(project, *projectOption);
    if (!parsed.Flag("--overwrite") && SlotOf(folder / name, owner) == PageSlot::Taken)
      throw Failure((folder / name).string() + " is a page this project did not make; --overwrite replaces it");
    const auto bundle = MakePageBundle(project, templateName, places.TemplateFolders(), name, owner);
    if (!bundle) throw Failure(bundle.error().message);
    for (const auto& missing : bundle->missing)
      std::cerr << "velmora-tool generate: " << missing << " is not there; the page keeps its address\n";
    const auto saved = SavePageBundle(folder, *bundle);
    if (!saved) throw Failure(saved.error().message);
    std::cout << saved->string() << "\n";
    return 0;
  }
  const Lines lines = SplitLines(*page);
  if (const auto output = parsed.Option("--output")) {
    if (auto written = WriteLineFile(*output, lines); !written) throw Failure(written.error().message);
  } else {
    const std::string text = JoinLines(lines);
    std::cout.write(text.data(), static_cast<std::streamsize>(text.size()));
    std::cout.flush();
    if (!std::cout) throw Failure("cannot write the page to standard output");
  }
  return 0;
}

const RegisterCommand kGenerate{{"generate",
                                 "velmora-tool generate [--program-folder DIR] --project FILE.set "
                                 "[--template NAME] [--output FILE | --deliver [--overwrite]]",
                                 RunGenerate}};

}  // namespace

}  // namespace velmora::tool

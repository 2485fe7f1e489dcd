// velmora-tool check: what would break or mislead on the page a project
// makes, or on a finished page, before it is published.
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "app/FileIO.h"
#include "app/TextCodec.h"
#include "generator/PageCheck.h"
#include "generator/PageGenerator.h"
#include "generator/TemplateCatalogue.h"
#include "project/ProjectFile.h"
#include "tools/Command.h"
#include "tools/ToolPlaces.h"

namespace velmora::tool {

namespace {

constexpr int kClean = 0;
constexpr int kFound = 1;
constexpr int kUnreadable = 2;

void Print(const std::vector<Finding>& findings, bool json) {
  if (json) {
    std::cout << "[";
    for (std::size_t i = 0; i < findings.size(); ++i) {
      const Finding& f = findings[i];
      // The place by position, as scripts have read it; the item's label beside it.
      std::cout << (i ? ",\n " : "\n ") << "{\"code\": " << JsonString(f.code) << ", \"place\": "
                << JsonString(PlaceName(f.where)) << ", \"message\": " << JsonString(f.message);
      if (!f.item.empty()) std::cout << ", \"item\": " << JsonString(f.item);
      if (!f.key.empty())
        std::cout << ", \"key\": " << JsonString(f.key) << ", \"intended\": " << (f.intended ? "true" : "false");
      std::cout << "}";
    }
    std::cout << (findings.empty() ? "]\n" : "\n]\n");
  } else {
    // What the project marks as intended is the user's decision: not listed, and no failure.
    for (const Finding& f : findings)
      if (!f.intended) std::cout << f.code << '\t' << PlaceName(f.where) << '\t' << ToDisplayUtf8(f.message) << '\n';
  }
  std::cout.flush();
}

int Refuse(const Error& error) {
  std::cerr << "velmora-tool check: " << error.message << "\n";
  return kUnreadable;
}

int RunCheck(const std::vector<std::string>& args) {
  const ParsedArgs parsed =
      ParseArgs(args, {"--program-folder", "--project", "--template", "--page"}, {"--json"});
  if (!parsed.positional.empty()) throw UsageError("unexpected argument " + parsed.positional.front());
  const auto pageOption = parsed.Option("--page");
  const auto projectOption = parsed.Option("--project");
  if (pageOption.has_value() == projectOption.has_value()) throw UsageError("give either --project or --page");
  if (pageOption && (parsed.Option("--template") || parsed.Option("--program-folder")))
    throw UsageError("--template and --program-folder go with --project");
  if ((pageOption && pageOption->empty()) || (projectOption && projectOption->empty()))
    throw UsageError("the file name is empty");

  std::vector<Finding> findings;
  {
    if (pageOption) {
      // Looked at before reading, to say why; the read's own bound holds for what is not a plain file.
      std::error_code ec;
      // A pipe or device would keep the check waiting, or reading, for ever.
      if (std::filesystem::exists(*pageOption, ec) && !std::filesystem::is_regular_file(*pageOption, ec)) {
        std::cerr << "velmora-tool check: " << *pageOption << " is not a plain file; it is not read.\n";
        return kUnreadable;
      }
      const auto size = std::filesystem::file_size(*pageOption, ec);
      if (!ec && size > kMaxPageBytes) {
        std::cerr << "velmora-tool check: " << PageFileTooLargeMessage(*pageOption) << "\n";
        return kUnreadable;
      }
      const auto page = ReadWholeFile(*pageOption, kMaxPageBytes);
      if (!page) return Refuse(page.error());
      findings = CheckFinishedPage(*page);
    } else {
      const Places places = ToolPlaces(parsed);
      const auto loaded = LoadProjectFile(*projectOption);
      if (!loaded) return Refuse(loaded.error());
      const Project& project = *loaded;
      const std::string templateName = ToolTemplateName(parsed, places, project);
      auto templateText = LoadTemplate(templateName, places.TemplateFolders());
      if (!templateText) return Refuse(templateText.error());
      auto page = FillPage(*templateText, project);
      if (!page) return Refuse(page.error());
      findings = CheckProjectPage(project, *templateText, *page);
    }
  }
  Print(findings, parsed.Flag("--json"));
  return CountToLookAt(findings) == 0 ? kClean : kFound;
}

const RegisterCommand kCheck{{"check",
                              "velmora-tool check [--program-folder DIR] --project FILE.set [--template NAME] "
                              "[--json]\n  velmora-tool check --page FILE.htm [--json]",
                              RunCheck}};

}  // namespace

}  // namespace velmora::tool

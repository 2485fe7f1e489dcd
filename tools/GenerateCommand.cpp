// velmora-tool generate: the page "Generate Code" would make for a project
// file, for regenerating pages in batch without the window: on standard
// output, into a given file, or (--deliver) where "Generate Code" saves it.
#include <algorithm>
#include <cstdint>
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

#if defined(__linux__) && defined(__GLIBC__)
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace velmora::tool {

namespace {

class Failure : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// A large project is read whole and then held as tens of thousands of
// small items: the heap grows by about twice the file. Grown in one step and
// backed by 2 MB pages, it takes a few page faults instead of one for every
// 4 KB, which costs about as much as the parsing itself on a virtual machine. The
// file's text comes from the same heap, so the page reuses its room later.
void PrepareHeapFor(const std::filesystem::path& projectFile) {
#if defined(__linux__) && defined(__GLIBC__)
  std::error_code ec;
  const auto size = std::filesystem::file_size(projectFile, ec);
  constexpr std::uintmax_t kSmall = std::uintmax_t{1} << 20;
  if (ec || size < kSmall || size > kMaxProjectBytes) return;
  const int room = static_cast<int>(std::min<std::uintmax_t>(3 * size, std::uintmax_t{1} << 30));
  // Blocks up to the room come from the heap rather than a mapping of their own, and stay there once freed.
  (void)::mallopt(M_MMAP_THRESHOLD, std::min(room, 32 << 20));  // the most glibc takes
  (void)::mallopt(M_TRIM_THRESHOLD, room);
  (void)::mallopt(M_TOP_PAD, room);
  const auto heapEnd = [] { return reinterpret_cast<std::uintptr_t>(::sbrk(0)); };
  const std::uintptr_t before = heapEnd();
  // Grows the heap by the room now; asked for its size, so that the compiler keeps it.
  void* const first = std::malloc(std::size_t{256} << 10);
  const bool made = first != nullptr && ::malloc_usable_size(first) > 0;
  const auto at = reinterpret_cast<std::uintptr_t>(first);
  std::free(first);
  const std::uintptr_t after = heapEnd();
  // Only where the heap did grow, the block at its top (another allocator,
  // or a refused growth, leaves it be).
  if (!made || after <= before || at >= after) return;
  constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
  const std::uintptr_t from = (at + kHugePage - 1) & ~(kHugePage - 1);
  const std::uintptr_t to = after & ~(kHugePage - 1);
  if (to > from) (void)::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
#else
  (void)projectFile;
#endif
}

int RunGenerate(const std::vector<std::string>& args) {
  const ParsedArgs parsed = ParseArgs(args, {"--program-folder", "--project", "--template", "--output"}, {"--deliver", "--overwrite"});
  if (!parsed.positional.empty()) throw UsageError("unexpected argument " + parsed.positional.front());
  if (parsed.Flag("--deliver") && parsed.Option("--output")) throw UsageError("--deliver and --output exclude each other");
  if (parsed.Flag("--overwrite") && !parsed.Flag("--deliver")) throw UsageError("--overwrite goes with --deliver");
  const auto projectOption = parsed.Option("--project");
  if (!projectOption || projectOption->empty()) throw UsageError("--project is required");
  const Places places = ToolPlaces(parsed);

  PrepareHeapFor(*projectOption);
  auto loaded = LoadProjectFile(*projectOption);
  if (!loaded) throw Failure(loaded.error().message);
  // The process ends with this command: the system takes a large project's
  // memory back at once, sooner than its items could be freed one by one.
  // Held from a static, so that leak checkers see it as still in use.
  static const Project* kept = nullptr;
  kept = new Project(std::move(*loaded));
  const Project& project = *kept;
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
  std::string owner;
  std::vector<PagePicture> pictures;
  if (parsed.Flag("--deliver")) {
    // Where "Generate Code" would save it, with the same checks on the name
    // and its pictures beside it.
    const std::string name = OutputNameOf(project);
    if (const auto problem = OutputNameProblem(name)) throw Failure(problem->text);
    const std::filesystem::path folder = ToolOutputFolder(places);
    owner = PageIdFor(project, *projectOption);
    if (!parsed.Flag("--overwrite") && SlotOf(folder / name, owner) == PageSlot::Taken)
      throw Failure((folder / name).string() + " is a page this project did not make; --overwrite replaces it");
    auto prepared = PrepareOutputFile(folder, name);
    if (!prepared) throw Failure(prepared.error().message);
    std::vector<std::string> missing;
    pictures = PicturesBeside(project, name, &missing);
    for (const auto& gone : missing)
      std::cerr << "velmora-tool generate: " << gone << " is not there; the page keeps its address\n";
    // Pictures first, so that the page never names one that is not there yet.
    if (auto copied = CopyPictures(folder, name, pictures); !copied) throw Failure(copied.error().message);
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
  // Only a delivered page needs a project of its own (a conditional of the
  // two would copy the project for every page).
  std::optional<Project> delivering;
  if (!delivered.empty()) delivering = WithPictureAddresses(project, pictures);
  char last = '\n';
  const auto page = WritePage(*templateText, delivering ? *delivering : project,
                              [&lines, &last](std::string_view part) {
                                if (!part.empty()) last = part.back();
                                lines.Write(part);
                              });
  if (!page) throw Failure(page.error().message);
  // A delivered page ends with its owner's marker on a line of its own.
  if (!delivered.empty()) {
    if (last != '\n' && last != '\r') lines.Write("\n");
    lines.Write(PageMarker(owner));
    lines.Write("\n");
  }
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
                                 "[--template NAME] [--output FILE | --deliver [--overwrite]]",
                                 RunGenerate}};

}  // namespace

}  // namespace velmora::tool

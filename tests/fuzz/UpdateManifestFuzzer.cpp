// The live-update manifest as any server may send it: read, judged usable
// or not, and run through the whole check against a scratch program folder.
#include <cstdint>
#include <filesystem>
#include <unistd.h>

#include "app/BrandSettings.h"
#include "app/FileIO.h"
#include "services/UpdateCheck.h"
#include "tests/fuzz/FuzzCheck.h"
#include "tests/mock/FakePorts.h"

using namespace velmora;

namespace {

const std::string& ScratchFolder() {
  static const std::string folder = [] {
    const auto path = std::filesystem::temp_directory_path() / ("velmora-manifest-fuzz-" + std::to_string(getpid()));
    std::filesystem::create_directories(path);
    return (path / "").string();
  }();
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string manifest(fuzz::Bytes(data, size));
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

  const std::string version = ReadManifestVersion(manifest);
  if (manifest.substr(0, kByteOrderMark.size()) != kByteOrderMark) {
    FUZZ_CHECK(ReadManifestVersion(std::string(kByteOrderMark) + manifest) == version);
  }
  const auto usable = UsableManifestVersion(manifest);
  if (usable) {
    FUZZ_CHECK(*usable == version && ParseVersion(version).has_value());
    FUZZ_CHECK(manifest.find('\0') == std::string::npos);
  }

  test::FakeHttp http;
  test::FakeMessages messages;
  messages.answers = {false};
  test::FakeShell shell;
  const std::string base = "http://updates.example/liveupdate/velmora/";
  http.replies[base + kManifestName] = manifest;
  const UpdateContext context{http, messages, shell, Places::Portable(ScratchFolder()), base};
  const auto ended = http.Settle<UpdateOutcome>([&](auto done) {
    CheckForUpdates(context, true, [done](UpdateOutcome outcome, const std::string&) { done(outcome); });
  });
  FUZZ_CHECK(ended.has_value());
  const UpdateOutcome outcome = ended.value_or(UpdateOutcome::Cancelled);
  const std::filesystem::path local = context.places.ManifestFile();

  if (manifest.size() > kManifestLimit) {
    FUZZ_CHECK(outcome == UpdateOutcome::ServerUnreachable && !std::filesystem::exists(local));
  } else if (!usable) {
    FUZZ_CHECK(outcome == UpdateOutcome::ManifestUnusable && !std::filesystem::exists(local));
    FUZZ_CHECK(messages.shown.empty());
  } else {
    // A usable manifest is kept as it came and offers only a higher version.
    FUZZ_CHECK(ReadWholeFile(local).value() == manifest);
    const bool higher = *ParseVersion(*usable) > *ParseVersion(ProgramVersion);
    FUZZ_CHECK(outcome == (higher ? UpdateOutcome::Declined : UpdateOutcome::NoUpdate));
    FUZZ_CHECK(messages.shown.size() == (higher ? 1u : 0u));
    if (higher) FUZZ_CHECK(messages.shown[0].preselected == DefaultButton::Cancel);
  }
  FUZZ_CHECK(shell.started.empty());
  return 0;
}

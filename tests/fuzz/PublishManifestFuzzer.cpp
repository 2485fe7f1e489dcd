// What a web host hands back before publishing: the manifest of the last
// publish, which decides what is deleted, and the publishing address a
// project or a command line gives. Both must read back what they write.
#include <cstdint>

#include "publish/PublishTarget.h"
#include "publish/Publisher.h"
#include "tests/fuzz/FuzzCheck.h"

using namespace velmora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes = fuzz::Bytes(data, size);

  const auto manifest = ParseManifest(bytes);
  if (manifest) {
    // Whatever is deleted stays below the target's folder.
    for (const auto& [path, hash] : *manifest) {
      FUZZ_CHECK(!path.empty() && path.front() != '/' && path != kPublishManifestName);
      FUZZ_CHECK(("/" + path + "/").find("/../") == std::string::npos);
    }
    FUZZ_CHECK(ParseManifest(ManifestText(*manifest)).value() == *manifest);
    const SyncPlan plan = PlanSync({}, *manifest);
    FUZZ_CHECK(plan.send.empty() && plan.remove.size() == manifest->size());
  }

  const auto target = ParsePublishAddress(bytes);
  if (target) {
    const auto again = ParsePublishAddress(PublishAddressOf(*target));
    FUZZ_CHECK(again.ok());
    FUZZ_CHECK(again->protocol == target->protocol && again->user == target->user && again->host == target->host &&
               again->port == target->port && again->folder == target->folder);
    FUZZ_CHECK(("/" + target->folder).find("/../") == std::string::npos);
  }
  return 0;
}

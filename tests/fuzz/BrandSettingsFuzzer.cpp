// The brand settings reader, on plain text and through the cipher as
// start-up reads dbsettings.dat: the picks must come from what was read.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>

#include "app/BrandSettingsReader.h"
#include "app/Utils.h"
#include "crypto/AesLib.h"
#include "tests/fuzz/FuzzCheck.h"

using namespace velmora;

namespace {

class ScriptedRandom final : public RandomSource {
public:
  explicit ScriptedRandom(std::uint32_t seed) : seed_(seed) {}
  std::size_t Below(std::size_t n) override {
    seed_ = seed_ * 1103515245u + 12345u;
    return (seed_ >> 8) % n;
  }

private:
  std::uint32_t seed_;
};

bool Picked(const std::vector<std::vector<std::string>>& pool, const std::string& first, const std::string& second) {
  return std::any_of(pool.begin(), pool.end(), [&](const auto& entry) {
    return FieldOrEmpty(entry, 0) == first && FieldOrEmpty(entry, 1) == second;
  });
}

void CheckSettings(const BrandSettings& brand) {
  FUZZ_CHECK(brand.WelcomePool.size() <= kBrandPoolLimit && brand.BannerPool.size() <= kBrandPoolLimit &&
             brand.LinkPool.size() <= kBrandPoolLimit);
  for (const auto& page : brand.WelcomePool) FUZZ_CHECK(!page.empty());
  FUZZ_CHECK(brand.WelcomePool.empty() ? brand.WelcomeText.empty()
                                       : std::count(brand.WelcomePool.begin(), brand.WelcomePool.end(),
                                                    brand.WelcomeText) > 0);
  if (brand.BannerPool.empty()) {
    FUZZ_CHECK(brand.BannerNumber == 0 && brand.BannerImage.empty() && brand.BannerURL.empty());
  } else {
    FUZZ_CHECK(brand.BannerNumber >= 1 && static_cast<std::size_t>(brand.BannerNumber) <= brand.BannerPool.size());
    const auto& entry = brand.BannerPool[static_cast<std::size_t>(brand.BannerNumber) - 1];
    FUZZ_CHECK(FieldOrEmpty(entry, 0) == brand.BannerImage && FieldOrEmpty(entry, 1) == brand.BannerURL);
  }
  if (brand.LinkPool.empty()) FUZZ_CHECK(brand.Link1Caption.empty() && brand.Link1URL.empty());
  if (!brand.LinkPool.empty()) FUZZ_CHECK(Picked(brand.LinkPool, brand.Link1Caption, brand.Link1URL));
  if (brand.LinkPool.size() >= 2) FUZZ_CHECK(Picked(brand.LinkPool, brand.Link2Caption, brand.Link2URL));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const auto seed = input.ConsumeIntegral<std::uint32_t>();
  const bool throughCipher = input.ConsumeBool();
  const std::string text = input.ConsumeRemainingBytesAsString();
  // What the reader sees of a file: its lines joined with CR LF.
  const std::string plain = JoinLines(SplitLines(text));

  ScriptedRandom random(seed);
  const BrandSettings brand = ParseBrandSettings(plain, random);
  CheckSettings(brand);

  if (throughCipher) {
    // The same text enciphered as a publisher's tool writes it reads the same.
    std::string enciphered;
    FUZZ_CHECK(EncipherBytes(plain, enciphered) == CipherResult::Ok);
    std::string deciphered;
    FUZZ_CHECK(DecipherBytes(enciphered, deciphered) == CipherResult::Ok && deciphered == plain);
    ScriptedRandom again(seed);
    const BrandSettings reread = ParseBrandSettings(deciphered, again);
    FUZZ_CHECK(reread.ApplicationName == brand.ApplicationName && reread.AboutText == brand.AboutText &&
               reread.BannerNumber == brand.BannerNumber && reread.Link2URL == brand.Link2URL);
  } else {
    // Raw bytes as dbsettings.dat: nearly always refused, never a crash.
    std::string deciphered;
    if (DecipherBytes(text, deciphered) == CipherResult::Ok) {
      ScriptedRandom other(seed);
      CheckSettings(ParseBrandSettings(JoinLines(SplitLines(deciphered)), other));
    }
  }
  return 0;
}

// The settings-file cipher: the in-memory and the stream paths must agree on
// any bytes, a round trip must give the text back, and damage must never
// pass as genuine.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstring>
#include <sstream>

#include "crypto/AesLib.h"
#include "tests/fuzz/FuzzCheck.h"

using namespace velmora;

namespace {

struct Deciphered {
  CipherResult result;
  std::string plain;
};

Deciphered InMemory(const std::string& enciphered, std::string_view passphrase) {
  Deciphered out;
  out.result = Encryption(passphrase, 16).DecryptBytes(enciphered, out.plain);
  return out;
}

Deciphered Streamed(const std::string& enciphered, std::string_view passphrase, std::size_t buffer) {
  std::istringstream source(enciphered);
  std::ostringstream target;
  Deciphered out;
  out.result = Encryption(passphrase, buffer).DecryptStream(source, target, enciphered.size());
  out.plain = target.str();
  return out;
}

void CheckAgreement(const std::string& enciphered, std::string_view passphrase, std::size_t buffer) {
  const Deciphered memory = InMemory(enciphered, passphrase);
  const Deciphered stream = Streamed(enciphered, passphrase, buffer);
  FUZZ_CHECK(memory.result == stream.result);
  if (memory.result == CipherResult::PasswordCheckFailed) {
    FUZZ_CHECK(memory.plain.empty() && stream.plain.empty());
  } else {
    FUZZ_CHECK(memory.plain == stream.plain);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  // Passphrase lengths select the three key sizes.
  static const std::string_view kPassphrases[] = {kSettingsPassphrase, "sixteen-byte-key", "a passphrase of 32 bytes length!"};
  const std::string_view passphrase = kPassphrases[input.ConsumeIntegralInRange<int>(0, 2)];
  const std::size_t buffer = input.ConsumeIntegralInRange<std::size_t>(1, 300);
  const std::size_t damageAt = input.ConsumeIntegral<std::uint16_t>();
  const auto damageBits = static_cast<unsigned char>(input.ConsumeIntegralInRange<int>(1, 255));
  const std::string saltBytes = input.ConsumeBytesAsString(32);
  const std::string text = input.ConsumeRemainingBytesAsString();

  // Any bytes as an enciphered file.
  CheckAgreement(text, passphrase, buffer);

  // A fixed salt, so that both enciphering paths can be compared byte for byte.
  const auto salts = [&saltBytes](unsigned char* out, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) out[i] = saltBytes.empty() ? 0 : static_cast<unsigned char>(saltBytes[i % saltBytes.size()]);
    return true;
  };
  std::string enciphered;
  FUZZ_CHECK(Encryption(passphrase, buffer, salts).EncryptBytes(text, enciphered) == CipherResult::Ok);
  std::istringstream source(text);
  std::ostringstream streamed;
  FUZZ_CHECK(Encryption(passphrase, buffer, salts).EncryptStream(source, streamed) == CipherResult::Ok);
  FUZZ_CHECK(streamed.str() == enciphered);

  const Deciphered back = InMemory(enciphered, passphrase);
  FUZZ_CHECK(back.result == CipherResult::Ok && back.plain == text);
  CheckAgreement(enciphered, passphrase, buffer);

  std::string damaged = enciphered;
  damaged[damageAt % damaged.size()] = static_cast<char>(damaged[damageAt % damaged.size()] ^ damageBits);
  FUZZ_CHECK(InMemory(damaged, passphrase).result != CipherResult::Ok);
  CheckAgreement(damaged, passphrase, buffer);
  return 0;
}

// Settings-file cipher throughput on 64 MiB, beside what OpenSSL's own
// AES-128-CTR and HMAC-SHA1 do with the same bytes: the cipher's own work
// (counter blocks, XOR, stream handling) should cost little on top.

#include <benchmark/benchmark.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <filesystem>
#include <fstream>
#include <istream>
#include <memory>
#include <ostream>
#include <random>
#include <stdexcept>
#include <string>

#include "crypto/AesLib.h"

using namespace velmora;

namespace {

constexpr std::size_t kSize = std::size_t{64} << 20;

const std::string& Plain() {
  static const std::string plain = [] {
    std::string text(kSize, '\0');
    if (RAND_bytes(reinterpret_cast<unsigned char*>(text.data()), static_cast<int>(text.size())) != 1)
      throw std::runtime_error("no random bytes");
    return text;
  }();
  return plain;
}

const std::string& Enciphered() {
  static const std::string enciphered = [] {
    std::string out;
    if (EncipherBytes(Plain(), out) != CipherResult::Ok) throw std::runtime_error("encipher failed");
    return out;
  }();
  return enciphered;
}

class Folder {
public:
  Folder() {
    std::random_device rd;
    path_ = std::filesystem::temp_directory_path() / ("velmora-bench-" + std::to_string(rd()));
    std::filesystem::create_directories(path_);
    std::ofstream(path_ / "plain", std::ios::binary).write(Plain().data(), static_cast<std::streamsize>(kSize));
    std::ofstream(path_ / "enciphered", std::ios::binary)
        .write(Enciphered().data(), static_cast<std::streamsize>(Enciphered().size()));
  }
  ~Folder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  std::filesystem::path operator/(const char* name) const { return path_ / name; }

private:
  std::filesystem::path path_;
};

class ViewBuffer : public std::streambuf {
public:
  explicit ViewBuffer(const std::string& bytes) {
    char* begin = const_cast<char*>(bytes.data());
    setg(begin, begin, begin + bytes.size());
  }
};

// Takes every byte and keeps none, so the stream runs measure the cipher.
class DiscardBuffer : public std::streambuf {
protected:
  int_type overflow(int_type c) override { return traits_type::not_eof(c); }
  std::streamsize xsputn(const char* data, std::streamsize n) override {
    benchmark::DoNotOptimize(data);
    return n;
  }
};

void EncipherFileRun(benchmark::State& state) {
  Folder folder;
  for (auto _ : state) {
    if (!(EncipherFile(folder / "plain", folder / "out") == CipherResult::Ok)) state.SkipWithError("encipher failed");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kSize));
}

void DecipherFileRun(benchmark::State& state) {
  Folder folder;
  for (auto _ : state) {
    if (!(DecipherFile(folder / "enciphered", folder / "out") == CipherResult::Ok)) state.SkipWithError("decipher failed");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kSize));
}

void EncipherStreamRun(benchmark::State& state) {
  const std::string& plain = Plain();
  for (auto _ : state) {
    ViewBuffer view(plain);
    std::istream in(&view);
    DiscardBuffer discard;
    std::ostream out(&discard);
    Encryption crypt(kSettingsPassphrase, kTransferBufferSize);
    if (crypt.EncryptStream(in, out) != CipherResult::Ok) state.SkipWithError("encipher failed");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kSize));
}

void DecipherStreamRun(benchmark::State& state) {
  const std::string& enciphered = Enciphered();
  for (auto _ : state) {
    ViewBuffer view(enciphered);
    std::istream in(&view);
    DiscardBuffer discard;
    std::ostream out(&discard);
    Encryption crypt(kSettingsPassphrase, kTransferBufferSize);
    if (crypt.DecryptStream(in, out, enciphered.size()) != CipherResult::Ok) state.SkipWithError("decipher failed");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kSize));
}

// The path the program takes for the brand-settings file.
void EncipherBytesRun(benchmark::State& state) {
  std::string enciphered;
  for (auto _ : state) {
    if (EncipherBytes(Plain(), enciphered) != CipherResult::Ok) state.SkipWithError("encipher failed");
    benchmark::DoNotOptimize(enciphered.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kSize));
}

void DecipherBytesRun(benchmark::State& state) {
  std::string plain;
  for (auto _ : state) {
    if (DecipherBytes(Enciphered(), plain) != CipherResult::Ok) state.SkipWithError("decipher failed");
    benchmark::DoNotOptimize(plain.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kSize));
}

// OpenSSL alone: AES-128-CTR and HMAC-SHA1 over the same bytes, through a
// buffer of the same size.
void ReferenceRun(benchmark::State& state) {
  const std::string& plain = Plain();
  unsigned char key[16] = {1, 2, 3}, iv[16] = {}, macKey[16] = {4, 5, 6};
  std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> aes(EVP_CIPHER_CTX_new(), &EVP_CIPHER_CTX_free);
  std::unique_ptr<EVP_MAC, decltype(&EVP_MAC_free)> mac(EVP_MAC_fetch(nullptr, "HMAC", nullptr), &EVP_MAC_free);
  std::unique_ptr<EVP_MAC_CTX, decltype(&EVP_MAC_CTX_free)> hmac(EVP_MAC_CTX_new(mac.get()), &EVP_MAC_CTX_free);
  std::unique_ptr<EVP_CIPHER, decltype(&EVP_CIPHER_free)> cipher(EVP_CIPHER_fetch(nullptr, "AES-128-CTR", nullptr),
                                                                  &EVP_CIPHER_free);
  std::string buffer(kTransferBufferSize, '\0');
  auto* out = reinterpret_cast<unsigned char*>(buffer.data());
  char digestName[] = "SHA1";
  const OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digestName, 0),
                               OSSL_PARAM_construct_end()};
  for (auto _ : state) {
    EVP_EncryptInit_ex2(aes.get(), cipher.get(), key, iv, nullptr);
    EVP_MAC_init(hmac.get(), macKey, sizeof macKey, params);
    for (std::size_t done = 0; done < kSize; done += kTransferBufferSize) {
      int written = 0;
      EVP_EncryptUpdate(aes.get(), out, &written, reinterpret_cast<const unsigned char*>(plain.data()) + done,
                        static_cast<int>(kTransferBufferSize));
      EVP_MAC_update(hmac.get(), out, static_cast<std::size_t>(written));
    }
    unsigned char code[EVP_MAX_MD_SIZE];
    std::size_t codeLength = 0;
    EVP_MAC_final(hmac.get(), code, &codeLength, sizeof code);
    benchmark::DoNotOptimize(code);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kSize));
}

}  // namespace

BENCHMARK(ReferenceRun)->Name("Reference_OpenSSL_AES128CTR_HMACSHA1_64MiB")->Unit(benchmark::kMillisecond);
BENCHMARK(EncipherStreamRun)->Name("EncipherStream_64MiB")->Unit(benchmark::kMillisecond);
BENCHMARK(DecipherStreamRun)->Name("DecipherStream_64MiB")->Unit(benchmark::kMillisecond);
BENCHMARK(EncipherBytesRun)->Name("EncipherBytes_64MiB")->Unit(benchmark::kMillisecond);
BENCHMARK(DecipherBytesRun)->Name("DecipherBytes_64MiB")->Unit(benchmark::kMillisecond);
BENCHMARK(EncipherFileRun)->Name("EncipherFile_64MiB")->Unit(benchmark::kMillisecond);
BENCHMARK(DecipherFileRun)->Name("DecipherFile_64MiB")->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();

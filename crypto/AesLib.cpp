#include "crypto/AesLib.h"

#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/params.h>
#include <openssl/rand.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <istream>
#include <ostream>
#include <stdexcept>

#include "app/FileIO.h"

namespace velmora {

namespace {

constexpr std::size_t kBlock = 16;
constexpr int kIterations = 1000;
constexpr std::size_t kMaxKey = 32;
constexpr std::size_t kMaxSalt = 16;
// Key stream is made this much at a time: small enough to stay in the first
// level cache between the AES and the XOR, large enough that the library
// call costs nothing.
constexpr std::size_t kKeyStreamChunk = 8192;
constexpr std::streamsize kReadPiece = 8192;

[[noreturn]] void OpenSslFailed(const char* what) {
  throw std::runtime_error(std::string("the cipher library failed: ") + what);
}

int ModeFor(std::size_t passphraseLength) {
  if (passphraseLength < 32) return 1;
  if (passphraseLength < 48) return 2;
  return 3;
}

struct CipherFree {
  void operator()(EVP_CIPHER* p) const { EVP_CIPHER_free(p); }
};
struct CipherCtxFree {
  void operator()(EVP_CIPHER_CTX* p) const { EVP_CIPHER_CTX_free(p); }
};
struct MacFree {
  void operator()(EVP_MAC* p) const { EVP_MAC_free(p); }
};
struct MacCtxFree {
  void operator()(EVP_MAC_CTX* p) const { EVP_MAC_CTX_free(p); }
};

// Word at a time: a byte loop over separate pointers is not vectorised at
// -O2 and would cost more than the AES itself.
void XorInto(const unsigned char* in, const unsigned char* stream, unsigned char* out, std::size_t n) {
  std::size_t i = 0;
  for (; i + 16 <= n; i += 16) {
    std::uint64_t a0, a1, b0, b1;
    std::memcpy(&a0, in + i, 8);
    std::memcpy(&a1, in + i + 8, 8);
    std::memcpy(&b0, stream + i, 8);
    std::memcpy(&b1, stream + i + 8, 8);
    a0 ^= b0;
    a1 ^= b1;
    std::memcpy(out + i, &a0, 8);
    std::memcpy(out + i + 8, &a1, 8);
  }
  for (; i < n; ++i) out[i] = in[i] ^ stream[i];
}

std::string SystemReason(int err) { return std::strerror(err); }

// Fills the buffer a cache-sized piece at a time and hands each piece on
// while it is still in the cache. A file is read a whole buffer at a time
// instead: there every read is a system call, which costs more than the
// cache misses. Stops short only where the source ends or fails.
template <typename Process>
std::streamsize ReadInPieces(std::istream& source, unsigned char* buffer, std::streamsize size, Process process) {
  const bool isFile = dynamic_cast<std::filebuf*>(source.rdbuf()) != nullptr;
  const std::streamsize pieceSize = isFile ? size : kReadPiece;
  std::streamsize got = 0;
  while (got < size) {
    const std::streamsize wanted = std::min(pieceSize, size - got);
    source.read(reinterpret_cast<char*>(buffer + got), wanted);
    const std::streamsize piece = source.gcount();
    process(buffer + got, static_cast<std::size_t>(piece));
    got += piece;
    if (piece < wanted) break;
  }
  return got;
}

Result<std::ifstream> OpenSource(const std::filesystem::path& source) {
  std::ifstream in(source, std::ios::binary);
  if (!in) {
    const int err = errno;
    return FileFailure(err == ENOENT ? ErrorKind::NotFound : ErrorKind::Unreadable, "Cannot open the file", source,
                       SystemReason(err));
  }
  return in;
}

}  // namespace

struct Crypt::OpenSslState {
  std::unique_ptr<EVP_CIPHER, CipherFree> cipher;
  std::unique_ptr<EVP_CIPHER_CTX, CipherCtxFree> aes;
  std::unique_ptr<EVP_MAC, MacFree> mac;
  std::unique_ptr<EVP_MAC_CTX, MacCtxFree> hmac;
};

namespace {

// Arguments are refused before the passphrase is copied, so no unwiped copy
// outlives the error.
std::string_view CheckedPassphrase(std::string_view passphrase, std::size_t bufferSize) {
  if (passphrase.size() > Crypt::kMaxPassphrase)
    throw std::invalid_argument("the passphrase is longer than " + std::to_string(Crypt::kMaxPassphrase) + " bytes");
  if (bufferSize == 0) throw std::invalid_argument("the transfer buffer is empty");
  return passphrase;
}

}  // namespace

Crypt::Crypt(std::string_view passphrase, std::size_t bufferSize)
    : passphrase_(CheckedPassphrase(passphrase, bufferSize)),
      mode_(ModeFor(passphrase.size())),
      ssl_(std::make_unique<OpenSslState>()) {
  buffer_.resize(bufferSize);
  keyStream_.resize(kKeyStreamChunk);
  counterBlocks_.resize(keyStream_.size());

  // Counter mode with a little-endian counter is not one of the library's
  // modes, so the key stream is the ECB encryption of counter blocks.
  static const char* const names[] = {"AES-128-ECB", "AES-192-ECB", "AES-256-ECB"};
  ssl_->cipher.reset(EVP_CIPHER_fetch(nullptr, names[mode_ - 1], nullptr));
  ssl_->aes.reset(EVP_CIPHER_CTX_new());
  ssl_->mac.reset(EVP_MAC_fetch(nullptr, "HMAC", nullptr));
  if (!ssl_->cipher || !ssl_->aes || !ssl_->mac) OpenSslFailed("AES or HMAC unavailable");
  ssl_->hmac.reset(EVP_MAC_CTX_new(ssl_->mac.get()));
  if (!ssl_->hmac) OpenSslFailed("HMAC context");
}

Crypt::~Crypt() {
  OPENSSL_cleanse(passphrase_.data(), passphrase_.size());
  OPENSSL_cleanse(buffer_.data(), buffer_.size());
  OPENSSL_cleanse(keyStream_.data(), keyStream_.size());
}

std::size_t Crypt::KeyLength() const { return 8 + 8 * static_cast<std::size_t>(mode_); }

std::size_t Crypt::SaltLength() const { return 4 + 4 * static_cast<std::size_t>(mode_); }

std::array<unsigned char, Crypt::kCheckLength> Crypt::StartKeys(const unsigned char* salt) {
  const std::size_t keyLength = KeyLength();
  const std::size_t materialLength = 2 * keyLength + kCheckLength;
  unsigned char material[2 * kMaxKey + kCheckLength];
  const bool derived =
      PKCS5_PBKDF2_HMAC(passphrase_.data(), static_cast<int>(passphrase_.size()), salt,
                        static_cast<int>(SaltLength()), kIterations, EVP_sha1(), static_cast<int>(materialLength),
                        material) == 1;
  bool keyed = derived && EVP_EncryptInit_ex2(ssl_->aes.get(), ssl_->cipher.get(), material, nullptr, nullptr) == 1 &&
               EVP_CIPHER_CTX_set_padding(ssl_->aes.get(), 0) == 1;
  if (keyed) {
    char digest[] = "SHA1";
    const OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0),
                                 OSSL_PARAM_construct_end()};
    keyed = EVP_MAC_init(ssl_->hmac.get(), material + keyLength, keyLength, params) == 1;
  }
  const std::array<unsigned char, kCheckLength> check{material[2 * keyLength], material[2 * keyLength + 1]};
  OPENSSL_cleanse(material, sizeof material);
  if (!keyed) OpenSslFailed("key setup");
  counter_ = 0;
  keyStreamUsed_ = keyStreamEnd_ = 0;
  return check;
}

void Crypt::RefillKeyStream(std::size_t wanted) {
  const std::size_t blocks = std::min(keyStream_.size() / kBlock, (wanted + kBlock - 1) / kBlock);
  unsigned char* block = counterBlocks_.data();
  // A local counter: stores through the byte pointer could alias the member.
  std::uint64_t counter = counter_;
  for (std::size_t i = 0; i < blocks; ++i, block += kBlock) {
    const std::uint64_t value = ++counter;
    if constexpr (std::endian::native == std::endian::little) {
      std::memcpy(block, &value, 8);
    } else {
      for (int b = 0; b < 8; ++b) block[b] = static_cast<unsigned char>(value >> (8 * b));
    }
  }
  counter_ = counter;
  const int bytes = static_cast<int>(blocks * kBlock);
  int written = 0;
  if (EVP_EncryptUpdate(ssl_->aes.get(), keyStream_.data(), &written, counterBlocks_.data(), bytes) != 1 ||
      written != bytes)
    OpenSslFailed("AES");
  keyStreamUsed_ = 0;
  keyStreamEnd_ = static_cast<std::size_t>(bytes);
}

void Crypt::ApplyKeyStream(const unsigned char* in, unsigned char* out, std::size_t length) {
  while (length > 0) {
    if (keyStreamUsed_ == keyStreamEnd_) RefillKeyStream(length);
    const std::size_t n = std::min(length, keyStreamEnd_ - keyStreamUsed_);
    XorInto(in, keyStream_.data() + keyStreamUsed_, out, n);
    in += n;
    out += n;
    length -= n;
    keyStreamUsed_ += n;
  }
}

void Crypt::AuthenticateUpdate(const unsigned char* data, std::size_t length) {
  if (length > 0 && EVP_MAC_update(ssl_->hmac.get(), data, length) != 1) OpenSslFailed("HMAC");
}

// Both passes run over one cache-sized piece at a time, so the HMAC reads
// the bytes while they are still in the first level cache.
void Crypt::Encipher(const unsigned char* in, unsigned char* out, std::size_t length) {
  for (std::size_t done = 0; done < length; done += kKeyStreamChunk) {
    const std::size_t n = std::min(kKeyStreamChunk, length - done);
    ApplyKeyStream(in + done, out + done, n);
    AuthenticateUpdate(out + done, n);
  }
}

void Crypt::Decipher(const unsigned char* in, unsigned char* out, std::size_t length) {
  for (std::size_t done = 0; done < length; done += kKeyStreamChunk) {
    const std::size_t n = std::min(kKeyStreamChunk, length - done);
    AuthenticateUpdate(in + done, n);
    ApplyKeyStream(in + done, out + done, n);
  }
}

std::array<unsigned char, Crypt::kCodeLength> Crypt::AuthenticateFinal() {
  unsigned char full[EVP_MAX_MD_SIZE];
  std::size_t fullLength = 0;
  if (EVP_MAC_final(ssl_->hmac.get(), full, &fullLength, sizeof full) != 1 || fullLength < kCodeLength)
    OpenSslFailed("HMAC");
  std::array<unsigned char, kCodeLength> code{};
  std::copy_n(full, kCodeLength, code.begin());
  return code;
}

Encryption::Encryption(std::string_view passphrase, std::size_t bufferSize)
    : Encryption(passphrase, bufferSize, [](unsigned char* out, std::size_t n) {
        return RAND_bytes(out, static_cast<int>(n)) == 1;
      }) {}

Encryption::Encryption(std::string_view passphrase, std::size_t bufferSize, SaltSource salts)
    : Crypt(passphrase, bufferSize), salts_(std::move(salts)) {}

CipherResult Encryption::EncryptStream(std::istream& source, std::ostream& target) {
  if (source.fail()) return CipherResult::ReadError;
  if (!target) return CipherResult::WriteError;
  unsigned char salt[kMaxSalt];
  if (!salts_ || !salts_(salt, SaltLength())) throw std::runtime_error("no random salt could be drawn");
  const auto check = StartKeys(salt);
  target.write(reinterpret_cast<const char*>(salt), static_cast<std::streamsize>(SaltLength()));
  target.write(reinterpret_cast<const char*>(check.data()), kCheckLength);
  if (!target) return CipherResult::WriteError;

  unsigned char* const buffer = Buffer();
  const auto size = static_cast<std::streamsize>(BufferSize());
  for (;;) {
    const std::streamsize got = ReadInPieces(source, buffer, size, [this](unsigned char* piece, std::size_t n) {
      Encipher(piece, piece, n);
    });
    if (source.bad()) return CipherResult::ReadError;
    target.write(reinterpret_cast<const char*>(buffer), got);
    if (!target) return CipherResult::WriteError;
    if (got < size) break;
  }
  const auto code = AuthenticateFinal();
  target.write(reinterpret_cast<const char*>(code.data()), kCodeLength);
  target.flush();
  return target ? CipherResult::Ok : CipherResult::WriteError;
}

CipherResult Encryption::DecryptStream(std::istream& source, std::ostream& target, std::uint64_t length) {
  const std::size_t saltLength = SaltLength();
  if (source.fail()) return CipherResult::ReadError;
  // Too short to hold a salt and a check value: nothing can match.
  if (length < saltLength + kCheckLength) return CipherResult::PasswordCheckFailed;
  unsigned char header[kMaxSalt + kCheckLength];
  source.read(reinterpret_cast<char*>(header), static_cast<std::streamsize>(saltLength + kCheckLength));
  if (source.bad()) return CipherResult::ReadError;
  if (static_cast<std::size_t>(source.gcount()) < saltLength + kCheckLength) return CipherResult::PasswordCheckFailed;
  const auto check = StartKeys(header);
  if (CRYPTO_memcmp(check.data(), header + saltLength, kCheckLength) != 0) return CipherResult::PasswordCheckFailed;
  // A file without room for its code cannot be genuine; reading on would
  // take the code's bytes for text.
  if (length < saltLength + kCheckLength + kCodeLength) return CipherResult::AuthenticationFailed;

  unsigned char* const buffer = Buffer();
  std::uint64_t remaining = length - saltLength - kCheckLength - kCodeLength;
  do {
    const auto wanted = static_cast<std::streamsize>(std::min<std::uint64_t>(remaining, BufferSize()));
    const std::streamsize got = ReadInPieces(source, buffer, wanted, [this](unsigned char* piece, std::size_t n) {
      Decipher(piece, piece, n);
    });
    target.write(reinterpret_cast<const char*>(buffer), got);
    if (!target) return CipherResult::WriteError;
    // A source that ends early (shortened while read) must not be waited for.
    if (got < wanted) return CipherResult::ReadError;
    remaining -= static_cast<std::uint64_t>(got);
  } while (remaining > 0);

  unsigned char stored[kCodeLength];
  source.read(reinterpret_cast<char*>(stored), kCodeLength);
  if (source.gcount() < static_cast<std::streamsize>(kCodeLength)) return CipherResult::ReadError;
  const auto computed = AuthenticateFinal();
  target.flush();
  if (!target) return CipherResult::WriteError;
  return CRYPTO_memcmp(computed.data(), stored, kCodeLength) == 0 ? CipherResult::Ok
                                                                   : CipherResult::AuthenticationFailed;
}

Result<CipherResult> DecipherFile(const std::filesystem::path& source, const std::filesystem::path& target,
                                  std::string_view passphrase) {
  auto in = OpenSource(source);
  if (!in) return in.error();
  std::error_code ec;
  const std::uintmax_t length = std::filesystem::file_size(source, ec);
  if (ec) return FileFailure(ErrorKind::Unreadable, "Cannot read the file", source, ec.message());
  if (std::filesystem::equivalent(source, target, ec) && !ec)
    return FileFailure(ErrorKind::Unwritable, "Cannot create the file", target, "it is the file being deciphered");
  const bool targetExisted = std::filesystem::exists(target, ec);
  auto out = ReplacementFile::Open(target);
  if (!out) return out.error();
  Encryption crypt(passphrase, kTransferBufferSize);
  const CipherResult result = crypt.DecryptStream(*in, (*out)->stream(), length);
  // A failed authentication still delivers the text, as documented. A wrong
  // passphrase delivers nothing: an old target stays, a new one is empty.
  const bool deliver = result == CipherResult::Ok || result == CipherResult::AuthenticationFailed ||
                       (result == CipherResult::PasswordCheckFailed && !targetExisted);
  if (!deliver) return result;
  if (!(*out)->Commit()) return CipherResult::WriteError;
  return result;
}

Result<CipherResult> EncipherFile(const std::filesystem::path& source, const std::filesystem::path& target,
                                  std::string_view passphrase) {
  auto in = OpenSource(source);
  if (!in) return in.error();
  auto out = ReplacementFile::Open(target);
  if (!out) return out.error();
  Encryption crypt(passphrase, kTransferBufferSize);
  const CipherResult result = crypt.EncryptStream(*in, (*out)->stream());
  if (result != CipherResult::Ok) return result;
  if (!(*out)->Commit()) return CipherResult::WriteError;
  return CipherResult::Ok;
}

namespace {

// Whether the view lies in the string's storage, which writing the string
// would change under it.
bool Overlaps(std::string_view view, const std::string& text) {
  const std::less<const char*> before;
  return !view.empty() && !before(view.data(), text.data()) && before(view.data(), text.data() + text.size());
}

}  // namespace

CipherResult Encryption::EncryptBytes(std::string_view plain, std::string& enciphered) {
  if (Overlaps(plain, enciphered)) return EncryptBytes(std::string(plain), enciphered);
  const std::size_t saltLength = SaltLength();
  unsigned char salt[kMaxSalt];
  if (!salts_ || !salts_(salt, saltLength)) {
    enciphered.clear();
    throw std::runtime_error("no random salt could be drawn");
  }
  // Resized in place, so a caller that reuses the string reuses its memory.
  enciphered.resize(saltLength + kCheckLength + plain.size() + kCodeLength);
  auto* bytes = reinterpret_cast<unsigned char*>(enciphered.data());
  std::copy_n(salt, saltLength, bytes);
  const auto check = StartKeys(salt);
  std::copy(check.begin(), check.end(), bytes + saltLength);
  Encipher(reinterpret_cast<const unsigned char*>(plain.data()), bytes + saltLength + kCheckLength, plain.size());
  const auto code = AuthenticateFinal();
  std::copy(code.begin(), code.end(), bytes + saltLength + kCheckLength + plain.size());
  return CipherResult::Ok;
}

CipherResult Encryption::DecryptBytes(std::string_view enciphered, std::string& plain) {
  if (Overlaps(enciphered, plain)) return DecryptBytes(std::string(enciphered), plain);
  plain.clear();
  const std::size_t saltLength = SaltLength();
  const auto* bytes = reinterpret_cast<const unsigned char*>(enciphered.data());
  if (enciphered.size() < saltLength + kCheckLength) return CipherResult::PasswordCheckFailed;
  const auto check = StartKeys(bytes);
  if (CRYPTO_memcmp(check.data(), bytes + saltLength, kCheckLength) != 0) return CipherResult::PasswordCheckFailed;
  if (enciphered.size() < saltLength + kCheckLength + kCodeLength) return CipherResult::AuthenticationFailed;
  plain.resize(enciphered.size() - saltLength - kCheckLength - kCodeLength);
  Decipher(bytes + saltLength + kCheckLength, reinterpret_cast<unsigned char*>(plain.data()), plain.size());
  const auto computed = AuthenticateFinal();
  return CRYPTO_memcmp(computed.data(), bytes + enciphered.size() - kCodeLength, kCodeLength) == 0
             ? CipherResult::Ok
             : CipherResult::AuthenticationFailed;
}

namespace {

// Memory needs no transfer buffer of the file size; a small one will do.
constexpr std::size_t kMemoryBufferSize = kBlock;

}  // namespace

CipherResult DecipherBytes(std::string_view enciphered, std::string& plain, std::string_view passphrase) {
  return Encryption(passphrase, kMemoryBufferSize).DecryptBytes(enciphered, plain);
}

CipherResult EncipherBytes(std::string_view plain, std::string& enciphered, std::string_view passphrase) {
  return Encryption(passphrase, kMemoryBufferSize).EncryptBytes(plain, enciphered);
}

}  // namespace velmora

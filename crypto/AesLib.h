#pragma once
// The settings-file cipher: PBKDF2-HMAC-SHA1 keys, AES in a little-endian
// counter mode, a two-byte password check and a ten-byte HMAC-SHA1 code,
// laid out as the AES encryption of ZIP archives (without archive headers):
//   salt (S bytes) | password check (2) | cipher text (N) | code (10)

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/Result.h"

namespace velmora {

// The passphrase every brand-settings file is enciphered with.
inline constexpr std::string_view kSettingsPassphrase = "qbxwrnmzte";
// The file operations stream through one buffer of this size.
inline constexpr std::size_t kTransferBufferSize = 0x40000;

enum class CipherResult {
  Ok,
  PasswordCheckFailed,   // wrong passphrase or damaged header; nothing was written
  AuthenticationFailed,  // damaged or altered; the deciphered text was written all the same
  ReadError,             // the source failed or ended before its announced length
  WriteError,
};

// Cipher state shared by enciphering and deciphering: the passphrase and
// the key-size mode it selects, the transfer buffer, the AES key, the
// counter and key stream, and the running HMAC. Not copyable; key material
// is wiped when the object goes.
class Crypt {
public:
  // Longest passphrase accepted, in bytes.
  static constexpr std::size_t kMaxPassphrase = 128;
  static constexpr std::size_t kCheckLength = 2;
  static constexpr std::size_t kCodeLength = 10;

  Crypt(const Crypt&) = delete;
  Crypt& operator=(const Crypt&) = delete;

  // 1 (AES-128), 2 (AES-192) or 3 (AES-256), chosen by the passphrase length.
  int Mode() const { return mode_; }
  std::size_t KeyLength() const;
  std::size_t SaltLength() const;
  std::size_t BufferSize() const { return buffer_.size(); }

protected:
  // Throws std::invalid_argument for a passphrase over kMaxPassphrase bytes
  // or an empty buffer.
  Crypt(std::string_view passphrase, std::size_t bufferSize);
  ~Crypt();

  // Derives the keys for this salt (SaltLength() bytes), resets the counter,
  // key stream and HMAC, and returns the password check value.
  std::array<unsigned char, kCheckLength> StartKeys(const unsigned char* salt);
  // Turn text into cipher text and back (out may be in), feeding the cipher
  // text to the HMAC. Key-stream position and HMAC state carry over calls.
  void Encipher(const unsigned char* in, unsigned char* out, std::size_t length);
  void Decipher(const unsigned char* in, unsigned char* out, std::size_t length);
  std::array<unsigned char, kCodeLength> AuthenticateFinal();

  unsigned char* Buffer() { return buffer_.data(); }

private:
  struct OpenSslState;

  void RefillKeyStream(std::size_t wanted);
  void ApplyKeyStream(const unsigned char* in, unsigned char* out, std::size_t length);
  void AuthenticateUpdate(const unsigned char* data, std::size_t length);

  std::string passphrase_;
  int mode_;
  std::vector<unsigned char> buffer_;
  std::unique_ptr<OpenSslState> ssl_;
  std::uint64_t counter_ = 0;
  // Counter blocks for one chunk of key stream; their upper halves stay zero.
  std::vector<unsigned char> counterBlocks_;
  // Key-stream bytes made ahead, a chunk at a time.
  std::vector<unsigned char> keyStream_;
  std::size_t keyStreamUsed_ = 0;
  std::size_t keyStreamEnd_ = 0;
};

// Fills out with n unpredictable bytes; false when the generator fails.
using SaltSource = std::function<bool(unsigned char* out, std::size_t n)>;

// The stream operations. Each object serves one operation.
class Encryption : public Crypt {
public:
  // Salts come from OpenSSL's generator.
  Encryption(std::string_view passphrase, std::size_t bufferSize);
  // Salts come from the given source (tests reproduce files with a fixed salt).
  Encryption(std::string_view passphrase, std::size_t bufferSize, SaltSource salts);

  // Enciphers everything from the source's position to its end and writes
  // salt, check value, cipher text and code to the target. Throws
  // std::runtime_error when no salt can be had.
  [[nodiscard]] CipherResult EncryptStream(std::istream& source, std::ostream& target);
  // Deciphers `length` enciphered bytes from the source's position. The
  // plain text is written as it is deciphered, so it reaches the target even
  // when the authentication then fails; a failed password check writes nothing.
  [[nodiscard]] CipherResult DecryptStream(std::istream& source, std::ostream& target, std::uint64_t length);
  // The same over memory, without a stream in between; the results are those
  // of the stream operations.
  [[nodiscard]] CipherResult EncryptBytes(std::string_view plain, std::string& enciphered);
  [[nodiscard]] CipherResult DecryptBytes(std::string_view enciphered, std::string& plain);

private:
  SaltSource salts_;
};

// Deciphers `source` beside `target` and renames it over the target when
// the text is complete (also when only the authentication failed), so a
// failure or a kill keeps the old target; a wrong passphrase leaves an old
// target alone and creates a missing one empty. A file error when the
// source cannot be opened, the target is refused or cannot be created, or
// both are the same file; else how the cipher went.
Result<CipherResult> DecipherFile(const std::filesystem::path& source, const std::filesystem::path& target,
                                        std::string_view passphrase = kSettingsPassphrase);
// Enciphers `source` beside `target` and renames it over the target only
// when complete, so a failure keeps the old target. A file error when the
// source cannot be opened or nothing can be created beside the target; else
// how the cipher went.
Result<CipherResult> EncipherFile(const std::filesystem::path& source, const std::filesystem::path& target,
                                        std::string_view passphrase = kSettingsPassphrase);

// The same in memory, for callers that must not leave a plain copy on disk.
[[nodiscard]] CipherResult DecipherBytes(std::string_view enciphered, std::string& plain,
                                         std::string_view passphrase = kSettingsPassphrase);
[[nodiscard]] CipherResult EncipherBytes(std::string_view plain, std::string& enciphered,
                                         std::string_view passphrase = kSettingsPassphrase);

}  // namespace velmora

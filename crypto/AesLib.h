#pragma once
// The settings-file cipher: PBKDF2-HMAC-SHA1 keys, AES in a little-endian
// counter mode, a two-byte password check and a ten-byte HMAC-SHA1 code,
// laid out as the AES encryption of ZIP archives (without archive headers):
//   salt (S bytes) | password check (2) | cipher text (N) | code (10)

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <string>
#include <string_view>

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

// CLASS DECLARATIONS OF TCrypt AND TEncryption: see the implementation task.

// Deciphers `source` into `target` (created or emptied). Throws FileError
// when the source cannot be opened or the target cannot be created.
[[nodiscard]] CipherResult DecipherFile(const std::filesystem::path& source, const std::filesystem::path& target,
                                        std::string_view passphrase = kSettingsPassphrase);
[[nodiscard]] CipherResult EncipherFile(const std::filesystem::path& source, const std::filesystem::path& target,
                                        std::string_view passphrase = kSettingsPassphrase);

// The same in memory, for callers that must not leave a plain copy on disk.
[[nodiscard]] CipherResult DecipherBytes(std::string_view enciphered, std::string& plain,
                                         std::string_view passphrase = kSettingsPassphrase);
[[nodiscard]] CipherResult EncipherBytes(std::string_view plain, std::string& enciphered,
                                         std::string_view passphrase = kSettingsPassphrase);

}  // namespace velmora

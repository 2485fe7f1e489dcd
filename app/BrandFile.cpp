#include "app/BrandFile.h"

#include <filesystem>
#include <system_error>

#include "app/Utils.h"
#include "crypto/AesLib.h"

namespace velmora {

namespace {

namespace fs = std::filesystem;

// A brand file holds text only; anything near this size is not one of ours.
constexpr std::size_t kMaxBrandFileBytes = std::size_t{64} << 20;

// An older program left its plain copy beside the enciphered file; it must
// not outlive a read. Only files go: a folder of that name is someone else's.
void RemoveStrayPlainCopy(const fs::path& plainCopy) {
  std::error_code ignored;
  const fs::file_status status = fs::symlink_status(plainCopy, ignored);
  if (fs::exists(status) && !fs::is_directory(status)) fs::remove(plainCopy, ignored);
}

}  // namespace

BrandFileContent ReadBrandFile(const std::filesystem::path& programFolder) {
  const fs::path& folder = programFolder;
  const fs::path enciphered = folder / kBrandFileName;
  std::error_code ec;
  if (!fs::exists(enciphered, ec)) return {BrandFileStatus::Missing, {}};
  RemoveStrayPlainCopy(folder / kBrandPlainCopyName);

  const auto bytes = ReadWholeFile(enciphered, kMaxBrandFileBytes);
  // Unreadable settings dress nothing, like settings that fail the check.
  if (!bytes) return {BrandFileStatus::Failed, {}};
  std::string plain;
  // A file that fails authentication was damaged or altered after it was
  // made: its text is not trusted, not even in part.
  if (DecipherBytes(*bytes, plain) != CipherResult::Ok) return {BrandFileStatus::Failed, {}};
  return {BrandFileStatus::Ok, SplitLines(plain)};
}

Result<void> WriteBrandFile(const std::filesystem::path& programFolder, const Lines& lines) {
  const fs::path target = programFolder / kBrandFileName;
  std::string enciphered;
  if (EncipherBytes(JoinLines(lines), enciphered) != CipherResult::Ok)
    return FileFailure(ErrorKind::Invalid, "Cannot encipher the file", target, "the cipher failed");
  return WriteFileAtomic(target, enciphered);
}

}  // namespace velmora

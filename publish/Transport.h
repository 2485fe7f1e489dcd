#pragma once
// What publishing needs of a file server, whatever its protocol. Paths are
// relative to the target's folder and use "/". Every call may fail with the
// server's own words; none throws.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "app/Result.h"

namespace velmora {

// After each piece of an upload, the bytes sent so far; false stops it.
using UploadProgress = std::function<bool(std::uint64_t sent)>;

class PublishTransport {
public:
  virtual ~PublishTransport() = default;
  // Connects and logs in. Invalid: the host was not trusted (an unknown or
  // changed key, a certificate that does not verify); other kinds: it
  // could not be reached or refused the login.
  virtual Result<void> Connect() = 0;
  // The file's bytes, or nothing when there is no such file; TooLarge over maxBytes.
  virtual Result<std::optional<std::string>> Read(const std::string& path, std::size_t maxBytes) = 0;
  // Writes the file at `path`, replacing one there. Nothing may go on for
  // the stall timeout without progress.
  virtual Result<void> Upload(const std::string& path, std::string_view bytes, const UploadProgress& progress) = 0;
  virtual Result<std::uint64_t> SizeOf(const std::string& path) = 0;
  // Puts `from` in place of `to` at once, replacing it.
  virtual Result<void> Rename(const std::string& from, const std::string& to) = 0;
  virtual Result<void> Remove(const std::string& path) = 0;
  // Makes the folder; one that exists is fine.
  virtual Result<void> MakeFolder(const std::string& path) = 0;
};

}  // namespace velmora

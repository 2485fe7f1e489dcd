#pragma once
// Publishing over SFTP with libssh, whose rename replaces an existing file
// at once (OpenSSH's posix-rename), so a visitor never finds the page gone.

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "publish/PublishTarget.h"
#include "publish/Transport.h"

namespace velmora {

struct SftpLogin {
  std::string password;                      // or the key's passphrase with an identity
  std::optional<std::filesystem::path> identity;  // a private key file
  std::filesystem::path knownHosts;          // the keys accepted for each target, pinned
  std::string acceptedKey;                   // "SHA256:..." the user accepted for an unknown host
  int stallSeconds = 30;
};

class SftpTransport final : public PublishTransport {
public:
  SftpTransport(PublishTarget target, SftpLogin login);
  ~SftpTransport() override;

  Result<void> Connect() override;
  Result<std::optional<std::string>> Read(const std::string& path, std::size_t maxBytes) override;
  Result<void> Upload(const std::string& path, std::string_view bytes, const UploadProgress& progress) override;
  Result<std::uint64_t> SizeOf(const std::string& path) override;
  Result<void> Rename(const std::string& from, const std::string& to) override;
  Result<void> Remove(const std::string& path) override;
  Result<void> MakeFolder(const std::string& path) override;

  // The host's key once connected (also when it was refused): "SHA256:" and
  // the unpadded base64 of the key's SHA-256, as OpenSSH shows it.
  const std::string& HostKey() const { return hostKey_; }

private:
  std::string Remote(const std::string& path) const;
  Error SftpError(const std::string& what) const;

  PublishTarget target_;
  SftpLogin login_;
  std::string hostKey_;
  struct Session;
  std::unique_ptr<Session> session_;
};

// The key pinned for "host:port" in a known-hosts file of ours, if any; a
// file that cannot be read is an error, never "no pin".
Result<std::optional<std::string>> PinnedKey(const std::filesystem::path& knownHosts, const std::string& hostPort);
// Adds or replaces the pin.
Result<void> PinKey(const std::filesystem::path& knownHosts, const std::string& hostPort, const std::string& key);

}  // namespace velmora

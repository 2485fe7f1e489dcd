#pragma once
// Publishing over FTP with libcurl: explicit TLS (the default), implicit TLS
// or, after the user was warned, plain FTP; always passive. TLS stays at 1.2:
// with curl 7.88 against vsftpd, resumed TLS 1.3 sessions lost uploads while
// reporting success.

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "publish/PublishTarget.h"
#include "publish/Transport.h"

namespace velmora {

struct FtpLogin {
  std::string password;
  std::optional<std::filesystem::path> caFile;  // certificates to trust besides the system's
  // "sha256//<base64>" of a certificate's public key the user accepted for
  // this target (a self-signed one): that key is trusted instead of a chain.
  std::string pinnedKey;
  int stallSeconds = 30;
};

class FtpTransport final : public PublishTransport {
public:
  FtpTransport(PublishTarget target, FtpLogin login);
  ~FtpTransport() override;

  Result<void> Connect() override;
  Result<std::optional<std::string>> Read(const std::string& path, std::size_t maxBytes) override;
  Result<void> Upload(const std::string& path, std::string_view bytes, const UploadProgress& progress) override;
  Result<std::uint64_t> SizeOf(const std::string& path) override;
  Result<void> Rename(const std::string& from, const std::string& to) override;
  Result<void> Remove(const std::string& path) override;
  Result<void> MakeFolder(const std::string& path) override;

  // After a refused certificate: its public key as "sha256//<base64>", for
  // the user to compare and accept (empty when none was seen).
  const std::string& RefusedKey() const { return refusedKey_; }

private:
  struct Handle;
  std::string Url(const std::string& path) const;
  std::string CommandPath(const std::string& path) const;
  void Prepare(Handle& handle) const;
  Result<void> Commands(const std::vector<std::string>& commands, const std::string& what);
  Result<void> Perform(Handle& handle, const std::string& what);
  std::string ServerKey();

  PublishTarget target_;
  FtpLogin login_;
  std::string refusedKey_;
  std::unique_ptr<Handle> handle_;
};

}  // namespace velmora

#pragma once
// A logged-in transport for a target, whatever its protocol, with the
// target's trust: an SFTP host key or an FTPS certificate key seen for the
// first time is pinned once the user accepted what was shown.

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "publish/PublishTarget.h"
#include "publish/Publisher.h"
#include "publish/Transport.h"

namespace velmora {

struct PublishLogin {
  std::string password;                           // or an SFTP key's passphrase
  std::optional<std::filesystem::path> identity;  // an SFTP private key
  std::optional<std::filesystem::path> caFile;    // FTPS: certificates to trust besides the system's
  std::filesystem::path knownHosts;               // where accepted keys are pinned
  std::string acceptedKey;                        // what the user accepted after seeing it
};

// Why a host was not trusted, for the caller to act on.
struct PublishTrust {
  bool refused = false;    // an unknown or changed key, a certificate that does not verify
  std::string unknownKey;  // the key to show when the host was never seen (not when its key changed)
};

// Invalid, with `trust` filled in, when the host is not trusted.
Result<std::unique_ptr<PublishTransport>> ConnectTransport(const PublishTarget& target, const PublishLogin& login,
                                                           PublishTrust* trust = nullptr);

// Connects, refuses to replace a page of that name that another project
// made unless `overwrite` (Invalid, `trust` untouched), and publishes.
Result<PublishSummary> PublishPageTo(const PublishTarget& target, const PublishLogin& login,
                                     const std::vector<PublishFile>& files, const std::string& pageName,
                                     const std::string& owner, bool overwrite, const PublishOptions& options,
                                     PublishTrust* trust = nullptr);

// "Test connection": logs in, writes a probe file, checks its size and deletes it.
Result<void> TestPublishTarget(const PublishTarget& target, const PublishLogin& login,
                               PublishTrust* trust = nullptr);

}  // namespace velmora

#pragma once
// Where publishing passwords are kept: the desktop's keyring, never a file
// of ours. The program hands in a QtKeychain adapter (platform/), the tests
// a fake.

#include <optional>
#include <string>

#include "app/Result.h"
#include "publish/PublishTarget.h"
#include "publish/Transport.h"

namespace velmora {

class SecretStore {
public:
  virtual ~SecretStore() = default;
  // The secret kept under `key`, or nothing. Unreadable when no keyring answers.
  virtual Result<std::optional<std::string>> Read(const std::string& key) = 0;
  virtual Result<void> Write(const std::string& key, const std::string& secret) = 0;
  virtual Result<void> Forget(const std::string& key) = 0;
};

// The key a target's password is kept under: its address, which names the
// protocol, account, host and port.
std::string SecretKeyOf(const PublishTarget& target);

}  // namespace velmora

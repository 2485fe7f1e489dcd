#pragma once
// Publishing passwords in the desktop's keyring through QtKeychain. Its
// plain-text fallback stays off: without a keyring, nothing is kept.

#include <QString>

#include "publish/SecretStore.h"

namespace velmora {

class KeychainSecrets final : public SecretStore {
public:
  explicit KeychainSecrets(QString service);
  Result<std::optional<std::string>> Read(const std::string& key) override;
  Result<void> Write(const std::string& key, const std::string& secret) override;
  Result<void> Forget(const std::string& key) override;

private:
  QString service_;
};

}  // namespace velmora

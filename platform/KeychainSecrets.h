#pragma once
// Publishing passwords in the desktop's keyring through QtKeychain. Its
// plain-text fallback stays off: without a keyring, nothing is kept.

#include <QString>

#include "publish/SecretStore.h"

namespace velmora {

// The keyring service publishing passwords are kept under: the window and
// velmora-tool publish find each other's.
inline constexpr char kPublishingKeyringService[] = "Velmora publishing";

class KeychainSecrets final : public SecretStore {
public:
  explicit KeychainSecrets(QString service = QString::fromLatin1(kPublishingKeyringService));
  Result<std::optional<std::string>> Read(const std::string& key) override;
  Result<void> Write(const std::string& key, const std::string& secret) override;
  Result<void> Forget(const std::string& key) override;

private:
  QString service_;
};

}  // namespace velmora

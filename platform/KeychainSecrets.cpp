#include "platform/KeychainSecrets.h"

#include <QEventLoop>
#include <qt6keychain/keychain.h>

#include "platform/QtText.h"

namespace velmora {

namespace {

// Runs a job to its end; the keyring may ask the user meanwhile.
void RunJob(QKeychain::Job& job) {
  job.setAutoDelete(false);
  job.setInsecureFallback(false);
  QEventLoop loop;
  QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
  job.start();
  loop.exec();
}

Error KeyringError(const QKeychain::Job& job) {
  return Error{ErrorKind::Unreadable, "The desktop's keyring did not answer: " + FromQString(job.errorString())};
}

}  // namespace

KeychainSecrets::KeychainSecrets(QString service) : service_(std::move(service)) {}

Result<std::optional<std::string>> KeychainSecrets::Read(const std::string& key) {
  QKeychain::ReadPasswordJob job(service_);
  job.setKey(ToQString(key));
  RunJob(job);
  if (job.error() == QKeychain::EntryNotFound) return std::optional<std::string>();
  if (job.error() != QKeychain::NoError) return KeyringError(job);
  return std::optional<std::string>(FromQString(job.textData()));
}

Result<void> KeychainSecrets::Write(const std::string& key, const std::string& secret) {
  QKeychain::WritePasswordJob job(service_);
  job.setKey(ToQString(key));
  job.setTextData(ToQString(secret));
  RunJob(job);
  if (job.error() != QKeychain::NoError) return KeyringError(job);
  return {};
}

Result<void> KeychainSecrets::Forget(const std::string& key) {
  QKeychain::DeletePasswordJob job(service_);
  job.setKey(ToQString(key));
  RunJob(job);
  if (job.error() != QKeychain::NoError && job.error() != QKeychain::EntryNotFound) return KeyringError(job);
  return {};
}

}  // namespace velmora

#pragma once
// "Publish…": pick or add one of the project's targets, test it, and send
// the page with its pictures there, with progress and Cancel. The work runs
// off the window's thread; questions go through the message port.

#include <QDialog>
#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/Ports.h"
#include "publish/ConnectTransport.h"
#include "publish/PublishTarget.h"
#include "publish/Publisher.h"
#include "publish/SecretStore.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace velmora {

// What the dialog publishes and where its answers go.
struct PublishSetup {
  std::vector<PublishTarget> targets;
  std::function<void(const std::vector<PublishTarget>&)> saveTargets;  // into the project
  // The page's files as they are published (its pictures first), made when publishing starts.
  std::function<Result<std::vector<PublishFile>>()> files;
  std::string pageName;
  std::string owner;  // the project's page id
  std::filesystem::path knownHosts;
  MessagePort* messages = nullptr;
  SecretStore* secrets = nullptr;  // none: the password is asked for each time
  HttpClient* http = nullptr;      // checks the public address afterwards
};

class PublishDialog : public QDialog {
  Q_OBJECT

public:
  explicit PublishDialog(PublishSetup setup, QWidget* parent = nullptr);
  ~PublishDialog() override;

  // True while a test or a publish runs.
  bool Busy() const { return worker_.joinable(); }

signals:
  // A test or publish ended; `ok` tells how.
  void finished(bool ok);

private:
  enum class Job { Test, Publish };
  void ShowTarget(int index);
  std::optional<PublishTarget> EditedTarget();
  void Start(Job job, const std::string& acceptedKey = {});
  void Ended(Job job, Result<PublishSummary> result, PublishTrust trust, PublishTarget target, std::string password,
             std::vector<PublishFile> files);
  void CheckPublicAddress(const PublishTarget& target, const std::string& page);
  std::string Password(const PublishTarget& target);
  void SetBusy(bool busy);

  PublishSetup setup_;
  QComboBox* choice_ = nullptr;
  QLineEdit* name_ = nullptr;
  QLineEdit* address_ = nullptr;
  QLineEdit* publicAddress_ = nullptr;
  QLineEdit* identity_ = nullptr;
  QLineEdit* password_ = nullptr;
  QCheckBox* remember_ = nullptr;
  QPushButton* test_ = nullptr;
  QPushButton* publish_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QLabel* status_ = nullptr;
  std::thread worker_;
  std::shared_ptr<std::atomic<bool>> cancelled_ = std::make_shared<std::atomic<bool>>(false);
  bool keyringSilent_ = false;  // told once that no keyring answers
};

}  // namespace velmora

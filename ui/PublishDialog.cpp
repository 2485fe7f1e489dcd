#include "ui/PublishDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "generator/PageGenerator.h"
#include "platform/QtText.h"
#include "publish/PublishModule.h"
#include "ui/Modules.h"
#include "ui/pages/PageParts.h"

namespace velmora {

namespace {

std::string Plural(std::size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

PublishDialog::PublishDialog(PublishSetup setup, QWidget* parent) : QDialog(parent), setup_(std::move(setup)) {
  setObjectName(QStringLiteral("publishDialog"));
  setWindowTitle(QStringLiteral("Publish"));
  choice_ = Named(new QComboBox(this), QStringLiteral("publishTargetChoice"));
  auto* add = Named(new QPushButton(QStringLiteral("&Add target"), this), QStringLiteral("addTargetButton"));
  name_ = Named(new QLineEdit(this), QStringLiteral("publishTargetName"));
  address_ = Named(new QLineEdit(this), QStringLiteral("publishAddress"));
  address_->setPlaceholderText(QStringLiteral("sftp://user@host/folder/  or  ftps://user@host/folder/"));
  publicAddress_ = Named(new QLineEdit(this), QStringLiteral("publishPublicAddress"));
  publicAddress_->setPlaceholderText(QStringLiteral("https://www.example.com/offer.htm (optional)"));
  identity_ = Named(new QLineEdit(this), QStringLiteral("publishIdentity"));
  identity_->setPlaceholderText(QStringLiteral("SFTP key file (optional)"));
  password_ = Named(new QLineEdit(this), QStringLiteral("publishPassword"));
  password_->setEchoMode(QLineEdit::Password);
  remember_ = Named(new QCheckBox(QStringLiteral("&Remember in the desktop's keyring (else asked every time)"), this),
                    QStringLiteral("publishRemember"));
  remember_->setEnabled(setup_.secrets != nullptr);
  test_ = Named(new QPushButton(QStringLiteral("&Test connection"), this), QStringLiteral("testConnectionButton"));
  publish_ = Named(new QPushButton(QStringLiteral("&Publish"), this), QStringLiteral("publishButton"));
  cancel_ = Named(new QPushButton(QStringLiteral("Cancel"), this), QStringLiteral("cancelPublishButton"));
  cancel_->setEnabled(false);
  auto* close = Named(new QPushButton(QStringLiteral("Close"), this), QStringLiteral("closePublishButton"));
  progress_ = Named(new QProgressBar(this), QStringLiteral("publishProgress"));
  progress_->setRange(0, 1000);
  progress_->setValue(0);
  status_ = Named(new QLabel(this), QStringLiteral("publishStatus"));
  status_->setWordWrap(true);
  // Room for a summary and the public address's check, so that the buttons stay put.
  status_->setMinimumHeight(status_->fontMetrics().lineSpacing() * 3);
  status_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  auto* form = new QFormLayout;
  auto* targetRow = new QHBoxLayout;
  targetRow->addWidget(choice_, 1);
  targetRow->addWidget(add);
  form->addRow(QStringLiteral("Target:"), targetRow);
  form->addRow(QStringLiteral("Name:"), name_);
  form->addRow(QStringLiteral("Address:"), address_);
  form->addRow(QStringLiteral("Public address:"), publicAddress_);
  form->addRow(QStringLiteral("Key file:"), identity_);
  form->addRow(QStringLiteral("Password:"), password_);
  form->addRow(QString(), remember_);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(test_);
  buttons->addWidget(publish_);
  buttons->addWidget(cancel_);
  buttons->addStretch(1);
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(progress_);
  layout->addWidget(status_);
  layout->addLayout(buttons);

  for (const PublishTarget& target : setup_.targets) choice_->addItem(ToQString(target.name));
  if (setup_.targets.empty()) {
    PublishTarget production;
    production.name = "production";
    setup_.targets.push_back(production);
    choice_->addItem(QStringLiteral("production"));
  }
  connect(choice_, &QComboBox::currentIndexChanged, this, &PublishDialog::ShowTarget);
  connect(add, &QPushButton::clicked, this, [this] {
    const std::string name = "target " + std::to_string(setup_.targets.size() + 1);
    PublishTarget added;
    added.name = name;
    setup_.targets.push_back(added);
    choice_->addItem(ToQString(name));
    choice_->setCurrentIndex(choice_->count() - 1);
  });
  connect(test_, &QPushButton::clicked, this, [this] { Start(Job::Test); });
  connect(publish_, &QPushButton::clicked, this, [this] { Start(Job::Publish); });
  connect(cancel_, &QPushButton::clicked, this, [this] {
    *cancelled_ = true;
    status_->setText(QStringLiteral("Cancelling; the server keeps the page it had…"));
  });
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  ShowTarget(0);
}

PublishDialog::~PublishDialog() {
  *cancelled_ = true;
  if (worker_.joinable()) worker_.join();
}

void PublishDialog::ShowTarget(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= setup_.targets.size()) return;
  const PublishTarget& target = setup_.targets[static_cast<std::size_t>(index)];
  name_->setText(ToQString(target.name));
  address_->setText(target.host.empty() ? QString() : ToQString(PublishAddressOf(target)));
  publicAddress_->setText(ToQString(target.publicAddress));
  identity_->setText(ToQString(target.identity));
  password_->clear();
}

std::optional<PublishTarget> PublishDialog::EditedTarget() {
  auto target = ParsePublishAddress(FromQString(address_->text().trimmed()));
  if (!target) {
    setup_.messages->ShowMessage(MessageKind::Warning, target.error().message);
    return std::nullopt;
  }
  target->name = FromQString(name_->text().trimmed());
  if (target->name.empty()) target->name = target->host;
  target->publicAddress = FromQString(publicAddress_->text().trimmed());
  if (target->protocol == PublishProtocol::Sftp) target->identity = FromQString(identity_->text().trimmed());
  const auto index = static_cast<std::size_t>(std::max(0, choice_->currentIndex()));
  setup_.targets[index] = *target;
  choice_->setItemText(static_cast<int>(index), ToQString(target->name));
  if (setup_.saveTargets) setup_.saveTargets(setup_.targets);
  return std::move(*target);
}

std::string PublishDialog::Password(const PublishTarget& target) {
  if (!password_->text().isEmpty()) return FromQString(password_->text());
  if (!setup_.secrets || keyringSilent_) return {};
  auto kept = setup_.secrets->Read(SecretKeyOf(target));
  if (!kept) {
    keyringSilent_ = true;
    remember_->setChecked(false);
    remember_->setEnabled(false);
    setup_.messages->ShowMessage(MessageKind::Information,
                                 kept.error().message + "\nThe password is asked for each time and never kept.");
    return {};
  }
  if (*kept) remember_->setChecked(true);
  return kept->value_or("");
}

void PublishDialog::SetBusy(bool busy) {
  test_->setEnabled(!busy);
  publish_->setEnabled(!busy);
  cancel_->setEnabled(busy);
}

void PublishDialog::Start(Job job, const std::string& acceptedKey) {
  if (worker_.joinable()) return;
  const auto target = EditedTarget();
  if (!target) return;
  if (target->protocol == PublishProtocol::Ftp && acceptedKey.empty() &&
      !setup_.messages->AskOkCancel(MessageKind::Warning,
                                    "Plain FTP sends your password and the page unencrypted: anyone on the way "
                                    "can read them. Use FTPS (ftps://) where your host offers it.\nContinue with "
                                    "plain FTP?",
                                    DefaultButton::Cancel))
    return;
  QString missing;
  const auto calls = ResolveModule<PublishCallsFunction>(kPublishModuleName, kPublishCallsSymbol, &missing);
  if (!calls) {
    setup_.messages->ShowMessage(MessageKind::Error,
                                 "Publishing is not available in this copy: " + missing.toStdString());
    return;
  }
  const PublishCalls publishing = *calls();
  std::vector<PublishFile> files;
  if (job == Job::Publish) {
    auto made = setup_.files();
    if (!made) {
      setup_.messages->ShowMessage(MessageKind::Error, made.error().message);
      return;
    }
    files = std::move(*made);
  }
  PublishLogin login;
  login.password = Password(*target);
  if (!target->identity.empty()) login.identity = target->identity;
  login.knownHosts = setup_.knownHosts;
  login.acceptedKey = acceptedKey;
  *cancelled_ = false;
  SetBusy(true);
  progress_->setValue(0);
  status_->setText(job == Job::Test ? QStringLiteral("Connecting…") : QStringLiteral("Publishing…"));

  QPointer<PublishDialog> self(this);
  const auto post = [self](std::function<void(PublishDialog&)> what) {
    QMetaObject::invokeMethod(
        self.data(), [self, what = std::move(what)] { if (self) what(*self); }, Qt::QueuedConnection);
  };
  worker_ = std::thread([this, job, target = *target, login, files = std::move(files), post, publishing,
                         cancelled = cancelled_]() mutable {
    PublishTrust trust;
    Result<PublishSummary> result = PublishSummary{};
    if (job == Job::Test) {
      auto tested = publishing.testTarget(target, login, &trust);
      if (!tested) result = tested.error();
    } else {
      PublishOptions options;
      options.cancelled = [cancelled] { return cancelled->load(); };
      options.progress = [post](const PublishProgress& now) {
        post([now](PublishDialog& dialog) {
          dialog.progress_->setValue(now.total == 0 ? 1000 : static_cast<int>(now.sent * 1000 / now.total));
          dialog.status_->setText(ToQString("File " + std::to_string(now.index) + " of " +
                                            std::to_string(now.count) + ", " + now.path + ": " +
                                            std::to_string(now.sent) + " of " + std::to_string(now.total) +
                                            " bytes"));
        });
      };
      options.stepDone = [post](const PublishStep& step) {
        post([step](PublishDialog& dialog) {
          dialog.status_->setText(ToQString("File " + std::to_string(step.index) + " of " +
                                            std::to_string(step.count) + ": " +
                                            (step.what == PublishStep::What::Sent ? "sent " : "deleted ") + step.path));
        });
      };
      result = publishing.publishPage(target, login, files, setup_.pageName, setup_.owner, false, options, &trust);
    }
    post([job, result = std::move(result), trust, target, password = login.password,
          files = std::move(files)](PublishDialog& dialog) mutable {
      dialog.worker_.join();
      dialog.Ended(job, std::move(result), trust, target, password, std::move(files));
    });
  });
}

void PublishDialog::Ended(Job job, Result<PublishSummary> result, PublishTrust trust, PublishTarget target,
                          std::string password, std::vector<PublishFile> files) {
  SetBusy(false);
  if (!result && *cancelled_) {
    // The user asked for it; the status says what became of the server.
    progress_->setValue(0);
    status_->setText(QStringLiteral("Cancelled: the server keeps the page it had."));
    emit finished(false);
    return;
  }
  if (!result) {
    status_->setText(QStringLiteral("The server keeps the page it had."));
    if (!trust.unknownKey.empty()) {
      status_->setText(QStringLiteral("First contact with this host: compare its key before you accept it."));
      const std::string seen =
          target.protocol == PublishProtocol::Sftp
              ? "This is the first connection to " + target.host + ". The SHA-256 fingerprint of its key is\n"
              : "The certificate of " + target.host + " is not vouched for by this computer's trusted "
                "authorities (it may be self-signed). The SHA-256 fingerprint of its key is\n";
      if (setup_.messages->AskOkCancel(
              MessageKind::Warning,
              seen + trust.unknownKey +
                  "\nAccept it only if your host's owner confirms this fingerprint. It is then kept for this "
                  "target, and a different key is refused.",
              DefaultButton::Cancel))
        Start(job, trust.unknownKey);
      return;
    }
    setup_.messages->ShowMessage(trust.refused ? MessageKind::Warning : MessageKind::Error, result.error().message);
    emit finished(false);
    return;
  }
  if (setup_.secrets && !keyringSilent_ && !password.empty()) {
    auto kept = remember_->isChecked() ? setup_.secrets->Write(SecretKeyOf(target), password)
                                       : setup_.secrets->Forget(SecretKeyOf(target));
    if (!kept) {
      keyringSilent_ = true;
      setup_.messages->ShowMessage(MessageKind::Information,
                                   kept.error().message + "\nThe password is asked for each time and never kept.");
    }
  }
  progress_->setValue(1000);
  if (job == Job::Test) {
    status_->setText(QStringLiteral("The connection works: a test file was written and deleted."));
    setup_.messages->ShowMessage(MessageKind::Done, "The connection to " + PublishAddressOf(target) +
                                                               " works: a test file was written and deleted.");
    emit finished(true);
    return;
  }
  const std::string summary = "Published to " + PublishAddressOf(target) + ": " +
                              Plural(result->plan.send.size(), "file sent", "files sent") + ", " +
                              Plural(result->plan.remove.size(), "file deleted", "files deleted") + ".";
  status_->setText(ToQString(summary));
  setup_.messages->ShowMessage(MessageKind::Done, summary);
  if (!target.publicAddress.empty() && !files.empty()) CheckPublicAddress(target, files.back().bytes);
  emit finished(true);
}

void PublishDialog::CheckPublicAddress(const PublishTarget& target, const std::string& page) {
  if (!setup_.http) return;
  QPointer<PublishDialog> self(this);
  status_->setText(status_->text() + QStringLiteral("\nChecking ") + ToQString(target.publicAddress) +
                   QStringLiteral("…"));
  setup_.http->Get(target.publicAddress, kMaxPageBytes + 4096,
                   [self, summary = status_->text().section(QLatin1Char('\n'), 0, 0),
                    address = target.publicAddress, page](HttpResult reply) {
    if (!self) return;
    // The summary of the publish stays; the check's finding goes under it.
    const std::string finding =
        reply.ok() && reply.body == page
            ? address + " serves the new page."
            : address + " does not serve the new page yet (" +
                  (reply.ok() ? std::string("it answers with another page; a cache may hold the old one")
                              : reply.reason) +
                  ").";
    self->status_->setText(summary + QLatin1Char('\n') + ToQString(finding));
  });
}

}  // namespace velmora

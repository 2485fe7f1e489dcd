// The publish dialog driven like a person, against sshd on loopback.
#include "ui/PublishDialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <map>

#include "platform/QtText.h"
#include "tests/mock/FakePorts.h"
#include "tests/publish/TestServers.h"
#include "ui/Modules.h"

using namespace velmora;

namespace {

class FakeSecrets final : public SecretStore {
public:
  std::map<std::string, std::string> kept;
  Result<std::optional<std::string>> Read(const std::string& key) override {
    const auto it = kept.find(key);
    return it == kept.end() ? std::optional<std::string>() : std::optional<std::string>(it->second);
  }
  Result<void> Write(const std::string& key, const std::string& secret) override {
    kept[key] = secret;
    return {};
  }
  Result<void> Forget(const std::string& key) override {
    kept.erase(key);
    return {};
  }
};

template <typename T>
T* Find(QWidget& parent, const char* name) {
  T* found = parent.findChild<T*>(QString::fromLatin1(name));
  if (!found) ADD_FAILURE() << "no " << name;
  return found;
}

struct PublishDialogFixture : ::testing::Test {
  static inline std::unique_ptr<test::SshServer> server;
  test::TempDir local;
  test::FakeMessages messages;
  test::FakeHttp http;
  FakeSecrets secrets;
  std::vector<PublishTarget> saved;

  static void SetUpTestSuite() { server = std::make_unique<test::SshServer>(); }
  static void TearDownTestSuite() { server.reset(); }

  PublishSetup DialogSetup() {
    PublishSetup setup;
    setup.saveTargets = [this](const std::vector<PublishTarget>& targets) { saved = targets; };
    setup.files = [] {
      return Result<std::vector<PublishFile>>(
          std::vector<PublishFile>{{"offer-files/a.svg", "<svg/>"}, {"offer.htm", "<p>offer</p>"}});
    };
    setup.pageName = "offer.htm";
    setup.owner = "window-test";
    setup.knownHosts = local / "config/publish-known-hosts";
    setup.messages = &messages;
    setup.secrets = &secrets;
    setup.http = &http;
    return setup;
  }
  static bool Run(PublishDialog& dialog, const char* button) {
    QSignalSpy ended(&dialog, &PublishDialog::finished);
    QTest::mouseClick(Find<QPushButton>(dialog, button), Qt::LeftButton);
    return ended.wait(30000) && ended.takeFirst().at(0).toBool();
  }
};

}  // namespace

TEST_F(PublishDialogFixture, PublishesAfterTheHostKeyIsAcceptedThenRemembersThePasswordAndChecksThePublicAddress) {
  if (!server->ready()) GTEST_SKIP() << "sshd did not start (velmora.sh test unpacks it into the build folder)";
  PublishDialog dialog(DialogSetup());
  Find<QLineEdit>(dialog, "publishTargetName")->setText(QStringLiteral("staging"));
  Find<QLineEdit>(dialog, "publishAddress")->setText(ToQString(server->Url()));
  Find<QLineEdit>(dialog, "publishIdentity")->setText(ToQString((server->home.dir / "client_key").string()));
  Find<QLineEdit>(dialog, "publishPublicAddress")->setText(QStringLiteral("https://offer.example/offer.htm"));
  QTest::keyClicks(Find<QLineEdit>(dialog, "publishPassword"), QStringLiteral("s3cret-pass"));
  Find<QCheckBox>(dialog, "publishRemember")->setChecked(true);
  http.replies["https://offer.example/offer.htm"] = "<p>offer</p>";

  ASSERT_TRUE(Run(dialog, "publishButton")) << (messages.shown.empty() ? "" : messages.shown.back().text);
  ASSERT_EQ(messages.shown.size(), 2u);
  EXPECT_TRUE(messages.shown[0].question) << "the unknown host key is shown first";
  EXPECT_EQ(messages.shown[0].preselected, DefaultButton::Cancel);
  EXPECT_EQ(messages.shown[1].kind, MessageKind::Done);
  EXPECT_EQ(server->home.Remote("offer.htm"), "<p>offer</p>");
  EXPECT_EQ(server->home.Remote("offer-files/a.svg"), "<svg/>");
  ASSERT_EQ(saved.size(), 1u);
  EXPECT_EQ(saved[0].name, "staging");
  EXPECT_EQ(saved[0].identity, (server->home.dir / "client_key").string()) << "the key file is kept with the target";
  EXPECT_EQ(secrets.kept.at(SecretKeyOf(saved[0])), "s3cret-pass");
  // The public address is fetched to see whether it serves the new page.
  ASSERT_EQ(http.requests.size(), 1u);
  EXPECT_EQ(http.requests[0].url, "https://offer.example/offer.htm");
  ASSERT_TRUE(http.AnswerNext());
  EXPECT_TRUE(Find<QLabel>(dialog, "publishStatus")->text().contains(QStringLiteral("serves the new page")));

  messages.shown.clear();
  ASSERT_TRUE(Run(dialog, "testConnectionButton"));
  ASSERT_EQ(messages.shown.size(), 1u) << "the key is pinned now";
  EXPECT_FALSE(server->home.RemoteExists(".velmora-probe"));
}

TEST_F(PublishDialogFixture, AnUnreachableHostIsAnErrorAWrongAddressAWarningAndPlainFtpAsksFirst) {
  PublishDialog dialog(DialogSetup());
  Find<QLineEdit>(dialog, "publishAddress")->setText(QStringLiteral("http://nowhere/"));
  QTest::mouseClick(Find<QPushButton>(dialog, "testConnectionButton"), Qt::LeftButton);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].kind, MessageKind::Warning);
  EXPECT_TRUE(saved.empty());

  messages.shown.clear();
  Find<QLineEdit>(dialog, "publishAddress")
      ->setText(ToQString("sftp://me@127.0.0.1:" + std::to_string(test::FreePort()) + "/site/"));
  EXPECT_FALSE(Run(dialog, "testConnectionButton"));
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].kind, MessageKind::Error);

  // Plain FTP only after a warning, which Cancel answers by default.
  messages.shown.clear();
  messages.answers = {false};
  Find<QLineEdit>(dialog, "publishAddress")
      ->setText(ToQString("ftp://me@127.0.0.1:" + std::to_string(test::FreePort()) + "/"));
  QTest::mouseClick(Find<QPushButton>(dialog, "testConnectionButton"), Qt::LeftButton);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_TRUE(messages.shown[0].question);
  EXPECT_EQ(messages.shown[0].kind, MessageKind::Warning);
  EXPECT_EQ(messages.shown[0].preselected, DefaultButton::Cancel);
  EXPECT_FALSE(dialog.Busy()) << "nothing is sent when the user declines";
}

TEST_F(PublishDialogFixture, ACopyWithoutTheProtocolsModuleSaysSoAndStartsNothing) {
  SetModuleFolder(ToQString(local.folder()));
  PublishDialog dialog(DialogSetup());
  Find<QLineEdit>(dialog, "publishAddress")->setText(QStringLiteral("sftp://me@127.0.0.1:1/site/"));
  QTest::mouseClick(Find<QPushButton>(dialog, "testConnectionButton"), Qt::LeftButton);
  SetModuleFolder(QStringLiteral(VELMORA_PROGRAM_BUILD_DIR));
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].kind, MessageKind::Error);
  EXPECT_FALSE(dialog.Busy());
}

TEST_F(PublishDialogFixture, CancelLeavesTheServerWithThePageItHad) {
  if (!server->ready()) GTEST_SKIP() << "sshd did not start (velmora.sh test unpacks it into the build folder)";
  PublishSetup setup = DialogSetup();
  std::string page = "<p>first</p>";
  setup.files = [&page] { return Result<std::vector<PublishFile>>(std::vector<PublishFile>{{"cancelled.htm", page}}); };
  PublishDialog dialog(std::move(setup));
  Find<QLineEdit>(dialog, "publishAddress")->setText(ToQString(server->Url()));
  Find<QLineEdit>(dialog, "publishIdentity")->setText(ToQString((server->home.dir / "client_key").string()));
  ASSERT_TRUE(Run(dialog, "publishButton"));

  page.assign(std::size_t{32} << 20, 'x');
  auto* cancel = Find<QPushButton>(dialog, "cancelPublishButton");
  QObject::connect(Find<QProgressBar>(dialog, "publishProgress"), &QProgressBar::valueChanged, cancel,
                   [cancel] { if (cancel->isEnabled()) QTest::mouseClick(cancel, Qt::LeftButton); });
  messages.shown.clear();
  EXPECT_FALSE(Run(dialog, "publishButton"));
  EXPECT_EQ(server->home.Remote("cancelled.htm"), "<p>first</p>");
  EXPECT_FALSE(server->home.RemoteExists(".cancelled.htm.velmora-upload"));
  EXPECT_TRUE(messages.shown.empty()) << "a cancel the user asked for needs no message box";
  EXPECT_TRUE(Find<QPushButton>(dialog, "publishButton")->isEnabled());
}

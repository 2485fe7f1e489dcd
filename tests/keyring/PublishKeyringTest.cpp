// Publishing with a real keyring: the password the window remembers stays
// out of every file under the home, and velmora-tool finds it there.
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>

#include "platform/KeychainSecrets.h"
#include "platform/QtText.h"
#include "tests/mock/FakeWindowEnvironment.h"
#include "tests/publish/TestServers.h"
#include "ui/PublishDialog.h"

using namespace velmora;

namespace {

struct KeyringPublish : ::testing::Test, test::FakeWindowEnvironment, test::PublishRun {
  static inline std::unique_ptr<test::SshServer> server;
  static void SetUpTestSuite() { server = std::make_unique<test::SshServer>(); }
  static void TearDownTestSuite() { server.reset(); }

  std::string LockedKey() const { return (server->home.dir / "locked_key").string(); }
  // Fills in the modal Publish dialog as a person would and publishes.
  void PublishInDialog(bool& published) {
    auto* dialog = qobject_cast<PublishDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    dialog->findChild<QLineEdit*>(QStringLiteral("publishAddress"))->setText(ToQString(server->Url()));
    dialog->findChild<QLineEdit*>(QStringLiteral("publishIdentity"))->setText(ToQString(LockedKey()));
    QTest::keyClicks(dialog->findChild<QLineEdit*>(QStringLiteral("publishPassword")),
                     QString::fromLatin1(test::SshServer::kKeyPassphrase));
    dialog->findChild<QCheckBox*>(QStringLiteral("publishRemember"))->setChecked(true);
    QSignalSpy ended(dialog, &PublishDialog::finished);
    QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("publishButton")), Qt::LeftButton);
    published = ended.wait(60000) && ended.takeFirst().at(0).toBool();
    dialog->close();
  }
};

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST_F(KeyringPublish, TheWindowKeepsThePassphraseOnlyInTheKeyringWhereTheToolFindsIt) {
  if (!server->ready()) GTEST_SKIP() << "sshd did not start (velmora.sh test unpacks it into the build folder)";
  const char* home = std::getenv("HOME");
  ASSERT_TRUE(home && std::filesystem::path(folder.path()).string().rfind(home, 0) == 0)
      << "run-with-keyring.sh keeps every file of the test under its own home";

  folder.Write("Templates/plain.tem", "<h1>%%TITLE%%</h1>\n");
  auto window = OpenActive();
  Find<QLineEdit>(*window, "titleInput")->setText(QStringLiteral("Garden Hose"));
  bool published = false;
  QTimer::singleShot(0, [&] { PublishInDialog(published); });
  QTest::mouseClick(Find<QPushButton>(*window, "openPublishButton"), Qt::LeftButton);
  ASSERT_TRUE(published) << (messages.shown.empty() ? "" : messages.shown.back().text);
  EXPECT_TRUE(server->home.RemoteExists("garden-hose.htm"));
  const auto target = ParsePublishAddress(server->Url());
  ASSERT_TRUE(target);
  EXPECT_EQ(KeychainSecrets().Read(SecretKeyOf(*target)).value(),
            std::optional<std::string>(test::SshServer::kKeyPassphrase));
  window.reset();
  for (const auto& entry : std::filesystem::recursive_directory_iterator(home)) {
    if (!entry.is_regular_file()) continue;
    EXPECT_EQ(ReadAll(entry.path()).find(test::SshServer::kKeyPassphrase), std::string::npos) << entry.path();
  }

  // velmora-tool reads the passphrase the window kept, under the same name.
  keyring = true;
  const std::string locked = "--identity '" + LockedKey() + "' --overwrite";
  ASSERT_EQ(Publish(server->Url(), locked), 2) << err;
  std::smatch key;
  ASSERT_TRUE(std::regex_search(err, key, std::regex("SHA256:[A-Za-z0-9+/]+"))) << err;
  ASSERT_EQ(Publish(server->Url(), locked + " --accept-host-key " + key.str()), 0) << err;
  EXPECT_NE(out.find("sent garden-hose.htm"), std::string::npos) << out;

  // Without a keyring, and no password given, it says so and sends nothing.
  keyring = false;
  WriteProject("Garden Hose Two", {});
  EXPECT_EQ(Publish(server->Url(), "--overwrite"), 2) << err;
  EXPECT_NE(err.find("keyring did not answer"), std::string::npos) << err;
  EXPECT_NE(err.find("VELMORA_PUBLISH_PASSWORD"), std::string::npos) << err;
  EXPECT_EQ(out, "");
}

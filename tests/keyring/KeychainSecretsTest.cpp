// The keyring adapter against a real Secret Service: gnome-keyring in a
// private D-Bus session that ctest starts for this program alone.
#include "platform/KeychainSecrets.h"

#include <QApplication>
#include <gtest/gtest.h>

#include "ui/Modules.h"

using namespace velmora;

TEST(KeychainSecrets, KeepsReadsAndForgetsAPassword) {
  KeychainSecrets secrets(QStringLiteral("Velmora test"));
  const std::string key = "sftp://ann@127.0.0.1:2222/~/site/";
  ASSERT_TRUE(secrets.Forget(key));
  auto none = secrets.Read(key);
  ASSERT_TRUE(none) << none.error().message;
  EXPECT_FALSE(*none);
  ASSERT_TRUE(secrets.Write(key, "s3cret \xC3\xA9"));
  EXPECT_EQ(secrets.Read(key).value(), std::optional<std::string>("s3cret \xC3\xA9"));
  ASSERT_TRUE(secrets.Forget(key));
  EXPECT_FALSE(secrets.Read(key).value());
}

TEST(KeychainSecrets, NoKeyringIsAnErrorNotAFileOfOurs) {
  const QByteArray bus = qgetenv("DBUS_SESSION_BUS_ADDRESS");
  qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/velmora-test-bus");
  KeychainSecrets secrets(QStringLiteral("Velmora test without a bus"));
  const auto written = secrets.Write("k", "v");
  qputenv("DBUS_SESSION_BUS_ADDRESS", bus);
  if (written) GTEST_SKIP() << "this session bus connection was opened before; nothing to learn";
  EXPECT_EQ(written.error().kind, ErrorKind::Unreadable);
}

int main(int argc, char** argv) {
  // The publishing test opens windows; they never need a display.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  velmora::SetModuleFolder(QStringLiteral(VELMORA_PROGRAM_BUILD_DIR));
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

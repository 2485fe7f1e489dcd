#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "ui/PreviewPane.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // Window tests never need a display.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  velmora::PrepareBrowserEngine(QStringLiteral(VELMORA_PROGRAM_BUILD_DIR));
  // Per-user files (crash recovery) go to a folder of the run, never the real home.
  QTemporaryDir userData;
  qputenv("XDG_DATA_HOME", userData.path().toLocal8Bit());
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}

#include <QApplication>
#include <gtest/gtest.h>

#include "ui/PreviewPane.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // Window tests never need a display.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  velmora::PrepareBrowserEngine();
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}

#pragma once
// A main window's surroundings for window tests: a fresh program folder and
// recording fakes of every port.

#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

#include "tests/mock/FakePorts.h"
#include "tests/mock/TempDir.h"
#include "ui/FMain.h"

namespace velmora::test {

struct FakeWindowEnvironment {
  TempDir folder;
  FakeMessages messages;
  FakeShell shell;
  FakeClipboard clipboard;
  FakeHttp http;
  FixedRandom random;

  MainWindowEnvironment Environment(FileDialogPort* dialogs = nullptr) {
    MainWindowEnvironment env;
    env.programFolder = folder.folder();
    env.messages = &messages;
    env.shell = &shell;
    env.clipboard = &clipboard;
    env.http = &http;
    env.random = &random;
    env.dialogs = dialogs;
    env.recoveryFolder = (folder / "recovery").string();
    return env;
  }

  // A window on the screen with the keyboard, its news check stopped.
  std::unique_ptr<TfrmMain> OpenActive(FileDialogPort* dialogs = nullptr) {
    auto window = std::make_unique<TfrmMain>(Environment(dialogs));
    window->Timer1->stop();
    window->show();
    window->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
    return window;
  }

  template <typename T>
  static T* Find(const TfrmMain& window, const char* name) {
    T* control = window.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(control, nullptr) << name;
    return control;
  }
};

}  // namespace velmora::test

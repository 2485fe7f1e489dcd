#pragma once
// A main window's surroundings for window tests: a fresh program folder and
// recording fakes of every port.

#include <gtest/gtest.h>

#include <QStackedWidget>
#include <QTest>
#include <QTimer>
#include <memory>
#include <ostream>
#include <string>

#include "project/PromoKinds.h"
#include "tests/mock/FakePorts.h"
#include "tests/mock/TempDir.h"
#include "ui/MainWindow.h"

namespace velmora {

// Tests over every kind name their cases by the kind's page.
inline void PrintTo(PromoKind kind, std::ostream* out) { *out << InfoOf(kind).page.stem; }

}  // namespace velmora

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
  std::unique_ptr<MainWindow> OpenActive(FileDialogPort* dialogs = nullptr) {
    auto window = std::make_unique<MainWindow>(Environment(dialogs));
    Find<QTimer>(*window, "newsTimer")->stop();
    window->show();
    window->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
    return window;
  }

  // Finds a control on any page: the wizard is built whole first.
  template <typename T>
  static T* Find(MainWindow& window, const std::string& name) {
    window.BuildAllPages();
    T* control = window.findChild<T*>(QString::fromStdString(name));
    EXPECT_NE(control, nullptr) << name;
    return control;
  }
  // A promo page's control: the kind's name stem and the control's part ("List", "CreateButton").
  template <typename T>
  static T* Find(MainWindow& window, PromoKind kind, const char* part) {
    return Find<T>(window, std::string(InfoOf(kind).page.stem) + part);
  }
  static void ShowPage(MainWindow& window, const char* page) {
    Find<QStackedWidget>(window, "ntbMain")->setCurrentWidget(Find<QWidget>(window, page));
  }
  static std::string CurrentPage(MainWindow& window) {
    return Find<QStackedWidget>(window, "ntbMain")->currentWidget()->objectName().toStdString();
  }
  // The wizard page at a step, counted from 0.
  static QWidget* Page(MainWindow& window, int step) {
    return Find<QStackedWidget>(window, "ntbMain")->widget(step);
  }
};

}  // namespace velmora::test

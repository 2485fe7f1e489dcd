#pragma once
// A main window's surroundings for window tests: a fresh program folder and
// recording fakes of every port.

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
};

}  // namespace velmora::test

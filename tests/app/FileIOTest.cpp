#include "app/FileIO.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "tests/mock/TempDir.h"

using namespace velmora;
using ::testing::ElementsAre;

TEST(FileIO, LineFileRoundTripWritesCrLfAfterEveryLine) {
  test::TempDir dir;
  WriteLineFile(dir / "f.txt", {"one", "", "three"});
  EXPECT_EQ(dir.Read("f.txt"), "one\r\n\r\nthree\r\n");
  EXPECT_THAT(ReadLineFile(dir / "f.txt"), ElementsAre("one", "", "three"));
}

TEST(FileIO, ReplacingAFileLeavesNoTemporaryBehind) {
  test::TempDir dir;
  dir.Write("f.txt", "old");
  WriteFileAtomic(dir / "f.txt", "new");
  EXPECT_EQ(dir.Read("f.txt"), "new");
  int entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 1);
}

TEST(FileIO, FailedWriteKeepsTheOldFileAndSaysWhy) {
  if (::geteuid() == 0) GTEST_SKIP() << "root ignores folder permissions";
  test::TempDir dir;
  dir.Write("f.txt", "old");
  std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  try {
    WriteFileAtomic(dir / "f.txt", "new");
    FAIL() << "no error";
  } catch (const FileError& e) {
    EXPECT_EQ(e.path(), dir / "f.txt");
    EXPECT_FALSE(e.reason().empty());
  }
  std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_all);
  EXPECT_EQ(dir.Read("f.txt"), "old");
}

TEST(FileIO, WriteIntoMissingFolderAndReadOfMissingFileThrow) {
  test::TempDir dir;
  EXPECT_THROW(WriteFileAtomic(dir / "no/such/f.txt", "x"), FileError);
  EXPECT_THROW(ReadLineFile(dir / "absent.txt"), FileError);
  EXPECT_FALSE(dir.Exists("no"));
}

TEST(FileIO, ReadRefusesFilesOverTheLimit) {
  test::TempDir dir;
  dir.Write("big", std::string(100, 'x'));
  EXPECT_THROW(ReadWholeFile(dir / "big", 99), FileError);
  EXPECT_EQ(ReadWholeFile(dir / "big", 100).size(), 100u);
}

TEST(FileIO, ErrorsCarryTheInstalledStackCapture) {
  SetStackCaptureHook([] { return std::string("frame 0"); });
  try {
    ReadWholeFile("/nonexistent/velmora");
  } catch (const FileError& e) {
    EXPECT_EQ(e.stack(), "frame 0");
  }
  SetStackCaptureHook(nullptr);
}

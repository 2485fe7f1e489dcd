#include "app/FileIO.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>


#include "tests/mock/FileSizeLimit.h"
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
  test::TempDir dir;
  dir.Write("f.txt", "old");
  bool threw = false;
  {
    test::FileSizeLimit limit(16);
    ASSERT_TRUE(limit.ok());
    try {
      WriteFileAtomic(dir / "f.txt", std::string(4096, 'n'));
    } catch (const FileError& e) {
      threw = true;
      EXPECT_EQ(e.path(), dir / "f.txt");
      EXPECT_FALSE(e.reason().empty());
    }
  }
  EXPECT_TRUE(threw);
  EXPECT_EQ(dir.Read("f.txt"), "old");
  int entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 1) << "the temporary file is removed";
}

TEST(FileIO, ReplacingAFolderFailsAndLeavesNoTemporary) {
  test::TempDir dir;
  dir.Write("target/inside.txt", "x");
  EXPECT_THROW(WriteFileAtomic(dir / "target", "new"), FileError);
  EXPECT_EQ(dir.Read("target/inside.txt"), "x");
  int entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 1);
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

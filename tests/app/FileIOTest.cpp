#include "app/FileIO.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <random>
#include <string_view>

#include "app/Utils.h"
#include "tests/mock/FileSizeLimit.h"
#include "tests/mock/TempDir.h"

using namespace velmora;
using ::testing::ElementsAre;

TEST(FileIO, LineFileRoundTripWritesCrLfAfterEveryLine) {
  test::TempDir dir;
  ASSERT_TRUE(WriteLineFile(dir / "f.txt", {"one", "", "three"}));
  EXPECT_EQ(dir.Read("f.txt"), "one\r\n\r\nthree\r\n");
  EXPECT_THAT(ReadLineFile(dir / "f.txt").value(), ElementsAre("one", "", "three"));
}

TEST(FileIO, TextWrittenInPartsBecomesTheLineFileOfTheWholeText) {
  // Line ends of every kind, split between parts at every place.
  const std::string texts[] = {"",        "a",         "a\r\nb\r\n", "a\rb",      "a\nb\n",        "\r\r\n\n\r",
                               "x\r",     "\n",        "a\0b\r\n",   "\r\0\n",   "one\r\n\r\ntwo", "\r\n"};
  std::mt19937 random(7);
  std::vector<std::string> cases(std::begin(texts), std::end(texts));
  for (int i = 0; i < 300; ++i) {
    std::string text;
    for (std::size_t n = random() % 12; n > 0; --n) text += "ab\r\n\0"[random() % 5];
    cases.push_back(text);
  }
  cases.push_back(std::string(100000, 'x') + "\n" + std::string(70000, 'y') + "\r\n");  // past the buffer
  for (const std::string& text : cases) {
    const std::string expected = JoinLines(SplitLines(text));
    for (std::size_t cut = 0; cut <= std::min<std::size_t>(text.size(), 14); ++cut) {
      const std::size_t second = cut + (text.size() - cut) / 2;
      std::string written;
      LineFileWriter lines([&written](std::string_view bytes) -> Result<void> {
        written += bytes;
        return {};
      });
      lines.Write(std::string_view(text).substr(0, cut));
      lines.Write(std::string_view(text).substr(cut, second - cut));
      lines.Write(std::string_view(text).substr(second));
      ASSERT_TRUE(lines.Finish());
      ASSERT_EQ(written, expected) << "cut at " << cut << " of " << ::testing::PrintToString(text.substr(0, 40));
    }
  }
}

TEST(FileIO, LineFileWriterStopsAtTheFirstFailedWriteAndTellsWhy) {
  int calls = 0;
  LineFileWriter lines([&calls](std::string_view) -> Result<void> {
    ++calls;
    return Error{ErrorKind::Unwritable, "disk full"};
  });
  for (int i = 0; i < 3; ++i) lines.Write(std::string(100000, 'x'));
  const auto finished = lines.Finish();
  ASSERT_FALSE(finished);
  EXPECT_EQ(finished.error().message, "disk full");
  EXPECT_EQ(calls, 1);
}

TEST(FileIO, ReplacingAFileLeavesNoTemporaryBehind) {
  test::TempDir dir;
  dir.Write("f.txt", "old");
  ASSERT_TRUE(WriteFileAtomic(dir / "f.txt", "new"));
  EXPECT_EQ(dir.Read("f.txt"), "new");
  int entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 1);
}

TEST(FileIO, LargeFileWrittenInPartsIsReplacedWhole) {
  // Past several of the steps at which writing hands the file to the disk.
  test::TempDir dir;
  dir.Write("big.htm", "old");
  std::string expected;
  auto file = ReplacementFile::Open(dir / "big.htm");
  ASSERT_TRUE(file);
  for (int part = 0; part < 300; ++part) {
    const std::string bytes(std::size_t{40000} + static_cast<std::size_t>(part), static_cast<char>('a' + part % 26));
    ASSERT_TRUE((*file)->Write(bytes));
    expected += bytes;
  }
  EXPECT_EQ(dir.Read("big.htm"), "old");
  ASSERT_TRUE((*file)->Commit());
  EXPECT_EQ(dir.Read("big.htm"), expected);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()), 1);
}

TEST(FileIO, FailedWriteKeepsTheOldFileAndSaysWhy) {
  test::TempDir dir;
  dir.Write("f.txt", "old");
  {
    test::FileSizeLimit limit(16);
    ASSERT_TRUE(limit.ok());
    const auto written = WriteFileAtomic(dir / "f.txt", std::string(4096, 'n'));
    ASSERT_FALSE(written);
    EXPECT_EQ(written.error().kind, ErrorKind::Unwritable);
    EXPECT_THAT(written.error().message, ::testing::HasSubstr((dir / "f.txt").string()));
    EXPECT_FALSE(written.error().reason.empty());
  }
  EXPECT_EQ(dir.Read("f.txt"), "old");
  int entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 1) << "the temporary file is removed";
}

TEST(FileIO, ReplacingAFolderFailsAndLeavesNoTemporary) {
  test::TempDir dir;
  dir.Write("target/inside.txt", "x");
  EXPECT_FALSE(WriteFileAtomic(dir / "target", "new"));
  EXPECT_EQ(dir.Read("target/inside.txt"), "x");
  int entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 1);
}

TEST(FileIO, WriteIntoMissingFolderAndReadOfMissingFileFail) {
  test::TempDir dir;
  EXPECT_FALSE(WriteFileAtomic(dir / "no/such/f.txt", "x"));
  const auto absent = ReadLineFile(dir / "absent.txt");
  ASSERT_FALSE(absent);
  EXPECT_EQ(absent.error().kind, ErrorKind::NotFound);
  EXPECT_EQ(absent.error().message,
            "Cannot open the file \"" + (dir / "absent.txt").string() + "\": No such file or directory");
  EXPECT_FALSE(dir.Exists("no"));
}

TEST(FileIO, ReadRefusesFilesOverTheLimit) {
  test::TempDir dir;
  dir.Write("big", std::string(100, 'x'));
  EXPECT_EQ(ReadWholeFile(dir / "big", 99).error().kind, ErrorKind::TooLarge);
  EXPECT_EQ(ReadWholeFile(dir / "big", 100)->size(), 100u);
}

namespace {

std::vector<std::string> Entries(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

TEST(FileIO, WritingThroughALinkReplacesWhatItPointsToAndKeepsTheLink) {
  test::TempDir dir;
  dir.Write("real/page.htm", "old");
  std::filesystem::create_symlink("real/page.htm", dir / "link.htm");
  std::filesystem::create_symlink(dir / "real/absent.htm", dir / "dangling.htm");
  ASSERT_TRUE(WriteFileAtomic(dir / "link.htm", "new"));
  ASSERT_TRUE(WriteFileAtomic(dir / "dangling.htm", "made"));
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.htm"));
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "dangling.htm"));
  EXPECT_EQ(dir.Read("real/page.htm"), "new");
  EXPECT_EQ(dir.Read("real/absent.htm"), "made");
  EXPECT_THAT(Entries(dir / "real"), ElementsAre("absent.htm", "page.htm"));
}

TEST(FileIO, TargetsThatAreNotRegularFilesAreRefusedAndNothingIsWritten) {
  test::TempDir dir;
  std::filesystem::create_directory(dir / "folder");
  ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
  std::filesystem::create_symlink("folder", dir / "link-to-folder");
  for (const std::filesystem::path& target :
       {dir / "folder", dir / "pipe", dir / "link-to-folder", std::filesystem::path("/dev/null")}) {
    const auto written = WriteFileAtomic(target, "x");
    ASSERT_FALSE(written) << target << " was written";
    EXPECT_THAT(written.error().reason,
                ::testing::AnyOf(::testing::HasSubstr("folder"), ::testing::HasSubstr("regular")));
  }
  EXPECT_THAT(Entries(dir.path()), ElementsAre("folder", "link-to-folder", "pipe"));
  EXPECT_TRUE(std::filesystem::is_empty(dir / "folder"));
}

TEST(FileIO, ReplacementKeepsTheOldFilesPermissions) {
  test::TempDir dir;
  dir.Write("f.txt", "old");
  std::filesystem::permissions(dir / "f.txt", std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  ASSERT_TRUE(WriteFileAtomic(dir / "f.txt", "new"));
  EXPECT_EQ(std::filesystem::status(dir / "f.txt").permissions(),
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

TEST(FileIO, OurStaleTemporariesGoOnTheNextWriteOthersStay) {
  test::TempDir dir;
  const std::string stale = ".page.htm.velmora.tmp-0123456789ab";
  const std::string fresh = ".page.htm.velmora.tmp-ba9876543210";
  const std::string earlier = "page.htm.tmp-0123456789ab";  // the name earlier versions used
  for (const std::string& name : {stale, fresh, earlier, std::string("notes.velmora.tmp-01234"),
                                   std::string("page.htm.tmp-backup")})
    dir.Write(name, "left by a killed process");
  const auto twoHoursAgo = std::filesystem::file_time_type::clock::now() - std::chrono::hours(2);
  for (const auto& e : std::filesystem::directory_iterator(dir.path()))
    std::filesystem::last_write_time(e.path(), twoHoursAgo);
  std::filesystem::last_write_time(dir / fresh, std::filesystem::file_time_type::clock::now());
  ASSERT_TRUE(WriteFileAtomic(dir / "page.htm", "page"));
  EXPECT_THAT(Entries(dir.path()), ElementsAre(fresh, "notes.velmora.tmp-01234", "page.htm", "page.htm.tmp-backup"));
}

TEST(FileIO, DroppedReplacementLeavesTheTargetAsItWas) {
  test::TempDir dir;
  dir.Write("f.txt", "old");
  {
    auto file = ReplacementFile::Open(dir / "f.txt");
    ASSERT_TRUE(file);
    ASSERT_TRUE((*file)->Write("half of the new"));
  }
  EXPECT_EQ(dir.Read("f.txt"), "old");
  EXPECT_THAT(Entries(dir.path()), ElementsAre("f.txt"));
}

TEST(FileIO, FullTmpfsKeepsTheOldFile) {
  test::TempDir dir;
  std::filesystem::create_directory(dir / "small");
  if (::geteuid() != 0 || std::system(("mount -t tmpfs -o size=64k tmpfs " + (dir / "small").string() +
                                       " 2>/dev/null").c_str()) != 0)
    GTEST_SKIP() << "cannot mount a tmpfs here";
  dir.Write("small/f.txt", "old");
  EXPECT_FALSE(WriteFileAtomic(dir / "small/f.txt", std::string(256 * 1024, 'n')));
  EXPECT_EQ(dir.Read("small/f.txt"), "old");
  EXPECT_THAT(Entries(dir / "small"), ElementsAre("f.txt"));
  EXPECT_EQ(std::system(("umount " + (dir / "small").string()).c_str()), 0);
}

TEST(FileIO, MadeFoldersAreForTheUserAloneAndExistingOnesKeepTheirMode) {
  test::TempDir dir;
  const mode_t previous = ::umask(022);
  std::filesystem::create_directory(dir / "shared");  // 0755 under this umask
  EXPECT_TRUE(MakePrivateFolders(dir / "shared/one/two/"));
  ::umask(previous);
  const auto mode = [&](const char* name) { return std::filesystem::status(dir / name).permissions(); };
  EXPECT_EQ(mode("shared"), std::filesystem::perms(0755));
  EXPECT_EQ(mode("shared/one"), std::filesystem::perms(0700));
  EXPECT_EQ(mode("shared/one/two"), std::filesystem::perms(0700));
  EXPECT_TRUE(MakePrivateFolders(dir / "shared/one")) << "an existing folder is fine";
  dir.Write("file", "x");
  EXPECT_FALSE(MakePrivateFolders(dir / "file"));
  EXPECT_FALSE(MakePrivateFolders(dir / "file/below"));
}

TEST(FileIO, PrivateFilesAreOnlyRegularFilesAtTheirOwnNameAndForTheUserAlone) {
  test::TempDir dir;
  dir.Write("elsewhere.set", "another project");
  std::filesystem::create_symlink(dir / "elsewhere.set", dir / "link.set");
  ASSERT_EQ(::mkfifo((dir / "pipe.set").c_str(), 0600), 0);
  const auto reasonOf = [](const auto& result) { return result ? std::string("no error") : result.error().reason; };
  EXPECT_EQ(reasonOf(WriteFileAtomic(dir / "link.set", "mine", FileAccess::Private)), "it is a symbolic link");
  EXPECT_EQ(reasonOf(ReadWholeFile(dir / "link.set", 100, FileAccess::Private)), "it is a symbolic link");
  // A pipe with no writer would block an ordinary open for good.
  EXPECT_EQ(reasonOf(ReadWholeFile(dir / "pipe.set", 100, FileAccess::Private)),
            "it is not a regular file (a device or a pipe)");
  EXPECT_EQ(reasonOf(ReadWholeFile(dir / "elsewhere.set", 14, FileAccess::Private)), "the file is too large");
  EXPECT_EQ(dir.Read("elsewhere.set"), "another project");
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.set"));

  const mode_t previous = ::umask(022);
  ASSERT_TRUE(WriteFileAtomic(dir / "new.set", "mine", FileAccess::Private));
  ASSERT_TRUE(WriteFileAtomic(dir / "elsewhere.set", "mine too", FileAccess::Private));  // was 0644
  ::umask(previous);
  for (const char* name : {"new.set", "elsewhere.set"})
    EXPECT_EQ(std::filesystem::status(dir / name).permissions(), std::filesystem::perms(0600)) << name;
  EXPECT_EQ(ReadWholeFile(dir / "new.set", 100, FileAccess::Private), "mine");
}

#include "app/Log.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/mock/TempDir.h"

using namespace velmora;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;

namespace {

struct LogFileGuard {
  ~LogFileGuard() { SetLogFile({}); }
};

}  // namespace

TEST(Log, LinesGoToAPrivateFileThatIsRotatedWhenFull) {
  test::TempDir dir;
  LogFileGuard guard;
  SetLogFile(dir / "cache" / "velmora.log", 100);
  Log(LogLevel::Warning, "recovery", "first\nline");
  struct stat info {};
  ASSERT_EQ(::stat((dir / "cache" / "velmora.log").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  EXPECT_THAT(dir.Read("cache/velmora.log"),
              MatchesRegex("[0-9-]+T[0-9:]+Z warning recovery: first line\n"));

  Log(LogLevel::Error, "preview", std::string(80, 'x'));
  EXPECT_THAT(dir.Read("cache/velmora.log.1"), HasSubstr("first line"));
  EXPECT_THAT(dir.Read("cache/velmora.log"), HasSubstr("error preview: xxx"));
  EXPECT_THAT(RecentLogLines(2), ElementsAre(HasSubstr("first line"), HasSubstr("xxx")));
}

TEST(Log, ALinkAtTheLogsNameIsNotWrittenThrough) {
  test::TempDir dir;
  LogFileGuard guard;
  dir.Write("victim", "keep");
  std::filesystem::create_symlink(dir / "victim", dir / "velmora.log");
  SetLogFile(dir / "velmora.log");
  Log(LogLevel::Info, "test", "nothing");
  EXPECT_EQ(dir.Read("victim"), "keep");
  EXPECT_THAT(RecentLogLines(1), ElementsAre(HasSubstr("info test: nothing")));
}

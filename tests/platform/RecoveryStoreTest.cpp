#include "platform/RecoveryStore.h"

#include <QTest>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "app/FileIO.h"
#include "platform/QtText.h"
#include "tests/mock/TempDir.h"

using namespace velmora;
namespace fs = std::filesystem;

namespace {

// Opens the pipe's writing end after a while: a reader that wrongly waits
// on the pipe is let go, so the test fails instead of hanging.
class PipeWatchdog {
public:
  explicit PipeWatchdog(fs::path pipe)
      : thread_([this, pipe = std::move(pipe)] {
          const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
          while (!done_ && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
          if (done_) return;
          // Succeeds only while somebody has the pipe open for reading.
          const int fd = ::open(pipe.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
          if (fd >= 0) {
            fired_ = true;
            ::close(fd);
          }
        }) {}
  ~PipeWatchdog() {
    done_ = true;
    thread_.join();
  }
  bool Fired() const { return fired_; }

private:
  std::atomic<bool> done_{false}, fired_{false};
  std::thread thread_;
};

std::string Mode(const fs::path& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return "missing";
  char text[8];
  std::snprintf(text, sizeof text, "%04o", info.st_mode & 07777);
  return text;
}

std::vector<std::string> Names(const std::vector<RecoveryStore::Orphan>& orphans) {
  std::vector<std::string> names;
  for (const auto& orphan : orphans) names.push_back(ToPath(orphan.file).filename().string());
  return names;
}

}  // namespace

TEST(RecoveryStore, LinksPipesAndOversizedCopiesAreNeverOfferedOrWaitedFor) {
  test::TempDir dir;
  const fs::path folder = dir / "recovery";
  dir.Write("other.set", "another project");
  dir.Write("recovery/recovery-1-kept.set", "<%%AfTitle%%>kept<%%/AfTitle%%>");
  dir.Write("recovery/recovery-2-big.set", std::string(65, 'x'));
  fs::create_symlink(dir / "other.set", folder / "recovery-3-link.set");
  ASSERT_EQ(::mkfifo((folder / "recovery-4-pipe.set").c_str(), 0600), 0);

  RecoveryStore store(FromPath(folder), 64);
  PipeWatchdog watchdog(folder / "recovery-4-pipe.set");
  std::vector<RecoveryStore::Orphan> orphans = store.TakeOrphans();
  EXPECT_EQ(Names(orphans), std::vector<std::string>{"recovery-1-kept.set"});
  EXPECT_FALSE(fs::exists(folder / "recovery-2-big.set")) << "an oversized copy is dropped";
  // Should one slip through, reading it still refuses it.
  for (const char* name : {"recovery-3-link.set", "recovery-4-pipe.set"})
    EXPECT_FALSE(store.Read({FromPath(folder / name), {}, nullptr})) << name;
  EXPECT_FALSE(watchdog.Fired()) << "a pipe was waited on";
  EXPECT_EQ(dir.Read("other.set"), "another project");
}

TEST(RecoveryStore, ALinkAtACopysNameIsNeitherWrittenThroughNorAdopted) {
  test::TempDir dir;
  const fs::path folder = dir / "recovery";
  dir.Write("other.set", "another project");
  dir.Write("recovery/recovery-1-dead.set", "<%%AfTitle%%>left<%%/AfTitle%%>");
  RecoveryStore store(FromPath(folder));
  std::vector<RecoveryStore::Orphan> orphans = store.TakeOrphans();
  ASSERT_EQ(orphans.size(), 1u);
  // Swapped for a link between the offer and the answer.
  fs::remove(folder / "recovery-1-dead.set");
  fs::create_symlink(dir / "other.set", folder / "recovery-1-dead.set");
  store.Adopt(orphans[0]);
  EXPECT_FALSE(fs::is_symlink(ToPath(store.OwnFile()))) << "a link was renamed into place";

  fs::create_symlink(dir / "other.set", ToPath(store.OwnFile()));
  store.Write("mine");
  store.Clear();
  EXPECT_EQ(dir.Read("other.set"), "another project");
  EXPECT_TRUE(fs::exists(dir / "other.set"));
}

TEST(RecoveryStore, NewFoldersAndCopiesAreForTheUserAlone) {
  test::TempDir dir;
  const fs::path folder = dir / "data/recovery";
  struct Umask {
    mode_t previous = ::umask(022);
    ~Umask() { ::umask(previous); }
  } umask;
  RecoveryStore store(FromPath(folder));
  const auto written = [&](const std::string& text) {
    return QTest::qWaitFor([&] { return ReadWholeFile(ToPath(store.OwnFile()), 100, FileAccess::Private) == text; },
                           5000);
  };
  store.Write("first");
  ASSERT_TRUE(written("first"));
  EXPECT_EQ(Mode(dir / "data"), "0700");
  EXPECT_EQ(Mode(folder), "0700");
  EXPECT_EQ(Mode(ToPath(store.OwnFile())), "0600");

  // A copy an earlier version left readable by all is private again once taken over.
  dir.Write("data/recovery/recovery-1-dead.set", "<%%AfTitle%%>left<%%/AfTitle%%>");
  ASSERT_EQ(Mode(folder / "recovery-1-dead.set"), "0644");
  std::vector<RecoveryStore::Orphan> orphans = store.TakeOrphans();
  ASSERT_EQ(orphans.size(), 1u);
  store.Adopt(orphans[0]);
  store.Write("second");
  ASSERT_TRUE(written("second"));
  EXPECT_EQ(Mode(ToPath(store.OwnFile())), "0600");
}

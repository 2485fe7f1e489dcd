#include "app/Log.h"

#include "app/FileIO.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <ctime>
#include <deque>
#include <mutex>
#include <system_error>

namespace velmora {

namespace {

constexpr std::size_t kRecentLines = 100;

struct LogState {
  std::mutex mutex;
  std::filesystem::path file;
  std::size_t maxBytes = 0;
  int fd = -1;
  std::deque<std::string> recent;

  void Close() {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
  void Open() {
    // O_NOFOLLOW: a link planted at the log's name is not written through.
    fd = ::open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
    if (fd < 0 && errno == ENOENT && MakePrivateFolders(file.parent_path())) {
      fd = ::open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
    }
    struct stat info {};
    if (fd >= 0 && (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))) Close();
  }
  void Append(const std::string& line) {
    if (file.empty()) return;
    if (fd < 0) Open();
    if (fd < 0) return;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && static_cast<std::size_t>(info.st_size) + line.size() > maxBytes) {
      Close();
      std::error_code ec;
      std::filesystem::rename(file, std::filesystem::path(file) += ".1", ec);
      Open();
      if (fd < 0) return;
    }
    // A log that cannot be written is not worth failing for.
    [[maybe_unused]] const ssize_t written = ::write(fd, line.data(), line.size());
  }
};

LogState& State() {
  static LogState state;
  return state;
}

std::string_view LevelName(LogLevel level) {
  switch (level) {
    case LogLevel::Info: return "info";
    case LogLevel::Warning: return "warning";
    case LogLevel::Error: return "error";
  }
  return "error";
}

std::string Timestamp() {
  const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm utc{};
  gmtime_r(&now, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

}  // namespace

void Log(LogLevel level, std::string_view area, std::string_view message) {
  std::string line = Timestamp();
  line += ' ';
  line += LevelName(level);
  line += ' ';
  line += area;
  line += ": ";
  // One record, one line, whatever the message holds.
  for (const char c : message) line += (c == '\n' || c == '\r') ? ' ' : c;
  LogState& state = State();
  const std::lock_guard lock(state.mutex);
  state.Append(line + '\n');
  state.recent.push_back(std::move(line));
  if (state.recent.size() > kRecentLines) state.recent.pop_front();
}

void SetLogFile(std::filesystem::path file, std::size_t maxBytes) {
  LogState& state = State();
  const std::lock_guard lock(state.mutex);
  state.Close();
  state.file = std::move(file);
  state.maxBytes = maxBytes;
}

std::vector<std::string> RecentLogLines(std::size_t count) {
  LogState& state = State();
  const std::lock_guard lock(state.mutex);
  const std::size_t first = state.recent.size() > count ? state.recent.size() - count : 0;
  return {state.recent.begin() + static_cast<std::ptrdiff_t>(first), state.recent.end()};
}

}  // namespace velmora

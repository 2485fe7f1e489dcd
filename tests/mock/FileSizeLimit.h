#pragma once
// Makes every write past `bytes` fail, for any user, root included, while in
// scope: the way to test a failing disk without one.

#include <sys/resource.h>

#include <csignal>

namespace velmora::test {

class FileSizeLimit {
public:
  explicit FileSizeLimit(rlim_t bytes) : handler_(std::signal(SIGXFSZ, SIG_IGN)) {
    ok_ = ::getrlimit(RLIMIT_FSIZE, &saved_) == 0;
    rlimit small = saved_;
    small.rlim_cur = bytes;
    ok_ = ok_ && ::setrlimit(RLIMIT_FSIZE, &small) == 0;
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, handler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;
  bool ok() const { return ok_; }

private:
  void (*handler_)(int);
  rlimit saved_{};
  bool ok_ = false;
};

}  // namespace velmora::test

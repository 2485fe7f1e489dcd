#include "app/FileIO.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <random>

#include "app/Utils.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace velmora {

namespace {

std::function<std::string()>& StackHook() {
  static std::function<std::string()> hook;
  return hook;
}

std::string SystemReason(int err) { return std::strerror(err); }

std::filesystem::path TemporaryBeside(const std::filesystem::path& target) {
  static std::mt19937_64 generator{std::random_device{}()};
  static const char digits[] = "0123456789abcdef";
  std::string suffix = ".tmp-";
  for (int i = 0; i < 12; ++i) suffix += digits[generator() % 16];
  std::filesystem::path temp = target;
  temp += suffix;
  return temp;
}

}  // namespace

FileError::FileError(std::string operation, std::filesystem::path path, std::string reason)
    : std::runtime_error(operation + " \"" + path.string() + "\": " + reason),
      operation_(std::move(operation)),
      path_(std::move(path)),
      reason_(std::move(reason)),
      stack_(CaptureStack()) {}

void SetStackCaptureHook(std::function<std::string()> hook) { StackHook() = std::move(hook); }

std::string CaptureStack() {
  const auto& hook = StackHook();
  return hook ? hook() : std::string();
}

std::string ReadWholeFile(const std::filesystem::path& path, std::size_t maxBytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw FileError("Cannot open the file", path, SystemReason(errno));
  std::string data;
  char buffer[65536];
  while (in) {
    in.read(buffer, sizeof buffer);
    const auto got = static_cast<std::size_t>(in.gcount());
    if (data.size() + got > maxBytes)
      throw FileError("Cannot read the file", path, "the file is too large");
    data.append(buffer, got);
  }
  if (in.bad()) throw FileError("Cannot read the file", path, SystemReason(errno));
  return data;
}

void WriteFileAtomic(const std::filesystem::path& path, std::string_view bytes) {
  const std::filesystem::path temp = TemporaryBeside(path);
#ifndef _WIN32
  // Keep the permissions of the file being replaced; a new file gets the umask's.
  mode_t mode = 0666;
  struct stat existing {};
  const bool hadFile = ::stat(path.c_str(), &existing) == 0;
  if (hadFile) mode = existing.st_mode & 07777;
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
  if (fd < 0) throw FileError("Cannot write the file", path, SystemReason(errno));
  if (hadFile) (void)::fchmod(fd, mode);
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      ::close(fd);
      ::unlink(temp.c_str());
      throw FileError("Cannot write the file", path, SystemReason(err));
    }
    done += static_cast<std::size_t>(n);
  }
  if (::fsync(fd) != 0 || ::close(fd) != 0) {
    const int err = errno;
    ::unlink(temp.c_str());
    throw FileError("Cannot write the file", path, SystemReason(err));
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    const int err = errno;
    ::unlink(temp.c_str());
    throw FileError("Cannot replace the file", path, SystemReason(err));
  }
#else
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) throw FileError("Cannot write the file", path, SystemReason(errno));
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out) {
      out.close();
      std::error_code ignored;
      std::filesystem::remove(temp, ignored);
      throw FileError("Cannot write the file", path, "the write failed");
    }
  }
  std::error_code ec;
  std::filesystem::rename(temp, path, ec);
  if (ec) {
    std::error_code ignored;
    std::filesystem::remove(temp, ignored);
    throw FileError("Cannot replace the file", path, ec.message());
  }
#endif
}

Lines ReadLineFile(const std::filesystem::path& path) { return SplitLines(ReadWholeFile(path)); }

void WriteLineFile(const std::filesystem::path& path, const Lines& lines) {
  WriteFileAtomic(path, JoinLines(lines));
}

}  // namespace velmora

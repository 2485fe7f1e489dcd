#include "app/FileIO.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <random>

#include "app/Utils.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace velmora {

namespace {

std::string SystemReason(int err) { return std::strerror(err); }

// Stream writes do not always leave errno behind.
std::string WriteReason(int err) { return err != 0 ? std::strerror(err) : "the write failed"; }

Error OpenFailure(const std::filesystem::path& path, int err, const std::string& reason) {
  return FileFailure(err == ENOENT ? ErrorKind::NotFound : ErrorKind::Unreadable, "Cannot open the file", path,
                     reason);
}

Error ReadFailure(const std::filesystem::path& path, const std::string& reason) {
  return FileFailure(ErrorKind::Unreadable, "Cannot read the file", path, reason);
}

Error TooLargeFailure(const std::filesystem::path& path) {
  return FileFailure(ErrorKind::TooLarge, "Cannot read the file", path, "the file is too large");
}

Error WriteFailure(const std::filesystem::path& path, const std::string& reason) {
  return FileFailure(ErrorKind::Unwritable, "Cannot write the file", path, reason);
}

}  // namespace

Error FileFailure(ErrorKind kind, const std::string& operation, const std::filesystem::path& path,
                  const std::string& reason) {
  return {kind, operation + " \"" + path.string() + "\": " + reason, reason};
}

namespace {

constexpr const char* kNotRegularReason = "it is not a regular file (a device or a pipe)";
constexpr const char* kLinkReason = "it is a symbolic link";

// A large text is read into memory the system hands out in 2 MB pages
// where it can: one page fault for each of them instead of one per 4 KB.
void AskForHugePages([[maybe_unused]] std::string& text, [[maybe_unused]] std::size_t bytes) {
#ifdef __linux__
  constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
  if (bytes < 2 * kHugePage) return;
  text.reserve(bytes);
  const auto start = reinterpret_cast<std::uintptr_t>(text.data());
  const std::uintptr_t first = (start + kHugePage - 1) & ~(kHugePage - 1);
  const std::uintptr_t last = (start + bytes) & ~(kHugePage - 1);
  if (last > first) (void)::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#endif
}

#ifndef _WIN32
// Opened without following a link and without waiting for a pipe's writer,
// then checked on the open file, so nothing can be swapped in between.
Result<std::string> ReadPrivateFile(const std::filesystem::path& path, std::size_t maxBytes) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    const int err = errno;
    return OpenFailure(path, err, err == ELOOP ? kLinkReason : SystemReason(err));
  }
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat info {};
  if (::fstat(fd, &info) != 0) return ReadFailure(path, SystemReason(errno));
  if (!S_ISREG(info.st_mode)) return ReadFailure(path, kNotRegularReason);
  if (static_cast<std::size_t>(info.st_size) > maxBytes) return TooLargeFailure(path);
  std::string data;
  data.reserve(static_cast<std::size_t>(info.st_size));
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return ReadFailure(path, SystemReason(errno));
    if (got == 0) return data;
    // The size may have grown since fstat.
    if (data.size() + static_cast<std::size_t>(got) > maxBytes) return TooLargeFailure(path);
    data.append(buffer, static_cast<std::size_t>(got));
  }
}
#endif

}  // namespace

Result<std::string> ReadWholeFile(const std::filesystem::path& path, std::size_t maxBytes, FileAccess access) {
#ifndef _WIN32
  if (access == FileAccess::Private) return ReadPrivateFile(path, maxBytes);
#else
  (void)access;
#endif
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    const int err = errno;
    return OpenFailure(path, err, SystemReason(err));
  }
  // Read straight into the text, sized by what the file says it holds (a
  // pipe or device says nothing, and a file may grow meanwhile).
  std::error_code ec;
  const auto announced = std::filesystem::is_regular_file(path, ec) ? std::filesystem::file_size(path, ec) : 0;
  // One byte past the limit is enough to tell a file too large.
  const std::size_t cap = maxBytes < SIZE_MAX ? maxBytes + 1 : maxBytes;
  std::string data;
  std::size_t step = ec ? 0 : std::min<std::size_t>(announced, cap - 1) + 1;
  AskForHugePages(data, step);
  while (in && data.size() < cap) {
    step = std::max<std::size_t>(step, 65536);
    const std::size_t had = data.size();
    data.resize(had + std::min(step, cap - had));
    in.read(data.data() + had, static_cast<std::streamsize>(data.size() - had));
    data.resize(had + static_cast<std::size_t>(in.gcount()));
    step = data.size();
  }
  if (data.size() > maxBytes) return TooLargeFailure(path);
  if (in.bad()) return ReadFailure(path, SystemReason(errno));
  return data;
}

namespace {

constexpr std::string_view kTemporaryMark = ".velmora.tmp-";
constexpr std::size_t kRandomDigits = 12;
// Leaves room in a 255-byte file name for the mark and the random digits.
constexpr std::size_t kMaxNamePart = 200;
constexpr auto kStaleAge = std::chrono::hours(1);

std::filesystem::path FolderOf(const std::filesystem::path& file) {
  return file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
}

std::string RandomDigits() {
  static std::mt19937_64 generator{std::random_device{}()};
  static const char digits[] = "0123456789abcdef";
  std::string text;
  for (std::size_t i = 0; i < kRandomDigits; ++i) text += digits[generator() % 16];
  return text;
}

// Follows symbolic links to the file that is really written; a link whose
// target does not exist yet resolves to that target.
Result<std::filesystem::path> ResolveLinks(const std::filesystem::path& target) {
  std::filesystem::path path = target;
  for (int hops = 0; hops < 40; ++hops) {
    std::error_code ec;
    const auto status = std::filesystem::symlink_status(path, ec);
    if (ec || !std::filesystem::is_symlink(status)) return path;
    const std::filesystem::path next = std::filesystem::read_symlink(path, ec);
    if (ec) return WriteFailure(target, ec.message());
    path = next.is_absolute() ? next : FolderOf(path) / next;
  }
  return WriteFailure(target, "too many levels of symbolic links");
}

}  // namespace

bool IsOurTemporaryName(const std::string& fileName) {
  // Earlier versions wrote "<name>.tmp-<digits>"; those are ours as well.
  constexpr std::string_view kEarlierMark = ".tmp-";
  const auto endsInDigitsAfter = [&fileName](std::string_view mark, std::size_t minStart) {
    if (fileName.size() < minStart + mark.size() + kRandomDigits) return false;
    const std::size_t at = fileName.size() - kRandomDigits - mark.size();
    return fileName.compare(at, mark.size(), mark) == 0 &&
           fileName.find_first_not_of("0123456789abcdef", at + mark.size()) == std::string::npos;
  };
  return (!fileName.empty() && fileName.front() == '.' && endsInDigitsAfter(kTemporaryMark, 2)) ||
         endsInDigitsAfter(kEarlierMark, 1);
}

void RemoveStaleTemporaries(const std::filesystem::path& folder, std::filesystem::file_time_type::duration age) {
  std::error_code ec;
  std::filesystem::directory_iterator entries(folder, ec);
  if (ec) return;
  const auto cutoff = std::filesystem::file_time_type::clock::now() - age;
  for (; entries != std::filesystem::directory_iterator(); entries.increment(ec)) {
    if (ec) return;
    const auto& entry = *entries;
    std::error_code ignored;
    if (!IsOurTemporaryName(entry.path().filename().string()) || !entry.is_regular_file(ignored) ||
        entry.is_symlink(ignored))
      continue;
    const auto written = entry.last_write_time(ignored);
    if (!ignored && written < cutoff) std::filesystem::remove(entry.path(), ignored);
  }
}

Result<std::unique_ptr<ReplacementFile>> ReplacementFile::Open(const std::filesystem::path& target,
                                                               FileAccess access) {
  std::filesystem::path resolved = target;
  if (access != FileAccess::Private) {
    auto followed = ResolveLinks(target);
    if (!followed) return followed.error();
    resolved = std::move(*followed);
  }
  std::unique_ptr<ReplacementFile> file(new ReplacementFile(target, std::move(resolved), access));
  if (auto created = file->Create(); !created) return created.error();
  return file;
}

ReplacementFile::ReplacementFile(const std::filesystem::path& target, std::filesystem::path resolved,
                                 FileAccess access)
    : target_(target), resolved_(std::move(resolved)), access_(access) {}

Result<void> ReplacementFile::Create() {
  std::error_code ec;
  // The rename puts a new file in place of whatever stands at the name, so a
  // link planted after this check is replaced, never written through.
  const auto status = std::filesystem::symlink_status(resolved_, ec);
  const bool exists = !ec && std::filesystem::exists(status);
  if (std::filesystem::is_symlink(status)) return WriteFailure(target_, kLinkReason);
  if (exists && std::filesystem::is_directory(status)) return WriteFailure(target_, "it is a folder");
  if (exists && !std::filesystem::is_regular_file(status)) return WriteFailure(target_, kNotRegularReason);

  const std::filesystem::path folder = FolderOf(resolved_);
  RemoveStaleTemporaries(folder, kStaleAge);
  std::string name = resolved_.filename().string();
  if (name.size() > kMaxNamePart) name.resize(kMaxNamePart);
#ifndef _WIN32
  const bool isPrivate = access_ == FileAccess::Private;
  mode_t mode = isPrivate ? 0600 : 0666;
  struct stat existing {};
  const bool hadFile = !isPrivate && exists && ::lstat(resolved_.c_str(), &existing) == 0;
  if (hadFile) mode = existing.st_mode & 07777;
  int fd = -1;
  for (int attempt = 0; attempt < 8 && fd < 0; ++attempt) {
    temp_ = folder / ("." + name + std::string(kTemporaryMark) + RandomDigits());
    fd = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) return WriteFailure(target_, WriteReason(errno));
  if (hadFile) {
    // Root replacing a user's file must not hand it to root; others cannot change owners and need not.
    if (existing.st_uid != ::geteuid() || existing.st_gid != ::getegid())
      (void)!::fchown(fd, existing.st_uid, existing.st_gid);
    (void)::fchmod(fd, mode);
  }
  fd_ = fd;
#else
  temp_ = folder / ("." + name + std::string(kTemporaryMark) + RandomDigits());
#endif
  out_.open(temp_, std::ios::binary | std::ios::trunc);
  if (!out_) {
    const int err = errno;
    std::filesystem::remove(temp_, ec);
    return WriteFailure(target_, WriteReason(err));
  }
  return {};
}

ReplacementFile::~ReplacementFile() {
#ifndef _WIN32
  if (fd_ >= 0) ::close(fd_);
#endif
  if (committed_) return;
  out_.close();
  std::error_code ignored;
  std::filesystem::remove(temp_, ignored);
}

Result<void> ReplacementFile::Write(std::string_view bytes) {
  errno = 0;
  out_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out_) return WriteFailure(target_, WriteReason(errno));
  written_ += bytes.size();
#ifdef __linux__
  // Only a start: the writeback runs beside the writing, and the fsync in
  // Commit() still waits for all of it and reports any failure.
  constexpr std::uint64_t kWritebackStep = std::uint64_t{2} << 20;
  if (fd_ >= 0 && written_ - handedToDisk_ >= kWritebackStep) {
    if (!out_.flush()) return WriteFailure(target_, WriteReason(errno));
    (void)::sync_file_range(fd_, static_cast<off_t>(handedToDisk_), static_cast<off_t>(written_ - handedToDisk_),
                            SYNC_FILE_RANGE_WRITE);
    handedToDisk_ = written_;
  }
#endif
  return {};
}

Result<void> ReplacementFile::Commit() {
  errno = 0;
  out_.close();
  if (out_.fail()) return WriteFailure(target_, WriteReason(errno));
#ifndef _WIN32
  const int fd = fd_;
  fd_ = -1;
  if (fd < 0 || ::fsync(fd) != 0) {
    const int err = fd < 0 ? 0 : errno;
    if (fd >= 0) ::close(fd);
    return WriteFailure(target_, WriteReason(err));
  }
  if (::close(fd) != 0) return WriteFailure(target_, WriteReason(errno));
#endif
  std::error_code ec;
  std::filesystem::rename(temp_, resolved_, ec);
  if (ec) return FileFailure(ErrorKind::Unwritable, "Cannot replace the file", target_, ec.message());
  committed_ = true;
#ifndef _WIN32
  // The rename itself reaches the disk with the folder.
  const int folder = ::open(FolderOf(resolved_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    (void)::fsync(folder);
    ::close(folder);
  }
#endif
  return {};
}

Result<void> WriteFileAtomic(const std::filesystem::path& path, std::string_view bytes, FileAccess access) {
  auto file = ReplacementFile::Open(path, access);
  if (!file) return file.error();
  if (auto written = (*file)->Write(bytes); !written) return written;
  return (*file)->Commit();
}

bool MakePrivateFolders(const std::filesystem::path& folder) {
  std::error_code ec;
  if (folder.empty()) return false;
  if (std::filesystem::is_directory(folder, ec)) return true;
#ifndef _WIN32
  // The missing folders, outermost first.
  std::vector<std::filesystem::path> missing;
  std::filesystem::path start = folder.lexically_normal();
  if (start.filename().empty()) start = start.parent_path();  // a trailing separator
  for (std::filesystem::path at = start; !at.empty(); at = at.parent_path()) {
    if (!at.has_relative_path() && at.has_root_path()) break;  // the root always exists
    if (std::filesystem::exists(std::filesystem::symlink_status(at, ec))) break;
    missing.push_back(at);
    if (!at.has_parent_path() || at.parent_path() == at) break;
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it)
    if (::mkdir(it->c_str(), 0700) != 0 && errno != EEXIST) return false;
#else
  std::filesystem::create_directories(folder, ec);
#endif
  return std::filesystem::is_directory(folder, ec);
}

Result<Lines> ReadLineFile(const std::filesystem::path& path) {
  auto bytes = ReadWholeFile(path);
  if (!bytes) return bytes.error();
  return SplitLines(*bytes);
}

Result<void> WriteLineFile(const std::filesystem::path& path, const Lines& lines) {
  return WriteFileAtomic(path, JoinLines(lines));
}

namespace {

constexpr std::size_t kLineBufferBytes = std::size_t{64} << 10;

// Whether every line end in `text` is already CR LF, none cut off at its
// end: an LF exactly where a CR stands before it. One pass without early
// exits, which the compiler vectorises; a page has too many short lines
// for a search per line.
bool EndsLinesInCrLfOnly(std::string_view text) {
  const auto* data = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t size = text.size();
  if (size == 0) return true;
  if (data[0] == '\n' || data[size - 1] == '\r') return false;
  unsigned char unpaired = 0;
  for (std::size_t i = 1; i < size; ++i) unpaired |= static_cast<unsigned char>((data[i] == '\n') != (data[i - 1] == '\r'));
  return unpaired == 0;
}

}  // namespace

LineFileWriter::LineFileWriter(std::function<Result<void>(std::string_view)> out) : out_(std::move(out)) {
  buffer_.reserve(kLineBufferBytes);
}

void LineFileWriter::Pass(std::string_view bytes) {
  if (failed_) return;
  if (auto passed = out_(bytes); !passed) failed_ = passed.error();
}

void LineFileWriter::Put(std::string_view bytes) {
  if (bytes.empty()) return;
  lineOpen_ = bytes.back() != '\n';
  if (buffer_.size() + bytes.size() > kLineBufferBytes) {
    if (!buffer_.empty()) Pass(buffer_);
    buffer_.clear();
    if (bytes.size() >= kLineBufferBytes) {
      Pass(bytes);
      return;
    }
  }
  buffer_.append(bytes);
}

void LineFileWriter::Write(std::string_view text) {
  if (stopped_ || failed_ || text.empty()) return;
  if (const void* nul = std::memchr(text.data(), '\0', text.size())) {
    text = text.substr(0, static_cast<std::size_t>(static_cast<const char*>(nul) - text.data()));
    stopped_ = true;
  }
  const char* data = text.data();
  const std::size_t size = text.size();
  std::size_t i = 0;
  if (afterCr_ && size > 0) {
    afterCr_ = false;
    if (data[0] == '\n') i = 1;
  }
  // What the program makes itself passes on as it is, without a copy.
  if (EndsLinesInCrLfOnly(text.substr(i))) {
    Put(text.substr(i));
    return;
  }
  // Runs up to each LF are copied whole when the LF ends them in CR LF.
  while (i < size) {
    const auto* lf = static_cast<const char*>(std::memchr(data + i, '\n', size - i));
    const std::size_t end = lf ? static_cast<std::size_t>(lf - data) : size;
    for (const char* cr; (cr = static_cast<const char*>(std::memchr(data + i, '\r', end - i)));) {
      const auto at = static_cast<std::size_t>(cr - data);
      if (lf && at + 1 == end) break;
      Put(text.substr(i, at - i));
      Put("\r\n");
      i = at + 1;
      if (i == size) afterCr_ = true;
    }
    if (!lf) {
      Put(text.substr(i));
      return;
    }
    if (end > i && data[end - 1] == '\r') {
      Put(text.substr(i, end + 1 - i));
    } else {
      Put(text.substr(i, end - i));
      Put("\r\n");
    }
    i = end + 1;
  }
}

Result<void> LineFileWriter::Finish() {
  if (lineOpen_) Put("\r\n");
  lineOpen_ = false;
  if (!buffer_.empty()) Pass(buffer_);
  buffer_.clear();
  if (failed_) return *failed_;
  return {};
}

Result<void> WriteLineText(const std::filesystem::path& path, std::string_view text) {
  auto file = ReplacementFile::Open(path);
  if (!file) return file.error();
  LineFileWriter lines([&file](std::string_view bytes) { return (*file)->Write(bytes); });
  lines.Write(text);
  if (auto written = lines.Finish(); !written) return written;
  return (*file)->Commit();
}

}  // namespace velmora

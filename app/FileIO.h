#pragma once
// Whole-file reading and writing. Writers never overwrite in place: they
// write beside the target, flush, and rename over it, so a failure leaves
// the old file as it was.

#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// A file that could not be opened, read or written. Unhandled, it reaches
// the program's error report, which shows what(), reason() and the stack.
class FileError : public std::runtime_error {
public:
  FileError(std::string operation, std::filesystem::path path, std::string reason);
  const std::string& operation() const { return operation_; }
  const std::filesystem::path& path() const { return path_; }
  const std::string& reason() const { return reason_; }
  // Stack at the point of the throw, when a capture hook is installed.
  const std::string& stack() const { return stack_; }

private:
  std::string operation_;
  std::filesystem::path path_;
  std::string reason_;
  std::string stack_;
};

// The program installs a stack capture (Boost.Stacktrace); the core has none.
void SetStackCaptureHook(std::function<std::string()> hook);
std::string CaptureStack();

// Reads a whole file; throws FileError. maxBytes guards against huge files.
std::string ReadWholeFile(const std::filesystem::path& path,
                          std::size_t maxBytes = std::size_t{1} << 31);

// The one way the program replaces a file. The new content goes into a
// temporary file of ours beside the target (".<name>.velmora.tmp-<random>"),
// and Commit() flushes it to disk and renames it over the target. A target
// that is a symbolic link is followed: the file it points to is replaced
// and the link stays. A target that exists but is not a regular file (a
// folder, a device, a pipe) is refused before anything is written. The
// replacement keeps the old file's permissions. Dropped without Commit(),
// the temporary file is removed, so the target is as it was. Temporaries
// of ours older than an hour, left by a process that was killed, are
// removed from the folder when it is next written to.
class ReplacementFile {
public:
  // Throws FileError when the target is refused or nothing can be created beside it.
  explicit ReplacementFile(const std::filesystem::path& target);
  ~ReplacementFile();
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  // For writers that stream; check it before Commit().
  std::ostream& stream() { return out_; }
  // Throws FileError when the bytes cannot be written.
  void Write(std::string_view bytes);
  // Throws FileError when the file cannot be made durable or put in place;
  // the target then keeps its old content.
  void Commit();

  // Where the content lands: the target, with symbolic links followed.
  const std::filesystem::path& ResolvedTarget() const { return resolved_; }

private:
  std::filesystem::path target_;
  std::filesystem::path resolved_;
  std::filesystem::path temp_;
  std::ofstream out_;
  bool committed_ = false;
};

// Temporaries of ours in `folder` older than `age` (an hour for writers) are removed.
void RemoveStaleTemporaries(const std::filesystem::path& folder, std::filesystem::file_time_type::duration age);
bool IsOurTemporaryName(const std::string& fileName);

// Replaces the file atomically with the bytes; throws FileError.
void WriteFileAtomic(const std::filesystem::path& path, std::string_view bytes);

using Lines = std::vector<std::string>;
// Line files: lines end at CR LF, lone CR or lone LF; reading stops at NUL.
Lines ReadLineFile(const std::filesystem::path& path);
// Every line, the last included, is written with CR LF after it.
void WriteLineFile(const std::filesystem::path& path, const Lines& lines);

}  // namespace velmora

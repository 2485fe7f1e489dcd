#pragma once
// Whole-file reading and writing. Writers never overwrite in place: they
// write beside the target, flush, and rename over it, so a failure leaves
// the old file as it was.

#include <filesystem>
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
// Replaces the file atomically with the bytes; throws FileError.
void WriteFileAtomic(const std::filesystem::path& path, std::string_view bytes);

using Lines = std::vector<std::string>;
// Line files: lines end at CR LF, lone CR or lone LF; reading stops at NUL.
Lines ReadLineFile(const std::filesystem::path& path);
// Every line, the last included, is written with CR LF after it.
void WriteLineFile(const std::filesystem::path& path, const Lines& lines);

}  // namespace velmora

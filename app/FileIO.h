#pragma once
// Whole-file reading and writing. Writers never overwrite in place: they
// write beside the target, flush, and rename over it, so a failure leaves
// the old file as it was.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/Result.h"

namespace velmora {

// A file operation's failure, worded the same way everywhere:
// `Cannot read the file "/path": the reason`.
Error FileFailure(ErrorKind kind, const std::string& operation, const std::filesystem::path& path,
                  const std::string& reason);

// How a file is reached. The user's files are Ordinary: a symbolic link is
// followed to the file it names. The program's own files (crash-recovery
// copies) are Private: only a regular file at that very name is read or
// replaced, and it is readable by the user alone (0600). A link, a pipe or a
// device there is refused, so nobody can point those reads and writes at
// another file or stall them on a pipe.
enum class FileAccess { Ordinary, Private };

// Reads a whole file: NotFound, Unreadable, or TooLarge over maxBytes,
// which guards against huge files.
Result<std::string> ReadWholeFile(const std::filesystem::path& path,
                          std::size_t maxBytes = std::size_t{1} << 31,
                          FileAccess access = FileAccess::Ordinary);

// Creates the folder and the missing folders above it, each for the user
// alone (0700); folders that exist keep their mode. False when `folder` is
// not a folder afterwards. Every folder the program makes is made here.
bool MakePrivateFolders(const std::filesystem::path& folder);

// The one way the program replaces a file. The new content goes into a
// temporary file of ours beside the target (".<name>.velmora.tmp-<random>"),
// and Commit() flushes it to disk and renames it over the target. A target
// that is a symbolic link is followed: the file it points to is replaced
// and the link stays (a Private target that is a link is refused instead). A
// target that exists but is not a regular file (a folder, a device, a pipe)
// is refused before anything is written. The replacement keeps the old
// file's permissions (a Private one is always 0600). Dropped without Commit(),
// the temporary file is removed, so the target is as it was. Temporaries
// of ours older than an hour, left by a process that was killed, are
// removed from the folder when it is next written to.
class ReplacementFile {
public:
  // Unwritable when the target is refused or nothing can be created beside it.
  static Result<std::unique_ptr<ReplacementFile>> Open(const std::filesystem::path& target,
                                                       FileAccess access = FileAccess::Ordinary);
  ~ReplacementFile();
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  // For writers that stream; Commit() notices a failed stream.
  std::ostream& stream() { return out_; }
  // A large file goes to the disk while it is still being written, a few
  // megabytes at a time, so that Commit() has little left to wait for.
  Result<void> Write(std::string_view bytes);
  // Unwritable when the file cannot be made durable or put in place; the
  // target then keeps its old content.
  Result<void> Commit();

  // Where the content lands: the target, with symbolic links followed.
  const std::filesystem::path& ResolvedTarget() const { return resolved_; }

private:
  ReplacementFile(const std::filesystem::path& target, std::filesystem::path resolved, FileAccess access);
  Result<void> Create();

  std::filesystem::path target_;
  std::filesystem::path resolved_;
  std::filesystem::path temp_;
  std::ofstream out_;
  int fd_ = -1;  // the temporary file, for its writeback and its fsync
  std::uint64_t written_ = 0;
  std::uint64_t handedToDisk_ = 0;
  FileAccess access_;
  bool committed_ = false;
};

// Temporaries of ours in `folder` older than `age` (an hour for writers) are removed.
void RemoveStaleTemporaries(const std::filesystem::path& folder, std::filesystem::file_time_type::duration age);
bool IsOurTemporaryName(const std::string& fileName);

// Replaces the file atomically with the bytes.
Result<void> WriteFileAtomic(const std::filesystem::path& path, std::string_view bytes,
                     FileAccess access = FileAccess::Ordinary);

using Lines = std::vector<std::string>;
// Line files: lines end at CR LF, lone CR or lone LF; reading stops at NUL.
Result<Lines> ReadLineFile(const std::filesystem::path& path);
// Every line, the last included, is written with CR LF after it.
Result<void> WriteLineFile(const std::filesystem::path& path, const Lines& lines);

// A text made a line file as it passes through in parts, without holding
// it as lines: what arrives comes out as JoinLines(SplitLines(whole text))
// would give it, every line end CR LF, nothing from a NUL byte on, the last
// line ended. The bytes go to `out` in parts of up to some kilobytes; once
// `out` fails, nothing more is passed on and Finish() tells why.
class LineFileWriter {
public:
  explicit LineFileWriter(std::function<Result<void>(std::string_view)> out);
  LineFileWriter(const LineFileWriter&) = delete;
  LineFileWriter& operator=(const LineFileWriter&) = delete;

  void Write(std::string_view text);
  // Ends the last line and hands on what is held.
  Result<void> Finish();

private:
  void Put(std::string_view bytes);
  void Pass(std::string_view bytes);

  std::function<Result<void>(std::string_view)> out_;
  std::string buffer_;
  std::optional<Error> failed_;
  bool afterCr_ = false;   // a CR ended the last part: an LF that follows belongs to it
  bool lineOpen_ = false;  // bytes were written since the last line end
  bool stopped_ = false;   // a NUL byte was met
};

// WriteLineFile for a text: the same bytes, made on the way to the file.
Result<void> WriteLineText(const std::filesystem::path& path, std::string_view text);

}  // namespace velmora

#pragma once
// Crash recovery files: each running instance keeps its unsaved project in
// a file of its own, guarded by a lock file that lives as long as the
// instance. A file whose lock nobody holds was left by an instance that
// ended without cleaning up, and can be offered back at the next start.
// The copies are private plain files: made 0600 in a folder made 0700, and
// only regular files are read, adopted or replaced, so a link, a pipe or a
// device in the folder is never followed, waited on or offered.

#include <QDateTime>
#include <QLockFile>
#include <QString>
#include <QThreadPool>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "project/ProjectFile.h"

namespace velmora {

class RecoveryStore {
public:
  // `maxBytes`: a copy larger than this is dropped with a note in the log,
  // never offered (the project size cap, which a load would refuse anyway).
  explicit RecoveryStore(QString folder, std::size_t maxBytes = kMaxProjectBytes);
  // Waits for a write in flight and removes this instance's file.
  ~RecoveryStore();
  RecoveryStore(const RecoveryStore&) = delete;
  RecoveryStore& operator=(const RecoveryStore&) = delete;

  // A file left behind by an instance that is no longer running. Its lock is
  // held while the object lives, so no other instance offers it meanwhile.
  struct Orphan {
    QString file;
    QDateTime written;
    std::unique_ptr<QLockFile> lock;
  };
  // Newest first.
  std::vector<Orphan> TakeOrphans();
  Result<std::string> Read(const Orphan& orphan) const;
  static void Remove(Orphan& orphan);
  // Makes the orphan's file this instance's own in one rename, so restored
  // work is never without a copy on disk.
  void Adopt(Orphan& orphan);

  // Replaces this instance's file with `text` on a worker thread, so typing
  // never waits for the disk; writes happen in the order asked.
  void Write(std::string text);
  // Waits for writes in flight, then removes this instance's file.
  void Clear();

  const QString& OwnFile() const { return file_; }

private:
  bool EnsureOwnLock();

  QString folder_;
  std::size_t maxBytes_;
  QString file_;
  std::unique_ptr<QLockFile> lock_;
  QThreadPool writer_;
};

}  // namespace velmora

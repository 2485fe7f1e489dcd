#pragma once
// Crash recovery files: each running instance keeps its unsaved project in
// a file of its own, guarded by a lock file that lives as long as the
// instance. A file whose lock nobody holds was left by an instance that
// ended without cleaning up, and can be offered back at the next start.

#include <QDateTime>
#include <QLockFile>
#include <QString>
#include <QThreadPool>
#include <memory>
#include <string>
#include <vector>

namespace velmora {

class TRecoveryStore {
public:
  // The recovery folder of this user; created when first needed.
  static QString DefaultFolder();

  explicit TRecoveryStore(QString folder);
  // Waits for a write in flight and removes this instance's file.
  ~TRecoveryStore();
  TRecoveryStore(const TRecoveryStore&) = delete;
  TRecoveryStore& operator=(const TRecoveryStore&) = delete;

  // A file left behind by an instance that is no longer running. Its lock is
  // held while the object lives, so no other instance offers it meanwhile.
  struct Orphan {
    QString file;
    QDateTime written;
    std::unique_ptr<QLockFile> lock;
  };
  // Newest first.
  std::vector<Orphan> TakeOrphans();
  static std::string Read(const Orphan& orphan);  // throws FileError
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
  QString file_;
  std::unique_ptr<QLockFile> lock_;
  QThreadPool writer_;
};

}  // namespace velmora

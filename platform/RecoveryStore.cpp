#include "platform/RecoveryStore.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QUuid>
#include <algorithm>
#include <filesystem>

#include "app/FileIO.h"
#include "platform/QtText.h"

Q_LOGGING_CATEGORY(lcRecovery, "velmora.recovery")

namespace velmora {

namespace fs = std::filesystem;

namespace {

const QString kPrefix = QStringLiteral("recovery-");
const QString kData = QStringLiteral(".set");
const QString kLock = QStringLiteral(".lock");

bool IsCopyName(const QString& name) { return name.startsWith(kPrefix) && name.endsWith(kData); }

bool IsPlainFile(const QString& file) {
  std::error_code ec;
  return fs::is_regular_file(fs::symlink_status(ToPath(file), ec));
}

}  // namespace

RecoveryStore::RecoveryStore(QString folder, std::size_t maxBytes) : folder_(std::move(folder)), maxBytes_(maxBytes) {
  writer_.setMaxThreadCount(1);  // one writer keeps the writes in order
  const QString id = kPrefix + QString::number(QCoreApplication::applicationPid()) + QLatin1Char('-') +
                     QUuid::createUuid().toString(QUuid::Id128).left(8);
  file_ = folder_ + QLatin1Char('/') + id + kData;
  lock_ = std::make_unique<QLockFile>(folder_ + QLatin1Char('/') + id + kLock);
  lock_->setStaleLockTime(0);  // only a dead owner makes a lock stale, never its age
}

RecoveryStore::~RecoveryStore() { Clear(); }

bool RecoveryStore::EnsureOwnLock() {
  if (lock_->isLocked()) return true;
  MakePrivateFolders(ToPath(folder_));
  return lock_->tryLock(0);
}

std::vector<RecoveryStore::Orphan> RecoveryStore::TakeOrphans() {
  std::vector<Orphan> orphans;
  std::error_code ec;
  fs::directory_iterator entries(ToPath(folder_), ec);
  for (; !ec && entries != fs::directory_iterator(); entries.increment(ec)) {
    const QString file = FromPath(entries->path());
    const QFileInfo info(file);
    if (!IsCopyName(info.fileName()) || info.fileName() == QFileInfo(file_).fileName()) continue;
    std::error_code ignored;
    const fs::file_status status = entries->symlink_status(ignored);
    if (!fs::is_regular_file(status)) {
      // Not something an instance of ours wrote: reading it could stall on a
      // pipe or show another file, and a rename could put a link in place.
      qCWarning(lcRecovery) << "Ignored" << file << "in the recovery folder: it is not a regular file";
      continue;
    }
    auto lock = std::make_unique<QLockFile>(folder_ + QLatin1Char('/') + info.completeBaseName() + kLock);
    lock->setStaleLockTime(0);
    // A lock that can be taken belongs to nobody running: its owner is gone.
    if (!lock->tryLock(0)) continue;
    if (static_cast<std::size_t>(info.size()) > maxBytes_) {
      qCWarning(lcRecovery) << "Dropped the recovery copy" << file << "of" << info.size()
                            << "bytes: larger than a project may be";
      QFile::remove(file);
      continue;
    }
    orphans.push_back({file, info.lastModified(), std::move(lock)});
  }
  std::sort(orphans.begin(), orphans.end(), [](const Orphan& a, const Orphan& b) { return a.written > b.written; });
  return orphans;
}

Result<std::string> RecoveryStore::Read(const Orphan& orphan) const {
  return ReadWholeFile(ToPath(orphan.file), maxBytes_, FileAccess::Private);
}

void RecoveryStore::Remove(Orphan& orphan) {
  QFile::remove(orphan.file);
  orphan.lock->unlock();
}

void RecoveryStore::Adopt(Orphan& orphan) {
  writer_.waitForDone();
  // Checked again: the file may have been swapped for a link since it was read.
  // Left in place, the next write makes a copy of the restored work instead.
  if (IsPlainFile(orphan.file) && EnsureOwnLock()) {
    std::error_code ec;
    fs::rename(ToPath(orphan.file), ToPath(file_), ec);
  }
  orphan.lock->unlock();
}

void RecoveryStore::Write(std::string text) {
  if (!EnsureOwnLock()) return;  // without the lock another instance could take the file for an orphan
  const fs::path path = ToPath(file_);
  writer_.start([path, text = std::move(text)] {
    // Not worth interrupting the user for; the previous copy stays in place.
    if (const auto written = WriteFileAtomic(path, text, FileAccess::Private); !written)
      qCWarning(lcRecovery) << "No recovery copy was written:" << written.error().message.c_str();
  });
}

void RecoveryStore::Clear() {
  writer_.waitForDone();
  QFile::remove(file_);
}

}  // namespace velmora

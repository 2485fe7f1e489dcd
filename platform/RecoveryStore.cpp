#include "platform/RecoveryStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

#include "platform/QtText.h"
#include <algorithm>

#include "app/FileIO.h"
#include "platform/QtPlaces.h"

namespace velmora {

namespace {

const QString kPrefix = QStringLiteral("recovery-");
const QString kData = QStringLiteral(".set");
const QString kLock = QStringLiteral(".lock");

}  // namespace

QString TRecoveryStore::DefaultFolder() {
  // In the program's per-user data folder, beside the user's templates.
  return QFile::decodeName(QByteArray::fromStdString((StandardUserFolders().data / "recovery").string()));
}

TRecoveryStore::TRecoveryStore(QString folder) : folder_(std::move(folder)) {
  writer_.setMaxThreadCount(1);  // one writer keeps the writes in order
  const QString id = kPrefix + QString::number(QCoreApplication::applicationPid()) + QLatin1Char('-') +
                     QUuid::createUuid().toString(QUuid::Id128).left(8);
  file_ = folder_ + QLatin1Char('/') + id + kData;
  lock_ = std::make_unique<QLockFile>(folder_ + QLatin1Char('/') + id + kLock);
  lock_->setStaleLockTime(0);  // only a dead owner makes a lock stale, never its age
}

TRecoveryStore::~TRecoveryStore() { Clear(); }

bool TRecoveryStore::EnsureOwnLock() {
  if (lock_->isLocked()) return true;
  QDir().mkpath(folder_);
  return lock_->tryLock(0);
}

std::vector<TRecoveryStore::Orphan> TRecoveryStore::TakeOrphans() {
  std::vector<Orphan> orphans;
  const QDir folder(folder_);
  const QFileInfoList files =
      folder.entryInfoList({kPrefix + QLatin1Char('*') + kData}, QDir::Files | QDir::NoDotAndDotDot);
  for (const QFileInfo& info : files) {
    if (info.absoluteFilePath() == QFileInfo(file_).absoluteFilePath()) continue;
    auto lock = std::make_unique<QLockFile>(folder_ + QLatin1Char('/') + info.completeBaseName() + kLock);
    lock->setStaleLockTime(0);
    // A lock that can be taken belongs to nobody running: its owner is gone.
    if (!lock->tryLock(0)) continue;
    orphans.push_back({info.absoluteFilePath(), info.lastModified(), std::move(lock)});
  }
  std::sort(orphans.begin(), orphans.end(), [](const Orphan& a, const Orphan& b) { return a.written > b.written; });
  return orphans;
}

std::string TRecoveryStore::Read(const Orphan& orphan) { return ReadWholeFile(ToPath(orphan.file)); }

void TRecoveryStore::Remove(Orphan& orphan) {
  QFile::remove(orphan.file);
  orphan.lock->unlock();
}

void TRecoveryStore::Adopt(Orphan& orphan) {
  writer_.waitForDone();
  if (EnsureOwnLock()) {
    std::error_code ec;
    std::filesystem::rename(ToPath(orphan.file), ToPath(file_), ec);
  }
  orphan.lock->unlock();
}

void TRecoveryStore::Write(std::string text) {
  if (!EnsureOwnLock()) return;  // without the lock another instance could take the file for an orphan
  const std::filesystem::path path = ToPath(file_);
  writer_.start([path, text = std::move(text)] {
    try {
      WriteFileAtomic(path, text);
    } catch (const FileError&) {
      // A recovery copy that cannot be written is not worth interrupting the user for;
      // the previous copy stays in place.
    }
  });
}

void TRecoveryStore::Clear() {
  writer_.waitForDone();
  QFile::remove(file_);
}

}  // namespace velmora

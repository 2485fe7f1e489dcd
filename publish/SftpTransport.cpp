#include "publish/SftpTransport.h"

#include <fcntl.h>
#include <libssh/libssh.h>
#include <libssh/sftp.h>

#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <sstream>
#include <thread>

#include "app/FileIO.h"
#include "app/Utils.h"
#include "publish/Publisher.h"

namespace velmora {

namespace {

constexpr std::size_t kChunk = std::size_t{128} << 10;
constexpr std::size_t kMaxKnownHostsBytes = std::size_t{1} << 20;

std::string HostPortOf(const PublishTarget& target) { return target.host + ":" + std::to_string(target.port); }

}  // namespace

namespace {

// Once connected, libssh's blocking SFTP calls wait for the server without
// end. The watch ends a call that sees no progress for the stall timeout by
// shutting the connection, which wakes the call with an error.
class StallWatch {
public:
  StallWatch(int fd, std::chrono::seconds limit) : fd_(fd), limit_(limit), thread_([this] { Watch(); }) {}
  ~StallWatch() {
    {
      const std::lock_guard lock(mutex_);
      stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }
  // A call starts, or makes progress.
  void Begin() {
    {
      const std::lock_guard lock(mutex_);
      busy_ = true;
      last_ = Clock::now();
    }
    wake_.notify_all();
  }
  void Progress() {
    const std::lock_guard lock(mutex_);
    last_ = Clock::now();
  }
  void End() {
    const std::lock_guard lock(mutex_);
    busy_ = false;
  }
  bool Stalled() const { return stalled_; }

private:
  using Clock = std::chrono::steady_clock;
  void Watch() {
    std::unique_lock lock(mutex_);
    while (!stop_) {
      if (!busy_ || stalled_) {
        wake_.wait(lock);
      } else if (Clock::now() - last_ >= limit_) {
        ::shutdown(fd_, SHUT_RDWR);
        stalled_ = true;
      } else {
        wake_.wait_until(lock, last_ + limit_);
      }
    }
  }

  const int fd_;
  const std::chrono::seconds limit_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stop_ = false;
  bool busy_ = false;
  std::atomic<bool> stalled_{false};
  Clock::time_point last_;
  std::thread thread_;
};

// Watches one call for as long as it runs.
class Watched {
public:
  explicit Watched(StallWatch* watch) : watch_(watch) {
    if (watch_) watch_->Begin();
  }
  ~Watched() {
    if (watch_) watch_->End();
  }
  Watched(const Watched&) = delete;
  Watched& operator=(const Watched&) = delete;
  void Progress() {
    if (watch_) watch_->Progress();
  }

private:
  StallWatch* watch_;
};

}  // namespace

struct SftpTransport::Session {
  ssh_session ssh = nullptr;
  sftp_session sftp = nullptr;
  std::unique_ptr<StallWatch> watch;
  ~Session() {
    // Stopped first: it must never shut a socket that is closed, or reused.
    watch.reset();
    if (sftp) sftp_free(sftp);
    if (ssh) {
      ssh_disconnect(ssh);
      ssh_free(ssh);
    }
  }
};

Result<std::optional<std::string>> PinnedKey(const std::filesystem::path& knownHosts, const std::string& hostPort) {
  const auto text = ReadWholeFile(knownHosts, kMaxKnownHostsBytes);
  if (!text) {
    if (text.error().kind == ErrorKind::NotFound) return std::optional<std::string>();
    return text.error();
  }
  std::istringstream lines(*text);
  std::string line;
  while (std::getline(lines, line)) {
    const std::size_t space = line.find(' ');
    if (space != std::string::npos && line.compare(0, space, hostPort) == 0)
      return std::optional<std::string>(line.substr(space + 1));
  }
  return std::optional<std::string>();
}

Result<void> PinKey(const std::filesystem::path& knownHosts, const std::string& hostPort, const std::string& key) {
  std::string kept;
  const auto text = ReadWholeFile(knownHosts, kMaxKnownHostsBytes);
  if (!text && text.error().kind != ErrorKind::NotFound) return text.error();
  if (text) {
    std::istringstream lines(*text);
    std::string line;
    while (std::getline(lines, line))
      if (line.compare(0, hostPort.size() + 1, hostPort + " ") != 0) kept += line + "\n";
  }
  if (!knownHosts.parent_path().empty() && !MakePrivateFolders(knownHosts.parent_path()))
    return FileFailure(ErrorKind::Unwritable, "Cannot create the folder", knownHosts.parent_path(), "it is not a folder");
  return WriteFileAtomic(knownHosts, kept + hostPort + " " + key + "\n");
}

SftpTransport::SftpTransport(PublishTarget target, SftpLogin login)
    : target_(std::move(target)), login_(std::move(login)) {}

SftpTransport::~SftpTransport() = default;

Error SftpTransport::SftpError(const std::string& what) const {
  if (session_ && session_->watch && session_->watch->Stalled())
    return Error{ErrorKind::Unreadable, what + ": nothing came from the server for " +
                                            std::to_string(login_.stallSeconds) + " s; the connection was closed"};
  std::string words = session_ && session_->ssh ? ssh_get_error(session_->ssh) : "";
  if (session_ && session_->sftp) {
    const int code = sftp_get_error(session_->sftp);
    static const char* const kCodes[] = {"ok", "end of file", "no such file", "permission denied", "failure",
                                         "bad message", "no connection", "connection lost", "unsupported",
                                         "invalid handle", "no such path", "file already exists",
                                         "write protected", "no media"};
    if (code > 0 && code < static_cast<int>(std::size(kCodes)))
      words = std::string(kCodes[code]) + (words.empty() ? "" : " (" + words + ")");
  }
  return Error{ErrorKind::Unreadable, what + ": " + (words.empty() ? "the server gave no reason" : words)};
}

std::string SftpTransport::Remote(const std::string& path) const { return target_.folder + path; }

Result<void> SftpTransport::Connect() {
  session_ = std::make_unique<Session>();
  session_->ssh = ssh_new();
  if (!session_->ssh) return Error{ErrorKind::Unreadable, "Cannot start an SSH session"};
  ssh_session ssh = session_->ssh;
  const unsigned int port = static_cast<unsigned int>(target_.port);
  long timeout = login_.stallSeconds;
  int verbosity = SSH_LOG_NOLOG;
  // Our own pins, never the user's ~/.ssh files: nothing outside them is trusted or written.
  const std::string noFile = "/dev/null";
  ssh_options_set(ssh, SSH_OPTIONS_HOST, target_.host.c_str());
  ssh_options_set(ssh, SSH_OPTIONS_PORT, &port);
  ssh_options_set(ssh, SSH_OPTIONS_USER, target_.user.c_str());
  ssh_options_set(ssh, SSH_OPTIONS_TIMEOUT, &timeout);
  ssh_options_set(ssh, SSH_OPTIONS_LOG_VERBOSITY, &verbosity);
  ssh_options_set(ssh, SSH_OPTIONS_KNOWNHOSTS, noFile.c_str());
  ssh_options_set(ssh, SSH_OPTIONS_GLOBAL_KNOWNHOSTS, noFile.c_str());
  int noConfig = 0;
  ssh_options_set(ssh, SSH_OPTIONS_PROCESS_CONFIG, &noConfig);
  // Each SFTP request waits for its answer; Nagle's delay would hold many of them.
  int noDelay = 1;
  ssh_options_set(ssh, SSH_OPTIONS_NODELAY, &noDelay);
  if (ssh_connect(ssh) != SSH_OK)
    return Error{ErrorKind::Unreadable, "Cannot reach " + HostPortOf(target_) + ": " + ssh_get_error(ssh)};
  session_->watch = std::make_unique<StallWatch>(ssh_get_fd(ssh), std::chrono::seconds(login_.stallSeconds));
  Watched watched(session_->watch.get());

  ssh_key key = nullptr;
  if (ssh_get_server_publickey(ssh, &key) != SSH_OK) return Error{ErrorKind::Unreadable, "The server showed no key"};
  unsigned char* hash = nullptr;
  size_t hashLength = 0;
  const int hashed = ssh_get_publickey_hash(key, SSH_PUBLICKEY_HASH_SHA256, &hash, &hashLength);
  ssh_key_free(key);
  if (hashed != 0) return Error{ErrorKind::Unreadable, "Cannot read the server's key"};
  char* fingerprint = ssh_get_fingerprint_hash(SSH_PUBLICKEY_HASH_SHA256, hash, hashLength);
  ssh_clean_pubkey_hash(&hash);
  hostKey_ = fingerprint ? fingerprint : "";
  ssh_string_free_char(fingerprint);

  const std::string hostPort = HostPortOf(target_);
  const auto pinnedOrError = PinnedKey(login_.knownHosts, hostPort);
  if (!pinnedOrError) return pinnedOrError.error();
  const std::optional<std::string>& pinned = *pinnedOrError;
  if (pinned && *pinned != hostKey_)
    return Error{ErrorKind::Invalid, "The key of " + hostPort + " has changed: it is " + hostKey_ + ", " +
                                         login_.knownHosts.string() + " pins " + *pinned +
                                         ". Someone may be in between; nothing was sent."};
  if (!pinned) {
    if (login_.acceptedKey != hostKey_)
      return Error{ErrorKind::Invalid, "The host " + hostPort + " is not known yet. Its key is " + hostKey_ +
                                           "; accept it only if the host's owner confirms it."};
    if (auto pinnedNow = PinKey(login_.knownHosts, hostPort, hostKey_); !pinnedNow) return pinnedNow.error();
  }

  int auth = SSH_AUTH_DENIED;
  if (login_.identity) {
    ssh_key privateKey = nullptr;
    if (ssh_pki_import_privkey_file(login_.identity->c_str(), login_.password.empty() ? nullptr : login_.password.c_str(),
                                    nullptr, nullptr, &privateKey) != SSH_OK)
      return Error{ErrorKind::Unreadable, "Cannot read the key " + login_.identity->string() +
                                              " (is it a private key, and its passphrase right?)"};
    auth = ssh_userauth_publickey(ssh, nullptr, privateKey);
    ssh_key_free(privateKey);
  } else {
    auth = ssh_userauth_password(ssh, nullptr, login_.password.c_str());
  }
  if (auth != SSH_AUTH_SUCCESS)
    return Error{ErrorKind::Unreadable, "The server refused the login of " + target_.user + ": " + ssh_get_error(ssh)};

  session_->sftp = sftp_new(ssh);
  if (!session_->sftp || sftp_init(session_->sftp) != SSH_OK) return SftpError("Cannot start SFTP");
  if (!target_.folder.empty()) {
    const std::string folder = target_.folder.substr(0, target_.folder.size() - 1);
    sftp_attributes attributes = sftp_stat(session_->sftp, folder.c_str());
    if (!attributes) return SftpError("Cannot open the folder " + target_.folder);
    sftp_attributes_free(attributes);
  }
  return {};
}

Result<std::optional<std::string>> SftpTransport::Read(const std::string& path, std::size_t maxBytes) {
  Watched watched(session_->watch.get());
  sftp_file file = sftp_open(session_->sftp, Remote(path).c_str(), O_RDONLY, 0);
  if (!file) {
    if (sftp_get_error(session_->sftp) == SSH_FX_NO_SUCH_FILE) return std::optional<std::string>();
    return SftpError("Cannot read " + path);
  }
  std::string bytes;
  char buffer[kChunk];
  for (;;) {
    const ssize_t got = sftp_read(file, buffer, sizeof buffer);
    if (got < 0) {
      sftp_close(file);
      return SftpError("Cannot read " + path);
    }
    if (got == 0) break;
    watched.Progress();
    bytes.append(buffer, static_cast<std::size_t>(got));
    if (bytes.size() > maxBytes) {
      sftp_close(file);
      return Error{ErrorKind::TooLarge, path + " on the server is too large"};
    }
  }
  sftp_close(file);
  return std::optional<std::string>(std::move(bytes));
}

Result<void> SftpTransport::Upload(const std::string& path, std::string_view bytes, const UploadProgress& progress) {
  Watched watched(session_->watch.get());
  sftp_file file = sftp_open(session_->sftp, Remote(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (!file) return SftpError("Cannot create " + path);
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const std::size_t piece = std::min(kChunk, bytes.size() - sent);
    const ssize_t wrote = sftp_write(file, bytes.data() + sent, piece);
    if (wrote <= 0) {
      const Error error = SftpError("Cannot write " + path);
      sftp_close(file);
      return error;
    }
    sent += static_cast<std::size_t>(wrote);
    watched.Progress();
    if (progress && !progress(sent)) {
      sftp_close(file);
      return Error{ErrorKind::Unreadable, "cancelled"};
    }
  }
  if (sftp_close(file) != SSH_NO_ERROR) return SftpError("Cannot finish " + path);
  return {};
}

Result<std::uint64_t> SftpTransport::SizeOf(const std::string& path) {
  Watched watched(session_->watch.get());
  sftp_attributes attributes = sftp_stat(session_->sftp, Remote(path).c_str());
  if (!attributes) return SftpError("Cannot see " + path);
  const std::uint64_t size = attributes->size;
  sftp_attributes_free(attributes);
  return size;
}

Result<void> SftpTransport::Rename(const std::string& from, const std::string& to) {
  Watched watched(session_->watch.get());
  if (sftp_rename(session_->sftp, Remote(from).c_str(), Remote(to).c_str()) == 0) return {};
  // Against OpenSSH 9.2 this libssh's rename did not replace an existing
  // file. The old file steps aside for the new one and is restored when that
  // fails; for the moment between the two renames the name is free, but it
  // never shows a partial file.
  const std::string aside = UploadName(to) + "-old";
  (void)sftp_unlink(session_->sftp, Remote(aside).c_str());
  if (sftp_rename(session_->sftp, Remote(to).c_str(), Remote(aside).c_str()) != 0)
    return SftpError("Cannot put " + to + " in place");
  if (sftp_rename(session_->sftp, Remote(from).c_str(), Remote(to).c_str()) != 0) {
    const Error error = SftpError("Cannot put " + to + " in place");
    (void)sftp_rename(session_->sftp, Remote(aside).c_str(), Remote(to).c_str());
    return error;
  }
  (void)sftp_unlink(session_->sftp, Remote(aside).c_str());
  return {};
}

Result<void> SftpTransport::Remove(const std::string& path) {
  Watched watched(session_->watch.get());
  if (sftp_unlink(session_->sftp, Remote(path).c_str()) != 0) {
    if (sftp_get_error(session_->sftp) == SSH_FX_NO_SUCH_FILE) return {};
    return SftpError("Cannot delete " + path);
  }
  return {};
}

Result<void> SftpTransport::MakeFolder(const std::string& path) {
  Watched watched(session_->watch.get());
  if (sftp_mkdir(session_->sftp, Remote(path).c_str(), 0755) == 0) return {};
  sftp_attributes attributes = sftp_stat(session_->sftp, Remote(path).c_str());
  if (attributes) {
    const bool folder = attributes->type == SSH_FILEXFER_TYPE_DIRECTORY;
    sftp_attributes_free(attributes);
    if (folder) return {};
  }
  return SftpError("Cannot create the folder " + path);
}

}  // namespace velmora

#include "publish/FtpTransport.h"

#include <curl/curl.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <cstring>
#include <vector>

#include "app/Utils.h"

namespace velmora {

namespace {

struct CurlInit {
  CurlInit() { curl_global_init(CURL_GLOBAL_DEFAULT); }
};

bool TrustError(CURLcode code) {
  return code == CURLE_PEER_FAILED_VERIFICATION || code == CURLE_SSL_CACERT_BADFILE ||
         code == CURLE_SSL_PINNEDPUBKEYNOTMATCH || code == CURLE_SSL_ISSUER_ERROR;
}

struct Sink {
  std::string* bytes;
  std::size_t maxBytes;
  bool tooLarge = false;
};

size_t Collect(char* data, size_t size, size_t count, void* user) {
  auto* sink = static_cast<Sink*>(user);
  const std::size_t n = size * count;
  if (sink->bytes->size() + n > sink->maxBytes) {
    sink->tooLarge = true;
    return 0;
  }
  sink->bytes->append(data, n);
  return n;
}

size_t Ignore(char*, size_t size, size_t count, void*) { return size * count; }

struct Source {
  std::string_view bytes;
  std::size_t at = 0;
  const UploadProgress* progress;
  bool stopped = false;
};

size_t Supply(char* buffer, size_t size, size_t count, void* user) {
  auto* source = static_cast<Source*>(user);
  const std::size_t n = std::min(size * count, source->bytes.size() - source->at);
  std::memcpy(buffer, source->bytes.data() + source->at, n);
  source->at += n;
  return n;
}

int Progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t sent) {
  auto* source = static_cast<Source*>(user);
  if (*source->progress && !(*source->progress)(static_cast<std::uint64_t>(sent))) {
    source->stopped = true;
    return 1;
  }
  return 0;
}

// "sha256//" and the base64 SHA-256 of a PEM certificate's public key, as
// libcurl's pinning compares it.
std::string PinOfCertificate(const std::string& pem) {
  BIO* bio = BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size()));
  X509* certificate = PEM_read_bio_X509(bio, nullptr, nullptr, nullptr);
  BIO_free(bio);
  if (!certificate) return "";
  unsigned char* der = nullptr;
  const int length = i2d_X509_PUBKEY(X509_get_X509_PUBKEY(certificate), &der);
  X509_free(certificate);
  if (length <= 0) return "";
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int digestLength = 0;
  EVP_Digest(der, static_cast<std::size_t>(length), digest, &digestLength, EVP_sha256(), nullptr);
  OPENSSL_free(der);
  unsigned char encoded[64];
  const int encodedLength = EVP_EncodeBlock(encoded, digest, static_cast<int>(digestLength));
  return "sha256//" + std::string(reinterpret_cast<char*>(encoded), static_cast<std::size_t>(encodedLength));
}

// The server's last refusal ("530 Login incorrect."): its own words, which
// libcurl's message ("Access denied: 530") leaves out.
size_t KeepRefusal(char* data, size_t size, size_t count, void* user) {
  const std::size_t n = size * count;
  if (n > 0 && (data[0] == '4' || data[0] == '5')) {
    std::string line(data, std::min<std::size_t>(n, 512));
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    *static_cast<std::string*>(user) = line;
  }
  return n;
}

}  // namespace

struct FtpTransport::Handle {
  CURL* curl = nullptr;
  char error[CURL_ERROR_SIZE] = {};
  std::string refusal;
  Handle() {
    static CurlInit init;
    curl = curl_easy_init();
  }
  ~Handle() {
    if (curl) curl_easy_cleanup(curl);
  }
};

FtpTransport::FtpTransport(PublishTarget target, FtpLogin login)
    : target_(std::move(target)), login_(std::move(login)) {}

FtpTransport::~FtpTransport() = default;

std::string FtpTransport::CommandPath(const std::string& path) const { return target_.folder + path; }

std::string FtpTransport::Url(const std::string& path) const {
  const bool implicit = target_.protocol == PublishProtocol::FtpsImplicit;
  const bool v6 = target_.host.find(':') != std::string::npos;
  std::string url = std::string(implicit ? "ftps://" : "ftp://") + (v6 ? "[" + target_.host + "]" : target_.host) +
                    ":" + std::to_string(target_.port) + "/";
  // An absolute folder starts with an encoded "/", as FTP addresses want it.
  const std::string full = CommandPath(path);
  return url + (full.rfind('/', 0) == 0 ? "%2F" + PercentEncode(full.substr(1), "-._~/") : PercentEncode(full, "-._~/"));
}

void FtpTransport::Prepare(Handle& handle) const {
  CURL* curl = handle.curl;
  curl_easy_reset(curl);
  handle.error[0] = '\0';
  handle.refusal.clear();
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, handle.error);
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, KeepRefusal);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, &handle.refusal);
  curl_easy_setopt(curl, CURLOPT_USERNAME, target_.user.c_str());
  curl_easy_setopt(curl, CURLOPT_PASSWORD, login_.password.c_str());
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "ftp,ftps");
  curl_easy_setopt(curl, CURLOPT_FTPPORT, nullptr);
  // Every path is sent whole from the account's starting folder, where the
  // rename and delete commands begin too, whatever folder a reused
  // connection was last in.
  curl_easy_setopt(curl, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_NOCWD));
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, static_cast<long>(login_.stallSeconds));
  curl_easy_setopt(curl, CURLOPT_SERVER_RESPONSE_TIMEOUT, static_cast<long>(login_.stallSeconds));
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, static_cast<long>(login_.stallSeconds));
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  if (target_.protocol != PublishProtocol::Ftp) {
    curl_easy_setopt(curl, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
    const long tls12 = static_cast<long>(CURL_SSLVERSION_TLSv1_2) | static_cast<long>(CURL_SSLVERSION_MAX_TLSv1_2);
    curl_easy_setopt(curl, CURLOPT_SSLVERSION, tls12);
    if (login_.caFile) curl_easy_setopt(curl, CURLOPT_CAINFO, login_.caFile->c_str());
    if (!login_.pinnedKey.empty()) {
      // The user compared this key and accepted it for this target only.
      curl_easy_setopt(curl, CURLOPT_PINNEDPUBLICKEY, login_.pinnedKey.c_str());
      curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 0L);
      curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 0L);
    }
  }
}

Result<void> FtpTransport::Perform(Handle& handle, const std::string& what) {
  const CURLcode code = curl_easy_perform(handle.curl);
  if (code == CURLE_OK) return {};
  std::string words = handle.error[0] ? handle.error : curl_easy_strerror(code);
  if (!handle.refusal.empty()) words += " (the server said: " + handle.refusal + ")";
  if (TrustError(code)) {
    refusedKey_ = ServerKey();
    return Error{ErrorKind::Invalid, what + ": the server's certificate is not trusted (" + words + ")" +
                                         (refusedKey_.empty() ? "" : "; its key is " + refusedKey_)};
  }
  if (code == CURLE_REMOTE_FILE_NOT_FOUND) return Error{ErrorKind::NotFound, what + ": " + words};
  return Error{ErrorKind::Unreadable, what + ": " + words};
}

std::string FtpTransport::ServerKey() {
  // A second look without verification, only to show the user what was refused.
  Handle look;
  Prepare(look);
  curl_easy_setopt(look.curl, CURLOPT_URL, Url("").c_str());
  curl_easy_setopt(look.curl, CURLOPT_NOBODY, 1L);
  curl_easy_setopt(look.curl, CURLOPT_SSL_VERIFYPEER, 0L);
  curl_easy_setopt(look.curl, CURLOPT_SSL_VERIFYHOST, 0L);
  curl_easy_setopt(look.curl, CURLOPT_PINNEDPUBLICKEY, nullptr);
  curl_easy_setopt(look.curl, CURLOPT_CERTINFO, 1L);
  curl_easy_setopt(look.curl, CURLOPT_USERNAME, "");
  curl_easy_setopt(look.curl, CURLOPT_PASSWORD, "");
  curl_easy_perform(look.curl);
  curl_certinfo* info = nullptr;
  if (curl_easy_getinfo(look.curl, CURLINFO_CERTINFO, &info) != CURLE_OK || !info || info->num_of_certs < 1) return "";
  for (curl_slist* item = info->certinfo[0]; item; item = item->next)
    if (std::strncmp(item->data, "Cert:", 5) == 0) return PinOfCertificate(item->data + 5);
  return "";
}

Result<void> FtpTransport::Connect() {
  handle_ = std::make_unique<Handle>();
  if (!handle_->curl) return Error{ErrorKind::Unreadable, "Cannot start an FTP session"};
  Prepare(*handle_);
  std::string listing;
  Sink sink{&listing, std::size_t{1} << 20};
  curl_easy_setopt(handle_->curl, CURLOPT_URL, Url("").c_str());
  curl_easy_setopt(handle_->curl, CURLOPT_DIRLISTONLY, 1L);
  curl_easy_setopt(handle_->curl, CURLOPT_WRITEFUNCTION, Collect);
  curl_easy_setopt(handle_->curl, CURLOPT_WRITEDATA, &sink);
  auto done = Perform(*handle_, "Cannot reach " + target_.host + ":" + std::to_string(target_.port));
  if (!done && sink.tooLarge) return {};  // a large folder is still a folder we reached
  return done;
}

Result<std::optional<std::string>> FtpTransport::Read(const std::string& path, std::size_t maxBytes) {
  Prepare(*handle_);
  std::string bytes;
  Sink sink{&bytes, maxBytes};
  curl_easy_setopt(handle_->curl, CURLOPT_URL, Url(path).c_str());
  curl_easy_setopt(handle_->curl, CURLOPT_WRITEFUNCTION, Collect);
  curl_easy_setopt(handle_->curl, CURLOPT_WRITEDATA, &sink);
  auto done = Perform(*handle_, "Cannot read " + path);
  if (sink.tooLarge) return Error{ErrorKind::TooLarge, path + " on the server is too large"};
  if (!done) {
    if (done.error().kind == ErrorKind::NotFound) return std::optional<std::string>();
    return done.error();
  }
  return std::optional<std::string>(std::move(bytes));
}

Result<void> FtpTransport::Upload(const std::string& path, std::string_view bytes, const UploadProgress& progress) {
  Prepare(*handle_);
  Source source{bytes, 0, &progress};
  curl_easy_setopt(handle_->curl, CURLOPT_URL, Url(path).c_str());
  curl_easy_setopt(handle_->curl, CURLOPT_UPLOAD, 1L);
  curl_easy_setopt(handle_->curl, CURLOPT_READFUNCTION, Supply);
  curl_easy_setopt(handle_->curl, CURLOPT_READDATA, &source);
  curl_easy_setopt(handle_->curl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(bytes.size()));
  curl_easy_setopt(handle_->curl, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(handle_->curl, CURLOPT_XFERINFOFUNCTION, Progress);
  curl_easy_setopt(handle_->curl, CURLOPT_XFERINFODATA, &source);
  auto done = Perform(*handle_, "Cannot write " + path);
  if (source.stopped) return Error{ErrorKind::Unreadable, "cancelled"};
  return done;
}

Result<std::uint64_t> FtpTransport::SizeOf(const std::string& path) {
  Prepare(*handle_);
  curl_easy_setopt(handle_->curl, CURLOPT_URL, Url(path).c_str());
  curl_easy_setopt(handle_->curl, CURLOPT_NOBODY, 1L);
  curl_easy_setopt(handle_->curl, CURLOPT_WRITEFUNCTION, Ignore);
  auto done = Perform(*handle_, "Cannot see " + path);
  if (!done) return done.error();
  curl_off_t size = -1;
  curl_easy_getinfo(handle_->curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &size);
  if (size < 0) return Error{ErrorKind::Unreadable, "Cannot see " + path + ": the server did not tell its size"};
  return static_cast<std::uint64_t>(size);
}

Result<void> FtpTransport::Commands(const std::vector<std::string>& commands, const std::string& what) {
  Prepare(*handle_);
  curl_slist* list = nullptr;
  for (const auto& command : commands) list = curl_slist_append(list, command.c_str());
  // Commands run from the account's starting folder, where relative paths begin.
  const bool implicit = target_.protocol == PublishProtocol::FtpsImplicit;
  const std::string root = std::string(implicit ? "ftps://" : "ftp://") + target_.host + ":" + std::to_string(target_.port) + "/";
  curl_easy_setopt(handle_->curl, CURLOPT_URL, root.c_str());
  curl_easy_setopt(handle_->curl, CURLOPT_NOBODY, 1L);
  curl_easy_setopt(handle_->curl, CURLOPT_QUOTE, list);
  curl_easy_setopt(handle_->curl, CURLOPT_WRITEFUNCTION, Ignore);
  auto done = Perform(*handle_, what);
  curl_easy_setopt(handle_->curl, CURLOPT_QUOTE, nullptr);
  curl_slist_free_all(list);
  return done;
}

Result<void> FtpTransport::Rename(const std::string& from, const std::string& to) {
  return Commands({"RNFR " + CommandPath(from), "RNTO " + CommandPath(to)}, "Cannot put " + to + " in place");
}

Result<void> FtpTransport::Remove(const std::string& path) {
  auto removed = Commands({"DELE " + CommandPath(path)}, "Cannot delete " + path);
  if (removed) return {};
  // One that is gone already is what was wanted; a lost connection is not "gone".
  const auto there = SizeOf(path);
  if (!there && there.error().kind == ErrorKind::NotFound) return {};
  return removed;
}

Result<void> FtpTransport::MakeFolder(const std::string& path) {
  // "*": a folder that is there already is no failure.
  return Commands({"*MKD " + CommandPath(path)}, "Cannot create the folder " + path);
}

}  // namespace velmora

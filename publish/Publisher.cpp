#include "publish/Publisher.h"

#include <openssl/evp.h>

#include <algorithm>
#include <set>
#include <stdexcept>

#include "app/FileIO.h"

namespace velmora {

namespace {

constexpr std::string_view kManifestHeader = "velmora-manifest 1";
constexpr std::size_t kMaxPictureBytes = std::size_t{64} << 20;

bool SafeRelativePath(std::string_view path) {
  if (path.empty() || path.size() > 1024 || path.front() == '/' || path.back() == '/') return false;
  for (const char c : path)
    if (static_cast<unsigned char>(c) < 32 || c == 127 || c == '\\') return false;
  for (std::size_t start = 0; start <= path.size();) {
    std::size_t end = path.find('/', start);
    if (end == std::string_view::npos) end = path.size();
    const std::string_view part = path.substr(start, end - start);
    if (part.empty() || part == "." || part == "..") return false;
    start = end + 1;
  }
  return path != kPublishManifestName;
}

bool IsHex64(std::string_view text) {
  if (text.size() != 64) return false;
  for (const char c : text)
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  return true;
}

Error Failed(const std::string& what, const Error& why) { return Error{why.kind, what + ": " + why.message}; }

}  // namespace

std::string Sha256Hex(std::string_view bytes) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr) != 1)
    throw std::runtime_error("SHA-256 is not available");
  static constexpr char kHex[] = "0123456789abcdef";
  std::string hex;
  for (unsigned int i = 0; i < length; ++i) {
    hex += kHex[digest[i] >> 4];
    hex += kHex[digest[i] & 15];
  }
  return hex;
}

std::string ManifestText(const Manifest& manifest) {
  std::string text = std::string(kManifestHeader) + "\n";
  for (const auto& [path, hash] : manifest) text += hash + "  " + path + "\n";
  return text;
}

Result<Manifest> ParseManifest(std::string_view text) {
  const auto invalid = [](const std::string& why) {
    return Error{ErrorKind::Invalid, "The server's manifest " + why + "; nothing is deleted by it."};
  };
  if (text.size() > kMaxManifestBytes) return Error{ErrorKind::TooLarge, "The server's manifest is too large."};
  const std::size_t firstEnd = text.find('\n');
  if (text.substr(0, firstEnd) != kManifestHeader) return invalid("is not one of ours");
  Manifest manifest;
  std::size_t start = firstEnd == std::string_view::npos ? text.size() : firstEnd + 1;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(start, end - start);
    start = end + 1;
    if (line.size() < 67 || !IsHex64(line.substr(0, 64)) || line.substr(64, 2) != "  ")
      return invalid("has a broken line");
    const std::string_view path = line.substr(66);
    if (!SafeRelativePath(path)) return invalid("names a file outside the page's folder");
    manifest[std::string(path)] = std::string(line.substr(0, 64));
  }
  return manifest;
}

Result<std::vector<PublishFile>> FilesOfPage(const PageBundle& bundle) {
  std::vector<PublishFile> files;
  for (const PagePicture& picture : bundle.pictures) {
    auto bytes = ReadWholeFile(picture.source, kMaxPictureBytes);
    if (!bytes) return bytes.error();
    files.push_back({picture.address, std::move(*bytes)});
  }
  files.push_back({bundle.name, bundle.bytes});
  return files;
}

SyncPlan PlanSync(const std::vector<PublishFile>& files, const Manifest& previous) {
  SyncPlan plan;
  std::set<std::string> now;
  for (const PublishFile& file : files) {
    now.insert(file.path);
    const auto known = previous.find(file.path);
    if (known == previous.end() || known->second != Sha256Hex(file.bytes)) plan.send.push_back(file.path);
  }
  for (const auto& [path, hash] : previous)
    if (!now.count(path)) plan.remove.push_back(path);
  return plan;
}

std::string UploadName(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  return folder + "." + name + ".velmora-upload";
}

Result<PublishSummary> Publish(PublishTransport& transport, const std::vector<PublishFile>& files,
                               const PublishOptions& options) {
  for (const PublishFile& file : files)
    if (!SafeRelativePath(file.path)) return Error{ErrorKind::Invalid, "Cannot publish the file " + file.path};
  auto previousText = transport.Read(std::string(kPublishManifestName), kMaxManifestBytes);
  if (!previousText) return Failed("Cannot read " + std::string(kPublishManifestName), previousText.error());
  Manifest previous;
  if (*previousText) {
    auto parsed = ParseManifest(**previousText);
    // A manifest that is not ours deletes nothing; the new one replaces it.
    if (parsed) previous = std::move(*parsed);
  }

  PublishSummary summary;
  summary.plan = PlanSync(files, previous);
  if (options.dryRun) return summary;

  const std::size_t steps = summary.plan.send.size() + summary.plan.remove.size();
  std::uint64_t total = 0;
  std::map<std::string, const PublishFile*> byPath;
  for (const PublishFile& file : files) byPath[file.path] = &file;
  for (const std::string& path : summary.plan.send) total += byPath[path]->bytes.size();
  const auto cancelled = [&options] { return options.cancelled && options.cancelled(); };
  const Error cancelError{ErrorKind::Unreadable, "Publishing was cancelled; the server keeps the page it had."};

  std::set<std::string> folders;
  // `index` 0: the manifest, which shows no progress.
  const auto sendFile = [&](const std::string& path, std::string_view bytes, std::size_t index) -> Result<void> {
    for (std::size_t slash = path.find('/'); slash != std::string::npos; slash = path.find('/', slash + 1)) {
      const std::string folder = path.substr(0, slash);
      if (folders.insert(folder).second) {
        auto made = transport.MakeFolder(folder);
        if (!made) return Failed("Cannot create the folder " + folder, made.error());
      }
    }
    const std::string temporary = UploadName(path);
    Error last{ErrorKind::Unreadable, ""};
    for (int attempt = 0; attempt < std::max(1, options.attempts); ++attempt) {
      if (cancelled()) return cancelError;
      const std::uint64_t before = summary.bytesSent;
      auto sent = transport.Upload(temporary, bytes, [&](std::uint64_t done) {
        if (options.progress && index > 0)
          options.progress({path, index, summary.plan.send.size(), std::min(before + done, total), total});
        return !cancelled();
      });
      if (sent) {
        auto size = transport.SizeOf(temporary);
        if (!size) {
          sent = size.error();
        } else if (*size != bytes.size()) {
          sent = Error{ErrorKind::Unreadable, "the server holds " + std::to_string(*size) + " of its " +
                                                  std::to_string(bytes.size()) + " bytes"};
        } else {
          sent = transport.Rename(temporary, path);
        }
      }
      if (sent) {
        summary.bytesSent += bytes.size();
        return {};
      }
      last = sent.error();
      (void)transport.Remove(temporary);
      if (cancelled()) return cancelError;
    }
    return Failed("Cannot send " + path, last);
  };

  std::size_t index = 0;
  for (const std::string& path : summary.plan.send) {
    auto sent = sendFile(path, byPath[path]->bytes, index + 1);
    if (!sent) return sent.error();
    if (options.stepDone) options.stepDone({PublishStep::What::Sent, path, ++index, steps});
  }
  for (const std::string& path : summary.plan.remove) {
    if (cancelled()) return cancelError;
    auto removed = transport.Remove(path);
    if (!removed) return Failed("Cannot delete " + path, removed.error());
    if (options.stepDone) options.stepDone({PublishStep::What::Removed, path, ++index, steps});
  }
  Manifest manifest;
  for (const PublishFile& file : files) manifest[file.path] = Sha256Hex(file.bytes);
  if (summary.plan.send.empty() && summary.plan.remove.empty() && manifest == previous) return summary;
  // The manifest is bookkeeping: its bytes are not counted as the page's.
  const std::uint64_t pageBytes = summary.bytesSent;
  auto written = sendFile(std::string(kPublishManifestName), ManifestText(manifest), 0);
  if (!written) return written.error();
  summary.bytesSent = pageBytes;
  return summary;
}

}  // namespace velmora

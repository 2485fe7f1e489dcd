#pragma once
// Sends a page and its pictures to a server so that visitors see the old
// page or the new one, never a mix: each file goes up under a temporary
// name, its size is compared and it is renamed into place; a manifest of
// every published file with its SHA-256 goes up last. Only new or changed
// files are sent, and only files the previous manifest listed are deleted.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/Result.h"
#include "generator/OutputDelivery.h"
#include "publish/Transport.h"

namespace velmora {

// The manifest's name in the target's folder.
inline constexpr std::string_view kPublishManifestName = ".velmora-manifest";
// Larger manifests are not ours; nothing is deleted by them.
inline constexpr std::size_t kMaxManifestBytes = std::size_t{4} << 20;

struct PublishFile {
  std::string path;  // relative, "/"-separated
  std::string bytes;
};

// Path to SHA-256 (hex) of each published file.
using Manifest = std::map<std::string, std::string>;

std::string Sha256Hex(std::string_view bytes);
std::string ManifestText(const Manifest& manifest);
// Lines of "<sha256>  <path>" after the header. Paths that could leave the
// folder (absolute, "..", a backslash, a control character) or name the
// manifest make the whole manifest Invalid, so nothing is deleted by it.
Result<Manifest> ParseManifest(std::string_view text);

// The files of a saved page: its pictures first, the page last.
Result<std::vector<PublishFile>> FilesOfPage(const PageBundle& bundle);

struct SyncPlan {
  std::vector<std::string> send;    // in the files' order
  std::vector<std::string> remove;  // listed before, gone now
};
SyncPlan PlanSync(const std::vector<PublishFile>& files, const Manifest& previous);

struct PublishStep {
  enum class What { Sent, Removed } what;
  std::string path;
  std::size_t index = 0;  // 1-based among the steps
  std::size_t count = 0;
};

// How far a publish got while a file goes up.
struct PublishProgress {
  std::string path;
  std::size_t index = 0;  // 1-based among the files to send
  std::size_t count = 0;
  std::uint64_t sent = 0;  // bytes of all files to send, so far
  std::uint64_t total = 0;
};

struct PublishOptions {
  bool dryRun = false;
  int attempts = 3;  // per file
  std::function<void(const PublishStep&)> stepDone;
  // While a page's file goes up (not the manifest, which is bookkeeping).
  std::function<void(const PublishProgress&)> progress;
  std::function<bool()> cancelled;
};

struct PublishSummary {
  SyncPlan plan;
  std::uint64_t bytesSent = 0;
};

// On a connected transport: plans against the server's manifest and (unless a dry run)
// sends, deletes and writes the manifest. A failure names the file and the
// server's words; the page that was in place stays whole. Cancelling stops
// after removing what was half sent.
Result<PublishSummary> Publish(PublishTransport& transport, const std::vector<PublishFile>& files,
                               const PublishOptions& options);

// The temporary name a file goes up under, in its own folder.
std::string UploadName(const std::string& path);

}  // namespace velmora

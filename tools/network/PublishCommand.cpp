// velmora-tool publish: the page a project's "Generate Code" saves, with its
// pictures, sent to the user's web host; only what changed goes up.
#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "generator/OutputDelivery.h"
#include "generator/PageGenerator.h"
#include "platform/KeychainSecrets.h"
#include "project/ProjectFile.h"
#include "publish/PublishTarget.h"
#include "publish/Publisher.h"
#include "publish/ConnectTransport.h"
#include "tools/Command.h"
#include "tools/NetworkCommands.h"
#include "tools/ToolPlaces.h"
#include "tools/network/NetworkApplication.h"

namespace velmora::tool {

namespace {

constexpr const char* kPasswordVariable = "VELMORA_PUBLISH_PASSWORD";

// The password, or the key's passphrase: the environment's, else the one the
// Publish window remembered in the desktop's keyring for this address. None
// when there is no password to log in with; it is never read from a file.
std::optional<std::string> PublishPassword(const PublishTarget& target, bool withKey) {
  if (const char* fromEnvironment = std::getenv(kPasswordVariable)) return std::string(fromEnvironment);
  const auto application = NetworkApplication();
  KeychainSecrets keyring;
  const auto kept = keyring.Read(SecretKeyOf(target));
  if (kept && *kept) return **kept;
  if (!kept) std::cerr << "velmora-tool publish: " << kept.error().message << "\n";
  // A key may have no passphrase; a login by password needs one.
  if (withKey) return std::string();
  std::cerr << "velmora-tool publish: no password for " << PublishAddressOf(target) << ": set " << kPasswordVariable
            << ", or let the Publish window remember it in the desktop's keyring\n";
  return std::nullopt;
}

int RunPublish(const std::vector<std::string>& args) {
  const ParsedArgs parsed =
      ParseArgs(args,
                {"--program-folder", "--project", "--template", "--to", "--identity", "--known-hosts",
                 "--accept-host-key", "--ca-file"},
                {"--dry-run", "--overwrite"});
  if (!parsed.positional.empty()) throw UsageError("unexpected argument " + parsed.positional.front());
  const auto projectOption = parsed.Option("--project");
  if (!projectOption || projectOption->empty()) throw UsageError("--project is required");
  const auto to = parsed.Option("--to");
  if (!to) throw UsageError("--to is required");
  auto target = ParsePublishAddress(*to);
  if (!target) throw UsageError(target.error().message);
  if (parsed.Option("--ca-file") && (target->protocol == PublishProtocol::Sftp || target->protocol == PublishProtocol::Ftp))
    throw UsageError("--ca-file is for ftps:// and ftps-implicit:// targets");
  if (parsed.Option("--identity") && target->protocol != PublishProtocol::Sftp)
    throw UsageError("--identity is for sftp:// targets");

  const Places places = ToolPlaces(parsed);
  const auto loaded = LoadProjectFile(*projectOption);
  if (!loaded) throw std::runtime_error(loaded.error().message);
  const Project& project = *loaded;
  const std::string name = OutputNameOf(project);
  if (const auto problem = OutputNameProblem(name)) throw std::runtime_error(problem->text);
  const std::string owner = PageIdFor(project, *projectOption);
  const auto bundle =
      MakePageBundle(project, ToolTemplateName(parsed, places, project), places.TemplateFolders(), name, owner);
  if (!bundle) {
    std::cerr << "velmora-tool publish: " << bundle.error().message << "\n";
    return bundle.error().kind == ErrorKind::NotFound ? 2 : 1;
  }
  for (const auto& missing : bundle->missing)
    std::cerr << "velmora-tool publish: " << missing << " is not there; the page keeps its address\n";
  const auto files = FilesOfPage(*bundle);
  if (!files) throw std::runtime_error(files.error().message);

  const std::filesystem::path knownHosts =
      parsed.Option("--known-hosts").value_or(places.PublishKnownHostsFile().string());
  const std::string accepted = parsed.Option("--accept-host-key").value_or("");
  if (target->protocol == PublishProtocol::Ftp)
    std::cerr << "velmora-tool publish: warning: ftp:// sends the password and the files unencrypted; anyone on "
                 "the way can read them. Use ftps:// where the host offers it.\n";
  const auto password = PublishPassword(*target, parsed.Option("--identity").has_value());
  if (!password) return 2;
  PublishLogin login;
  login.password = *password;
  if (const auto identity = parsed.Option("--identity")) login.identity = *identity;
  if (const auto caFile = parsed.Option("--ca-file")) login.caFile = *caFile;
  login.knownHosts = knownHosts;
  login.acceptedKey = accepted;
  PublishOptions options;
  options.dryRun = parsed.Flag("--dry-run");
  options.stepDone = [](const PublishStep& step) {
    std::cout << (step.what == PublishStep::What::Sent ? "sent " : "deleted ") << step.path << "\n" << std::flush;
  };
  PublishTrust trust;
  const auto published =
      PublishPageTo(*target, login, *files, name, owner, parsed.Flag("--overwrite"), options, &trust);
  if (!published) {
    std::cerr << "velmora-tool publish: " << published.error().message << "\n";
    if (!trust.unknownKey.empty())
      std::cerr << "velmora-tool publish: accept it with --accept-host-key " << trust.unknownKey << "\n";
    if (!trust.refused && published.error().kind == ErrorKind::Invalid)
      std::cerr << "velmora-tool publish: --overwrite replaces it\n";
    return trust.refused ? 2 : 1;
  }
  if (options.dryRun) {
    for (const auto& path : published->plan.send) std::cout << "would send " << path << "\n";
    for (const auto& path : published->plan.remove) std::cout << "would delete " << path << "\n";
  }
  std::cout << (options.dryRun ? "dry run: " : "published: ") << published->plan.send.size() << " sent, "
            << published->plan.remove.size() << " deleted, " << published->bytesSent << " bytes to "
            << PublishAddressOf(*target) << "\n";
  return 0;
}

const RegisterCommand kPublish{{"publish", kPublishUsage, RunPublish}};

}  // namespace

}  // namespace velmora::tool

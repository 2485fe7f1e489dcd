// velmora-tool publish: the page a project's "Generate Code" saves, with its
// pictures, sent to the user's web host; only what changed goes up.
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "generator/OutputDelivery.h"
#include "generator/PageGenerator.h"
#include "project/ProjectFile.h"
#include "publish/PublishTarget.h"
#include "publish/Publisher.h"
#include "publish/SftpTransport.h"
#include "tools/Command.h"
#include "tools/ToolPlaces.h"

namespace velmora::tool {

namespace {

constexpr const char* kPasswordVariable = "VELMORA_PUBLISH_PASSWORD";

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
  if (target->protocol != PublishProtocol::Sftp)
    throw UsageError("only sftp:// can be published to by this version; FTP and FTPS are not built yet");
  if (parsed.Option("--ca-file")) throw UsageError("--ca-file is for ftps:// targets");

  const Places places = ToolPlaces(parsed);
  const Project project = LoadProjectFile(*projectOption);
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

  SftpLogin login;
  if (const char* password = std::getenv(kPasswordVariable)) login.password = password;
  if (const auto identity = parsed.Option("--identity")) login.identity = *identity;
  login.knownHosts = parsed.Option("--known-hosts").value_or(places.PublishKnownHostsFile().string());
  if (login.knownHosts.empty()) throw UsageError("there is no configuration folder; give --known-hosts FILE");
  login.acceptedKey = parsed.Option("--accept-host-key").value_or("");
  SftpTransport transport(*target, login);
  if (auto connected = transport.Connect(); !connected) {
    std::cerr << "velmora-tool publish: " << connected.error().message << "\n";
    return connected.error().kind == ErrorKind::Invalid ? 2 : 1;
  }

  // A page of that name that another project made is only replaced when asked.
  if (!parsed.Flag("--overwrite")) {
    auto there = transport.Read(name, kMaxPageBytes + 4096);
    if (!there) {
      std::cerr << "velmora-tool publish: " << there.error().message << "\n";
      return 1;
    }
    if (*there && PageOwnerOf(**there) != owner) {
      std::cerr << "velmora-tool publish: " << name
                << " on the server is a page this project did not make; --overwrite replaces it\n";
      return 1;
    }
  }

  PublishOptions options;
  options.dryRun = parsed.Flag("--dry-run");
  options.stepDone = [](const PublishStep& step) {
    std::cout << (step.what == PublishStep::What::Sent ? "sent " : "deleted ") << step.path << "\n" << std::flush;
  };
  const auto published = Publish(transport, *files, options);
  if (!published) {
    std::cerr << "velmora-tool publish: " << published.error().message << "\n";
    return 1;
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

const RegisterCommand kPublish{{"publish",
                                "velmora-tool publish [--program-folder DIR] --project FILE.set --to URL "
                                "[--template NAME] [--identity KEY] [--dry-run] [--known-hosts FILE] "
                                "[--accept-host-key SHA256:...] [--overwrite]\n"
                                "    (password or key passphrase from VELMORA_PUBLISH_PASSWORD)",
                                RunPublish}};

}  // namespace

}  // namespace velmora::tool

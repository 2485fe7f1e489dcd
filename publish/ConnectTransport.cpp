#include "publish/ConnectTransport.h"

#include "generator/OutputDelivery.h"
#include "generator/PageGenerator.h"
#include "publish/FtpTransport.h"
#include "publish/SftpTransport.h"

namespace velmora {

Result<std::unique_ptr<PublishTransport>> ConnectTransport(const PublishTarget& target, const PublishLogin& login,
                                                           PublishTrust* trust) {
  const std::string hostPort = target.host + ":" + std::to_string(target.port);
  if (target.protocol == PublishProtocol::Sftp) {
    SftpLogin sftp;
    sftp.password = login.password;
    sftp.identity = login.identity;
    sftp.knownHosts = login.knownHosts;
    sftp.acceptedKey = login.acceptedKey;
    const auto pinned = PinnedKey(login.knownHosts, hostPort);
    if (!pinned) return pinned.error();
    const bool known = pinned->has_value();
    auto transport = std::make_unique<SftpTransport>(target, sftp);
    auto connected = transport->Connect();
    if (!connected) {
      if (connected.error().kind == ErrorKind::Invalid && trust) {
        trust->refused = true;
        if (!known) trust->unknownKey = transport->HostKey();
      }
      return connected.error();
    }
    return std::unique_ptr<PublishTransport>(std::move(transport));
  }
  FtpLogin ftp;
  ftp.password = login.password;
  ftp.caFile = login.caFile;
  const std::string pinName = "ftps:" + hostPort;
  if (target.protocol != PublishProtocol::Ftp) {
    const auto pinned = PinnedKey(login.knownHosts, pinName);
    if (!pinned) return pinned.error();
    ftp.pinnedKey = pinned->value_or("");
  }
  auto transport = std::make_unique<FtpTransport>(target, ftp);
  auto connected = transport->Connect();
  if (!connected && connected.error().kind == ErrorKind::Invalid && ftp.pinnedKey.empty() &&
      !transport->RefusedKey().empty()) {
    if (login.acceptedKey != transport->RefusedKey()) {
      if (trust) *trust = {true, transport->RefusedKey()};
      return connected.error();
    }
    // The user saw this certificate's key and trusts it for this target only.
    if (auto pinned = PinKey(login.knownHosts, pinName, login.acceptedKey); !pinned) return pinned.error();
    ftp.pinnedKey = login.acceptedKey;
    transport = std::make_unique<FtpTransport>(target, ftp);
    connected = transport->Connect();
  }
  if (!connected) {
    if (connected.error().kind == ErrorKind::Invalid && trust) trust->refused = true;
    if (connected.error().kind == ErrorKind::Invalid && !ftp.pinnedKey.empty())
      return Error{ErrorKind::Invalid, connected.error().message + " (the key pinned in " +
                                           login.knownHosts.string() + " is " + ftp.pinnedKey + ")"};
    return connected.error();
  }
  return std::unique_ptr<PublishTransport>(std::move(transport));
}

Result<PublishSummary> PublishPageTo(const PublishTarget& target, const PublishLogin& login,
                                     const std::vector<PublishFile>& files, const std::string& pageName,
                                     const std::string& owner, bool overwrite, const PublishOptions& options,
                                     PublishTrust* trust) {
  auto transport = ConnectTransport(target, login, trust);
  if (!transport) return transport.error();
  if (!overwrite) {
    auto there = (*transport)->Read(pageName, kMaxPageBytes + 4096);
    if (!there) return there.error();
    if (*there && PageOwnerOf(**there) != owner)
      return Error{ErrorKind::Invalid, pageName + " on the server is a page this project did not make; it is "
                                                  "replaced only when you choose to overwrite it."};
  }
  return Publish(**transport, files, options);
}

Result<void> TestPublishTarget(const PublishTarget& target, const PublishLogin& login, PublishTrust* trust) {
  auto transport = ConnectTransport(target, login, trust);
  if (!transport) return transport.error();
  const std::string probe = ".velmora-probe";
  const std::string bytes = "Velmora checks that it may write here; this file is deleted at once.\n";
  auto written = (*transport)->Upload(probe, bytes, {});
  if (written) {
    auto size = (*transport)->SizeOf(probe);
    if (!size) written = size.error();
    else if (*size != bytes.size()) written = Error{ErrorKind::Unreadable, "the probe file arrived incomplete"};
  }
  auto removed = (*transport)->Remove(probe);
  if (!written) return Error{written.error().kind, "Cannot write in the folder: " + written.error().message};
  if (!removed) return Error{removed.error().kind, "Cannot delete the probe file: " + removed.error().message};
  return {};
}

}  // namespace velmora

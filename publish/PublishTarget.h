#pragma once
// Where a page is published: the web host's protocol, address, account and
// folder, as one address "sftp://user@host:port/folder/". Never a secret.

#include <string>
#include <string_view>
#include <vector>

#include "app/Result.h"

namespace velmora {

enum class PublishProtocol {
  Sftp,
  Ftps,          // FTP with explicit TLS (AUTH TLS), the default for FTP hosts
  FtpsImplicit,  // TLS from the first byte, port 990
  Ftp,           // plain: the password crosses the network readable
};

struct PublishTarget {
  std::string name;  // "staging", "production"
  PublishProtocol protocol = PublishProtocol::Sftp;
  std::string host;
  int port = 0;
  std::string user;
  std::string folder;         // the remote folder, ending in "/"; "" is where the account starts
  std::string publicAddress;  // where the page can be seen, optional
  std::string identity;       // SFTP: the path of the private key file on this computer, optional

  bool operator==(const PublishTarget&) const = default;
};

int DefaultPort(PublishProtocol protocol);

// "sftp://", "ftps://", "ftps-implicit://" or "ftp://", then "user@host",
// an optional ":port" and the folder. A folder starting "/~/" (or none) is
// below the account's own folder; any other is absolute. Percent escapes are
// decoded. Invalid, naming what is wrong, for anything else.
Result<PublishTarget> ParsePublishAddress(std::string_view address);
// The target as such an address (without a password, which it never holds).
std::string PublishAddressOf(const PublishTarget& target);

// A project's targets as one line of text for the project file, and back:
// each target's address, name, public address and (when it has one) key
// file, percent-encoded, between "^" marks; targets separated by "$$".
// Targets that do not read back are left out; fields after the known ones
// are skipped, so older copies read newer files.
std::string TargetsText(const std::vector<PublishTarget>& targets);
std::vector<PublishTarget> TargetsFromText(std::string_view text);

}  // namespace velmora

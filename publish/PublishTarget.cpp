#include "publish/PublishTarget.h"

#include <charconv>
#include <optional>

#include "app/PercentDecoding.h"
#include "app/Utils.h"
#include "publish/SecretStore.h"

namespace velmora {

namespace {

// Each part is bounded as well, so that any target's address, escapes and
// all, stays under the whole address's bound and reads back.
constexpr std::size_t kMaxAddress = 8192;
constexpr std::size_t kMaxUser = 256;
constexpr std::size_t kMaxHost = 255;
constexpr std::size_t kMaxFolder = 1024;

struct Scheme {
  std::string_view prefix;
  PublishProtocol protocol;
};
constexpr Scheme kSchemes[] = {{"sftp://", PublishProtocol::Sftp},
                               {"ftps-implicit://", PublishProtocol::FtpsImplicit},
                               {"ftps://", PublishProtocol::Ftps},
                               {"ftp://", PublishProtocol::Ftp}};

std::optional<std::string> Decoded(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    if (i + 2 >= text.size() || HexDigitValue(text[i + 1]) < 0 || HexDigitValue(text[i + 2]) < 0) return std::nullopt;
    out += static_cast<char>(HexDigitValue(text[i + 1]) * 16 + HexDigitValue(text[i + 2]));
    i += 2;
  }
  for (const char c : out)
    if (static_cast<unsigned char>(c) < 32 || c == 127) return std::nullopt;
  return out;
}

Error Invalid(const std::string& why) { return Error{ErrorKind::Invalid, "The publishing address " + why + "."}; }

}  // namespace

int DefaultPort(PublishProtocol protocol) {
  switch (protocol) {
    case PublishProtocol::Sftp: return 22;
    case PublishProtocol::FtpsImplicit: return 990;
    case PublishProtocol::Ftps:
    case PublishProtocol::Ftp: return 21;
  }
  return 0;
}

Result<PublishTarget> ParsePublishAddress(std::string_view address) {
  if (address.size() > kMaxAddress) return Invalid("is too long");
  PublishTarget target;
  std::string_view rest;
  bool known = false;
  for (const Scheme& scheme : kSchemes) {
    if (address.size() >= scheme.prefix.size() &&
        EqualsIgnoreCaseAscii(address.substr(0, scheme.prefix.size()), scheme.prefix)) {
      target.protocol = scheme.protocol;
      rest = address.substr(scheme.prefix.size());
      known = true;
      break;
    }
  }
  if (!known) return Invalid("must start with sftp://, ftps://, ftps-implicit:// or ftp://");
  const std::size_t slash = rest.find('/');
  std::string_view authority = rest.substr(0, slash);
  const std::string_view path = slash == std::string_view::npos ? std::string_view("/") : rest.substr(slash);
  const std::size_t at = authority.rfind('@');
  if (at == std::string_view::npos) return Invalid("needs a user name: user@host");
  if (authority.substr(0, at).find(':') != std::string_view::npos)
    return Invalid("must not hold a password; it is asked for or read from VELMORA_PUBLISH_PASSWORD");
  const auto user = Decoded(authority.substr(0, at));
  if (!user || user->empty() || user->size() > kMaxUser) return Invalid("has no valid user name");
  target.user = *user;
  std::string_view hostPort = authority.substr(at + 1);
  std::string_view port;
  if (!hostPort.empty() && hostPort.front() == '[') {
    const std::size_t close = hostPort.find(']');
    if (close == std::string_view::npos) return Invalid("has an unclosed [ around its host");
    target.host = std::string(hostPort.substr(1, close - 1));
    const std::string_view after = hostPort.substr(close + 1);
    if (!after.empty()) {
      if (after.front() != ':') return Invalid("has something after its host");
      port = after.substr(1);
    }
  } else {
    const std::size_t colon = hostPort.rfind(':');
    target.host = std::string(hostPort.substr(0, colon));
    if (colon != std::string_view::npos) port = hostPort.substr(colon + 1);
  }
  if (target.host.empty() || target.host.size() > kMaxHost) return Invalid("has no valid host");
  for (const char c : target.host) {
    const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                         std::string_view(".-_:").find(c) != std::string_view::npos;
    if (!allowed) return Invalid("has a host with characters no host name holds");
  }
  target.port = DefaultPort(target.protocol);
  if (!port.empty()) {
    int value = 0;
    const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), value);
    if (error != std::errc() || end != port.data() + port.size() || value < 1 || value > 65535)
      return Invalid("has a port that is not a number from 1 to 65535");
    target.port = value;
  }
  auto folder = Decoded(path);
  if (!folder) return Invalid("has a folder with a broken escape or a control character");
  if (folder->size() > kMaxFolder) return Invalid("has a folder name that is too long");
  // "a//b" is "a/b" to a server; one spelling keeps the address's round trip exact.
  for (std::size_t twice = folder->find("//"); twice != std::string::npos; twice = folder->find("//", twice))
    folder->erase(twice, 1);
  if (*folder == "/" || *folder == "/~")
    folder->clear();
  else if (folder->rfind("/~/", 0) == 0)
    folder->erase(0, 3);
  if (!folder->empty() && folder->back() != '/') *folder += '/';
  for (std::size_t start = 0; start < folder->size();) {
    const std::size_t end = folder->find('/', start);
    if (folder->compare(start, end - start, "..") == 0) return Invalid("must not hold \"..\"");
    start = end + 1;
  }
  target.folder = *folder;
  return target;
}

std::string PublishAddressOf(const PublishTarget& target) {
  std::string scheme;
  for (const Scheme& known : kSchemes)
    if (known.protocol == target.protocol) scheme = std::string(known.prefix);
  const bool v6 = target.host.find(':') != std::string::npos;
  std::string address = scheme + PercentEncode(target.user) + "@" + (v6 ? "[" + target.host + "]" : target.host);
  if (target.port != DefaultPort(target.protocol)) address += ":" + std::to_string(target.port);
  const std::string folder = target.folder.empty() || target.folder.front() != '/' ? "/~/" + target.folder : target.folder;
  return address + PercentEncode(folder, "-._~/");
}

std::string SecretKeyOf(const PublishTarget& target) { return PublishAddressOf(target); }

std::string TargetsText(const std::vector<PublishTarget>& targets) {
  std::string text;
  for (const PublishTarget& target : targets) {
    if (!text.empty()) text += "$$";
    text += "^" + PercentEncode(PublishAddressOf(target)) + "^" + PercentEncode(target.name) + "^" +
            PercentEncode(target.publicAddress) + "^";
    if (!target.identity.empty()) text += PercentEncode(target.identity) + "^";
  }
  return text;
}

std::vector<PublishTarget> TargetsFromText(std::string_view text) {
  std::vector<PublishTarget> targets;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find("$$", start);
    if (end == std::string_view::npos) end = text.size();
    const std::vector<std::string> fields = SplitFields('^', text.substr(start, end - start));
    start = end + 2;
    if (fields.size() < 4 || !fields[0].empty()) continue;
    const auto address = Decoded(fields[1]);
    const auto name = Decoded(fields[2]);
    const auto publicAddress = Decoded(fields[3]);
    if (!address || !name || !publicAddress) continue;
    auto target = ParsePublishAddress(*address);
    if (!target) continue;
    target->name = *name;
    target->publicAddress = *publicAddress;
    if (fields.size() > 4) {
      if (const auto identity = Decoded(fields[4])) target->identity = *identity;
    }
    targets.push_back(std::move(*target));
  }
  return targets;
}

}  // namespace velmora

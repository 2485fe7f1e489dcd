#include "app/DesktopFolders.h"

#include <cstdlib>

#include "app/FileIO.h"

namespace velmora {

namespace fs = std::filesystem;

namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// Qt cleans the home folder's path; an unset one is the root.
std::string HomeFolder() {
  std::string home = fs::path(Environment("HOME")).lexically_normal().string();
  while (home.size() > 1 && home.back() == '/') home.pop_back();
  return home.empty() ? "/" : home;
}

std::string BaseFolder(const char* variable, std::string_view belowHome) {
  std::string value = Environment(variable);
  if (!value.empty()) return value;
  std::string home = HomeFolder();
  if (home.back() != '/') home += '/';
  return home.append(belowHome);
}

std::string_view TrimSpaces(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
  return text;
}

// The documents folder as user-dirs.dirs names it (the last line for it
// counts), else ~/Documents.
std::string DocumentsFolder(const std::string& configFolder) {
  constexpr std::size_t kMaxUserDirsBytes = 64 * 1024;
  // A missing or unreadable file leaves the default, as it does for Qt.
  const auto read = ReadWholeFile(fs::path(configFolder) / "user-dirs.dirs", kMaxUserDirsBytes);
  const std::string text = read ? *read : std::string();
  constexpr std::string_view kKey = "XDG_DOCUMENTS_DIR=";
  std::optional<std::string> found;
  std::string_view rest = text;
  while (!rest.empty()) {
    const std::size_t end = rest.find('\n');
    std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    if (line.substr(0, kKey.size()) != kKey) continue;
    std::string_view value = line.substr(kKey.size());
    if (value.size() > 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    std::string folder = value.substr(0, 5) == "$HOME" ? HomeFolder() + std::string(value.substr(5)) : std::string(value);
    if (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    found = std::move(folder);
  }
  if (found) return *found;
  std::string home = HomeFolder();
  return (home == "/" ? "" : home) + "/Documents";
}

void AppendUtf8(std::string& out, unsigned long code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    code &= 0xFFFF;  // QSettings reads one UTF-16 unit per escape
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A value as QSettings writes one: quoted runs keep spaces, commas and
// semicolons; backslash escapes anywhere. An unquoted comma makes a list.
std::optional<std::string> Unescape(std::string_view raw) {
  std::string out;
  bool quoted = false;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    const char c = raw[i];
    if (c == '"') {
      quoted = !quoted;
      continue;
    }
    if (c == ',' && !quoted) return std::nullopt;
    if (c != '\\' || i + 1 == raw.size()) {
      out += c;
      continue;
    }
    const char e = raw[++i];
    switch (e) {
      case 'a': out += '\a'; break;
      case 'b': out += '\b'; break;
      case 'f': out += '\f'; break;
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      case 't': out += '\t'; break;
      case 'v': out += '\v'; break;
      case 'x': {
        unsigned long code = 0;
        while (i + 1 < raw.size() && HexDigit(raw[i + 1]) >= 0 && code <= 0xFFFF)
          code = code * 16 + static_cast<unsigned long>(HexDigit(raw[++i]));
        AppendUtf8(out, code);
        break;
      }
      default:
        if (e >= '0' && e <= '7') {
          unsigned long code = static_cast<unsigned long>(e - '0');
          while (i + 1 < raw.size() && raw[i + 1] >= '0' && raw[i + 1] <= '7' && code <= 0xFFFF)
            code = code * 8 + static_cast<unsigned long>(raw[++i] - '0');
          AppendUtf8(out, code);
        } else {
          out += e;  // \" \' \? \\ and the rest stand for themselves
        }
    }
  }
  // "@" starts a typed value (a byte array, a variant); a text that begins with it is written "@@".
  if (!out.empty() && out.front() == '@') {
    if (out.size() < 2 || out[1] != '@') return std::nullopt;
    out.erase(0, 1);
  }
  return out;
}

}  // namespace

UserFolders XdgUserFolders() {
  const std::string config = BaseFolder("XDG_CONFIG_HOME", ".config");
  return {DocumentsFolder(config), fs::path(config) / kUserFolderName,
          fs::path(BaseFolder("XDG_DATA_HOME", ".local/share")) / kUserFolderName,
          fs::path(BaseFolder("XDG_CACHE_HOME", ".cache")) / kUserFolderName};
}

std::optional<std::string> QtIniString(std::string_view text, std::string_view section, std::string_view key) {
  std::optional<std::string> found;
  bool inSection = false;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = TrimSpaces(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (line.empty() || line.front() == ';' || line.front() == '#') continue;
    if (line.front() == '[') {
      inSection = line.back() == ']' && line.substr(1, line.size() - 2) == section;
      continue;
    }
    const std::size_t equals = line.find('=');
    if (!inSection || equals == std::string_view::npos || TrimSpaces(line.substr(0, equals)) != key) continue;
    found = Unescape(TrimSpaces(line.substr(equals + 1)));
  }
  return found;
}

std::optional<fs::path> RememberedOutputFolder(const Places& places) {
  constexpr std::size_t kMaxSettingsBytes = 1 << 20;
  // No settings, or none that can be read, means no choice was remembered.
  const auto text = ReadWholeFile(places.UserSettingsFile(), kMaxSettingsBytes);
  if (!text) return std::nullopt;
  auto folder = QtIniString(*text, "Output", "Folder");
  if (!folder || folder->empty()) return std::nullopt;
  return fs::path(*folder);
}

}  // namespace velmora

#include "app/Utils.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <functional>
#include <random>

namespace velmora {

namespace {

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
bool IsControlOrBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::size_t FindIgnoreCaseAscii(std::string_view hay, std::string_view needle, std::size_t from) {
  if (needle.empty()) return from <= hay.size() ? from : std::string_view::npos;
  if (hay.size() < needle.size()) return std::string_view::npos;
  const char first = UpperAscii(needle.front());
  const std::size_t last = hay.size() - needle.size();
  for (std::size_t i = from; i <= last; ++i) {
    if (UpperAscii(hay[i]) != first) continue;
    std::size_t k = 1;
    while (k < needle.size() && UpperAscii(hay[i + k]) == UpperAscii(needle[k])) ++k;
    if (k == needle.size()) return i;
  }
  return std::string_view::npos;
}

std::string ExtractTagged(std::string_view open, std::string_view close, std::string& work) {
  const std::size_t openAt = FindIgnoreCaseAscii(work, open);
  if (openAt == std::string::npos) return {};
  const std::size_t valueAt = openAt + open.size();
  const std::size_t closeAt = FindIgnoreCaseAscii(work, close, valueAt);
  if (closeAt == std::string::npos) {
    work.erase(0, valueAt);
    return {};
  }
  std::string value = work.substr(valueAt, closeAt - valueAt);
  work.erase(0, closeAt);
  return value;
}

std::string OpenTag(std::string_view name) { return "<%%" + std::string(name) + "%%>"; }
std::string CloseTag(std::string_view name) { return "<%%/" + std::string(name) + "%%>"; }

std::string TagLine(std::string_view name, std::string_view value) {
  return OpenTag(name) + std::string(value) + CloseTag(name);
}

void ReplaceTagLine(Lines& lines, std::string_view name, std::string_view value) {
  const std::string open = OpenTag(name);
  std::string line = TagLine(name, value);
  for (auto& existing : lines) {
    if (existing.find(open) != std::string::npos) {
      existing = std::move(line);
      return;
    }
  }
  lines.push_back(std::move(line));
}

std::string FlattenLines(std::string_view text, std::string_view separator) {
  if (text.size() >= 2 && text.substr(text.size() - 2) == "\r\n") text.remove_suffix(2);
  return ReplaceAll(text, "\r\n", separator);
}

void SplitFields(char separator, std::string_view text, std::vector<std::string>& fields) {
  fields.clear();
  std::size_t start = 0;
  for (std::size_t at = text.find(separator); at != std::string_view::npos; at = text.find(separator, start)) {
    fields.emplace_back(text.substr(start, at - start));
    start = at + 1;
  }
  if (start < text.size()) fields.emplace_back(text.substr(start));
}

std::vector<std::string> SplitFields(char separator, std::string_view text) {
  std::vector<std::string> fields;
  SplitFields(separator, text, fields);
  return fields;
}

const std::string& FieldOrEmpty(const std::vector<std::string>& fields, std::size_t index) {
  static const std::string empty;
  return index < fields.size() ? fields[index] : empty;
}

std::string DecodeHexEscapes(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    if (text[i] != '$') {
      result += text[i++];
      continue;
    }
    const int high = i + 1 < text.size() ? HexDigit(text[i + 1]) : -1;
    const int low = i + 2 < text.size() ? HexDigit(text[i + 2]) : -1;
    if (high < 0 || low < 0) return {};
    result += static_cast<char>(high * 16 + low);
    i += 3;
  }
  return result;
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(text);
  std::string result;
  result.reserve(text.size());
  std::size_t start = 0;
  for (std::size_t at = text.find(from); at != std::string_view::npos; at = text.find(from, start)) {
    result.append(text, start, at - start);
    result.append(to);
    start = at + from.size();
  }
  result.append(text, start);
  return result;
}

std::size_t ReplaceAllInPlace(std::string& text, std::string_view from, std::string_view to, std::size_t start) {
  if (from.empty()) return start;
  std::vector<std::size_t> found;
  for (std::size_t at = text.find(from, start); at != std::string::npos; at = text.find(from, at + from.size()))
    found.push_back(at);
  if (found.empty()) return start;
  // The text moves under `to` if `to` is a part of it.
  const std::less<const char*> before;
  const bool inText = !before(to.data(), text.data()) && before(to.data(), text.data() + text.size());
  const std::string ownCopy = inText ? std::string(to) : std::string();
  if (inText) to = ownCopy;
  const std::size_t oldSize = text.size();
  if (to.size() <= from.size()) {
    // Shrinking: move each stretch forward over the room the matches leave.
    char* data = text.data();
    std::size_t write = found.front();
    for (std::size_t k = 0; k < found.size(); ++k) {
      std::memcpy(data + write, to.data(), to.size());
      write += to.size();
      const std::size_t matchEnd = found[k] + from.size();
      const std::size_t next = k + 1 < found.size() ? found[k + 1] : oldSize;
      std::memmove(data + write, data + matchEnd, next - matchEnd);
      write += next - matchEnd;
    }
    const std::size_t afterLast = write - (oldSize - found.back() - from.size());
    text.resize(write);
    return afterLast;
  }
  // Growing: move each stretch backward, from the end, into the new room, so
  // a text with room reserved is never copied as a whole.
  text.resize(oldSize + found.size() * (to.size() - from.size()));
  char* data = text.data();
  std::size_t write = text.size();
  std::size_t stretchEnd = oldSize;
  for (std::size_t k = found.size(); k-- > 0;) {
    const std::size_t stretchStart = found[k] + from.size();
    write -= stretchEnd - stretchStart;
    std::memmove(data + write, data + stretchStart, stretchEnd - stretchStart);
    write -= to.size();
    std::memcpy(data + write, to.data(), to.size());
    stretchEnd = found[k];
  }
  return found.back() + found.size() * to.size() - (found.size() - 1) * from.size();
}

std::string TrimControl(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsControlOrBlank(text[begin])) ++begin;
  while (end > begin && IsControlOrBlank(text[end - 1])) --end;
  return std::string(text.substr(begin, end - begin));
}

std::string ToUpperAscii(std::string_view text) {
  std::string result(text);
  std::transform(result.begin(), result.end(), result.begin(), UpperAscii);
  return result;
}

std::string ToLowerAscii(std::string_view text) {
  std::string result(text);
  std::transform(result.begin(), result.end(), result.begin(), LowerAscii);
  return result;
}

bool EqualsIgnoreCaseAscii(std::string_view a, std::string_view b) {
  return a.size() == b.size() && FindIgnoreCaseAscii(a, b) == 0;
}

std::int32_t ToInt32OrZero(std::string_view text) {
  std::int32_t value = 0;
  const char* begin = text.data();
  const char* end = text.data() + text.size();
  if (begin != end && *begin == '+') ++begin;
  const auto [ptr, ec] = std::from_chars(begin, end, value);
  if (ec != std::errc() || ptr != end || begin == end) return 0;
  return value;
}

Lines SplitLines(std::string_view text) {
  const std::size_t nul = text.find('\0');
  if (nul != std::string_view::npos) text = text.substr(0, nul);
  Lines lines;
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.emplace_back(text.substr(start, i - start));
      i += (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

std::string JoinLines(const Lines& lines) {
  std::size_t size = 0;
  for (const auto& line : lines) size += line.size() + 2;
  std::string text;
  text.reserve(size);
  for (const auto& line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

void OpenInBrowser(ShellPort& shell, const std::string& address) {
  const std::optional<std::string> registered = shell.RegisteredBrowserCommand();
  if (!registered) {
    shell.OpenUrl(address);
    return;
  }
  std::string command = ToLowerAscii(*registered);
  if (command.empty()) return;
  const std::size_t exe = command.find(".exe");
  if (exe != std::string::npos) command = command.substr(0, exe) + ".exe";
  command.erase(std::remove(command.begin(), command.end(), '"'), command.end());
  shell.StartProgram(command, address);
}

std::size_t SystemRandom::Below(std::size_t n) {
  static std::mt19937_64 generator{std::random_device{}()};
  return std::uniform_int_distribution<std::size_t>(0, n - 1)(generator);
}

std::string PercentEncode(std::string_view text, std::string_view kept) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  encoded.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
        kept.find(c) != std::string_view::npos) {
      encoded += c;
    } else {
      encoded += '%';
      encoded += kHex[byte >> 4];
      encoded += kHex[byte & 0x0F];
    }
  }
  return encoded;
}

std::string JsonQuoted(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  out += '"';
  for (const char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          out += "\\u00";
          out += "0123456789abcdef"[(c >> 4) & 0xf];
          out += "0123456789abcdef"[c & 0xf];
        } else {
          out += c;
        }
    }
  }
  out += '"';
  return out;
}

std::size_t CountOf(std::string_view text, std::string_view needle) {
  if (needle.empty()) return 0;
  std::size_t count = 0;
  for (std::size_t at = text.find(needle); at != std::string_view::npos; at = text.find(needle, at + needle.size()))
    ++count;
  return count;
}

}  // namespace velmora

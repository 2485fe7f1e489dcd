#include "project/ItemText.h"

#include <vector>

#include "app/Utils.h"
#include "project/ProjectFile.h"

namespace velmora {

namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kJoiner = "\xE2\x81\xA0";  // U+2060 WORD JOINER in UTF-8
constexpr std::string_view kLineBreak = "$$";

bool JoinerAt(std::string_view text, std::size_t at) { return text.compare(at, kJoiner.size(), kJoiner) == 0; }
bool TagOpensAt(std::string_view text, std::size_t at) { return text.compare(at, 2, "%%") == 0; }
bool Reserved(char c) { return c == '$' || c == '^' || c == '<'; }

// "&#" zeros digits ";" for one of the reserved characters at `at`: its
// length, with the character and the count of its leading zeros; 0 for none.
std::size_t ReferenceAt(std::string_view text, std::size_t at, char& character, std::size_t& zeros) {
  if (text.compare(at, 2, "&#") != 0) return 0;
  std::size_t i = at + 2;
  zeros = 0;
  while (i < text.size() && text[i] == '0') ++i, ++zeros;
  for (const auto& [c, digits] : {std::pair{'$', std::string_view("36")}, std::pair{'^', std::string_view("94")},
                                  std::pair{'<', std::string_view("60")}}) {
    if (text.compare(i, digits.size(), digits) == 0 && i + digits.size() < text.size() && text[i + digits.size()] == ';') {
      character = c;
      return i + digits.size() + 1 - at;
    }
  }
  return 0;
}

// References: typed ones gain a zero; with `reserved`, "$" before "$" or
// at the line's end, "<" before "%%" and, with `carets`, every "^" become one.
std::string EscapeReferences(std::string_view line, bool reserved, bool carets) {
  std::string out;
  out.reserve(line.size());
  for (std::size_t i = 0; i < line.size();) {
    char c = 0;
    std::size_t zeros = 0;
    if (const std::size_t length = ReferenceAt(line, i, c, zeros)) {
      out += "&#0";
      out.append(line, i + 2, length - 2);
      i += length;
      continue;
    }
    c = line[i];
    if (reserved && c == '$' && (i + 1 == line.size() || line[i + 1] == '$')) {
      out += "&#36;";
    } else if (reserved && carets && c == '^') {
      out += "&#94;";
    } else if (reserved && c == '<' && TagOpensAt(line, i + 1)) {
      out += "&#60;";
    } else {
      out += c;
    }
    ++i;
  }
  return out;
}

std::string UnescapeReferences(std::string_view text) {
  if (text.find("&#") == std::string_view::npos) return std::string(text);
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    char c = 0;
    std::size_t zeros = 0;
    if (const std::size_t length = ReferenceAt(text, i, c, zeros)) {
      if (zeros == 0) {
        out += c;
      } else {
        out += "&#";
        out.append(text, i + 3, length - 3);
      }
      i += length;
      continue;
    }
    out += text[i++];
  }
  return out;
}

// Word joiners: one more after a reserved character a typed one follows;
// with `reserved`, one after "$" or "^" doubled or ending the line, and
// after "<" before "%%".
std::string EscapeJoiners(std::string_view line, bool reserved) {
  std::string out;
  out.reserve(line.size());
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    out += c;
    if (!Reserved(c)) continue;
    const bool ends = c == '<' ? TagOpensAt(line, i + 1) : i + 1 == line.size() || line[i + 1] == c;
    if (JoinerAt(line, i + 1) || (reserved && ends)) out += kJoiner;
  }
  return out;
}

std::string UnescapeJoiners(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    out += text[i];
    if (Reserved(text[i]) && JoinerAt(text, i + 1)) i += kJoiner.size();
  }
  return out;
}

// The typed lines: CR LF, CR and LF each end one; a break at the very end
// starts no line of its own.
std::vector<std::string_view> TypedLines(std::string_view typed) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < typed.size(); ++i) {
    if (typed[i] != '\r' && typed[i] != '\n') continue;
    lines.push_back(typed.substr(start, i - start));
    if (typed[i] == '\r' && i + 1 < typed.size() && typed[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < typed.size() || lines.empty()) lines.push_back(typed.substr(start));
  return lines;
}

template <typename Escape>
std::string Flattened(std::string_view typed, Escape escape) {
  std::string item;
  bool first = true;
  for (const std::string_view line : TypedLines(typed)) {
    if (!first) item += kLineBreak;
    item += escape(line);
    first = false;
  }
  return item;
}

bool UsesJoiners(PromoKind kind) { return InfoOf(kind).MultiLine(); }
bool KeptAsTyped(PromoKind kind) {
  const PromoShape shape = InfoOf(kind).shape;
  return shape == PromoShape::Line || shape == PromoShape::Banner;
}

}  // namespace

std::string KeptText(PromoKind kind, std::string_view typed) {
  if (KeptAsTyped(kind)) return OneLine(typed);
  if (InfoOf(kind).shape == PromoShape::PpcAd) return KeptPpcAd({std::string(typed), {}, {}});
  return Flattened(typed, [](std::string_view line) { return EscapeJoiners(line, true); });
}

std::string KeptPpcAd(const PpcAdText& ad) {
  const auto escape = [](std::string_view line) { return EscapeReferences(line, true, true); };
  // Appended piece by piece: GCC 12 warns wrongly about "^" + std::string at -O3.
  std::string kept = "^";
  kept += escape(OneLine(ad.title));
  kept += '^';
  kept += Flattened(ad.body, escape);
  kept += '^';
  kept += escape(OneLine(ad.link));
  kept += '^';
  return kept;
}

std::string TypedText(PromoKind kind, std::string_view item) {
  if (KeptAsTyped(kind)) return std::string(item);
  if (InfoOf(kind).shape == PromoShape::PpcAd) {
    const PpcAdText ad = TypedPpcAd(item);
    return ad.title + std::string(kCrLf) + ad.body + std::string(kCrLf) + ad.link;
  }
  return TypedMultiLine(item);
}

std::string TypedMultiLine(std::string_view item) { return UnescapeJoiners(ReplaceAll(item, kLineBreak, kCrLf)); }

PpcAdText TypedPpcAd(std::string_view item) {
  const auto fields = SplitFields('^', item);
  return {UnescapeReferences(FieldOrEmpty(fields, 1)),
          UnescapeReferences(ReplaceAll(FieldOrEmpty(fields, 2), kLineBreak, kCrLf)),
          UnescapeReferences(FieldOrEmpty(fields, 3))};
}

std::size_t JoinerEscapes(std::string_view item) {
  std::size_t count = 0;
  for (std::size_t at = item.find(kJoiner); at != std::string_view::npos; at = item.find(kJoiner, at + kJoiner.size()))
    if (at > 0 && Reserved(item[at - 1])) ++count;
  return count;
}

bool NeedsEscapes(PromoKind kind, std::string_view item) {
  if (KeptAsTyped(kind))
    return item.find("$$") != std::string_view::npos || (!item.empty() && item.back() == '$') ||
           item.find("<%%") != std::string_view::npos;
  if (UsesJoiners(kind)) {
    // One joiner alone after a reserved character is an escape; typed ones come two or more.
    for (std::size_t at = item.find(kJoiner); at != std::string_view::npos; at = item.find(kJoiner, at + 1))
      if (at > 0 && Reserved(item[at - 1]) && !JoinerAt(item, at + kJoiner.size())) return true;
    return false;
  }
  for (std::size_t at = item.find("&#"); at != std::string_view::npos; at = item.find("&#", at + 1)) {
    char c = 0;
    std::size_t zeros = 0;
    if (ReferenceAt(item, at, c, zeros) && zeros == 0) return true;
  }
  return false;
}

std::string EscapedInFile(PromoKind kind, std::string_view item) {
  return KeptAsTyped(kind) ? EscapeReferences(item, true, false) : std::string(item);
}

std::string FromEscapedFile(PromoKind kind, std::string_view stored) {
  return KeptAsTyped(kind) ? UnescapeReferences(stored) : std::string(stored);
}

std::string PlainInFile(PromoKind kind, std::string_view item) {
  if (KeptAsTyped(kind)) return std::string(item);
  return UsesJoiners(kind) ? UnescapeJoiners(item) : UnescapeReferences(item);
}

std::string FromPlainFile(PromoKind kind, std::string_view stored) {
  if (KeptAsTyped(kind)) return std::string(stored);
  return UsesJoiners(kind) ? EscapeJoiners(stored, false) : EscapeReferences(stored, false, false);
}

void ReadFromFile(PromoKind kind, std::string& item, bool escaped) {
  // Each conversion only changes an item holding a reference or a joiner.
  bool changes = false;
  if (escaped)
    changes = KeptAsTyped(kind) && item.find("&#") != std::string::npos;
  else if (!KeptAsTyped(kind))
    changes = item.find(UsesJoiners(kind) ? kJoiner : std::string_view("&#")) != std::string::npos;
  if (changes) item = escaped ? FromEscapedFile(kind, item) : FromPlainFile(kind, item);
}

std::string EscapedLine(std::string_view line) { return EscapeReferences(line, true, false); }
std::string UnescapedLine(std::string_view line) { return UnescapeReferences(line); }

}  // namespace velmora

#include "generator/PagePreview.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <random>
#include <unordered_map>

#include "app/Utils.h"
#include "generator/HtmlNames.h"
#include "generator/PageGenerator.h"

namespace velmora {

namespace {

std::string Escaped(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string NoticePage(const std::string& text) {
  return "<!DOCTYPE html><html lang=\"en\"><head><meta charset=\"utf-8\"><title>Preview</title></head>"
         "<body style=\"font:15px system-ui,sans-serif;color:#555;margin:40px;text-align:center\"><p>" +
         Escaped(text) + "</p></body></html>";
}

// The page made within the limits "Generate Code" keeps, or a notice page
// saying why there is none; with the template's text where there is a page.
PreviewToCheck Preview(const Project& project, const std::string& templateName,
                       const std::vector<std::filesystem::path>& templateFolders, std::string_view mark) {
  if (templateName.empty()) return {NoticePage("Choose a template to see the page."), {}};
  Result<std::string> text = LoadTemplate(templateName, templateFolders);
  if (!text) {
    if (text.error().kind == ErrorKind::NotFound)
      return {NoticePage("The template \"" + templateName + "\" is missing from the Templates folder."), {}};
    return {NoticePage(text.error().message), {}};
  }
  Result<std::string> page = MarkedPage(*text, project, mark);
  if (!page) return {NoticePage(page.error().message), {}};
  return {std::move(*page), std::move(*text)};
}

bool IsVoid(std::string_view name) { return IsVoidElementName(ToLowerAscii(name)); }

bool IsNameByte(char c) { return c != '>' && c != '/' && !std::isspace(static_cast<unsigned char>(c)); }

// A piece of markup as the browser's tokenizer splits it, roughly: enough to
// tell where a position stands.
struct Token {
  enum Kind { Text, StartTag, EndTag, Other, TextElement } kind;
  std::size_t begin;
  std::size_t end;
  std::string_view name;  // of tags and text elements
};

// Splits `html` into tokens; false when it ends inside a tag, a comment or a
// text element.
bool Tokenize(std::string_view html, std::vector<Token>& tokens) {
  std::size_t at = 0;
  std::size_t text = 0;
  const auto flushText = [&](std::size_t upTo) {
    if (upTo > text) tokens.push_back({Token::Text, text, upTo, {}});
  };
  while (at < html.size()) {
    const std::size_t lt = html.find('<', at);
    if (lt == std::string_view::npos || lt + 1 >= html.size()) break;
    const char next = html[lt + 1];
    const bool letter = std::isalpha(static_cast<unsigned char>(next)) != 0;
    const bool endTag = next == '/' && lt + 2 < html.size() && std::isalpha(static_cast<unsigned char>(html[lt + 2]));
    if (html.compare(lt, 4, "<!--") == 0) {
      flushText(lt);
      std::size_t close = html.find("-->", lt + 4);
      if (html.compare(lt, 5, "<!-->") == 0) close = lt + 2;
      if (html.compare(lt, 6, "<!--->") == 0) close = lt + 3;
      if (close == std::string_view::npos) return false;
      tokens.push_back({Token::Other, lt, close + 3, {}});
      at = text = close + 3;
    } else if (next == '!' || next == '?' || (next == '/' && !endTag && lt + 2 < html.size() && html[lt + 2] != '>')) {
      flushText(lt);
      const std::size_t close = html.find('>', lt);
      if (close == std::string_view::npos) return false;
      tokens.push_back({Token::Other, lt, close + 1, {}});
      at = text = close + 1;
    } else if (letter || endTag) {
      flushText(lt);
      std::size_t end = lt + (endTag ? 2 : 1);
      const std::size_t nameBegin = end;
      while (end < html.size() && IsNameByte(html[end])) ++end;
      const std::string_view name = html.substr(nameBegin, end - nameBegin);
      // Attributes, quoted values included, up to the tag's end.
      char quote = 0;
      bool value = false;  // after "=", where a quote opens a value
      for (; end < html.size(); ++end) {
        const char c = html[end];
        if (quote) {
          if (c == quote) quote = 0;
        } else if (c == '>') {
          break;
        } else if (c == '=') {
          value = true;
        } else if (value && (c == '"' || c == '\'')) {
          quote = c;
          value = false;
        } else if (!std::isspace(static_cast<unsigned char>(c))) {
          value = false;
        }
      }
      if (end >= html.size()) return false;
      ++end;
      if (endTag) {
        tokens.push_back({Token::EndTag, lt, end, name});
      } else if (EqualsIgnoreCaseAscii(name, "plaintext")) {
        return false;  // the rest of the page is its text
      } else if (IsRawTextElementName(ToLowerAscii(name))) {
        // Up to the first end tag of the same name.
        std::size_t close = end;
        for (;;) {
          close = FindIgnoreCaseAscii(html, std::string("</") + std::string(name), close);
          if (close == std::string_view::npos) return false;
          const std::size_t after = close + 2 + name.size();
          if (after >= html.size()) return false;
          if (!IsNameByte(html[after])) break;
          close = after;
        }
        const std::size_t closeEnd = html.find('>', close);
        if (closeEnd == std::string_view::npos) return false;
        tokens.push_back({Token::TextElement, lt, closeEnd + 1, name});
        end = closeEnd + 1;
      } else {
        tokens.push_back({Token::StartTag, lt, end, name});
      }
      at = text = end;
    } else {
      at = lt + 1;  // a lone "<" is text
    }
  }
  flushText(html.size());
  return true;
}

// Elements whose start tag the parser reads differently inside some other
// element, or that make the page's frame: a part holding one is shown with
// the whole page.
bool FramesThePage(std::string_view name) {
  for (std::string_view frame : {"html", "head", "body", "frameset", "frame", "template", "script", "noscript",
                                 "plaintext", "select", "option", "optgroup", "table", "caption", "colgroup", "col",
                                 "thead", "tbody", "tfoot", "tr", "td", "th", "form", "svg", "math"})
    if (EqualsIgnoreCaseAscii(name, frame)) return true;
  return false;
}

// Whether `html` reads the same on its own as within a page: every element
// it opens, it closes, in order; none that frames the page.
bool SelfContained(std::string_view html) {
  if (html.find('<') == std::string_view::npos) return true;
  std::vector<Token> tokens;
  if (!Tokenize(html, tokens)) return false;
  std::vector<std::string_view> open;
  for (const Token& token : tokens) {
    switch (token.kind) {
      case Token::StartTag:
        if (FramesThePage(token.name)) return false;
        if (!IsVoid(token.name)) open.push_back(token.name);
        break;
      case Token::EndTag:
        if (open.empty() || !EqualsIgnoreCaseAscii(open.back(), token.name)) return false;
        open.pop_back();
        break;
      case Token::TextElement:
        if (FramesThePage(token.name)) return false;
        break;
      case Token::Text:
      case Token::Other:
        break;
    }
  }
  return open.empty();
}

std::vector<std::string_view> Parts(std::string_view page, std::string_view comment) {
  std::vector<std::string_view> parts;
  std::size_t from = 0;
  for (std::size_t at = page.find(comment); at != std::string_view::npos; at = page.find(comment, from)) {
    parts.push_back(page.substr(from, at - from));
    from = at + comment.size();
  }
  parts.push_back(page.substr(from));
  return parts;
}

// Whether `marked` is `plain` with marks put in, compared in place.
bool IsMarkedCopy(std::string_view marked, std::string_view plain, std::string_view mark) {
  std::size_t at = 0;
  for (std::string_view part : Parts(marked, MarkComment(mark))) {
    if (plain.compare(at, part.size(), part) != 0) return false;
    at += part.size();
  }
  return at == plain.size();
}

}  // namespace

std::string PreviewPage(const Project& project, const std::string& templateName,
                        const std::vector<std::filesystem::path>& templateFolders) {
  return Preview(project, templateName, templateFolders, {}).page;
}

PreviewToCheck PreviewPageToCheck(const Project& project, const std::string& templateName,
                                  const std::vector<std::filesystem::path>& templateFolders, std::string_view mark) {
  return Preview(project, templateName, templateFolders, mark);
}

const std::string& PreviewMark() {
  static const std::string mark = [] {
    std::random_device random;
    std::string name = "velmora-";
    for (int i = 0; i < 4; ++i) {
      char digits[9];
      std::snprintf(digits, sizeof digits, "%08x", random());
      name += digits;
    }
    return name;
  }();
  return mark;
}

std::string MarkComment(std::string_view mark) { return "<!--" + std::string(mark) + "-->"; }

std::string MarkChangingParts(std::string_view templateText, std::string_view mark) {
  std::vector<Token> tokens;
  if (mark.empty() || !Tokenize(templateText, tokens)) return std::string(templateText);
  // Each start tag's end tag, matched once: elements of a name nest within
  // each other, any other order left as it is.
  std::vector<std::size_t> closedBy(tokens.size(), tokens.size());
  {
    std::unordered_map<std::string, std::vector<std::size_t>> open;
    for (std::size_t t = 0; t < tokens.size(); ++t) {
      if (tokens[t].kind != Token::StartTag && tokens[t].kind != Token::EndTag) continue;
      std::vector<std::size_t>& same = open[ToLowerAscii(tokens[t].name)];
      if (tokens[t].kind == Token::StartTag) {
        same.push_back(t);
      } else if (!same.empty()) {
        closedBy[same.back()] = t;
        same.pop_back();
      }
    }
  }
  // The parts, as [begin, end) of the template.
  std::vector<std::pair<std::size_t, std::size_t>> parts;
  for (const auto& [begin, end] : PlaceholderSpans(templateText)) {
    const auto token = std::upper_bound(tokens.begin(), tokens.end(), begin,
                                        [](std::size_t at, const Token& t) { return at < t.begin; }) - 1;
    if (token < tokens.begin() || begin >= token->end) continue;
    switch (token->kind) {
      case Token::Text:
        parts.emplace_back(begin, end);
        break;
      case Token::TextElement:
        parts.emplace_back(token->begin, token->end);
        break;
      case Token::StartTag:
        if (IsVoid(token->name)) {
          parts.emplace_back(token->begin, token->end);
        } else if (const std::size_t close = closedBy[static_cast<std::size_t>(token - tokens.begin())];
                   close < tokens.size()) {
          parts.emplace_back(token->begin, tokens[close].end);  // to the end tag that closes it
        }
        break;
      case Token::EndTag:
      case Token::Other:
        break;  // a change there is shown with what is around it
    }
  }
  // A part within another goes with it.
  std::sort(parts.begin(), parts.end());
  std::vector<std::size_t> marks;
  std::size_t reach = 0;
  for (const auto& [begin, end] : parts) {
    if (!marks.empty() && begin < reach) {
      if (end > reach) marks.back() = reach = end;
      continue;
    }
    if (marks.empty() || marks.back() != begin) marks.push_back(begin);
    marks.push_back(reach = end);
  }
  const std::string comment = MarkComment(mark);
  std::string marked;
  marked.reserve(templateText.size() + marks.size() * comment.size());
  std::size_t from = 0;
  for (const std::size_t at : marks) {
    marked.append(templateText, from, at - from);
    marked += comment;
    from = at;
  }
  marked.append(templateText, from);
  return marked;
}

Result<std::string> MarkedPage(std::string_view templateText, const Project& project, std::string_view mark) {
  Result<std::string> page = FillPage(templateText, project);
  if (!page || mark.empty()) return page;
  // The generator replaces a block's text wherever it stands, and two
  // placeholders may share a "%": marks can keep the same text from
  // matching elsewhere. They also make the page a little larger, so one just
  // under the limit cannot take them.
  Result<std::string> marked = FillPage(MarkChangingParts(templateText, mark), project);
  return marked && IsMarkedCopy(*marked, *page, mark) ? std::move(marked) : std::move(page);
}

std::string Unmarked(std::string_view page, std::string_view mark) {
  if (mark.empty()) return std::string(page);
  std::string plain;
  plain.reserve(page.size());
  for (std::string_view part : Parts(page, MarkComment(mark))) plain += part;
  return plain;
}

std::optional<PreviewChanges> PlanPreviewChanges(std::string_view shown, std::string_view next, std::string_view mark) {
  if (mark.empty()) return std::nullopt;
  const std::string comment = MarkComment(mark);
  const std::vector<std::string_view> was = Parts(shown, comment);
  const std::vector<std::string_view> now = Parts(next, comment);
  // The page's frame, before the first mark and after the last, stays.
  if (was.size() < 2 || now.size() < 2 || was.front() != now.front() || was.back() != now.back())
    return std::nullopt;
  PreviewChanges plan;
  plan.marks = was.size() - 1;
  std::size_t bytes = 0;
  // Part i stands between marks i - 1 and i.
  const auto join = [&](const std::vector<std::string_view>& parts, std::size_t first, std::size_t last) {
    std::string html;
    for (std::size_t i = first; i <= last; ++i) {
      if (i > first) html += comment;
      html += parts[i];
    }
    return html;
  };
  const auto change = [&](std::size_t first, std::size_t lastWas, std::size_t lastNow) {
    if (!SelfContained(join(was, first, lastWas))) return false;
    std::string html = join(now, first, lastNow);
    if (!SelfContained(html)) return false;
    bytes += html.size();
    plan.changes.push_back({first - 1, lastWas, std::move(html)});
    return true;
  };
  if (was.size() == now.size()) {
    for (std::size_t i = 1; i + 1 < was.size(); ++i) {
      if (was[i] == now[i]) continue;
      std::size_t last = i;
      while (last + 2 < was.size() && was[last + 1] != now[last + 1]) ++last;
      if (!change(i, last, last)) return std::nullopt;
      i = last;
    }
  } else {
    // Rows added or taken away: what lies between the equal runs at both ends.
    std::size_t head = 1;
    while (head + 1 < was.size() && head + 1 < now.size() && was[head] == now[head]) ++head;
    std::size_t tail = 1;
    while (tail + head < was.size() && tail + head < now.size() && was[was.size() - 1 - tail] == now[now.size() - 1 - tail])
      ++tail;
    // At least one part on either side, so that the change lies between two marks.
    if (head + tail >= std::min(was.size(), now.size())) {
      if (head <= 1) return std::nullopt;
      --head;
    }
    // The equal runs may end within a row: taken back to a row's start, the change is whole rows.
    constexpr std::size_t kPartsTried = 16;
    for (std::size_t back = 0;; ++back) {
      if (back > kPartsTried || head - back < 1) return std::nullopt;
      if (change(head - back, was.size() - 1 - tail, now.size() - 1 - tail)) break;
    }
  }
  // Where most of the page changed, showing it whole is as quick.
  if (bytes > next.size() / 2) return std::nullopt;
  return plan;
}

}  // namespace velmora

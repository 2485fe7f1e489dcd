// Any text typed into any item: saved and loaded, it must come back as the
// same project and edit as typed; the page must show it as typed; and an
// older copy of the program, which splits lists at their separators, must
// find the same number of items.
#include <cstdint>
#include <string>
#include <vector>

#include "app/TextCodec.h"
#include "app/Utils.h"
#include "generator/PageGenerator.h"
#include "project/ItemText.h"
#include "project/ProjectFile.h"
#include "project/PromoLists.h"
#include "tests/fuzz/FuzzCheck.h"

using namespace velmora;
using velmora::fuzz::NaiveReplace;

namespace {

// Line breaks as the wizard gives them: CR LF, and one at the very end dropped.
std::string Typed(std::string text) {
  text = NaiveReplace(NaiveReplace(std::move(text), "\r\n", "\n"), "\r", "\n");
  if (!text.empty() && text.back() == '\n') text.pop_back();
  return NaiveReplace(std::move(text), "\n", "\r\n");
}

std::vector<std::string> Split(std::string_view text, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t at = text.find(separator); at != std::string_view::npos; at = text.find(separator, start)) {
    parts.emplace_back(text.substr(start, at - start));
    start = at + 1;
  }
  parts.emplace_back(text.substr(start));
  return parts;
}

// How many items an older copy reads from a list's value: pieces between
// separators, the first found first, no empty one after the last.
std::size_t OlderCount(std::string_view value, std::string_view separator) {
  std::size_t count = 0;
  std::size_t start = 0;
  for (std::size_t at = value.find(separator); at != std::string_view::npos; at = value.find(separator, start)) {
    ++count;
    start = at + separator.size();
  }
  return count + (start < value.size() ? 1 : 0);
}

}  // namespace

// Records split at NUL, each an item of the kinds in turn; a PPC ad's
// fields, and a banner's address and alternative text, split at byte 1.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes = fuzz::Bytes(data, size);
  if (!IsValidUtf8(bytes)) return 0;  // the wizard types UTF-8; other bytes are an older file's code page
  Project project;
  std::vector<std::vector<PromoInput>> typed(kPromoKinds.size());
  const std::vector<std::string> records = Split(bytes, '\0');
  for (std::size_t r = 0; r < records.size(); ++r) {
    const PromoKind kind = kPromoKinds[r % kPromoKinds.size()];
    const auto fields = Split(records[r], '\x01');
    PromoInput input{records[r], {}, {}, {}};
    if (kind == PromoKind::PPC) input = {fields[0], fields.size() > 1 ? fields[1] : "", fields.size() > 2 ? fields[2] : "", {}};
    if (kind == PromoKind::Banners) input = {fields[0], {}, {}, fields.size() > 1 ? fields[1] : ""};
    if (CheckPromo(kind, input, {})) continue;  // empty
    const std::string item = BuildPromoItem(kind, input);
    ListOf(project, kind).push_back(item);
    if (kind == PromoKind::Banners) SetBannerAlt(project, item, input.alt);
    typed[static_cast<std::size_t>(kind)].push_back(input);
  }

  const Lines lines = ProjectLines(project);
  const Project loaded = ParseProject(JoinLines(lines));
  PromoBoard board;
  board.Rebuild(loaded);
  for (const PromoKindInfo& info : kPromoKindTable) {
    const PromoList& items = ListOf(loaded, info.kind);
    FUZZ_CHECK(items == ListOf(project, info.kind));
    for (std::size_t i = 0; i < items.size(); ++i) {
      const PromoInput& was = typed[static_cast<std::size_t>(info.kind)][i];
      const PromoInput now = *board.EditInput(loaded, info.kind, static_cast<int>(i));
      const bool oneLine = !info.MultiLine() && info.shape != PromoShape::PpcAd;
      // A text box shows an empty last line again, which it drops once more when saved.
      FUZZ_CHECK(oneLine || info.shape == PromoShape::PpcAd ? now.text == OneLine(was.text)
                                                            : Typed(now.text) == Typed(was.text));
      FUZZ_CHECK(Typed(now.body) == Typed(was.body));
      FUZZ_CHECK(BuildPromoItem(info.kind, now) == items[i]);
      FUZZ_CHECK(now.link == OneLine(was.link));
      FUZZ_CHECK(now.alt == (info.shape == PromoShape::Banner ? BannerAlt(project, items[i]) : ""));
    }
    // The kinds' lines in file order: four values first, the kinds stored last after the file name.
    const std::string_view value = [&]() -> std::string_view {
      for (const std::string& line : lines)
        if (line.rfind(OpenTag(info.tag), 0) == 0)
          return std::string_view(line).substr(OpenTag(info.tag).size(),
                                               line.size() - OpenTag(info.tag).size() - CloseTag(info.tag).size());
      return {};
    }();
    // Older copies join a multi-line PPC body's pieces again; the other lists split exactly.
    if (info.shape != PromoShape::PpcAd) FUZZ_CHECK(OlderCount(value, info.separator) == items.size());
  }
  for (const auto& [address, alt] : loaded.BannerAlts) FUZZ_CHECK(BannerAlt(project, address) == alt);

  // The page shows each e-mail and anchor as typed; placeholders typed are the page's to fill.
  if (bytes.find('%') == std::string_view::npos && bytes.find('<') == std::string_view::npos &&
      bytes.find('&') == std::string_view::npos) {
    std::string expected;
    for (const PromoInput& input : typed[static_cast<std::size_t>(PromoKind::Anchors)]) expected += "(" + OneLine(input.text) + ")";
    for (const PromoInput& input : typed[static_cast<std::size_t>(PromoKind::Email)]) expected += "[" + Typed(input.text) + "]";
    FUZZ_CHECK(FillTemplate("%%TABLE_LINKTEXT_INIT%%(%%ANCHORTEXT%%)%%TABLE_LINKTEXT_END%%"
                            "%%TABLE_EMAIL_INIT%%[%%EMAIL%%]%%TABLE_EMAIL_END%%",
                            loaded) == expected);
  }
  return 0;
}

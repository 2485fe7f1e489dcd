#pragma once
// How an item keeps the characters the project file reserves for itself:
// "$$" between items and for line breaks, "^" between a PPC ad's fields,
// "^^" between texts, and "<%%" opening its tags. Anchors and banners are
// held as typed and escaped only in the file; PPC ads and multi-line texts
// hold their escapes in the project, so that every reader of an item still
// finds its fields and line breaks where they always were.
//
// Anchors, banners and PPC ads go into the page as HTML, so there a
// reserved character becomes a character reference ("&#36;" for "$",
// "&#94;" for "^", "&#60;" for "<"), and a reference of those the user typed
// gains a leading zero ("&#036;"), which reads the same in HTML and tells
// the two apart. Multi-line texts are shown in text boxes, where a
// reference shows as written, so there a reserved character is followed by
// a word joiner (U+2060), which nobody sees; one typed after it gains
// another. Older copies of the program, which know no escapes, split such
// a file where this copy does and show the same text on the page.

#include <string>
#include <string_view>

#include "project/PromoKinds.h"

namespace velmora {

// What the user typed for a PPC ad.
struct PpcAdText {
  std::string title, body, link;  // the body with CR LF line breaks
};

// The item of a kind for what the user typed (CR LF, CR or LF breaks one
// line from the next). One-line kinds are kept as given; multi-line texts
// flattened with "$$", one break at the end dropped.
std::string KeptText(PromoKind kind, std::string_view typed);
std::string KeptPpcAd(const PpcAdText& ad);

// What the user typed, from an item: multi-line texts with CR LF breaks.
// PPC items are read field by field: TypedPpcAd.
std::string TypedText(PromoKind kind, std::string_view item);
// A multi-line item as typed, whatever its kind.
std::string TypedMultiLine(std::string_view item);
// Missing fields of a damaged ad read as empty.
PpcAdText TypedPpcAd(std::string_view item);
// How many word joiners TypedText drops from a multi-line item (three bytes each).
std::size_t JoinerEscapes(std::string_view item);

// The project file. Escapes are written only when an item needs them, and
// the file then says so; a file that does not is read as older copies
// wrote it, where a typed "&#36;" or word joiner is only that.
bool NeedsEscapes(PromoKind kind, std::string_view item);
// An item as a file with escapes holds it, and back.
std::string EscapedInFile(PromoKind kind, std::string_view item);
std::string FromEscapedFile(PromoKind kind, std::string_view stored);
// An item as a file without escapes holds it, and back.
std::string PlainInFile(PromoKind kind, std::string_view item);
std::string FromPlainFile(PromoKind kind, std::string_view stored);
// The item read from a file (with escapes or without), made what it holds
// where it stands: most items need no change and are left untouched.
void ReadFromFile(PromoKind kind, std::string& item, bool escaped);

// One line of text with the reserved characters made references, and back;
// for values that are always written so.
std::string EscapedLine(std::string_view line);
std::string UnescapedLine(std::string_view line);

}  // namespace velmora

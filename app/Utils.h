#pragma once
// Text conventions shared by the settings file, the project file, the promo
// lists, the page generator and the news service. Texts are byte strings;
// positions and lengths count bytes.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/Ports.h"

namespace velmora {

using Lines = std::vector<std::string>;

// Takes the value between the first open marker and the next close marker
// out of `work`, matching ASCII letters in either case. On success `work`
// then begins with the close marker, so later calls only see what follows;
// an unmatched open marker leaves `work` just after it.
std::string ExtractTagged(std::string_view open, std::string_view close, std::string& work);
// `<%%name%%>` + value + `<%%/name%%>`, the form fields are written in.
std::string TagLine(std::string_view name, std::string_view value);
std::string OpenTag(std::string_view name);
std::string CloseTag(std::string_view name);
// Replaces the first line holding the exact open tag by the tag line, or appends it.
void ReplaceTagLine(Lines& lines, std::string_view name, std::string_view value);

// One CR LF at the very end is dropped; every other CR LF becomes `separator`.
std::string FlattenLines(std::string_view text, std::string_view separator);
// Splits at every separator byte; a trailing empty field is dropped.
void SplitFields(char separator, std::string_view text, std::vector<std::string>& fields);
std::vector<std::string> SplitFields(char separator, std::string_view text);
// Field `index` of `fields`, or the empty text when there are fewer fields.
const std::string& FieldOrEmpty(const std::vector<std::string>& fields, std::size_t index);
// "$" + two hex digits stand for one byte; a malformed escape gives "".
std::string DecodeHexEscapes(std::string_view text);

// Every byte but ASCII letters, digits and those in `kept` as "%" and two
// upper-case hex digits, as addresses and their query values want it.
std::string PercentEncode(std::string_view text, std::string_view kept = "-._~");

// `text` as a JSON string, quotes included, which a script reads alike;
// bytes above 127 are kept as they are.
std::string JsonQuoted(std::string_view text);

// How often `needle` stands in `text`, matches not overlapping.
std::size_t CountOf(std::string_view text, std::string_view needle);

// Every occurrence, left to right; inserted text is not searched again.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);
// Replaces from `start` on and tells where the text after the last
// replacement begins (`start` when nothing was replaced).
std::size_t ReplaceAllInPlace(std::string& text, std::string_view from, std::string_view to, std::size_t start = 0);
// Drops bytes with codes 0 to 32 from both ends.
std::string TrimControl(std::string_view text);
std::string ToUpperAscii(std::string_view text);
std::string ToLowerAscii(std::string_view text);
bool EqualsIgnoreCaseAscii(std::string_view a, std::string_view b);
// Position of `needle` in `hay` from `from` on, ASCII letters in either case.
std::size_t FindIgnoreCaseAscii(std::string_view hay, std::string_view needle, std::size_t from = 0);
// A decimal signed 32-bit integer, or 0 for anything else (the empty text included).
std::int32_t ToInt32OrZero(std::string_view text);

// Lines end at CR LF, lone CR or lone LF; a NUL byte ends the text.
Lines SplitLines(std::string_view text);
// Each line followed by CR LF, the last one included.
std::string JoinLines(const Lines& lines);

// Opens a web address in the user's default browser; failures are silent.
void OpenInBrowser(ShellPort& shell, const std::string& address);

}  // namespace velmora

// The shared text conventions: tagged text, caret fields, hex escapes, line
// files and flattened lines, each checked against what it must give back.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/Utils.h"
#include "tests/fuzz/FuzzCheck.h"

using namespace velmora;
using velmora::fuzz::NaiveReplace;

namespace {

std::string Join(const std::vector<std::string>& fields, char separator) {
  std::string text;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i) text += separator;
    text += fields[i];
  }
  return text;
}

void CheckSplitFields(char separator, const std::string& text) {
  const auto fields = SplitFields(separator, text);
  const std::string joined = Join(fields, separator);
  // Only a trailing empty field is dropped.
  FUZZ_CHECK(joined == text || joined + separator == text);
}

void CheckHexEscapes(const std::string& text) {
  std::string escaped;
  static const char kHex[] = "0123456789abcdefABCDEF";
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    // Escape "$" always and other bytes now and then, in either letter case.
    if (byte == '$' || byte % 7 == 0) {
      escaped += '$';
      escaped += kHex[byte >> 4];
      escaped += (i % 2) ? kHex[(byte & 15) < 10 ? (byte & 15) : (byte & 15) + 6] : kHex[byte & 15];
    } else {
      escaped += text[i];
    }
  }
  FUZZ_CHECK(DecodeHexEscapes(escaped) == text);
  // Decoding raw text: either malformed (empty) or never longer than the text.
  const std::string decoded = DecodeHexEscapes(text);
  FUZZ_CHECK(decoded.size() <= text.size());
  if (text.find('$') == std::string::npos) FUZZ_CHECK(decoded == text);
}

void CheckExtractTagged(const std::string& open, const std::string& close, const std::string& text) {
  std::string work = text;
  const std::string value = ExtractTagged(open, close, work);
  // The working text only ever loses a front part.
  FUZZ_CHECK(work.size() <= text.size() && text.compare(text.size() - work.size(), work.size(), work) == 0);
  if (!value.empty()) {
    FUZZ_CHECK(FindIgnoreCaseAscii(work, close) == 0);
    FUZZ_CHECK(text.size() >= value.size() + work.size());
    FUZZ_CHECK(text.compare(text.size() - work.size() - value.size(), value.size(), value) == 0);
    FUZZ_CHECK(FindIgnoreCaseAscii(value, close) == std::string::npos || close.empty());
  }
}

void CheckLines(const std::string& text) {
  const Lines lines = SplitLines(text);
  for (const auto& line : lines) FUZZ_CHECK(line.find_first_of(std::string("\r\n\0", 3)) == std::string::npos);
  FUZZ_CHECK(SplitLines(JoinLines(lines)) == lines);

  // Without "$" in it, flattening is undone by a plain replacement.
  const std::string joined = JoinLines(lines);
  if (joined.find('$') == std::string::npos) {
    const std::string flat = FlattenLines(joined, "$$");
    FUZZ_CHECK(flat.find_first_of("\r\n") == std::string::npos);
    FUZZ_CHECK(NaiveReplace(flat, "$$", "\r\n") + (joined.empty() ? "" : "\r\n") == joined);
  }
}

void CheckReplace(const std::string& text, const std::string& from, const std::string& to) {
  const std::string expected = NaiveReplace(text, from, to);
  FUZZ_CHECK(ReplaceAll(text, from, to) == expected);
  std::string inPlace = text;
  ReplaceAllInPlace(inPlace, from, to);
  FUZZ_CHECK(inPlace == expected);
}

void CheckInt32(const std::string& text) {
  const std::int32_t value = ToInt32OrZero(text);
  if (value == 0) return;
  // A non-zero value only comes from a whole decimal number.
  std::string digits = text;
  if (!digits.empty() && digits[0] == '+') digits.erase(0, 1);
  char* end = nullptr;
  errno = 0;
  const long long reference = std::strtoll(digits.c_str(), &end, 10);
  FUZZ_CHECK(errno == 0 && end == digits.c_str() + digits.size() && reference == value);
  FUZZ_CHECK(text.find_first_of(" \t\r\n") == std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const char separator = input.ConsumeBool() ? '^' : static_cast<char>(input.ConsumeIntegral<std::uint8_t>());
  const std::string open = input.ConsumeRandomLengthString(24);
  const std::string close = input.ConsumeRandomLengthString(24);
  const std::string to = input.ConsumeRandomLengthString(24);
  const std::string text = input.ConsumeRemainingBytesAsString();

  CheckSplitFields(separator, text);
  CheckHexEscapes(text);
  CheckExtractTagged(open, close, text);
  CheckLines(text);
  CheckReplace(text, open, to);
  CheckInt32(text);
  Lines lines = SplitLines(text);
  const std::size_t before = lines.size();
  ReplaceTagLine(lines, "LastNewsId", to);
  FUZZ_CHECK(lines.size() == before || lines.size() == before + 1);
  return 0;
}

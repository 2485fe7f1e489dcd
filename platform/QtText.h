#pragma once
// Between the core's byte strings and Qt's strings.

#include <QString>
#include <filesystem>
#include <string>
#include <string_view>

namespace velmora {

// Bytes as the program shows them: UTF-8 where valid, otherwise Windows-1252.
QString ToQString(std::string_view bytes);
// Typed text is stored as UTF-8.
std::string FromQString(const QString& text);
// Qt's multi-line widgets use LF; the core expects CR LF line breaks.
std::string FromMultiline(const QString& text);
// CR LF (and lone CR) back to the LF a Qt widget shows.
QString ToMultiline(std::string_view bytes);
// File names in the encoding of the file system.
QString FromPath(const std::filesystem::path& path);
std::filesystem::path ToPath(const QString& path);

}  // namespace velmora

#include "platform/QtText.h"

#include <QFile>

#include "app/TextCodec.h"
#include "app/Utils.h"

namespace velmora {

QString ToQString(std::string_view bytes) {
  const std::string utf8 = ToDisplayUtf8(bytes);
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string FromQString(const QString& text) { return text.toStdString(); }

std::string FromMultiline(const QString& text) {
  QString normal = text;
  normal.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  normal.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  normal.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
  // Qt's text boxes end paragraphs with U+2029 in selections; plain text has none.
  normal.replace(QChar(0x2029), QStringLiteral("\r\n"));
  return normal.toStdString();
}

QString ToMultiline(std::string_view bytes) {
  QString text = ToQString(bytes);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return text;
}

QString FromPath(const std::filesystem::path& path) { return QFile::decodeName(QByteArray::fromStdString(path.string())); }

std::filesystem::path ToPath(const QString& path) { return std::filesystem::path(QFile::encodeName(path).toStdString()); }

}  // namespace velmora

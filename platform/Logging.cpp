#include "platform/Logging.h"

#include <cstdio>

#include "app/Log.h"
#include "app/Places.h"

namespace velmora {

Q_LOGGING_CATEGORY(lcPreview, "velmora.preview")
Q_LOGGING_CATEGORY(lcProject, "velmora.project")
Q_LOGGING_CATEGORY(lcNetwork, "velmora.network")

namespace {

QtMessageHandler previousHandler = nullptr;

void ToLog(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  LogLevel level = LogLevel::Info;
  switch (type) {
    case QtDebugMsg: break;
    case QtInfoMsg: level = LogLevel::Info; break;
    case QtWarningMsg: level = LogLevel::Warning; break;
    case QtCriticalMsg:
    case QtFatalMsg: level = LogLevel::Error; break;
  }
  // Debug output is for developers at a terminal, not the user's file.
  if (type != QtDebugMsg) {
    const char* area = context.category && *context.category ? context.category : "qt";
    if (std::string_view(area).starts_with("velmora.")) area += 8;
    Log(level, area, message.toStdString());
  }
  if (previousHandler) {
    previousHandler(type, context, message);
  } else {
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
  }
}

}  // namespace

void InstallLogging(const Places& places) {
  SetLogFile(places.LogFile());
  previousHandler = qInstallMessageHandler(&ToLog);
}

}  // namespace velmora

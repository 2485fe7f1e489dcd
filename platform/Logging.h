#pragma once
// The windows' logging categories. Their warnings, and Qt's own, go to the
// core's log, so one file holds what both sides noticed.

#include <QLoggingCategory>

namespace velmora {

class Places;

Q_DECLARE_LOGGING_CATEGORY(lcPreview)
Q_DECLARE_LOGGING_CATEGORY(lcProject)
Q_DECLARE_LOGGING_CATEGORY(lcNetwork)

// Sends the log to the places' log file and routes Qt's messages to it.
void InstallLogging(const Places& places);

}  // namespace velmora

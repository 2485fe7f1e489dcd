#include <QApplication>

#include "platform/ErrorReport.h"
#include "platform/FontWarmUp.h"
#include "platform/Logging.h"
#include "platform/QtPlaces.h"
#include "ui/MainWindow.h"
#include "ui/PreviewPane.h"

int main(int argc, char** argv) {
  velmora::FontWarmUp fonts;
  velmora::PrepareBrowserEngine();
  velmora::ReportingApplication app(argc, argv);
  velmora::InstallLogging(velmora::LocatePlaces());
  // Lets the desktop match the window to its entry and icon.
  QGuiApplication::setDesktopFileName(QStringLiteral(VELMORA_APP_ID));
  fonts.Ready();
  velmora::MainWindow window;
  // "velmora FILE.set", as the desktop entry's %f passes it; Qt has taken its own options out.
  const QStringList arguments = QCoreApplication::arguments();
  if (arguments.size() > 1) window.OpenAtStart(arguments.at(1));
  window.show();
  return app.exec();
}

#include <QApplication>

#include "platform/ErrorReport.h"
#include "ui/FMain.h"
#include "ui/PreviewPane.h"

int main(int argc, char** argv) {
  velmora::PrepareBrowserEngine();
  velmora::ReportingApplication app(argc, argv);
  velmora::TfrmMain frmMain;
  frmMain.show();
  return app.exec();
}

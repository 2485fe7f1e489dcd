#include <QApplication>

#include "platform/ErrorReport.h"
#include "ui/FMain.h"

int main(int argc, char** argv) {
  velmora::ReportingApplication app(argc, argv);
  velmora::TfrmMain frmMain;
  frmMain.show();
  return app.exec();
}

// Start-up to the wizard shown, beside a bare Qt window program, in one run:
// each sample starts a fresh process and waits for its "shown". Run it on a
// display (xvfb-run) or with QT_QPA_PLATFORM=offscreen.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstring>

#include "ui/MainWindow.h"
#include "ui/PreviewPane.h"

namespace {

QString g_self;
QString g_bare;

// The wizard as the program starts it (no brand file: no welcome page).
int RunAsProgram(int argc, char** argv) {
  velmora::PrepareBrowserEngine(QStringLiteral(VELMORA_PROGRAM_BUILD_DIR));
  QApplication app(argc, argv);
  velmora::MainWindow window;
  window.show();
  QTimer::singleShot(0, &app, [&] {
    std::puts("shown");
    std::fflush(stdout);
    window.findChild<QTimer*>(QStringLiteral("newsTimer"))->stop();
    QApplication::quit();
  });
  return app.exec();
}

double StartOnce(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  QElapsedTimer clock;
  clock.start();
  process.start(program, arguments);
  while (!process.canReadLine()) {
    if (!process.waitForReadyRead(30000)) std::abort();
  }
  const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
  process.waitForFinished(30000);
  return seconds;
}

void BM_BareQtWindow(benchmark::State& state) {
  for (auto _ : state) state.SetIterationTime(StartOnce(g_bare, {}));
}

void BM_VelmoraWizard(benchmark::State& state) {
  for (auto _ : state) state.SetIterationTime(StartOnce(g_self, {QStringLiteral("--as-program")}));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--as-program") == 0) return RunAsProgram(argc, argv);
  QCoreApplication app(argc, argv);
  // The measured programs keep per-user files (crash recovery) in a folder
  // of the run: one left by an earlier crash would stop them with a question.
  QTemporaryDir userData;
  qputenv("XDG_DATA_HOME", userData.path().toLocal8Bit());
  g_self = QCoreApplication::applicationFilePath();
  g_bare = QFileInfo(g_self).dir().filePath(QStringLiteral("bench_BareWindow"));
  // Side by side in one run, under the same machine load.
  benchmark::RegisterBenchmark("BM_BareQtWindow", BM_BareQtWindow)
      ->UseManualTime()
      ->Unit(benchmark::kMillisecond)
      ->Iterations(5)
      ->Repetitions(4);
  benchmark::RegisterBenchmark("BM_VelmoraWizard", BM_VelmoraWizard)
      ->UseManualTime()
      ->Unit(benchmark::kMillisecond)
      ->Iterations(5)
      ->Repetitions(4);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

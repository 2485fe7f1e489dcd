// Live preview refresh, for 100, 1,000 and 10,000 promos:
// - BM_KeystrokeToPixels: from a key typed in the title to the heading's
//   pixels changed on the screen, beside its floor in the same run, a bare
//   browser view whose line edit sets the heading by a script, key for key
//   in turn. Needs an X display wide enough for both windows side by side:
//   xvfb-run -a -s '-screen 0 4000x1200x24' build/bench/bench_PreviewBench
// - BM_PreviewRefresh: from a change to the project to the engine's word
//   that the page shows it; BM_PreviewAfterTyping the same after a burst.
// Each run ends by checking that the page shows the last change.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QScreen>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <vector>

#include "app/FileIO.h"
#include "generator/PageGenerator.h"
#include "bench/AgainstFloor.h"
#include "bench/BenchProject.h"
#include "bench/PreviewPixels.h"
#include "ui/MainWindow.h"
#include "ui/PreviewPane.h"

using namespace velmora;
using namespace velmora::bench;

namespace {

QString g_programFolder;
QString g_floor;
std::string g_banner;

bool WaitForLoad(PreviewPane* pane, int timeoutMs) {
  QEventLoop loop;
  bool loaded = false;
  const auto connection = QObject::connect(pane, &PreviewPane::PageLoaded, &loop, [&] {
    loaded = true;
    loop.quit();
  });
  QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
  loop.exec();
  QObject::disconnect(connection);
  return loaded;
}

// The window with a project of `promos` promos and its preview shown; null
// (the run skipped) when the engine does not load the page.
PreviewPane* OpenPreview(MainWindow& window, std::size_t promos, benchmark::State& state) {
  window.findChild<QTimer*>(QStringLiteral("newsTimer"))->stop();
  Project project = ProjectOf(promos);
  project.Template = "Aurora";
  // Local banner pictures: this machine has no web to fetch made-up addresses from.
  for (std::string& banner : project.Banners) banner = g_banner;
  window.ApplyLoadedProject(std::move(project));
  window.show();
  // The size a first start takes on a 1366 x 768 screen, whatever this screen is.
  window.resize(820, 576);
  window.findChild<QPushButton*>(QStringLiteral("btnPreview"))->click();
  auto* pane = window.findChild<PreviewPane*>();
  if (pane && WaitForLoad(pane, 60000)) return pane;
  state.SkipWithError("the browser engine did not load the page");
  return nullptr;
}

QLineEdit* TitleField(MainWindow& window) { return window.findChild<QLineEdit*>(QStringLiteral("titleInput")); }

// The page's heading as the engine shows it now.
QString ShownHeading(PreviewPane* pane) {
  QString shown;
  bool answered = false;
  pane->RunScript(QStringLiteral("document.querySelector('h1').textContent"), [&](const QVariant& value) {
    shown = value.toString();
    answered = true;
  });
  QElapsedTimer wait;
  wait.start();
  while (!answered && wait.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
  return shown;
}

void BM_PreviewRefresh(benchmark::State& state) {
  MainWindowEnvironment environment;
  environment.programFolder = g_programFolder.toStdString();
  MainWindow window(environment);
  PreviewPane* pane = OpenPreview(window, static_cast<std::size_t>(state.range(0)), state);
  if (!pane) return;
  int change = 0;
  for (auto _ : state) {
    QElapsedTimer clock;
    clock.start();
    TitleField(window)->setText(QStringLiteral("Benchmark page %1").arg(++change));
    if (!WaitForLoad(pane, 60000)) {
      state.SkipWithError("no refresh");
      return;
    }
    state.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) / 1e9);
  }
  if (!ShownHeading(pane).contains(TitleField(window)->text()))
    state.SkipWithError("the page does not show the last change");
}

// Typing on: a key every 100 ms, five times, then from the last key to the
// page showing it. Refreshes the engine has not begun are skipped, so the
// wait does not grow with the keys typed while it was busy.
void BM_PreviewAfterTyping(benchmark::State& state) {
  MainWindowEnvironment environment;
  environment.programFolder = g_programFolder.toStdString();
  MainWindow window(environment);
  PreviewPane* pane = OpenPreview(window, static_cast<std::size_t>(state.range(0)), state);
  if (!pane) return;
  int change = 0;
  for (auto _ : state) {
    for (int key = 0; key < 4; ++key) {
      TitleField(window)->setText(QStringLiteral("Benchmark page %1").arg(++change));
      QEventLoop pause;
      QTimer::singleShot(100, &pause, &QEventLoop::quit);
      pause.exec();
    }
    QElapsedTimer clock;
    clock.start();
    TitleField(window)->setText(QStringLiteral("Benchmark page %1").arg(++change));
    // The refreshes of earlier keys may still report; only the last counts.
    const QString last = TitleField(window)->text();
    bool shown = false;
    while (!shown && clock.elapsed() < 60000 && WaitForLoad(pane, 60000)) shown = ShownHeading(pane) == last;
    if (!shown) {
      state.SkipWithError("the last key never showed");
      return;
    }
    state.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) / 1e9);
  }
}

// Velmora and its floor key for key in turn, under the same load; the
// iteration time is Velmora's, the floor and the ratio of the medians are
// counters.
void BM_KeystrokeToPixels(benchmark::State& state) {
  const auto promos = static_cast<std::size_t>(state.range(0));
  MainWindowEnvironment environment;
  environment.programFolder = g_programFolder.toStdString();
  MainWindow window(environment);
  PreviewPane* pane = OpenPreview(window, promos, state);
  if (!pane) return;
  window.move(0, 0);
  Settle(500);
  auto* view = pane->findChild<QWidget*>(QStringLiteral("webPreview"));
  const qreal zoom = view->property("zoomFactor").toDouble();

  // The same page as saved, in a bare view of the same size and zoom beside
  // the window, in a program of its own, as a bare view would be.
  Project project = ProjectOf(promos);
  for (std::string& banner : project.Banners) banner = g_banner;
  // The floor's view stands beside the window, both wholly on the screen.
  const int floorLeft = window.frameGeometry().right() + 20;
  if (floorLeft + view->width() > window.screen()->geometry().width())
    return state.SkipWithError("the screen is too narrow for the window and the floor's view side by side");
  const QString pageFile = g_programFolder + QStringLiteral("bare.html");
  const auto page = GeneratePage(project, "Aurora", {std::filesystem::path(g_programFolder.toStdString()) / "Templates"});
  if (!page || !WriteFileAtomic(pageFile.toStdString(), *page)) return state.SkipWithError("no page for the floor");
  QProcess bare;
  bare.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  bare.start(g_floor, {QStringLiteral("type"), pageFile, QString::number(zoom), QString::number(view->width()),
                       QString::number(view->height()), QString::number(floorLeft)});
  const auto answer = [&bare] {
    while (!bare.canReadLine())
      if (!bare.waitForReadyRead(300000)) return QString();
    return QString::fromLatin1(bare.readLine()).trimmed();
  };
  if (answer() != QLatin1String("ready")) return state.SkipWithError("the floor's view did not load the page");

  const QRect ours = HeadingOnScreen(view, zoom, [pane](const QString& script, auto done) { pane->RunScript(script, done); });
  if (ours.isEmpty()) return state.SkipWithError("the heading is not on the screen");
  std::vector<double> velmora;
  std::vector<double> floor;
  bool add = true;
  for (auto _ : state) {
    const double time = KeyToPixels(TitleField(window), ours, add);
    Settle(150);
    bare.write(add ? "add\n" : "remove\n");
    const double bareTime = answer().toDouble();
    Settle(150);
    add = !add;
    if (time < 0 || bareTime < 0) return state.SkipWithError("the heading did not change on the screen");
    velmora.push_back(time);
    floor.push_back(bareTime);
    state.SetIterationTime(time / 1e3);
  }
  ReportAgainstFloor(state, velmora, floor);
  bare.closeWriteChannel();
  bare.waitForFinished(10000);
  if (!ShownHeading(pane).contains(TitleField(window)->text()))
    state.SkipWithError("the page does not show the last change");
}
BENCHMARK(BM_KeystrokeToPixels)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(10000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(11);

BENCHMARK(BM_PreviewAfterTyping)->Arg(1000)->Arg(10000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK(BM_PreviewRefresh)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(10000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10)
    ->Repetitions(3)
    ->ReportAggregatesOnly(false);

}  // namespace

int main(int argc, char** argv) {
  PrepareBrowserEngine(QStringLiteral(VELMORA_PROGRAM_BUILD_DIR));
  // Per-user files go to a folder of the run: crash recovery left by an
  // earlier crash would stop the run with its question, and a remembered
  // window size would change what is measured.
  QTemporaryDir userData;
  qputenv("XDG_DATA_HOME", userData.filePath(QStringLiteral("data")).toLocal8Bit());
  qputenv("XDG_CONFIG_HOME", userData.filePath(QStringLiteral("config")).toLocal8Bit());
  QApplication app(argc, argv);
  QTemporaryDir folder;
  std::filesystem::create_directories(std::filesystem::path(folder.path().toStdString()) / "Templates");
  for (const char* name : {"aurora.tem", "midnight.tem", "sunrise.tem"})
    std::filesystem::copy_file(std::filesystem::path(VELMORA_SOURCE_DIR) / "templates" / name,
                               std::filesystem::path(folder.path().toStdString()) / "Templates" / name);
  g_programFolder = folder.path() + QLatin1Char('/');
  g_floor = QFileInfo(QCoreApplication::applicationFilePath()).dir().filePath(QStringLiteral("bench_PreviewFloor"));
  const auto banner = std::filesystem::path(folder.path().toStdString()) / "banner.svg";
  std::filesystem::copy_file(std::filesystem::path(VELMORA_SOURCE_DIR) / "templates" / "sample" / "banner-468x60.svg",
                             banner);
  g_banner = "file://" + banner.string();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

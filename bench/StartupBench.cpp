// Start-up and opening the preview, each beside its floor in the same run,
// sample for sample in turn; every sample is a fresh process. Needs an X
// display (xvfb-run -a build/bench/bench_StartupBench).
// - BM_StartToMapped: from starting the process to the X server mapping its
//   main window, told by the server's MapNotify event; the floor is a bare
//   QMainWindow program (bench_BareWindow).
// - BM_OpenPreview: from the Preview button pressed, with a project of 1,000
//   promos, to the page loaded in the engine; the floor creates a bare
//   browser view on its key press, then loads the same page (bench_PreviewFloor).
//   Velmora's window must keep its X window (no new window, no flash).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <poll.h>
#include <vector>
#include <xcb/xcb.h>

#include "app/FileIO.h"
#include "bench/AgainstFloor.h"
#include "bench/BenchProject.h"
#include "generator/PageGenerator.h"
#include "platform/FontWarmUp.h"
#include "ui/MainWindow.h"
#include "ui/PreviewPane.h"

using velmora::bench::ReportAgainstFloor;

namespace {

QString g_self;
QString g_bare;
QString g_floor;
QString g_programFolder;  // holds the templates
QString g_page;           // the page of 1,000 promos as saved, for the floor

// The wizard as the program starts it (no brand file: no welcome page); it
// quits once it has been on the screen a moment.
int RunAsProgram(int argc, char** argv) {
  velmora::FontWarmUp fonts;
  velmora::PrepareBrowserEngine(QStringLiteral(VELMORA_PROGRAM_BUILD_DIR));
  QApplication app(argc, argv);
  fonts.Ready();
  velmora::MainWindow window;
  window.show();
  QTimer::singleShot(300, &app, &QApplication::quit);
  return app.exec();
}

// The window with 1,000 promos; a moment after it is on the screen, the
// Preview button is pressed. Prints the milliseconds to the page loaded, and
// whether the window kept its X window.
int OpenPreviewAsProgram(int argc, char** argv) {
  velmora::PrepareBrowserEngine(QStringLiteral(VELMORA_PROGRAM_BUILD_DIR));
  QApplication app(argc, argv);
  velmora::MainWindowEnvironment environment;
  environment.programFolder = QString::fromLocal8Bit(argv[2]).toStdString();
  velmora::MainWindow window(environment);
  window.findChild<QTimer*>(QStringLiteral("newsTimer"))->stop();
  velmora::Project project = velmora::bench::ProjectOf(1000);
  project.Template = "Aurora";
  for (std::string& banner : project.Banners) banner = "banner.svg";
  window.ApplyLoadedProject(std::move(project));
  window.show();
  QElapsedTimer clock;
  WId before = 0;
  QTimer::singleShot(1000, &app, [&] {
    before = window.winId();
    clock.start();
    window.findChild<QPushButton*>(QStringLiteral("btnPreview"))->click();
    auto* pane = window.findChild<velmora::PreviewPane*>();
    QObject::connect(pane, &velmora::PreviewPane::PageLoaded, &app, [&] {
      std::printf("%.1f %s\n", static_cast<double>(clock.nsecsElapsed()) / 1e6,
                  window.winId() == before ? "same-window" : "new-window");
      std::fflush(stdout);
      QApplication::quit();
    });
  });
  QTimer::singleShot(60000, &app, &QApplication::quit);
  return app.exec();
}

// The X server's word that a top-level window was mapped.
class MapWatch {
public:
  MapWatch() : connection_(xcb_connect(nullptr, nullptr)) {
    if (xcb_connection_has_error(connection_)) return;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection_, screen->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection_);
    ok_ = true;
  }
  ~MapWatch() { xcb_disconnect(connection_); }
  bool Ok() const { return ok_; }

  void Drain() {
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) std::free(event);
  }
  // Waits for a window that is not a pop-up to be mapped.
  bool WaitForMap(int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
      while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
        const bool mapped = (event->response_type & 0x7f) == XCB_MAP_NOTIFY &&
                            !reinterpret_cast<xcb_map_notify_event_t*>(event)->override_redirect;
        std::free(event);
        if (mapped) return true;
      }
      pollfd watched{xcb_get_file_descriptor(connection_), POLLIN, 0};
      ::poll(&watched, 1, 100);
    }
    return false;
  }

private:
  xcb_connection_t* connection_;
  bool ok_ = false;
};


// Milliseconds from starting `program` to its window mapped; negative when it never is.
double StartToMapped(MapWatch& watch, const QString& program, const QStringList& arguments) {
  watch.Drain();
  QProcess process;
  process.setProcessChannelMode(QProcess::ForwardedChannels);
  QElapsedTimer clock;
  clock.start();
  process.start(program, arguments);
  const bool mapped = watch.WaitForMap(30000);
  const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
  process.waitForFinished(30000);
  return mapped ? ms : -1;
}

void BM_StartToMapped(benchmark::State& state) {
  MapWatch watch;
  if (!watch.Ok()) return state.SkipWithError("no X display");
  std::vector<double> velmora;
  std::vector<double> floor;
  for (auto _ : state) {
    const double bare = StartToMapped(watch, g_bare, {});
    const double ours = StartToMapped(watch, g_self, {QStringLiteral("--as-program")});
    if (bare < 0 || ours < 0) return state.SkipWithError("a window was never mapped");
    floor.push_back(bare);
    velmora.push_back(ours);
    state.SetIterationTime(ours / 1e3);
  }
  ReportAgainstFloor(state, velmora, floor);
}

// The first line a program prints, split into its words.
QStringList Answer(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  process.start(program, arguments);
  process.waitForFinished(90000);
  return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed().split(QLatin1Char(' '));
}

void BM_OpenPreview(benchmark::State& state) {
  std::vector<double> velmora;
  std::vector<double> floor;
  for (auto _ : state) {
    const QStringList bare = Answer(g_floor, {g_page});
    const QStringList ours = Answer(g_self, {QStringLiteral("--open-preview"), g_programFolder});
    if (bare.size() != 2 || ours.size() != 2) return state.SkipWithError("a preview did not open");
    if (ours[1] != QLatin1String("same-window")) return state.SkipWithError("the window was made anew");
    floor.push_back(bare[0].toDouble());
    velmora.push_back(ours[0].toDouble());
    state.SetIterationTime(velmora.back() / 1e3);
  }
  ReportAgainstFloor(state, velmora, floor);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--as-program") == 0) return RunAsProgram(argc, argv);
  if (argc > 2 && std::strcmp(argv[1], "--open-preview") == 0) return OpenPreviewAsProgram(argc, argv);
  // The floor's browser engine runs as the program's does (without its sandbox as root).
  velmora::PrepareBrowserEngine(QStringLiteral(VELMORA_PROGRAM_BUILD_DIR));
  QCoreApplication app(argc, argv);
  // The measured programs keep per-user files in a folder of the run: crash
  // recovery left by an earlier crash would stop them with a question, and a
  // remembered window size would change what is measured.
  QTemporaryDir userData;
  qputenv("XDG_DATA_HOME", userData.filePath(QStringLiteral("data")).toLocal8Bit());
  qputenv("XDG_CONFIG_HOME", userData.filePath(QStringLiteral("config")).toLocal8Bit());
  g_self = QCoreApplication::applicationFilePath();
  const QDir benches = QFileInfo(g_self).dir();
  g_bare = benches.filePath(QStringLiteral("bench_BareWindow"));
  g_floor = benches.filePath(QStringLiteral("bench_PreviewFloor"));

  // A program folder with the templates and the banner, and the page as saved.
  QTemporaryDir folder;
  const std::filesystem::path root = folder.path().toStdString();
  std::filesystem::create_directories(root / "Templates");
  std::filesystem::copy_file(std::filesystem::path(VELMORA_SOURCE_DIR) / "templates" / "aurora.tem",
                             root / "Templates" / "aurora.tem");
  std::filesystem::copy_file(std::filesystem::path(VELMORA_SOURCE_DIR) / "templates" / "sample" / "banner-468x60.svg",
                             root / "banner.svg");
  g_programFolder = folder.path() + QLatin1Char('/');
  velmora::Project project = velmora::bench::ProjectOf(1000);
  for (std::string& banner : project.Banners) banner = "banner.svg";
  const auto page = velmora::GeneratePage(project, "Aurora", {root / "Templates"});
  g_page = folder.filePath(QStringLiteral("page.html"));
  if (!page || !velmora::WriteFileAtomic(root / "page.html", *page)) return 1;

  benchmark::RegisterBenchmark("BM_StartToMapped", BM_StartToMapped)
      ->UseManualTime()
      ->Unit(benchmark::kMillisecond)
      ->Iterations(11);
  benchmark::RegisterBenchmark("BM_OpenPreview", BM_OpenPreview)
      ->UseManualTime()
      ->Unit(benchmark::kMillisecond)
      ->Iterations(7);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

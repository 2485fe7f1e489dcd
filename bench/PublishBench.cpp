// Publishing a large page with its pictures over SFTP on loopback (sshd
// from the build folder), and publishing it again after one promo changed:
// the second publish sends the page alone.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <random>

#include "bench/BenchProject.h"
#include "generator/OutputDelivery.h"
#include "publish/Publisher.h"
#include "publish/SftpTransport.h"
#include "tests/publish/TestServers.h"

using namespace velmora;

namespace {

constexpr std::size_t kBanners = 50;

struct Setup {
  test::SshServer server;
  test::TempDir local;
  Project project = bench::ProjectOf(1000);

  Setup() {
    std::mt19937 random(7);
    project.Banners.clear();
    for (std::size_t i = 0; i < kBanners; ++i) {
      std::string picture(20000, '\0');
      for (char& c : picture) c = static_cast<char>(random());
      const std::string name = "pictures/banner" + std::to_string(i) + ".png";
      local.Write(name, picture);
      project.Banners.push_back((local / name).string());
    }
  }
  std::vector<PublishFile> Files() const {
    const auto bundle = MakePageBundle(project, "Aurora", {std::filesystem::path(VELMORA_SOURCE_DIR) / "templates"},
                                       "benchmark.htm", "bench");
    return FilesOfPage(bundle.value()).value();
  }
  SftpTransport Transport() const {
    auto target = ParsePublishAddress(server.Url()).value();
    SftpLogin login;
    login.identity = server.home.dir / "client_key";
    login.knownHosts = local / "known";
    return SftpTransport(target, login);
  }
};

Setup& Shared() {
  static Setup setup;
  return setup;
}

// One publish as velmora-tool makes it: connect, read the manifest, send.
std::size_t PublishOnce(Setup& setup, const std::vector<PublishFile>& files) {
  SftpTransport transport = setup.Transport();
  if (!transport.Connect()) {
    // First contact: the key is accepted the way the user would accept it.
    SftpLogin login;
    login.identity = setup.server.home.dir / "client_key";
    login.knownHosts = setup.local / "known";
    login.acceptedKey = transport.HostKey();
    SftpTransport accepting(ParsePublishAddress(setup.server.Url()).value(), login);
    if (!accepting.Connect()) throw std::runtime_error("cannot log in to the benchmark's sshd");
    return Publish(accepting, files, {}).value().plan.send.size();
  }
  return Publish(transport, files, {}).value().plan.send.size();
}

void BM_FirstPublish(benchmark::State& state) {
  Setup& setup = Shared();
  if (!setup.server.ready()) {
    state.SkipWithError("sshd did not start (velmora.sh test unpacks it into the build folder)");
    return;
  }
  const std::vector<PublishFile> files = setup.Files();
  std::size_t sent = 0;
  for (auto _ : state) {
    state.PauseTiming();
    for (const auto& entry : std::filesystem::directory_iterator(setup.server.home.dir / "www"))
      std::filesystem::remove_all(entry.path());
    state.ResumeTiming();
    sent = PublishOnce(setup, files);
  }
  state.counters["files_sent"] = static_cast<double>(sent);
}

void BM_RepublishAfterOneChange(benchmark::State& state) {
  Setup& setup = Shared();
  if (!setup.server.ready()) {
    state.SkipWithError("sshd did not start");
    return;
  }
  PublishOnce(setup, setup.Files());
  std::size_t sent = 0;
  int round = 0;
  for (auto _ : state) {
    state.PauseTiming();
    setup.project.Anchors[0] = "Changed anchor " + std::to_string(++round);
    const std::vector<PublishFile> files = setup.Files();
    state.ResumeTiming();
    sent = PublishOnce(setup, files);
  }
  state.counters["files_sent"] = static_cast<double>(sent);
}

// The floor: OpenSSH's own sftp client putting the same files into an
// empty folder in one session (no temporary names, no size checks, no
// manifest), as a whole process.
void BM_OpenSshSftpFloor(benchmark::State& state) {
  Setup& setup = Shared();
  if (!setup.server.ready()) {
    state.SkipWithError("sshd did not start");
    return;
  }
  const std::vector<PublishFile> files = setup.Files();
  std::string batch;
  for (const PublishFile& file : files) {
    setup.local.Write("floor/" + file.path, file.bytes);
    if (file.path.find('/') != std::string::npos) batch = "-mkdir " + file.path.substr(0, file.path.find('/')) + "\n";
  }
  for (const PublishFile& file : files)
    batch += "put '" + (setup.local / ("floor/" + file.path)).string() + "' '" + file.path + "'\n";
  setup.local.Write("floor.batch", batch);
  const std::string command = "sftp -q -b '" + (setup.local / "floor.batch").string() + "' -i '" +
                              (setup.server.home.dir / "client_key").string() +
                              "' -o StrictHostKeyChecking=no -o UserKnownHostsFile=/dev/null -o LogLevel=ERROR -P " +
                              std::to_string(setup.server.port) + " " + setup.server.home.user + "@127.0.0.1:" +
                              (setup.server.home.dir / "www").string() + "/ >/dev/null";
  for (auto _ : state) {
    state.PauseTiming();
    for (const auto& entry : std::filesystem::directory_iterator(setup.server.home.dir / "www"))
      std::filesystem::remove_all(entry.path());
    state.ResumeTiming();
    if (std::system(command.c_str()) != 0) {
      state.SkipWithError("OpenSSH's sftp failed");
      return;
    }
  }
  state.counters["files_sent"] = static_cast<double>(files.size());
}

}  // namespace

BENCHMARK(BM_OpenSshSftpFloor)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FirstPublish)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RepublishAfterOneChange)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_MAIN();

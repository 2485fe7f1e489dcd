// `news` and `update-check`: the program's own requests from the command
// line, so that a publisher can check a server with a copy's brand file.
#include <QCoreApplication>
#include <QEventLoop>
#include <filesystem>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>

#include "app/BrandSettingsReader.h"
#include "app/FileIO.h"
#include "platform/QtHttpClient.h"
#include "services/NewsService.h"
#include "services/UpdateCheck.h"
#include "tools/Command.h"
#include "tools/NetworkCommands.h"
#include "tools/ToolPlaces.h"
#include "tools/network/NetworkApplication.h"

namespace velmora::tool {

namespace {

// What the window would show in a box goes to stderr, text for text.
class StderrMessages final : public MessagePort {
public:
  void ShowMessage(MessageKind, const std::string& text) override {
    std::cerr << text << "\n";
    ++shown;
  }
  // Questions are answered Cancel: the tool never starts the updater.
  bool AskOkCancel(MessageKind, const std::string& text, DefaultButton) override {
    questions.push_back(text);
    return false;
  }
  std::vector<std::string> questions;
  int shown = 0;
};

// The tool has no window to keep responsive: it waits for each answer in a
// loop of its own. The client ends every request in bounded time.
template <class T>
T Await(const std::function<void(std::function<void(T)>)>& start) {
  std::optional<T> result;
  QEventLoop loop;
  start([&](T value) {
    result = std::move(value);
    loop.quit();
  });
  if (!result) loop.exec();
  return std::move(*result);
}

// The window's message says only that the site could not be reached; the
// publisher at the command line also learns why.
template <class T>
void TellTransportFailure(const NewsReply<T>& reply) {
  if (!reply.transportFailure.empty()) std::cerr << "(" << reply.transportFailure << ")\n";
}

void WriteRaw(const std::string& bytes) { std::cout.write(bytes.data(), static_cast<std::streamsize>(bytes.size())); }

int RunNews(const std::vector<std::string>& args) {
  const ParsedArgs parsed = ParseArgs(args, {"--program-folder"});
  const Places places = ToolPlaces(parsed);
  const std::filesystem::path& folder = places.ProgramFolder();
  const auto& positional = parsed.positional;
  const std::string what = positional.empty() ? std::string() : positional[0];
  if (what != "list" && what != "latest" && what != "details") throw UsageError("say list, latest or details ID");
  if ((what == "details") != (positional.size() == 2) || positional.size() > 2) {
    throw UsageError(what == "details" ? "details needs exactly one news id" : "unexpected argument");
  }
  // Checked before anything is asked: the id would be written into the brand file.
  if (what == "details" && !IsStorableNewsId(positional[1])) {
    throw UsageError("a news id is a decimal number that fits 32 bits, such as 12");
  }

  SystemRandom random;
  const BrandSettings brand = LoadBrandSettingsFile(folder, random).settings;
  const auto tier = MatchNewsTier(brand);
  if (!tier) {
    std::cerr << kNoNewsMessage << "\n";
    return 1;
  }

  const auto application = NetworkApplication();
  QtHttpClient client;
  StderrMessages messages;
  NewsService news(client, messages);

  if (what == "list") {
    const auto items = Await<NewsReply<std::vector<std::string>>>(
        [&](auto done) { news.GetNewsList(*tier, brand.BranderCode, std::move(done)); });
    for (const auto& item : items.value.value_or(std::vector<std::string>())) {
      WriteRaw(item);
      std::cout << "\n";
    }
    // One message, as in the window: a warning already said what went wrong.
    if ((!items.value || items.value->empty()) && messages.shown == 0) std::cerr << kNoNewsMessage << "\n";
    TellTransportFailure(items);
    return items.value ? 0 : 1;
  }
  if (what == "latest") {
    const auto latest = Await<NewsReply<LatestNews>>(
        [&](auto done) { news.GetLastNews(*tier, brand.BranderCode, std::move(done)); });
    TellTransportFailure(latest);
    if (!latest.value) return 1;
    if (latest.value->any) {
      WriteRaw(latest.value->id + "^" + latest.value->title);
      std::cout << "\n";
    }
    return 0;
  }
  const std::string& id = positional[1];
  const auto text = Await<NewsReply<std::string>>(
      [&](auto done) { news.GetNewsDetails(*tier, brand.BranderCode, id, std::move(done)); });
  TellTransportFailure(text);
  if (!text.value) return 1;
  WriteRaw(*text.value);
  std::cout.flush();
  if (const auto stored = WriteLastNewsId(places, id); !stored)
    std::cerr << "the item was shown but is not remembered as read: " << stored.error().message << "\n";
  return 0;
}

// The tool only looks; it never starts anything.
class NoShell final : public ShellPort {
public:
  std::optional<std::string> RegisteredBrowserCommand() override { return std::nullopt; }
  void OpenUrl(const std::string&) override {}
  bool StartProgram(const std::string&, const std::string&) override { return false; }
};

int RunUpdateCheck(const std::vector<std::string>& args) {
  const ParsedArgs parsed = ParseArgs(args, {"--program-folder", "--base-url"});
  if (!parsed.positional.empty()) throw UsageError("unexpected argument " + parsed.positional[0]);
  const Places places = ToolPlaces(parsed);
  const std::string baseUrl = parsed.Option("--base-url").value_or(kUpdateBaseURL);

  const auto application = NetworkApplication();
  QtHttpClient client;
  StderrMessages messages;
  NoShell shell;
  // The program's own check, quiet as at start-up; its first question tells
  // whether an update would be offered.
  struct Ended {
    UpdateOutcome outcome;
    std::string reason;
  };
  const UpdateContext context{client, messages, shell, places, baseUrl};
  const auto [outcome, reason] = Await<Ended>([&](std::function<void(Ended)> done) {
    CheckForUpdates(context, true,
                    [done](UpdateOutcome ended, const std::string& why) { done({ended, why}); });
  });
  const std::string manifestUrl = baseUrl + kManifestName;
  if (outcome == UpdateOutcome::ServerUnreachable) {
    std::cerr << UpdateServerUnreachableMessage(reason) << " (" << manifestUrl << ")\n";
    return 1;
  }
  if (outcome == UpdateOutcome::ManifestUnusable) {
    std::cerr << "no usable manifest at " << manifestUrl << ": it must be text with [APPLICATION] Version=number\n";
    return 1;
  }
  const std::filesystem::path local = places.ManifestFile();
  const auto kept = ReadWholeFile(local, kManifestLimit);
  if (!kept) {
    std::cerr << "the manifest could not be kept in " << local.parent_path().string() << ": "
              << kept.error().reason << "\n";
    return 1;
  }
  const std::string version = ReadManifestVersion(*kept);
  std::cout << "Version: " << version << "\n"
            << "Update offered: " << (messages.questions.empty() ? "no" : "yes") << "\n";
  return 0;
}

const RegisterCommand news{{"news", kNewsUsage, &RunNews}};
const RegisterCommand updateCheck{{"update-check", kUpdateCheckUsage, &RunUpdateCheck}};

}  // namespace

}  // namespace velmora::tool

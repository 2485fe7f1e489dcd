#pragma once
// Recording fakes of the core's ports.

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/Ports.h"

namespace velmora::test {

struct ShownMessage {
  MessageKind kind;
  std::string text;
  bool question = false;
  DefaultButton preselected = DefaultButton::Ok;  // for questions
  bool operator==(const ShownMessage&) const = default;
};

class FakeMessages : public MessagePort {
public:
  std::vector<ShownMessage> shown;
  std::deque<bool> answers;  // answers to questions, in order; OK when none is left
  std::deque<SaveChoice> saveAnswers;  // Cancel when none is left
  std::deque<bool> restoreAnswers;     // Restore when none is left

  void ShowMessage(MessageKind kind, const std::string& text) override {
    shown.push_back({kind, text, false});
  }
  bool AskOkCancel(MessageKind kind, const std::string& text, DefaultButton preselected) override {
    shown.push_back({kind, text, true, preselected});
    if (answers.empty()) return true;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
  }
  SaveChoice AskSaveChanges(const std::string& text) override {
    shown.push_back({MessageKind::Warning, text, true});
    if (saveAnswers.empty()) return SaveChoice::Cancel;
    const SaveChoice answer = saveAnswers.front();
    saveAnswers.pop_front();
    return answer;
  }
  bool AskRestore(const std::string& text) override {
    shown.push_back({MessageKind::Information, text, true});
    if (restoreAnswers.empty()) return true;
    const bool answer = restoreAnswers.front();
    restoreAnswers.pop_front();
    return answer;
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const auto& m : shown) texts.push_back(m.text);
    return texts;
  }
};

class FakeShell : public ShellPort {
public:
  std::optional<std::string> registeredCommand;  // nullopt: the desktop's default browser
  std::vector<std::string> openedUrls;
  std::vector<std::pair<std::string, std::string>> started;
  bool startSucceeds = true;

  std::optional<std::string> RegisteredBrowserCommand() override { return registeredCommand; }
  void OpenUrl(const std::string& url) override { openedUrls.push_back(url); }
  bool StartProgram(const std::string& program, const std::string& parameters) override {
    started.emplace_back(program, parameters);
    return startSucceeds;
  }
};

class FakeClipboard : public ClipboardPort {
public:
  std::optional<std::string> text;
  int writes = 0;
  void SetText(const std::string& t) override {
    text = t;
    ++writes;
  }
};

// Answers from a table keyed by URL; records every request.
class FakeHttp : public HttpClient {
public:
  struct Request {
    std::string method;
    std::string url;
    std::vector<FormField> fields;
  };
  std::vector<Request> requests;
  std::map<std::string, std::optional<std::string>> replies;  // missing URL: failure
  int disconnects = 0;
  // Runs once while the next POST "waits", as the real client lets user events run.
  std::function<void()> whileWaiting;

  std::optional<std::string> PostMultipart(const std::string& url, const std::vector<FormField>& fields,
                                           std::size_t maxBytes) override {
    if (auto action = std::exchange(whileWaiting, nullptr)) action();
    requests.push_back({"POST", url, fields});
    return Answer(url, maxBytes);
  }
  std::optional<std::string> Get(const std::string& url, std::size_t maxBytes) override {
    requests.push_back({"GET", url, {}});
    return Answer(url, maxBytes);
  }
  void Disconnect() override { ++disconnects; }

private:
  std::optional<std::string> Answer(const std::string& url, std::size_t maxBytes) const {
    const auto it = replies.find(url);
    if (it == replies.end() || !it->second || it->second->size() > maxBytes) return std::nullopt;
    return it->second;
  }
};

// Plays back a fixed sequence of choices (each taken modulo n).
class FixedRandom : public RandomSource {
public:
  std::deque<std::size_t> picks;
  std::vector<std::size_t> asked;  // the n of every call
  std::size_t Below(std::size_t n) override {
    asked.push_back(n);
    std::size_t pick = 0;
    if (!picks.empty()) {
      pick = picks.front();
      picks.pop_front();
    }
    return pick % n;
  }
};

}  // namespace velmora::test

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
  std::deque<ReplaceChoice> replaceAnswers;  // Cancel when none is left

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
  ReplaceChoice AskReplace(const std::string& text) override {
    shown.push_back({MessageKind::Warning, text, true});
    if (replaceAnswers.empty()) return ReplaceChoice::Cancel;
    const ReplaceChoice answer = replaceAnswers.front();
    replaceAnswers.pop_front();
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

// Records every request and answers only when the test says so, from a
// table keyed by URL, so a test sees what happens while requests are in flight.
class FakeHttp : public HttpClient {
public:
  struct Request {
    std::string method;
    std::string url;
    std::vector<FormField> fields;
  };
  std::vector<Request> requests;
  std::map<std::string, std::optional<std::string>> replies;  // missing or nullopt: a refused connection
  int disconnects = 0;

  void PostMultipart(const std::string& url, const std::vector<FormField>& fields, std::size_t maxBytes,
                     HttpDone done) override {
    requests.push_back({"POST", url, fields});
    waiting_.push_back({url, maxBytes, std::move(done)});
  }
  void Get(const std::string& url, std::size_t maxBytes, HttpDone done) override {
    requests.push_back({"GET", url, {}});
    waiting_.push_back({url, maxBytes, std::move(done)});
  }
  void Disconnect() override {
    ++disconnects;
    auto ending = std::exchange(waiting_, {});
    for (auto& request : ending) request.done(Result(HttpOutcome::Cancelled));
  }

  std::size_t Waiting() const { return waiting_.size(); }
  // Answers the oldest waiting request from the table; false when none waits.
  bool AnswerNext() {
    if (waiting_.empty()) return false;
    Pending request = std::move(waiting_.front());
    waiting_.pop_front();
    request.done(FromTable(request.url, request.maxBytes));
    return true;
  }
  // Answers the oldest waiting request with this result.
  bool AnswerNext(HttpResult result) {
    if (waiting_.empty()) return false;
    Pending request = std::move(waiting_.front());
    waiting_.pop_front();
    request.done(std::move(result));
    return true;
  }
  // Answers until nothing waits, requests made by the answers included.
  void AnswerAll() {
    for (int i = 0; i < 100 && AnswerNext(); ++i) {
    }
  }

  // Starts a continuation, answers every request from the table and gives
  // what it delivered; nothing when it never called back.
  template <class T, class Start>
  std::optional<T> Settle(Start start) {
    std::optional<T> delivered;
    start([&delivered](T value) { delivered = std::move(value); });
    AnswerAll();
    return delivered;
  }

  static HttpResult Result(HttpOutcome outcome, std::string body = {}) {
    HttpResult result;
    result.outcome = outcome;
    result.status = outcome == HttpOutcome::Ok ? 200 : 0;
    result.reason = outcome == HttpOutcome::Ok ? "200" : "fake " + std::to_string(static_cast<int>(outcome));
    result.body = std::move(body);
    return result;
  }

private:
  struct Pending {
    std::string url;
    std::size_t maxBytes;
    HttpDone done;
  };
  HttpResult FromTable(const std::string& url, std::size_t maxBytes) const {
    const auto it = replies.find(url);
    if (it == replies.end() || !it->second) return Result(HttpOutcome::NetworkError);
    if (it->second->size() > maxBytes) return Result(HttpOutcome::TooLarge);
    return Result(HttpOutcome::Ok, *it->second);
  }
  std::deque<Pending> waiting_;
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

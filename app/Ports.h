#pragma once
// The ways the core reaches the world. The program hands in Qt adapters
// (platform/), the tests hand in recording fakes (tests/mock/).

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace velmora {

// Done: a task finished as asked, worth a word but not a box the user must
// close; the window shows it in its status bar.
enum class MessageKind { Information, Warning, Error, Done };
// The button of a question that Enter chooses.
enum class DefaultButton { Ok, Cancel };

// The answers to "Do you want to save the changes ...?".
enum class SaveChoice { Save, Discard, Cancel };

// The answers when a page would replace one that another project made.
enum class ReplaceChoice { Replace, KeepBoth, Cancel };

// Modal message boxes with a fixed text.
class MessagePort {
public:
  virtual ~MessagePort() = default;
  // A box with a single OK button.
  virtual void ShowMessage(MessageKind kind, const std::string& text) = 0;
  // A box with OK and Cancel; true when the user chose OK.
  virtual bool AskOkCancel(MessageKind kind, const std::string& text, DefaultButton preselected) = 0;
  // Save, Discard and Cancel for unsaved changes. A port that cannot ask
  // answers Cancel, which loses nothing.
  virtual SaveChoice AskSaveChanges(const std::string& text) {
    (void)text;
    return SaveChoice::Cancel;
  }
  // Replace, Keep both or Cancel (the default). A port that cannot ask
  // answers Cancel, which replaces nothing.
  virtual ReplaceChoice AskReplace(const std::string& text) {
    (void)text;
    return ReplaceChoice::Cancel;
  }
  // Restore (the default button) or Discard for work found after a crash;
  // true for Restore. A port that cannot ask keeps the work.
  virtual bool AskRestore(const std::string& text) {
    (void)text;
    return true;
  }
};

struct FormField {
  std::string name;
  std::string value;
};

// How a request ended. Only Ok carries a body.
enum class HttpOutcome {
  Ok,            // a 2xx status and a body within the limit
  HttpError,     // the server answered with another status
  NetworkError,  // no connection, a bad address, a broken transfer
  TooLarge,      // the body (or its announced length) went over the limit
  TimedOut,      // nothing came for too long, or the request ran too long in all
  Cancelled,     // Disconnect ended it
};

struct HttpResult {
  HttpOutcome outcome = HttpOutcome::NetworkError;
  int status = 0;       // the server's HTTP status when one came
  std::string reason;   // for people: the status line or what failed
  std::string body;     // raw bytes, never converted between character sets; empty unless Ok

  bool ok() const { return outcome == HttpOutcome::Ok; }
};

using HttpDone = std::function<void(HttpResult)>;

// One HTTP client serves every request of the program. A request returns at
// once; its `done` runs exactly once, later, from the caller's event loop,
// and never from inside the call that started it. Nothing throws. Whoever
// owns the ports a continuation uses calls Disconnect before they go.
class HttpClient {
public:
  virtual ~HttpClient() = default;
  // POST with a multipart/form-data body whose parts keep the given order.
  virtual void PostMultipart(const std::string& url, const std::vector<FormField>& fields, std::size_t maxBytes,
                             HttpDone done) = 0;
  virtual void Get(const std::string& url, std::size_t maxBytes, HttpDone done) = 0;
  // Ends every request in flight: each `done` has run with Cancelled before
  // this returns.
  virtual void Disconnect() = 0;
};

class ShellPort {
public:
  virtual ~ShellPort() = default;
  // The command registered for http addresses (Windows); std::nullopt on
  // platforms without such a registry, where the desktop's default is used.
  virtual std::optional<std::string> RegisteredBrowserCommand() = 0;
  // Opens an address or document with whatever the desktop associates with it.
  virtual void OpenUrl(const std::string& url) = 0;
  // Starts a program detached, with one parameter text. False if it could not start.
  virtual bool StartProgram(const std::string& program, const std::string& parameters) = 0;
};

class ClipboardPort {
public:
  virtual ~ClipboardPort() = default;
  virtual void SetText(const std::string& text) = 0;
};

// Uniform random choices (welcome page, banner and link picks).
class RandomSource {
public:
  virtual ~RandomSource() = default;
  // A number in [0, n); n > 0.
  virtual std::size_t Below(std::size_t n) = 0;
};

// Seeded from the system's entropy source.
class SystemRandom final : public RandomSource {
public:
  std::size_t Below(std::size_t n) override;
};

}  // namespace velmora

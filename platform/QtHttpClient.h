#pragma once
// The program's one HTTP client. Requests return at once and end through
// their callback, from the event loop. Whatever a server does, a request
// ends in bounded time and memory.

#include <QNetworkAccessManager>
#include <QObject>
#include <chrono>
#include <vector>

#include "app/Ports.h"

class QNetworkReply;

namespace velmora {

// A request that receives nothing for this long fails...
inline constexpr std::chrono::milliseconds kHttpNoProgressTimeout = std::chrono::seconds(30);
// ...and every request ends within this long in all.
inline constexpr std::chrono::milliseconds kHttpTotalTimeout = std::chrono::seconds(120);
// Qt stops reading the socket while this much is unread, so a reply never
// piles up in memory faster than it is checked against its limit.
inline constexpr qint64 kHttpReadBufferSize = 64 * 1024;

struct HttpTimeouts {
  std::chrono::milliseconds noProgress = kHttpNoProgressTimeout;
  std::chrono::milliseconds total = kHttpTotalTimeout;
};

class QtHttpClient final : public QObject, public HttpClient {
  Q_OBJECT

public:
  explicit QtHttpClient(QObject* parent = nullptr, HttpTimeouts timeouts = {});
  ~QtHttpClient() override;

  void PostMultipart(const std::string& url, const std::vector<FormField>& fields, std::size_t maxBytes,
                     HttpDone done) override;
  void Get(const std::string& url, std::size_t maxBytes, HttpDone done) override;
  void Disconnect() override;

  // Requests whose callback has not run yet.
  std::size_t InFlight() const { return transfers_.size(); }

private:
  class Transfer;
  void Start(QNetworkReply* reply, std::size_t maxBytes, HttpDone done);
  void Complete(Transfer* transfer);

  QNetworkAccessManager manager_;
  HttpTimeouts timeouts_;
  std::vector<Transfer*> transfers_;
};

}  // namespace velmora

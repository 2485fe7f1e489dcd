#pragma once
// The program's one HTTP client. A request blocks its caller in a local
// event loop, so the windows keep working while it waits; a request started
// meanwhile (from an event handler) waits for the client to be free.
// Whatever a server does, a request ends in bounded time and memory.

#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <chrono>
#include <functional>

#include "app/Ports.h"

class QNetworkReply;

namespace velmora {

// A request that receives nothing for this long fails...
inline constexpr std::chrono::milliseconds kHttpNoProgressTimeout = std::chrono::seconds(30);
// ...and every request ends within this long in all, time spent waiting for
// the client included.
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

  std::optional<std::string> PostMultipart(const std::string& url, const std::vector<FormField>& fields,
                                           std::size_t maxBytes) override;
  std::optional<std::string> Get(const std::string& url, std::size_t maxBytes) override;
  // Aborts the request in flight and every request waiting for the client.
  void Disconnect() override;

  QNetworkAccessManager& Manager() { return manager_; }

signals:
  void Idle();

private:
  std::optional<std::string> Run(const std::function<QNetworkReply*()>& start, std::size_t maxBytes);

  QNetworkAccessManager manager_;
  HttpTimeouts timeouts_;
  QPointer<QNetworkReply> current_;
  bool busy_ = false;
  quint64 generation_ = 0;  // advanced by Disconnect, so waiting requests give up
};

}  // namespace velmora

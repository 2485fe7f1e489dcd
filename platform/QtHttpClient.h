#pragma once
// The program's one HTTP client. A request blocks its caller in a local
// event loop, so the windows keep working while it waits; a request started
// meanwhile (from an event handler) waits for the client to be free.

#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <functional>

#include "app/Ports.h"

class QNetworkReply;

namespace velmora {

class QtHttpClient final : public QObject, public HttpClient {
  Q_OBJECT

public:
  explicit QtHttpClient(QObject* parent = nullptr);
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
  QPointer<QNetworkReply> current_;
  bool busy_ = false;
  quint64 generation_ = 0;  // advanced by Disconnect, so waiting requests give up
};

}  // namespace velmora

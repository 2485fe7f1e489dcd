#include "platform/QtHttpClient.h"

#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRandomGenerator>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <optional>

namespace velmora {

namespace {

QByteArray Bytes(const std::string& text) { return QByteArray(text.data(), static_cast<qsizetype>(text.size())); }

QNetworkRequest MakeRequest(const std::string& url) {
  QNetworkRequest request(QUrl(QString::fromUtf8(Bytes(url))));
  // Publishers' servers may look for these exact values.
  request.setRawHeader("Accept", "text/html, */*");
  request.setRawHeader("User-Agent", "Mozilla/3.0 (compatible; Indy Library)");
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
  return request;
}

HttpResult Failure(HttpOutcome outcome, std::string reason) {
  HttpResult result;
  result.outcome = outcome;
  result.reason = std::move(reason);
  return result;
}

std::string Seconds(std::chrono::milliseconds duration) {
  return std::to_string(std::chrono::duration_cast<std::chrono::seconds>(duration).count()) + " s";
}

}  // namespace

// One request: its reply, its two clocks and what has come so far.
class QtHttpClient::Transfer final : public QObject {
public:
  Transfer(QObject* parent, QNetworkReply* reply, std::size_t maxBytes, HttpDone done)
      : QObject(parent), reply(reply), maxBytes(maxBytes), done(std::move(done)) {
    stalled.setSingleShot(true);
    overdue.setSingleShot(true);
  }

  // Ends the reply with this verdict unless it has one already.
  void Fail(HttpResult result) {
    if (!verdict) verdict = std::move(result);
    if (!reply->isFinished()) reply->abort();
  }

  void Drain() {
    if (verdict || !reply->isReadable()) return;
    const QByteArray chunk = reply->readAll();
    if (body.size() + static_cast<std::size_t>(chunk.size()) > maxBytes) {
      body.clear();
      Fail(Failure(HttpOutcome::TooLarge, "the reply is larger than " + std::to_string(maxBytes) + " bytes"));
      return;
    }
    body.append(chunk.constData(), static_cast<std::size_t>(chunk.size()));
  }

  HttpResult Result() {
    if (verdict) return std::move(*verdict);
    HttpResult result;
    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const bool success = result.status >= 200 && result.status < 300;
    if (reply->error() == QNetworkReply::NoError && success) {
      result.outcome = HttpOutcome::Ok;
      result.reason = std::to_string(result.status);
      result.body = std::move(body);
    } else if (result.status != 0 && !success) {
      result.outcome = HttpOutcome::HttpError;
      const QByteArray phrase = reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray();
      result.reason = "HTTP " + std::to_string(result.status) + (phrase.isEmpty() ? "" : " " + phrase.toStdString());
    } else {
      result.outcome = HttpOutcome::NetworkError;
      result.reason = reply->errorString().toStdString();
    }
    return result;
  }

  QNetworkReply* reply;
  std::size_t maxBytes;
  HttpDone done;
  std::string body;
  std::optional<HttpResult> verdict;  // set when the client itself ended the reply
  bool completed = false;
  QTimer stalled;
  QTimer overdue;
};

QtHttpClient::QtHttpClient(QObject* parent, HttpTimeouts timeouts) : QObject(parent), timeouts_(timeouts) {
  manager_.setCookieJar(new QNetworkCookieJar(&manager_));
  manager_.setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
}

QtHttpClient::~QtHttpClient() { Disconnect(); }

void QtHttpClient::PostMultipart(const std::string& url, const std::vector<FormField>& fields, std::size_t maxBytes,
                                 HttpDone done) {
  // The body is built here rather than streamed from a multipart device:
  // Qt starts a streamed upload later, after the reply's read buffer size
  // has been set, and that size then never reaches its network thread.
  QByteArray boundary = "boundary_.oOo._";
  for (int i = 0; i < 2; ++i) boundary += QByteArray::number(QRandomGenerator::system()->generate64(), 36);
  QByteArray body;
  for (const auto& field : fields) {
    body += "--" + boundary + "\r\nContent-Disposition: form-data; name=\"" + Bytes(field.name) + "\"\r\n\r\n" +
            Bytes(field.value) + "\r\n";
  }
  body += "--" + boundary + "--\r\n";
  QNetworkRequest request = MakeRequest(url);
  request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("multipart/form-data; boundary=") + boundary);
  Start(manager_.post(request, body), maxBytes, std::move(done));
}

void QtHttpClient::Get(const std::string& url, std::size_t maxBytes, HttpDone done) {
  Start(manager_.get(MakeRequest(url)), maxBytes, std::move(done));
}

void QtHttpClient::Disconnect() {
  // Requests that callbacks start meanwhile are not in this list: they go on.
  const std::vector<Transfer*> ending = transfers_;
  for (Transfer* transfer : ending) {
    transfer->Fail(Failure(HttpOutcome::Cancelled, "cancelled"));
    Complete(transfer);
  }
}

void QtHttpClient::Start(QNetworkReply* reply, std::size_t maxBytes, HttpDone done) {
  reply->setReadBufferSize(kHttpReadBufferSize);
  auto* transfer = new Transfer(this, reply, maxBytes, std::move(done));
  transfers_.push_back(transfer);

  const auto progressed = [this, transfer] {
    if (!transfer->completed) transfer->stalled.start(timeouts_.noProgress);
  };
  connect(&transfer->stalled, &QTimer::timeout, transfer, [this, transfer] {
    transfer->Fail(Failure(HttpOutcome::TimedOut, "nothing came for " + Seconds(timeouts_.noProgress)));
  });
  connect(&transfer->overdue, &QTimer::timeout, transfer, [this, transfer] {
    transfer->Fail(Failure(HttpOutcome::TimedOut, "no complete reply within " + Seconds(timeouts_.total)));
  });
  // Qt hands the size to its network thread only if that thread has
  // already started the request, which for a POST it has not yet: Qt starts
  // it from the event loop. Set it again once Qt has, before the server can
  // answer, and again when the upload and the headers are reported.
  const auto limitBuffer = [reply] { reply->setReadBufferSize(kHttpReadBufferSize); };
  QMetaObject::invokeMethod(transfer, limitBuffer, Qt::QueuedConnection);
  connect(reply, &QNetworkReply::readyRead, transfer, [transfer, progressed] {
    progressed();
    transfer->Drain();
  });
  // A length over the limit is refused before a byte of the body is read.
  connect(reply, &QNetworkReply::metaDataChanged, transfer, [transfer, progressed, limitBuffer] {
    progressed();
    limitBuffer();
    const QVariant length = transfer->reply->header(QNetworkRequest::ContentLengthHeader);
    if (length.isValid() && length.toULongLong() > transfer->maxBytes) {
      transfer->Fail(Failure(HttpOutcome::TooLarge, "the server announced " + length.toString().toStdString() +
                                                        " bytes; at most " + std::to_string(transfer->maxBytes) +
                                                        " are taken"));
    }
  });
  connect(reply, &QNetworkReply::uploadProgress, transfer, [progressed, limitBuffer] {
    progressed();
    limitBuffer();
  });
  connect(reply, &QNetworkReply::downloadProgress, transfer, progressed);
  connect(reply, &QNetworkReply::finished, transfer, [this, transfer] { Complete(transfer); });
  transfer->stalled.start(timeouts_.noProgress);
  transfer->overdue.start(timeouts_.total);
  // A reply Qt refused at once (a bad address) still ends from the event
  // loop, never inside the call that started it.
  if (reply->isFinished()) QMetaObject::invokeMethod(transfer, [this, transfer] { Complete(transfer); }, Qt::QueuedConnection);
}

void QtHttpClient::Complete(Transfer* transfer) {
  if (transfer->completed) return;
  transfer->completed = true;
  transfer->stalled.stop();
  transfer->overdue.stop();
  transfer->Drain();
  transfers_.erase(std::remove(transfers_.begin(), transfers_.end(), transfer), transfers_.end());
  transfer->reply->disconnect(transfer);
  if (!transfer->reply->isFinished()) transfer->reply->abort();
  HttpResult result = transfer->Result();
  HttpDone done = std::move(transfer->done);
  transfer->reply->deleteLater();
  transfer->deleteLater();
  done(std::move(result));
}

}  // namespace velmora

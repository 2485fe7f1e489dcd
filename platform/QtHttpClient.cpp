#include "platform/QtHttpClient.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRandomGenerator>
#include <QTimer>
#include <QUrl>

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

}  // namespace

QtHttpClient::QtHttpClient(QObject* parent, HttpTimeouts timeouts) : QObject(parent), timeouts_(timeouts) {
  manager_.setCookieJar(new QNetworkCookieJar(&manager_));
  manager_.setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
}

QtHttpClient::~QtHttpClient() { Disconnect(); }

std::optional<std::string> QtHttpClient::PostMultipart(const std::string& url, const std::vector<FormField>& fields,
                                                       std::size_t maxBytes) {
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
  return Run(
      [&]() -> QNetworkReply* {
        QNetworkRequest request = MakeRequest(url);
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("multipart/form-data; boundary=") + boundary);
        return manager_.post(request, body);
      },
      maxBytes);
}

std::optional<std::string> QtHttpClient::Get(const std::string& url, std::size_t maxBytes) {
  return Run([&] { return manager_.get(MakeRequest(url)); }, maxBytes);
}

void QtHttpClient::Disconnect() {
  ++generation_;
  if (current_) current_->abort();
  emit Idle();
}

std::optional<std::string> QtHttpClient::Run(const std::function<QNetworkReply*()>& start, std::size_t maxBytes) {
  const quint64 generation = generation_;
  const QDeadlineTimer deadline(timeouts_.total);
  const auto remaining = [&deadline] {
    return std::chrono::duration_cast<std::chrono::milliseconds>(deadline.remainingTimeAsDuration());
  };
  // One request at a time: a second one waits (in its own loop) for the first.
  while (busy_) {
    if (deadline.hasExpired()) return std::nullopt;
    QEventLoop wait;
    connect(this, &QtHttpClient::Idle, &wait, &QEventLoop::quit);
    QTimer::singleShot(remaining(), &wait, &QEventLoop::quit);
    wait.exec();
    if (generation != generation_) return std::nullopt;
  }
  if (deadline.hasExpired()) return std::nullopt;

  busy_ = true;
  QNetworkReply* reply = start();
  current_ = reply;
  reply->setReadBufferSize(kHttpReadBufferSize);
  std::string body;
  bool overLimit = false;
  bool finished = false;
  QEventLoop loop;
  QTimer stalled;
  stalled.setSingleShot(true);
  QTimer overdue;
  overdue.setSingleShot(true);
  const auto fail = [&] {
    if (!reply->isFinished()) reply->abort();
  };
  const auto progressed = [&] {
    if (!finished) stalled.start(timeouts_.noProgress);
  };
  connect(&stalled, &QTimer::timeout, &loop, fail);
  connect(&overdue, &QTimer::timeout, &loop, fail);
  const auto drain = [&] {
    if (overLimit || !reply->isReadable()) return;
    const QByteArray chunk = reply->readAll();
    if (body.size() + static_cast<std::size_t>(chunk.size()) > maxBytes) {
      overLimit = true;
      body.clear();
      reply->abort();
      return;
    }
    body.append(chunk.constData(), static_cast<std::size_t>(chunk.size()));
  };
  // Qt hands the size to its network thread only if that thread has
  // already started the request, which for a POST it has not yet: Qt starts
  // it from the event loop. Set it again once Qt has, before the server can
  // answer, and again when the upload and the headers are reported.
  const auto limitBuffer = [&] { reply->setReadBufferSize(kHttpReadBufferSize); };
  QMetaObject::invokeMethod(&loop, limitBuffer, Qt::QueuedConnection);
  connect(reply, &QNetworkReply::readyRead, &loop, [&] {
    progressed();
    drain();
  });
  // A length over the limit is refused before a byte of the body is read.
  connect(reply, &QNetworkReply::metaDataChanged, &loop, [&] {
    progressed();
    limitBuffer();
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    if (!overLimit && length.isValid() && length.toULongLong() > maxBytes) {
      overLimit = true;
      reply->abort();
    }
  });
  connect(reply, &QNetworkReply::uploadProgress, &loop, [&] {
    progressed();
    limitBuffer();
  });
  connect(reply, &QNetworkReply::downloadProgress, &loop, progressed);
  // Frees the client as soon as this reply ends: a request waiting in a
  // loop nested inside ours must not wait for our loop to unwind.
  connect(reply, &QNetworkReply::finished, &loop, [&] {
    drain();
    finished = true;
    stalled.stop();
    overdue.stop();
    if (current_ == reply) current_ = nullptr;
    busy_ = false;
    emit Idle();
    loop.quit();
  });
  if (!reply->isFinished()) {
    stalled.start(timeouts_.noProgress);
    overdue.start(remaining());
    loop.exec();
  } else {
    drain();
  }
  stalled.stop();
  overdue.stop();
  if (!finished) {
    if (current_ == reply) current_ = nullptr;
    busy_ = false;
    emit Idle();
  }

  const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  const bool ok = !overLimit && reply->error() == QNetworkReply::NoError && status >= 200 && status < 300 &&
                  generation == generation_;
  reply->disconnect(&loop);
  reply->deleteLater();
  if (!ok) return std::nullopt;
  return body;
}

}  // namespace velmora

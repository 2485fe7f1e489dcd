#pragma once
// Servers for network tests, on 127.0.0.1 only: a scripted HTTP server in
// this process (for misbehaving servers) and the reference publisher
// server under `php -S` (skipped when php is missing). Both stop with the test.

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPointer>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <arpa/inet.h>
#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <netinet/in.h>
#include <optional>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace velmora::test {

struct HttpRequestSeen {
  QByteArray method;
  QByteArray path;
  QMap<QByteArray, QByteArray> headers;  // names in lower case
  QByteArray head;                       // request line and headers as sent
  QByteArray body;
};

// Answers each request with what the handler writes on the socket. A
// handler that writes nothing leaves the client waiting.
class ScriptedHttpServer : public QObject {
public:
  using Handler = std::function<void(const HttpRequestSeen&, QTcpSocket&)>;

  explicit ScriptedHttpServer(Handler handler) : handler_(std::move(handler)) {
    server_.listen(QHostAddress::LocalHost, 0);
    QObject::connect(&server_, &QTcpServer::newConnection, this, [this] {
      while (QTcpSocket* socket = server_.nextPendingConnection()) {
        socket->setParent(this);
        QObject::connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Read(*socket); });
      }
    });
  }
  ~ScriptedHttpServer() override { server_.close(); }

  quint16 port() const { return server_.serverPort(); }
  std::string Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port()) + path;
  }
  std::vector<HttpRequestSeen> requests;

  static QByteArray Response(int status, const QByteArray& body, const QByteArray& extraHeaders = {}) {
    return "HTTP/1.1 " + QByteArray::number(status) + " X\r\nContent-Length: " + QByteArray::number(body.size()) +
           "\r\nConnection: close\r\n" + extraHeaders + "\r\n" + body;
  }
  static void Reply(QTcpSocket& socket, int status, const QByteArray& body, const QByteArray& extraHeaders = {}) {
    socket.write(Response(status, body, extraHeaders));
    socket.disconnectFromHost();
  }

private:
  void Read(QTcpSocket& socket) {
    QByteArray& buffer = buffers_[&socket];
    buffer += socket.readAll();
    const qsizetype end = buffer.indexOf("\r\n\r\n");
    if (end < 0) return;
    HttpRequestSeen request;
    request.head = buffer.left(end);
    const QList<QByteArray> lines = request.head.split('\n');
    const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
    request.method = first.value(0);
    request.path = first.value(1);
    for (qsizetype i = 1; i < lines.size(); ++i) {
      const qsizetype colon = lines[i].indexOf(':');
      if (colon > 0) request.headers[lines[i].left(colon).trimmed().toLower()] = lines[i].mid(colon + 1).trimmed();
    }
    const qsizetype length = request.headers.value("content-length", "0").toLongLong();
    if (buffer.size() < end + 4 + length) return;
    request.body = buffer.mid(end + 4, length);
    buffer.clear();
    requests.push_back(request);
    handler_(requests.back(), socket);
  }

  Handler handler_;
  QTcpServer server_;
  QMap<QTcpSocket*, QByteArray> buffers_;
};

// Answers one request with an endless chunked reply, from a thread of its
// own so that it sends as fast as the client's network layer reads, not as
// fast as the client's event loop runs. Stops when the client hangs up or
// after `maxBytes`.
class FloodingHttpServer {
public:
  explicit FloodingHttpServer(std::size_t maxBytes) {
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(listener_, 1);
    socklen_t length = sizeof address;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this, maxBytes] { Serve(maxBytes); });
  }
  ~FloodingHttpServer() {
    shutdown(listener_, SHUT_RDWR);
    close(listener_);
    thread_.join();
  }
  std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }
  std::size_t sent() const { return sent_; }

private:
  void Serve(std::size_t maxBytes) {
    const int client = accept(listener_, nullptr, nullptr);
    if (client < 0) return;
    // A client that stops reading without hanging up must not hold the test.
    const timeval patience{5, 0};
    setsockopt(client, SOL_SOCKET, SO_SNDTIMEO, &patience, sizeof patience);
    char request[4096];
    std::string head;
    while (head.find("\r\n\r\n") == std::string::npos) {
      const ssize_t n = recv(client, request, sizeof request, 0);
      if (n <= 0) break;
      head.append(request, static_cast<std::size_t>(n));
    }
    std::string frame = "10000\r\n" + std::string(0x10000, 'x') + "\r\n";
    const std::string start = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    bool open = send(client, start.data(), start.size(), MSG_NOSIGNAL) > 0;
    while (open && sent_ < maxBytes) {
      open = send(client, frame.data(), frame.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(frame.size());
      if (open) sent_ += frame.size();
    }
    close(client);
  }

  int listener_ = -1;
  quint16 port_ = 0;
  std::atomic<std::size_t> sent_{0};
  std::thread thread_;
};

// A free loopback port at the moment of asking.
inline quint16 FreeLoopbackPort() {
  QTcpServer probe;
  probe.listen(QHostAddress::LocalHost, 0);
  return probe.serverPort();
}

// The reference publisher server from server/, with a copy of the demo
// store that a test may change.
class PhpPublisherServer {
public:
  PhpPublisherServer() {
    if (QStandardPaths::findExecutable(QStringLiteral("php")).isEmpty()) return;
    const std::filesystem::path source = std::filesystem::path(VELMORA_SOURCE_DIR) / "server";
    store_ = std::filesystem::path(data_.path().toStdString()) / "news.json";
    ResetStore();
    // Another process may take the free port first: try a few.
    for (int attempt = 0; attempt < 3 && !ready_; ++attempt) Start(source);
  }
  ~PhpPublisherServer() { Stop(); }

  bool ready() const { return ready_; }
  std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }
  const std::filesystem::path& store() const { return store_; }
  // Back to the demo news.
  void ResetStore() const {
    const std::filesystem::path demo = std::filesystem::path(VELMORA_SOURCE_DIR) / "server" / "data" / "news.json";
    std::filesystem::copy_file(demo, store_, std::filesystem::copy_options::overwrite_existing);
  }

private:
  void Start(const std::filesystem::path& source) {
    Stop();
    port_ = FreeLoopbackPort();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VELMORA_NEWS_STORE"), QString::fromStdString(store_.string()));
    process_.setProcessEnvironment(env);
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.start(QStringLiteral("php"), {QStringLiteral("-S"), QStringLiteral("127.0.0.1:%1").arg(port_),
                                           QStringLiteral("-t"), QString::fromStdString((source / "public").string())});
    if (!process_.waitForStarted(5000)) return;
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 10000 && process_.state() == QProcess::Running) {
      QTcpSocket probe;
      probe.connectToHost(QHostAddress::LocalHost, port_);
      if (probe.waitForConnected(200)) {
        ready_ = true;
        return;
      }
      QThread::msleep(50);
    }
  }
  void Stop() {
    if (process_.state() != QProcess::NotRunning) {
      process_.kill();
      process_.waitForFinished(5000);
    }
  }

  QTemporaryDir data_;
  std::filesystem::path store_;
  quint16 port_ = 0;
  QProcess process_;
  bool ready_ = false;
};

// Waits for a callback in a loop of the test's own, as the command-line tool
// does; nothing when it has not come within the time.
template <class T, class Start>
std::optional<T> Await(Start start, int timeoutMs = 30000) {
  auto result = std::make_shared<std::optional<T>>();
  QEventLoop loop;
  QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
  start([result, waiting = QPointer<QEventLoop>(&loop)](T value) {
    *result = std::move(value);
    if (waiting) waiting->quit();
  });
  if (!*result) loop.exec();
  return *result;
}

}  // namespace velmora::test


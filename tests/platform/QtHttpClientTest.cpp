#include "platform/QtHttpClient.h"

#include <QEventLoop>
#include <QTimer>
#include <cstdio>
#include <gtest/gtest.h>

#include "tests/platform/LoopbackServers.h"

using namespace velmora;
using test::HttpRequestSeen;
using test::ScriptedHttpServer;

namespace {

// Ends a request that would otherwise hang the test run.
struct Watchdog {
  QTimer timer;
  bool fired = false;
  Watchdog(QtHttpClient& client, int ms) {
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, [this, &client] {
      fired = true;
      client.Disconnect();
    });
    timer.start(ms);
  }
};

QByteArray FromStd(const std::string& s) { return QByteArray(s.data(), static_cast<qsizetype>(s.size())); }

HttpResult Fetch(QtHttpClient& client, const std::string& url, std::size_t maxBytes) {
  return test::Await<HttpResult>([&](auto done) { client.Get(url, maxBytes, done); }).value_or(HttpResult{});
}

HttpResult Post(QtHttpClient& client, const std::string& url, const std::vector<FormField>& fields,
                std::size_t maxBytes) {
  return test::Await<HttpResult>([&](auto done) { client.PostMultipart(url, fields, maxBytes, done); })
      .value_or(HttpResult{});
}

}  // namespace

TEST(QtHttpClientTest, PostSendsOrderedFormPartsAndTheExpectedHeaders) {
  ScriptedHttpServer server([](const HttpRequestSeen&, QTcpSocket& socket) {
    ScriptedHttpServer::Reply(socket, 200, "OK");
  });
  QtHttpClient client;
  const std::vector<FormField> fields = {{"memusername", "pub"}, {"prodcode", "C\xAF"}, {"something", ""}};
  const HttpResult result = Post(client, server.Url("/news/getlastnews.php"), fields, 1000);
  EXPECT_EQ(result.outcome, HttpOutcome::Ok);
  EXPECT_EQ(result.status, 200);
  EXPECT_EQ(result.body, "OK");

  ASSERT_EQ(server.requests.size(), 1u);
  const HttpRequestSeen& seen = server.requests[0];
  EXPECT_EQ(seen.method, "POST");
  EXPECT_EQ(seen.path, "/news/getlastnews.php");
  EXPECT_EQ(seen.headers.value("accept"), "text/html, */*");
  EXPECT_EQ(seen.headers.value("user-agent"), "Mozilla/3.0 (compatible; Indy Library)");
  const QByteArray contentType = seen.headers.value("content-type");
  ASSERT_TRUE(contentType.startsWith("multipart/form-data; boundary=")) << contentType.constData();
  const QByteArray boundary = contentType.mid(int(strlen("multipart/form-data; boundary=")));
  ASSERT_FALSE(boundary.startsWith('"'));

  QByteArray expected;
  for (const auto& field : fields) {
    expected += "--" + boundary + "\r\nContent-Disposition: form-data; name=\"" + FromStd(field.name) + "\"\r\n\r\n" +
                FromStd(field.value) + "\r\n";
  }
  expected += "--" + boundary + "--\r\n";
  EXPECT_EQ(seen.body, expected);
}

TEST(QtHttpClientTest, BodiesArriveAsRawBytes) {
  QByteArray all;
  for (int b = 0; b < 256; ++b) all += char(b);
  ScriptedHttpServer server([&](const HttpRequestSeen&, QTcpSocket& socket) {
    ScriptedHttpServer::Reply(socket, 200, all, "Content-Type: text/html; charset=utf-8\r\n");
  });
  QtHttpClient client;
  const HttpResult result = Fetch(client, server.Url("/x"), 1000);
  ASSERT_TRUE(result.ok()) << result.reason;
  EXPECT_EQ(result.body, all.toStdString());
}

TEST(QtHttpClientTest, HttpErrorStatusFailsWhateverTheBodyAndSaysWhich) {
  for (const int status : {404, 500, 403}) {
    ScriptedHttpServer server([&](const HttpRequestSeen&, QTcpSocket& socket) {
      ScriptedHttpServer::Reply(socket, status, "\xAFOK");
    });
    QtHttpClient client;
    for (const HttpResult& result :
         {Post(client, server.Url("/p"), {{"a", "b"}}, 1000), Fetch(client, server.Url("/g"), 1000)}) {
      EXPECT_EQ(result.outcome, HttpOutcome::HttpError) << status;
      EXPECT_EQ(result.status, status);
      EXPECT_EQ(result.reason.rfind("HTTP " + std::to_string(status), 0), 0u) << result.reason;
      EXPECT_EQ(result.body, "");
    }
  }
}

TEST(QtHttpClientTest, RedirectIsFollowed) {
  ScriptedHttpServer server([](const HttpRequestSeen& request, QTcpSocket& socket) {
    if (request.path == "/old/getlastnews.php") {
      ScriptedHttpServer::Reply(socket, 302, "", "Location: /new/getlastnews.php\r\n");
    } else {
      ScriptedHttpServer::Reply(socket, 200, "moved " + request.path);
    }
  });
  QtHttpClient client;
  EXPECT_EQ(Fetch(client, server.Url("/old/getlastnews.php"), 1000).body, "moved /new/getlastnews.php");
}

TEST(QtHttpClientTest, CookieFromOneReplyIsSentWithTheNextRequest) {
  ScriptedHttpServer server([](const HttpRequestSeen& request, QTcpSocket& socket) {
    if (request.path == "/login") {
      ScriptedHttpServer::Reply(socket, 200, "hello", "Set-Cookie: session=s3cr3t; Path=/\r\n");
    } else if (request.headers.value("cookie").contains("session=s3cr3t")) {
      ScriptedHttpServer::Reply(socket, 200, "\xAFOK");
    } else {
      ScriptedHttpServer::Reply(socket, 403, "no session");
    }
  });
  QtHttpClient client;
  EXPECT_FALSE(Fetch(client, server.Url("/news"), 1000).ok()) << "the server does require the cookie";
  EXPECT_EQ(Fetch(client, server.Url("/login"), 1000).body, "hello");
  EXPECT_EQ(Post(client, server.Url("/news"), {{"a", "b"}}, 1000).body, "\xAFOK");
}

TEST(QtHttpClientTest, RefusedConnectionAndBadAddressesFail) {
  QtHttpClient client;
  const std::string closedPort = "http://127.0.0.1:" + std::to_string(test::FreeLoopbackPort()) + "/x";
  for (const HttpResult& result :
       {Fetch(client, closedPort, 1000), Post(client, closedPort, {{"a", "b"}}, 1000),
        Post(client, "/getlastnews.php", {{"a", "b"}}, 1000), Fetch(client, "", 1000)}) {
    EXPECT_EQ(result.outcome, HttpOutcome::NetworkError);
    EXPECT_FALSE(result.reason.empty());
  }
}

TEST(QtHttpClientTest, EndlessReplyIsCutOffAtTheLimit) {
  const QByteArray chunk(64 * 1024, 'x');
  ScriptedHttpServer server([&](const HttpRequestSeen&, QTcpSocket& socket) {
    socket.write("HTTP/1.1 200 OK\r\nContent-Length: 100000000000\r\n\r\n");
    socket.write(chunk);
    QObject::connect(&socket, &QTcpSocket::bytesWritten, &socket, [&socket, &chunk] {
      if (socket.state() == QAbstractSocket::ConnectedState && socket.bytesToWrite() < chunk.size()) {
        socket.write(chunk);
      }
    });
  });
  QtHttpClient client;
  Watchdog watchdog(client, 20000);
  EXPECT_EQ(Fetch(client, server.Url("/huge"), 1 << 20).outcome, HttpOutcome::TooLarge);
  EXPECT_FALSE(watchdog.fired);
}

TEST(QtHttpClientTest, ReplyExactlyAtTheLimitIsAccepted) {
  const QByteArray body(1000, 'y');
  ScriptedHttpServer server([&](const HttpRequestSeen&, QTcpSocket& socket) {
    ScriptedHttpServer::Reply(socket, 200, body);
  });
  QtHttpClient client;
  EXPECT_EQ(Fetch(client, server.Url("/a"), 1000).body, body.toStdString());
  EXPECT_EQ(Fetch(client, server.Url("/a"), 999).outcome, HttpOutcome::TooLarge);
}

TEST(QtHttpClientTest, RequestsReturnAtOnceAndDisconnectEndsEveryOneBeforeItReturns) {
  ScriptedHttpServer server([](const HttpRequestSeen&, QTcpSocket&) {});
  QtHttpClient client;
  std::vector<HttpOutcome> ended;
  const auto record = [&ended](HttpResult result) { ended.push_back(result.outcome); };
  client.PostMultipart(server.Url("/hang"), {{"a", "b"}}, 1000, record);
  client.Get(server.Url("/hang2"), 1000, record);
  client.Get("", 1000, record);
  EXPECT_TRUE(ended.empty()) << "no callback runs inside the call that started it";
  EXPECT_EQ(client.InFlight(), 3u);
  QTimer::singleShot(300, &client, [&client] { client.Disconnect(); });
  QEventLoop loop;
  QTimer::singleShot(1000, &loop, &QEventLoop::quit);
  loop.exec();
  ASSERT_EQ(ended.size(), 3u);
  EXPECT_EQ(ended[0], HttpOutcome::NetworkError) << "the bad address ended first, from the event loop";
  EXPECT_EQ(ended[1], HttpOutcome::Cancelled);
  EXPECT_EQ(ended[2], HttpOutcome::Cancelled);
  EXPECT_EQ(client.InFlight(), 0u);
  EXPECT_EQ(server.requests.size(), 2u) << "both requests did reach the server";
}

TEST(QtHttpClientTest, RequestsRunSideBySide) {
  ScriptedHttpServer server([](const HttpRequestSeen& request, QTcpSocket& socket) {
    if (request.path == "/slow") {
      QTimer::singleShot(300, &socket, [&socket] { ScriptedHttpServer::Reply(socket, 200, "slow"); });
    } else {
      ScriptedHttpServer::Reply(socket, 200, "fast");
    }
  });
  QtHttpClient client;
  std::vector<std::string> bodies;
  client.Get(server.Url("/slow"), 100, [&](HttpResult result) { bodies.push_back(result.body); });
  const HttpResult fast = Fetch(client, server.Url("/fast"), 100);
  EXPECT_EQ(fast.body, "fast");
  EXPECT_TRUE(bodies.empty()) << "the quick reply did not wait for the slow one";
  test::Await<bool>([&](auto done) { QTimer::singleShot(600, [done] { done(true); }); });
  EXPECT_EQ(bodies, std::vector<std::string>{"slow"});
}

TEST(QtHttpClientTest, ClientDestroyedWithRequestsInFlightCancelsThem) {
  ScriptedHttpServer server([](const HttpRequestSeen&, QTcpSocket&) {});
  std::vector<HttpOutcome> ended;
  {
    QtHttpClient client;
    client.Get(server.Url("/hang"), 100, [&](HttpResult result) { ended.push_back(result.outcome); });
  }
  EXPECT_EQ(ended, std::vector<HttpOutcome>{HttpOutcome::Cancelled});
}

namespace {

// Starts measuring this process's peak resident memory afresh.
bool ResetPeakMemory() {
  FILE* refs = std::fopen("/proc/self/clear_refs", "w");
  if (!refs) return false;
  const bool reset = std::fputs("5", refs) >= 0;
  return std::fclose(refs) == 0 && reset;
}

// "VmHWM" (the peak since the reset) or "VmRSS" (now) from /proc, in bytes.
std::size_t ResidentMemory(const char* field) {
  FILE* status = std::fopen("/proc/self/status", "r");
  std::size_t kib = 0;
  char line[256];
  const std::string format = std::string(field) + ": %zu kB";
  while (status && std::fgets(line, sizeof line, status)) {
    if (std::sscanf(line, format.c_str(), &kib) == 1) break;
  }
  if (status) std::fclose(status);
  return kib * 1024;
}

const HttpTimeouts kShortTimeouts{std::chrono::milliseconds(400), std::chrono::milliseconds(2500)};

}  // namespace

TEST(QtHttpClientTest, ChunkedFloodStopsAtTheLimitWithoutPilingUpMemory) {
  if (!ResetPeakMemory()) GTEST_SKIP() << "peak memory cannot be reset here";
  constexpr std::size_t kLimit = 4 << 20;
  for (const bool post : {false, true}) {
    SCOPED_TRACE(post ? "POST" : "GET");
    // Far more than the limit, and enough that a client holding it all would show.
    test::FloodingHttpServer server(std::size_t{400} << 20);
    QtHttpClient client;
    Watchdog watchdog(client, 60000);
    const std::size_t before = ResidentMemory("VmRSS");
    ResetPeakMemory();
    const HttpResult result = post ? Post(client, server.Url("/flood"), {{"a", "b"}}, kLimit)
                                   : Fetch(client, server.Url("/flood"), kLimit);
    EXPECT_EQ(result.outcome, HttpOutcome::TooLarge) << result.reason;
    const std::size_t peak = ResidentMemory("VmHWM");
    const std::size_t growth = peak - std::min(before, peak);
    EXPECT_LT(growth, kLimit + (std::size_t{48} << 20)) << "peak grew by " << (growth >> 20) << " MB";
    EXPECT_FALSE(watchdog.fired);
  }
}

TEST(QtHttpClientTest, ServersThatStallOrTrickleFailWithinTheTimeouts) {
  struct Case {
    const char* name;
    ScriptedHttpServer::Handler handler;
  };
  const auto trickle = [](QTcpSocket& socket, QByteArray head, int everyMs) {
    socket.write(head);
    auto* timer = new QTimer(&socket);
    QObject::connect(timer, &QTimer::timeout, &socket, [&socket] { socket.write("x"); });
    timer->start(everyMs);
  };
  const Case cases[] = {
      {"accepts and never answers", [](const HttpRequestSeen&, QTcpSocket&) {}},
      {"stops after the headers",
       [](const HttpRequestSeen&, QTcpSocket& socket) { socket.write("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n"); }},
      {"stops inside the headers",
       [](const HttpRequestSeen&, QTcpSocket& socket) { socket.write("HTTP/1.1 200 OK\r\nX-Slow: "); }},
      // Each byte comes before the stall timeout: only the total bound ends it.
      {"trickles the body",
       [&](const HttpRequestSeen&, QTcpSocket& socket) {
         trickle(socket, "HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n", 100);
       }},
      {"trickles a chunked body",
       [&](const HttpRequestSeen&, QTcpSocket& socket) {
         trickle(socket, "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n100000\r\n", 100);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedHttpServer server(c.handler);
    QtHttpClient client(nullptr, kShortTimeouts);
    Watchdog watchdog(client, 20000);
    const HttpResult result = Post(client, server.Url("/getlastnews.php"), {{"a", "b"}}, 1 << 20);
    EXPECT_EQ(result.outcome, HttpOutcome::TimedOut) << result.reason;
    EXPECT_FALSE(watchdog.fired) << "only the watchdog ended the request";
  }
}

TEST(QtHttpClientTest, AnnouncedLengthOverTheLimitFailsBeforeTheBody) {
  ScriptedHttpServer server([](const HttpRequestSeen&, QTcpSocket& socket) {
    // The body never comes: only the announced length can end this early.
    socket.write("HTTP/1.1 200 OK\r\nContent-Length: 5000000\r\n\r\n");
  });
  QtHttpClient client(nullptr, HttpTimeouts{std::chrono::seconds(30), std::chrono::seconds(30)});
  Watchdog watchdog(client, 10000);
  const HttpResult result = Fetch(client, server.Url("/big"), 1 << 20);
  EXPECT_EQ(result.outcome, HttpOutcome::TooLarge);
  EXPECT_NE(result.reason.find("5000000"), std::string::npos) << result.reason;
  EXPECT_FALSE(watchdog.fired);
}

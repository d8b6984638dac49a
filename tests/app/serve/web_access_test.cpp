// Who reaches the web view and what a client can make the server do: with a token, only a request
// carrying it or the cookie of the one-time link is answered; oversized requests are refused and
// closed; an event stream client that stops reading is dropped while the others keep receiving,
// and feeding the rows never waits for it.
#include <gtest/gtest.h>

#include <QElapsedTimer>

#include "raw_client.h"
#include "serve/web_server.h"

namespace servetest {
namespace {

RunBegin FourUnits() {
  RunBegin run;
  run.units = {{0, "K", QStringLiteral("炉内")}, {1, "K", {}}, {2, "K", {}}, {3, "K", {}}};
  run.startMs = 1765170215120;
  run.intervalMs = 10;
  return run;
}

std::vector<RunSample> Rows(int64_t from, int count) {
  std::vector<RunSample> rows(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    RunSample& row = rows[static_cast<size_t>(i)];
    row.sample = from + i;
    row.timeMs = 1765170215120 + (row.sample + 1) * 10;
    for (int u = 0; u < 4; ++u) row.values[static_cast<size_t>(u)] = 100.125f * u + 0.001f * i;
  }
  return rows;
}

class WebAccessTest : public ::testing::Test {
 protected:
  void StartServer(const QByteArray& token) {
    QString error;
    ASSERT_TRUE(server_.Start(QHostAddress::LocalHost, 0, token, &error)) << error.toStdString();
    port_ = server_.Port();
    server_.Begin(FourUnits());
    server_.Rows(Rows(0, 50));
  }

  WebServer server_;
  quint16 port_ = 0;
};

TEST_F(WebAccessTest, WithATokenOnlyItsHeaderOrTheOneTimeLinksCookieIsAnswered) {
  StartServer("s3cret-token");
  EXPECT_EQ(Get(port_, "/api/state").status, 401);
  EXPECT_EQ(Get(port_, "/metrics").status, 401);
  EXPECT_EQ(Get(port_, "/events").status, 401);
  EXPECT_EQ(Get(port_, "/api/state", "Authorization: Bearer s3cret-tokeX\r\n").status, 401);
  EXPECT_EQ(Get(port_, "/api/state", "Authorization: Bearer s3cret-token-longer\r\n").status, 401);
  EXPECT_EQ(Get(port_, "/api/state", "Cookie: korvale_session=0123456789abcdef\r\n").status, 401);
  // A link with a wrong token sets no cookie.
  const Answer wrong = Get(port_, "/?token=s3cret-tokeX");
  EXPECT_EQ(wrong.status, 401);
  EXPECT_TRUE(wrong.Header("Set-Cookie").isEmpty());

  const Answer header = Get(port_, "/api/state", "Authorization: Bearer s3cret-token\r\n");
  EXPECT_EQ(header.status, 200);
  EXPECT_TRUE(header.body.contains("\"count\":50"));

  const Answer link = Get(port_, "/?token=s3cret-token");
  ASSERT_EQ(link.status, 303);
  EXPECT_EQ(link.Header("Location"), "/");
  const QByteArray setCookie = link.Header("Set-Cookie");
  EXPECT_TRUE(setCookie.contains("HttpOnly"));
  EXPECT_TRUE(setCookie.contains("SameSite=Strict"));
  const QByteArray cookie = setCookie.left(setCookie.indexOf(';'));
  ASSERT_TRUE(cookie.startsWith("korvale_session="));
  EXPECT_EQ(cookie.size(), 16 + 32);
  EXPECT_FALSE(cookie.contains("s3cret"));
  EXPECT_EQ(Get(port_, "/metrics", "Cookie: other=1; " + cookie + "\r\n").status, 200);
  EXPECT_EQ(Get(port_, "/", "Cookie: " + cookie + "\r\n").status, 200);
  // Each link gives a cookie of its own.
  EXPECT_NE(Get(port_, "/?token=s3cret-token").Header("Set-Cookie"), setCookie);
}

TEST_F(WebAccessTest, OversizedRequestsAreRefusedAndClosed) {
  StartServer({});
  {
    RawClient client(port_);
    client.Send("GET /api/state HTTP/1.1\r\nX-Filler: " + QByteArray(9000, 'a') + "\r\n\r\n");
    EXPECT_TRUE(client.ReadToClose());
    EXPECT_EQ(Parse(client.Data()).status, 431);
  }
  {
    // A head that never ends is refused once it passes the bound, without waiting for its end.
    RawClient client(port_);
    client.Send("GET /api/state HTTP/1.1\r\nX-Filler: " + QByteArray(9000, 'a'));
    EXPECT_TRUE(client.ReadToClose(5000));
    EXPECT_EQ(Parse(client.Data()).status, 431);
  }
  {
    RawClient client(port_);
    client.Send("POST /mark HTTP/1.1\r\nContent-Length: 100000\r\n\r\n" + QByteArray(5000, 'b'));
    EXPECT_TRUE(client.ReadToClose());
    EXPECT_EQ(Parse(client.Data()).status, 413);
  }
  // The server still answers.
  EXPECT_EQ(Get(port_, "/api/state").status, 200);
}

TEST_F(WebAccessTest, AStalledEventStreamIsDroppedWhileAnotherKeepsReceiving) {
  StartServer({});
  RawClient stalled(port_, 4096);
  RawClient reader(port_);
  stalled.Send("GET /events HTTP/1.1\r\n\r\n");
  reader.Send("GET /events HTTP/1.1\r\n\r\n");
  ASSERT_TRUE(reader.ReadUntil([](const QByteArray& d) { return d.contains("event: state"); }));
  ASSERT_TRUE(stalled.ReadUntil([](const QByteArray& d) { return d.contains("event: state"); }));
  ASSERT_EQ(server_.Http().StreamClients(), 2);

  // Polls of 1000 rows (about 60 KB each) until far more than the limit went out; the reader reads
  // as they come, the stalled client never again.
  int64_t next = 50;
  qint64 slowest = 0;
  for (int poll = 0; poll < 60; ++poll) {
    const std::vector<RunSample> rows = Rows(next, 1000);
    next += 1000;
    QElapsedTimer clock;
    clock.start();
    server_.Rows(rows);
    slowest = std::max(slowest, clock.elapsed());
    reader.ReadUntil([](const QByteArray&) { return false; }, 5);
  }
  const QByteArray last = "id: " + QByteArray::number(next - 1) + "\n";
  EXPECT_TRUE(reader.ReadUntil([&](const QByteArray& d) { return d.contains(last); }));
  EXPECT_FALSE(reader.Closed());
  EXPECT_EQ(server_.Http().Dropped(), 1);
  EXPECT_EQ(server_.Http().StreamClients(), 1);
  EXPECT_TRUE(stalled.ReadToClose());
  EXPECT_LT(slowest, 200) << "a poll's rows waited for a client";
}

}  // namespace
}  // namespace servetest

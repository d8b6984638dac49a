// serve_fixture PORT ROWS LIVE_MS: the web server and view of a run on 127.0.0.1:PORT, fed at
// once with a synthetic run of ROWS rows of four K-type units (a smooth curve with noise and a
// spike), then one poll of 30 rows every LIVE_MS ms (0: none), with an alarm raised on ID1 and a
// mark after the first live poll. Prints "ready" once it listens; ends on SIGTERM. For the
// browser test of the page, which cannot wait for a real recording to fill a record set.
#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "serve/web_server.h"

namespace {

constexpr int64_t kStartMs = 1765170215120;
constexpr int kIntervalMs = 10;
constexpr int kPollRows = 30;

int stopPipe[2] = {-1, -1};

void OnSignal(int) {
  (void)!::write(stopPipe[1], "x", 1);
}

// Row n of the synthetic run: each unit a slow curve of its own with a little noise, and one
// spike on ID0 a third of the way in.
RunSample SyntheticRow(int64_t n, int64_t rows) {
  RunSample row;
  row.sample = n;
  row.timeMs = kStartMs + (n + 1) * kIntervalMs;
  const double t = static_cast<double>(n) * kIntervalMs / 1000.0;
  const double noise = static_cast<double>((n * 7919) % 101) / 100.0 - 0.5;
  row.values[0] = static_cast<float>(600 + 400 * std::sin(t / 300) + noise);
  row.values[1] = static_cast<float>(120 + 30 * std::sin(t / 90) + noise);
  row.values[2] = static_cast<float>(25 + 2 * std::cos(t / 60) + noise / 2);
  row.values[3] = static_cast<float>(300 + 150 * std::cos(t / 200) + noise);
  if (n == rows / 3) row.values[0] = *row.values[0] + 500;
  return row;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc != 4) {
    std::fprintf(stderr, "usage: serve_fixture PORT ROWS LIVE_MS\n");
    return 2;
  }
  const auto port = static_cast<quint16>(std::atoi(argv[1]));
  const int64_t rows = std::atoll(argv[2]);
  const int liveMs = std::atoi(argv[3]);

  WebServer server;
  QString error;
  if (!server.Start(QHostAddress::LocalHost, port, {}, &error)) {
    std::fprintf(stderr, "%s\n", error.toLocal8Bit().constData());
    return 1;
  }
  RunBegin run;
  run.units = {{0, "K", QStringLiteral("炉内")},
               {1, "K", QStringLiteral("外壁")},
               {2, "K", QString()},
               {3, "K", QStringLiteral("排気")}};
  run.startMs = kStartMs;
  run.intervalMs = kIntervalMs;
  server.Begin(run);
  std::vector<RunSample> batch;
  for (int64_t n = 0; n < rows; ++n) batch.push_back(SyntheticRow(n, rows));
  server.Rows(batch);
  int marks = 0;
  server.SetMarkHandler([&](const QString& text) {
    const int64_t newest = server.View().Count() - 1;
    ++marks;
    const RunMark mark{marks, std::max<int64_t>(newest, 0), server.View().TimeOf(newest),
                       text.isEmpty() ? QStringLiteral("マーク %1").arg(marks) : text};
    server.Mark(mark);
    return std::optional<RunMark>(mark);
  });

  QTimer live;
  int64_t next = rows;
  QObject::connect(&live, &QTimer::timeout, [&] {
    batch.clear();
    for (int i = 0; i < kPollRows; ++i) batch.push_back(SyntheticRow(next++, rows));
    server.Rows(batch);
    if (next == rows + kPollRows) {
      server.Alarm(
          {1, QStringLiteral("high"), true, *batch.back().values[1], 140.0f, batch.back().timeMs});
      const int64_t newest = next - 1;
      ++marks;
      server.Mark({marks, newest, server.View().TimeOf(newest), QStringLiteral("扉を開けた")});
    }
  });
  if (liveMs > 0) live.start(liveMs);

  if (::pipe(stopPipe) != 0) return 1;
  QSocketNotifier stop(stopPipe[0], QSocketNotifier::Read);
  QObject::connect(&stop, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
  ::signal(SIGTERM, OnSignal);
  ::signal(SIGINT, OnSignal);
  std::printf("ready\n");
  std::fflush(stdout);
  return app.exec();
}

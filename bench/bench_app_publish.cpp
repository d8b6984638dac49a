// Publishing's cost to the poll and its backlog rate.
//
// BM_PublishPoll: what Publisher::Rows() costs the caller for one unit-paced poll of four units
// (30 rows), with an MQTT and an InfluxDB destination: both down by default (every row goes to
// the queues on disk, the worst case), or live when KORVALE_BENCH_MQTT_PORT and
// KORVALE_BENCH_INFLUX_PORT name a local mosquitto and influxd (database "bench").
//
// BM_InfluxBacklog: an hour of four units at 10 ms (360000 rows, 1.44 M points) queued while the
// database was away, then the time until a local influxd (KORVALE_BENCH_INFLUX_PORT) has
// acknowledged all of it. Skipped without the port.
#include <benchmark/benchmark.h>

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include <vector>

#include "core/publish_url.h"
#include "core/run_rows.h"
#include "publish/publisher.h"
#include "qt_benchmark_main.h"

namespace {

QString PortOr(const char* variable, const char* fallback) {
  const QString port = qEnvironmentVariable(variable);
  return port.isEmpty() ? QString::fromLatin1(fallback) : port;
}

RunBegin FourUnits() {
  RunBegin run;
  run.units = {{0, "K", "炉内 上"}, {1, "K", ""}, {2, "T", ""}, {3, "K", "外気"}};
  run.intervalMs = 10;
  return run;
}

// rows rows from sample first on, 10 ms apart.
std::vector<RunSample> Rows(int64_t first, size_t rows) {
  std::vector<RunSample> out(rows);
  for (size_t k = 0; k < rows; ++k) {
    out[k].sample = first + static_cast<int64_t>(k);
    out[k].timeMs = 1796000000000 + 10 * out[k].sample;
    const float v = 20.0f + 0.001f * static_cast<float>(out[k].sample % 100000);
    out[k].values = {v, v + 1.25f, v + 2.5f, v + 3.75f};
  }
  return out;
}

void BM_PublishPoll(benchmark::State& state) {
  QTemporaryDir queues;
  std::vector<PublishUrl> urls{
      ParsePublishUrl(
          QStringLiteral("mqtt://127.0.0.1:%1/bench").arg(PortOr("KORVALE_BENCH_MQTT_PORT", "9"))),
      ParsePublishUrl(QStringLiteral("influx://127.0.0.1:%1/bench")
                          .arg(PortOr("KORVALE_BENCH_INFLUX_PORT", "9")))};
  Publisher publisher(urls, queues.path());
  QString error;
  if (!publisher.Open(&error)) {
    state.SkipWithError(error.toStdString().c_str());
    return;
  }
  publisher.Begin(FourUnits());
  int64_t sample = 0;
  for (auto _ : state) {
    const std::vector<RunSample> poll = Rows(sample, 30);
    sample += 30;
    const auto start = std::chrono::steady_clock::now();
    publisher.Rows(poll);
    state.SetIterationTime(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  publisher.Finish(0);
}
BENCHMARK(BM_PublishPoll)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(20000);

void BM_InfluxBacklog(benchmark::State& state) {
  const QString port = qEnvironmentVariable("KORVALE_BENCH_INFLUX_PORT");
  if (port.isEmpty()) {
    state.SkipWithError("KORVALE_BENCH_INFLUX_PORT is not set");
    return;
  }
  for (auto _ : state) {
    QTemporaryDir queues;
    const QString name = QStringLiteral("influx://127.0.0.1:%1/bench").arg(port);
    {
      // Queued while the database was away: a destination nobody listens on, same queue name.
      std::vector<PublishUrl> down{ParsePublishUrl(name)};
      down[0].port = 9;
      Publisher away(down, queues.path());
      QString error;
      away.Open(&error);
      away.Begin(FourUnits());
      for (int64_t first = 0; first < 360000; first += 30) away.Rows(Rows(first, 30));
      away.Finish(0);
      // The queue under the real destination's name.
      QDir(queues.path()).rename(down[0].SafeName(), ParsePublishUrl(name).SafeName());
    }
    Publisher back({ParsePublishUrl(name)}, queues.path());
    QString error;
    QElapsedTimer clock;
    clock.start();
    back.Open(&error);
    while (back.Statuses()[0].waiting > 0) QThread::msleep(10);
    state.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) / 1e9);
    back.Finish(0);
  }
  state.counters["points_per_s"] = benchmark::Counter(1440000, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_InfluxBacklog)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  return RunQtBenchmarks(argc, argv);
}

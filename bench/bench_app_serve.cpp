// The web view's cost to the measurement: a unit-paced poll of four units (30 rows) handed to the
// server with 0 or 50 event stream pages connected, one of them stalled (it never reads, and is
// dropped once 1 MiB waits for it), including the event loop's writes to the sockets, which run
// on the measurement's thread too; and the thinned view of a full record set of four units.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

#include "qt_benchmark_main.h"
#include "serve/serve_thread.h"
#include "serve/view_json.h"
#include "serve/web_server.h"

namespace {

constexpr int64_t kStartMs = 1765170215120;

RunBegin FourUnits() {
  RunBegin run;
  run.units = {{0, "K", QStringLiteral("炉内")}, {1, "K", {}}, {2, "K", {}}, {3, "K", {}}};
  run.startMs = kStartMs;
  run.intervalMs = 10;
  return run;
}

void FillRows(std::vector<RunSample>& rows, int64_t from) {
  for (size_t i = 0; i < rows.size(); ++i) {
    RunSample& row = rows[i];
    row.sample = from + static_cast<int64_t>(i);
    row.timeMs = kStartMs + (row.sample + 1) * 10;
    for (int u = 0; u < 4; ++u) {
      row.values[static_cast<size_t>(u)] =
          static_cast<float>(300 + 100 * u + std::sin(static_cast<double>(row.sample) / 500));
    }
  }
}

// A page's event stream over a real socket: connected and asked for /events.
int OpenStream(quint16 port, int receiveBuffer) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (receiveBuffer > 0)
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(port);
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) return -1;
  const char request[] = "GET /events HTTP/1.1\r\nHost: x\r\n\r\n";
  (void)!::send(fd, request, sizeof request - 1, MSG_NOSIGNAL);
  return fd;
}

// Pages that read everything sent to them, on a thread of their own (the browsers).
class Readers {
 public:
  explicit Readers(std::vector<int> fds) : fds_(std::move(fds)), thread_([this] { Run(); }) {}
  ~Readers() {
    stop_ = true;
    thread_.join();
    for (const int fd : fds_) ::close(fd);
  }

 private:
  void Run() {
    std::vector<pollfd> polls;
    for (const int fd : fds_) polls.push_back({fd, POLLIN, 0});
    char buffer[65536];
    while (!stop_) {
      if (::poll(polls.data(), polls.size(), 50) <= 0) continue;
      for (const pollfd& p : polls) {
        if (p.revents & POLLIN) (void)!::recv(p.fd, buffer, sizeof buffer, MSG_DONTWAIT);
      }
    }
  }

  std::vector<int> fds_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

void BM_PollWithPages(benchmark::State& state) {
  const int pages = static_cast<int>(state.range(0));
  WebServer server;
  QString error;
  if (!server.Start(QHostAddress::LocalHost, 0, {}, &error)) {
    state.SkipWithError("cannot listen");
    return;
  }
  server.Begin(FourUnits());
  std::vector<int> reading;
  int stalled = -1;
  for (int i = 0; i < pages; ++i) {
    const int fd = OpenStream(server.Port(), i == 0 ? 4096 : 0);
    if (i == 0) {
      stalled = fd;
    } else {
      reading.push_back(fd);
    }
  }
  while (server.Http().StreamClients() < pages) QCoreApplication::processEvents();
  Readers readers(reading);
  std::vector<RunSample> rows(30);
  int64_t next = 0;
  for (auto _ : state) {
    FillRows(rows, next);
    next += 30;
    server.Rows(rows);
    QCoreApplication::processEvents();  // the writes to the sockets
  }
  state.counters["pages_left"] = server.Http().StreamClients();
  state.counters["dropped"] = static_cast<double>(server.Http().Dropped());
  if (stalled >= 0) ::close(stalled);
}
BENCHMARK(BM_PollWithPages)->Arg(0)->Arg(50)->Unit(benchmark::kMicrosecond)->Iterations(3000);

// The same with the server on its own thread, as the recorder and the window run it: what the
// measurement's thread pays is the hand-over of the rows.
void BM_PollWithPagesOnItsThread(benchmark::State& state) {
  const int pages = static_cast<int>(state.range(0));
  ServeThread server;
  QString error;
  if (!server.Start(QHostAddress::LocalHost, 0, {}, nullptr, &error)) {
    state.SkipWithError("cannot listen");
    return;
  }
  server.Begin(FourUnits());
  std::vector<int> reading;
  int stalled = -1;
  for (int i = 0; i < pages; ++i) {
    const int fd = OpenStream(server.Port(), i == 0 ? 4096 : 0);
    if (i == 0) {
      stalled = fd;
    } else {
      reading.push_back(fd);
    }
  }
  Readers readers(reading);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the pages' requests answered
  std::vector<RunSample> rows(30);
  int64_t next = 0;
  for (auto _ : state) {
    FillRows(rows, next);
    next += 30;
    server.Rows(rows);
    QCoreApplication::processEvents();
    state.PauseTiming();
    // A unit-paced poll comes every 300 ms at 10 ms; a short pause lets the server's thread
    // write, as it would between polls.
    std::this_thread::sleep_for(std::chrono::microseconds(500));
    state.ResumeTiming();
  }
  if (stalled >= 0) ::close(stalled);
}
BENCHMARK(BM_PollWithPagesOnItsThread)
    ->Arg(0)
    ->Arg(50)
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(3000);

void BM_ViewOfAFullRecordSet(benchmark::State& state) {
  RunView view;
  view.Begin(FourUnits());
  std::vector<RunSample> rows(88000);
  FillRows(rows, 0);
  view.AddRows(rows);
  size_t bytes = 0;
  for (auto _ : state) {
    const std::string json = ViewJson(view, 0, -1, 1000);
    bytes = json.size();
    benchmark::DoNotOptimize(json.data());
  }
  state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_ViewOfAFullRecordSet)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return RunQtBenchmarks(argc, argv);
}

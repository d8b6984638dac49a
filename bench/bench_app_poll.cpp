// User-interface time of one unit-paced poll while four units have nearly full buffers: the
// fetch of 30 readings per unit, storing them, drawing them on the graph (GrDrawData1) and the
// repaint that follows. Runs on simulated units with the toolkit clock driven by hand, without
// and with the recording journal (journal:1), which then writes the poll's samples, and with an
// upper and a lower limit and the open-thermocouple alarm on every unit (alarms:1), checked for
// every stored sample (wide enough that nothing is raised), and with the sample stream of
// `korvale --record --stream` into a pipe that nobody reads (stream:1), whose buffer is full, so
// that each poll's rows are formatted and refused, and into one whose reader takes every row
// (stream:2), for comparison. Between two
// timed polls the buffers go back to 87000 samples, and the graph is shown that record set
// again, untimed: each timed poll finds what a real one finds, the samples stored so far drawn.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <thread>

#include "alarm/alarm_monitor.h"
#include "bench_rig.h"
#include "core/mdx4a.h"
#include "core/module_data.h"
#include "graph/chart2d.h"
#include "measure/form_main.h"
#include "measure/window_alarms.h"
#include "qt_benchmark_main.h"
#include "session/measurement_session.h"
#include "session/sample_stream.h"
#include "session/session_alarms.h"
#include "usbkit_sim.h"

namespace {

// Limits on every unit that the rig's signals stay inside, and the open-thermocouple alarm.
AlarmSettings WideLimits() {
  AlarmSettings s;
  s.HighOn = {true, true, true, true};
  s.High = {1300, 1300, 1300, 1300};
  s.LowOn = {true, true, true, true};
  s.Low = {-200, -200, -200, -200};
  s.OpenOn = true;
  s.Sound = false;
  return s;
}

// The stream of a recording into a pipe whose reader either holds it open and never reads
// (stalled) or takes everything on a thread of its own. It follows a relay of the session's
// samplesStored, so that it can be taken back to the start of the record set between timed polls
// without any other follower of the session hearing it.
class PipedStream {
 public:
  PipedStream(MeasurementSession& session, ModuleData& md, MDX4A& driver, DialogService& dialogs,
              bool stalled)
      : md_(md), relay_(md, driver, dialogs) {
    if (::pipe2(fds_, O_CLOEXEC) != 0) return;
    ::fcntl(fds_[0], F_SETPIPE_SZ, 4096);
    if (!stalled) reader_ = std::thread([this] { Read(); });
    stream_ = std::make_unique<SampleStream>(relay_, md, fds_[1]);
    QObject::connect(&session, &MeasurementSession::samplesStored, &relay_,
                     &MeasurementSession::samplesStored);
    emit relay_.started();
  }
  ~PipedStream() {
    if (stream_) stream_->Finish(0);
    stream_.reset();
    if (fds_[1] >= 0) ::close(fds_[1]);
    if (reader_.joinable()) reader_.join();
    if (fds_[0] >= 0) ::close(fds_[0]);
  }
  bool Ok() const { return stream_ != nullptr; }
  // The record set went back to where it was: the rows so far are offered again, so that the next
  // poll finds only its own rows new, as a real one does. A reader that reads has taken them all
  // before the next poll (nothing arrived for 20 ms), so that it does not compete with the poll.
  void Rewind() {
    emit relay_.recordSetRenewed();
    StoredSamples all;
    for (size_t i = 0; i < all.to.size(); ++i) all.to[i] = md_.Record.Units[i].DataCount;
    emit relay_.samplesStored(md_.Record, all);
    if (!reader_.joinable()) return;
    for (uint64_t seen = ~uint64_t{0}; seen != read_.load();) {
      seen = read_.load();
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }

 private:
  void Read() {
    char buf[65536];
    ssize_t n;
    while ((n = ::read(fds_[0], buf, sizeof buf)) > 0) read_ += static_cast<uint64_t>(n);
  }

  const ModuleData& md_;
  MeasurementSession relay_;
  int fds_[2] = {-1, -1};
  std::thread reader_;
  std::atomic<uint64_t> read_{0};
  std::unique_ptr<SampleStream> stream_;
};

void BM_UnitPacedPollFullBuffers(benchmark::State& state) {
  PlugFourRigUnits();

  QuietDialogs dialogs;
  ModuleData md;
  MDX4A driver(dialogs);
  FormMain form(md, driver, dialogs);
  form.show();
  QTemporaryDir dataHome;
  if (state.range(0)) {
    qputenv("XDG_DATA_HOME", dataHome.path().toUtf8());
    form.StartJournal(true);
  }
  UseFourRigUnits(md);
  if (state.range(1)) form.Alarms().SetSettings(WideLimits());
  MeasurementSession& acq = form.Session();
  form.cmdStart_Click();
  if (!md.Measuring) {
    state.SkipWithError("the measurement did not start");
    return;
  }
  form.Controls().Timer2->stop();  // the benchmark calls the handler itself

  // Nearly full buffers: 87000 samples per unit, then one real poll to draw them all.
  const int32_t base = 87000;
  for (auto& unit : md.Record.Units) {
    for (int32_t k = 0; k < base; ++k) unit.Data[k] = 200.0f + static_cast<float>(k % 500);
    unit.DataCount = base;
  }
  md.Record.SampleCount = base;
  usbkit_sim_advance_ms(300);
  acq.Timer2_Timer();
  form.Controls().Chart2D1->Flush();

  std::unique_ptr<PipedStream> stream;
  if (state.range(2)) {
    stream = std::make_unique<PipedStream>(acq, md, driver, dialogs, state.range(2) == 1);
    if (!stream->Ok()) {
      state.SkipWithError("no pipe");
      return;
    }
  }

  Graph& graph = form.Graph();
  for (auto _ : state) {
    state.PauseTiming();
    for (auto& unit : md.Record.Units) unit.DataCount = base;
    md.Record.SampleCount = base;
    if (stream) stream->Rewind();
    graph.GrDrawData1();
    form.Controls().Chart2D1->Flush();
    usbkit_sim_advance_ms(300);
    state.ResumeTiming();
    acq.Timer2_Timer();
    form.Controls().Chart2D1->Flush();
  }
  state.counters["points"] = static_cast<double>(md.Record.SampleCount) * 4;
  form.cmdStop_Click();
  usbkit_sim_reset();
}
BENCHMARK(BM_UnitPacedPollFullBuffers)
    ->ArgNames({"journal", "alarms", "stream"})
    ->Args({0, 0, 0})
    ->Args({0, 1, 0})
    ->Args({1, 0, 0})
    ->Args({0, 0, 1})
    ->Args({0, 0, 2})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(3.0);

// The alarms' own share of a poll, alone: the checks of the 30 samples a poll of 300 ms stores
// for each of four units sampling every 10 ms, as the session announces them.
void BM_AlarmChecksOfOnePoll(benchmark::State& state) {
  QuietDialogs dialogs;
  ModuleData md;
  UseFourRigUnits(md);
  MDX4A driver(dialogs);
  MeasurementSession session(md, driver, dialogs);
  AlarmMonitor monitor;
  FollowSessionAlarms(session, monitor, md, [] { return WideLimits(); });
  emit session.started();
  StoredSamples samples;
  for (int i = 0; i < 4; ++i) {
    for (int32_t k = 0; k < 30; ++k)
      md.Record.Units[i].Data[k] = 200.0f + static_cast<float>(k * i);
    samples.to[i] = 30;
  }
  for (auto _ : state) emit session.samplesStored(md.Record, samples);
  if (!monitor.Events().empty()) state.SkipWithError("an alarm was raised");
}
BENCHMARK(BM_AlarmChecksOfOnePoll)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  return RunQtBenchmarks(argc, argv);
}

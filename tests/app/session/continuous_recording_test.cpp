// Continuous recording across several full record sets on the hand-driven clock: the files of a
// run hold every sample the units delivered exactly once, in order, whatever the sampling mode.
#include <QDateTime>
#include <cmath>

#include "session_rig.h"

namespace sessiontest {
namespace {

constexpr int32_t kFull = RecordSet::MaxData;

// The samples of one unit over the files of a run, in file order; the empty slots a lagging unit
// leaves at the end of the last file are not samples.
std::vector<float> Concatenated(const std::vector<DataFileImage>& files, int unit) {
  std::vector<float> out;
  for (const DataFileImage& file : files) {
    out.insert(out.end(), file.Data[unit].begin(), file.Data[unit].end());
  }
  while (!out.empty() && out.back() == RecordSet::NoData) out.pop_back();
  return out;
}

class ContinuousRecordingTest : public SessionTest {
 protected:
  // The run's files in name order, read; each full one holds a whole record set and starts its
  // start time that many intervals after the one before.
  std::vector<DataFileImage> RunFiles(int expectedFiles) {
    const QStringList names =
        QDir(Folder()).entryList({QStringLiteral("*.mx1")}, QDir::Files, QDir::Name);
    EXPECT_EQ(names.size(), expectedFiles);
    EXPECT_EQ(static_cast<int>(written_.size()), expectedFiles);
    std::vector<DataFileImage> files;
    for (const QString& name : names) files.push_back(Read(QDir(Folder()).filePath(name)));
    if (files.empty()) return files;
    const QDateTime first =
        QDateTime::fromString(files[0].StartTime, QStringLiteral("yyyy/M/d H:m:s"));
    EXPECT_TRUE(first.isValid()) << files[0].StartTime.toStdString();
    for (int k = 0; k < static_cast<int>(files.size()); ++k) {
      SCOPED_TRACE(names[k].toStdString());
      EXPECT_EQ(names[k], first.toString(QStringLiteral("yyyyMMdd-HHmmss")) +
                              QStringLiteral("-%1.mx1").arg(k + 1, 4, 10, QLatin1Char('0')));
      const qint64 offset = qint64{k} * kFull * md_.Record.IntervalTM;
      EXPECT_EQ(files[k].StartTime.toStdString(),
                MeasurementSession::FormatStartTime(first.addMSecs(offset)).toStdString());
      if (k + 1 < static_cast<int>(files.size())) {
        EXPECT_EQ(files[k].Records, kFull);
      }
      for (const QString& memo : files[k].MemoText) EXPECT_TRUE(memo.isEmpty());
    }
    return files;
  }
};

TEST_F(ContinuousRecordingTest, ComputerPacedFilesHoldEverySampleOnceAtItsNominalTime) {
  Plug(0);
  Configure({0}, true, 1000, false);
  Start();
  const double start = usbkit_sim_now_ms();
  const int32_t total = 3 * kFull + 250;
  for (int32_t s = 0; s < total; ++s) Tick();
  EXPECT_TRUE(md_.Measuring);
  EXPECT_EQ(session_.FileNumber(), 4);
  EXPECT_EQ(session_.RunSamples(), total);
  session_.StopMeasure();

  const std::vector<DataFileImage> files = RunFiles(4);
  ASSERT_EQ(files.size(), 4u);
  EXPECT_EQ(files[3].Records, 250);
  const std::vector<float> samples = Concatenated(files, 0);
  ASSERT_EQ(static_cast<int32_t>(samples.size()), total);
  int off = 0;
  for (int32_t k = 0; k < total; ++k) {
    // Sample k + 1 is read one interval after sample k.
    if (std::fabs(samples[k] - Model(0, start + (k + 1) * 1000.0)) > acqtest::kTolerance) ++off;
  }
  EXPECT_EQ(off, 0);
  EXPECT_TRUE(warnings_.empty());
}

TEST_F(ContinuousRecordingTest, UnitPacedAveragedFilesKeepALaggingUnitsSamplesInPlace) {
  Plug(0);
  Plug(1);
  Configure({0, 1}, false, 20, true);  // two 10 ms readings per sample
  ASSERT_EQ(md_.AverageCount, 2);
  Start();
  const double start = usbkit_sim_now_ms();
  // Unit 1 loses its first three readings to another caller: it stays three readings behind
  // unit 0 for the whole run, so unit 0 fills each record set first.
  usbkit_sim_advance_ms(30);
  double values[151];
  uint8_t status[151];
  uint8_t taken = 3;
  ASSERT_EQ(driver_.Mdx4a_Get_Datas(1, values, status, taken, acqtest::kTypeK), 0);
  ASSERT_EQ(taken, 3);
  Tick(1170);
  while (session_.FileNumber() < 4) Tick(1200);
  for (int p = 0; p < 10; ++p) Tick(1200);
  const auto readings = static_cast<int32_t>((usbkit_sim_now_ms() - start) / 10);
  session_.StopMeasure();

  const std::vector<DataFileImage> files = RunFiles(4);
  ASSERT_EQ(files.size(), 4u);
  const int skipped[2] = {0, 3};
  for (int id = 0; id < 2; ++id) {
    SCOPED_TRACE(testing::Message() << "unit " << id);
    const std::vector<float> samples = Concatenated(files, id);
    const int32_t expected = (readings - skipped[id]) / 2;
    ASSERT_EQ(static_cast<int32_t>(samples.size()), expected);
    int off = 0;
    for (int32_t s = 0; s < expected; ++s) {
      const int32_t r = skipped[id] + 2 * s;  // its first raw reading, counted from 0
      const double mean =
          (Model(id, start + (r + 1) * 10.0) + Model(id, start + (r + 2) * 10.0)) / 2;
      if (std::fabs(samples[s] - mean) > acqtest::kTolerance) ++off;
    }
    EXPECT_EQ(off, 0);
  }
}

TEST_F(ContinuousRecordingTest, ADriverErrorEndsTheRecordingWithTheSamplesSoFarInTheLastFile) {
  Plug(0);
  Configure({0}, false, 10, false);
  std::vector<StopReason> reasons;
  QObject::connect(&session_, &MeasurementSession::stopped,
                   [&reasons](StopReason reason) { reasons.push_back(reason); });
  Start();
  Tick();
  Tick();
  usbkit_sim_fail_transfers(sim_[0], 1);
  Tick();
  EXPECT_FALSE(md_.Measuring);
  EXPECT_EQ(reasons, std::vector<StopReason>{StopReason::DriverError});
  EXPECT_EQ(dialogs_.Texts(), std::vector<QString>{DriverErrorText(9)});
  const std::vector<DataFileImage> files = RunFiles(1);
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0].Records, 60);
}

TEST_F(ContinuousRecordingTest, MarksNumberOnAcrossRecordSetsEachAtItsNewestSample) {
  Plug(0);
  Configure({0}, true, 1000, false);
  std::vector<Mark> announced;
  QObject::connect(&session_, &MeasurementSession::markAdded,
                   [&announced](const RecordSet&, const Mark& m) { announced.push_back(m); });
  EXPECT_FALSE(session_.AddMark(QString()).has_value());  // idle: no mark
  Start();
  const int64_t runStart = md_.Record.StartMs;
  EXPECT_TRUE(md_.Record.HasStartMs);
  session_.AddMark(QStringLiteral("扉"));  // before the first sample: at sample 1
  for (int32_t s = 0; s < kFull + 5; ++s) Tick();
  ASSERT_EQ(session_.FileNumber(), 2);
  session_.AddMark(QString());
  session_.AddMark(QStringLiteral("試料"));
  EXPECT_EQ(md_.Record.StartMs, runStart + int64_t{kFull} * 1000);
  ASSERT_EQ(md_.Record.Marks.size(), 2u);  // the first record set's mark went with it
  EXPECT_EQ(md_.Record.Marks[0].sample, 5);
  EXPECT_EQ(md_.Record.Marks[0].text, QStringLiteral("マーク 2"));
  EXPECT_EQ(md_.Record.Marks[1].number, 3);
  ASSERT_EQ(announced.size(), 3u);
  EXPECT_EQ(announced[0].sample, 1);
  EXPECT_EQ(announced[0].number, 1);
  session_.StopMeasure();
  Start();
  EXPECT_EQ(session_.AddMark(QString())->number, 1);  // a new measurement counts from 1
  EXPECT_EQ(md_.Record.NextMarkNumber(), 2);
}

}  // namespace
}  // namespace sessiontest

// Sampling after a stall, on the hand-driven clock: a late computer-paced tick takes the slot of
// the time it comes at and leaves the slots it missed empty (across a change of record set too);
// the unit-paced mode keeps every reading in order after a stall, and the operator's stop fetches
// what the units sampled since the last poll.
#include <QTimer>

#include "journal/left_journals.h"
#include "journal/recording_journal.h"
#include "session/session_journal.h"
#include "session_rig.h"

namespace sessiontest {
namespace {

constexpr int32_t kFull = RecordSet::MaxData;

class LateTickTest : public SessionTest {
 protected:
  // A tick of the 1 s computer-paced mode at ms after the start; returns the unit's model value
  // at that moment.
  double TickAt(double start, double ms) {
    usbkit_sim_advance_ms(static_cast<unsigned>(start + ms - usbkit_sim_now_ms()));
    session_.Timer1_Timer();
    return Model(0, start + ms);
  }

  // Fills all but the last two slots of unit 0 with tag + slot, as if measured.
  void FillAlmostFull(float tag) {
    UnitRecord& unit = md_.Record.Units[0];
    for (int32_t k = 0; k < kFull - 2; ++k) unit.Data[k] = tag + static_cast<float>(k);
    unit.DataCount = kFull - 2;
    md_.Record.SampleCount = kFull - 2;
  }
};

TEST_F(LateTickTest, ALateTickTakesTheSlotOfItsTimeAndLeavesAHole) {
  Plug(0);
  Configure({0}, true, 1000, false);
  std::vector<StoredSamples> stored;
  QObject::connect(&session_, &MeasurementSession::samplesStored,
                   [&stored](const RecordSet&, const StoredSamples& s) { stored.push_back(s); });
  Start();
  const double start = usbkit_sim_now_ms();
  std::vector<double> expected(8, RecordSet::NoData);
  expected[0] = TickAt(start, 1000);
  expected[1] = TickAt(start, 2300);  // late, yet within its interval: no hole
  expected[2] = TickAt(start, 2950);  // a little early: the next slot, not the last one again
  // The program stood still for four seconds, its timer running behind once more.
  session_.Timer1()->start(1000);
  expected[6] = TickAt(start, 7400);
  // The next tick is brought back to the grid of whole seconds, then the period is the usual.
  EXPECT_EQ(session_.Timer1()->interval(), 600);
  expected[7] = TickAt(start, 8000);
  EXPECT_EQ(session_.Timer1()->interval(), 1000);
  session_.Timer1()->stop();

  ASSERT_EQ(md_.Record.SampleCount, 8);
  EXPECT_EQ(md_.Record.Units[0].DataCount, 8);
  for (int32_t k = 0; k < 8; ++k) {
    if (expected[k] == RecordSet::NoData) {
      EXPECT_EQ(md_.Record.Units[0].Data[k], RecordSet::NoData) << "slot " << k;
    } else {
      EXPECT_NEAR(md_.Record.Units[0].Data[k], expected[k], acqtest::kTolerance) << "slot " << k;
    }
  }
  // The late tick announced the hole with its sample; the extremes know only measured values.
  ASSERT_EQ(stored.size(), 5u);
  EXPECT_EQ(stored[3].from[0], 3);
  EXPECT_EQ(stored[3].to[0], 7);
  EXPECT_GT(md_.Record.Units[0].MinValue, 50.0f);
}

TEST_F(LateTickTest, AHoleAcrossAChangeOfRecordSetKeepsEveryFileOnItsTimeAxis) {
  Plug(0);
  Configure({0}, true, 1000, false);
  Start();
  const double start = usbkit_sim_now_ms();
  FillAlmostFull(1000);
  TickAt(start, (kFull - 1) * 1000.0);  // on time, after the filled slots
  ASSERT_EQ(md_.Record.SampleCount, kFull - 1);
  // A stall over the end of the record set: the sample of the run's second kFull + 3.
  const double late = TickAt(start, (kFull + 3) * 1000.0 + 200);
  session_.StopMeasure();

  ASSERT_EQ(written_.size(), 2u);
  const DataFileImage first = Read(written_[0]);
  const DataFileImage second = Read(written_[1]);
  ASSERT_EQ(first.Records, kFull);
  EXPECT_EQ(first.Data[0][kFull - 3], 1000 + kFull - 3);
  EXPECT_NE(first.Data[0][kFull - 2], RecordSet::NoData);
  EXPECT_EQ(first.Data[0][kFull - 1], RecordSet::NoData);
  ASSERT_EQ(second.Records, 3);
  EXPECT_EQ(second.Data[0][0], RecordSet::NoData);
  EXPECT_EQ(second.Data[0][1], RecordSet::NoData);
  EXPECT_NEAR(second.Data[0][2], late, acqtest::kTolerance);
  // The second file's time axis starts a full record set after the run.
  EXPECT_EQ(second.StartTime, MeasurementSession::FormatStartTime(session_.FileStartTime(2)));
}

TEST_F(LateTickTest, UnitPacedReadingsStayInOrderAfterAStallAndTheStopFetchesTheRest) {
  Plug(0);
  Plug(1);
  Configure({0, 1}, false, 10, false);
  Start();
  const double start = usbkit_sim_now_ms();
  Tick();
  // Eight seconds without a poll: the units keep sampling into their buffers.
  usbkit_sim_advance_ms(8000);
  for (int poll = 0; poll < 12; ++poll) Tick();
  // Part of a poll interval, then "停止".
  usbkit_sim_advance_ms(250);
  session_.StopMeasure();
  const auto readings = static_cast<int32_t>((usbkit_sim_now_ms() - start) / 10);
  for (int id = 0; id < 2; ++id) {
    SCOPED_TRACE(testing::Message() << "unit " << id);
    ASSERT_EQ(md_.Record.Units[id].DataCount, readings);
    int off = 0;
    for (int32_t k = 0; k < readings; ++k) {
      const double model = Model(id, start + (k + 1) * 10.0);
      if (std::fabs(md_.Record.Units[id].Data[k] - model) > acqtest::kTolerance) ++off;
    }
    EXPECT_EQ(off, 0);
  }
  ASSERT_EQ(written_.size(), 1u);
  EXPECT_EQ(Read(written_[0]).Records, readings);
}

// The journal of a continuous recording whose files no folder takes: the samples of every record
// set stay on the disk, in journals the next start keeps.
TEST_F(LateTickTest, JournalsOfFilesWrittenNowhereStayForTheNextStart) {
  const QString journals = dir_.filePath(QStringLiteral("journals"));
  auto journal = std::make_unique<RecordingJournal>(journals);
  FollowSession(session_, *journal, md_);
  auto recording = std::make_unique<ContinuousRecording>(session_, md_, Spare());
  recording->SetFolder(Folder());
  recording->SetJournal(journal.get());
  recording->SetEnabled(true);
  for (const QString& blocked : {Folder(), Spare()}) {
    QFile file(blocked);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  }
  Plug(0);
  Configure({0}, true, 1000, false);
  ASSERT_TRUE(session_.Start());
  session_.Timer1()->stop();
  FillAlmostFull(1000);
  Tick();
  Tick();  // the record set is full and written nowhere; the next one begins
  ASSERT_EQ(session_.FileNumber(), 2);
  Tick();
  session_.StopMeasure();
  EXPECT_EQ(recording->PendingFiles(), 2);
  EXPECT_EQ(recording->PendingJournals(true).size(), 2);

  // The program ends: the journals stay.
  recording.reset();
  journal.reset();
  std::vector<LeftJournal> left = TakeLeftJournals(journals);
  ASSERT_EQ(left.size(), 2u);
  std::vector<int32_t> counts;
  for (LeftJournal& j : left) {
    int error = 0;
    const QString kept = KeepAsDatedFile(j, &error);
    ASSERT_FALSE(kept.isEmpty()) << error;
    const DataFileImage image = Read(kept);
    counts.push_back(image.Records);
    if (image.Records == kFull) {
      for (int32_t k = 0; k < kFull - 2; ++k) ASSERT_EQ(image.Data[0][k], 1000 + k) << k;
      EXPECT_NE(image.Data[0][kFull - 1], RecordSet::NoData);
    }
  }
  std::sort(counts.begin(), counts.end());
  EXPECT_EQ(counts, (std::vector<int32_t>{1, kFull}));
}

}  // namespace
}  // namespace sessiontest

// The journal on a record set filled by hand: which samples it takes while units lag behind one
// another, and how often it pushes the file to the disk.
#include "journal_rig.h"

namespace journaltest {
namespace {

class JournalCadenceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    md_.Record.StartTime = QStringLiteral("2026/3/7 9:05:02");
    for (int i : {0, 1}) {
      md_.Record.Units[i].MflagID = true;
      for (int k = 0; k < 20; ++k)
        md_.Record.Units[i].Data[k] = static_cast<float>(100 * (i + 1) + k);
    }
    journal_.clock = [this] { return now_; };
    journal_.Begin(md_.Record);
  }

  // The units' counts, then a tick at time `now`.
  void Follow(qint64 now, int32_t unit0, int32_t unit1) {
    now_ = now;
    md_.Record.Units[0].DataCount = unit0;
    md_.Record.Units[1].DataCount = unit1;
    md_.Record.SampleCount = std::max(unit0, unit1);
    journal_.Follow(md_.Record, std::min(unit0, unit1));
  }

  DataHome home_;
  ModuleData md_;
  qint64 now_ = 0;
  RecordingJournal journal_{JournalFolder()};
};

TEST_F(JournalCadenceTest, ASampleIsWrittenOnceEveryUnitHasItAndEverySampleWhenTheMeasurementEnds) {
  Follow(0, 5, 3);
  ExpectFileHolds(journal_.Path(), md_, 3);
  // The record set goes back (replaced in memory): the journal follows.
  Follow(0, 4, 4);
  ExpectFileHolds(journal_.Path(), md_, 4);
  // At the stop the lagging unit's slots stay as they are in memory.
  md_.Record.Units[1].Data[6] = md_.Record.Units[1].Data[7] = md_.Record.Units[1].Data[8] =
      RecordSet::NoData;
  Follow(0, 9, 6);
  ExpectFileHolds(journal_.Path(), md_, 6);
  journal_.End(md_.Record);
  ExpectFileHolds(journal_.Path(), md_, 9);
}

TEST_F(JournalCadenceTest, PushesToTheDiskWithinASecondAndNeverTwiceInOneTick) {
  EXPECT_EQ(journal_.SyncRequests(), 1);  // the header goes to the disk at once
  std::vector<qint64> pushes;
  for (int poll = 1; poll <= 10; ++poll) {
    const int before = journal_.SyncRequests();
    Follow(300 * poll, poll, poll);
    if (journal_.SyncRequests() > before) pushes.push_back(now_);
  }
  EXPECT_EQ(pushes, (std::vector<qint64>{900, 1800, 2700}));
  // The last poll's samples reach the disk at a later tick that brings nothing new; with nothing
  // left to push, a tick pushes nothing.
  Follow(3600, 10, 10);
  EXPECT_EQ(journal_.SyncRequests(), 5);
  Follow(6000, 10, 10);
  EXPECT_EQ(journal_.SyncRequests(), 5);
  // The stop pushes what is left at once.
  Follow(6100, 11, 11);
  journal_.End(md_.Record);
  EXPECT_EQ(journal_.SyncRequests(), 6);
}

}  // namespace
}  // namespace journaltest

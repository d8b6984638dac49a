// The journal on a record set filled by hand: which samples it takes while units lag behind one
// another, and how often it pushes the file to the disk.
#include "journal_rig.h"

namespace journaltest {
namespace {

class JournalCadenceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    md_.StartTime = QStringLiteral("2026/3/7 9:05:02");
    for (int i : {0, 1}) md_.Units[i].MflagID = true;
    for (int k = 0; k < 20; ++k) {
      md_.Units[0].Data[k] = 100.0f + static_cast<float>(k);
      md_.Units[1].Data[k] = 200.0f + static_cast<float>(k);
    }
    journal_.clock = [this] { return now_; };
  }

  void Counts(int32_t unit0, int32_t unit1) {
    md_.Units[0].DataCount = unit0;
    md_.Units[1].DataCount = unit1;
    md_.SampleCount = std::max(unit0, unit1);
  }

  DataHome home_;
  ModuleData md_;
  qint64 now_ = 0;
  RecordingJournal journal_{JournalFolder()};
};

TEST_F(JournalCadenceTest, ASampleIsWrittenOnceEveryUnitHasItAndEverySampleWhenTheMeasurementEnds) {
  journal_.Begin(md_);
  Counts(5, 3);
  journal_.Follow(md_);
  ExpectFileHolds(journal_.Path(), md_, 3);
  Counts(7, 7);
  journal_.Follow(md_);
  ExpectFileHolds(journal_.Path(), md_, 7);
  // The record set goes back (replaced in memory): the journal follows.
  Counts(4, 4);
  journal_.Follow(md_);
  ExpectFileHolds(journal_.Path(), md_, 4);
  // At the stop the lagging unit's slots stay as they are in memory.
  Counts(9, 6);
  md_.Units[1].Data[6] = md_.Units[1].Data[7] = md_.Units[1].Data[8] = ModuleData::NoData;
  journal_.Follow(md_);
  ExpectFileHolds(journal_.Path(), md_, 6);
  journal_.End(md_);
  ExpectFileHolds(journal_.Path(), md_, 9);
}

TEST_F(JournalCadenceTest, PushesToTheDiskWithinASecondAndNeverTwiceInOneTick) {
  journal_.Begin(md_);  // the header goes to the disk at once
  EXPECT_EQ(journal_.SyncRequests(), 1);
  std::vector<qint64> pushes;
  for (int poll = 1; poll <= 10; ++poll) {
    now_ = 300 * poll;
    Counts(poll, poll);
    const int before = journal_.SyncRequests();
    journal_.Follow(md_);
    ASSERT_LE(journal_.SyncRequests() - before, 1);
    if (journal_.SyncRequests() > before) pushes.push_back(now_);
  }
  EXPECT_EQ(pushes, (std::vector<qint64>{900, 1800, 2700}));
  // The last poll's samples reach the disk at a later tick even when it brings nothing new;
  // with nothing left to push, a tick pushes nothing.
  now_ = 3300;
  journal_.Follow(md_);
  EXPECT_EQ(journal_.SyncRequests(), 4);
  now_ = 3600;
  journal_.Follow(md_);
  EXPECT_EQ(journal_.SyncRequests(), 5);
  now_ = 6000;
  journal_.Follow(md_);
  EXPECT_EQ(journal_.SyncRequests(), 5);
  // A sample after a quiet spell goes to the disk at once; the stop pushes what is left.
  now_ = 9000;
  Counts(11, 11);
  journal_.Follow(md_);
  EXPECT_EQ(journal_.SyncRequests(), 6);
  now_ = 9100;
  Counts(12, 12);
  journal_.Follow(md_);
  EXPECT_EQ(journal_.SyncRequests(), 6);
  journal_.End(md_);
  EXPECT_EQ(journal_.SyncRequests(), 7);
}

}  // namespace
}  // namespace journaltest

// The warning of a continuous recording whose folder fails at the stop: the measurement is over,
// so it says where the last file went and nothing about measuring on.
#include <QFile>

#include "session_rig.h"

namespace sessiontest {
namespace {

TEST_F(SessionTest, AFolderFailingAtTheStopIsToldWithoutSayingTheMeasurementGoesOn) {
  Plug(0);
  Configure({0}, true, 1000, false);
  QFile blocker(Folder());  // a plain file where the folder should be
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  Start();
  Tick();
  Tick();
  ASSERT_TRUE(warnings_.empty());
  session_.StopMeasure();
  ASSERT_EQ(written_.size(), 1u);
  ASSERT_EQ(warnings_.size(), 1u);
  EXPECT_TRUE(warnings_[0].contains(QDir::toNativeSeparators(Spare())))
      << warnings_[0].toStdString();
  EXPECT_FALSE(warnings_[0].contains(QStringLiteral("測定は続けます")))
      << warnings_[0].toStdString();
}

}  // namespace
}  // namespace sessiontest

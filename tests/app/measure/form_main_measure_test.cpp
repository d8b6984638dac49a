// The main window around a measurement on a simulated unit: the start and stop buttons, the
// timer's tick and closing while running and after the stop.
#include <QMetaObject>

#include "acquisition_rig.h"

namespace acqtest {
namespace {

using FormMainMeasureTest = AcquisitionTest;

TEST_F(FormMainMeasureTest, ButtonsAndTimerDriveTheMeasurementAndCloseFollowsIt) {
  Plug(0);
  Configure({0}, true, 1000, false);
  form_->show();

  ui().cmdStart->click();
  ASSERT_TRUE(md_.Measuring);
  EXPECT_TRUE(ui().Timer1->isActive());
  EXPECT_FALSE(ui().cmdStart->isEnabled());
  EXPECT_TRUE(ui().cmdStop->isEnabled());
  EXPECT_FALSE(ui().cmdSetting->isEnabled());
  EXPECT_FALSE(ui().cmdEnd->isEnabled());

  // One interval later the timer's tick takes a sample.
  usbkit_sim_advance_ms(1000);
  ASSERT_TRUE(QMetaObject::invokeMethod(ui().Timer1, "timeout", Qt::DirectConnection));
  EXPECT_EQ(md_.Record.SampleCount, 1);

  // The title bar's close is refused while measuring.
  dialogs_.Clear();
  EXPECT_FALSE(form_->close());
  EXPECT_EQ(dialogs_.Texts(),
            std::vector<QString>{QStringLiteral("測定中です。中止してから終了して下さい。")});
  EXPECT_TRUE(form_->isVisible());
  EXPECT_TRUE(md_.Measuring);

  ui().cmdStop->click();
  EXPECT_TRUE(Idle());
  EXPECT_TRUE(ui().cmdDisp->isEnabled());

  dialogs_.Clear();
  dialogs_.answers = {MsgAnswer::Yes};
  EXPECT_TRUE(form_->close());
  EXPECT_EQ(
      dialogs_.Texts(),
      std::vector<QString>{QStringLiteral("データが消去されます。終了してもよろしいですか？")});
}

}  // namespace
}  // namespace acqtest

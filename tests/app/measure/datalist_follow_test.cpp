// The data list opened while measuring: it follows the session's new samples, marks and change of
// record set, and ends with the lines of a list opened after the stop.
#include <QApplication>
#include <QColor>
#include <QLabel>
#include <QListView>
#include <QScrollBar>
#include <utility>
#include <vector>

#include "acquisition_rig.h"
#include "dialogs/data_list_model.h"
#include "dialogs/dialog_datalist.h"

namespace acqtest {
namespace {

class DatalistFollowTest : public AcquisitionTest {
 protected:
  void Tick() {
    usbkit_sim_advance_ms(1000);
    acq().Timer1_Timer();
  }
  void Poll() {
    usbkit_sim_advance_ms(300);
    acq().Timer2_Timer();
  }

  // "データ表示" while measuring: the list opens and the measurement goes on.
  DialogDatalist& OpenWhileMeasuring() {
    EXPECT_TRUE(ui().cmdDisp->isEnabled());
    ui().cmdDisp->click();
    EXPECT_TRUE(md_.Measuring);
    EXPECT_TRUE(form_->DatalistOpen());
    DialogDatalist& list = *ui().datalist;
    QObject::connect(
        list.Model(), &QAbstractItemModel::rowsInserted,
        [this](const QModelIndex&, int first, int last) { inserted_.emplace_back(first, last); });
    QObject::connect(list.Model(), &QAbstractItemModel::modelReset, [this, &list] {
      ++resets_;
      inserted_.clear();
      listed_ = list.Model()->rowCount();
    });
    listed_ = list.Model()->rowCount();
    QApplication::processEvents();
    return list;
  }

  // The insertions since the list opened or started over: each next line exactly once.
  void ExpectEachLineInsertedOnce() {
    int next = listed_;
    for (const auto& [first, last] : inserted_) {
      EXPECT_EQ(first, next);
      EXPECT_GE(last, first);
      next = last + 1;
    }
    EXPECT_EQ(next, ui().datalist->Model()->rowCount());
  }

  // The lines and count of the open list are those of a list opened now.
  void ExpectAsOpenedNow() {
    DialogDatalist& list = *ui().datalist;
    DialogDatalist fresh(md_, nullptr);
    ASSERT_EQ(list.Model()->rowCount(), fresh.Model()->rowCount());
    for (int k = 1; k <= fresh.Model()->rowCount(); ++k) {
      ASSERT_EQ(list.Model()->Row(k), fresh.Model()->Row(k)) << "row " << k;
    }
    EXPECT_EQ(list.lblDataNum->text(), fresh.lblDataNum->text());
  }

  std::vector<std::pair<int, int>> inserted_;
  int resets_ = 0;
  int listed_ = 0;  // lines when the list opened or last started over
};

TEST_F(DatalistFollowTest, ComputerPacedListGainsEachSampleOnceShowsMarksAndEndsAsAfterTheStop) {
  Plug(0);
  Plug(2);
  Configure({0, 2}, true, 1000, false);
  form_->cmdStart_Click();
  EXPECT_FALSE(ui().cmdDisp->isEnabled());  // nothing to list yet
  Tick();
  Tick();
  DialogDatalist& list = OpenWhileMeasuring();
  ASSERT_EQ(list.Model()->rowCount(), 2);

  Tick();
  Tick();
  ASSERT_TRUE(acq().AddMark(QStringLiteral("扉")));
  const QModelIndex marked = list.Model()->index(3, 0);
  EXPECT_TRUE(marked.data().toString().contains(QStringLiteral("\u25C61 扉")));
  EXPECT_TRUE(marked.data(Qt::BackgroundRole).value<QColor>().isValid());
  for (int s = 0; s < 4; ++s) Tick();
  EXPECT_EQ(list.Model()->rowCount(), md_.Record.SampleCount);
  EXPECT_EQ(list.lblDataNum->text(), QStringLiteral("8"));
  EXPECT_EQ(resets_, 0);  // appended, never rebuilt

  form_->cmdStop_Click();
  ASSERT_TRUE(form_->DatalistOpen());
  EXPECT_FALSE(ui().cmdDisp->isEnabled());  // still the sign of the open list
  ExpectEachLineInsertedOnce();
  ExpectAsOpenedNow();
}

TEST_F(DatalistFollowTest, UnitPacedListShowsOnlyRowsEveryUnitReachedAndEndsAsAfterTheStop) {
  Plug(0);
  Plug(1);
  Configure({0, 1}, false, 10, false);
  form_->cmdStart_Click();
  Poll();  // both units: 30 readings
  DialogDatalist& list = OpenWhileMeasuring();
  ASSERT_EQ(list.Model()->rowCount(), 30);

  // Unit 1 gives 3 readings away: from now on it is 3 samples behind unit 0, whose newest
  // samples wait for unit 1's next readings before they are listed.
  usbkit_sim_advance_ms(80);
  double values[151];
  uint8_t status[151];
  uint8_t count = 3;
  ASSERT_EQ(driver_.Mdx4a_Get_Datas(1, values, status, count, kTypeK), 0);
  for (int p = 0; p < 3; ++p) Poll();
  ASSERT_EQ(md_.Record.Units[1].DataCount + 3, md_.Record.Units[0].DataCount);
  EXPECT_EQ(list.Model()->rowCount(), md_.Record.Units[1].DataCount);
  EXPECT_EQ(list.lblDataNum->text(), QString::number(md_.Record.Units[1].DataCount));

  // The stop lists the rest, unit 1's missing samples with them.
  usbkit_sim_advance_ms(250);  // readings the stop fetches
  form_->cmdStop_Click();
  EXPECT_EQ(list.Model()->rowCount(), md_.Record.Units[0].DataCount);
  EXPECT_EQ(resets_, 0);
  ExpectEachLineInsertedOnce();
  ExpectAsOpenedNow();
}

TEST_F(DatalistFollowTest, NewRecordSetStartsTheListOverAndAScrolledListStaysPut) {
  Plug(0);
  Configure({0}, false, 10, false);
  acq().SetContinuous(true);
  form_->cmdStart_Click();
  Poll();
  DialogDatalist& list = OpenWhileMeasuring();
  QScrollBar* bar = list.List1->verticalScrollBar();
  for (int p = 0; p < 40; ++p) Poll();
  QApplication::processEvents();
  // Scrolled to the end, it follows the new lines; scrolled up by the operator, it stays there.
  ASSERT_GT(bar->maximum(), 0);
  bar->setValue(bar->maximum());
  const int end = bar->maximum();
  Poll();
  QApplication::processEvents();
  EXPECT_GT(bar->maximum(), end);
  EXPECT_EQ(bar->value(), bar->maximum());
  bar->setValue(5);
  Poll();
  QApplication::processEvents();
  EXPECT_EQ(bar->value(), 5);

  while (acq().FileNumber() == 1 && md_.Measuring) Poll();
  ASSERT_TRUE(md_.Measuring);
  EXPECT_EQ(resets_, 1);
  Poll();
  Poll();
  ASSERT_GT(md_.Record.SampleCount, 0);
  ASSERT_LT(md_.Record.SampleCount, 1000);
  ExpectEachLineInsertedOnce();
  ExpectAsOpenedNow();
  EXPECT_EQ(list.lblDataNum->text(), QString::number(md_.Record.SampleCount));
}

}  // namespace
}  // namespace acqtest

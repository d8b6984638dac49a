// The main window's other windows: the rebuild of the open data list and the move tool.
#include <QItemSelectionModel>
#include <QLabel>
#include <QListView>
#include <QPushButton>

#include "dialogs/data_list_model.h"
#include "dialogs/dialog_datalist.h"
#include "dialogs/dialog_move_window.h"
#include "form_main_fixture.h"

namespace {

const QString kUnused = QStringLiteral("     \u3000\u3000");
const QString kMissingRebuild = QStringLiteral("     \u3000 \u3000");

// Samples after the last one up to count, with the value v(k) on units 0 and 2.
template <typename F>
void Fill(ModuleData& md, int32_t count, F v) {
  md.Units[0].MflagID = true;
  md.Units[2].MflagID = true;
  for (int32_t k = md.SampleCount + 1; k <= count; ++k) {
    md.Units[0].Data[k - 1] = v(k);
    md.Units[2].Data[k - 1] = v(k);
  }
  md.SampleCount = count;
}

TEST_F(FormMainTest, DataListRebuildOnlyWhileTheWindowIsOpen) {
  Fill(md, 3, [](int32_t k) { return k == 1 ? 23.45678f : 12345.678f; });
  md.Units[2].Data[0] = ModuleData::NoData;
  form->SetButtonState();
  form->cmdDisp_Click();
  ASSERT_TRUE(form->DatalistOpen());
  DialogDatalist& list = *ui().datalist;

  // A later record set reaches the open window only through the rebuild.
  Fill(md, 5, [](int32_t) { return 1.0f; });
  md.Units[1].MflagID = true;
  ui().cmdDisp->setEnabled(true);
  EXPECT_FALSE(form->DatalistOpen());
  form->DispDataList();
  EXPECT_EQ(list.Model()->rowCount(), 3);
  EXPECT_EQ(list.lblDataNum->text(), QStringLiteral("3"));

  ui().cmdDisp->setEnabled(false);
  md.Units[1].MflagID = false;
  form->DispDataList();
  ASSERT_EQ(list.Model()->rowCount(), 5);
  EXPECT_EQ(list.lblDataNum->text(), QStringLiteral("5"));
  EXPECT_EQ(list.Model()->Line(1), QStringLiteral("    23.457 ") + kUnused + QStringLiteral(" ") +
                                       kMissingRebuild + QStringLiteral(" ") + kUnused);
  EXPECT_EQ(list.Model()->Line(2),
            QStringLiteral(" 12345.678 ") + kUnused + QStringLiteral("  12345.678 ") + kUnused);

  // The last line is selected and current.
  const QModelIndex current = list.List1->currentIndex();
  EXPECT_EQ(current.row(), 4);
  EXPECT_TRUE(list.List1->selectionModel()->isSelected(current));

  // Emptied before a replay.
  form->ClearDatalist();
  EXPECT_EQ(list.Model()->rowCount(), 0);
  EXPECT_EQ(list.lblDataNum->text(), QStringLiteral(" "));
  form->UnloadDatalist();
  EXPECT_FALSE(ui().datalist);
  EXPECT_TRUE(ui().cmdDisp->isEnabled());
}

TEST_F(FormMainTest, MoveToolOpensOnceOwnedByTheMainWindow) {
  form->cmdMove_Click(0);
  ASSERT_TRUE(ui().moveWindow);
  DialogMoveWindow* first = ui().moveWindow;
  EXPECT_EQ(first->parentWidget(), form.get());
  EXPECT_TRUE(first->isVisible());
  EXPECT_FALSE(first->isModal());
  form->cmdMove_Click(3);
  EXPECT_EQ(ui().moveWindow, first);
  first->close();
}

}  // namespace

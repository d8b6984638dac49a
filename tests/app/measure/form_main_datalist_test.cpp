// The open data list window follows the record set only through the main window.
#include <QItemSelectionModel>
#include <QLabel>
#include <QListView>
#include <QPushButton>

#include "dialogs/data_list_model.h"
#include "dialogs/dialog_datalist.h"
#include "form_main_fixture.h"

namespace {

TEST_F(FormMainTest, DataListRebuildOnlyWhileTheWindowIsOpen) {
  AddSamples(3);
  form->cmdDisp_Click();
  ASSERT_TRUE(form->DatalistOpen());
  DialogDatalist& list = *ui().datalist;

  // A later record set reaches the open window only through the rebuild, and only while open.
  AddSamples(5);
  ui().cmdDisp->setEnabled(true);
  form->DispDataList();
  EXPECT_EQ(list.Model()->rowCount(), 3);

  ui().cmdDisp->setEnabled(false);
  form->DispDataList();
  ASSERT_EQ(list.Model()->rowCount(), 5);
  EXPECT_EQ(list.lblDataNum->text(), QStringLiteral("5"));
  const QModelIndex current = list.List1->currentIndex();
  EXPECT_EQ(current.row(), 4);
  EXPECT_TRUE(list.List1->selectionModel()->isSelected(current));

  // Emptied before a replay; closed with its button enabled again.
  form->ClearDatalist();
  EXPECT_EQ(list.Model()->rowCount(), 0);
  EXPECT_EQ(list.lblDataNum->text(), QStringLiteral(" "));
  form->UnloadDatalist();
  EXPECT_FALSE(ui().datalist);
  EXPECT_TRUE(ui().cmdDisp->isEnabled());
}

}  // namespace

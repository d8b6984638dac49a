// The data list window: its lines as it opens, the snapshot of the record set, and the return of
// "データ表示" whichever way the window closes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListView>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include "core/module_data.h"
#include "dialogs/data_list_model.h"
#include "dialogs/dialog_datalist.h"

namespace {

const QString kUnused = QStringLiteral("     \u3000\u3000");
const QString kMissing = QStringLiteral("      \u3000\u3000");

struct Datalist : ::testing::Test {
  QWidget mainWindow;
  QPushButton* cmdDisp = new QPushButton(QStringLiteral("データ表示"), &mainWindow);
  ModuleData md;

  // The main window's "データ表示": disables the button and opens the window modeless.
  QPointer<DialogDatalist> Open() {
    cmdDisp->setEnabled(false);
    auto* dialog = new DialogDatalist(md, cmdDisp, &mainWindow);
    dialog->show();
    return dialog;
  }
  static void ProcessDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
};

TEST_F(Datalist, LinesAsTheWindowOpens) {
  md.Record.Units[0].MflagID = true;
  md.Record.Units[2].MflagID = true;
  md.Record.Units[0].Data[0] = 23.45678f;
  md.Record.Units[2].Data[0] = RecordSet::NoData;
  md.Record.Units[0].Data[1] = -12345.678f;  // 10 characters: no padding
  md.Record.Units[2].Data[1] = 12345.678f;   // 9 characters: one space
  md.Record.SampleCount = 2;
  QPointer<DialogDatalist> dialog = Open();

  EXPECT_EQ(dialog->windowTitle(), QStringLiteral("データ表示"));
  EXPECT_FALSE(dialog->isModal());
  EXPECT_EQ(dialog->Label1->text(), QStringLiteral("データ数"));
  EXPECT_EQ(dialog->Label2[3]->text(), QStringLiteral("ID3"));
  EXPECT_EQ(dialog->OKButton->text(), QStringLiteral("閉じる"));
  EXPECT_EQ(dialog->lblDataNum->text(), QStringLiteral("2"));
  ASSERT_EQ(dialog->Model()->rowCount(), 2);
  const auto row = [&](int r) {
    return dialog->Model()->data(dialog->Model()->index(r, 0)).toString();
  };
  EXPECT_EQ(row(0), QStringLiteral("    23.457 ") + kUnused + QStringLiteral(" ") + kMissing +
                        QStringLiteral(" ") + kUnused);
  EXPECT_EQ(row(1),
            QStringLiteral("-12345.678 ") + kUnused + QStringLiteral("  12345.678 ") + kUnused);

  // Nothing selected, the first line in view.
  EXPECT_FALSE(dialog->List1->selectionModel()->hasSelection());
  EXPECT_EQ(dialog->List1->indexAt(QPoint(2, 2)).row(), 0);

  // A fixed-pitch face: the missing-value field is as wide as a value field.
  const QFontMetrics metrics(dialog->List1->font());
  EXPECT_EQ(metrics.horizontalAdvance(kMissing),
            metrics.horizontalAdvance(QStringLiteral("    23.457")));
  dialog->close();
}

TEST_F(Datalist, ShowsTheRecordSetAsItWasAtOpening) {
  md.Record.Units[0].MflagID = false;
  md.Record.Units[1].MflagID = true;
  for (int k = 0; k < 3; ++k)
    md.Record.Units[1].Data[static_cast<size_t>(k)] = static_cast<float>(k);
  md.Record.SampleCount = 3;
  QPointer<DialogDatalist> dialog = Open();

  md.Record.Units[1].Data[0] = 99.0f;
  md.Record.Units[1].MflagID = false;
  md.Record.SampleCount = 1;
  ASSERT_EQ(dialog->Model()->rowCount(), 3);
  EXPECT_EQ(dialog->Model()->Line(1),
            kUnused + QStringLiteral("      0.000 ") + kUnused + QStringLiteral(" ") + kUnused);
  dialog->close();
}

TEST_F(Datalist, EveryWayOfClosingReturnsTheButton) {
  md.Record.SampleCount = 1;
  using Closer = void (*)(DialogDatalist&);
  const Closer closers[] = {
      [](DialogDatalist& d) { QTest::mouseClick(d.OKButton, Qt::LeftButton); },
      [](DialogDatalist& d) { d.close(); },
      [](DialogDatalist& d) { QTest::keyClick(&d, Qt::Key_Escape); },
      [](DialogDatalist& d) { d.reject(); },
  };
  for (const Closer close : closers) {
    QPointer<DialogDatalist> dialog = Open();
    ASSERT_FALSE(cmdDisp->isEnabled());
    close(*dialog);
    EXPECT_TRUE(cmdDisp->isEnabled());
    ProcessDeletes();
    EXPECT_TRUE(dialog.isNull());  // destroyed when closed
  }
}

TEST_F(Datalist, RebuildUsesItsOwnMissingField) {
  md.Record.Units[0].MflagID = true;
  md.Record.SampleCount = 1;
  DataListModel model;
  model.Load(md, DataListModel::kNoDataFieldRebuild);
  EXPECT_EQ(model.Line(1), QStringLiteral("     \u3000 \u3000 ") + kUnused + QStringLiteral(" ") +
                               kUnused + QStringLiteral(" ") + kUnused);
  EXPECT_TRUE(model.Line(0).isEmpty());
  EXPECT_TRUE(model.Line(2).isEmpty());
}

}  // namespace

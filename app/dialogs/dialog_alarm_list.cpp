#include "dialogs/dialog_alarm_list.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

DialogAlarmList::DialogAlarmList(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("警報一覧"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  List = new QTableWidget(0, kColumns, this);
  List->setEditTriggers(QAbstractItemView::NoEditTriggers);
  List->setSelectionBehavior(QAbstractItemView::SelectRows);
  List->verticalHeader()->setVisible(false);
  List->horizontalHeader()->setStretchLastSection(true);
  auto* close = new QPushButton(QStringLiteral("閉じる"), this);
  close->setAutoDefault(false);
  connect(close, &QPushButton::clicked, this, &QDialog::close);
  auto* outer = new QVBoxLayout(this);
  outer->addWidget(List);
  outer->addWidget(close, 0, Qt::AlignRight);
  resize(640, 320);
}

void DialogAlarmList::SetEvents(const std::vector<AlarmEvent>& events, bool measKind) {
  const QString unit = measKind ? QStringLiteral("μV") : QStringLiteral("℃");
  List->setHorizontalHeaderLabels({QStringLiteral("時刻"), QStringLiteral("経過 (秒)"),
                                   QStringLiteral("ユニット"), QStringLiteral("種類"),
                                   QStringLiteral("値 (%1)").arg(unit),
                                   QStringLiteral("限界 (%1)").arg(unit), QStringLiteral("状態")});
  List->setRowCount(static_cast<int>(events.size()));
  for (int row = 0; row < List->rowCount(); ++row) {
    const AlarmEvent& e = events[static_cast<size_t>(row)];
    // The elapsed seconds are those of the graph's time axis, in the record set of the sample:
    // a later file of a continuous recording names its number.
    QString elapsed = AlarmElapsedText(e);
    if (e.recordSet > 1 && !elapsed.isEmpty()) {
      elapsed = QStringLiteral("%1（ファイル %2）").arg(elapsed).arg(e.recordSet);
    }
    const QString cells[kColumns] = {
        AlarmLocalTimeText(e.timeMs), elapsed,           QStringLiteral("ID%1").arg(e.unit),
        AlarmKindText(e.kind),        AlarmValueText(e), AlarmLimitText(e),
        AlarmStateText(e.raised)};
    for (int c = 0; c < kColumns; ++c) {
      auto* item = new QTableWidgetItem(cells[c]);
      if (c == 1 || c == 4 || c == 5) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      if (e.raised) item->setForeground(QColor(200, 0, 0));
      List->setItem(row, c, item);
    }
  }
  List->resizeColumnsToContents();
  if (List->rowCount() > 0) List->scrollToBottom();
}

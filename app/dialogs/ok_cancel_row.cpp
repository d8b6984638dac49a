#include "dialogs/ok_cancel_row.h"

#include <QHBoxLayout>
#include <QPushButton>

OkCancelRow BuildOkCancelRow(QWidget* dialog, const QString& cancelCaption) {
  OkCancelRow row;
  row.ok = new QPushButton(QStringLiteral("OK"), dialog);
  row.cancel = new QPushButton(cancelCaption, dialog);
  row.ok->setDefault(true);
  row.cancel->setAutoDefault(false);
  row.layout = new QHBoxLayout;
  row.layout->addStretch(1);
  row.layout->addWidget(row.ok);
  row.layout->addWidget(row.cancel);
  return row;
}

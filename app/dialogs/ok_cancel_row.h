// The row of OK and Cancel buttons at the foot of the settings dialogs.
#pragma once

#include <QString>

class QHBoxLayout;
class QPushButton;
class QWidget;

struct OkCancelRow {
  QPushButton* ok = nullptr;
  QPushButton* cancel = nullptr;
  // The two buttons pushed to the right end.
  QHBoxLayout* layout = nullptr;
};

// Makes OK and then Cancel (captioned `cancelCaption`) as children of `dialog`, so they come in
// that order in its focus chain. OK is the default button; Cancel never becomes it.
OkCancelRow BuildOkCancelRow(QWidget* dialog, const QString& cancelCaption);

// The alarm list "警報一覧": every raise and clear of the measurement, oldest first, with its local
// time (with the date), its seconds on the graph's time axis, unit, kind, value, limit and whether
// it was raised or cleared. A window beside the main window;
// the main window hands it the list again as events come.
#pragma once

#include <QDialog>
#include <vector>

#include "alarm/alarm_monitor.h"

class QTableWidget;

class DialogAlarmList : public QDialog {
  Q_OBJECT

 public:
  explicit DialogAlarmList(QWidget* parent = nullptr);

  // Shows events of a measurement of kind measKind (True: voltage).
  void SetEvents(const std::vector<AlarmEvent>& events, bool measKind);

  static constexpr int kColumns = 7;
  QTableWidget* List = nullptr;
};

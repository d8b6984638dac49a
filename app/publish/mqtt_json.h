// The JSON of the MQTT topics: a row as one line {"sample":N,"time":"...","ID0":23.5,...} (a unit
// without a value left out), a mark, an alarm event. Times are the analysis CSV's text, values its
// shortest float text, so that a consumer sees what the files hold.
#pragma once

#include <string>

#include "core/run_rows.h"
#include "files/local_time_text.h"

class MqttJson {
 public:
  // Appends a line (ending in '\n') for each row.
  void AppendRows(std::string& out, const RunSample* rows, size_t count);
  void AppendMark(std::string& out, const RunMark& mark);
  void AppendAlarm(std::string& out, const RunAlarm& alarm);

 private:
  LocalTimeText time_;
};

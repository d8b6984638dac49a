#include "publish/mqtt_json.h"

#include "core/json_text.h"

void MqttJson::AppendRows(std::string& out, const RunSample* rows, size_t count) {
  for (size_t r = 0; r < count; ++r) {
    const RunSample& row = rows[r];
    out += "{\"sample\":" + std::to_string(row.sample) + ",\"time\":\"";
    time_.Append(out, row.timeMs, true);
    out += '"';
    for (size_t u = 0; u < 4; ++u) {
      if (!row.values[u]) continue;
      out += ",\"ID" + std::to_string(u) + "\":";
      AppendJsonFloat(out, *row.values[u]);
    }
    out += "}\n";
  }
}

void MqttJson::AppendMark(std::string& out, const RunMark& mark) {
  out += "{\"number\":" + std::to_string(mark.number) +
         ",\"sample\":" + std::to_string(mark.sample) + ",\"time\":\"";
  time_.Append(out, mark.timeMs, true);
  out += "\",\"text\":";
  AppendJsonString(out, mark.text);
  out += '}';
}

void MqttJson::AppendAlarm(std::string& out, const RunAlarm& alarm) {
  out += "{\"unit\":\"ID" + std::to_string(alarm.unit) + "\",\"kind\":";
  AppendJsonString(out, alarm.kind);
  out += std::string(",\"raised\":") + (alarm.raised ? "true" : "false") + ",\"value\":";
  AppendJsonFloat(out, alarm.value);
  if (alarm.limit) {
    out += ",\"limit\":";
    AppendJsonFloat(out, *alarm.limit);
  }
  out += ",\"time\":\"";
  time_.Append(out, alarm.timeMs, true);
  out += "\"}";
}

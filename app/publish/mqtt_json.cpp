#include "publish/mqtt_json.h"

#include <charconv>

void AppendFloatText(std::string& out, float v) {
  char buf[32];
  out.append(buf, static_cast<size_t>(std::to_chars(buf, buf + sizeof buf, v).ptr - buf));
}

void MqttJson::AppendString(std::string& out, const QString& text) {
  out += '"';
  for (const char c : text.toStdString()) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20) {
      static const char kHex[] = "0123456789abcdef";
      out += "\\u00";
      out += kHex[byte >> 4];
      out += kHex[byte & 15];
    } else {
      out += c;
    }
  }
  out += '"';
}

void MqttJson::AppendRows(std::string& out, const RunSample* rows, size_t count) {
  for (size_t r = 0; r < count; ++r) {
    const RunSample& row = rows[r];
    out += "{\"sample\":" + std::to_string(row.sample) + ",\"time\":\"";
    time_.Append(out, row.timeMs, true);
    out += '"';
    for (size_t u = 0; u < 4; ++u) {
      if (!row.values[u]) continue;
      out += ",\"ID" + std::to_string(u) + "\":";
      AppendFloatText(out, *row.values[u]);
    }
    out += "}\n";
  }
}

void MqttJson::AppendMark(std::string& out, const RunMark& mark) {
  out += "{\"number\":" + std::to_string(mark.number) +
         ",\"sample\":" + std::to_string(mark.sample) + ",\"time\":\"";
  time_.Append(out, mark.timeMs, true);
  out += "\",\"text\":";
  AppendString(out, mark.text);
  out += '}';
}

void MqttJson::AppendAlarm(std::string& out, const RunAlarm& alarm) {
  out += "{\"unit\":\"ID" + std::to_string(alarm.unit) + "\",\"kind\":";
  AppendString(out, alarm.kind);
  out += std::string(",\"raised\":") + (alarm.raised ? "true" : "false") + ",\"value\":";
  AppendFloatText(out, alarm.value);
  if (alarm.limit) {
    out += ",\"limit\":";
    AppendFloatText(out, *alarm.limit);
  }
  out += ",\"time\":\"";
  time_.Append(out, alarm.timeMs, true);
  out += "\"}";
}

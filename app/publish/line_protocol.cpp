#include "publish/line_protocol.h"

#include <charconv>

#include "core/json_text.h"

namespace {

void AppendInteger(std::string& out, int64_t v) {
  char buf[24];
  out.append(buf, static_cast<size_t>(std::to_chars(buf, buf + sizeof buf, v).ptr - buf));
}

std::string UnitText(int unit) {
  return "ID" + std::to_string(unit);
}

}  // namespace

void AppendNanoseconds(std::string& out, int64_t ms) {
  AppendInteger(out, ms);
  out.append("000000");
}

LineProtocol::LineProtocol(const QString& host) : host_(TagText(host)) {}

std::string LineProtocol::TagText(const QString& text) {
  std::string out;
  for (const char c : text.toStdString()) {
    if (c == '\n' || c == '\r' || c == '\t') {
      out += "\\ ";
      continue;
    }
    // A backslash before anything but these stands for itself; one at the end would escape the
    // separator after it, so it goes.
    if (c == ',' || c == '=' || c == ' ') out += '\\';
    out += c;
  }
  while (!out.empty() && out.back() == '\\') out.pop_back();
  return out;
}

std::string LineProtocol::StringField(const QString& text) {
  std::string out = "\"";
  for (const char c : text.toStdString()) {
    if (c == '"' || c == '\\') out += '\\';
    out += c == '\n' || c == '\r' ? ' ' : c;
  }
  return out + '"';
}

void LineProtocol::Begin(const RunBegin& run) {
  for (std::string& key : seriesKey_) key.clear();
  for (const RunUnit& unit : run.units) {
    if (unit.unit < 0 || unit.unit >= 4) continue;
    // Tags in the order of their keys, as the database sorts them.
    std::string key = "korvale,host=" + host_;
    if (!unit.name.isEmpty()) key += ",name=" + TagText(unit.name);
    key += ",type=" + TagText(unit.type) + ",unit=" + UnitText(unit.unit) + " value=";
    seriesKey_[static_cast<size_t>(unit.unit)] = std::move(key);
  }
}

void LineProtocol::AppendRows(std::string& out, const RunSample* rows, size_t count) const {
  for (size_t r = 0; r < count; ++r) {
    const RunSample& row = rows[r];
    for (size_t u = 0; u < 4; ++u) {
      if (!row.values[u] || seriesKey_[u].empty()) continue;
      out += seriesKey_[u];
      AppendShortestFloat(out, *row.values[u]);
      out += ' ';
      AppendNanoseconds(out, row.timeMs);
      out += '\n';
    }
  }
}

void LineProtocol::AppendMark(std::string& out, const RunMark& mark) const {
  // The mark's number is a tag too: two marks at one sample stay two points.
  out += "korvale_mark,host=" + host_ + ",number=" + std::to_string(mark.number) +
         " number=" + std::to_string(mark.number) + "i,sample=" + std::to_string(mark.sample) +
         "i,text=" + StringField(mark.text) + ' ';
  AppendNanoseconds(out, mark.timeMs);
  out += '\n';
}

void LineProtocol::AppendAlarm(std::string& out, const RunAlarm& alarm) const {
  out += "korvale_alarm,host=" + host_ + ",kind=" + TagText(alarm.kind) +
         ",unit=" + UnitText(alarm.unit) + " raised=" + (alarm.raised ? "true" : "false") +
         ",value=";
  AppendShortestFloat(out, alarm.value);
  if (alarm.limit) {
    out += ",limit=";
    AppendShortestFloat(out, *alarm.limit);
  }
  out += ' ';
  AppendNanoseconds(out, alarm.timeMs);
  out += '\n';
}

#include "serve/view_json.h"

#include <QByteArray>
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace {

constexpr int kMinPoints = 16;
constexpr int kMaxPoints = 8192;

void AppendInt(std::string& out, int64_t v) {
  char buffer[24];
  out.append(buffer,
             static_cast<size_t>(std::to_chars(buffer, buffer + sizeof buffer, v).ptr - buffer));
}

void AppendBool(std::string& out, bool b) {
  out += b ? "true" : "false";
}

void AppendOptional(std::string& out, const std::optional<float>& v) {
  if (v) {
    AppendJsonFloat(out, *v);
  } else {
    out += "null";
  }
}

void AppendUnits(std::string& out, const RunView& view) {
  out += "\"units\":[";
  const std::vector<RunUnit>& units = view.Run().units;
  for (size_t c = 0; c < units.size(); ++c) {
    if (c > 0) out += ',';
    out += "{\"unit\":";
    AppendInt(out, units[c].unit);
    out += ",\"label\":\"ID";
    AppendInt(out, units[c].unit);
    out += "\",\"type\":";
    AppendJsonString(out, units[c].type);
    out += ",\"name\":";
    AppendJsonString(out, units[c].name);
    out += ",\"value\":";
    AppendOptional(out, view.Newest(static_cast<int>(c)));
    out += ",\"alarms\":{";
    for (int k = 0; k < RunView::kAlarmKinds; ++k) {
      if (k > 0) out += ',';
      out += '"';
      out += RunView::AlarmKindName(k);
      out += "\":";
      AppendBool(out, view.AlarmActive(static_cast<int>(c), k));
    }
    out += "}}";
  }
  out += ']';
}

void AppendMark(std::string& out, const RunMark& mark) {
  out += "{\"number\":";
  AppendInt(out, mark.number);
  out += ",\"sample\":";
  AppendInt(out, mark.sample);
  out += ",\"timeMs\":";
  AppendInt(out, mark.timeMs);
  out += ",\"text\":";
  AppendJsonString(out, mark.text);
  out += '}';
}

// One bucket [from, to) of the thinned view: each unit's minimum and maximum (-1 for none).
struct Bucket {
  std::array<int64_t, 4> low{}, high{};
};

Bucket Extremes(const RunView& view, int64_t from, int64_t to) {
  Bucket bucket;
  for (int c = 0; c < view.Columns(); ++c) {
    const float* column = view.Column(c) - view.FirstHeld();
    int64_t low = -1, high = -1;
    for (int64_t s = from; s < to; ++s) {
      const float v = column[s];
      if (std::isnan(v)) continue;
      if (low < 0 || v < column[low]) low = s;
      if (high < 0 || v > column[high]) high = s;
    }
    bucket.low[static_cast<size_t>(c)] = low;
    bucket.high[static_cast<size_t>(c)] = high;
  }
  return bucket;
}

// The thinned view's points: their samples, ascending and each once, and for each point and
// column whether the column's value belongs there (points[i * columns + c]).
struct Points {
  std::vector<int64_t> x;
  std::vector<char> has;
};

void AddBucket(const RunView& view, const Bucket& bucket, Points& points) {
  const int columns = std::min(view.Columns(), 4);
  std::array<int64_t, 8> samples{};
  size_t n = 0;
  for (int c = 0; c < columns; ++c) {
    for (const int64_t s :
         {bucket.low[static_cast<size_t>(c)], bucket.high[static_cast<size_t>(c)]}) {
      if (s >= 0 && n < samples.size()) samples[n++] = s;
    }
  }
  // At most eight samples: ascending, each once.
  size_t end = 0;
  for (size_t i = 0; i < n; ++i) {
    const int64_t s = samples[i];
    size_t at = 0;
    while (at < end && samples[at] < s) ++at;
    if (at < end && samples[at] == s) continue;
    for (size_t j = end; j > at; --j) samples[j] = samples[j - 1];
    samples[at] = s;
    ++end;
  }
  for (size_t i = 0; i < end; ++i) {
    points.x.push_back(samples[i]);
    for (int c = 0; c < columns; ++c) {
      points.has.push_back(bucket.low[static_cast<size_t>(c)] == samples[i] ||
                           bucket.high[static_cast<size_t>(c)] == samples[i]);
    }
  }
}

}  // namespace

std::string StateJson(const RunView& view, bool markAllowed) {
  const RunBegin& run = view.Run();
  std::string out = "{\"running\":";
  AppendBool(out, view.Running());
  out += ",\"startMs\":";
  AppendInt(out, run.startMs);
  out += ",\"intervalMs\":";
  AppendInt(out, run.intervalMs);
  out += ",\"voltage\":";
  AppendBool(out, run.voltage);
  out += ",\"fileNumber\":";
  AppendInt(out, run.fileNumber);
  out += ",\"count\":";
  AppendInt(out, view.Count());
  out += ",\"newest\":";
  AppendInt(out, view.Count() - 1);
  out += ',';
  AppendUnits(out, view);
  out += ",\"marks\":[";
  for (size_t i = 0; i < view.Marks().size(); ++i) {
    if (i > 0) out += ',';
    AppendMark(out, view.Marks()[i]);
  }
  out += "],\"markAllowed\":";
  AppendBool(out, markAllowed);
  out += ",\"destinations\":[";
  for (size_t i = 0; i < view.Destinations().size(); ++i) {
    const PublishDestinationStatus& d = view.Destinations()[i];
    if (i > 0) out += ',';
    out += "{\"name\":";
    AppendJsonString(out, d.name);
    out += ",\"connected\":";
    AppendBool(out, d.connected);
    out += ",\"waiting\":";
    AppendInt(out, d.waiting);
    out += '}';
  }
  out += "]}";
  return out;
}

std::string ViewJson(const RunView& view, int64_t from, int64_t to, int points) {
  from = std::max(from, view.FirstHeld());
  to = to < 0 ? view.Count() : std::min(to, view.Count());
  to = std::max(to, from);
  points = std::clamp(points, kMinPoints, kMaxPoints);
  const int64_t rows = to - from;
  const int64_t step = rows <= 2 * int64_t{points} ? 1 : (rows + points - 1) / points;

  Points pts;
  for (int64_t b = from; b < to; b += step) {
    if (step == 1) {
      pts.x.push_back(b);
      continue;
    }
    AddBucket(view, Extremes(view, b, std::min(b + step, to)), pts);
  }
  const std::vector<int64_t>& xs = pts.x;
  std::string out = "{\"from\":";
  AppendInt(out, from);
  out += ",\"to\":";
  AppendInt(out, to);
  out += ",\"step\":";
  AppendInt(out, step);
  out += ",\"x\":[";
  for (size_t i = 0; i < xs.size(); ++i) {
    if (i > 0) out += ',';
    AppendInt(out, xs[i]);
  }
  out += "],\"t\":[";
  for (size_t i = 0; i < xs.size(); ++i) {
    if (i > 0) out += ',';
    AppendInt(out, view.TimeOf(xs[i]));
  }
  out += "],\"y\":[";
  for (int c = 0; c < view.Columns(); ++c) {
    if (c > 0) out += ',';
    out += '[';
    for (size_t i = 0; i < xs.size(); ++i) {
      if (i > 0) out += ',';
      const bool point =
          step == 1 || pts.has[i * static_cast<size_t>(view.Columns()) + static_cast<size_t>(c)];
      AppendJsonFloat(out, point ? view.ValueOf(c, xs[i]) : NAN);
    }
    out += ']';
  }
  out += "]}";
  return out;
}

std::string RowsJson(const RunView& view, const std::vector<RunSample>& rows) {
  std::string out = "{\"rows\":[";
  out.reserve(rows.size() * 64 + 16);
  const std::vector<RunUnit>& units = view.Run().units;
  for (size_t r = 0; r < rows.size(); ++r) {
    if (r > 0) out += ',';
    out += '[';
    AppendInt(out, rows[r].sample);
    out += ',';
    AppendInt(out, rows[r].timeMs);
    for (const RunUnit& unit : units) {
      out += ',';
      AppendOptional(out, rows[r].values[static_cast<size_t>(unit.unit)]);
    }
    out += ']';
  }
  out += "]}";
  return out;
}

std::string MarkJson(const RunMark& mark) {
  std::string out;
  AppendMark(out, mark);
  return out;
}

std::string AlarmJson(const RunAlarm& alarm) {
  std::string out = "{\"unit\":";
  AppendInt(out, alarm.unit);
  out += ",\"kind\":";
  AppendJsonString(out, alarm.kind);
  out += ",\"raised\":";
  AppendBool(out, alarm.raised);
  out += ",\"value\":";
  AppendJsonFloat(out, alarm.value);
  if (alarm.limit) {
    out += ",\"limit\":";
    AppendJsonFloat(out, *alarm.limit);
  }
  out += ",\"timeMs\":";
  AppendInt(out, alarm.timeMs);
  out += '}';
  return out;
}

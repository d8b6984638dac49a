#include "serve/metrics_text.h"

#include <QByteArray>
#include <charconv>

namespace {

// A label value: backslash, double quote and line feed escaped.
void AppendLabel(std::string& out, const char* name, const QString& value, bool first = false) {
  if (!first) out += ',';
  out += name;
  out += "=\"";
  for (const char ch : value.toUtf8()) {
    if (ch == '\\') {
      out += "\\\\";
    } else if (ch == '"') {
      out += "\\\"";
    } else if (ch == '\n') {
      out += "\\n";
    } else {
      out += ch;
    }
  }
  out += '"';
}

void AppendHead(std::string& out, const char* name, const char* type, const char* help) {
  out += "# HELP ";
  out += name;
  out += ' ';
  out += help;
  out += "\n# TYPE ";
  out += name;
  out += ' ';
  out += type;
  out += '\n';
}

template <typename Number>
void AppendValue(std::string& out, Number v) {
  char buffer[32];
  out += ' ';
  out.append(buffer,
             static_cast<size_t>(std::to_chars(buffer, buffer + sizeof buffer, v).ptr - buffer));
  out += '\n';
}

QString Label(int unit) {
  return QStringLiteral("ID%1").arg(unit);
}

void AppendUnitValues(std::string& out, const RunView& view) {
  const bool voltage = view.Run().voltage;
  const char* name = voltage ? "korvale_voltage_volts" : "korvale_temperature_celsius";
  AppendHead(out, name, "gauge",
             voltage ? "The newest voltage of each unit." : "The newest temperature of each unit.");
  for (int c = 0; c < view.Columns(); ++c) {
    const std::optional<float> v = view.Newest(c);
    if (!v) continue;
    const RunUnit& unit = view.Run().units[static_cast<size_t>(c)];
    out += name;
    out += '{';
    AppendLabel(out, "unit", Label(unit.unit), true);
    AppendLabel(out, "type", unit.type);
    AppendLabel(out, "name", unit.name);
    out += '}';
    if (voltage) {
      AppendValue(out, static_cast<double>(*v) / 1e6);
    } else {
      AppendValue(out, *v);
    }
  }
}

void AppendAlarms(std::string& out, const RunView& view) {
  AppendHead(out, "korvale_alarm_active", "gauge",
             "1 while the alarm of that kind is raised on the unit, 0 otherwise.");
  for (int c = 0; c < view.Columns(); ++c) {
    for (int k = 0; k < RunView::kAlarmKinds; ++k) {
      out += "korvale_alarm_active{";
      AppendLabel(out, "unit", Label(view.Run().units[static_cast<size_t>(c)].unit), true);
      AppendLabel(out, "kind", QLatin1String(RunView::AlarmKindName(k)));
      out += '}';
      AppendValue(out, view.AlarmActive(c, k) ? 1 : 0);
    }
  }
}

void AppendDestinations(std::string& out, const RunView& view) {
  const std::vector<PublishDestinationStatus>& destinations = view.Destinations();
  if (destinations.empty()) return;
  AppendHead(out, "korvale_publish_queue_records", "gauge",
             "Records waiting in the queue of each publishing destination.");
  for (const PublishDestinationStatus& d : destinations) {
    out += "korvale_publish_queue_records{";
    AppendLabel(out, "destination", d.name, true);
    out += '}';
    AppendValue(out, d.waiting);
  }
  AppendHead(out, "korvale_publish_connected", "gauge",
             "1 while the publishing destination takes what is sent, 0 otherwise.");
  for (const PublishDestinationStatus& d : destinations) {
    out += "korvale_publish_connected{";
    AppendLabel(out, "destination", d.name, true);
    out += '}';
    AppendValue(out, d.connected ? 1 : 0);
  }
}

}  // namespace

std::string MetricsText(const RunView& view) {
  std::string out;
  AppendHead(out, "korvale_measuring", "gauge", "1 while a measurement is on, 0 otherwise.");
  out += "korvale_measuring";
  AppendValue(out, view.Running() ? 1 : 0);
  if (view.Begun()) AppendUnitValues(out, view);
  AppendHead(out, "korvale_samples_stored_total", "counter", "Samples stored in the run.");
  out += "korvale_samples_stored_total";
  AppendValue(out, view.Count());
  if (view.Begun()) AppendAlarms(out, view);
  AppendHead(out, "korvale_file_number", "gauge",
             "The number of the run's current record set (its file).");
  out += "korvale_file_number";
  AppendValue(out, view.Run().fileNumber);
  AppendDestinations(out, view);
  return out;
}

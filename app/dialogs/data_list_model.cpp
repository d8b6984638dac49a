#include "dialogs/data_list_model.h"

#include <QColor>
#include <algorithm>

#include "core/module_data.h"
#include "core/number_text.h"

namespace {

int32_t SampleOf(const Mark& m) {
  return m.sample;
}
int32_t SampleOf(int32_t k) {
  return k;
}

}  // namespace

const QString DataListModel::kNoDataField = QStringLiteral("      \u3000\u3000");
const QString DataListModel::kNoDataFieldRebuild = QStringLiteral("     \u3000 \u3000");
const QString DataListModel::kUnusedField = QStringLiteral("     \u3000\u3000");

DataListModel::DataListModel(QObject* parent) : QAbstractListModel(parent) {}

void DataListModel::Load(const ModuleData& md, const QString& noDataField) {
  Load(md, noDataField, md.Record.SampleCount);
}

void DataListModel::Load(const ModuleData& md, const QString& noDataField, int32_t rows) {
  beginResetModel();
  count_ = 0;
  noDataField_ = noDataField;
  interval_ = md.Record.IntervalTM;
  marks_ = md.Record.Marks;
  for (size_t i = 0; i < data_.size(); ++i) {
    used_[i] = md.Record.Units[i].MflagID;
    data_[i].clear();
  }
  CopySamples(md, std::min(rows, md.Record.SampleCount));
  endResetModel();
}

void DataListModel::Append(const ModuleData& md, int32_t rows) {
  rows = std::min(rows, md.Record.SampleCount);
  if (rows <= count_) return;
  beginInsertRows(QModelIndex(), count_, rows - 1);
  CopySamples(md, rows);
  endInsertRows();
}

void DataListModel::CopySamples(const ModuleData& md, int32_t rows) {
  rows = std::max(rows, count_);
  for (size_t i = 0; i < data_.size(); ++i) {
    if (!used_[i]) continue;
    const std::vector<float>& source = md.Record.Units[i].Data;
    std::vector<float>& copy = data_[i];
    // A buffer shorter than the count (never the case in a consistent record set) leaves the
    // remaining samples missing rather than reading past it.
    const size_t from = std::min(source.size(), static_cast<size_t>(count_));
    const size_t to = std::min(source.size(), static_cast<size_t>(rows));
    copy.insert(copy.end(), source.begin() + static_cast<std::ptrdiff_t>(from),
                source.begin() + static_cast<std::ptrdiff_t>(to));
    copy.resize(static_cast<size_t>(rows), RecordSet::NoData);
  }
  count_ = rows;
}

QString DataListModel::Line(int32_t k) const {
  if (k < 1 || k > count_) return QString();
  QString line;
  line.reserve(48);
  for (size_t i = 0; i < data_.size(); ++i) {
    if (i > 0) line += QLatin1Char(' ');
    if (!used_[i]) {
      line += kUnusedField;
      continue;
    }
    const float v = data_[i][static_cast<size_t>(k - 1)];
    line += (v == RecordSet::NoData) ? noDataField_ : FormatValue(v);
  }
  return line;
}

QString DataListModel::Row(int32_t k) const {
  if (k < 1 || k > count_) return QString();
  QString row = QStringLiteral("%1 %2 ")
                    .arg(k, 6)
                    .arg(SampleTimeText(k, interval_), kLeadColumns - 8)
                    .append(Line(k));
  const auto first = std::lower_bound(marks_.begin(), marks_.end(), k,
                                      [](const Mark& m, int32_t s) { return m.sample < s; });
  for (auto it = first; it != marks_.end() && it->sample == k; ++it) {
    row += QStringLiteral("  \u25C6%1 %2").arg(it->number).arg(it->text.simplified());
  }
  return row;
}

void DataListModel::SetMarks(const std::vector<Mark>& marks) {
  marks_ = marks;
  if (count_ > 0) emit dataChanged(index(0), index(count_ - 1));
}

void DataListModel::AddMark(const std::vector<Mark>& marks, int32_t sample) {
  marks_ = marks;
  if (sample >= 1 && sample <= count_) emit dataChanged(index(sample - 1), index(sample - 1));
}

int DataListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : count_;
}

QVariant DataListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.column() != 0) return QVariant();
  const int32_t k = index.row() + 1;
  if (role == Qt::DisplayRole) return Row(k);
  if (role == Qt::BackgroundRole) {
    // A marked sample's row stands out.
    const bool marked =
        std::binary_search(marks_.begin(), marks_.end(), k,
                           [](const auto& a, const auto& b) { return SampleOf(a) < SampleOf(b); });
    if (marked) return QColor(240, 225, 250);
  }
  return QVariant();
}

void DataListModel::Clear() {
  beginResetModel();
  for (auto& d : data_) d.clear();
  count_ = 0;
  marks_.clear();
  endResetModel();
}

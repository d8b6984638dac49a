#include "dialogs/data_list_model.h"

#include <algorithm>

#include "core/module_data.h"
#include "core/number_text.h"

const QString DataListModel::kNoDataField = QStringLiteral("      \u3000\u3000");
const QString DataListModel::kNoDataFieldRebuild = QStringLiteral("     \u3000 \u3000");
const QString DataListModel::kUnusedField = QStringLiteral("     \u3000\u3000");

DataListModel::DataListModel(QObject* parent) : QAbstractListModel(parent) {}

void DataListModel::Load(const ModuleData& md, const QString& noDataField) {
  beginResetModel();
  count_ = std::max<int32_t>(md.Record.SampleCount, 0);
  noDataField_ = noDataField;
  for (size_t i = 0; i < data_.size(); ++i) {
    const UnitRecord& unit = md.Record.Units[i];
    used_[i] = unit.MflagID;
    std::vector<float>& copy = data_[i];
    copy.clear();
    if (!unit.MflagID) continue;
    // A buffer shorter than the count (never the case in a consistent record set) leaves the
    // remaining samples missing rather than reading past it.
    const size_t n = std::min(unit.Data.size(), static_cast<size_t>(count_));
    copy.assign(unit.Data.begin(), unit.Data.begin() + static_cast<std::ptrdiff_t>(n));
    copy.resize(static_cast<size_t>(count_), RecordSet::NoData);
  }
  endResetModel();
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

int DataListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : count_;
}

QVariant DataListModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || index.column() != 0) return QVariant();
  return Line(index.row() + 1);
}

void DataListModel::Clear() {
  beginResetModel();
  for (auto& d : data_) d.clear();
  count_ = 0;
  endResetModel();
}

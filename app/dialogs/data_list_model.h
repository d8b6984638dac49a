// The lines of the data list window: one per sample, the four units' fields joined by single
// spaces. The model keeps its own copy of the record set (values and use flags) taken when it is
// loaded, and formats a line only when the view asks for it, so that a list of 88000 samples opens
// at once and keeps showing the record set as it was when it was loaded.
#pragma once

#include <QAbstractListModel>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

#include "core/record_set.h"

class ModuleData;

class DataListModel : public QAbstractListModel {
  Q_OBJECT

 public:
  // Field of a used unit whose sample is missing, as the window fills its list when it opens.
  static const QString kNoDataField;
  // Field of a used unit whose sample is missing, as the main window rebuilds the list.
  static const QString kNoDataFieldRebuild;
  // Field of a unit that is not used.
  static const QString kUnusedField;

  explicit DataListModel(QObject* parent = nullptr);

  // Takes a copy of samples 1 to SampleCount of the record set; noDataField is the field text
  // for a used unit's missing sample. Views are told that every line changed.
  void Load(const ModuleData& md, const QString& noDataField);
  // As Load, but only samples 1 to rows of the record set (those every used unit has reached,
  // while a measurement still fills the others).
  void Load(const ModuleData& md, const QString& noDataField, int32_t rows);
  // Appends copies of the record set's samples after the last line up to sample rows, keeping
  // the lines, the interval and the marks already held; views are told of the new lines only.
  // Nothing when rows does not go past the last line.
  void Append(const ModuleData& md, int32_t rows);

  // No lines.
  void Clear();

  // Line of sample k (1-based): the units' fields.
  QString Line(int32_t k) const;
  // What the list shows of sample k: its number and elapsed seconds before the line (so that a
  // row can be found by either), and the texts of its marks after it.
  QString Row(int32_t k) const;
  // The marks shown, replacing those of the record set when it was loaded (a mark set since).
  void SetMarks(const std::vector<Mark>& marks);
  // The marks shown become marks, which differ from those held only by one more mark: only its
  // line is told to change.
  void AddMark(const std::vector<Mark>& marks, int32_t sample);
  // Columns of the number and the elapsed time before the units' fields, their separator included.
  static constexpr int kLeadColumns = 18;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

 private:
  // Copies samples count_ + 1 to rows of the used units' buffers into data_.
  void CopySamples(const ModuleData& md, int32_t rows);

  std::array<bool, 4> used_{};
  std::array<std::vector<float>, 4> data_;
  int32_t count_ = 0;
  int32_t interval_ = 0;
  std::vector<Mark> marks_;  // in sample order
  QString noDataField_;
};

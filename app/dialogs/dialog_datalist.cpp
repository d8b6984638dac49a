#include "dialogs/dialog_datalist.h"

#include <QCloseEvent>
#include <QFont>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

#include "core/module_data.h"
#include "dialogs/data_list_model.h"

namespace {

// A fixed-pitch face in which an ideographic space takes two columns, so that the fields of a
// missing value line up with the value fields. At 9 points a column is 6 pixels, so a field with
// its separator spans the 1000 twips between two column headings.
QFont ListFont() {
  QFont listFont(QStringLiteral("IPAGothic"), 9);
  // Drawn from the outlines: the face's small embedded bitmaps make a period look like a comma.
  listFont.setHintingPreference(QFont::PreferNoHinting);
  listFont.setStyleHint(QFont::Monospace);
  listFont.setFixedPitch(true);
  return listFont;
}

// The samples that every used unit of the record set has reached: while a unit-paced measurement
// runs, the count goes with the unit furthest ahead and the others' slots are not yet filled.
int32_t CompleteRows(const ModuleData& md) {
  int32_t rows = md.Record.SampleCount;
  if (!md.Measuring) return rows;
  for (const UnitRecord& unit : md.Record.Units) {
    if (unit.MflagID) rows = std::min(rows, unit.DataCount);
  }
  return rows;
}

}  // namespace

DialogDatalist::DialogDatalist(const ModuleData& md, QPushButton* cmdDisp, QWidget* parent)
    : QDialog(parent), cmdDisp_(cmdDisp) {
  setAttribute(Qt::WA_DeleteOnClose);
  setModal(false);
  setWindowTitle(QStringLiteral("データ表示"));

  const QFont listFont = ListFont();
  const int column = QFontMetrics(listFont).horizontalAdvance(QLatin1Char('0'));
  QHBoxLayout* countRow = BuildCountRow();
  BuildList(listFont, column);
  QWidget* headings = BuildHeadings(column);
  QHBoxLayout* buttonRow = BuildCloseRow();

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(countRow);
  layout->addWidget(headings);
  layout->addWidget(List1, 1);
  layout->addLayout(buttonRow);

  // Load: the count and the lines of the record set as it is now.
  model_->Load(md, DataListModel::kNoDataField, CompleteRows(md));
  lblDataNum->setText(QString::number(model_->rowCount()));
  List1->clearSelection();
  List1->scrollToTop();
}

QHBoxLayout* DialogDatalist::BuildCountRow() {
  Label1 = new QLabel(QStringLiteral("データ数"), this);
  lblDataNum = new QLabel(this);
  lblDataNum->setMinimumWidth(80);
  auto* countRow = new QHBoxLayout;
  countRow->addWidget(Label1);
  countRow->addWidget(lblDataNum);
  countRow->addStretch();
  return countRow;
}

void DialogDatalist::BuildList(const QFont& listFont, int column) {
  model_ = new DataListModel(this);
  List1 = new QListView(this);
  List1->setFont(listFont);
  List1->setUniformItemSizes(true);  // no per-line measuring: 88000 lines open at once
  List1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  List1->setSelectionMode(QAbstractItemView::SingleSelection);
  List1->setModel(model_);
  List1->setMinimumSize(column * (44 + DataListModel::kLeadColumns) + 24, 300);
}

// Column headings over the value fields (ten columns each, one apart; a field and its separator
// span the 1000 twips between two headings), right-aligned like the values under them. The lines
// start after the list's frame and the margin of its items.
QWidget* DialogDatalist::BuildHeadings(int column) {
  auto* headings = new QWidget(this);
  const int textLeft = List1->frameWidth() +
                       List1->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, List1) +
                       1;
  // The sample number (six columns) and the elapsed seconds (ten) lead each line.
  const QString lead[2] = {QStringLiteral("No."), QStringLiteral("経過(秒)")};
  for (int c = 0; c < 2; ++c) {
    QLabel* heading = new QLabel(lead[c], headings);
    heading->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    heading->setGeometry(textLeft + c * 7 * column, 0, (c == 0 ? 6 : 10) * column,
                         heading->sizeHint().height());
  }
  const int valuesLeft = textLeft + DataListModel::kLeadColumns * column;
  for (int i = 0; i < 4; ++i) {
    QLabel* heading = new QLabel(QStringLiteral("ID%1").arg(i), headings);
    heading->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    heading->setGeometry(valuesLeft + i * 11 * column, 0, 10 * column,
                         heading->sizeHint().height());
    Label2[static_cast<size_t>(i)] = heading;
  }
  headings->setMinimumHeight(Label2[0]->height());
  return headings;
}

QHBoxLayout* DialogDatalist::BuildCloseRow() {
  OKButton = new QPushButton(QStringLiteral("閉じる"), this);
  OKButton->setAutoDefault(false);
  connect(OKButton, &QPushButton::clicked, this, &DialogDatalist::OKButton_Click);
  auto* buttonRow = new QHBoxLayout;
  buttonRow->addStretch();
  buttonRow->addWidget(OKButton);
  return buttonRow;
}

DialogDatalist::~DialogDatalist() {
  Form_Unload();
}

void DialogDatalist::Clear() {
  lblDataNum->setText(QStringLiteral(" "));
  lblDataNum->repaint();
  model_->Clear();
}

void DialogDatalist::Reload(const ModuleData& md) {
  model_->Load(md, DataListModel::kNoDataFieldRebuild);
  // The label names the last sample listed; an empty record set lists none and leaves it.
  if (md.Record.SampleCount >= 1) lblDataNum->setText(QString::number(md.Record.SampleCount));
  update();
  const int rows = model_->rowCount();
  if (rows < 1) return;
  const QModelIndex last = model_->index(rows - 1, 0);
  List1->selectionModel()->setCurrentIndex(last, QItemSelectionModel::ClearAndSelect);
  List1->scrollTo(last);
}

void DialogDatalist::Follow(const ModuleData& md, int32_t rows) {
  if (rows <= model_->rowCount()) return;
  const QScrollBar* bar = List1->verticalScrollBar();
  const bool atEnd = bar->value() == bar->maximum();
  model_->Append(md, rows);
  lblDataNum->setText(QString::number(model_->rowCount()));
  if (atEnd) List1->scrollToBottom();
}

void DialogDatalist::ShowMark(const ModuleData& md, const Mark& mark) {
  model_->AddMark(md.Record.Marks, mark.sample);
}

void DialogDatalist::StartOver(const ModuleData& md) {
  model_->Load(md, DataListModel::kNoDataField, CompleteRows(md));
  lblDataNum->setText(QString::number(model_->rowCount()));
  List1->scrollToTop();
}

void DialogDatalist::OKButton_Click() {
  close();
}

void DialogDatalist::done(int result) {
  Form_Unload();
  QDialog::done(result);
}

void DialogDatalist::closeEvent(QCloseEvent* event) {
  Form_Unload();
  QDialog::closeEvent(event);
}

void DialogDatalist::Form_Unload() {
  if (unloaded_) return;
  unloaded_ = true;
  if (cmdDisp_) cmdDisp_->setEnabled(true);
}

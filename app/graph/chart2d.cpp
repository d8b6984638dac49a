#include "graph/chart2d.h"

#include <qcustomplot.h>

// The chart writes the curve storage of QCPDataContainer (mData, mPreallocSize) and holds the plot
// through its replot guard (mReplotting): protected members that only the 2.1 series has in this
// form. Another version must be checked against them before it is used.
#if !defined(QCUSTOMPLOT_VERSION) || QCUSTOMPLOT_VERSION < 0x020100 || \
    QCUSTOMPLOT_VERSION >= 0x020200
#error "The chart relies on the internals of QCustomPlot 2.1.x; check them before changing version"
#endif

#include <QFile>
#include <QPainter>
#include <QPicture>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <limits>

#include "graph/chart_curves.h"

// The curve data of one series. The chart keeps the keys in ascending order itself, so it writes
// the storage directly: truncating and appending never search, sort or merge.
class ChartCurveData : public QCPGraphDataContainer {
 public:
  void Truncate(int n) { mData.resize(mPreallocSize + n); }
  // Room for n entries, growing geometrically: a sync that appends one point must not copy all.
  void Reserve(int n) {
    const qsizetype need = mPreallocSize + n;
    if (need > mData.capacity()) mData.reserve(std::max(need, 2 * mData.capacity()));
  }
  void Append(double key, double value) { mData.append(QCPGraphData(key, value)); }
  // Room for n entries that is already written once, so that filling it later takes no new pages
  // from the system.
  void Prefault(int n) {
    const qsizetype size = mData.size();
    Reserve(n);
    mData.resize(mPreallocSize + n);
    mData.resize(size);
  }
  double KeyAt(int i) const { return mData.at(mPreallocSize + i).key; }
  // The entries, from the first one.
  const QCPGraphData* Entries() const { return mData.constData() + mPreallocSize; }
};

namespace {

// The plot, held still while the chart's redrawing is suspended: a replot it would start by itself
// (the first one after construction, one after a resize) then leaves the picture as it is.
class ChartPlot : public QCustomPlot {
 public:
  using QCustomPlot::QCustomPlot;
  void SetHeld(bool held) { mReplotting = held; }
};

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Equal values, NaN equal to NaN: rewriting what is stored changes nothing.
bool SameValue(double a, double b) {
  return a == b || (std::isnan(a) && std::isnan(b));
}

QColor SeriesColour(int index) {
  static const QColor kColours[] = {QColor(0, 0, 230), QColor(220, 0, 0), QColor(0, 150, 0),
                                    QColor(200, 0, 200)};
  return kColours[index % 4];
}

int AxisIndex(Chart2D::Axis axis) {
  return axis == Chart2D::Axis::X ? 0 : 1;
}

}  // namespace

Chart2D::Chart2D(QWidget* parent) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  plot_ = new ChartPlot(this);
  layout->addWidget(plot_);

  // Header above the axis rect, then the Y title, upright at the left above the axis (a title
  // along the axis would lie on its side), the axis rect, and the legend below it in one row.
  plot_->plotLayout()->insertRow(0);
  plot_->plotLayout()->insertRow(1);
  header_ = new QCPTextElement(plot_, QString());
  QFont headerFont = header_->font();
  headerFont.setBold(true);
  header_->setFont(headerFont);
  plot_->plotLayout()->addElement(0, 0, header_);
  titleY_ = new QCPTextElement(plot_, QString());
  titleY_->setTextFlags(Qt::AlignLeft | Qt::AlignVCenter);
  titleY_->setMargins(QMargins(8, 0, 0, 0));
  plot_->plotLayout()->addElement(1, 0, titleY_);
  plot_->axisRect()->insetLayout()->take(plot_->legend);
  plot_->plotLayout()->addElement(3, 0, plot_->legend);
  plot_->plotLayout()->setRowStretchFactor(1, 0.001);
  plot_->plotLayout()->setRowStretchFactor(3, 0.001);

  // Tick labels as plain numbers: long records reach a million seconds, which the plot would
  // otherwise write as a power of ten.
  for (QCPAxis* axis : {plot_->xAxis, plot_->yAxis}) {
    axis->setNumberFormat(QStringLiteral("g"));
    axis->setNumberPrecision(10);
  }
  plot_->legend->setFillOrder(QCPLayoutGrid::foColumnsFirst);
  plot_->legend->setBorderPen(Qt::NoPen);
  plot_->legend->setVisible(true);

  // Curves are drawn without antialiasing: with tens of thousands of points it is the costly part.
  plot_->setNotAntialiasedElements(QCP::aePlottables);
  // The lines live on a layer that is never drawn; the curve layer below the items draws them,
  // keeping its picture between repaints.
  plot_->addLayer(QStringLiteral("curvedata"));
  plot_->layer(QStringLiteral("curvedata"))->setVisible(false);
  plot_->addLayer(QStringLiteral("curves"), plot_->layer(QStringLiteral("main")),
                  QCustomPlot::limBelow);
  curveLayer_ = new ChartCurveLayer(plot_, QStringLiteral("curves"));
  axisMin_[0] = plot_->xAxis->range().lower;
  axisMax_[0] = plot_->xAxis->range().upper;
  axisMin_[1] = plot_->yAxis->range().lower;
  axisMax_[1] = plot_->yAxis->range().upper;

  // Curves are brought up to date before any replot, also one the plot starts by itself.
  connect(plot_, &QCustomPlot::beforeReplot, this, [this] {
    if (!redrawSuspended_) SyncCurves();
  });
  connect(plot_, &QCustomPlot::afterReplot, this, [this] { ++repaintCount_; });
  ConnectPointer();
}

Chart2D::~Chart2D() = default;

// ---- repainting ----

void Chart2D::SetRedrawSuspended(bool suspended) {
  if (suspended == redrawSuspended_) return;
  redrawSuspended_ = suspended;
  static_cast<ChartPlot*>(plot_)->SetHeld(suspended);
  if (suspended) return;
  if (dataUpdateDepth_ > 0) {
    repaintDue_ = true;  // the end of the batch repaints
    return;
  }
  Repaint();
}

void Chart2D::BeginDataUpdate() {
  ++dataUpdateDepth_;
}

void Chart2D::EndDataUpdate() {
  if (dataUpdateDepth_ == 0) return;
  if (--dataUpdateDepth_ == 0 && repaintDue_ && !redrawSuspended_) Repaint();
}

void Chart2D::Flush() {
  if (repaintDue_ && !redrawSuspended_) Repaint();
}

void Chart2D::RequestRepaint() {
  repaintDue_ = true;
  if (redrawSuspended_ || dataUpdateDepth_ > 0 || repaintQueued_) return;
  repaintQueued_ = true;
  QMetaObject::invokeMethod(this, &Chart2D::OnQueuedRepaint, Qt::QueuedConnection);
}

void Chart2D::OnQueuedRepaint() {
  repaintQueued_ = false;
  // A batch still open repaints at its end; a suspended chart on resume.
  if (dataUpdateDepth_ == 0) Flush();
}

void Chart2D::Repaint() {
  repaintDue_ = false;
  SyncCurves();
  plot_->replot(QCustomPlot::rpQueuedRefresh);
}

// ---- series, labels, style ----

Chart2D::Series* Chart2D::SeriesAt(int series) {
  if (series < 1 || series > static_cast<int>(series_.size())) return nullptr;
  return &series_[series - 1];
}

const Chart2D::Series* Chart2D::SeriesAt(int series) const {
  if (series < 1 || series > static_cast<int>(series_.size())) return nullptr;
  return &series_[series - 1];
}

void Chart2D::SetNumSeries(int count) {
  count = std::max(0, count);
  const int old = static_cast<int>(series_.size());
  if (count == old) return;
  for (int i = old - 1; i >= count; --i) {
    plot_->removeGraph(series_[i].graph);
    plot_->removeGraph(series_[i].marks);
  }
  series_.resize(count);
  for (int i = old; i < count; ++i) {
    Series& s = series_[i];
    s.graph = new ChartGraph(plot_->xAxis, plot_->yAxis);
    s.graph->setLayer(QStringLiteral("curvedata"));
    QPen pen(SeriesColour(i));
    pen.setWidth(1);
    s.graph->setPen(pen);
    s.graph->setLineStyle(QCPGraph::lsLine);
    s.graph->setAdaptiveSampling(true);
    s.graph->setAntialiased(false);
    QSharedPointer<ChartCurveData> data(new ChartCurveData);
    s.curve = data.data();
    s.graph->setData(data);
    s.marks = new ChartGraph(plot_->xAxis, plot_->yAxis);
    s.marks->setLayer(QStringLiteral("curvedata"));
    s.marks->setPen(pen);
    s.marks->setLineStyle(QCPGraph::lsNone);
    s.marks->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, 5));
    s.marks->removeFromLegend();
    QSharedPointer<ChartCurveData> marks(new ChartCurveData);
    s.markData = marks.data();
    s.marks->setData(marks);
  }
  std::vector<ChartGraph*> lines;
  for (const Series& s : series_) {
    lines.push_back(static_cast<ChartGraph*>(s.graph));
    lines.push_back(static_cast<ChartGraph*>(s.marks));
  }
  curveLayer_->SetGraphs(std::move(lines));
  ResizeSharedX();
  ApplyLabels();
  RequestRepaint();
}

QCPGraph* Chart2D::Curve(int series) const {
  const Series* s = SeriesAt(series);
  return s ? s->graph : nullptr;
}

int Chart2D::NumSeries() const {
  return static_cast<int>(series_.size());
}

void Chart2D::SetSeriesStyle(int series, int attribute1, int attribute2) {
  Series* s = SeriesAt(series);
  if (!s) return;
  s->style1 = attribute1;
  s->style2 = attribute2;
}

std::pair<int, int> Chart2D::SeriesStyle(int series) const {
  const Series* s = SeriesAt(series);
  return s ? std::make_pair(s->style1, s->style2) : std::make_pair(0, 0);
}

void Chart2D::ClearSeriesLabels() {
  if (labels_.isEmpty()) return;
  labels_.clear();
  ApplyLabels();
  RequestRepaint();
}

void Chart2D::AddSeriesLabel(const QString& label) {
  labels_.append(label);
  ApplyLabels();
  RequestRepaint();
}

QStringList Chart2D::SeriesLabels() const {
  return labels_;
}

void Chart2D::ApplyLabels() {
  // Label k names series k; a series without a label stays out of the legend.
  for (int i = 0; i < static_cast<int>(series_.size()); ++i) {
    QCPGraph* g = series_[i].graph;
    if (i < labels_.size()) {
      g->setName(labels_[i]);
      g->addToLegend();
    } else {
      g->setName(QString());
      g->removeFromLegend();
    }
  }
}

// ---- axes and texts ----

void Chart2D::SetAxisRange(Axis axis, double min, double max) {
  const int a = AxisIndex(axis);
  if (SameValue(axisMin_[a], min) && SameValue(axisMax_[a], max)) return;
  axisMin_[a] = min;
  axisMax_[a] = max;
  ApplyAxisRange(axis);
  RequestRepaint();
}

void Chart2D::ApplyAxisRange(Axis axis) {
  const int a = AxisIndex(axis);
  QCPAxis* qa = axis == Axis::X ? plot_->xAxis : plot_->yAxis;
  // A range of zero width cannot be shown; the axis then keeps its previous range.
  if (QCPRange::validRange(axisMin_[a], axisMax_[a])) qa->setRange(axisMin_[a], axisMax_[a]);
}

double Chart2D::AxisMin(Axis axis) const {
  return axisMin_[AxisIndex(axis)];
}
double Chart2D::AxisMax(Axis axis) const {
  return axisMax_[AxisIndex(axis)];
}

void Chart2D::SetAxisTitle(Axis axis, const QString& title) {
  if (AxisTitle(axis) == title) return;
  if (axis == Axis::X) {
    plot_->xAxis->setLabel(title);
  } else {
    titleY_->setText(title);
  }
  RequestRepaint();
}

QString Chart2D::AxisTitle(Axis axis) const {
  return axis == Axis::X ? plot_->xAxis->label() : titleY_->text();
}

void Chart2D::SetHeaderText(const QString& text) {
  if (header_->text() == text) return;
  header_->setText(text);
  RequestRepaint();
}

QString Chart2D::HeaderText() const {
  return header_->text();
}

void Chart2D::SetHeaderAppearance(int value) {
  headerAppearance_ = value;
}

// ---- points ----

void Chart2D::MarkDirty(Series& s, int index) {
  if (index < s.firstDirty) s.firstDirty = index;
  RequestRepaint();
}

void Chart2D::ResizeSharedX() {
  size_t longest = 0;
  for (const Series& s : series_) longest = std::max(longest, s.y.size());
  if (longest != x_.size()) x_.resize(longest, kNaN);
}

void Chart2D::ChangePointCount(int series, int count) {
  Series* s = SeriesAt(series);
  if (!s) return;
  const int n = std::max(0, count);
  const int old = static_cast<int>(s->y.size());
  if (n == old) return;
  s->y.resize(n, kNaN);
  MarkDirty(*s, std::min(old, n));
  ResizeSharedX();
}

int Chart2D::PointCount(int series) const {
  const Series* s = SeriesAt(series);
  return s ? static_cast<int>(s->y.size()) : 0;
}

void Chart2D::ChangePointX(int k, double x) {
  if (k < 1 || k > static_cast<int>(x_.size())) return;
  const int i = k - 1;
  if (SameValue(x_[i], x)) return;
  x_[i] = x;
  for (Series& s : series_) {
    if (i < static_cast<int>(s.y.size())) MarkDirty(s, i);
  }
}

std::optional<double> Chart2D::PointX(int k) const {
  if (k < 1 || k > static_cast<int>(x_.size()) || std::isnan(x_[k - 1])) return std::nullopt;
  return x_[k - 1];
}

void Chart2D::ChangePointY(int series, int k, double y) {
  Series* s = SeriesAt(series);
  if (!s || k < 1 || k > static_cast<int>(s->y.size())) return;
  double& stored = s->y[k - 1];
  if (SameValue(stored, y)) return;
  stored = y;
  MarkDirty(*s, k - 1);
}

std::optional<double> Chart2D::PointY(int series, int k) const {
  const Series* s = SeriesAt(series);
  if (!s || k < 1 || k > static_cast<int>(s->y.size()) || std::isnan(s->y[k - 1])) {
    return std::nullopt;
  }
  return s->y[k - 1];
}

// ---- curves ----

void Chart2D::SyncCurves() {
  bool any = false;
  for (const Series& s : series_) any = any || s.firstDirty != kClean;
  if (!any) return;
  // Points before the first X have no place on the time axis and no curve entry.
  int lead = 0;
  while (lead < static_cast<int>(x_.size()) && std::isnan(x_[lead])) ++lead;
  for (Series& s : series_) {
    if (s.firstDirty != kClean || s.curveLead != lead) SyncCurve(s, lead);
  }
}

namespace {

// Capacity for n values, written once so that its pages are resident before a measurement fills
// it: memory then stays flat while the record set grows.
void PrefaultValues(std::vector<double>& v, size_t n) {
  const size_t size = v.size();
  if (n <= size) return;
  v.resize(n, kNaN);
  v.resize(size);
}

}  // namespace

void Chart2D::ReservePoints(int count) {
  if (count <= 0) return;
  PrefaultValues(x_, static_cast<size_t>(count));
  for (Series& s : series_) {
    PrefaultValues(s.y, static_cast<size_t>(count));
    s.curve->Prefault(count);
  }
}

// Curve entry i of a series is point lead + i: its X as key, and its Y as value, or NaN (a gap in
// the line) when the point has no Y or no X. A point without X takes the key of the point before
// it, so the keys stay in ascending order. Only entries from the first stale point on are built
// again; appending new points only appends.
void Chart2D::SyncCurve(Series& s, int lead) {
  ChartCurveData& curve = *s.curve;
  const int n = static_cast<int>(s.y.size());
  const int target = std::max(0, n - lead);
  int from = 0;
  if (s.curveOrdered && s.curveLead == lead) {
    from = std::clamp(s.firstDirty == kClean ? target : s.firstDirty - lead, 0, curve.size());
  }
  curve.Truncate(from);
  curve.Reserve(target);
  double prevKey = from > 0 ? curve.KeyAt(from - 1) : -std::numeric_limits<double>::infinity();
  bool ordered = true;
  const int xCount = static_cast<int>(x_.size());
  for (int i = from; i < target; ++i) {
    const int p = lead + i;
    const double x = p < xCount ? x_[p] : kNaN;
    double key = x;
    double value = s.y[p];
    if (std::isnan(x)) {
      key = prevKey;
      value = kNaN;
    } else if (x < prevKey) {
      ordered = false;
    }
    curve.Append(key, value);
    prevKey = key;
  }
  // X values that go back in time: the curve is sorted by key and built whole from now on.
  if (!ordered) curve.sort();
  // The line changes from the entry before the first one built again.
  const double inf = std::numeric_limits<double>::infinity();
  curveLayer_->NoteChangeFrom(ordered && from > 0 ? curve.KeyAt(from - 1) : -inf);
  SyncLonePoints(s, ordered ? from : 0);
  s.curveOrdered = ordered;
  s.curveLead = lead;
  s.firstDirty = kClean;
}

// A curve entry with a value whose neighbours have none is drawn as a marker: the line alone
// would not show it (the first sample of a record set, a value between two gaps). Entries from
// `from` on changed, and the entry before them may have gained or lost a neighbour.
void Chart2D::SyncLonePoints(Series& s, int from) {
  const int size = s.curve->size();
  const QCPGraphData* entry = s.curve->Entries();
  const int recheck = std::max(0, std::min(from, size) - 1);
  s.lone.erase(std::lower_bound(s.lone.begin(), s.lone.end(), recheck), s.lone.end());
  s.markData->Truncate(static_cast<int>(s.lone.size()));
  const auto hasValue = [entry, size](int i) {
    return i >= 0 && i < size && !std::isnan(entry[i].value);
  };
  for (int i = recheck; i < size; ++i) {
    if (!hasValue(i) || hasValue(i - 1) || hasValue(i + 1)) continue;
    s.lone.push_back(i);
    s.markData->Append(entry[i].key, entry[i].value);
  }
}

// ---- rendering ----

namespace {

// Paints the plot into a picture at `size`, or without one at the size it is shown (a chart not
// shown yet: the size it was given); returns the size painted. For paper, lines drawn one screen
// dot wide whatever the scale (axes, grid) get the width of a dot of the picture instead: on a
// printer they would be one printer dot, too thin to see.
QSize PaintPlot(const QWidget& chart, QCustomPlot* plot, QPicture& picture, QSize size = QSize(),
                bool paper = false) {
  if (size.isEmpty()) size = chart.isVisible() ? plot->viewport().size() : chart.size();
  if (size.width() < 1 || size.height() < 1) size = QSize(800, 500);
  QCPPainter painter(&picture);
  painter.setMode(QCPPainter::pmVectorized);
  painter.setMode(QCPPainter::pmNonCosmetic, paper);
  plot->toPainter(&painter, size.width(), size.height());
  painter.end();
  picture.setBoundingRect(QRect(QPoint(0, 0), size));
  return size;
}

// Gives series i of the plot the line style i of paper while it lives, and the screen's back.
class PaperLines {
 public:
  explicit PaperLines(const std::vector<QCPGraph*>& curves) : curves_(curves) {
    static const Qt::PenStyle kStyles[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine,
                                           Qt::DashDotLine};
    for (size_t i = 0; i < curves_.size(); ++i) {
      QPen pen = curves_[i]->pen();
      pen.setStyle(kStyles[i % 4]);
      curves_[i]->setPen(pen);
    }
  }
  ~PaperLines() {
    for (QCPGraph* curve : curves_) {
      QPen pen = curve->pen();
      pen.setStyle(Qt::SolidLine);
      curve->setPen(pen);
    }
  }
  PaperLines(const PaperLines&) = delete;
  PaperLines& operator=(const PaperLines&) = delete;

 private:
  std::vector<QCPGraph*> curves_;
};

}  // namespace

void Chart2D::RenderTo(QPainter& painter, const QRectF& target) {
  if (!redrawSuspended_) SyncCurves();
  QPicture picture;
  const QSize size = PaintPlot(*this, plot_, picture);
  painter.save();
  painter.translate(target.topLeft());
  painter.scale(target.width() / size.width(), target.height() / size.height());
  painter.drawPicture(0, 0, picture);
  painter.restore();
}

bool Chart2D::RenderToFile(const QString& path, const QSize& size, Look look) {
  if (!redrawSuspended_) SyncCurves();
  QPicture picture;
  {
    std::vector<QCPGraph*> curves;
    if (look == Look::Paper) {
      for (const Series& s : series_) curves.push_back(s.graph);
    }
    const PaperLines paper(curves);
    PaintPlot(*this, plot_, picture, size, look == Look::Paper);
  }
  return picture.save(path);
}

// The time graph component: one chart group of series whose points are numbered from 1 and share
// their X values, two axes "X" and "Y" with displayed ranges and titles, a header and a legend of
// the series labels. Drawn with QCustomPlot.
//
// Point writes are cheap: they change the component's own arrays, and the curves are rebuilt
// from them at most once per repaint, from the first point that changed. Changes made while
// neither redrawing nor data updates are suspended ask for one repaint on the next pass of the
// event loop; Flush() repaints at once when one is due.
//
// The operator's pointer and keys over the plot are reported as signals in axis values (seconds on
// X, the unit of the values on Y); what they do to the view is the owner's decision. The chart
// itself never moves its axes on input.
#pragma once

#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

class QCustomPlot;
class QCPGraph;
class QCPItemStraightLine;
class QCPItemText;
class QCPTextElement;
class ChartCurveData;
class ChartCurveLayer;
class QKeyEvent;
class QMouseEvent;
class QWheelEvent;

class Chart2D : public QWidget {
  Q_OBJECT

 public:
  enum class Axis { X, Y };

  explicit Chart2D(QWidget* parent = nullptr);
  ~Chart2D() override;

  // Redrawing of the whole chart: no repaint while suspended, one repaint on resume.
  void SetRedrawSuspended(bool suspended);
  bool IsRedrawSuspended() const { return redrawSuspended_; }
  // Data updates: a batch of point changes between begin and end shows at once.
  void BeginDataUpdate();
  void EndDataUpdate();

  void SetNumSeries(int count);
  // Sets aside room for `count` points in every series, so that filling a record set of that size
  // later allocates nothing.
  void ReservePoints(int count);
  int NumSeries() const;
  // The two drawing attributes of series s (1-based). Every series is drawn with the same solid
  // line whatever the attributes; they are kept and read back as written.
  void SetSeriesStyle(int series, int attribute1, int attribute2);
  std::pair<int, int> SeriesStyle(int series) const;

  void ClearSeriesLabels();
  void AddSeriesLabel(const QString& label);
  QStringList SeriesLabels() const;

  // The displayed range, read back as written. A range of zero width cannot be shown: the axis
  // keeps showing its previous range.
  void SetAxisRange(Axis axis, double min, double max);
  double AxisMin(Axis axis) const;
  double AxisMax(Axis axis) const;
  void SetAxisTitle(Axis axis, const QString& title);
  QString AxisTitle(Axis axis) const;
  void SetHeaderText(const QString& text);
  QString HeaderText() const;
  void SetHeaderAppearance(int value);
  int HeaderAppearance() const { return headerAppearance_; }

  // Points of series s (1-based). Setting the count keeps points 1..n-1 and drops those beyond n.
  // Writes to a point the series does not have are ignored. X is kept for points 1 to the count
  // of the longest series.
  void SetPointCount(int series, int count);
  int PointCount(int series) const;
  // X of point k (1-based), shared by all series.
  void SetPointX(int k, double x);
  std::optional<double> PointX(int k) const;
  void SetPointY(int series, int k, double y);
  // Removes Y of point k of series s: the point shows no value.
  void ClearPointY(int series, int k);
  // Nothing when Y of the point was never set (the line shows a gap there).
  std::optional<double> PointY(int series, int k) const;

  // How a picture draws the chart: as on the screen, or for paper, where a printer without colour
  // would make the series alike greys: each series then also has a line style of its own (solid,
  // dash, dot, dash-dot, in the legend too), and hairlines (axes, grid) get a visible width.
  enum class Look { Screen, Paper };
  // Renders the chart as currently shown into a picture file (Qt picture format, scalable);
  // false when the file cannot be written. The chart is laid out for `size` (in the picture's
  // units); an empty size takes the size shown, or for a chart not shown yet the size it was
  // given.
  bool RenderToFile(const QString& path, const QSize& size = QSize(), Look look = Look::Screen);
  // Paints the chart scaled into a rectangle of a painter (printing).
  void RenderTo(class QPainter& painter, const QRectF& target);

  // Repaints now if a repaint is due and redrawing is not suspended.
  void Flush();
  // Replots done so far, the plot's own first one after construction included (for tests and
  // benchmarks).
  int RepaintCount() const { return repaintCount_; }
  // The plot, to read from. The data of its graphs belong to the chart: replacing them breaks the
  // chart's bookkeeping.
  QCustomPlot* Plot() const { return plot_; }
  // The line of series s (1-based), to read from; null for a series the chart does not have.
  QCPGraph* Curve(int series) const;
  // The layer that draws the curves, keeping their picture between repaints.
  ChartCurveLayer* CurveLayer() const { return curveLayer_; }

  // Vertical marker lines across the plot at time x, each with a short label at its top (the
  // cursors "A" and "B"); nothing removes the line. Indices 0 and 1.
  static constexpr int kCursorLines = 2;
  void SetCursorLine(int index, std::optional<double> x, const QString& label);
  std::optional<double> CursorLine(int index) const;

  // Horizontal dashed lines across the plot at value y, in the colour of series `series`
  // (1-based): the alarm limits. Replaces the lines set before; none removes them all.
  struct LimitLine {
    int series = 1;
    double y = 0;
  };
  void SetLimitLines(const std::vector<LimitLine>& lines);
  int LimitLineCount() const { return static_cast<int>(limitLines_.size()); }

  // Solid vertical lines at time x with their label (a mark's number and short text) beside the
  // line's top: the operator's marks. Replaces the lines set before; none removes them all.
  struct MarkLine {
    double x = 0;
    QString label;
  };
  void SetMarkLines(const std::vector<MarkLine>& lines);
  int MarkLineCount() const { return static_cast<int>(markLines_.size()); }
  // The label of line i as drawn, empty for no such line.
  QString MarkLineLabel(int i) const;

  // Small triangles at the foot of the plot at time x in the colour of series `series` (1-based):
  // an alarm raised (filled) or cleared (hollow). Replaces those set before.
  struct EventMark {
    double x = 0;
    int series = 1;
    bool raised = true;
  };
  void SetEventMarks(const std::vector<EventMark>& marks);
  int EventMarkCount() const { return static_cast<int>(eventMarks_.size()); }

  // The axis value at a pixel of the plot and back, as the axes stand now.
  double PixelToValue(Axis axis, double pixel) const;
  double ValueToPixel(Axis axis, double value) const;

 signals:
  // The wheel turned over the plot at (x, y): steps > 0 away from the operator, one per notch.
  void wheelTurned(double x, double y, double steps, Qt::KeyboardModifiers modifiers);
  // A drag with the left button went on: the view would follow the pointer if shifted by (dx, dy).
  void dragged(double dx, double dy, Qt::KeyboardModifiers modifiers);
  // A left click that did not become a drag, at time x.
  void clicked(double x, Qt::KeyboardModifiers modifiers);
  void doubleClicked();
  // A right click inside the plot, at time x.
  void rightClicked(double x);
  // The pointer rests over the plot at time x (global screen position pos), or has left it.
  void hovered(double x, const QPoint& pos);
  void hoverLeft();
  // A key pressed while the chart has the focus; a receiver that acts on it sets *handled, and
  // the keys nobody takes go on to the window.
  void keyPressed(int key, Qt::KeyboardModifiers modifiers, bool* handled);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  static constexpr int kClean = 0x7fffffff;  // no stale point

  struct Series {
    std::vector<double> y;    // NaN where never set
    int firstDirty = kClean;  // index of the first point whose curve data are stale
    QCPGraph* graph = nullptr;
    ChartCurveData* curve = nullptr;  // the graph's data, owned by the graph
    // Points without a neighbour on either side draw no line; a marker of their own shows them.
    QCPGraph* marks = nullptr;
    ChartCurveData* markData = nullptr;  // owned by marks
    std::vector<int> lone;               // curve entries drawn as markers, ascending
    int curveLead = 0;                   // leading points without X when the curve was built
    bool curveOrdered = true;            // curve entry i is point curveLead + i
    int style1 = 0;
    int style2 = 0;
  };

  Series* SeriesAt(int series);
  const Series* SeriesAt(int series) const;
  void MarkDirty(Series& s, int index);
  void ChangePointCount(int series, int count);
  void ChangePointX(int k, double x);
  void ChangePointY(int series, int k, double y);
  void ResizeSharedX();
  void RequestRepaint();
  void OnQueuedRepaint();
  void Repaint();
  void SyncCurves();
  void SyncCurve(Series& s, int lead);
  void SyncLonePoints(Series& s, int from);
  void ApplyLabels();
  void ApplyAxisRange(Axis axis);
  // Pointer input (chart2d_input.cpp).
  void ConnectPointer();
  bool InPlot(const QPointF& pos) const;
  void OnMousePress(QMouseEvent* event);
  void OnMouseMove(QMouseEvent* event);
  void OnMouseRelease(QMouseEvent* event);
  void OnMouseDoubleClick(QMouseEvent* event);
  void OnWheel(QWheelEvent* event);

  QCustomPlot* plot_ = nullptr;
  QCPTextElement* header_ = nullptr;
  QCPTextElement* titleY_ = nullptr;       // the Y title, upright above the axis
  ChartCurveLayer* curveLayer_ = nullptr;  // draws the curves; owned by the plot
  std::vector<Series> series_;
  std::vector<double> x_;  // NaN where never set; as long as the longest series
  QStringList labels_;
  double axisMin_[2] = {0.0, 0.0};
  double axisMax_[2] = {0.0, 0.0};
  int headerAppearance_ = 0;
  bool redrawSuspended_ = false;
  int dataUpdateDepth_ = 0;
  bool repaintDue_ = false;
  bool repaintQueued_ = false;
  int repaintCount_ = 0;

  struct CursorLineItems {
    QCPItemStraightLine* line = nullptr;
    QCPItemText* label = nullptr;
    std::optional<double> x;
  };
  CursorLineItems cursorLines_[kCursorLines];
  std::vector<QCPItemStraightLine*> limitLines_;                          // owned by the plot
  std::vector<std::pair<QCPItemStraightLine*, QCPItemText*>> markLines_;  // owned by the plot
  std::vector<QCPItemText*> eventMarks_;                                  // owned by the plot
  // A press of the left button inside the plot, until its release.
  bool pressed_ = false;
  bool dragging_ = false;
  QPointF pressPos_;
  QPointF lastPos_;
};

// Rewriting what is stored is the common case (all points are written again on every poll), so it
// returns inline; a real change takes the out-of-line path.
inline void Chart2D::SetPointCount(int series, int count) {
  if (series >= 1 && series <= static_cast<int>(series_.size()) && count >= 0 &&
      static_cast<size_t>(count) == series_[series - 1].y.size()) {
    return;
  }
  ChangePointCount(series, count);
}

inline void Chart2D::SetPointX(int k, double x) {
  if (k >= 1 && k <= static_cast<int>(x_.size()) && x_[k - 1] == x) return;
  ChangePointX(k, x);
}

inline void Chart2D::ClearPointY(int series, int k) {
  if (series >= 1 && series <= static_cast<int>(series_.size())) {
    const std::vector<double>& v = series_[series - 1].y;
    // NaN marks a point without Y: nothing to clear (the common case on every poll).
    if (k >= 1 && k <= static_cast<int>(v.size()) && v[k - 1] != v[k - 1]) return;
  }
  ChangePointY(series, k, std::numeric_limits<double>::quiet_NaN());
}

inline void Chart2D::SetPointY(int series, int k, double y) {
  if (series >= 1 && series <= static_cast<int>(series_.size())) {
    const std::vector<double>& v = series_[series - 1].y;
    if (k >= 1 && k <= static_cast<int>(v.size()) && v[k - 1] == y) return;
  }
  ChangePointY(series, k, y);
}

#include "graph/chart_curves.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kClean = std::numeric_limits<double>::infinity();
// A changed point also changes the line from the point before it and that point's marker (a point
// without neighbours is drawn as a dot of 5 pixels): the strip starts this far left of it.
constexpr int kStripMargin = 8;

}  // namespace

void ChartGraph::DrawInto(QCPPainter* painter) {
  painter->save();
  painter->setClipRect(clipRect().translated(0, -1), Qt::IntersectClip);
  applyDefaultAntialiasingHint(painter);
  draw(painter);
  painter->restore();
}

bool ChartGraph::DrawRightOf(QCPPainter* painter, int left) {
  // From the point before the column three pixels left of `left`: the columns of points from
  // there on are whole where they reach past `left`, and so is the line into them.
  const double key = keyAxis()->pixelToCoord(left - 3);
  const auto first = static_cast<int>(data()->findBegin(key) - data()->constBegin());
  const QCPDataRange range(std::max(0, first - 1), dataCount());
  if (SamplesByPixel(range) != SamplesByPixel()) return false;
  if (keyAxis()->range().size() <= 0 || range.isEmpty()) return true;
  painter->save();
  painter->setClipRect(clipRect().translated(0, -1), Qt::IntersectClip);
  applyDefaultAntialiasingHint(painter);
  // As QCPGraph::draw draws a line without fill and without selection.
  QVector<QPointF> points;
  if (lineStyle() != lsNone) {
    getLines(&points, range);
    painter->setPen(pen());
    painter->setBrush(Qt::NoBrush);
    drawLinePlot(painter, points);
  }
  if (!scatterStyle().isNone()) {
    getScatters(&points, range);
    drawScatterPlot(painter, points, scatterStyle());
  }
  painter->restore();
  return true;
}

bool ChartGraph::SamplesByPixel(const QCPDataRange& range) const {
  if (!adaptiveSampling() || lineStyle() == lsNone || data()->isEmpty()) return false;
  QCPGraphDataContainer::const_iterator begin;
  QCPGraphDataContainer::const_iterator end;
  getVisibleDataBounds(begin, end, range);
  if (begin == end) return false;
  const double span =
      std::fabs(keyAxis()->coordToPixel(begin->key) - keyAxis()->coordToPixel((end - 1)->key));
  // As QCPGraph::getOptimizedLineData decides it.
  const double limit = 2 * span + 2;
  if (!(limit < static_cast<double>(std::numeric_limits<int>::max()))) return false;
  return end - begin >= static_cast<int>(limit);
}

ChartCurveLayer::ChartCurveLayer(QCustomPlot* plot, const QString& layer)
    : QCPLayerable(plot, layer), changedFrom_(kClean) {}

void ChartCurveLayer::SetGraphs(std::vector<ChartGraph*> graphs) {
  graphs_ = std::move(graphs);
  Invalidate();
}

void ChartCurveLayer::NoteChangeFrom(double key) {
  if (std::isnan(key)) key = -kClean;
  changedFrom_ = std::min(changedFrom_, key);
}

void ChartCurveLayer::Invalidate() {
  whole_ = true;
}

QRect ChartCurveLayer::clipRect() const {
  return mParentPlot->axisRect()->rect();
}

ChartCurveLayer::View ChartCurveLayer::CurrentView(const QCPPainter& painter) const {
  View v;
  v.area = clipRect().translated(0, -1);
  v.ratio = painter.device()->devicePixelRatioF();
  v.x = mParentPlot->xAxis->range();
  v.y = mParentPlot->yAxis->range();
  for (const ChartGraph* graph : graphs_) v.byPixel.push_back(graph->SamplesByPixel());
  return v;
}

void ChartCurveLayer::DrawLines(QCPPainter& painter, const QRect& clip, bool strip) {
  painter.setClipRect(clip);
  for (ChartGraph* graph : graphs_) {
    if (!strip || !graph->DrawRightOf(&painter, clip.left())) graph->DrawInto(&painter);
  }
}

void ChartCurveLayer::draw(QCPPainter* painter) {
  const QRect area = clipRect().translated(0, -1);
  // Exports, prints and scaled paintings draw the lines themselves.
  if (painter->modes() != QCPPainter::pmDefault ||
      painter->transform().type() > QTransform::TxTranslate || area.isEmpty()) {
    DrawLines(*painter, area, false);
    return;
  }
  const View view = CurrentView(*painter);
  if (whole_ || !(view == view_) || picture_.isNull()) {
    view_ = view;
    picture_ = QImage(area.size() * view.ratio, QImage::Format_ARGB32_Premultiplied);
    picture_.setDevicePixelRatio(view.ratio);
    DrawPicture(area);
  } else if (changedFrom_ < kClean) {
    double from = mParentPlot->xAxis->coordToPixel(changedFrom_);
    if (!std::isfinite(from)) from = area.left();
    const int left = std::max(area.left(), static_cast<int>(std::floor(from)) - kStripMargin);
    if (left <= area.right()) {
      DrawPicture(QRect(QPoint(left, area.top()), area.bottomRight()));
      ++stripRepaints_;
    }
  }
  whole_ = false;
  changedFrom_ = kClean;
  painter->drawImage(area.topLeft(), picture_);
}

void ChartCurveLayer::DrawPicture(const QRect& strip) {
  // The lines are drawn on a picture of the strip's own size: the painter then passes over every
  // line outside it at once, where a clip would still walk along their pixels.
  QImage part(strip.size() * view_.ratio, QImage::Format_ARGB32_Premultiplied);
  part.setDevicePixelRatio(view_.ratio);
  part.fill(Qt::transparent);
  {
    QCPPainter painter(&part);
    painter.translate(-strip.topLeft());
    DrawLines(painter, strip, strip != view_.area);
  }
  QPainter copy(&picture_);
  copy.setCompositionMode(QPainter::CompositionMode_Source);
  copy.drawImage(strip.topLeft() - view_.area.topLeft(), part);
}

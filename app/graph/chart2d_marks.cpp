// The chart's mark lines (solid vertical lines, each with its label beside its top) and the
// alarm events' triangles at the foot of the plot.
#include <qcustomplot.h>

#include "graph/chart2d.h"

namespace {

const QColor kMarkColour(128, 0, 160);

}  // namespace

void Chart2D::SetMarkLines(const std::vector<MarkLine>& lines) {
  if (lines.empty() && markLines_.empty()) return;
  for (auto& [line, label] : markLines_) {
    plot_->removeItem(line);
    plot_->removeItem(label);
  }
  markLines_.clear();
  for (const MarkLine& mark : lines) {
    auto* line = new QCPItemStraightLine(plot_);
    line->setPen(QPen(kMarkColour, 1, Qt::SolidLine));
    line->setSelectable(false);
    line->point1->setCoords(mark.x, 0.0);
    line->point2->setCoords(mark.x, 1.0);
    auto* label = new QCPItemText(plot_);
    label->position->setAxes(plot_->xAxis, plot_->yAxis);
    label->position->setAxisRect(plot_->axisRect());
    label->position->setTypeX(QCPItemPosition::ptPlotCoords);
    // Below the cursors' labels, which sit at the very top.
    label->position->setTypeY(QCPItemPosition::ptAxisRectRatio);
    label->position->setCoords(mark.x, 0.07);
    label->setPositionAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setPadding(QMargins(3, 0, 3, 0));
    label->setColor(kMarkColour);
    label->setBrush(QBrush(QColor(255, 255, 255, 200)));
    label->setClipToAxisRect(true);
    label->setSelectable(false);
    label->setText(mark.label);
    markLines_.emplace_back(line, label);
  }
  RequestRepaint();
}

QString Chart2D::MarkLineLabel(int i) const {
  if (i < 0 || i >= MarkLineCount()) return QString();
  return markLines_[static_cast<size_t>(i)].second->text();
}

void Chart2D::SetEventMarks(const std::vector<EventMark>& marks) {
  if (marks.empty() && eventMarks_.empty()) return;
  for (QCPItemText* item : eventMarks_) plot_->removeItem(item);
  eventMarks_.clear();
  for (const EventMark& mark : marks) {
    const QCPGraph* curve = Curve(mark.series);
    auto* item = new QCPItemText(plot_);
    item->position->setAxes(plot_->xAxis, plot_->yAxis);
    item->position->setAxisRect(plot_->axisRect());
    item->position->setTypeX(QCPItemPosition::ptPlotCoords);
    item->position->setTypeY(QCPItemPosition::ptAxisRectRatio);
    item->position->setCoords(mark.x, 1.0);
    item->setPositionAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    item->setColor(curve ? curve->pen().color() : QColor(Qt::black));
    item->setText(mark.raised ? QStringLiteral("\u25B2") : QStringLiteral("\u25B3"));
    item->setClipToAxisRect(true);
    item->setSelectable(false);
    eventMarks_.push_back(item);
  }
  RequestRepaint();
}

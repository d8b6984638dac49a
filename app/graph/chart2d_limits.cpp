// The chart's alarm limit lines: horizontal dashed lines in the colour of a series.
#include <qcustomplot.h>

#include "graph/chart2d.h"

void Chart2D::SetLimitLines(const std::vector<LimitLine>& lines) {
  if (lines.empty() && limitLines_.empty()) return;
  for (QCPItemStraightLine* line : limitLines_) plot_->removeItem(line);
  limitLines_.clear();
  for (const LimitLine& limit : lines) {
    const QCPGraph* curve = Curve(limit.series);
    auto* line = new QCPItemStraightLine(plot_);
    line->setPen(QPen(curve ? curve->pen().color() : QColor(Qt::black), 1, Qt::DashLine));
    line->setSelectable(false);
    line->point1->setCoords(0.0, limit.y);
    line->point2->setCoords(1.0, limit.y);
    limitLines_.push_back(line);
  }
  RequestRepaint();
}

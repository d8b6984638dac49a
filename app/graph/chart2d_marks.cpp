// The chart's mark lines: solid vertical lines, each with its label beside its top.
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

// The chart's pointer and keys, reported as signals in axis values, and the cursor lines drawn
// across the plot. The chart moves nothing itself: the owner decides what a wheel turn or a drag
// does to the view.
#include <qcustomplot.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

#include "graph/chart2d.h"

void Chart2D::ConnectPointer() {
  // The pointer is followed without a button pressed too, for the values under it.
  plot_->setMouseTracking(true);
  plot_->installEventFilter(this);
  // A click on the plot gives the chart the focus, so that its keys reach it.
  setFocusPolicy(Qt::StrongFocus);
  plot_->setFocusPolicy(Qt::NoFocus);
  connect(plot_, &QCustomPlot::mousePress, this, &Chart2D::OnMousePress);
  connect(plot_, &QCustomPlot::mouseMove, this, &Chart2D::OnMouseMove);
  connect(plot_, &QCustomPlot::mouseRelease, this, &Chart2D::OnMouseRelease);
  connect(plot_, &QCustomPlot::mouseDoubleClick, this, &Chart2D::OnMouseDoubleClick);
  connect(plot_, &QCustomPlot::mouseWheel, this, &Chart2D::OnWheel);

  for (int i = 0; i < kCursorLines; ++i) {
    CursorLineItems& c = cursorLines_[i];
    c.line = new QCPItemStraightLine(plot_);
    c.line->setPen(QPen(QColor(60, 60, 60), 1, Qt::DashLine));
    c.line->setVisible(false);
    c.line->setSelectable(false);
    c.label = new QCPItemText(plot_);
    c.label->setPositionAlignment(Qt::AlignHCenter | Qt::AlignTop);
    c.label->position->setAxes(plot_->xAxis, plot_->yAxis);
    c.label->position->setAxisRect(plot_->axisRect());
    c.label->position->setTypeX(QCPItemPosition::ptPlotCoords);
    c.label->position->setTypeY(QCPItemPosition::ptAxisRectRatio);
    c.label->setPadding(QMargins(2, 0, 2, 0));
    c.label->setBrush(QBrush(Qt::white));
    c.label->setVisible(false);
    c.label->setSelectable(false);
  }
}

bool Chart2D::InPlot(const QPointF& pos) const {
  return plot_->axisRect()->rect().contains(pos.toPoint());
}

double Chart2D::PixelToValue(Axis axis, double pixel) const {
  return (axis == Axis::X ? plot_->xAxis : plot_->yAxis)->pixelToCoord(pixel);
}

double Chart2D::ValueToPixel(Axis axis, double value) const {
  return (axis == Axis::X ? plot_->xAxis : plot_->yAxis)->coordToPixel(value);
}

void Chart2D::OnMousePress(QMouseEvent* event) {
  if (event->button() == Qt::RightButton && InPlot(event->position())) {
    emit rightClicked(PixelToValue(Axis::X, event->position().x()));
    return;
  }
  if (event->button() != Qt::LeftButton || !InPlot(event->position())) return;
  pressed_ = true;
  dragging_ = false;
  pressPos_ = lastPos_ = event->position();
}

void Chart2D::OnMouseMove(QMouseEvent* event) {
  const QPointF pos = event->position();
  if (!pressed_) {
    if (InPlot(pos)) {
      emit hovered(PixelToValue(Axis::X, pos.x()), event->globalPosition().toPoint());
    } else {
      emit hoverLeft();
    }
    return;
  }
  if (!dragging_) {
    // A hand that trembles while clicking still clicks.
    if ((pos - pressPos_).manhattanLength() < QApplication::startDragDistance()) return;
    dragging_ = true;
    emit hoverLeft();
  }
  const double dx = PixelToValue(Axis::X, lastPos_.x()) - PixelToValue(Axis::X, pos.x());
  const double dy = PixelToValue(Axis::Y, lastPos_.y()) - PixelToValue(Axis::Y, pos.y());
  lastPos_ = pos;
  emit dragged(dx, dy, event->modifiers());
}

void Chart2D::OnMouseRelease(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !pressed_) return;
  pressed_ = false;
  if (!dragging_) emit clicked(PixelToValue(Axis::X, pressPos_.x()), event->modifiers());
  dragging_ = false;
}

void Chart2D::OnMouseDoubleClick(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !InPlot(event->position())) return;
  // The release that follows belongs to the double click, not to a click of its own.
  pressed_ = false;
  emit doubleClicked();
}

void Chart2D::OnWheel(QWheelEvent* event) {
  const QPointF pos = event->position();
  const double steps = event->angleDelta().y() / 120.0;
  if (steps == 0 || !InPlot(pos)) return;
  emit wheelTurned(PixelToValue(Axis::X, pos.x()), PixelToValue(Axis::Y, pos.y()), steps,
                   event->modifiers());
}

void Chart2D::keyPressEvent(QKeyEvent* event) {
  bool handled = false;
  emit keyPressed(event->key(), event->modifiers(), &handled);
  if (!handled) QWidget::keyPressEvent(event);
}

bool Chart2D::eventFilter(QObject* watched, QEvent* event) {
  if (watched == plot_ && event->type() == QEvent::Leave) emit hoverLeft();
  return QWidget::eventFilter(watched, event);
}

void Chart2D::SetCursorLine(int index, std::optional<double> x, const QString& label) {
  if (index < 0 || index >= kCursorLines) return;
  CursorLineItems& c = cursorLines_[index];
  if (c.x == x && c.label->text() == label) return;
  c.x = x;
  c.line->setVisible(x.has_value());
  c.label->setVisible(x.has_value());
  if (x) {
    c.line->point1->setCoords(*x, 0.0);
    c.line->point2->setCoords(*x, 1.0);
    c.label->position->setCoords(*x, 0.0);
    c.label->setText(label);
  }
  RequestRepaint();
}

std::optional<double> Chart2D::CursorLine(int index) const {
  if (index < 0 || index >= kCursorLines) return std::nullopt;
  return cursorLines_[index].x;
}

// The drawing of the chart's curves on screen. A poll adds a few points at the right end of curves
// of tens of thousands; drawing every line again costs far more than the change. So the curves are
// kept as a picture of the plot area, and a repaint draws again only the strip from the first
// changed point to the right edge. Anything else that moves the picture (the axes, the size, the
// series) draws it whole; printing and exports draw the lines themselves, as vectors.
#pragma once

#include <qcustomplot.h>

#include <QImage>
#include <vector>

// A line of the chart that the curve layer draws itself.
class ChartGraph : public QCPGraph {
 public:
  using QCPGraph::QCPGraph;
  // Draws the line as its layer would: clipped to the axis rect, with its antialiasing.
  void DrawInto(QCPPainter* painter);
  // Draws the part of the line right of pixel `left` as DrawInto draws it there (what lies left
  // of it may differ), passing over the points before it; false where it cannot tell it would
  // draw the same, and nothing was drawn.
  bool DrawRightOf(QCPPainter* painter, int left);
  // The line is drawn from a few values per pixel column (where it has at least two points per
  // pixel in view) rather than point by point: the choice QCPGraph makes when it draws.
  bool SamplesByPixel() const { return SamplesByPixel(QCPDataRange(0, dataCount())); }

 private:
  bool SamplesByPixel(const QCPDataRange& range) const;
};

class ChartCurveLayer : public QCPLayerable {
 public:
  ChartCurveLayer(QCustomPlot* plot, const QString& layer);

  // The lines to draw, in this order (later ones over earlier ones).
  void SetGraphs(std::vector<ChartGraph*> graphs);
  // The curves changed from key on (negative infinity: everywhere).
  void NoteChangeFrom(double key);
  // The next repaint draws the whole picture.
  void Invalidate();
  // Repaints that drew only a strip (for tests and benchmarks).
  int StripRepaints() const { return stripRepaints_; }

 protected:
  QRect clipRect() const override;
  void applyDefaultAntialiasingHint(QCPPainter* /*painter*/) const override {}
  void draw(QCPPainter* painter) override;

 private:
  // What the kept picture shows; any difference draws it whole.
  struct View {
    QRect area;
    qreal ratio = 0;
    QCPRange x;
    QCPRange y;
    std::vector<bool> byPixel;  // per line: drawn from values per pixel column
    bool operator==(const View& o) const {
      return area == o.area && ratio == o.ratio && x == o.x && y == o.y && byPixel == o.byPixel;
    }
  };
  View CurrentView(const QCPPainter& painter) const;
  // Draws the lines within clip; a strip (the right part of the area) draws only what reaches it.
  void DrawLines(QCPPainter& painter, const QRect& clip, bool strip);
  void DrawPicture(const QRect& strip);

  std::vector<ChartGraph*> graphs_;
  QImage picture_;
  View view_;
  bool whole_ = true;   // the picture must be drawn whole
  double changedFrom_;  // first key whose drawing changed since the picture was drawn
  int stripRepaints_ = 0;
};

#include "print/picture_player.h"

#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPicture>
#include <QTextItem>
#include <cmath>

namespace {

// Takes the drawing of a picture being played and draws it on the page's painter. The picture's
// painter works in the picture's coordinates at the picture's resolution (as when it was made);
// each primitive is drawn on the page through the picture's transform and then toPage.
class PageEngine : public QPaintEngine {
 public:
  PageEngine(QPainter& page, const QTransform& toPage, const QRectF& clip, int pictureDpi)
      : QPaintEngine(QPaintEngine::AllFeatures),
        page_(page),
        toPage_(toPage),
        pageClip_(),
        pictureDpi_(pictureDpi) {
    pageClip_.addRect(clip);
  }

  bool begin(QPaintDevice*) override { return true; }
  bool end() override { return true; }
  Type type() const override { return QPaintEngine::User; }

  void updateState(const QPaintEngineState& state) override {
    const DirtyFlags flags = state.state();
    if (flags & DirtyPen) page_.setPen(state.pen());
    if (flags & DirtyBrush) page_.setBrush(state.brush());
    if (flags & DirtyBrushOrigin) page_.setBrushOrigin(state.brushOrigin());
    if (flags & DirtyBackground) page_.setBackground(state.backgroundBrush());
    if (flags & DirtyBackgroundMode) page_.setBackgroundMode(state.backgroundMode());
    if (flags & DirtyHints) page_.setRenderHints(state.renderHints());
    if (flags & DirtyCompositionMode) page_.setCompositionMode(state.compositionMode());
    if (flags & DirtyOpacity) page_.setOpacity(state.opacity());
    // The clip comes in the coordinates of the transform that comes with it.
    if (flags & DirtyTransform) {
      transform_ = state.transform();
      transformDirty_ = true;
    }
    if (flags & DirtyClipRegion) {
      QPainterPath path;
      path.addRegion(state.clipRegion());
      Clip(path, state.clipOperation());
    }
    if (flags & DirtyClipPath) Clip(state.clipPath(), state.clipOperation());
    if (flags & DirtyClipEnabled) {
      clipEnabled_ = state.isClipEnabled();
      clipDirty_ = true;
    }
  }

  void drawRects(const QRectF* rects, int count) override {
    Prepare();
    page_.drawRects(rects, count);
  }
  void drawLines(const QLineF* lines, int count) override {
    Prepare();
    page_.drawLines(lines, count);
  }
  void drawEllipse(const QRectF& r) override {
    Prepare();
    page_.drawEllipse(r);
  }
  void drawPath(const QPainterPath& path) override {
    Prepare();
    page_.drawPath(path);
  }
  void drawPoints(const QPointF* points, int count) override {
    Prepare();
    page_.drawPoints(points, count);
  }
  void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override {
    Prepare();
    if (mode == PolylineMode) {
      page_.drawPolyline(points, count);
    } else {
      page_.drawPolygon(points, count, mode == WindingMode ? Qt::WindingFill : Qt::OddEvenFill);
    }
  }
  void drawPixmap(const QRectF& r, const QPixmap& pm, const QRectF& sr) override {
    Prepare();
    page_.drawPixmap(r, pm, sr);
  }
  void drawImage(const QRectF& r, const QImage& image, const QRectF& sr,
                 Qt::ImageConversionFlags flags) override {
    Prepare();
    page_.drawImage(r, image, sr, flags);
  }
  void drawTiledPixmap(const QRectF& r, const QPixmap& pixmap, const QPointF& s) override {
    Prepare();
    page_.drawTiledPixmap(r, pixmap, s);
  }

  // The text at its baseline p, in a font of the size it was given, set at the page's resolution:
  // the transform keeps its direction but not its scale, which goes into the font instead.
  void drawTextItem(const QPointF& p, const QTextItem& item) override {
    const QTransform full = transform_ * toPage_;
    const double scale = std::sqrt(std::abs(full.determinant()));
    if (!(scale > 0)) return;
    QFont font = item.font();
    const double points =
        font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize() * 72.0 / pictureDpi_;
    // A point of the picture becomes scale * pictureDpi / 72 device dots on the page.
    font.setPointSizeF(points * scale * pictureDpi_ / page_.device()->logicalDpiY());
    Prepare();
    page_.setWorldTransform(QTransform(full.m11() / scale, full.m12() / scale, full.m21() / scale,
                                       full.m22() / scale, full.dx(), full.dy()));
    page_.setFont(font);
    page_.drawText(p * scale, item.text());
    transformDirty_ = true;
  }

  using QPaintEngine::drawEllipse;
  using QPaintEngine::drawLines;
  using QPaintEngine::drawPoints;
  using QPaintEngine::drawPolygon;
  using QPaintEngine::drawRects;

 private:
  // Combines a clip of the picture's painter, in its coordinates now, with the one before.
  void Clip(const QPainterPath& path, Qt::ClipOperation operation) {
    clipDirty_ = true;
    const QPainterPath onPage = (transform_ * toPage_).map(path);
    switch (operation) {
      case Qt::NoClip:
        clip_ = QPainterPath();
        clipEnabled_ = false;
        return;
      case Qt::ReplaceClip:
        clip_ = onPage;
        break;
      case Qt::IntersectClip:
        clip_ = clipEnabled_ ? clip_.intersected(onPage) : onPage;
        break;
    }
    clipEnabled_ = true;
  }

  // The page painter in the picture's coordinates, clipped to the page's rectangle and the
  // picture's own clip. Only what changed is set again: every change of the clip is written to
  // the printer.
  void Prepare() {
    if (clipDirty_) {
      page_.setWorldTransform(QTransform());
      page_.setClipPath(clipEnabled_ ? pageClip_.intersected(clip_) : pageClip_);
      clipDirty_ = false;
      transformDirty_ = true;
    }
    if (transformDirty_) {
      page_.setWorldTransform(transform_ * toPage_);
      transformDirty_ = false;
    }
  }

  QPainter& page_;
  QTransform toPage_;
  QPainterPath pageClip_;
  int pictureDpi_;
  QTransform transform_;
  QPainterPath clip_;
  bool clipEnabled_ = false;
  bool clipDirty_ = true;
  bool transformDirty_ = true;
};

// The surface the picture is played on: as large as the picture, at the picture's resolution, so
// that the picture lays its texts out as it did when it was made.
class PictureSurface : public QPaintDevice {
 public:
  PictureSurface(const QPicture& picture, PageEngine& engine)
      : picture_(picture), engine_(engine) {}
  ~PictureSurface() override = default;
  QPaintEngine* paintEngine() const override { return &engine_; }

 protected:
  int metric(PaintDeviceMetric m) const override {
    switch (m) {
      case PdmWidth:
        return picture_.width();
      case PdmHeight:
        return picture_.height();
      case PdmWidthMM:
        return picture_.widthMM();
      case PdmHeightMM:
        return picture_.heightMM();
      case PdmDpiX:
        return picture_.logicalDpiX();
      case PdmDpiY:
        return picture_.logicalDpiY();
      case PdmPhysicalDpiX:
        return picture_.physicalDpiX();
      case PdmPhysicalDpiY:
        return picture_.physicalDpiY();
      case PdmNumColors:
        return picture_.colorCount();
      case PdmDepth:
        return picture_.depth();
      case PdmDevicePixelRatio:
        return 1;
      case PdmDevicePixelRatioScaled:
        return static_cast<int>(devicePixelRatioFScale());
      default:
        break;
    }
    return QPaintDevice::metric(m);
  }

 private:
  const QPicture& picture_;
  PageEngine& engine_;
};

}  // namespace

void PlayPicture(const QPicture& picture, QPainter& page, const QTransform& toPage,
                 const QRectF& clip) {
  PageEngine engine(page, toPage, clip, picture.logicalDpiY());
  PictureSurface surface(picture, engine);
  page.save();
  QPainter painter;
  if (painter.begin(&surface)) {
    painter.drawPicture(0, 0, picture);
    painter.end();
  }
  page.restore();
}

#include "print/my_printer.h"

#include <QFontMetricsF>
#include <QPageLayout>
#include <QPicture>
#include <QPrinter>
#include <algorithm>
#include <cmath>

#include "print/page_layout.h"
#include "print/picture_player.h"

namespace {

constexpr double kCmPerInch = 2.54;
constexpr int kPageDpi = 1200;

// The page's texts name the Mincho face by the name the page was drawn up with.
QString FaceFor(const QString& fname) {
  if (fname == QStringLiteral("MS P明朝")) return QString::fromLatin1(page_layout::kMinchoFace);
  return fname;
}

}  // namespace

MyPrinter::~MyPrinter() {
  if (painter_.isActive()) painter_.end();
}

void MyPrinter::UsePrinter(QPrinter& printer) {
  printer_ = &printer;
  // A font's size becomes a whole number of device dots: at screen resolution a 10-point text
  // would print at 9.75 points. At 1200 dots per inch every size is within a fiftieth of a point.
  // Coordinates stay fractional: lines and texts go to the printer as outlines, not as dots.
  if (printer.resolution() < kPageDpi) printer.setResolution(kPageDpi);
  // The painter's origin is the top left corner of the printable area, in device dots.
  dotsPerCm_ = printer.resolution() / kCmPerInch;
  const QRectF area = printer.pageLayout().paintRect(QPageLayout::Millimeter);
  PrWidth_ = static_cast<float>(area.width() / 10.0);
  PrHeight_ = static_cast<float>(area.height() / 10.0);
  CurY_ = static_cast<float>(page_layout::kFirstSubTitleY);
  CenterX_ = PrWidth_ / 2.0f;
  TextBottom_ = 0;
}

bool MyPrinter::SetPrinter(QPrinter& printer) {
  UsePrinter(printer);
  return painter_.begin(&printer);
}

void MyPrinter::SetFont(float fSize, const QString& fname) {
  font_.setPointSizeF(fSize);
  font_.setFamily(FaceFor(fname));
}

void MyPrinter::SetFontstyle(bool fBold, bool fItalic, bool fStrikethru, bool fUnderline) {
  font_.setBold(fBold);
  font_.setItalic(fItalic);
  font_.setStrikeOut(fStrikethru);
  font_.setUnderline(fUnderline);
}

float MyPrinter::TextWidth(const QString& txt) const {
  if (!printer_) return 0;
  return static_cast<float>(QFontMetricsF(font_, printer_).horizontalAdvance(txt) / dotsPerCm_);
}

float MyPrinter::TextHeight(const QString&) const {
  if (!printer_) return 0;
  return static_cast<float>(QFontMetricsF(font_, printer_).height() / dotsPerCm_);
}

void MyPrinter::LocateStr(float x, float y, const QString& txt) {
  TextBottom_ = std::max(TextBottom_, y + TextHeight(txt));
  if (!painter_.isActive()) return;
  painter_.setFont(font_);
  const double ascent = QFontMetricsF(font_, printer_).ascent();
  painter_.drawText(QPointF(ToDevice(x), ToDevice(y) + ascent), txt);
}

void MyPrinter::PrTitle(const QString& title) {
  SetFont(static_cast<float>(page_layout::kTitlePoints), QStringLiteral("MS P明朝"));
  const QPointF at = page_layout::TitlePos(PrWidth_, TextWidth(title));
  LocateStr(static_cast<float>(at.x()), static_cast<float>(at.y()), title);
}

float MyPrinter::PrSubTitle(const QString& title) {
  SetFont(static_cast<float>(page_layout::kTextPoints), QStringLiteral("MS P明朝"));
  PrMeasParam(CurY_, title, false);
  StrH_ = TextHeight(title) + static_cast<float>(page_layout::kLineGap);
  CurY_ += StrH_;
  return CurY_;
}

void MyPrinter::PrMeasParam(float y, const QString& pstr, bool flg) {
  SetFont(static_cast<float>(page_layout::kTextPoints), QStringLiteral("MS P明朝"));
  LocateStr(static_cast<float>(page_layout::ParamX(CenterX_, PrWidth_, flg)), y, pstr);
}

void MyPrinter::PrDate(const QString& mdate) {
  SetFont(static_cast<float>(page_layout::kTextPoints), QStringLiteral("MS P明朝"));
  const QPointF at = page_layout::DatePos(PrWidth_);
  LocateStr(static_cast<float>(at.x()), static_cast<float>(at.y()), mdate);
}

bool MyPrinter::LoadPicture(const QString& fname, QPicture& picture) {
  return picture.load(fname) && !picture.boundingRect().isEmpty();
}

bool MyPrinter::PrintGraph(const QString& fname) {
  QPicture picture;
  if (!LoadPicture(fname, picture)) return false;
  PrintGraph(picture);
  return true;
}

QRectF MyPrinter::GraphRect() const {
  return page_layout::GraphRect(PrWidth_, PrHeight_, TextBottom_ + page_layout::kLineGap);
}

QSize MyPrinter::PictureSize(const QSizeF& cm) {
  // A picture measures in dots of its own resolution, at which its fonts take their point size.
  const QPicture unit;
  return QSize(static_cast<int>(std::lround(cm.width() / kCmPerInch * unit.logicalDpiX())),
               static_cast<int>(std::lround(cm.height() / kCmPerInch * unit.logicalDpiY())));
}

void MyPrinter::PrintGraph(const QPicture& picture) {
  const QRect source = picture.boundingRect();
  const QRectF cm = GraphRect();
  if (!painter_.isActive() || source.isEmpty() || cm.isEmpty()) return;
  const QRectF target(ToDevice(cm.x()), ToDevice(cm.y()), ToDevice(cm.width()),
                      ToDevice(cm.height()));
  // Scaled alike in both directions, so that letters and the graph keep their shape; a picture
  // of the rectangle's own aspect fills it.
  const double scale = std::min(target.width() / source.width(), target.height() / source.height());
  const QSizeF drawn(source.width() * scale, source.height() * scale);
  QTransform toPage;
  toPage.translate(target.x() + (target.width() - drawn.width()) / 2.0,
                   target.y() + (target.height() - drawn.height()) / 2.0);
  toPage.scale(scale, scale);
  toPage.translate(-source.x(), -source.y());
  PlayPicture(picture, painter_, toPage, target);
}

bool MyPrinter::EndPrint() {
  if (!painter_.isActive()) return false;
  const bool ended = painter_.end();
  return ended && printer_->printerState() != QPrinter::Error;
}

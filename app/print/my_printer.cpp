#include "print/my_printer.h"

#include <QFontMetricsF>
#include <QPageLayout>
#include <QPicture>
#include <QPrinter>

#include "print/page_layout.h"

namespace {

constexpr double kCmPerInch = 2.54;

// The page's texts name the Mincho face by the name the page was drawn up with.
QString FaceFor(const QString& fname) {
  if (fname == QStringLiteral("MS P明朝")) return QString::fromLatin1(page_layout::kMinchoFace);
  return fname;
}

}  // namespace

MyPrinter::~MyPrinter() {
  if (painter_.isActive()) painter_.end();
}

bool MyPrinter::SetPrinter(QPrinter& printer) {
  printer_ = &printer;
  // The graph picture draws its texts at the resolution of the device it is played on, sized for
  // the resolution it was recorded at: the page works at that resolution, so the picture's texts
  // keep their size relative to the graph. Coordinates stay fractional, so the page loses no
  // precision: lines and texts go to the printer as outlines, not as dots.
  const int pictureDpi = QPicture().logicalDpiY();
  if (printer.resolution() != pictureDpi) printer.setResolution(pictureDpi);
  if (!painter_.begin(&printer)) return false;
  // The painter's origin is the top left corner of the printable area, in device dots.
  dotsPerCm_ = printer.resolution() / kCmPerInch;
  const QRectF area = printer.pageLayout().paintRect(QPageLayout::Millimeter);
  PrWidth_ = static_cast<float>(area.width() / 10.0);
  PrHeight_ = static_cast<float>(area.height() / 10.0);
  CurY_ = static_cast<float>(page_layout::kFirstSubTitleY);
  CenterX_ = PrWidth_ / 2.0f;
  return true;
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

void MyPrinter::PrintGraph(const QPicture& picture) {
  const QRect source = picture.boundingRect();
  if (!painter_.isActive() || source.isEmpty()) return;
  const QRectF cm = page_layout::GraphRect(PrWidth_, PrHeight_);
  const QRectF target(ToDevice(cm.x()), ToDevice(cm.y()), ToDevice(cm.width()),
                      ToDevice(cm.height()));
  painter_.save();
  painter_.setClipRect(target);
  painter_.translate(target.topLeft());
  painter_.scale(target.width() / source.width(), target.height() / source.height());
  painter_.translate(-source.topLeft());
  painter_.drawPicture(0, 0, picture);
  painter_.restore();
}

bool MyPrinter::EndPrint() {
  if (!painter_.isActive()) return false;
  const bool ended = painter_.end();
  return ended && printer_->printerState() != QPrinter::Error;
}

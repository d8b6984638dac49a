// MyPrinter: one printed page in centimetres over a QPrinter and a QPainter. Positions are taken
// from the top left corner of the printable area; a text is placed by the top of its cell.
// The operations keep the order and the effects of the page routines that use them: a title line
// centred at y 1.0, sub-title lines that move the current line (CurY) down by their height
// plus 0.2, parameter lines at a quarter of the width (values 3 cm further right), the date at the
// top right and the graph picture in its rectangle above the bottom, below the lowest text.
// Without an open page (UsePrinter only) the same operations draw nothing but still measure, so a
// page can be planned before its job is opened.
#pragma once

#include <QFont>
#include <QPainter>
#include <QRectF>
#include <QSize>
#include <QString>

class QPicture;
class QPrinter;

class MyPrinter {
 public:
  MyPrinter() = default;
  MyPrinter(const MyPrinter&) = delete;
  MyPrinter& operator=(const MyPrinter&) = delete;
  // Ends an unfinished page: the painter never stays open.
  ~MyPrinter();

  // Keeps the printer, readies it for texts at their exact size and reads the printable area;
  // CurY = 2.0. Opens nothing.
  void UsePrinter(QPrinter& printer);
  // UsePrinter, then opens the page. False when the printer cannot start (nothing was opened then).
  bool SetPrinter(QPrinter& printer);
  // Font size in points, then the face ("MS P明朝" stands for the Mincho face of the page).
  void SetFont(float fSize, const QString& fname);
  void SetFontstyle(bool fBold, bool fItalic, bool fStrikethru, bool fUnderline);
  // Prints txt with the top of its cell at (x, y).
  void LocateStr(float x, float y, const QString& txt);
  void PrTitle(const QString& title);
  // Prints the sub-title at CurY, moves CurY down by its height + 0.2 and returns the new CurY.
  float PrSubTitle(const QString& title);
  // A parameter label (flg false) or its value (flg true) on line y.
  void PrMeasParam(float y, const QString& pstr, bool flg);
  void PrDate(const QString& mdate);
  // Ends the page and the job; false when the printer reported an error on the way.
  bool EndPrint();
  float GetStrH() const { return StrH_; }
  float GetPrWidth() const { return PrWidth_; }
  float GetPrHeight() const { return PrHeight_; }
  // Loads the picture file and paints it into the graph rectangle, scaled alike in both
  // directions and centred in it, its texts at their point size; false when the file holds no
  // picture.
  bool PrintGraph(const QString& fname);
  void PrintGraph(const QPicture& picture);
  // Loads a picture file for PrintGraph; false when it holds no picture.
  static bool LoadPicture(const QString& fname, QPicture& picture);
  // The graph rectangle for the texts printed so far, in centimetres.
  QRectF GraphRect() const;
  // The size, in the units of a picture, of a picture that fills a rectangle of that many
  // centimetres with its texts at their own point size.
  static QSize PictureSize(const QSizeF& cm);

  // Printed size of a text in the current font, in centimetres.
  float TextWidth(const QString& txt) const;
  float TextHeight(const QString& txt) const;

 private:
  double ToDevice(double cm) const { return cm * dotsPerCm_; }

  QPrinter* printer_ = nullptr;
  QPainter painter_;
  QFont font_;
  double dotsPerCm_ = 1.0;
  float PrWidth_ = 0;
  float PrHeight_ = 0;
  float CenterX_ = 0;
  float CurY_ = 0;
  float StrH_ = 0;
  float TextBottom_ = 0;  // the lowest bottom of the texts printed so far
};

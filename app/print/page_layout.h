// The geometry of the printed page, in centimetres from the top left corner of the printable area
// (y downwards). Everything is a function of the printable width W and height H, and of the
// printed size of a text where the layout depends on it, so the page can be planned and checked
// without a printer.
#pragma once

#include <QPointF>
#include <QRectF>
#include <algorithm>

namespace page_layout {

// The face that stands in for "MS P明朝": a proportional Mincho face.
inline constexpr const char* kMinchoFace = "IPAPMincho";
inline constexpr double kTitlePoints = 12.0;
inline constexpr double kTextPoints = 10.0;

inline constexpr double kDateFromRight = 4.0;  // the date starts 4 cm left of the right edge
inline constexpr double kDateY = 0.5;
inline constexpr double kTitleY = 1.0;
inline constexpr double kFirstSubTitleY = 2.0;  // CurY of a new page
inline constexpr double kValueIndent = 3.0;     // a parameter's value right of its label
inline constexpr double kLineGap = 0.2;         // added to a sub-title's height per line
inline constexpr double kGraphHeight = 12.5;
inline constexpr double kGraphWidthShare = 0.8;
inline constexpr double kGraphBottomGap = 0.8;  // between the graph and the printable bottom

inline QPointF DatePos(double w) {
  return {w - kDateFromRight, kDateY};
}

// Centred: the title of printed width textWidth starts here.
inline QPointF TitlePos(double w, double textWidth) {
  return {(w - textWidth) / 2.0, kTitleY};
}

// Labels start a quarter width left of the centre (at W / 4); values 3 cm further right.
inline double ParamX(double centerX, double w, bool value) {
  return centerX - w / 4.0 + (value ? kValueIndent : 0.0);
}

// The graph picture: 0.8 W wide, centred, 12.5 high, its bottom 0.8 above the printable bottom.
// Its white background would hide any text under it, so on paper too short for that (B5
// landscape) its top stays at textBottom, the lowest text's bottom plus a line gap, and the graph
// is lower instead; nothing is left of it when the texts reach its bottom.
inline QRectF GraphRect(double w, double h, double textBottom) {
  const double width = kGraphWidthShare * w;
  const double bottom = h - kGraphBottomGap;
  const double top = std::max(bottom - kGraphHeight, textBottom);
  return {(w - width) / 2.0, top, width, std::max(0.0, bottom - top)};
}

}  // namespace page_layout

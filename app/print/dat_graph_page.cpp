#include "print/dat_graph_page.h"

#include <QDateTime>
#include <QPicture>
#include <cstdint>

#include "core/record_set.h"
#include "print/my_printer.h"

namespace {

// The interval as printed: seconds and " (sec)" when the computer paces sampling, milliseconds
// and " (msec)" when the units do ("60 (sec)", "250 (msec)").
QString IntervalText(bool timerType, int32_t intervalTM) {
  if (timerType) return QString::number(intervalTM / 1000.0, 'g', 15) + QStringLiteral(" (sec)");
  return QString::number(intervalTM) + QStringLiteral(" (msec)");
}

// Everything of the page but the graph; without an open page it only measures.
void PrintTexts(MyPrinter& page, const DatGraphPageTexts& texts) {
  page.PrDate(texts.date);
  page.PrTitle(QStringLiteral("----- 熱電対温度測定ユニット -----"));
  float y = page.PrSubTitle(QStringLiteral("＜取込設定＞"));
  const float d = page.GetStrH();
  for (const auto& [label, value] : texts.params) {
    page.PrMeasParam(y, label, false);
    page.PrMeasParam(y, value, true);
    y += d;
  }
}

}  // namespace

DatGraphPageTexts DatGraphPageTextsOf(const RecordSet& record, const QDateTime& now) {
  DatGraphPageTexts texts;
  // The general date-and-time text ("2026/12/08 9:05:07").
  texts.date = now.toString(QStringLiteral("yyyy/MM/dd H:mm:ss"));
  texts.params = {{
      {QStringLiteral("測定日"), record.StartTime},
      {QStringLiteral("測定間隔"), IntervalText(record.TimerType, record.IntervalTM)},
      {QStringLiteral("種類"),
       record.MeasKind ? QStringLiteral("電圧値") : QStringLiteral("熱電対")},
      {QStringLiteral("平均化"),
       record.DataAverage ? QStringLiteral("有り") : QStringLiteral("無し")},
  }};
  return texts;
}

QSize DatGraphPictureSize(QPrinter& printer, const DatGraphPageTexts& texts) {
  MyPrinter plan;
  plan.UsePrinter(printer);
  PrintTexts(plan, texts);
  return MyPrinter::PictureSize(plan.GraphRect().size());
}

PageResult PrintDatGraphPage(QPrinter& printer, const DatGraphPageTexts& texts,
                             const QString& pictureFile) {
  QPicture picture;
  if (!MyPrinter::LoadPicture(pictureFile, picture)) return PageResult::PictureUnreadable;
  MyPrinter page;
  if (!page.SetPrinter(printer)) return PageResult::PrinterFailed;
  PrintTexts(page, texts);
  page.PrintGraph(picture);
  return page.EndPrint() ? PageResult::Printed : PageResult::PrinterFailed;
}

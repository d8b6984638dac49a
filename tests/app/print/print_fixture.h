// A main window holding a replayed record set, scripted dialogs, and the printed page read back
// from its PDF: the words with their boxes (pdftotext -bbox) and the page as an image (pdftoppm),
// both in centimetres from the top left corner of the sheet.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QProcess>
#include <QRectF>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <memory>
#include <vector>

#include "core/mdx4a.h"
#include "core/module_data.h"
#include "measure/acquisition.h"
#include "measure/form_main.h"
#include "scripted_dialogs.h"

struct PdfWord {
  QString text;
  QRectF box;  // cm
};

constexpr double kCmPerPoint = 2.54 / 72.0;

// The words of the first page, in reading order.
inline std::vector<PdfWord> PdfWords(const QString& pdf) {
  QProcess p;
  p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
  p.waitForFinished(30000);
  const QString html = QString::fromUtf8(p.readAllStandardOutput());
  static const QRegularExpression word(
      QStringLiteral("<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" "
                     "yMax=\"([0-9.]+)\">([^<]*)</word>"));
  std::vector<PdfWord> out;
  for (auto it = word.globalMatch(html); it.hasNext();) {
    const auto m = it.next();
    const double x0 = m.captured(1).toDouble() * kCmPerPoint;
    const double y0 = m.captured(2).toDouble() * kCmPerPoint;
    const double x1 = m.captured(3).toDouble() * kCmPerPoint;
    const double y1 = m.captured(4).toDouble() * kCmPerPoint;
    out.push_back({m.captured(5), QRectF(QPointF(x0, y0), QPointF(x1, y1))});
  }
  return out;
}

// The first page drawn at 254 dots per inch: one dot is 0.1 mm.
inline QImage PdfPage(const QString& pdf, const QString& dir) {
  const QString stem = dir + QStringLiteral("/page");
  QProcess p;
  p.start(QStringLiteral("pdftoppm"),
          {QStringLiteral("-r"), QStringLiteral("254"), QStringLiteral("-singlefile"),
           QStringLiteral("-png"), pdf, stem});
  p.waitForFinished(60000);
  return QImage(stem + QStringLiteral(".png"));
}

// The bounding box, in cm, of the dots darker than mid grey within the region (cm) of the page.
inline QRectF DarkBox(const QImage& page, const QRectF& region) {
  constexpr double kDotsPerCm = 100.0;
  int x0 = page.width(), y0 = page.height(), x1 = -1, y1 = -1;
  const int left = static_cast<int>(region.left() * kDotsPerCm);
  const int right = std::min(page.width(), static_cast<int>(region.right() * kDotsPerCm));
  const int top = static_cast<int>(region.top() * kDotsPerCm);
  const int bottom = std::min(page.height(), static_cast<int>(region.bottom() * kDotsPerCm));
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) {
      if (qGray(page.pixel(x, y)) < 128) {
        x0 = std::min(x0, x);
        x1 = std::max(x1, x);
        y0 = std::min(y0, y);
        y1 = std::max(y1, y);
      }
    }
  }
  if (x1 < 0) return {};
  return QRectF(x0 / kDotsPerCm, y0 / kDotsPerCm, (x1 + 1 - x0) / kDotsPerCm,
                (y1 + 1 - y0) / kDotsPerCm);
}

class PrintTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(tmp.isValid());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
    // The program's temporary files go to a directory of the test's own.
    oldTmp_ = qgetenv("TMPDIR");
    qputenv("TMPDIR", tmp.path().toUtf8());
    form = std::make_unique<FormMain>(md, driver, dialogs);
    form->resize(1000, 700);
    form->show();
    QApplication::processEvents();
  }

  void TearDown() override {
    form.reset();
    qputenv("TMPDIR", oldTmp_);
    QApplication::processEvents();
  }

  MainControls& ui() { return form->Controls(); }

  // n samples on the used units, replayed onto the graph as reading a file does.
  void LoadRecordSet(int n, int units = 1) {
    for (int i = 0; i < 4; ++i) md.Units[i].MflagID = i < units;
    md.ClearData();
    for (int i = 0; i < units; ++i) {
      for (int k = 0; k < n; ++k) md.Units[i].Data[k] = 100.0f * i + static_cast<float>(k % 50);
      md.Units[i].DataCount = n;
    }
    md.SampleCount = n;
    md.StartTime = QStringLiteral("2026/12/8 9:30:00");
    form->Measure().ReplayData();
    md.SampleCount = n;
    form->SetButtonState();
  }

  // The first word with this text, or an empty box.
  static PdfWord Find(const std::vector<PdfWord>& words, const QString& text) {
    for (const auto& w : words) {
      if (w.text == text) return w;
    }
    ADD_FAILURE() << "no word " << text.toStdString();
    return {};
  }

  // The words on the line of `label` that start right of it.
  static QStringList RightOf(const std::vector<PdfWord>& words, const PdfWord& label) {
    QStringList out;
    for (const auto& w : words) {
      if (w.box.left() > label.box.right() && std::abs(w.box.top() - label.box.top()) < 0.05) {
        out << w.text;
      }
    }
    return out;
  }

  QTemporaryDir dir;
  QTemporaryDir tmp;
  ModuleData md;
  ScriptedDialogs dialogs;
  MDX4A driver{dialogs};
  std::unique_ptr<FormMain> form;

 private:
  QByteArray oldTmp_;
};

#include "graph/chart2d.h"

#include <gtest/gtest.h>
#include <qcustomplot.h>

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPicture>
#include <QTemporaryDir>
#include <cmath>
#include <limits>
#include <random>
#include <utility>
#include <vector>

#include "graph/chart_curves.h"

namespace {

using Curve = std::vector<std::pair<double, double>>;

Curve CurveOf(const Chart2D& chart, int series) {
  Curve out;
  const auto data = chart.Curve(series)->data();
  for (auto it = data->constBegin(); it != data->constEnd(); ++it)
    out.emplace_back(it->key, it->value);
  return out;
}

// What the curve of a series must hold, built from the chart's own point model: points from the
// first one with X on, a point without Y or X a gap (NaN) at the key of the point before it.
Curve ExpectedCurve(const Chart2D& chart, int series) {
  Curve out;
  const int n = chart.PointCount(series);
  int lead = 1;
  int longest = 0;
  for (int s = 1; s <= chart.NumSeries(); ++s) longest = std::max(longest, chart.PointCount(s));
  while (lead <= longest && !chart.PointX(lead)) ++lead;
  double prevKey = 0;
  for (int k = lead; k <= n; ++k) {
    const auto x = chart.PointX(k);
    const auto y = chart.PointY(series, k);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double key = x ? *x : prevKey;
    out.emplace_back(key, x && y ? *y : nan);
    prevKey = key;
  }
  return out;
}

// Equal entry by entry, NaN matching NaN.
::testing::AssertionResult SameCurve(const Curve& a, const Curve& b) {
  if (a.size() != b.size()) {
    return ::testing::AssertionFailure() << "sizes " << a.size() << " and " << b.size();
  }
  for (size_t i = 0; i < a.size(); ++i) {
    const bool keyOk = a[i].first == b[i].first;
    const bool valueOk =
        a[i].second == b[i].second || (std::isnan(a[i].second) && std::isnan(b[i].second));
    if (!keyOk || !valueOk) {
      return ::testing::AssertionFailure()
             << "entry " << i << ": (" << a[i].first << ", " << a[i].second << ") vs ("
             << b[i].first << ", " << b[i].second << ")";
    }
  }
  return ::testing::AssertionSuccess();
}

class Chart2DTest : public ::testing::Test {
 protected:
  void SetUp() override {
    chart.SetNumSeries(4);
    QCoreApplication::processEvents();
  }
  int Repaints() const { return chart.RepaintCount(); }

  Chart2D chart;
};

// ---- point model ----

TEST_F(Chart2DTest, CountShrinkKeepsEarlierPointsAndGrowAddsEmptyOnes) {
  chart.SetPointCount(1, 5);
  for (int k = 1; k <= 5; ++k) {
    chart.SetPointX(k, k * 0.5);
    chart.SetPointY(1, k, 10.0 * k);
  }
  chart.SetPointCount(1, 3);
  EXPECT_EQ(chart.PointCount(1), 3);
  EXPECT_EQ(chart.PointY(1, 2), 20.0);
  EXPECT_EQ(chart.PointY(1, 3), 30.0);
  EXPECT_FALSE(chart.PointY(1, 4));

  chart.SetPointCount(1, 5);
  EXPECT_EQ(chart.PointY(1, 3), 30.0);
  EXPECT_FALSE(chart.PointY(1, 4)) << "a dropped point does not come back";
  EXPECT_FALSE(chart.PointY(1, 5));
  EXPECT_FALSE(chart.PointX(5)) << "no series held point 5 any more";

  // Writes outside a series' points are ignored.
  chart.SetPointY(1, 6, 1.0);
  chart.SetPointY(1, 0, 1.0);
  chart.SetPointY(9, 1, 1.0);
  EXPECT_EQ(chart.PointCount(1), 5);
  EXPECT_EQ(chart.PointY(1, 1), 10.0);
}

TEST_F(Chart2DTest, XIsSharedAndUnsetYIsAGap) {
  for (int s = 1; s <= 4; ++s) chart.SetPointCount(s, 3);
  for (int k = 1; k <= 3; ++k) chart.SetPointX(k, k * 0.01);
  chart.SetPointY(1, 1, 1.5);
  chart.SetPointY(1, 3, 3.5);
  chart.SetPointY(2, 2, -7.0);
  chart.Flush();

  EXPECT_FALSE(chart.PointY(1, 2));
  const Curve c1 = CurveOf(chart, 1);
  ASSERT_EQ(c1.size(), 3u);
  EXPECT_EQ(c1[0], std::make_pair(0.01, 1.5));
  EXPECT_EQ(c1[1].first, 0.02);
  EXPECT_TRUE(std::isnan(c1[1].second)) << "never set: a gap in the line";
  EXPECT_EQ(c1[2], std::make_pair(0.03, 3.5));
  const Curve c2 = CurveOf(chart, 2);
  ASSERT_EQ(c2.size(), 3u);
  EXPECT_EQ(c2[1], std::make_pair(0.02, -7.0));
  EXPECT_TRUE(std::isnan(c2[0].second));
  const Curve c4 = CurveOf(chart, 4);
  ASSERT_EQ(c4.size(), 3u) << "a series without Y still spans the shared X";
  EXPECT_EQ(c4[1].first, 0.02);
}

TEST_F(Chart2DTest, CurvesFollowAppendsEditsShrinksAndMissingX) {
  // Appends, one point per batch, as during a measurement.
  for (int k = 1; k <= 50; ++k) {
    chart.BeginDataUpdate();
    for (int s = 1; s <= 4; ++s) chart.SetPointCount(s, k);
    if (k != 20) chart.SetPointX(k, k * 0.1);  // no unit had a value at sample 20
    for (int s = 1; s <= 2; ++s) {
      if (k != 20) chart.SetPointY(s, k, s * 100.0 + k);
    }
    chart.EndDataUpdate();
  }
  for (int s = 1; s <= 4; ++s) EXPECT_TRUE(SameCurve(CurveOf(chart, s), ExpectedCurve(chart, s)));
  EXPECT_EQ(CurveOf(chart, 1)[19].first, 19 * 0.1) << "a point without X keeps the keys ascending";
  EXPECT_TRUE(std::isnan(CurveOf(chart, 1)[19].second));

  // An earlier point changes; the shared X of a middle point changes.
  chart.BeginDataUpdate();
  chart.SetPointY(2, 5, -1.0);
  chart.SetPointX(20, 2.0);
  chart.EndDataUpdate();
  for (int s = 1; s <= 4; ++s) EXPECT_TRUE(SameCurve(CurveOf(chart, s), ExpectedCurve(chart, s)));

  // A new record set starts: every series back to one point.
  chart.BeginDataUpdate();
  for (int s = 1; s <= 4; ++s) chart.SetPointCount(s, 1);
  chart.SetPointY(1, 1, 42.0);
  chart.EndDataUpdate();
  EXPECT_EQ(CurveOf(chart, 1), (Curve{{0.1, 42.0}}));
  EXPECT_EQ(CurveOf(chart, 3).size(), 1u);
}

TEST_F(Chart2DTest, LeadingPointsWithoutXAndDescendingX) {
  chart.SetPointCount(1, 4);
  chart.SetPointX(3, 3.0);
  chart.SetPointX(4, 4.0);
  for (int k = 1; k <= 4; ++k) chart.SetPointY(1, k, k);
  chart.Flush();
  EXPECT_EQ(CurveOf(chart, 1), (Curve{{3.0, 3.0}, {4.0, 4.0}}));

  chart.SetPointX(1, 1.0);
  chart.Flush();
  EXPECT_TRUE(SameCurve(CurveOf(chart, 1), ExpectedCurve(chart, 1)));
  EXPECT_EQ(CurveOf(chart, 1).size(), 4u);

  // X going back in time: the curve stays sorted for the plot and holds the same points.
  chart.SetPointX(2, 9.0);
  chart.Flush();
  EXPECT_EQ(CurveOf(chart, 1), (Curve{{1.0, 1.0}, {3.0, 3.0}, {4.0, 4.0}, {9.0, 2.0}}));
  chart.SetPointX(2, 2.0);
  chart.Flush();
  EXPECT_EQ(CurveOf(chart, 1), (Curve{{1.0, 1.0}, {2.0, 2.0}, {3.0, 3.0}, {4.0, 4.0}}));
}

// Random writes and repaints: whatever the order, the curves hold exactly the points.
TEST_F(Chart2DTest, CurvesMatchThePointModelAfterRandomChanges) {
  std::mt19937 rng(12345);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  for (int round = 0; round < 400; ++round) {
    const bool batch = pick(0, 1) == 1;
    if (batch) chart.BeginDataUpdate();
    const int ops = pick(1, 12);
    for (int i = 0; i < ops; ++i) {
      const int s = pick(1, 4);
      switch (pick(0, 9)) {
        case 0:
          chart.SetPointCount(s, pick(0, 60));
          break;
        case 1:
        case 2:
        case 3: {
          const int k = pick(1, 60);
          chart.SetPointX(k, pick(0, 30) == 0 ? 100.0 - k : k * 0.25);
          break;
        }
        default:
          chart.SetPointY(s, pick(1, 60), pick(-50, 50));
      }
    }
    if (batch) chart.EndDataUpdate();
    if (pick(0, 2) == 0) chart.Flush();
    chart.Flush();
    for (int s = 1; s <= 4; ++s) {
      const Curve actual = CurveOf(chart, s);
      Curve expected = ExpectedCurve(chart, s);
      bool sorted = std::is_sorted(expected.begin(), expected.end(),
                                   [](auto& a, auto& b) { return a.first < b.first; });
      if (!sorted) {
        std::stable_sort(expected.begin(), expected.end(),
                         [](auto& a, auto& b) { return a.first < b.first; });
        ASSERT_EQ(actual.size(), expected.size()) << "round " << round;
        continue;  // the order of equal keys after sorting is not defined
      }
      ASSERT_TRUE(SameCurve(actual, expected)) << "round " << round << " series " << s;
    }
  }
}

// ---- repainting ----

TEST_F(Chart2DTest, SuspendedRedrawingHoldsEveryRepaintUntilResumed) {
  const int before = Repaints();
  chart.SetRedrawSuspended(true);
  EXPECT_TRUE(chart.IsRedrawSuspended());
  chart.SetAxisRange(Chart2D::Axis::Y, -270, 1820);
  chart.SetHeaderText(QStringLiteral("開始時刻 [ 2026/12/07 10:00:00 ]"));
  for (int k = 1; k <= 10; ++k) {
    chart.BeginDataUpdate();
    chart.SetPointCount(1, k);
    chart.SetPointX(k, k);
    chart.SetPointY(1, k, k);
    chart.EndDataUpdate();
  }
  chart.Flush();
  chart.Plot()->resize(500, 300);
  QCoreApplication::processEvents();
  EXPECT_EQ(Repaints(), before);
  EXPECT_TRUE(CurveOf(chart, 1).empty()) << "the picture stays as it was";

  chart.SetRedrawSuspended(false);
  EXPECT_EQ(Repaints(), before + 1);
  EXPECT_EQ(CurveOf(chart, 1).size(), 10u);
  QCoreApplication::processEvents();
  EXPECT_EQ(Repaints(), before + 1);

  chart.SetRedrawSuspended(false);  // not suspended: nothing to resume
  EXPECT_EQ(Repaints(), before + 1);

  // Suspended from the start: not even the plot's own first replot happens.
  Chart2D fresh;
  fresh.SetRedrawSuspended(true);
  fresh.SetNumSeries(4);
  QCoreApplication::processEvents();
  EXPECT_EQ(fresh.RepaintCount(), 0);
  fresh.SetRedrawSuspended(false);
  EXPECT_EQ(fresh.RepaintCount(), 1);
}

TEST_F(Chart2DTest, OneRepaintPerBatchAndNoneForAnUnchangedBatch) {
  auto batch = [&](int n, double y) {
    chart.BeginDataUpdate();
    chart.BeginDataUpdate();  // batches nest; the outer end shows them
    for (int k = 1; k <= n; ++k) {
      for (int s = 1; s <= 4; ++s) chart.SetPointCount(s, n);
      chart.SetPointX(k, k);
      for (int s = 1; s <= 4; ++s) chart.SetPointY(s, k, y);
    }
    chart.EndDataUpdate();
    const int inner = Repaints();
    chart.EndDataUpdate();
    return Repaints() - inner;
  };
  const int before = Repaints();
  EXPECT_EQ(batch(100, 1.0), 1);
  EXPECT_EQ(Repaints(), before + 1) << "nothing before the outer end";
  QCoreApplication::processEvents();
  EXPECT_EQ(Repaints(), before + 1);
  EXPECT_EQ(batch(100, 1.0), 0) << "the same values again change nothing";
  EXPECT_EQ(batch(101, 1.0), 1);
  EXPECT_EQ(batch(101, 2.0), 1);
  QCoreApplication::processEvents();
  EXPECT_EQ(Repaints(), before + 3);
}

TEST_F(Chart2DTest, ChangesOutsideBatchesAreCoalescedIntoOneRepaint) {
  const int before = Repaints();
  chart.SetAxisRange(Chart2D::Axis::X, 0.01, 1.0);
  chart.SetAxisTitle(Chart2D::Axis::X, QStringLiteral("開始からの経過時間（秒）"));
  chart.ClearSeriesLabels();
  chart.AddSeriesLabel(QStringLiteral("ID0 K熱電対"));
  chart.SetPointCount(1, 2);
  chart.SetPointX(2, 0.02);
  chart.SetPointY(1, 2, 5.0);
  EXPECT_EQ(Repaints(), before);
  QCoreApplication::processEvents();
  EXPECT_EQ(Repaints(), before + 1);
  QCoreApplication::processEvents();
  EXPECT_EQ(Repaints(), before + 1);

  chart.SetAxisRange(Chart2D::Axis::X, 0.01, 1.0);  // unchanged
  QCoreApplication::processEvents();
  EXPECT_EQ(Repaints(), before + 1);

  chart.SetAxisRange(Chart2D::Axis::X, 0.01, 2.0);
  chart.Flush();
  EXPECT_EQ(Repaints(), before + 2) << "Flush repaints at once";
  QCoreApplication::processEvents();
  EXPECT_EQ(Repaints(), before + 2) << "and the queued pass finds nothing left";
  chart.Flush();
  EXPECT_EQ(Repaints(), before + 2);
}

// ---- labels, axes, texts ----

TEST_F(Chart2DTest, LabelsAreReplacedInSeriesOrder) {
  const QStringList first = {"ID0 K熱電対", "ID1 未使用", "ID2 T熱電対", "ID3 未使用"};
  for (const QString& l : first) chart.AddSeriesLabel(l);
  chart.ClearSeriesLabels();
  EXPECT_TRUE(chart.SeriesLabels().isEmpty());
  EXPECT_EQ(chart.Plot()->legend->itemCount(), 0);
  const QStringList second = {"ID0 電圧", "ID1 電圧", "ID2 未使用", "ID3 電圧"};
  for (const QString& l : second) chart.AddSeriesLabel(l);
  EXPECT_EQ(chart.SeriesLabels(), second);
  EXPECT_EQ(chart.Plot()->legend->itemCount(), 4);
  for (int s = 1; s <= 4; ++s) EXPECT_EQ(chart.Curve(s)->name(), second[s - 1]);
}

TEST_F(Chart2DTest, AxisRangesTitlesAndHeaderReadBack) {
  chart.SetAxisRange(Chart2D::Axis::X, 3060.0, 9000.0);
  chart.SetAxisRange(Chart2D::Axis::Y, -15000.0, 84000.0);
  EXPECT_EQ(chart.AxisMin(Chart2D::Axis::X), 3060.0);
  EXPECT_EQ(chart.AxisMax(Chart2D::Axis::X), 9000.0);
  EXPECT_EQ(chart.AxisMin(Chart2D::Axis::Y), -15000.0);
  EXPECT_EQ(chart.AxisMax(Chart2D::Axis::Y), 84000.0);
  EXPECT_EQ(chart.Plot()->xAxis->range(), QCPRange(3060.0, 9000.0)) << "visible at once";
  EXPECT_EQ(chart.Plot()->yAxis->range(), QCPRange(-15000.0, 84000.0));

  chart.SetAxisTitle(Chart2D::Axis::X, QStringLiteral("開始からの経過時間（秒）"));
  chart.SetAxisTitle(Chart2D::Axis::Y, QStringLiteral("μV"));
  chart.SetAxisTitle(Chart2D::Axis::Y, QStringLiteral("℃"));
  chart.SetHeaderText(QStringLiteral("開始時刻  2026/12/07 10:00:00"));
  EXPECT_EQ(chart.AxisTitle(Chart2D::Axis::X), QStringLiteral("開始からの経過時間（秒）"));
  EXPECT_EQ(chart.AxisTitle(Chart2D::Axis::Y), QStringLiteral("℃"));
  EXPECT_EQ(chart.HeaderText(), QStringLiteral("開始時刻  2026/12/07 10:00:00"));

  chart.SetSeriesStyle(3, 1, 2);
  EXPECT_EQ(chart.SeriesStyle(3), std::make_pair(1, 2));
  EXPECT_NE(chart.Curve(1)->pen().color(), chart.Curve(2)->pen().color());
}

// ---- rendering ----

TEST_F(Chart2DTest, RendersIntoAPictureFileWithoutADisplay) {
  chart.resize(640, 400);
  chart.SetAxisRange(Chart2D::Axis::X, 0, 10);
  chart.SetAxisRange(Chart2D::Axis::Y, 0, 100);
  chart.SetHeaderText(QStringLiteral("開始時刻 [ 2026/12/07 10:00:00 ]"));
  chart.BeginDataUpdate();
  chart.SetPointCount(1, 10);
  for (int k = 1; k <= 10; ++k) {
    chart.SetPointX(k, k);
    chart.SetPointY(1, k, k * k);
  }
  chart.EndDataUpdate();

  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.filePath(QStringLiteral("graph.pic"));
  ASSERT_TRUE(chart.RenderToFile(path));
  EXPECT_GT(QFile(path).size(), 0);
  QPicture loaded;
  ASSERT_TRUE(loaded.load(path));
  EXPECT_FALSE(loaded.boundingRect().isEmpty());

  // Scaled into a rectangle: something gets painted there, nothing outside it.
  QImage image(400, 300, QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    chart.RenderTo(painter, QRectF(0, 0, 200, 150));
  }
  int inked = 0;
  for (int y = 0; y < 150; ++y) {
    for (int x = 0; x < 200; ++x) inked += image.pixel(x, y) != qRgb(255, 255, 255);
  }
  EXPECT_GT(inked, 100);
  for (int y = 160; y < 300; ++y) {
    ASSERT_EQ(image.pixel(300, y), qRgb(255, 255, 255));
  }

  EXPECT_FALSE(chart.RenderToFile(dir.filePath(QStringLiteral("missing/graph.pic"))));
}

// Polls of `batch` points over a time axis of `seconds`, on a steep saw (series 1) and noise, with
// gaps, lone points and a count that goes back once; each poll repainted as it comes.
QImage PaintPolls(Chart2D& chart, int batch, double seconds) {
  chart.SetAxisRange(Chart2D::Axis::X, 0, seconds);
  chart.SetAxisRange(Chart2D::Axis::Y, -50, 1050);
  std::mt19937 random(7);
  std::uniform_real_distribution<double> value(0, 1000);
  int count = 0;
  for (int poll = 0; poll < 12; ++poll) {
    chart.BeginDataUpdate();
    const int next = poll == 8 ? count - batch * 2 / 3 : count + batch;
    for (int s = 1; s <= 4; ++s) chart.SetPointCount(s, next);
    for (int k = count + 1; k <= next; ++k) {
      chart.SetPointX(k, k);
      for (int s = 1; s <= 4; ++s) {
        if (k % 11 != s) chart.SetPointY(s, k, s == 1 ? (k % 9) * 120.0 : value(random));
      }
    }
    chart.EndDataUpdate();
    chart.Flush();
    count = next;
  }
  return chart.Plot()->grab().toImage();
}

TEST_F(Chart2DTest, RepaintingAStripDrawsWhatAWholeRepaintDraws) {
  chart.resize(640, 400);
  chart.show();
  // A few points per pixel (drawn point by point) and many (drawn per pixel column).
  for (const auto& [batch, seconds] : {std::pair(30, 400.0), std::pair(300, 4000.0)}) {
    const int before = chart.CurveLayer()->StripRepaints();
    const QImage strips = PaintPolls(chart, batch, seconds);
    EXPECT_GE(chart.CurveLayer()->StripRepaints() - before, 10);
    chart.CurveLayer()->Invalidate();
    chart.Plot()->replot();
    const QImage whole = chart.Plot()->grab().toImage();
    ASSERT_EQ(strips.size(), whole.size());
    int differ = 0;
    for (int y = 0; y < whole.height(); ++y) {
      for (int x = 0; x < whole.width(); ++x) differ += strips.pixel(x, y) != whole.pixel(x, y);
    }
    EXPECT_EQ(differ, 0) << batch << " points a poll";
    for (int s = 1; s <= 4; ++s) chart.SetPointCount(s, 0);
  }
}

// Pixels in the colour of series 1 in the chart as painted at 400 x 300.
int SeriesOnePixels(Chart2D& chart) {
  QImage image(400, 300, QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    chart.RenderTo(painter, QRectF(0, 0, 400, 300));
  }
  const QRgb colour = chart.Curve(1)->pen().color().rgb();
  int count = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) count += image.pixel(x, y) == colour;
  }
  return count;
}

TEST_F(Chart2DTest, LoneSamplesAreDrawnVisibly) {
  chart.resize(400, 300);
  chart.SetAxisRange(Chart2D::Axis::X, 0, 10);
  chart.SetAxisRange(Chart2D::Axis::Y, 0, 100);
  EXPECT_EQ(SeriesOnePixels(chart), 0);

  // The first sample of a record set, before it has a neighbour.
  chart.SetPointCount(1, 1);
  chart.SetPointX(1, 1);
  chart.SetPointY(1, 1, 50);
  EXPECT_GT(SeriesOnePixels(chart), 8);

  // A value between two gaps, among points that make a line.
  chart.SetPointCount(1, 9);
  for (int k = 1; k <= 9; ++k) chart.SetPointX(k, k);
  chart.SetPointY(1, 1, 10);
  chart.SetPointY(1, 2, 20);
  chart.SetPointY(1, 5, 50);
  const int withLone = SeriesOnePixels(chart);
  chart.ClearPointY(1, 5);
  const int without = SeriesOnePixels(chart);
  EXPECT_GT(withLone - without, 8);

  // A neighbour arriving makes it part of a line: the marker goes.
  chart.SetPointY(1, 5, 50);
  chart.SetPointY(1, 6, 50);
  chart.Flush();
  EXPECT_TRUE(chart.Plot()->graph(1)->data()->isEmpty());
}

}  // namespace

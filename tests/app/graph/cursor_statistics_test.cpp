// The cursor panel's statistics against pandas reading the analysis CSV of the same record set.
#include "graph/cursor_statistics.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <cmath>

#include "core/record_set.h"
#include "files/analysis_csv.h"

namespace {

// A temperature record set of 300 samples at 50 ms on units 0 and 2, with holes (empty slots),
// the driver's -300 and a unit 2 that stops 20 samples short of the others.
RecordSet HoledRecordSet() {
  RecordSet set;
  set.MeasKind = false;
  set.IntervalTM = 50;
  set.StartTime = QStringLiteral("2026/12/08 05:03:35");
  set.SampleCount = 300;
  for (int i : {0, 2}) {
    UnitRecord& u = set.Units[i];
    u.MflagID = true;
    u.ConnectID = 4;
    u.DataCount = i == 0 ? 300 : 280;
    for (int k = 0; k < u.DataCount; ++k) {
      u.Data[k] = static_cast<float>(100.0 + 40.0 * std::sin(k * 0.05 + i) + 0.001 * k * k);
      if (k % 17 == 3) u.Data[k] = RecordSet::NoData;
      if (k % 23 == 5) u.Data[k] = RecordSet::NotConverted;
    }
  }
  set.Units[0].Name = QStringLiteral("炉内");
  return set;
}

// pandas' figures for rows first..last (the CSV's sample = k - 1) of each unit column: count,
// min, max, mean, std, and the rows above `high` and below `low`, one line per unit.
std::vector<std::vector<double>> PandasFigures(const QString& csv, int first, int last, double high,
                                               double low) {
  const char* script =
      "import sys, pandas\n"
      "df = pandas.read_csv(sys.argv[1], comment='#')\n"
      "a, b, hi, lo = int(sys.argv[2]), int(sys.argv[3]), float(sys.argv[4]), float(sys.argv[5])\n"
      "df = df[(df['sample'] >= a - 1) & (df['sample'] <= b - 1)]\n"
      "for c in [c for c in df.columns if c.startswith('ID')]:\n"
      "  v = df[c].dropna()\n"
      "  print(len(v), repr(v.min()), repr(v.max()), repr(v.mean()), repr(v.std()),\n"
      "        int((v > hi).sum()), int((v < lo).sum()))\n";
  QProcess p;
  p.start(QStringLiteral("/usr/bin/python3"),
          {QStringLiteral("-c"), QString::fromUtf8(script), csv, QString::number(first),
           QString::number(last), QString::number(high), QString::number(low)});
  EXPECT_TRUE(p.waitForFinished(120000));
  EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
  std::vector<std::vector<double>> rows;
  for (const QString& line :
       QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
    std::vector<double> row;
    for (const QString& field : line.split(QLatin1Char(' '))) row.push_back(field.toDouble());
    rows.push_back(row);
  }
  return rows;
}

TEST(CursorStatisticsTest, EqualPandasOverTheAnalysisCsvBetweenTheCursorsAndOverTheWhole) {
  const RecordSet set = HoledRecordSet();
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString csv = dir.filePath(QStringLiteral("run.csv"));
  ASSERT_TRUE(SaveAnalysisCsvFile(set, csv));
  StatisticsLimits limits;
  limits.high[0] = limits.high[2] = 130.0;
  limits.low[2] = 80.0;  // unit 0's lower limit is off

  // B before A, the range inclusive; then no cursor (the whole set, unit 2 shorter); then A alone.
  const struct {
    int32_t a, b, first, last;
  } ranges[] = {{250, 40, 40, 250}, {0, 0, 1, 300}, {200, 0, 200, 300}};
  for (const auto& r : ranges) {
    SCOPED_TRACE(r.a);
    const RangeStatistics s = ComputeStatistics(set, r.a, r.b, limits);
    EXPECT_EQ(s.first, r.first);
    EXPECT_EQ(s.last, r.last);
    const auto pandas = PandasFigures(csv, r.first, r.last, 130.0, 80.0);
    ASSERT_EQ(pandas.size(), 2u);
    for (size_t c = 0; c < 2; ++c) {
      const UnitStatistics& u = s.units[c == 0 ? 0 : 2];
      const std::vector<double>& p = pandas[c];
      ASSERT_EQ(p.size(), 7u);
      EXPECT_EQ(static_cast<double>(u.count), p[0]);
      // The CSV holds each single's shortest text: pandas' doubles lie within a single's
      // rounding of the stored values.
      EXPECT_NEAR(u.min, p[1], 1e-4);
      EXPECT_NEAR(u.max, p[2], 1e-4);
      EXPECT_NEAR(u.mean, p[3], 1e-4);
      ASSERT_TRUE(u.sd.has_value());
      EXPECT_NEAR(*u.sd, p[4], 1e-4);
      ASSERT_TRUE(u.secondsAbove.has_value());
      EXPECT_DOUBLE_EQ(*u.secondsAbove, p[5] * 0.05);
      EXPECT_EQ(u.secondsBelow.has_value(), c == 1);
      if (u.secondsBelow) {
        EXPECT_DOUBLE_EQ(*u.secondsBelow, p[6] * 0.05);
      }
    }
  }
  EXPECT_FALSE(ComputeStatistics(set, 0, 0, limits).units[1].used);

  // The copied table: a header and one line per used unit, the name in the first cell.
  const QStringList lines =
      StatisticsTsv(set, ComputeStatistics(set, 0, 0, limits)).split(QLatin1Char('\n'));
  ASSERT_EQ(lines.size(), 4);  // header, ID0, ID2 and the final line end
  EXPECT_EQ(lines[0].count(QLatin1Char('\t')), 6);
  EXPECT_TRUE(lines[1].startsWith(QStringLiteral("ID0 炉内\t"))) << lines[1].toStdString();
  EXPECT_TRUE(lines[2].startsWith(QStringLiteral("ID2\t")));
}

}  // namespace

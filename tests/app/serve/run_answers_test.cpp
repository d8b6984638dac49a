// What the web view answers about a run: /api/samples gives the analysis CSV's own bytes for the
// same rows, and /api/view thins a long run without losing what a graph must show, each bucket's
// true minimum and maximum.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>
#include <cstdlib>

#include "core/record_set.h"
#include "files/analysis_csv.h"
#include "raw_client.h"
#include "serve/web_server.h"

namespace servetest {
namespace {

// The rows of rs as a follower of the session hands them on, with rs's marks.
void Feed(WebServer& server, const RecordSet& rs) {
  RunBegin run;
  for (int i = 0; i < RecordSet::kUnits; ++i) {
    if (rs.Units[i].MflagID) run.units.push_back({i, QStringLiteral("K"), rs.Units[i].Name});
  }
  run.startMs = rs.StartMs;
  run.intervalMs = rs.IntervalTM;
  server.Begin(run);
  std::vector<RunSample> rows;
  for (int32_t k = 0; k < rs.SampleCount; ++k) {
    RunSample row;
    row.sample = k;
    row.timeMs = rs.StartMs + (k + 1) * int64_t{rs.IntervalTM};
    for (int i = 0; i < RecordSet::kUnits; ++i) {
      const float v = rs.Units[i].Data[static_cast<size_t>(k)];
      if (rs.Units[i].MflagID && RecordSet::IsMeasured(v, false)) row.values[i] = v;
    }
    rows.push_back(row);
    if (rows.size() == 30 || k + 1 == rs.SampleCount) {  // a poll's rows at a time
      server.Rows(rows);
      rows.clear();
    }
  }
  for (const Mark& mark : rs.Marks) {
    server.Mark({mark.number, mark.sample - 1, rs.StartMs + mark.sample * int64_t{rs.IntervalTM},
                 mark.text});
  }
}

TEST(RunAnswersTest, SamplesAreTheAnalysisCsvsRowsByteForByte) {
  setenv("TZ", "Asia/Tokyo", 1);
  RecordSet rs;
  rs.StartMs = 1765170215120;
  rs.HasStartMs = true;
  rs.IntervalTM = 10;
  rs.SampleCount = 10000;  // more than one piece of the answer
  rs.Units[0].MflagID = rs.Units[2].MflagID = true;
  rs.Units[0].ConnectID = rs.Units[2].ConnectID = 4;
  rs.Units[0].Name = QStringLiteral("炉,\"A\"");
  for (int32_t k = 0; k < rs.SampleCount; ++k) {
    rs.Units[0].Data[static_cast<size_t>(k)] = k % 97 == 5 ? -300.0f : 20.0f + 1.0f / (k + 3);
    rs.Units[2].Data[static_cast<size_t>(k)] = k % 89 == 7 ? RecordSet::NoData : 1e-3f * k - 5;
  }
  rs.Units[0].DataCount = rs.Units[2].DataCount = rs.SampleCount;
  rs.Marks = {{1, 2, QStringLiteral("扉")},
              {2, 5000, QStringLiteral("a, b")},
              {3, 5000, QStringLiteral("c")}};
  std::string csv;
  ASSERT_TRUE(EncodeAnalysisCsv(rs, csv));
  csv.erase(0, csv.find("time,elapsed_s,sample"));

  WebServer server;
  QString error;
  ASSERT_TRUE(server.Start(QHostAddress::LocalHost, 0, {}, &error));
  Feed(server, rs);
  const Answer all = Get(server.Port(), "/api/samples");
  EXPECT_EQ(all.status, 200);
  EXPECT_EQ(all.Header("Content-Type"), "text/csv; charset=utf-8");
  EXPECT_EQ(all.body.toStdString(), csv);

  // From sample 4999 on: the header row, then the rows from the one numbered 4999.
  const size_t headerEnd = csv.find('\n') + 1;
  const size_t row4999 = csv.find("\n", csv.find(",4998,")) + 1;
  EXPECT_EQ(Get(server.Port(), "/api/samples?from=4999").body.toStdString(),
            csv.substr(0, headerEnd) + csv.substr(row4999));
  EXPECT_EQ(Get(server.Port(), "/api/samples?from=10000").body.toStdString(),
            csv.substr(0, headerEnd));
  for (const char* bad : {"-1", "10001", "x", "1e3"}) {
    EXPECT_EQ(Get(server.Port(), QByteArray("/api/samples?from=") + bad).status, 400) << bad;
  }
  unsetenv("TZ");
}

// The points of unit u in a view answer: (sample, value) where the value is not null.
std::vector<std::pair<int64_t, float>> PointsOf(const QJsonObject& view, int u) {
  const QJsonArray x = view[QStringLiteral("x")].toArray();
  const QJsonArray y = view[QStringLiteral("y")].toArray()[u].toArray();
  std::vector<std::pair<int64_t, float>> points;
  for (qsizetype i = 0; i < x.size(); ++i) {
    if (!y[i].isNull()) points.emplace_back(x[i].toInteger(), static_cast<float>(y[i].toDouble()));
  }
  return points;
}

TEST(RunAnswersTest, TheThinnedViewKeepsEachBucketsMinimumAndMaximum) {
  RecordSet rs;
  rs.StartMs = 1765170215120;
  rs.HasStartMs = true;
  rs.IntervalTM = 10;
  rs.SampleCount = 88000;
  rs.Units[0].MflagID = rs.Units[1].MflagID = true;
  for (int32_t k = 0; k < rs.SampleCount; ++k) {
    rs.Units[0].Data[static_cast<size_t>(k)] = 500 + 100 * std::sin(k / 5000.0f);
    // Unit 1 reads nothing in the samples 20000..29999.
    rs.Units[1].Data[static_cast<size_t>(k)] =
        k >= 20000 && k < 30000 ? RecordSet::NoData : 50 + 0.5f * std::cos(k / 37.0f);
  }
  rs.Units[0].Data[54321] = 1234.5f;  // a spike of one sample
  rs.Units[1].Data[777] = -40.25f;    // a dip of one sample
  WebServer server;
  QString error;
  ASSERT_TRUE(server.Start(QHostAddress::LocalHost, 0, {}, &error));
  Feed(server, rs);

  const Answer answer = Get(server.Port(), "/api/view?points=800");
  ASSERT_EQ(answer.status, 200);
  const QJsonObject view = QJsonDocument::fromJson(answer.body).object();
  EXPECT_EQ(view[QStringLiteral("step")].toInt(), 110);
  const QJsonArray x = view[QStringLiteral("x")].toArray();
  ASSERT_EQ(view[QStringLiteral("t")].toArray().size(), x.size());
  for (qsizetype i = 1; i < x.size(); ++i) ASSERT_LT(x[i - 1].toInteger(), x[i].toInteger());
  EXPECT_EQ(view[QStringLiteral("t")].toArray()[0].toInteger(),
            rs.StartMs + (x[0].toInteger() + 1) * 10);

  const auto unit0 = PointsOf(view, 0);
  const auto unit1 = PointsOf(view, 1);
  EXPECT_LE(unit0.size(), 1600u);
  EXPECT_GE(unit0.size(), 1500u);
  EXPECT_NE(std::find(unit0.begin(), unit0.end(), std::make_pair(int64_t{54321}, 1234.5f)),
            unit0.end());
  EXPECT_NE(std::find(unit1.begin(), unit1.end(), std::make_pair(int64_t{777}, -40.25f)),
            unit1.end());
  // Every point of a bucket is its true minimum or maximum; the unit's empty span has none.
  for (const auto& [sample, value] : unit1) {
    ASSERT_TRUE(sample < 20000 || sample >= 30000) << sample;
    const int64_t from = sample / 110 * 110;
    float low = INFINITY, high = -INFINITY;
    for (int64_t k = from; k < std::min<int64_t>(from + 110, 88000); ++k) {
      const float v = rs.Units[1].Data[static_cast<size_t>(k)];
      if (v == RecordSet::NoData) continue;
      low = std::min(low, v);
      high = std::max(high, v);
    }
    ASSERT_TRUE(value == low || value == high) << sample;
  }

  // A range of at most twice the points comes whole.
  const QJsonObject close =
      QJsonDocument::fromJson(Get(server.Port(), "/api/view?from=54300&to=54400&points=50").body)
          .object();
  EXPECT_EQ(close[QStringLiteral("step")].toInt(), 1);
  EXPECT_EQ(close[QStringLiteral("x")].toArray().size(), 100);
  EXPECT_EQ(close[QStringLiteral("x")].toArray()[21].toInteger(), 54321);
}

}  // namespace
}  // namespace servetest

// Thermocouple, platinum and thermistor conversions.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "thermo.h"

namespace {

using namespace mdxconv;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(Thermocouple, KnownPointsWithReferenceAtZero) {
  EXPECT_NEAR(TcToCelsius(kTypeK, 4096, 0), 100, 0.1);
  EXPECT_NEAR(TcToCelsius(kTypeJ, 5269, 0), 100, 0.1);
  EXPECT_NEAR(TcToCelsius(kTypeE, 6319, 0), 100, 0.1);
  EXPECT_NEAR(TcToCelsius(kTypeK, -5891, 0), -200, 0.1);
}

TEST(Thermocouple, ReferenceJunctionIsAddedBack) {
  EXPECT_NEAR(TcToCelsius(kTypeK, 0, 25), 25, 0.1);
  EXPECT_NEAR(TcToCelsius(kTypeT, 0, 25), 25, 0.1);
  // 100 degrees against a 25 degree reference sees only the difference of the EMFs.
  const double emf = TcEmf(kTypeK, 100) - TcEmf(kTypeK, 25);
  EXPECT_NEAR(TcToCelsius(kTypeK, emf, 25), 100, 0.1);
}

TEST(Thermocouple, PublishedReferenceValues) {
  // Values of the published reference tables, microvolts.
  EXPECT_NEAR(TcEmf(kTypeK, 1000), 41276, 1);
  EXPECT_NEAR(TcEmf(kTypeK, -200), -5891, 1);
  EXPECT_NEAR(TcEmf(kTypeB, 1000), 4834, 1);
  EXPECT_NEAR(TcEmf(kTypeR, 1500), 17451, 1);
  EXPECT_NEAR(TcEmf(kTypeS, 1200), 11951, 1);
  EXPECT_NEAR(TcEmf(kTypeN, 1000), 36256, 1);
  EXPECT_NEAR(TcEmf(kTypeE, -100), -5237, 1);
  EXPECT_NEAR(TcEmf(kTypeJ, 800), 45494, 1);
  EXPECT_NEAR(TcEmf(kTypeT, -200), -5603, 1);
  EXPECT_NEAR(TcEmf(kTypeT, 300), 14862, 1);
}

TEST(Thermocouple, SlopeIsTheDerivativeOfEachPiece) {
  // Central differences on both sides of every breakpoint, and inside K's exponential hump.
  const struct {
    int type;
    double t;
  } points[] = {{kTypeB, 630.0},  {kTypeB, 631.0}, {kTypeR, 1064.0}, {kTypeR, 1665.0},
                {kTypeS, 1700.0}, {kTypeN, -1.0},  {kTypeN, 1.0},    {kTypeK, -1.0},
                {kTypeK, 1.0},    {kTypeK, 127.0}, {kTypeK, 1300.0}, {kTypeE, -100.0},
                {kTypeJ, 759.0},  {kTypeJ, 761.0}, {kTypeT, -250.0}, {kTypeT, 350.0}};
  for (const auto& p : points) {
    const double h = 1e-4;
    const double numeric = (TcEmf(p.type, p.t + h) - TcEmf(p.type, p.t - h)) / (2 * h);
    EXPECT_NEAR(TcEmfSlope(p.type, p.t), numeric, 1e-4) << p.type << " at " << p.t;
  }
}

TEST(Thermocouple, RoundTripAcrossEachTypesRange) {
  for (int type = 0; type < kTcTypeCount; ++type) {
    const TcTypeInfo* info = TcInfo(type);
    ASSERT_NE(info, nullptr);
    // Type B's EMF has a minimum near 21 degrees and is ambiguous below about 40: no inversion
    // can tell those temperatures apart, so its sweep starts where the curve is usable.
    const double from = type == kTypeB ? 100 : info->clampLowC;
    for (double t = from; t <= info->clampHighC; t += 0.5) {
      EXPECT_NEAR(TcToCelsius(type, TcEmf(type, t), 0), t, 0.1) << info->name << " at " << t;
    }
  }
}

TEST(Thermocouple, WindowEndsAreInclusiveAndNothingOutside) {
  for (int type = 0; type < kTcTypeCount; ++type) {
    const TcTypeInfo* info = TcInfo(type);
    EXPECT_EQ(TcToCelsius(type, info->emfLow - 1, 0), kNoValue) << info->name;
    EXPECT_EQ(TcToCelsius(type, info->emfHigh + 1, 0), kNoValue) << info->name;
    EXPECT_NE(TcToCelsius(type, info->emfLow + 1, 0), kNoValue) << info->name;
    EXPECT_NE(TcToCelsius(type, info->emfHigh - 1, 0), kNoValue) << info->name;
  }
  // The window applies to the total: the reference junction pushes an in-range EMF out.
  EXPECT_NE(TcToCelsius(kTypeK, 54000, 0), kNoValue);
  EXPECT_EQ(TcToCelsius(kTypeK, 54000, 30), kNoValue);
  EXPECT_EQ(TcToCelsius(kTypeK, 60000, 0), kNoValue);
  EXPECT_EQ(TcToCelsius(kTypeB, -4, 0), kNoValue);
}

TEST(Thermocouple, ClampsHoldTheIterationInside) {
  // Just inside the window but beyond the last temperature: the estimate sticks to the clamp.
  EXPECT_DOUBLE_EQ(TcToCelsius(kTypeR, 21101.9, 0), 1768);
  EXPECT_DOUBLE_EQ(TcToCelsius(kTypeT, 20872.9, 0), 400);
}

TEST(Thermocouple, NothingConvertibleGivesNoValue) {
  EXPECT_EQ(TcToCelsius(kTypeK, kNaN, 0), kNoValue);
  EXPECT_EQ(TcToCelsius(kTypeK, 1000, kNaN), kNoValue);
  EXPECT_EQ(TcToCelsius(kTypeVoltage, 1000, 0), kNoValue);
  EXPECT_EQ(TcToCelsius(-1, 1000, 0), kNoValue);
  EXPECT_TRUE(std::isnan(TcEmf(9, 100)));
  EXPECT_EQ(TcInfo(8), nullptr);
}

TEST(Platinum, KnownResistances) {
  EXPECT_NEAR(PtToCelsius(100), 0, 0.01);
  EXPECT_NEAR(PtToCelsius(138.5055), 100.00, 0.005);
  EXPECT_NEAR(PtToCelsius(80.3063), -50.00, 0.005);
  EXPECT_NEAR(PtToCelsius(109.73), 24.99, 0.005);
}

TEST(Platinum, ForwardAndInverseAgree) {
  for (double t = -200; t <= 600; t += 5) {
    EXPECT_NEAR(PtToCelsius(PtResistance(t)), t, 0.02 + 0.01 * std::fabs(t) * (t < 0)) << t;
  }
  EXPECT_TRUE(std::isnan(PtToCelsius(kNaN)));
}

TEST(Platinum, UnsettledIterationGives900) {
  // Above about 761 ohms the quadratic has no root: the iteration wanders and gives up.
  EXPECT_EQ(PtToCelsius(800), 900);
  EXPECT_EQ(PtToCelsius(5000), 900);
}

TEST(Thermistor, KnownValues) {
  EXPECT_NEAR(ThermistorToCelsius(10000), 25.00, 0.005);
  EXPECT_NEAR(ThermistorToCelsius(5000), 44.50, 0.005);
  EXPECT_NEAR(ThermistorToCelsius(20000), 7.53, 0.005);
}

TEST(Thermistor, InverseAndOutOfDomain) {
  for (double t = -50; t <= 150; t += 2.5) {
    const double x = ThermistorResistance(t);
    ASSERT_FALSE(std::isnan(x)) << t;
    EXPECT_NEAR(ThermistorToCelsius(x), t, 1e-6) << t;
  }
  EXPECT_NEAR(ThermistorResistance(25), 10000, 0.01);
  EXPECT_TRUE(std::isnan(ThermistorToCelsius(0)));
  EXPECT_TRUE(std::isnan(ThermistorToCelsius(-1)));
  EXPECT_TRUE(std::isnan(ThermistorToCelsius(1e-12)));  // below the curve's real domain
  EXPECT_TRUE(std::isnan(ThermistorResistance(2000)));
}

}  // namespace

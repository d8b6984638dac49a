// Reply layouts of both models, decoded from hand-made bytes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "readings.h"
#include "thermo.h"

namespace {

using namespace mdxdrv;

void PutWord(uint8_t* p, int word) {
  p[0] = static_cast<uint8_t>(word & 0xFF);
  p[1] = static_cast<uint8_t>(word >> 8);
}

void PutBe24(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 16);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v);
}

// A base-model record: words w0..w4 at bytes 0..9.
void PutBaseWords(uint8_t* p, int w0, int w1, int w2, int w3, int w4) {
  PutWord(p, w0);
  PutWord(p + 2, w1);
  PutWord(p + 4, w2);
  PutWord(p + 6, w3);
  PutWord(p + 8, w4);
}

const ExtendedCal kCal{4096, 60000.0 / 40960};

TEST(BaseReading, VoltageIsTheWordDifference) {
  uint8_t p[10];
  PutBaseWords(p, 0, 0, 0, 1000, 1655);
  EXPECT_DOUBLE_EQ(ConvertBase(p, kTypeVoltage), 999.45068359375);
  // Differences are signed: the same words the other way round give a negative EMF.
  PutBaseWords(p, 0, 0, 0, 1655, 1000);
  EXPECT_DOUBLE_EQ(ConvertBase(p, kTypeVoltage), -999.45068359375);
  // Least significant byte first.
  PutBaseWords(p, 0, 0, 0, 0, 0x1234);
  EXPECT_EQ(p[8], 0x34);
  EXPECT_DOUBLE_EQ(ConvertBase(p, kTypeVoltage), 0x1234 * kBaseMicrovoltsPerCount);
}

TEST(BaseReading, PlatinumReferenceJunction) {
  uint8_t p[10];
  // w0 - w1 = w1 - w2: 100 ohms, 0 degrees; an EMF of 0 is then 0 degrees for type K.
  PutBaseWords(p, 30000, 20000, 10000, 500, 500);
  EXPECT_NEAR(ConvertBase(p, mdxconv::kTypeK), 0, 0.1);
  // R = 100 x 11000 / 10000 = 110 ohms, about 25.6 degrees.
  PutBaseWords(p, 30000, 20000, 9000, 500, 500);
  EXPECT_NEAR(ConvertBase(p, mdxconv::kTypeK), mdxconv::PtToCelsius(110), 0.1);
  // 4096 microvolts over a 0 degree reference: 100 degrees.
  PutBaseWords(p, 30000, 20000, 10000, 0, static_cast<int>(std::lround(4096 / 1.52587890625)));
  EXPECT_NEAR(ConvertBase(p, mdxconv::kTypeK), 100, 0.1);
}

TEST(BaseReading, NoReferenceCurrentGivesNoValue) {
  uint8_t p[10];
  PutBaseWords(p, 20000, 20000, 10000, 500, 600);
  EXPECT_EQ(ConvertBase(p, mdxconv::kTypeK), mdxconv::kNoValue);
  EXPECT_EQ(ConvertBase(p, mdxconv::kTypeB), mdxconv::kNoValue);
  // A voltage needs no reference junction.
  EXPECT_DOUBLE_EQ(ConvertBase(p, kTypeVoltage), 100 * kBaseMicrovoltsPerCount);
}

TEST(ExtendedReading, CalibrationAndThermistor) {
  EXPECT_DOUBLE_EQ(ConvertExtended(4096, 0, kCal, kTypeVoltage), 0);
  EXPECT_DOUBLE_EQ(ConvertExtended(45056, 0, kCal, kTypeVoltage), 60000);
  EXPECT_LT(ConvertExtended(0, 0, kCal, kTypeVoltage), 0);
  // r = 10000 / 0.00596046 counts: a 25 degree reference, so an EMF of 0 reads 25 degrees.
  const auto r25 = static_cast<uint32_t>(std::lround(10000 / kThermistorPerCount));
  EXPECT_NEAR(ConvertExtended(4096, r25, kCal, mdxconv::kTypeK), 25, 0.1);
  // A thermistor value of 0 has no temperature.
  EXPECT_EQ(ConvertExtended(4096, 0, kCal, mdxconv::kTypeK), mdxconv::kNoValue);
}

// A full fetch reply of the model whose readings carry their index in the EMF and status.
std::vector<uint8_t> FetchReply(uint8_t model, int n, int claimed) {
  std::vector<uint8_t> reply(1700, 0xEE);
  reply[0] = 0;
  reply[1] = static_cast<uint8_t>(claimed);
  for (int k = 0; k < n; ++k) {
    if (model == kModelBase) {
      uint8_t* rec = reply.data() + BaseRecordOffset(k);
      PutBaseWords(rec, 30000, 20000, 10000, 1000, 1000 + k + 1);
      rec[10] = static_cast<uint8_t>(0x80 + k);
    } else {
      uint8_t* rec = reply.data() + ExtendedRecordOffset(k);
      PutBe24(rec + 2, 4096 + 4096 * (k + 1));
      PutBe24(rec + 6, 1677721);
      rec[9] = static_cast<uint8_t>(0x80 + k);
    }
  }
  return reply;
}

double ExpectedVoltage(uint8_t model, int k) {
  return model == kModelBase ? (k + 1) * kBaseMicrovoltsPerCount : 4096.0 * (k + 1) * kCal.scale;
}

TEST(FetchReply, BaseBlocksOfFiveRecords) {
  EXPECT_EQ(BaseRecordOffset(5), 66u);
  EXPECT_EQ(BaseRecordOffset(6), 78u);
  EXPECT_EQ(BaseRecordEnd(127), 1637u);  // status byte of the last record is byte 1636
  EXPECT_EQ(ExtendedRecordEnd(127), 1283u);

  // Seven readings: five from the first block, 5 and 6 at bytes 66 and 78 of the second. The
  // two leading bytes of the second block are not part of any record.
  std::vector<uint8_t> reply(1700, 0);
  reply[1] = 7;
  for (int k = 0; k < 7; ++k) {
    const size_t at = (k < 5) ? 2 + 12 * k : 66 + 12 * (k - 5);
    PutBaseWords(reply.data() + at, 0, 0, 0, 0, 100 * (k + 1));
    reply[at + 10] = static_cast<uint8_t>(k + 1);
  }
  reply[62] = reply[63] = reply[64] = reply[65] = 0xFF;
  double values[7];
  uint8_t status[7];
  ASSERT_EQ(
      DecodeFetch(kModelBase, reply.data(), reply.size(), 7, kCal, kTypeVoltage, values, status),
      7u);
  for (int k = 0; k < 7; ++k) {
    EXPECT_DOUBLE_EQ(values[k], 100 * (k + 1) * kBaseMicrovoltsPerCount) << k;
    EXPECT_EQ(status[k], k + 1) << k;
  }
}

TEST(FetchReply, BothModelsAllCounts) {
  for (uint8_t model : {kModelBase, kModelExtended}) {
    for (int n : {0, 1, 5, 6, 64, 127, 128}) {
      const auto reply = FetchReply(model, n, n);
      std::vector<double> values(128, -1);
      std::vector<uint8_t> status(128, 0);
      ASSERT_EQ(DecodeFetch(model, reply.data(), reply.size(), 128, kCal, kTypeVoltage,
                            values.data(), status.data()),
                static_cast<size_t>(n));
      for (int k = 0; k < n; ++k) {
        EXPECT_NEAR(values[k], ExpectedVoltage(model, k), 1e-9) << int{model} << " " << k;
        EXPECT_EQ(status[k], 0x80 + k);
      }
      if (n < 128) {
        EXPECT_EQ(values[n], -1);  // nothing past the delivered count
      }
    }
  }
}

TEST(FetchReply, OverclaimedCountIsLimitedToTheCountAskedFor) {
  for (uint8_t model : {kModelBase, kModelExtended}) {
    const auto reply = FetchReply(model, 10, 200);
    // Exactly-sized output arrays: a write past them is caught by the address sanitizer.
    auto values = std::make_unique<double[]>(10);
    auto status = std::make_unique<uint8_t[]>(10);
    EXPECT_EQ(DecodeFetch(model, reply.data(), reply.size(), 10, kCal, kTypeVoltage, values.get(),
                          status.get()),
              10u);
    const auto full = FetchReply(model, 128, 255);
    auto values128 = std::make_unique<double[]>(128);
    auto status128 = std::make_unique<uint8_t[]>(128);
    EXPECT_EQ(DecodeFetch(model, full.data(), full.size(), 128, kCal, kTypeVoltage, values128.get(),
                          status128.get()),
              128u);
  }
}

TEST(FetchReply, ShortReplyDeliversOnlyWholeRecords) {
  const auto base = FetchReply(kModelBase, 7, 7);
  double values[7];
  uint8_t status[7];
  EXPECT_EQ(DecodeFetch(kModelBase, base.data(), BaseRecordEnd(5), 7, kCal, 8, values, status), 6u);
  EXPECT_EQ(DecodeFetch(kModelBase, base.data(), BaseRecordEnd(5) - 1, 7, kCal, 8, values, status),
            5u);
  const auto ext = FetchReply(kModelExtended, 7, 7);
  EXPECT_EQ(
      DecodeFetch(kModelExtended, ext.data(), ExtendedRecordEnd(2), 7, kCal, 8, values, status),
      3u);
  EXPECT_EQ(DecodeFetch(kModelExtended, ext.data(), 1, 7, kCal, 8, values, status), 0u);
  EXPECT_EQ(DecodeFetch(kModelExtended, ext.data(), 0, 7, kCal, 8, values, status), 0u);
}

TEST(FetchReply, RandomAndTruncatedBytesStayInBounds) {
  std::mt19937 rng(12345);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int round = 0; round < 2000; ++round) {
    const size_t length = rng() % 1701;
    // Exactly the delivered length on the heap, so any read past it is caught.
    auto reply = std::make_unique<uint8_t[]>(length + 1);
    for (size_t i = 0; i < length; ++i) reply[i] = static_cast<uint8_t>(byte(rng));
    const auto asked = static_cast<uint8_t>(rng() % 129);
    const auto type = static_cast<uint8_t>(rng() % 9);
    const uint8_t model = rng() % 2;
    auto values = std::make_unique<double[]>(asked + 1);
    auto status = std::make_unique<uint8_t[]>(asked + 1);
    const size_t n =
        DecodeFetch(model, reply.get(), length, asked, kCal, type, values.get(), status.get());
    ASSERT_LE(n, asked);
    for (size_t k = 0; k < n; ++k) {
      ASSERT_FALSE(std::isnan(values[k]));
      if (type != kTypeVoltage && values[k] != mdxconv::kNoValue) {
        const mdxconv::TcTypeInfo* info = mdxconv::TcInfo(type);
        ASSERT_GE(values[k], info->clampLowC);
        ASSERT_LE(values[k], info->clampHighC);
      }
    }
  }
}

}  // namespace

// The physical model read back through the driver's conversions, and the demonstration units.
#include <cstdlib>
#include <set>

#include "sim_fixture.h"
#include "thermo.h"

namespace usbkit_test {
namespace {

using Bytes = std::vector<uint8_t>;

uint32_t Be24(const Bytes& b, size_t at) {
  return (b[at] << 16) | (b[at + 1] << 8) | b[at + 2];
}
int Le16(const Bytes& b, size_t at) {
  return b[at] | (b[at + 1] << 8);
}

// What the driver makes of a single reading of a unit, for thermocouple type (or 8: microvolts).
struct Decoded {
  double emf_uv;
  double ref_c;
  double value;
};

Decoded DecodeBase(const Bytes& r, int type) {
  int w[5];
  for (int i = 0; i < 5; ++i) w[i] = Le16(r, 2 * i);
  Decoded d;
  d.emf_uv = (w[4] - w[3]) * 100000.0 / 65536.0;
  d.ref_c = mdxconv::PtToCelsius(100.0 * (w[1] - w[2]) / (w[0] - w[1]));
  d.value = type == 8 ? d.emf_uv : mdxconv::TcToCelsius(type, d.emf_uv, d.ref_c);
  return d;
}

Decoded DecodeExtended(const Bytes& r, const Bytes& cal, int type) {
  double offset = Be24(cal, 1);
  double scale = 60000.0 / Be24(cal, 4);
  Decoded d;
  d.emf_uv = (static_cast<double>(Be24(r, 0)) - offset) * scale;
  d.ref_c = mdxconv::ThermistorToCelsius(Be24(r, 3) * 0.00596046);
  d.value = type == 8 ? d.emf_uv : mdxconv::TcToCelsius(type, d.emf_uv, d.ref_c);
  return d;
}

class PhysicsTest : public SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    ASSERT_EQ(Open(), USBKIT_STATUS_SUCCESS);
    base_no_ = PlugAndWait(USBKIT_SIM_MODEL_BASE, 0);
    ext_no_ = PlugAndWait(USBKIT_SIM_MODEL_EXTENDED, 4);
    base_ = HandleOf(0);
    ext_ = HandleOf(4);
    ASSERT_NE(base_, nullptr);
    ASSERT_NE(ext_, nullptr);
  }

  Decoded Read(bool extended, int type) {
    Bytes reply, cal;
    if (!extended) {
      EXPECT_EQ(Exchange(base_, {0x10}, 10, &reply), USBKIT_STATUS_SUCCESS);
      return DecodeBase(reply, type);
    }
    EXPECT_EQ(Exchange(ext_, {0x60}, 7, &cal), USBKIT_STATUS_SUCCESS);
    EXPECT_EQ(Exchange(ext_, {0x10}, 6, &reply), USBKIT_STATUS_SUCCESS);
    return DecodeExtended(reply, cal, type);
  }

  void Set(int type, double hot, double ref) {
    usbkit_sim_set_temperature(base_no_, type, hot, ref);
    usbkit_sim_set_temperature(ext_no_, type, hot, ref);
  }

  int base_no_ = 0, ext_no_ = 0;
  WDU_DEVICE_HANDLE base_ = nullptr, ext_ = nullptr;
};

TEST_F(PhysicsTest, TypeKAt250WithReferenceAt23ReadsBackOnBothModels) {
  Set(4, 250.0, 23.0);
  for (bool extended : {false, true}) {
    Decoded d = Read(extended, 4);
    EXPECT_NEAR(d.value, 250.0, 0.1) << (extended ? "extended" : "base");
    EXPECT_NEAR(d.ref_c, 23.0, 0.05) << (extended ? "extended" : "base");
    EXPECT_NEAR(d.emf_uv, mdxconv::TcEmf(4, 250.0) - mdxconv::TcEmf(4, 23.0), 1.6);
  }
}

TEST_F(PhysicsTest, EveryTypeReadsBackAcrossItsRangeAndAtOtherReferenceTemperatures) {
  struct Case {
    int type;
    double hot;
  };
  const Case cases[] = {{0, 800},  {0, 1600}, {1, 300},  {1, 1500}, {2, 250},  {2, 1400},
                        {3, -150}, {3, 1100}, {4, -200}, {4, 1300}, {5, -100}, {5, 900},
                        {6, -150}, {6, 1100}, {7, -200}, {7, 380}};
  for (double ref : {5.0, 23.0, 41.0}) {
    for (const Case& c : cases) {
      Set(c.type, c.hot, ref);
      for (bool extended : {false, true}) {
        Decoded d = Read(extended, c.type);
        EXPECT_NEAR(d.value, c.hot, 0.15) << "type " << c.type << " hot " << c.hot << " ref " << ref
                                          << (extended ? " extended" : " base");
      }
    }
  }
}

TEST_F(PhysicsTest, ColdHotJunctionGivesNegativeEmfAndCalibrationChangesTheRawValue) {
  Set(4, -50.0, 25.0);
  EXPECT_LT(Read(false, 8).value, -2500.0);
  EXPECT_LT(Read(true, 8).value, -2500.0);
  // A recalibrated unit encodes with its new offset and span, so the driver still agrees.
  usbkit_sim_set_calibration(ext_no_, 4096, 40960);
  Set(4, 400.0, 25.0);
  Decoded d = Read(true, 4);
  EXPECT_NEAR(d.value, 400.0, 0.3);  // 1.46 uV per count is coarse
}

TEST_F(PhysicsTest, ProfileDrivesTheHotJunctionFromThePlugTime) {
  usbkit_sim_use_manual_clock(1);
  usbkit_sim_unplug(base_no_);
  usbkit_sim_replug(base_no_);
  usbkit_sim_wait_idle();
  base_ = HandleOf(0);
  usbkit_sim_set_temperature(base_no_, 4, 0.0, 20.0);
  usbkit_sim_set_profile(
      base_no_, [](void*, double ms) { return 100.0 + ms / 100.0; }, nullptr);
  usbkit_sim_advance_ms(5000);
  EXPECT_NEAR(Read(false, 4).value, 150.0, 0.1);
}

TEST_F(PhysicsTest, DemoUnitsAreFourLivelyUnitsWithDistinctUnitIds) {
  Close();
  usbkit_sim_reset();
  setenv("USBKIT_SIMULATE", "demo", 1);
  ASSERT_EQ(Open(), USBKIT_STATUS_SUCCESS);
  unsetenv("USBKIT_SIMULATE");
  usbkit_sim_wait_idle();
  std::vector<Notice> n = Notices();
  std::vector<Notice> attached(n.end() - 4, n.end());
  std::set<int> unit_ids;
  for (const Notice& a : attached) {
    ASSERT_GE(a.id_byte, 0);
    // The driver's placement: extended units are their low bits, base units swap 1 and 2.
    int id = (a.id_byte & 4) ? (a.id_byte & 3)
                             : (a.id_byte == 1   ? 2
                                : a.id_byte == 2 ? 1
                                                 : a.id_byte);
    unit_ids.insert(id);
    Bytes reply, cal;
    ASSERT_EQ(Exchange(a.handle, {0xF0}, 2, &reply), USBKIT_STATUS_SUCCESS);
    // Unit ID 0 is a furnace on a type B thermocouple (the program's default type), the others
    // carry type K.
    const int type = id == 0 ? 0 : 4;
    Decoded d;
    if (a.id_byte & 4) {
      ASSERT_EQ(Exchange(a.handle, {0x60}, 7, &cal), USBKIT_STATUS_SUCCESS);
      ASSERT_EQ(Exchange(a.handle, {0x10}, 6, &reply), USBKIT_STATUS_SUCCESS);
      d = DecodeExtended(reply, cal, type);
    } else {
      ASSERT_EQ(Exchange(a.handle, {0x10}, 10, &reply), USBKIT_STATUS_SUCCESS);
      d = DecodeBase(reply, type);
    }
    EXPECT_GT(d.value, id == 0 ? 290.0 : 15.0) << "ID byte " << a.id_byte;
    EXPECT_LT(d.value, id == 0 ? 1260.0 : 700.0) << "ID byte " << a.id_byte;
    EXPECT_GT(d.ref_c, 20.0);
    EXPECT_LT(d.ref_c, 27.0);
  }
  EXPECT_EQ(unit_ids, (std::set<int>{0, 1, 2, 3}));

  // Opening the toolkit again does not plug a second set.
  Close();
  setenv("USBKIT_SIMULATE", "demo", 1);
  ASSERT_EQ(Open(), USBKIT_STATUS_SUCCESS);
  unsetenv("USBKIT_SIMULATE");
  usbkit_sim_wait_idle();
  EXPECT_EQ(Notices().size(), n.size() + 4);
}

}  // namespace
}  // namespace usbkit_test

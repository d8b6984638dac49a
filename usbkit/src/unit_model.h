// One measurement unit as seen from its USB pipes: request bytes in, reply bytes out. It holds
// the unit's own timed sampling with its buffer, its calibration and the physical model of the
// thermocouple it measures. It knows nothing of transfers or threads: the owner serialises calls
// and tells it the time, so the same unit serves any transport.
#ifndef USBKIT_SRC_UNIT_MODEL_H
#define USBKIT_SRC_UNIT_MODEL_H

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <vector>

namespace usbkit {

// Hot-junction temperature in degrees Celsius at time_ms of the unit's own clock.
using HotProfile = double (*)(void* context, double time_ms);

class UnitModel {
 public:
  static constexpr int kBase = 0;
  static constexpr int kExtended = 1;
  // Readings the sampling buffer holds. When it is full, further readings are dropped (counted
  // in Lost()) until a fetch makes room; the oldest readings are never overwritten.
  static constexpr size_t kCapacity = 65536;
  // Largest fetch reply the unit sends, and so the most readings one fetch can deliver.
  static constexpr size_t kFetchReplyMax = 1700;

  // now_ms: the owner's clock at power-up; the unit's own clock starts there.
  UnitModel(int model, uint8_t id_byte, double now_ms);

  int model() const { return model_; }
  uint8_t id_byte() const { return id_byte_; }

  // Power cycle (a re-plug): timed sampling stops, the buffer empties and the unit's own clock
  // restarts. Physical model, calibration and scripted replies stay.
  void PowerUp(double now_ms);

  // One request written to the unit. Returns true and the reply the unit then has ready on its
  // reply pipe, or false for commands that answer nothing (0x20, unknown commands).
  bool Handle(const uint8_t* request, size_t length, double now_ms, std::vector<uint8_t>* reply);

  // Settings take effect from now_ms; readings due before it are sampled with the old ones.
  void SetTemperature(int tc_type, double hot_c, double ref_c, double now_ms);
  void SetProfile(HotProfile profile, void* context, double now_ms);
  void SetCalibration(uint32_t offset, uint32_t span, double now_ms);

  // The next reply to `command` is exactly these bytes; the command then has no other effect.
  void PushReply(uint8_t command, std::vector<uint8_t> bytes);
  void ClearScripts() { scripted_.clear(); }
  // Fetch replies claim `extra` more readings than were asked for (0 = honest).
  void SetOverclaim(int extra) { overclaim_ = extra < 0 ? 0 : extra; }

  size_t Buffered(double now_ms);
  uint64_t Lost() const { return lost_; }
  bool Sampling() const { return sampling_; }

  // The most readings whose records fit in a fetch reply of this model.
  size_t MaxPerFetch() const;

 private:
  struct Reading {
    uint16_t w[5];
    uint32_t m;
    uint32_t r;
    uint8_t status;
  };

  Reading Measure(double now_ms) const;
  void CatchUp(double now_ms);
  void StopSampling();
  void PutReading(const Reading& reading, uint8_t* at) const;
  size_t FetchReplyLength(size_t readings) const;
  std::vector<uint8_t> Fetch(uint8_t count, double now_ms);

  int model_;
  uint8_t id_byte_;
  double origin_ms_;

  int tc_type_ = 4;
  double hot_c_ = 25.0;
  double ref_c_ = 25.0;
  HotProfile profile_ = nullptr;
  void* profile_context_ = nullptr;
  uint32_t cal_offset_;
  uint32_t cal_span_;

  bool sampling_ = false;
  double interval_ms_ = 0;
  double sampling_start_ms_ = 0;
  uint64_t taken_ = 0;  // readings due since the start, buffered or lost
  uint64_t lost_ = 0;
  std::deque<Reading> buffer_;

  std::map<uint8_t, std::deque<std::vector<uint8_t>>> scripted_;
  int overclaim_ = 0;
};

}  // namespace usbkit

#endif

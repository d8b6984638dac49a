// The simulated units of the process: which are plugged in, the faults set on them, the requests
// they received and the reply each has ready, all on one clock. The C API of usbkit_sim.h drives
// it; a back end serves its units to the driver by listening for plugs and passing transfers in.
//
// Every plug of a unit gets a new plug number, unique in the process. Transfers name the plug,
// not the unit, so a transfer meant for an earlier plug of a re-plugged unit fails.
#ifndef USBKIT_SRC_SIM_RACK_H
#define USBKIT_SRC_SIM_RACK_H

#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "backend.h"
#include "sim_clock.h"
#include "unit_model.h"

namespace usbkit {

// USB identity of a simulated unit.
constexpr uint16_t kSimVendorId = 0x0BA0;
constexpr uint16_t kSimProductId = 0x000F;

// Told of plugs and unplugs; called with the rack's lock held, so it must not call back into the
// rack (queueing work for another thread is fine).
class RackListener {
 public:
  virtual ~RackListener() = default;
  virtual void OnPlugged(uint64_t plug, const DeviceIdentity& identity) = 0;
  virtual void OnUnplugged(uint64_t plug) = 0;
};

class SimRack {
 public:
  static SimRack& Instance();

  void Enable();
  bool Enabled() const;

  // One listener at a time. Setting it reports every unit plugged in now, and returns the
  // session its reads name.
  uint64_t SetListener(RackListener* listener);
  void ClearListener(RackListener* listener);

  // Transfers of a plug. Write takes a request on pipe 2; Read takes the ready reply on pipe
  // 0x83, or waits for one until the time-out (on the manual clock the wait moves the clock
  // forward by the time-out at once) and fails, also when the unit is pulled out or the
  // session's listener is cleared meanwhile.
  uint32_t Write(uint64_t plug, uint32_t pipe, const uint8_t* data, uint32_t length,
                 uint32_t* transferred);
  uint32_t Read(uint64_t session, uint64_t plug, uint32_t pipe, uint8_t* buffer, uint32_t length,
                uint32_t* transferred, uint32_t timeout_ms);
  uint32_t ResetPipe(uint64_t plug, uint32_t pipe);

  // Control, as in usbkit_sim.h. Unknown unit numbers are ignored.
  int Plug(int model, uint8_t id_byte);
  void Unplug(int unit);
  void Replug(int unit);
  void SetTemperature(int unit, int tc_type, double hot_c, double ref_c);
  void SetProfile(int unit, HotProfile profile, void* context);
  void SetCalibration(int unit, uint32_t offset, uint32_t span);
  void PushReply(int unit, uint8_t command, std::vector<uint8_t> bytes);
  void FailTransfers(int unit, int count);
  void SetUnresponsive(int unit, bool on);
  void FailProbe(int unit, bool on);
  void Overclaim(int unit, int extra);
  int RequestCount(int unit);
  std::optional<std::vector<uint8_t>> Request(int unit, int index);
  void ClearRequests(int unit);
  int Buffered(int unit);
  void UseManualClock(bool on);
  void Advance(double ms);
  double NowMs();
  void Reset();
  // True once after each reset: the caller then plugs the demonstration units.
  bool ClaimDemo();

 private:
  struct Unit {
    explicit Unit(int model, uint8_t id, double now) : model(model, id, now) {}
    UnitModel model;
    bool plugged = false;
    uint64_t plug = 0;
    int fail_next = 0;
    bool unresponsive = false;
    bool fail_probe = false;
    std::vector<std::vector<uint8_t>> log;
    std::optional<std::vector<uint8_t>> reply;
  };

  SimRack() = default;
  Unit* Find(int unit);
  Unit* FindPlug(uint64_t plug);
  void PlugLocked(int number, Unit& unit);
  void UnplugLocked(Unit& unit);
  DeviceIdentity Identity(int number) const;
  // Consumes one pending transfer failure of the unit.
  bool TakeFailure(Unit& unit);

  mutable std::mutex mu_;
  std::condition_variable changed_;
  SimClock clock_;
  bool enabled_ = false;
  bool demo_claimed_ = false;
  int next_unit_ = 1;
  uint64_t next_plug_ = 1;
  std::map<int, std::unique_ptr<Unit>> units_;
  RackListener* listener_ = nullptr;
  uint64_t session_ = 1;  // the current listener's session; a new number ends waiting reads
};

}  // namespace usbkit

#endif

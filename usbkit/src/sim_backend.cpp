// The back end that serves the simulated units of the rack to the driver.
#include <cstdlib>
#include <cstring>
#include <memory>

#include "backend.h"
#include "hotplug.h"
#include "sim_demo.h"
#include "sim_rack.h"

namespace usbkit {

namespace {

class SimBackend : public Backend, public RackListener {
 public:
  ~SimBackend() override { Uninit(); }

  uint32_t Init(const std::vector<UsbkitMatch>& match, const UsbkitEvents& events) override {
    hotplug_ = std::make_unique<Hotplug>(match, events);
    hotplug_->Start();
    const char* env = std::getenv("USBKIT_SIMULATE");
    if (env != nullptr && std::strcmp(env, "demo") == 0) PlugDemoUnits();
    session_ = SimRack::Instance().SetListener(this);
    return USBKIT_STATUS_SUCCESS;
  }

  void Uninit() override {
    if (!hotplug_) return;
    SimRack::Instance().ClearListener(this);
    hotplug_->Stop();
  }

  uint32_t Transfer(WDU_DEVICE_HANDLE device, uint32_t pipe, uint32_t direction, uint32_t options,
                    void* buffer, uint32_t length, uint32_t* transferred,
                    const uint8_t* setup_packet, uint32_t timeout_ms) override {
    (void)options;
    (void)setup_packet;
    uint64_t plug = 0;
    if (!hotplug_ || !hotplug_->Resolve(device, &plug)) return USBKIT_STATUS_FAILED;
    auto* bytes = static_cast<uint8_t*>(buffer);
    if (direction == USBKIT_WRITE) {
      return SimRack::Instance().Write(plug, pipe, bytes, length, transferred);
    }
    if (direction == USBKIT_READ) {
      return SimRack::Instance().Read(session_, plug, pipe, bytes, length, transferred, timeout_ms);
    }
    return USBKIT_STATUS_FAILED;
  }

  uint32_t ResetPipe(WDU_DEVICE_HANDLE device, uint32_t pipe) override {
    uint64_t plug = 0;
    if (!hotplug_ || !hotplug_->Resolve(device, &plug)) return USBKIT_STATUS_FAILED;
    return SimRack::Instance().ResetPipe(plug, pipe);
  }

  void WaitIdle() override {
    if (hotplug_) hotplug_->WaitIdle();
  }

  void OnPlugged(uint64_t plug, const DeviceIdentity& identity) override {
    hotplug_->Arrived(plug, identity);
  }

  void OnUnplugged(uint64_t plug) override { hotplug_->Departed(plug); }

 private:
  std::unique_ptr<Hotplug> hotplug_;
  uint64_t session_ = 0;
};

}  // namespace

std::unique_ptr<Backend> MakeSimBackend() {
  return std::make_unique<SimBackend>();
}

}  // namespace usbkit

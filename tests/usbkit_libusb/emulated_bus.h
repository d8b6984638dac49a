// A USB bus with emulated units, for running the toolkit's libusb back end without hardware.
//
// Each unit is a device node of a umockdev testbed with the unit's descriptors (vendor 0x0BA0,
// product 0x000F, interface 0 with interrupt IN 0x81, OUT 2 and IN 0x83). Its usbfs requests
// are answered here: URBs written to endpoint 2 go to the unit's logic, URBs read from 0x83 get
// the logic's reply. Faults are injected per unit: failing URBs, a halted endpoint, a unit that
// never answers, and pulling the unit out (which sends the remove uevent that libusb's hotplug
// monitor sees).
//
// The program must run with the umockdev preload library (see umockdev_main.cpp).
#ifndef TESTS_USBKIT_LIBUSB_EMULATED_BUS_H
#define TESTS_USBKIT_LIBUSB_EMULATED_BUS_H

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

typedef struct _UMockdevTestbed UMockdevTestbed;
typedef struct _UMockdevIoctlBase UMockdevIoctlBase;
typedef struct _UMockdevIoctlClient UMockdevIoctlClient;

namespace usbkit_test {

// What a unit does with the bytes it receives; called on umockdev's worker thread.
class UnitLogic {
 public:
  virtual ~UnitLogic() = default;
  // One request written to the unit.
  virtual void Receive(const std::vector<uint8_t>& request) = 0;
  // The reply to the oldest unanswered request, if the unit has one now.
  virtual bool TakeReply(std::vector<uint8_t>* reply) = 0;
  // Plugged in again: whatever the unit had not yet answered is lost with its power.
  virtual void PowerUp() = 0;
};

struct UnitOptions {
  uint16_t vendor_id = 0x0BA0;
  uint16_t product_id = 0x000F;
  bool reply_pipe_interrupt = false;  // 0x83 as an interrupt endpoint instead of bulk
  bool claimed_elsewhere = false;     // claiming interface 0 fails with EBUSY
};

class EmulatedBus {
 public:
  EmulatedBus();
  ~EmulatedBus();
  EmulatedBus(const EmulatedBus&) = delete;
  EmulatedBus& operator=(const EmulatedBus&) = delete;

  // Plugs a unit in; returns its number (> 0). The unit gets a new device address each time.
  int Plug(std::unique_ptr<UnitLogic> logic, const UnitOptions& options = UnitOptions());
  // Pulls the unit out: URBs in flight complete with ENODEV, new requests fail with ENODEV, and
  // the remove uevent is sent.
  void Unplug(int unit);
  // Plugs a pulled unit in again, with its logic, at a new address.
  void Replug(int unit);

  // Faults.
  void FailNext(int unit, int count);       // the next count URBs fail (EPROTO)
  void Halt(int unit, uint8_t endpoint);    // URBs on the endpoint stall until cleared
  void SetUnresponsive(int unit, bool on);  // reads stay pending until cancelled
  void SetNextReplyOverride(int unit, std::vector<uint8_t> reply);  // the next read gets this

  // What the unit saw.
  std::vector<std::vector<uint8_t>> Requests(int unit) const;
  std::vector<uint8_t> ClearedHalts(int unit) const;
  int Claims(int unit) const;
  int Releases(int unit) const;
  int OpenClients(int unit) const;
  int UrbType(int unit, uint8_t endpoint) const;  // usbfs URB type of the last URB, -1 if none
  int Discards(int unit) const;
  uint8_t BusNumber() const { return 1; }
  // The testbed's directory (what UMOCKDEV_DIR names) and a unit's device node inside it.
  std::string RootDir() const;
  std::string DeviceNodePath(int unit) const;
  uint8_t DeviceAddress(int unit) const;

 private:
  struct Urb;
  struct Unit;

  static int HandleIoctlThunk(UMockdevIoctlBase* handler, UMockdevIoctlClient* client, void* unit);
  static void ClientConnectedThunk(UMockdevIoctlBase* handler, UMockdevIoctlClient* client,
                                   void* unit);
  static void ClientVanishedThunk(UMockdevIoctlBase* handler, UMockdevIoctlClient* client,
                                  void* unit);
  bool HandleIoctl(Unit* unit, UMockdevIoctlClient* client);
  bool Submit(Unit* unit, UMockdevIoctlClient* client);
  bool Reap(Unit* unit, UMockdevIoctlClient* client);
  bool Discard(Unit* unit, UMockdevIoctlClient* client);
  void AnswerWaitingReads(Unit* unit);
  void AddToTestbed(Unit* unit);
  Unit& Get(int unit) const;

  UMockdevTestbed* testbed_ = nullptr;
  mutable std::mutex mu_;
  std::map<int, std::unique_ptr<Unit>> units_;
  int next_devnum_ = 2;
};

}  // namespace usbkit_test

#endif

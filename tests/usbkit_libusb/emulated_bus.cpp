#include "emulated_bus.h"

#include <sys/ioctl.h>
// clang-format off
#include <linux/ioctl.h>
#include <linux/usbdevice_fs.h>
// clang-format on
#include <umockdev.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <deque>
#include <set>
#include <stdexcept>

namespace usbkit_test {

struct EmulatedBus::Urb {
  UMockdevIoctlData* data = nullptr;  // the struct usbdevfs_urb, resolved
  UMockdevIoctlData* buffer = nullptr;
  int status = 0;
  int actual = 0;
};

struct EmulatedBus::Unit {
  EmulatedBus* bus = nullptr;
  int number = 0;
  std::unique_ptr<UnitLogic> logic;
  UnitOptions options;
  int devnum = 0;
  std::string syspath;
  std::string devnode;
  bool present = false;
  UMockdevIoctlBase* handler = nullptr;
  // Device nodes of earlier plug-ins, still attached until the bus goes.
  std::vector<std::pair<std::string, UMockdevIoctlBase*>> retired;

  int fail_next = 0;
  std::set<uint8_t> halted;
  bool unresponsive = false;
  bool has_override = false;
  std::vector<uint8_t> override_reply;

  std::deque<Urb> waiting;  // reads without a reply yet
  std::deque<Urb> ready;    // completed, to be reaped

  std::vector<std::vector<uint8_t>> requests;
  std::vector<uint8_t> cleared;
  int claims = 0;
  int releases = 0;
  int connected = 0;
  int vanished = 0;
  int discards = 0;
  std::map<uint8_t, int> urb_types;
};

namespace {

usbdevfs_urb* UrbOf(UMockdevIoctlData* data) {
  return reinterpret_cast<usbdevfs_urb*>(data->data);
}

void DropUrb(UMockdevIoctlData*& data, UMockdevIoctlData*& buffer) {
  if (buffer != nullptr) g_object_unref(buffer);
  if (data != nullptr) g_object_unref(data);
  data = buffer = nullptr;
}

std::string Hex(const std::vector<uint8_t>& bytes) {
  std::string out;
  char two[3];
  for (uint8_t b : bytes) {
    std::snprintf(two, sizeof two, "%02x", b);
    out += two;
  }
  return out;
}

std::vector<uint8_t> Descriptors(const UnitOptions& o) {
  const uint8_t in_type = o.reply_pipe_interrupt ? 0x03 : 0x02;
  std::vector<uint8_t> d = {
      // device: USB 2.0, vendor specific, 64-byte control pipe
      0x12, 0x01, 0x00, 0x02, 0xFF, 0x00, 0x00, 0x40, static_cast<uint8_t>(o.vendor_id & 0xFF),
      static_cast<uint8_t>(o.vendor_id >> 8), static_cast<uint8_t>(o.product_id & 0xFF),
      static_cast<uint8_t>(o.product_id >> 8), 0x00, 0x01, 0x00, 0x00, 0x00, 0x01,
      // configuration 1 with one interface, 39 bytes in all
      0x09, 0x02, 0x27, 0x00, 0x01, 0x01, 0x00, 0x80, 0x32,
      // interface 0, three endpoints
      0x09, 0x04, 0x00, 0x00, 0x03, 0xFF, 0x00, 0x00, 0x00,
      // 0x81 interrupt in, 2 bulk out, 0x83 bulk (or interrupt) in
      0x07, 0x05, 0x81, 0x03, 0x40, 0x00, 0x0A,  //
      0x07, 0x05, 0x02, 0x02, 0x40, 0x00, 0x00,  //
      0x07, 0x05, 0x83, in_type, 0x40, 0x00, static_cast<uint8_t>(in_type == 0x03 ? 0x0A : 0)};
  return d;
}

}  // namespace

EmulatedBus::EmulatedBus() {
  testbed_ = umockdev_testbed_new();
  if (testbed_ == nullptr) throw std::runtime_error("umockdev testbed");
}

EmulatedBus::~EmulatedBus() {
  std::map<int, std::unique_ptr<Unit>> units;
  {
    std::lock_guard<std::mutex> lock(mu_);
    units.swap(units_);
  }
  for (auto& [n, unit] : units) {
    unit->retired.emplace_back(unit->devnode, unit->handler);
    for (auto& [node, handler] : unit->retired) {
      if (handler == nullptr) continue;
      umockdev_testbed_detach_ioctl(testbed_, node.c_str(), nullptr);
      g_object_unref(handler);
    }
    for (auto* list : {&unit->waiting, &unit->ready}) {
      for (Urb& urb : *list) DropUrb(urb.data, urb.buffer);
    }
  }
  g_object_unref(testbed_);
}

EmulatedBus::Unit& EmulatedBus::Get(int unit) const {
  auto found = units_.find(unit);
  if (found == units_.end()) throw std::out_of_range("no such emulated unit");
  return *found->second;
}

int EmulatedBus::Plug(std::unique_ptr<UnitLogic> logic, const UnitOptions& options) {
  auto unit = std::make_unique<Unit>();
  unit->bus = this;
  unit->logic = std::move(logic);
  unit->options = options;
  Unit* raw = unit.get();
  {
    std::lock_guard<std::mutex> lock(mu_);
    raw->number = static_cast<int>(units_.size()) + 1;
    units_[raw->number] = std::move(unit);
  }
  AddToTestbed(raw);
  return raw->number;
}

void EmulatedBus::AddToTestbed(Unit* unit) {
  char node[64];
  char sys[96];
  {
    std::lock_guard<std::mutex> lock(mu_);
    unit->devnum = next_devnum_++;
    std::snprintf(node, sizeof node, "/dev/bus/usb/001/%03d", unit->devnum);
    std::snprintf(sys, sizeof sys, "/devices/pci0000:00/0000:00:14.0/usb1/1-%d", unit->devnum);
    unit->devnode = node;
    unit->syspath = sys;
    unit->present = true;
  }
  // The handler must be in place before the device appears: libusb may open it at once.
  unit->handler = umockdev_ioctl_base_new();
  g_signal_connect(unit->handler, "handle-ioctl", G_CALLBACK(&EmulatedBus::HandleIoctlThunk), unit);
  g_signal_connect(unit->handler, "client-connected",
                   G_CALLBACK(&EmulatedBus::ClientConnectedThunk), unit);
  g_signal_connect(unit->handler, "client-vanished", G_CALLBACK(&EmulatedBus::ClientVanishedThunk),
                   unit);
  if (!umockdev_testbed_attach_ioctl(testbed_, node, unit->handler, nullptr)) {
    throw std::runtime_error("umockdev attach_ioctl");
  }
  char text[1024];
  std::snprintf(text, sizeof text,
                "P: %s\nN: bus/usb/001/%03d\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\n"
                "E: DRIVER=usb\nE: BUSNUM=001\nE: DEVNUM=%03d\nE: DEVNAME=%s\n"
                "E: PRODUCT=%x/%x/100\nA: busnum=1\\n\nA: devnum=%d\\n\n"
                "A: bConfigurationValue=1\\n\nA: speed=12\\n\nA: idVendor=%04x\\n\n"
                "A: idProduct=%04x\\n\nH: descriptors=%s\n",
                sys, unit->devnum, unit->devnum, node, unit->options.vendor_id,
                unit->options.product_id, unit->devnum, unit->options.vendor_id,
                unit->options.product_id, Hex(Descriptors(unit->options)).c_str());
  GError* error = nullptr;
  if (!umockdev_testbed_add_from_string(testbed_, text, &error)) {
    std::string message = error != nullptr ? error->message : "?";
    g_clear_error(&error);
    throw std::runtime_error("umockdev add_from_string: " + message);
  }
}

void EmulatedBus::Unplug(int number) {
  std::string syspath;
  {
    std::lock_guard<std::mutex> lock(mu_);
    Unit& unit = Get(number);
    if (!unit.present) return;
    unit.present = false;
    // The host controller gives back whatever was in flight.
    for (Urb& urb : unit.waiting) {
      urb.status = -ENODEV;
      urb.actual = 0;
      unit.ready.push_back(urb);
    }
    unit.waiting.clear();
    syspath = "/sys" + unit.syspath;
  }
  umockdev_testbed_uevent(testbed_, syspath.c_str(), "remove");
}

void EmulatedBus::Replug(int number) {
  Unit* unit;
  {
    std::lock_guard<std::mutex> lock(mu_);
    unit = &Get(number);
    if (unit->present) return;
    // URBs of the old device node must never be reaped through the new one.
    for (auto* list : {&unit->waiting, &unit->ready}) {
      for (Urb& urb : *list) DropUrb(urb.data, urb.buffer);
      list->clear();
    }
    unit->retired.emplace_back(unit->devnode, unit->handler);
    unit->handler = nullptr;
    if (unit->logic) unit->logic->PowerUp();
  }
  // The unit comes back under a new address, with a device node and handler of its own.
  AddToTestbed(unit);
}

void EmulatedBus::FailNext(int number, int count) {
  std::lock_guard<std::mutex> lock(mu_);
  Get(number).fail_next = count;
}

void EmulatedBus::Halt(int number, uint8_t endpoint) {
  std::lock_guard<std::mutex> lock(mu_);
  Get(number).halted.insert(endpoint);
}

void EmulatedBus::SetUnresponsive(int number, bool on) {
  std::lock_guard<std::mutex> lock(mu_);
  Unit& unit = Get(number);
  unit.unresponsive = on;
  if (!on) AnswerWaitingReads(&unit);
}

void EmulatedBus::SetNextReplyOverride(int number, std::vector<uint8_t> reply) {
  std::lock_guard<std::mutex> lock(mu_);
  Unit& unit = Get(number);
  unit.has_override = true;
  unit.override_reply = std::move(reply);
}

std::vector<std::vector<uint8_t>> EmulatedBus::Requests(int number) const {
  std::lock_guard<std::mutex> lock(mu_);
  return Get(number).requests;
}

std::vector<uint8_t> EmulatedBus::ClearedHalts(int number) const {
  std::lock_guard<std::mutex> lock(mu_);
  return Get(number).cleared;
}

int EmulatedBus::Claims(int number) const {
  std::lock_guard<std::mutex> lock(mu_);
  return Get(number).claims;
}

int EmulatedBus::Releases(int number) const {
  std::lock_guard<std::mutex> lock(mu_);
  return Get(number).releases;
}

int EmulatedBus::OpenClients(int number) const {
  std::lock_guard<std::mutex> lock(mu_);
  const Unit& unit = Get(number);
  return unit.connected - unit.vanished;
}

int EmulatedBus::UrbType(int number, uint8_t endpoint) const {
  std::lock_guard<std::mutex> lock(mu_);
  const Unit& unit = Get(number);
  auto found = unit.urb_types.find(endpoint);
  return found == unit.urb_types.end() ? -1 : found->second;
}

int EmulatedBus::Discards(int number) const {
  std::lock_guard<std::mutex> lock(mu_);
  return Get(number).discards;
}

uint8_t EmulatedBus::DeviceAddress(int number) const {
  std::lock_guard<std::mutex> lock(mu_);
  return static_cast<uint8_t>(Get(number).devnum);
}

std::string EmulatedBus::RootDir() const {
  gchar* dir = umockdev_testbed_get_root_dir(testbed_);
  std::string root = dir;
  g_free(dir);
  return root;
}

std::string EmulatedBus::DeviceNodePath(int number) const {
  std::lock_guard<std::mutex> lock(mu_);
  return RootDir() + Get(number).devnode;
}

// --- usbfs emulation, on umockdev's worker thread ---

int EmulatedBus::HandleIoctlThunk(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* unit) {
  Unit* u = static_cast<Unit*>(unit);
  return u->bus->HandleIoctl(u, client) ? TRUE : FALSE;
}

void EmulatedBus::ClientConnectedThunk(UMockdevIoctlBase*, UMockdevIoctlClient*, void* unit) {
  Unit* u = static_cast<Unit*>(unit);
  std::lock_guard<std::mutex> lock(u->bus->mu_);
  ++u->connected;
}

void EmulatedBus::ClientVanishedThunk(UMockdevIoctlBase*, UMockdevIoctlClient*, void* unit) {
  Unit* u = static_cast<Unit*>(unit);
  std::lock_guard<std::mutex> lock(u->bus->mu_);
  ++u->vanished;
}

bool EmulatedBus::HandleIoctl(Unit* unit, UMockdevIoctlClient* client) {
  const unsigned long request = umockdev_ioctl_client_get_request(client);
  UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
  switch (request) {
    case USBDEVFS_SUBMITURB:
      return Submit(unit, client);
    case USBDEVFS_REAPURB:
    case USBDEVFS_REAPURBNDELAY:
      return Reap(unit, client);
    case USBDEVFS_DISCARDURB:
      return Discard(unit, client);
    case USBDEVFS_GET_CAPABILITIES: {
      UMockdevIoctlData* caps = umockdev_ioctl_data_resolve(arg, 0, sizeof(uint32_t), nullptr);
      *reinterpret_cast<uint32_t*>(caps->data) = USBDEVFS_CAP_BULK_CONTINUATION |
                                                 USBDEVFS_CAP_NO_PACKET_SIZE_LIM |
                                                 USBDEVFS_CAP_REAP_AFTER_DISCONNECT;
      g_object_unref(caps);
      umockdev_ioctl_client_complete(client, 0, 0);
      return true;
    }
    default:
      break;
  }
  std::lock_guard<std::mutex> lock(mu_);
  if (!unit->present) {
    umockdev_ioctl_client_complete(client, -1, ENODEV);
    return true;
  }
  switch (request) {
    case USBDEVFS_CLAIMINTERFACE:
      if (unit->options.claimed_elsewhere) {
        umockdev_ioctl_client_complete(client, -1, EBUSY);
        return true;
      }
      ++unit->claims;
      break;
    case USBDEVFS_RELEASEINTERFACE:
      ++unit->releases;
      break;
    case USBDEVFS_CLEAR_HALT: {
      UMockdevIoctlData* ep = umockdev_ioctl_data_resolve(arg, 0, sizeof(unsigned int), nullptr);
      const uint8_t endpoint = static_cast<uint8_t>(*reinterpret_cast<unsigned int*>(ep->data));
      g_object_unref(ep);
      unit->cleared.push_back(endpoint);
      unit->halted.erase(endpoint);
      break;
    }
    case USBDEVFS_RESET:
    case USBDEVFS_RESETEP:
    case USBDEVFS_SETINTERFACE:
    case USBDEVFS_SETCONFIGURATION:
      break;
    case USBDEVFS_GETDRIVER:
    case USBDEVFS_IOCTL:
      // No kernel driver is bound to the interface.
      umockdev_ioctl_client_complete(client, -1, ENODATA);
      return true;
    default:
      umockdev_ioctl_client_complete(client, -1, ENOTTY);
      return true;
  }
  umockdev_ioctl_client_complete(client, 0, 0);
  return true;
}

bool EmulatedBus::Submit(Unit* unit, UMockdevIoctlClient* client) {
  UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
  UMockdevIoctlData* data = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr);
  usbdevfs_urb* urb = UrbOf(data);
  UMockdevIoctlData* buffer = nullptr;
  if (urb->buffer_length > 0) {
    buffer = umockdev_ioctl_data_resolve(data, G_STRUCT_OFFSET(usbdevfs_urb, buffer),
                                         urb->buffer_length, nullptr);
  }
  std::lock_guard<std::mutex> lock(mu_);
  if (!unit->present) {
    DropUrb(data, buffer);
    umockdev_ioctl_client_complete(client, -1, ENODEV);
    return true;
  }
  const uint8_t endpoint = urb->endpoint;
  unit->urb_types[endpoint] = urb->type;
  Urb entry{data, buffer, 0, 0};
  if (unit->fail_next > 0) {
    --unit->fail_next;
    entry.status = -EPROTO;
    unit->ready.push_back(entry);
  } else if (unit->halted.count(endpoint) != 0 || urb->type == USBDEVFS_URB_TYPE_CONTROL) {
    entry.status = -EPIPE;
    unit->ready.push_back(entry);
  } else if ((endpoint & 0x80) == 0) {
    std::vector<uint8_t> request;
    if (buffer != nullptr) request.assign(buffer->data, buffer->data + urb->buffer_length);
    unit->requests.push_back(request);
    if (unit->logic) unit->logic->Receive(request);
    entry.actual = urb->buffer_length;
    unit->ready.push_back(entry);
    AnswerWaitingReads(unit);
  } else {
    unit->waiting.push_back(entry);
    AnswerWaitingReads(unit);
  }
  umockdev_ioctl_client_complete(client, 0, 0);
  return true;
}

void EmulatedBus::AnswerWaitingReads(Unit* unit) {
  while (!unit->waiting.empty() && !unit->unresponsive) {
    std::vector<uint8_t> reply;
    if (unit->has_override) {
      reply = unit->override_reply;
      unit->has_override = false;
      // The unit's own reply to this request is dropped in favour of the override.
      std::vector<uint8_t> dropped;
      if (unit->logic) unit->logic->TakeReply(&dropped);
    } else if (!unit->logic || !unit->logic->TakeReply(&reply)) {
      return;
    }
    Urb urb = unit->waiting.front();
    unit->waiting.pop_front();
    const int room = UrbOf(urb.data)->buffer_length;
    const int size = static_cast<int>(reply.size());
    const int copied = size < room ? size : room;
    if (copied > 0) std::memcpy(urb.buffer->data, reply.data(), copied);
    urb.actual = copied;
    urb.status = size > room ? -EOVERFLOW : 0;
    unit->ready.push_back(urb);
  }
}

bool EmulatedBus::Reap(Unit* unit, UMockdevIoctlClient* client) {
  Urb urb;
  {
    std::lock_guard<std::mutex> lock(mu_);
    if (unit->ready.empty()) {
      umockdev_ioctl_client_complete(client, -1, EAGAIN);
      return true;
    }
    urb = unit->ready.front();
    unit->ready.pop_front();
  }
  usbdevfs_urb* u = UrbOf(urb.data);
  u->status = urb.status;
  u->actual_length = urb.actual;
  UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
  UMockdevIoctlData* slot = umockdev_ioctl_data_resolve(arg, 0, sizeof(void*), nullptr);
  umockdev_ioctl_data_set_ptr(slot, 0, urb.data);
  umockdev_ioctl_client_complete(client, 0, 0);
  g_object_unref(slot);
  DropUrb(urb.data, urb.buffer);
  return true;
}

bool EmulatedBus::Discard(Unit* unit, UMockdevIoctlClient* client) {
  UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
  const gulong address = reinterpret_cast<gulong>(*reinterpret_cast<void**>(arg->data));
  std::lock_guard<std::mutex> lock(mu_);
  for (auto it = unit->waiting.begin(); it != unit->waiting.end(); ++it) {
    if (it->data->client_addr != address) continue;
    Urb urb = *it;
    unit->waiting.erase(it);
    urb.status = -ENOENT;
    urb.actual = 0;
    unit->ready.push_back(urb);
    ++unit->discards;
    umockdev_ioctl_client_complete(client, 0, 0);
    return true;
  }
  umockdev_ioctl_client_complete(client, -1, EINVAL);
  return true;
}

}  // namespace usbkit_test

#include "libusb/libusb_backend.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace usbkit {

namespace {

constexpr auto kPollPeriod = std::chrono::seconds(1);

// Handles are tokens, never addresses, and never reused in the process: a handle kept after its
// device has gone (or after WDU_Uninit) resolves to nothing and its transfers fail.
uintptr_t NextToken() {
  static std::atomic<uintptr_t> counter{0};
  return 0x4000000 + 0x10 * (counter.fetch_add(1) + 1);
}

WDU_DEVICE_HANDLE ToHandle(uintptr_t token) {
  return reinterpret_cast<WDU_DEVICE_HANDLE>(token);
}

// The only thing an operator can do about a unit the process may not open is to install the
// udev rule that grants access; say so in one line.
void ReportAccessDenied(const DeviceIdentity& id) {
  std::fprintf(stderr,
               "usbkit: access denied to USB device %03u/%03u (%04x:%04x); install the udev rule "
               "packaging/udev/60-mdx4a.rules (installed as lib/udev/rules.d/60-mdx4a.rules) "
               "into /etc/udev/rules.d/, then plug the unit in again\n",
               id.bus_number, id.device_address, id.vendor_id, id.product_id);
}

// Polling instead of hotplug events: when libusb has no hotplug support, or on request (set
// USBKIT_LIBUSB_POLL, for checking this path on a machine that has it).
bool PollWanted() {
  const char* env = std::getenv("USBKIT_LIBUSB_POLL");
  return (env != nullptr && env[0] != '\0') || !libusb_has_capability(LIBUSB_CAP_HAS_HOTPLUG);
}

}  // namespace

std::unique_ptr<Backend> MakeLibusbBackend() {
  return std::make_unique<LibusbBackend>();
}

LibusbBackend::~LibusbBackend() {
  Uninit();
}

LibusbBackend::DeviceRef LibusbBackend::Ref(libusb_device* device) {
  return DeviceRef(libusb_ref_device(device), [](libusb_device* d) { libusb_unref_device(d); });
}

uint32_t LibusbBackend::Init(const std::vector<UsbkitMatch>& match, const UsbkitEvents& events) {
  if (context_ != nullptr) return USBKIT_STATUS_INVALID_ARGUMENT;
  if (libusb_init(&context_) != LIBUSB_SUCCESS) {
    context_ = nullptr;
    return USBKIT_STATUS_NO_BACKEND;
  }
  match_ = match;
  events_ = events;
  {
    std::lock_guard<std::mutex> lock(mu_);
    closing_ = false;
  }
  stop_events_ = false;
  stop_poll_ = false;
  notifier_.Start();
  event_thread_ = std::thread([this] { RunEvents(); });

  if (PollWanted()) {
    poll_thread_ = std::thread([this] { RunPoll(); });
    return USBKIT_STATUS_SUCCESS;
  }
  // With one table entry libusb filters by its IDs; otherwise every device is offered and the
  // table decides. The devices present now are reported at once (enumerate).
  int vendor = LIBUSB_HOTPLUG_MATCH_ANY;
  int product = LIBUSB_HOTPLUG_MATCH_ANY;
  if (match_.size() == 1) {
    vendor = match_[0].vendor_id;
    product = match_[0].product_id;
  }
  int rc = libusb_hotplug_register_callback(
      context_,
      static_cast<libusb_hotplug_event>(LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED |
                                        LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT),
      LIBUSB_HOTPLUG_ENUMERATE, vendor, product, LIBUSB_HOTPLUG_MATCH_ANY, &OnHotplug, this,
      &hotplug_handle_);
  if (rc != LIBUSB_SUCCESS) {
    poll_thread_ = std::thread([this] { RunPoll(); });
  } else {
    hotplug_registered_ = true;
  }
  return USBKIT_STATUS_SUCCESS;
}

void LibusbBackend::StopThreads() {
  if (hotplug_registered_) {
    libusb_hotplug_deregister_callback(context_, hotplug_handle_);
    hotplug_registered_ = false;
  }
  {
    std::lock_guard<std::mutex> lock(poll_mu_);
    stop_poll_ = true;
  }
  poll_wake_.notify_all();
  if (poll_thread_.joinable()) poll_thread_.join();
  polled_.clear();
  // Waits for a handler that is running now; queued arrivals and departures are dropped.
  notifier_.Stop();
}

void LibusbBackend::Uninit() {
  if (context_ == nullptr) return;
  // Every handle fails from here on, and no unit is taken any more. An attach handler waiting in
  // the probe of a silent unit has its transfer cancelled, so joining the notification thread
  // below takes no longer than libusb needs to complete the cancellation (not the 30 s time-out).
  {
    std::lock_guard<std::mutex> lock(mu_);
    closing_ = true;
    for (auto& [token, entry] : entries_) entry.unit->MarkGone();
  }
  StopThreads();

  // Wait until the transfers still running have returned (every unit was marked gone above, and
  // none has been taken since).
  std::map<uintptr_t, Entry> entries;
  {
    std::lock_guard<std::mutex> lock(mu_);
    entries.swap(entries_);
  }
  // Closing a unit takes libusb's event lock, under which hotplug callbacks take mu_: never
  // close one while holding mu_.
  entries.clear();
  {
    std::unique_lock<std::mutex> lock(live_mu_);
    live_cv_.wait(lock, [this] { return live_units_ == 0; });
  }

  stop_events_ = true;
  libusb_interrupt_event_handler(context_);
  if (event_thread_.joinable()) event_thread_.join();
  libusb_exit(context_);
  context_ = nullptr;
}

void LibusbBackend::RunEvents() {
  while (!stop_events_) {
    timeval tv{0, 250000};
    libusb_handle_events_timeout_completed(context_, &tv, nullptr);
  }
}

int LIBUSB_CALL LibusbBackend::OnHotplug(libusb_context*, libusb_device* device,
                                         libusb_hotplug_event event, void* self) {
  auto* backend = static_cast<LibusbBackend*>(self);
  if (event == LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED) {
    backend->QueueArrival(device);
  } else if (event == LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT) {
    backend->QueueDeparture(device);
  }
  return 0;  // stay registered
}

void LibusbBackend::QueueArrival(libusb_device* device) {
  DeviceRef ref = Ref(device);
  notifier_.Post([this, ref] { Attach(ref); });
}

void LibusbBackend::QueueDeparture(libusb_device* device) {
  // Transfers on the unit fail from this moment, before the detach handler has run.
  {
    std::lock_guard<std::mutex> lock(mu_);
    for (auto& [token, entry] : entries_) {
      if (entry.device == device) entry.unit->MarkGone();
    }
  }
  DeviceRef ref = Ref(device);
  notifier_.Post([this, ref] { Detach(ref.get()); });
}

bool LibusbBackend::Wanted(libusb_device* device, DeviceIdentity* id) const {
  libusb_device_descriptor desc{};
  if (libusb_get_device_descriptor(device, &desc) != LIBUSB_SUCCESS) return false;
  id->vendor_id = desc.idVendor;
  id->product_id = desc.idProduct;
  id->device_class = desc.bDeviceClass;
  id->device_subclass = desc.bDeviceSubClass;
  id->bus_number = libusb_get_bus_number(device);
  id->device_address = libusb_get_device_address(device);
  libusb_config_descriptor* config = nullptr;
  if (libusb_get_active_config_descriptor(device, &config) == LIBUSB_SUCCESS) {
    if (config->bNumInterfaces > 0 && config->interface[0].num_altsetting > 0) {
      const libusb_interface_descriptor& alt = config->interface[0].altsetting[0];
      id->interface_class = alt.bInterfaceClass;
      id->interface_subclass = alt.bInterfaceSubClass;
      id->interface_protocol = alt.bInterfaceProtocol;
    }
    libusb_free_config_descriptor(config);
  }
  return MatchesTable(match_, *id);
}

void LibusbBackend::Attach(const DeviceRef& device) {
  DeviceIdentity id;
  if (!Wanted(device.get(), &id)) return;
  std::unique_ptr<LibusbUnit> opened;
  int rc = LibusbUnit::Open(device.get(), &opened);
  if (rc == LIBUSB_ERROR_ACCESS) ReportAccessDenied(id);
  if (rc == LIBUSB_ERROR_BUSY) {
    std::fprintf(stderr, "usbkit: USB device %03u/%03u (%04x:%04x) is in use by another program\n",
                 id.bus_number, id.device_address, id.vendor_id, id.product_id);
  }
  if (rc != LIBUSB_SUCCESS) return;

  const uintptr_t token = NextToken();
  {
    std::lock_guard<std::mutex> lock(live_mu_);
    ++live_units_;
  }
  // The count drops only once the unit is closed, so WDU_Uninit can wait for the last transfer
  // on a unit that has already gone to let go of it.
  std::shared_ptr<LibusbUnit> unit(opened.release(), [this](LibusbUnit* closing) {
    delete closing;
    std::lock_guard<std::mutex> lock(live_mu_);
    --live_units_;
    live_cv_.notify_all();
  });
  {
    std::lock_guard<std::mutex> lock(mu_);
    // Closing: the unit is released again (by the last reference) and never reported.
    if (closing_) return;
    entries_[token] = Entry{device.get(), unit, false};
  }
  UsbkitDeviceInfo info{};
  info.vendor_id = id.vendor_id;
  info.product_id = id.product_id;
  info.bus_number = id.bus_number;
  info.device_address = id.device_address;
  const bool taken = events_.on_attach != nullptr &&
                     events_.on_attach(ToHandle(token), &info, events_.user_data) != 0;

  std::lock_guard<std::mutex> lock(mu_);
  auto found = entries_.find(token);
  if (found == entries_.end()) return;
  if (taken) {
    found->second.accepted = true;
  } else {
    // Refused: the interface is released and the handle closed once no transfer uses it.
    found->second.unit->MarkGone();
    entries_.erase(found);
  }
}

void LibusbBackend::Detach(libusb_device* device) {
  std::vector<std::pair<uintptr_t, Entry>> gone;
  {
    std::lock_guard<std::mutex> lock(mu_);
    for (auto it = entries_.begin(); it != entries_.end();) {
      if (it->second.device == device) {
        it->second.unit->MarkGone();
        gone.emplace_back(*it);
        it = entries_.erase(it);
      } else {
        ++it;
      }
    }
  }
  for (const auto& [token, entry] : gone) {
    if (entry.accepted && events_.on_detach != nullptr) {
      events_.on_detach(ToHandle(token), events_.user_data);
    }
  }
}

std::shared_ptr<LibusbUnit> LibusbBackend::Find(WDU_DEVICE_HANDLE handle) const {
  std::lock_guard<std::mutex> lock(mu_);
  auto found = entries_.find(reinterpret_cast<uintptr_t>(handle));
  if (found == entries_.end()) return nullptr;
  return found->second.unit;
}

uint32_t LibusbBackend::Transfer(WDU_DEVICE_HANDLE device, uint32_t pipe, uint32_t direction,
                                 uint32_t options, void* buffer, uint32_t length,
                                 uint32_t* transferred, const uint8_t* setup_packet,
                                 uint32_t timeout_ms) {
  (void)options;
  if (transferred != nullptr) *transferred = 0;
  std::shared_ptr<LibusbUnit> unit = Find(device);
  if (!unit) return USBKIT_STATUS_FAILED;
  return unit->Transfer(pipe, direction, buffer, length, transferred, setup_packet, timeout_ms);
}

uint32_t LibusbBackend::ResetPipe(WDU_DEVICE_HANDLE device, uint32_t pipe) {
  std::shared_ptr<LibusbUnit> unit = Find(device);
  if (!unit) return USBKIT_STATUS_FAILED;
  return unit->ResetPipe(pipe);
}

void LibusbBackend::RunPoll() {
  std::unique_lock<std::mutex> lock(poll_mu_);
  while (!stop_poll_) {
    lock.unlock();
    libusb_device** list = nullptr;
    ssize_t count = libusb_get_device_list(context_, &list);
    std::map<libusb_device*, DeviceRef> now;
    for (ssize_t i = 0; i < count; ++i) {
      DeviceIdentity id;
      if (Wanted(list[i], &id)) now.emplace(list[i], Ref(list[i]));
    }
    if (count >= 0) libusb_free_device_list(list, 1);
    for (const auto& [device, ref] : polled_) {
      if (now.count(device) == 0) QueueDeparture(device);
    }
    for (const auto& [device, ref] : now) {
      if (polled_.count(device) == 0) QueueArrival(device);
    }
    polled_ = std::move(now);
    lock.lock();
    poll_wake_.wait_for(lock, kPollPeriod, [this] { return stop_poll_; });
  }
}

}  // namespace usbkit

#include "sim_fixture.h"

namespace usbkit_test {

uint32_t Exchange(WDU_DEVICE_HANDLE device, std::vector<uint8_t> request, size_t reply_len,
                  std::vector<uint8_t>* reply, uint32_t timeout_ms) {
  uint32_t status =
      WDU_Transfer(device, kWritePipe, USBKIT_WRITE, 0, request.data(),
                   static_cast<uint32_t>(request.size()), nullptr, nullptr, timeout_ms);
  if (status != USBKIT_STATUS_SUCCESS || reply_len == 0) return status;
  std::vector<uint8_t> buffer(reply_len, 0xEE);
  uint32_t got = 0;
  status = WDU_Transfer(device, kReadPipe, USBKIT_READ, 0, buffer.data(),
                        static_cast<uint32_t>(buffer.size()), &got, nullptr, timeout_ms);
  if (status == USBKIT_STATUS_SUCCESS && reply != nullptr) {
    buffer.resize(got);
    *reply = buffer;
  }
  return status;
}

void SimTest::SetUp() {
  usbkit_sim_reset();
  usbkit_sim_enable();
}

void SimTest::TearDown() {
  Close();
  usbkit_sim_reset();
}

uint32_t SimTest::Open(uint16_t vendor, uint16_t product) {
  UsbkitMatch match{};
  match.vendor_id = vendor;
  match.product_id = product;
  UsbkitEvents events{};
  events.on_attach = &SimTest::OnAttach;
  events.on_detach = &SimTest::OnDetach;
  events.user_data = this;
  return WDU_Init(&driver_, &match, 1, &events, 1);
}

void SimTest::Close() {
  if (driver_ != nullptr) WDU_Uninit(driver_);
  driver_ = nullptr;
}

int SimTest::PlugAndWait(int model, uint8_t id_byte) {
  int unit = usbkit_sim_plug(model, id_byte);
  usbkit_sim_wait_idle();
  return unit;
}

std::vector<Notice> SimTest::Notices() {
  std::lock_guard<std::mutex> lock(mu_);
  return notices_;
}

WDU_DEVICE_HANDLE SimTest::HandleOf(int id_byte) {
  std::lock_guard<std::mutex> lock(mu_);
  for (auto it = notices_.rbegin(); it != notices_.rend(); ++it) {
    if (it->attach && it->id_byte == id_byte) return it->handle;
  }
  return nullptr;
}

std::vector<std::vector<uint8_t>> SimTest::Requests(int unit) {
  std::vector<std::vector<uint8_t>> out;
  int count = usbkit_sim_request_count(unit);
  for (int i = 0; i < count; ++i) {
    std::vector<uint8_t> bytes(2048);
    int n = usbkit_sim_request(unit, i, bytes.data(), static_cast<unsigned>(bytes.size()));
    bytes.resize(n < 0 ? 0 : n);
    out.push_back(bytes);
  }
  return out;
}

int SimTest::OnAttach(WDU_DEVICE_HANDLE device, const UsbkitDeviceInfo* info, void* self) {
  auto* test = static_cast<SimTest*>(self);
  WDU_ResetPipe(device, 0x81);
  std::vector<uint8_t> reply;
  int id = -1;
  if (Exchange(device, {0xF0}, 2, &reply) == USBKIT_STATUS_SUCCESS && reply.size() == 2) {
    id = reply[1];
  }
  std::lock_guard<std::mutex> lock(test->mu_);
  test->infos_.push_back(*info);
  test->notices_.push_back({true, device, std::this_thread::get_id(), id});
  return id >= 0 && !test->refuse_all_;
}

void SimTest::OnDetach(WDU_DEVICE_HANDLE device, void* self) {
  auto* test = static_cast<SimTest*>(self);
  std::lock_guard<std::mutex> lock(test->mu_);
  test->notices_.push_back({false, device, std::this_thread::get_id(), -1});
}

}  // namespace usbkit_test

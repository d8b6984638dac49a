#include "unit_model.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "unit_physics.h"

namespace usbkit {

namespace {

constexpr uint8_t kCmdProbe = 0xF0;
constexpr uint8_t kCmdOpen = 0x40;
constexpr uint8_t kCmdClose = 0x50;
constexpr uint8_t kCmdCalibration = 0x60;
constexpr uint8_t kCmdSingle = 0x10;
constexpr uint8_t kCmdStart = 0x20;
constexpr uint8_t kCmdFetch = 0x30;

// Base fetch replies come in 64-byte blocks of five 12-byte records after a 2-byte block header.
constexpr size_t kBlockBytes = 64;
constexpr size_t kRecordsPerBlock = 5;
constexpr size_t kRecordBytes = 12;
constexpr size_t kBlockHeader = 2;
// Extended fetch replies: 10-byte records after a 3-byte header.
constexpr size_t kExtHeader = 3;
constexpr size_t kExtRecordBytes = 10;

// Factory calibration of a fresh extended unit: a bipolar 24-bit converter with its zero near
// mid-scale and about 70 counts per microvolt.
constexpr uint32_t kDefaultOffset = 0x7FF000;
constexpr uint32_t kDefaultSpan = 4190000;

size_t BaseRecordAt(size_t k) {
  return kBlockHeader + kBlockBytes * (k / kRecordsPerBlock) +
         kRecordBytes * (k % kRecordsPerBlock);
}

void Put24(uint32_t v, uint8_t* at) {
  at[0] = static_cast<uint8_t>(v >> 16);
  at[1] = static_cast<uint8_t>(v >> 8);
  at[2] = static_cast<uint8_t>(v);
}

void PutWords(const uint16_t* w, uint8_t* at) {
  for (int i = 0; i < 5; ++i) {
    at[2 * i] = static_cast<uint8_t>(w[i] & 0xFF);
    at[2 * i + 1] = static_cast<uint8_t>(w[i] >> 8);
  }
}

}  // namespace

UnitModel::UnitModel(int model, uint8_t id_byte, double now_ms)
    : model_(model == kExtended ? kExtended : kBase),
      id_byte_(id_byte),
      origin_ms_(now_ms),
      cal_offset_(kDefaultOffset),
      cal_span_(kDefaultSpan) {}

void UnitModel::PowerUp(double now_ms) {
  origin_ms_ = now_ms;
  StopSampling();
}

void UnitModel::StopSampling() {
  sampling_ = false;
  taken_ = 0;
  lost_ = 0;
  buffer_.clear();
}

UnitModel::Reading UnitModel::Measure(double now_ms) const {
  double hot = profile_ != nullptr ? profile_(profile_context_, now_ms - origin_ms_) : hot_c_;
  double emf = JunctionEmf(tc_type_, hot, ref_c_);
  Reading reading{};
  if (model_ == kBase) {
    BaseWords words = EncodeBase(emf, ref_c_);
    std::copy(words.w, words.w + 5, reading.w);
  } else {
    ExtendedChannels ch = EncodeExtended(emf, ref_c_, cal_offset_, cal_span_);
    reading.m = ch.m;
    reading.r = ch.r;
  }
  return reading;
}

void UnitModel::CatchUp(double now_ms) {
  if (!sampling_ || interval_ms_ <= 0 || now_ms < sampling_start_ms_) return;
  // The small allowance keeps a reading due exactly now from being lost to rounding.
  uint64_t due =
      static_cast<uint64_t>(std::floor((now_ms - sampling_start_ms_ + 1e-6) / interval_ms_));
  while (taken_ < due) {
    if (buffer_.size() >= kCapacity) {
      // Full: everything due until now is lost; no need to measure it.
      lost_ += due - taken_;
      taken_ = due;
      break;
    }
    ++taken_;
    buffer_.push_back(Measure(sampling_start_ms_ + interval_ms_ * static_cast<double>(taken_)));
  }
}

size_t UnitModel::Buffered(double now_ms) {
  CatchUp(now_ms);
  return buffer_.size();
}

void UnitModel::SetTemperature(int tc_type, double hot_c, double ref_c, double now_ms) {
  CatchUp(now_ms);
  if (tc_type >= 0 && tc_type <= 7) tc_type_ = tc_type;
  hot_c_ = hot_c;
  ref_c_ = ref_c;
}

void UnitModel::SetProfile(HotProfile profile, void* context, double now_ms) {
  CatchUp(now_ms);
  profile_ = profile;
  profile_context_ = profile != nullptr ? context : nullptr;
}

void UnitModel::SetCalibration(uint32_t offset, uint32_t span, double now_ms) {
  CatchUp(now_ms);
  cal_offset_ = offset & 0xFFFFFF;
  cal_span_ = span & 0xFFFFFF;
}

void UnitModel::PushReply(uint8_t command, std::vector<uint8_t> bytes) {
  scripted_[command].push_back(std::move(bytes));
}

size_t UnitModel::MaxPerFetch() const {
  size_t n = 0;
  if (model_ == kBase) {
    while (BaseRecordAt(n) + kRecordBytes <= kFetchReplyMax) ++n;
  } else {
    n = (kFetchReplyMax - kExtHeader) / kExtRecordBytes;
  }
  return std::min<size_t>(n, 255);
}

size_t UnitModel::FetchReplyLength(size_t readings) const {
  if (model_ == kBase) {
    size_t blocks = (readings + kRecordsPerBlock - 1) / kRecordsPerBlock;
    return std::clamp(blocks * kBlockBytes, kBlockHeader, kFetchReplyMax);
  }
  return kExtHeader + kExtRecordBytes * readings;
}

void UnitModel::PutReading(const Reading& reading, uint8_t* at) const {
  if (model_ == kBase) {
    PutWords(reading.w, at);
    at[10] = reading.status;
    at[11] = 0;
  } else {
    // Each channel goes out as a tag byte and its 24-bit value; the record opens with a marker.
    at[0] = 0xA5;
    at[1] = 0x01;
    Put24(reading.m, at + 2);
    at[5] = 0x02;
    Put24(reading.r, at + 6);
    at[9] = reading.status;
  }
}

std::vector<uint8_t> UnitModel::Fetch(uint8_t count, double now_ms) {
  CatchUp(now_ms);
  size_t fit = MaxPerFetch();
  size_t n = std::min({static_cast<size_t>(count), buffer_.size(), fit});
  size_t claimed = n;
  if (overclaim_ > 0) claimed = std::min<size_t>(255, static_cast<size_t>(count) + overclaim_);
  std::vector<uint8_t> reply(FetchReplyLength(std::min(std::max(n, claimed), fit)), 0);
  reply[0] = kCmdFetch;
  reply[1] = static_cast<uint8_t>(claimed);
  if (model_ == kBase) {
    // Later blocks carry the command and the number of their records in their header.
    for (size_t b = 1; b * kBlockBytes < reply.size(); ++b) {
      reply[b * kBlockBytes] = kCmdFetch;
      size_t in_block = n > b * kRecordsPerBlock ? n - b * kRecordsPerBlock : 0;
      reply[b * kBlockBytes + 1] = static_cast<uint8_t>(std::min(in_block, kRecordsPerBlock));
    }
  } else {
    reply[2] = static_cast<uint8_t>(buffer_.size() - n > 255 ? 255 : buffer_.size() - n);
  }
  for (size_t k = 0; k < n; ++k) {
    size_t at = model_ == kBase ? BaseRecordAt(k) : kExtHeader + kExtRecordBytes * k;
    PutReading(buffer_.front(), reply.data() + at);
    buffer_.pop_front();
  }
  return reply;
}

bool UnitModel::Handle(const uint8_t* request, size_t length, double now_ms,
                       std::vector<uint8_t>* reply) {
  reply->clear();
  if (length == 0) return false;
  uint8_t command = request[0];
  auto script = scripted_.find(command);
  if (script != scripted_.end() && !script->second.empty()) {
    *reply = std::move(script->second.front());
    script->second.pop_front();
    return true;
  }
  switch (command) {
    case kCmdProbe:
      *reply = {kCmdProbe, id_byte_};
      return true;
    case kCmdOpen:
    case kCmdClose:
      // Each session starts fresh: opening or closing ends any timed sampling.
      StopSampling();
      *reply = {command};
      return true;
    case kCmdCalibration:
      reply->assign(7, 0);
      (*reply)[0] = kCmdCalibration;
      Put24(cal_offset_, reply->data() + 1);
      Put24(cal_span_, reply->data() + 4);
      return true;
    case kCmdSingle: {
      CatchUp(now_ms);
      Reading reading = Measure(now_ms);
      if (model_ == kBase) {
        reply->assign(10, 0);
        PutWords(reading.w, reply->data());
      } else {
        reply->assign(6, 0);
        Put24(reading.m, reply->data());
        Put24(reading.r, reply->data() + 3);
      }
      return true;
    }
    case kCmdStart:
      if (length >= 3) {
        // A new start discards what an earlier one buffered; interval 0 just stops.
        CatchUp(now_ms);
        StopSampling();
        interval_ms_ = 10.0 * ((request[1] << 8) | request[2]);
        sampling_ = interval_ms_ > 0;
        sampling_start_ms_ = now_ms;
      }
      return false;
    case kCmdFetch:
      *reply = Fetch(length >= 2 ? request[1] : 0, now_ms);
      return true;
    default:
      return false;
  }
}

}  // namespace usbkit

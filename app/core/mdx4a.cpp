#include "core/mdx4a.h"

#include <dlfcn.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <utility>

#include "core/dialog_service.h"
#include "core/module_data.h"

namespace {

using OpenFn = int16_t (*)(int16_t);
using CloseFn = void (*)(int16_t);
using SingleFn = int16_t (*)(int16_t, double*, uint8_t);
using StartFn = int16_t (*)(int16_t, int16_t);
using FetchFn = int16_t (*)(int16_t, double*, uint8_t*, uint8_t*, uint8_t);

void ReportLoadError() {
  const char* why = dlerror();
  std::fprintf(stderr, "%s\n", why ? why : "driver library: unknown loader error");
}

}  // namespace

MDX4A::MDX4A(DialogService& dialogs, QString libraryName)
    : dialogs_(dialogs), libraryName_(std::move(libraryName)) {}

// The library stays loaded for the life of the process: its own threads may still run after
// the last unit is closed, and unloading code under them would be fatal.
MDX4A::~MDX4A() = default;

void* MDX4A::Resolve(const char* name) {
  if (!library_) {
    // Found by name through the program's search path. A failure is retried at the next call,
    // so a library installed while the program runs is picked up.
    library_ = dlopen(libraryName_.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
    if (!library_) {
      ReportLoadError();
      return nullptr;
    }
  }
  dlerror();
  void* address = dlsym(library_, name);
  if (!address) ReportLoadError();
  return address;
}

int16_t MDX4A::Mdx4a_Device_Open(int16_t id) {
  if (!open_) open_ = Resolve("Mdx4a_Device_Open");
  if (!open_) return kUnavailable;
  return reinterpret_cast<OpenFn>(open_)(id);
}

void MDX4A::Mdx4a_Device_Close(int16_t id) {
  if (!close_) close_ = Resolve("Mdx4a_Device_Close");
  if (!close_) return;
  reinterpret_cast<CloseFn>(close_)(id);
}

int16_t MDX4A::Mdx4a_Single_Sample(int16_t id, double& value, uint8_t type) {
  if (!single_) single_ = Resolve("Mdx4a_Single_Sample");
  if (!single_) return kUnavailable;
  return reinterpret_cast<SingleFn>(single_)(id, &value, type);
}

int16_t MDX4A::Mdx4a_Start_Sample(int16_t id, int16_t interval) {
  if (!start_) start_ = Resolve("Mdx4a_Start_Sample");
  if (!start_) return kUnavailable;
  return reinterpret_cast<StartFn>(start_)(id, interval);
}

int16_t MDX4A::Mdx4a_Get_Datas(int16_t id, double* values, uint8_t* status, uint8_t& count,
                               uint8_t type) {
  if (!fetch_) fetch_ = Resolve("Mdx4a_Get_Datas");
  if (!fetch_) return kUnavailable;
  return reinterpret_cast<FetchFn>(fetch_)(id, values, status, &count, type);
}

int16_t MDX4A::OpenUnits(const ModuleData& md) {
  int16_t result = kNoUnitUsed;
  std::array<bool, RecordSet::kUnits> opened{};
  for (int16_t i = 0; i < RecordSet::kUnits; ++i) {
    if (!md.Record.Units[i].MflagID) continue;
    result = Mdx4a_Device_Open(i);
    if (result > 0) {
      // Which unit was not found; whether any is there at all only matters when none opened.
      if (result == kNotFound) {
        const bool none = std::none_of(opened.begin(), opened.end(), [](bool o) { return o; }) &&
                          NoOtherUnitAttached(i);
        ShowNotFound(i, none);
      } else {
        ShowDriverError(result);
      }
      break;
    }
    opened[i] = true;
  }
  // A failure leaves no unit of this attempt open.
  if (result > 0) {
    for (int16_t i = 0; i < RecordSet::kUnits; ++i) {
      if (opened[i]) Mdx4a_Device_Close(i);
    }
  }
  if (result == kNoUnitUsed) dialogs_.Notice(QStringLiteral("使用ユニットの指定がありません。"));
  return result;
}

bool MDX4A::NoOtherUnitAttached(int16_t missing) {
  // The failed open has connected the driver and waited for the units on the bus, so each answer
  // comes at once. A unit that opens is closed again straight away.
  for (int16_t id = 0; id < RecordSet::kUnits; ++id) {
    if (id == missing) continue;
    const int16_t result = Mdx4a_Device_Open(id);
    if (result == 0) Mdx4a_Device_Close(id);
    if (result != kNotFound) return false;
  }
  return true;
}

void MDX4A::ShowNotFound(int16_t id, bool noUnitAtAll) {
  QString text = DriverErrorText(kNotFound) + QStringLiteral("（ID%1）").arg(id);
  if (noUnitAtAll) {
    text += QStringLiteral(
        "\n\nUSB に接続されたユニットが1台も見つかりません。\n"
        "・ユニットの USB ケーブルと電源を確かめて下さい。\n"
        "・実機を使うには udev 規則のインストールが必要です（README の「Real units」）。\n"
        "・実機なしで試すには、模擬ユニットで動く korvale --demo で起動して下さい。");
  }
  dialogs_.Message(text, QStringLiteral("MDX-4AApp"), MsgButtons::Ok, MsgIcon::None);
}

void MDX4A::CloseUnits(const ModuleData& md) {
  for (int16_t i = 0; i < RecordSet::kUnits; ++i) {
    if (md.Record.Units[i].MflagID) Mdx4a_Device_Close(i);
  }
}

int16_t MDX4A::StartUnits(const ModuleData& md, int16_t interval) {
  int16_t result = kNoUnitUsed;
  for (int16_t i = 0; i < RecordSet::kUnits; ++i) {
    if (!md.Record.Units[i].MflagID) continue;
    result = Mdx4a_Start_Sample(i, interval);
    if (result > 0) {
      // Units started before the failure keep sampling.
      ShowDriverError(result);
      break;
    }
  }
  return result;
}

void MDX4A::ShowDriverError(int16_t code) {
  dialogs_.Message(DriverErrorText(code), QStringLiteral("MDX-4AApp"), MsgButtons::Ok,
                   MsgIcon::None);
}

QString DriverErrorText(int16_t code) {
  static const char* const kTexts[] = {
      "正常終了",
      "ID番号が異なる",
      "ドライバが正常にインストールされていない",
      "このデバイスは既にオープンされている",
      "接続台数が多すぎる",
      "デバイスをオープンできなかった",
      "指定のデバイスが見つからない",
      "指定のデバイスはオープンされてない",
      "指定パラメータのエラー",
      "USB通信エラー",
  };
  if (code < 0 || code > 9) return QString();
  return QString::fromUtf8(kTexts[code]);
}

QString TcTypeName(int16_t index) {
  static const char kTypes[] = "BRSNKEJT";
  if (index < 0 || index > 7) return QString();
  return QLatin1Char(kTypes[index]) + QStringLiteral("熱電対");
}

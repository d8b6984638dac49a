#include "core/mdx4a.h"

#include <dlfcn.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <stdexcept>
#include <type_traits>
#include <utility>

#include "core/dialog_service.h"
#include "core/module_data.h"

namespace {

// The export's type for a member of the binding: the same result and arguments, with each
// reference passed as a pointer to its value.
template <typename T>
struct PassedAs {
  using type = T;
};
template <typename T>
struct PassedAs<T&> {
  using type = T*;
};
template <typename Member>
struct ExportFor;
template <typename R, typename... Args>
struct ExportFor<R (MDX4A::*)(Args...)> {
  using type = R (*)(typename PassedAs<Args>::type...);
};
template <auto Member, typename Export>
constexpr bool kBindsTo = std::is_same_v<typename ExportFor<decltype(Member)>::type, Export>;

// Every member calls its export with exactly the types the driver's header declares: a header
// whose signature differs from the binding's (a wider count, an argument more) fails here instead
// of passing arguments the library reads differently.
static_assert(kBindsTo<&MDX4A::Mdx4a_Device_Open, decltype(&::Mdx4a_Device_Open)>);
static_assert(kBindsTo<&MDX4A::Mdx4a_Device_Close, decltype(&::Mdx4a_Device_Close)>);
static_assert(kBindsTo<&MDX4A::Mdx4a_Single_Sample, decltype(&::Mdx4a_Single_Sample)>);
static_assert(kBindsTo<&MDX4A::Mdx4a_Start_Sample, decltype(&::Mdx4a_Start_Sample)>);
static_assert(kBindsTo<&MDX4A::Mdx4a_Get_Datas, decltype(&::Mdx4a_Get_Datas)>);

void ReportLoadError() {
  const char* why = dlerror();
  std::fprintf(stderr, "%s\n", why ? why : "driver library: unknown loader error");
}

// The operator's messages by result code. Codes 4 and 5 have messages although the driver never
// returns them.
constexpr int kMessageCount = 10;
using MessageTable = std::array<const char*, kMessageCount>;

// The table placed by the driver header's own codes. A code outside the table or two messages for
// one code is not a constant expression, so a header that renumbers its codes that way fails to
// build.
constexpr MessageTable PlaceMessages() {
  const std::pair<int, const char*> messages[] = {
      {MDX4A_OK, "正常終了"},
      {MDX4A_ERR_ID, "ID番号が異なる"},
      {MDX4A_ERR_DRIVER, "ドライバが正常にインストールされていない"},
      {MDX4A_ERR_ALREADY_OPEN, "このデバイスは既にオープンされている"},
      {4, "接続台数が多すぎる"},
      {5, "デバイスをオープンできなかった"},
      {MDX4A_ERR_NOT_FOUND, "指定のデバイスが見つからない"},
      {MDX4A_ERR_NOT_OPEN, "指定のデバイスはオープンされてない"},
      {MDX4A_ERR_PARAMETER, "指定パラメータのエラー"},
      {MDX4A_ERR_USB, "USB通信エラー"},
  };
  MessageTable table{};
  for (const auto& message : messages) {
    const char*& slot = table.at(static_cast<size_t>(message.first));
    if (slot != nullptr) throw std::logic_error("two messages for one result code");
    slot = message.second;
  }
  return table;
}
constexpr MessageTable kMessages = PlaceMessages();

// The program's own result of OpenUnits and StartUnits is none of the driver's.
static_assert(MDX4A::kNoUnitUsed >= kMessageCount);

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

template <typename Fn>
bool MDX4A::Bind(Fn& fn, const char* name) {
  if (!fn) fn = reinterpret_cast<Fn>(Resolve(name));
  return fn != nullptr;
}

int16_t MDX4A::Mdx4a_Device_Open(int16_t id) {
  if (!Bind(open_, "Mdx4a_Device_Open")) return kUnavailable;
  return open_(id);
}

void MDX4A::Mdx4a_Device_Close(int16_t id) {
  if (Bind(close_, "Mdx4a_Device_Close")) close_(id);
}

int16_t MDX4A::Mdx4a_Single_Sample(int16_t id, double& value, uint8_t type) {
  if (!Bind(single_, "Mdx4a_Single_Sample")) return kUnavailable;
  return single_(id, &value, type);
}

int16_t MDX4A::Mdx4a_Start_Sample(int16_t id, int16_t interval) {
  if (!Bind(start_, "Mdx4a_Start_Sample")) return kUnavailable;
  return start_(id, interval);
}

int16_t MDX4A::Mdx4a_Get_Datas(int16_t id, double* values, uint8_t* status, uint8_t& count,
                               uint8_t type) {
  if (!Bind(fetch_, "Mdx4a_Get_Datas")) return kUnavailable;
  return fetch_(id, values, status, &count, type);
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
  if (code < 0 || code >= kMessageCount) return QString();
  return QString::fromUtf8(kMessages[static_cast<size_t>(code)]);
}

QString TcTypeName(int16_t index) {
  static const char kTypes[] = "BRSNKEJT";
  if (index < 0 || index > 7) return QString();
  return QLatin1Char(kTypes[index]) + QStringLiteral("熱電対");
}

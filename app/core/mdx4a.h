// The program's binding to the driver library: the library is loaded by name at the first call of
// one of its exports and each export is looked up by name at its first call. The exports' types
// and result codes are the driver header's own, so a header that changes them no longer builds
// with this binding. The routines that act on all used units at once report driver failures to
// the operator.
#pragma once

#include <QString>
#include <cstdint>

#include "mdxdrv.h"

class DialogService;
class ModuleData;

class MDX4A {
 public:
  // Result of OpenUnits and StartUnits when no unit is used.
  static constexpr int16_t kNoUnitUsed = 10;
  // What an export returns when the library or the export cannot be found: the driver's own code
  // for "the driver is not installed properly".
  static constexpr int16_t kUnavailable = MDX4A_ERR_DRIVER;
  // The driver's code for a unit ID that no attached unit has.
  static constexpr int16_t kNotFound = MDX4A_ERR_NOT_FOUND;

  explicit MDX4A(DialogService& dialogs, QString libraryName = QStringLiteral("libmdxdrv.so"));
  ~MDX4A();
  MDX4A(const MDX4A&) = delete;
  MDX4A& operator=(const MDX4A&) = delete;

  // The five exports. Each takes its arguments as the driver's export does, a pointer to a single
  // value as a reference.
  int16_t Mdx4a_Device_Open(int16_t id);
  void Mdx4a_Device_Close(int16_t id);
  int16_t Mdx4a_Single_Sample(int16_t id, double& value, uint8_t type);
  int16_t Mdx4a_Start_Sample(int16_t id, int16_t interval);
  int16_t Mdx4a_Get_Datas(int16_t id, double* values, uint8_t* status, uint8_t& count,
                          uint8_t type);

  // Opens every used unit. A unit that is not found is named in the message; when no unit at all
  // is attached, the message also says how to try the program without one and what real units
  // need.
  int16_t OpenUnits(const ModuleData& md);
  void CloseUnits(const ModuleData& md);
  int16_t StartUnits(const ModuleData& md, int16_t interval);
  void ShowDriverError(int16_t code);

 private:
  void* Resolve(const char* name);
  // Finds the export `name` into `fn` unless found before; false when it cannot be found.
  template <typename Fn>
  bool Bind(Fn& fn, const char* name);
  // True when no unit but `missing` answers either: the bus has none.
  bool NoOtherUnitAttached(int16_t missing);
  void ShowNotFound(int16_t id, bool noUnitAtAll);

  DialogService& dialogs_;
  QString libraryName_;
  void* library_ = nullptr;
  decltype(&::Mdx4a_Device_Open) open_ = nullptr;
  decltype(&::Mdx4a_Device_Close) close_ = nullptr;
  decltype(&::Mdx4a_Single_Sample) single_ = nullptr;
  decltype(&::Mdx4a_Start_Sample) start_ = nullptr;
  decltype(&::Mdx4a_Get_Datas) fetch_ = nullptr;
};

// The operator's message for a driver result code (empty for a code without one: below 0 or above
// 9).
QString DriverErrorText(int16_t code);
// "B熱電対" .. "T熱電対" for 0..7, empty otherwise.
QString TcTypeName(int16_t index);

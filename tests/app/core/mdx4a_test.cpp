#include "core/mdx4a.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <string>

#include "core/module_data.h"
#include "scripted_dialogs.h"

namespace {

// Each test works on its own copy of the stand-in library, so that it is loaded fresh, with no
// calls recorded and no scripted codes left from another test.
class Mdx4aTest : public ::testing::Test {
 protected:
  QString CopyLibrary(const char* built) {
    const QString path = dir_.filePath(QStringLiteral("libfake%1.so").arg(copies_++));
    EXPECT_TRUE(QFile::copy(QString::fromUtf8(built), path));
    return path;
  }

  // Loads the copy for the test's own use (scripting, reading the log).
  void Attach(const QString& path) {
    handle_ = dlopen(path.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle_, nullptr) << dlerror();
    script_ = reinterpret_cast<void (*)(char, int, int16_t)>(dlsym(handle_, "fake_script"));
    log_ = reinterpret_cast<const char* (*)()>(dlsym(handle_, "fake_log"));
    setValue_ = reinterpret_cast<void (*)(double)>(dlsym(handle_, "fake_set_value"));
    ASSERT_TRUE(script_ && log_ && setValue_);
  }

  std::string Log() const { return log_(); }

  QTemporaryDir dir_;
  int copies_ = 0;
  void* handle_ = nullptr;
  void (*script_)(char, int, int16_t) = nullptr;
  const char* (*log_)() = nullptr;
  void (*setValue_)(double) = nullptr;
  ScriptedDialogs dialogs_;
  ModuleData md_;
};

// The driver's result message box: the text, OK only, the program's title, no icon.
ShownMessage DriverMessage(const char* text) {
  return {QString::fromUtf8(text), QStringLiteral("MDX-4AApp"), MsgButtons::Ok, MsgIcon::None};
}

TEST_F(Mdx4aTest, ResultMessagesAndTypeNames) {
  const char* texts[] = {"正常終了",
                         "ID番号が異なる",
                         "ドライバが正常にインストールされていない",
                         "このデバイスは既にオープンされている",
                         "接続台数が多すぎる",
                         "デバイスをオープンできなかった",
                         "指定のデバイスが見つからない",
                         "指定のデバイスはオープンされてない",
                         "指定パラメータのエラー",
                         "USB通信エラー"};
  for (int16_t code = 0; code < 10; ++code) {
    EXPECT_EQ(DriverErrorText(code), QString::fromUtf8(texts[code])) << code;
  }
  EXPECT_EQ(DriverErrorText(-1), "");
  EXPECT_EQ(DriverErrorText(10), "");

  MDX4A driver(dialogs_, "no-such-library.so");
  driver.ShowDriverError(12);
  EXPECT_EQ(dialogs_.shown, std::vector{DriverMessage("")});

  EXPECT_EQ(TcTypeName(0), "B熱電対");
  EXPECT_EQ(TcTypeName(4), "K熱電対");
  EXPECT_EQ(TcTypeName(7), "T熱電対");
  EXPECT_EQ(TcTypeName(8), "");
  EXPECT_EQ(TcTypeName(-1), "");
}

TEST_F(Mdx4aTest, NoUnitUsedIsReportedWithoutLoadingTheLibrary) {
  const QString path = CopyLibrary(FAKE_MDXDRV_FULL);
  MDX4A driver(dialogs_, path);
  for (auto& u : md_.Record.Units) u.MflagID = false;
  EXPECT_EQ(driver.OpenUnits(md_), MDX4A::kNoUnitUsed);
  EXPECT_EQ(driver.StartUnits(md_, 100), MDX4A::kNoUnitUsed);
  driver.CloseUnits(md_);
  EXPECT_EQ(dialogs_.shown,
            std::vector{ShownMessage::Notice(QStringLiteral("使用ユニットの指定がありません。"))});
  EXPECT_EQ(dlopen(path.toLocal8Bit().constData(), RTLD_NOW | RTLD_NOLOAD), nullptr);
}

TEST_F(Mdx4aTest, LibraryIsLoadedAtTheFirstCallAndPassesArgumentsThrough) {
  const QString path = CopyLibrary(FAKE_MDXDRV_FULL);
  MDX4A driver(dialogs_, path);
  const QByteArray name = path.toLocal8Bit();
  EXPECT_EQ(dlopen(name.constData(), RTLD_NOW | RTLD_NOLOAD), nullptr);

  EXPECT_EQ(driver.Mdx4a_Device_Open(1), 0);
  void* loaded = dlopen(name.constData(), RTLD_NOW | RTLD_NOLOAD);
  ASSERT_NE(loaded, nullptr);
  dlclose(loaded);

  Attach(path);
  setValue_(21.5);
  script_('g', 1, 9);
  double value = 0;
  EXPECT_EQ(driver.Mdx4a_Single_Sample(1, value, 4), 9);
  EXPECT_EQ(value, 21.5);
  double values[151] = {};
  uint8_t status[151] = {};
  uint8_t count = 3;
  EXPECT_EQ(driver.Mdx4a_Get_Datas(1, values, status, count, 8), 0);
  EXPECT_EQ(values[2], 23.5);
  EXPECT_EQ(status[2], 8);
  EXPECT_EQ(driver.Mdx4a_Start_Sample(1, 10000), 0);
  driver.Mdx4a_Device_Close(1);
  driver.Mdx4a_Device_Close(1);  // the address found first is reused
  EXPECT_EQ(Log(), "open(1) single(1,4) fetch(1,3) start(1,10000) close(1) close(1) ");
  EXPECT_TRUE(dialogs_.shown.empty());
}

TEST_F(Mdx4aTest, MissingLibraryGivesDriverNotInstalled) {
  const QString missing = dir_.filePath("libmissing.so");
  MDX4A driver(dialogs_, missing);
  md_.Record.Units[2].MflagID = true;
  const ModuleData before = md_;

  testing::internal::CaptureStderr();
  EXPECT_EQ(driver.OpenUnits(md_), MDX4A::kUnavailable);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("libmissing.so"), std::string::npos) << err;
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;

  ASSERT_EQ(dialogs_.shown.size(), 1u);
  EXPECT_EQ(dialogs_.shown[0].text, "ドライバが正常にインストールされていない");
  EXPECT_EQ(dialogs_.shown[0].caption, "MDX-4AApp");
  EXPECT_EQ(md_.Record.Units[2].MflagID, before.Record.Units[2].MflagID);
  EXPECT_EQ(md_.Record.SampleCount, before.Record.SampleCount);

  double value = 7;
  uint8_t status = 5;
  uint8_t count = 1;
  testing::internal::CaptureStderr();
  EXPECT_EQ(driver.Mdx4a_Single_Sample(0, value, 0), MDX4A::kUnavailable);
  EXPECT_EQ(driver.Mdx4a_Get_Datas(0, &value, &status, count, 0), MDX4A::kUnavailable);
  EXPECT_EQ(driver.Mdx4a_Start_Sample(0, 1), MDX4A::kUnavailable);
  driver.Mdx4a_Device_Close(0);
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(value, 7);
  EXPECT_EQ(status, 5);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(dialogs_.shown.size(), 1u);
}

TEST_F(Mdx4aTest, MissingExportGivesDriverNotInstalledForThatExportOnly) {
  const QString path = CopyLibrary(FAKE_MDXDRV_PARTIAL);
  MDX4A driver(dialogs_, path);
  Attach(path);
  double values[4] = {};
  uint8_t status[4] = {};
  uint8_t count = 2;
  testing::internal::CaptureStderr();
  EXPECT_EQ(driver.Mdx4a_Get_Datas(0, values, status, count, 0), MDX4A::kUnavailable);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("Mdx4a_Get_Datas"), std::string::npos) << err;
  EXPECT_EQ(count, 2);
  EXPECT_EQ(driver.Mdx4a_Device_Open(0), 0);
  EXPECT_EQ(Log(), "open(0) ");
}

TEST_F(Mdx4aTest, FailedOpenClosesTheUnitsOpenedBefore) {
  const QString path = CopyLibrary(FAKE_MDXDRV_FULL);
  Attach(path);
  script_('o', 2, 6);
  script_('o', 3, 3);
  MDX4A driver(dialogs_, path);
  md_.Record.Units[2].MflagID = true;
  md_.Record.Units[3].MflagID = true;

  EXPECT_EQ(driver.OpenUnits(md_), 6);
  EXPECT_EQ(Log(), "open(0) open(2) close(0) ");
  EXPECT_EQ(dialogs_.shown, std::vector{DriverMessage("指定のデバイスが見つからない（ID2）")});
}

// A unit not found when none opened: the other IDs are asked whether any unit is there at all
// (one that opens is closed at once). Only an empty bus brings the hints for trying without one.
TEST_F(Mdx4aTest, UnitNotFoundIsNamedAndAnEmptyBusGetsHints) {
  const QString path = CopyLibrary(FAKE_MDXDRV_FULL);
  Attach(path);
  for (int id = 0; id < 4; ++id) script_('o', id, id == 2 ? 0 : 6);
  MDX4A driver(dialogs_, path);
  for (auto& u : md_.Record.Units) u.MflagID = false;
  md_.Record.Units[1].MflagID = true;

  EXPECT_EQ(driver.OpenUnits(md_), 6);
  EXPECT_EQ(Log(), "open(1) open(0) open(2) close(2) ");
  EXPECT_EQ(dialogs_.shown, std::vector{DriverMessage("指定のデバイスが見つからない（ID1）")});

  script_('o', 2, 6);
  dialogs_.Clear();
  EXPECT_EQ(driver.OpenUnits(md_), 6);
  const QString text = dialogs_.LastText();
  EXPECT_TRUE(text.startsWith(QStringLiteral("指定のデバイスが見つからない（ID1）\n")))
      << text.toStdString();
  EXPECT_TRUE(text.contains(QStringLiteral("korvale --demo"))) << text.toStdString();
  EXPECT_TRUE(text.contains(QStringLiteral("udev"))) << text.toStdString();
}

TEST_F(Mdx4aTest, OpenCloseAndStartActOnTheUsedUnitsInOrder) {
  const QString path = CopyLibrary(FAKE_MDXDRV_FULL);
  Attach(path);
  MDX4A driver(dialogs_, path);
  md_.Record.Units[0].MflagID = false;
  md_.Record.Units[1].MflagID = true;
  md_.Record.Units[3].MflagID = true;

  EXPECT_EQ(driver.OpenUnits(md_), 0);
  EXPECT_EQ(driver.StartUnits(md_, 25), 0);
  driver.CloseUnits(md_);
  EXPECT_EQ(Log(), "open(1) open(3) start(1,25) start(3,25) close(1) close(3) ");
  EXPECT_TRUE(dialogs_.shown.empty());
}

TEST_F(Mdx4aTest, StartStopsAtTheFirstFailureAndLeavesEarlierUnitsRunning) {
  const QString path = CopyLibrary(FAKE_MDXDRV_FULL);
  Attach(path);
  script_('s', 1, 9);
  MDX4A driver(dialogs_, path);
  for (auto& u : md_.Record.Units) u.MflagID = true;

  EXPECT_EQ(driver.StartUnits(md_, 1), 9);
  EXPECT_EQ(Log(), "start(0,1) start(1,1) ");
  EXPECT_EQ(dialogs_.shown, std::vector{DriverMessage("USB通信エラー")});
}

}  // namespace

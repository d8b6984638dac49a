// The main window measuring on simulated units with its recording journal, whose per-user data
// folder is a temporary folder of the test.
#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QStringList>
#include <QTemporaryDir>

#include "../measure/acquisition_rig.h"
#include "files/data_file.h"
#include "journal/recording_journal.h"

namespace journaltest {

// Points the per-user data folder at a temporary folder for as long as it lives.
class DataHome {
 public:
  DataHome() : old_(qgetenv("XDG_DATA_HOME")) { qputenv("XDG_DATA_HOME", dir_.path().toUtf8()); }
  ~DataHome() { qputenv("XDG_DATA_HOME", old_); }
  QString Path() const { return dir_.path(); }

 private:
  QTemporaryDir dir_;
  QByteArray old_;
};

inline QStringList JournalNames() {
  return QDir(JournalFolder()).entryList({QStringLiteral("journal-*.mx1")}, QDir::Files);
}

// The data file at path holds md's start time and settings and exactly md's first `samples`
// samples, as the program's reader sees it.
inline void ExpectFileHolds(const QString& path, const ModuleData& md, int32_t samples) {
  DataFileImage image;
  QString error;
  ASSERT_TRUE(ReadDataFileImage(path, image, &error)) << error.toStdString();
  EXPECT_EQ(image.StartTime, md.Record.StartTime);
  EXPECT_TRUE(image.TimerType == md.Record.TimerType && image.IntervalTM == md.Record.IntervalTM &&
              image.DataAverage == md.Record.DataAverage && image.MeasKind == md.Record.MeasKind);
  ASSERT_EQ(image.Records, samples);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(image.ConnectID[i], md.Record.Units[i].ConnectID);
    for (int32_t k = 0; k < samples; ++k) {
      ASSERT_EQ(image.Data[i][k], md.Record.Units[i].Data[k])
          << "unit " << i << " sample " << k + 1;
    }
  }
}

// Four units plugged in; the journal follows the main window's measurements.
class JournalTest : public acqtest::AcquisitionTest {
 protected:
  void SetUp() override {
    AcquisitionTest::SetUp();
    for (int id = 0; id < 4; ++id) Plug(id);
    form_->StartJournal(false);
  }

  // Measures with the units ids, the timers driven by hand.
  void Start(const std::vector<int>& ids, bool computerPaced, int32_t intervalMs, bool average) {
    Configure(ids, computerPaced, intervalMs, average);
    form_->cmdStart_Click();
    ASSERT_TRUE(md_.Measuring);
    ui().Timer1->stop();
    ui().Timer2->stop();
  }

  // One sampling interval (computer-paced) or one 300 ms poll (unit-paced).
  void Tick() {
    if (md_.Record.TimerType) {
      for (int32_t k = 0; k < acq().Counters().TickDivider; ++k) {
        usbkit_sim_advance_ms(static_cast<unsigned>(acq().Counters().TickPeriod));
        acq().Timer1_Timer();
      }
    } else {
      usbkit_sim_advance_ms(300);
      acq().Timer2_Timer();
    }
  }

  RecordingJournal& journal() { return *form_->Journal(); }

  DataHome home_;
};

}  // namespace journaltest

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

// Checks that the data file at path holds exactly the first `samples` samples of md's record set,
// with md's start time and settings, as the program's reader sees it.
inline void ExpectFileHolds(const QString& path, const ModuleData& md, int32_t samples) {
  DataFileImage image;
  QString error;
  ASSERT_TRUE(ReadDataFileImage(path, image, &error)) << error.toStdString();
  EXPECT_EQ(image.StartTime, md.StartTime);
  EXPECT_EQ(image.TimerType, md.TimerType);
  EXPECT_EQ(image.IntervalTM, md.IntervalTM);
  EXPECT_EQ(image.DataAverage, md.DataAverage);
  EXPECT_EQ(image.MeasKind, md.MeasKind);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(image.ConnectID[i], md.Units[i].ConnectID);
  ASSERT_EQ(image.Records, samples);
  for (int i = 0; i < 4; ++i) {
    for (int32_t k = 0; k < samples; ++k) {
      ASSERT_EQ(image.Data[i][k], md.Units[i].Data[k]) << "unit " << i << " sample " << k + 1;
    }
  }
}

class JournalTest : public acqtest::AcquisitionTest {
 protected:
  void SetUp() override {
    AcquisitionTest::SetUp();
    form_->StartJournal(false);
  }

  RecordingJournal& journal() { return *form_->Journal(); }

  DataHome home_;
};

}  // namespace journaltest

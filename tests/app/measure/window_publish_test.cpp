// The window's publishing: a destination of the settings that cannot be reached is named beside
// the status line, which every tick rewrites, while the measurement goes on.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>

#include "acquisition_rig.h"
#include "core/publish_settings.h"

namespace acqtest {
namespace {

using WindowPublishTest = AcquisitionTest;

TEST_F(WindowPublishTest, ADestinationThatCannotBeReachedIsNamedBesideTheStatusLine) {
  QTemporaryDir config;
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config.path());
  // A port nobody listens on: every connection is refused.
  SavePublishUrls({QStringLiteral("influx://127.0.0.1:9/lab")});
  Plug(0);
  Configure({0}, true, 1000, false);
  form_->show();
  ui().cmdStart->click();
  ASSERT_TRUE(md_.Measuring);
  QElapsedTimer clock;
  clock.start();
  while (!ui().lblPublish->isVisible() && clock.elapsed() < 15000) {
    usbkit_sim_advance_ms(1000);
    QMetaObject::invokeMethod(ui().Timer1, "timeout", Qt::DirectConnection);
    QApplication::processEvents(QEventLoop::AllEvents, 100);
  }
  EXPECT_TRUE(ui().lblPublish->isVisible());
  EXPECT_TRUE(ui().lblPublish->text().startsWith(
      QStringLiteral("influx://127.0.0.1:9/lab に接続できません")))
      << ui().lblPublish->text().toStdString();
  EXPECT_GT(md_.Record.SampleCount, 0);
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                     qEnvironmentVariable("XDG_CONFIG_HOME"));
}

}  // namespace
}  // namespace acqtest

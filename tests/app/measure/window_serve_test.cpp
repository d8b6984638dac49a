// The window's web view: a port entered in "取込設定" is kept in [Serve] and serves the window's
// measurement, its rows arriving as the ticks store them; a port that is not one is refused in the
// dialog.
#include "measure/window_serve.h"

#include <QLineEdit>
#include <QSettings>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include "acquisition_rig.h"
#include "dialogs/dialog_setting.h"

namespace acqtest {
namespace {

class WindowServeTest : public AcquisitionTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(store_.isValid());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, store_.path());
    AcquisitionTest::SetUp();
  }
  QTemporaryDir store_;
};

// A GET of path from the window's server (on a thread of its own: this thread may block).
QByteArray Body(quint16 port, const QByteArray& path) {
  QTcpSocket socket;
  socket.connectToHost(QHostAddress::LocalHost, port);
  if (!socket.waitForConnected(5000)) return {};
  socket.write("GET " + path + " HTTP/1.1\r\nConnection: close\r\n\r\n");
  QByteArray data;
  while (socket.waitForReadyRead(5000)) data += socket.readAll();
  return data.mid(data.indexOf("\r\n\r\n") + 4);
}

TEST_F(WindowServeTest, APortFromTheSettingsDialogServesTheWindowsMeasurement) {
  quint16 port = 0;
  {
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    port = probe.serverPort();
  }
  Plug(0);
  Configure({0}, true, 1000, false);
  dialogs_.modalScripts.push_back([&](QDialog& d) {
    auto& dialog = dynamic_cast<DialogSetting&>(d);
    ASSERT_NE(dialog.txtServePort, nullptr);
    EXPECT_TRUE(dialog.txtServePort->text().isEmpty());
    dialog.txtServePort->setText(QStringLiteral("70000"));
    dialog.OKButton->click();
    EXPECT_TRUE(dialogs_.LastText().contains(QStringLiteral("ウェブ公開ポート")));
    EXPECT_FALSE(md_.SettingOK);
    dialog.txtServePort->setText(QString::number(port));
    dialog.OKButton->click();
  });
  ui().cmdSetting->click();
  ASSERT_TRUE(md_.SettingOK);
  QSettings store(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Korvalle"));
  EXPECT_EQ(store.value(QStringLiteral("Serve/Port")).toString(), QString::number(port));

  form_->cmdStart_Click();
  for (int s = 0; s < 3; ++s) {
    usbkit_sim_advance_ms(1000);
    acq().Timer1_Timer();
  }
  // The rows go to the server's thread as they are stored.
  QByteArray state;
  for (int i = 0; i < 50 && !state.contains("\"count\":3"); ++i) {
    state = Body(port, "/api/state");
    if (!state.contains("\"count\":3")) QThread::msleep(20);
  }
  EXPECT_TRUE(state.contains("\"running\":true")) << state.toStdString();
  EXPECT_TRUE(state.contains("\"count\":3")) << state.toStdString();
  EXPECT_TRUE(Body(port, "/metrics").contains("korvale_samples_stored_total 3"));
  form_->cmdStop_Click();
}

}  // namespace
}  // namespace acqtest

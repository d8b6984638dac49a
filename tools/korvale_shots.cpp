// Pictures of the program for its documentation: builds the main window with the program's own
// classes, lets it measure four simulated units for a few seconds and writes the main window in
// each horizontal display mode, the data list and the settings dialog as PNG files. Run by
// scripts/screenshots.sh on the offscreen platform, so no display is needed.
// Usage: korvale_shots <output folder>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QFont>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>
#include <cstdio>

#include "core/mdx4a.h"
#include "core/module_data.h"
#include "core/null_dialog_service.h"
#include "dialogs/dialog_datalist.h"
#include "dialogs/dialog_setting.h"
#include "graph/graph.h"
#include "measure/form_main.h"

namespace {

void Wait(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

bool Save(QWidget& w, const QDir& dir, const QString& name) {
  const QString path = dir.filePath(name);
  const bool ok = w.grab().save(path, "PNG");
  std::fprintf(ok ? stdout : stderr, "%s %s\n", ok ? "wrote" : "could not write", qPrintable(path));
  return ok;
}

// Picks a display count in the list as the operator would.
void PickCount(FormMain& form, const QString& count) {
  QComboBox* combo = form.Controls().Combo1;
  combo->setCurrentIndex(combo->findText(count));
  form.Graph().Combo1_Click();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: korvale_shots <output folder>\n");
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setFont(QFont(QStringLiteral("IPAPGothic"), 10));
  const QDir out(QString::fromLocal8Bit(argv[1]));
  if (!QDir().mkpath(out.path())) return 1;

  ModuleData md;
  // Nobody answers: messages go to the error stream and every question is answered No.
  NullDialogs dialogs(MsgAnswer::No, true);
  MDX4A driver(dialogs);
  FormMain form(md, driver, dialogs);
  form.resize(1024, 768);
  form.show();

  // The four demonstration units with their thermocouple types (a furnace on type B, the others
  // on type K), sampled by the units every 100 ms, as an operator would set them in the settings
  // dialog.
  const int16_t types[4] = {0, 4, 4, 4};
  for (int i = 0; i < 4; ++i) {
    md.Units[i].MflagID = true;
    md.Units[i].ConnectID = types[i];
  }
  md.TimerType = false;
  md.IntervalTM = 100;
  md.MeasKind = false;
  md.DataAverage = false;
  md.AverageCount = 1;
  form.Graph().SetGraphTitle(false);

  form.Controls().cmdStart->click();
  Wait(6000);
  bool ok = Save(form, out, QStringLiteral("screenshot-main.png"));

  // Automatic scroll over 20 samples while the measurement goes on.
  form.Graph().SelectOptWid(1);
  PickCount(form, QStringLiteral("20"));
  Wait(3000);
  ok = Save(form, out, QStringLiteral("screenshot-autoscroll.png")) && ok;

  if (md.Measuring) form.Controls().cmdStop->click();
  Wait(200);
  std::printf("samples taken: %d\n", static_cast<int>(md.SampleCount));

  // Manual scroll over 30 samples, moved once to the right.
  form.Graph().SelectOptWid(2);
  PickCount(form, QStringLiteral("30"));
  form.Graph().cmdRight_Click();
  Wait(200);
  ok = Save(form, out, QStringLiteral("screenshot-manualscroll.png")) && ok;

  form.Graph().SelectOptWid(0);
  form.Controls().cmdDisp->click();
  Wait(200);
  if (form.Controls().datalist) {
    ok = Save(*form.Controls().datalist, out, QStringLiteral("screenshot-datalist.png")) && ok;
    form.Controls().datalist->close();
  }

  DialogSetting setting(md, dialogs, &form);
  setting.show();
  Wait(200);
  ok = Save(setting, out, QStringLiteral("screenshot-settings.png")) && ok;
  setting.hide();
  return ok ? 0 : 1;
}

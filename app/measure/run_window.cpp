#include "measure/run_window.h"

#include <QApplication>
#include <QFont>
#include <QPushButton>
#include <QTimer>
#include <cstdlib>
#include <vector>

#include "core/dialog_service.h"
#include "core/mdx4a.h"
#include "core/module_data.h"
#include "core/qt_translations.h"
#include "measure/form_main.h"

int RunWindow(const char* program, const CommandLine& cl) {
  // The toolkit reads this when the driver first starts it, which is after this point.
  if (cl.demo) setenv("USBKIT_SIMULATE", "demo", 1);
  // The program name and the window system's own options.
  std::vector<QByteArray> storage;
  storage.push_back(QByteArray(program));
  for (const QString& a : cl.passOn) storage.push_back(a.toLocal8Bit());
  std::vector<char*> qtArgs;
  for (QByteArray& a : storage) qtArgs.push_back(a.data());
  qtArgs.push_back(nullptr);
  int qtArgc = static_cast<int>(storage.size());

  QApplication app(qtArgc, qtArgs.data());
  LoadQtTranslations(app);
  QApplication::setFont(QFont(QStringLiteral("IPAPGothic"), 10));

  ModuleData md;
  QtDialogService dialogs;
  MDX4A driver(dialogs);
  FormMain form(md, driver, dialogs);
  dialogs.SetParent(&form);
  form.show();
  // The recording journal; one left by a program that ended abnormally is offered, or kept as a
  // dated file and reported on standard error when the measurement starts unattended.
  form.StartJournal(cl.start);
  if (cl.start) {
    // Once the window is up, as if the operator pressed "開始".
    QTimer::singleShot(0, &form, [&form] { form.Controls().cmdStart->click(); });
  }
  return app.exec();
}

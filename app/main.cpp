// korvale: the desktop program of the MDX-4A thermocouple measurement unit.
#include <QApplication>
#include <QFont>

#include "core/dialog_service.h"
#include "core/mdx4a.h"
#include "core/module_data.h"
#include "core/qt_translations.h"
#include "measure/form_main.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  LoadQtTranslations(app);
  QApplication::setFont(QFont(QStringLiteral("IPAPGothic"), 10));

  ModuleData md;
  QtDialogService dialogs;
  MDX4A driver(dialogs);
  FormMain form(md, driver, dialogs);
  dialogs.SetParent(&form);
  form.show();
  return app.exec();
}

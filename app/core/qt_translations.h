// Qt's own texts in Japanese: the buttons of message boxes ("はい", "いいえ"), the file and printer
// dialogs, the context menus of text boxes. The program's own texts are Japanese already.
#pragma once

class QCoreApplication;
class QTranslator;

// Installs Qt's Japanese translations into the application and returns the translator (owned by
// the application). Returns null when they are not installed (the Debian package
// qt6-translations-l10n); Qt's texts then stay in English.
QTranslator* LoadQtTranslations(QCoreApplication& app);

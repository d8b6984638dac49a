#include "core/command_line.h"

namespace {

// Qt's own options that take a value.
bool TakesValue(const QString& arg) {
  static const QStringList withValue = {
      QStringLiteral("-platform"),      QStringLiteral("-platformpluginpath"),
      QStringLiteral("-platformtheme"), QStringLiteral("-plugin"),
      QStringLiteral("-qmljsdebugger"), QStringLiteral("-style"),
      QStringLiteral("-stylesheet"),    QStringLiteral("-display"),
      QStringLiteral("-geometry"),      QStringLiteral("-qwindowgeometry"),
      QStringLiteral("-qwindowtitle"),  QStringLiteral("-qwindowicon"),
      QStringLiteral("-title"),         QStringLiteral("-name"),
      QStringLiteral("-session"),       QStringLiteral("-screen")};
  return withValue.contains(arg);
}

CommandLine Failed(const QString& error) {
  CommandLine cl;
  cl.action = CommandLine::Action::Error;
  cl.error = error;
  return cl;
}

}  // namespace

CommandLine ParseCommandLine(const QStringList& args) {
  CommandLine cl;
  bool help = false;
  bool version = false;
  bool convert = false;
  bool exportCsv = false;
  for (int i = 0; i < args.size(); ++i) {
    const QString& a = args[i];
    if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
      help = true;
    } else if (a == QLatin1String("--version")) {
      version = true;
    } else if (a == QLatin1String("--start")) {
      cl.start = true;
    } else if (a == QLatin1String("--demo")) {
      cl.demo = true;
    } else if (a == QLatin1String("--convert")) {
      if (convert) return Failed(QStringLiteral("--convert は一度だけ指定できます。"));
      if (i + 2 >= args.size()) {
        return Failed(
            QStringLiteral("--convert には入力ファイルと出力ファイルを指定してください。"));
      }
      convert = true;
      cl.input = args[i + 1];
      cl.output = args[i + 2];
      i += 2;
    } else if (a == QLatin1String("--export")) {
      // The files up to the next option: the inputs, then the output.
      if (exportCsv) return Failed(QStringLiteral("--export は一度だけ指定できます。"));
      exportCsv = true;
      while (i + 1 < args.size() && !args[i + 1].startsWith(QLatin1Char('-'))) {
        cl.inputs << args[++i];
      }
      if (cl.inputs.size() < 2) {
        return Failed(
            QStringLiteral("--export には入力ファイルと出力ファイルを指定してください。"));
      }
      cl.output = cl.inputs.takeLast();
    } else if (a.startsWith(QLatin1String("--")) || a == QLatin1String("-")) {
      return Failed(QStringLiteral("不明なオプションです: %1").arg(a));
    } else if (a.startsWith(QLatin1Char('-'))) {
      cl.passOn << a;
      if (TakesValue(a) && i + 1 < args.size()) cl.passOn << args[++i];
    } else {
      return Failed(QStringLiteral("余分な引数です: %1").arg(a));
    }
  }
  if (help) {
    cl.action = CommandLine::Action::Help;
  } else if (version) {
    cl.action = CommandLine::Action::Version;
  } else if (convert && exportCsv) {
    return Failed(QStringLiteral("--convert と --export は同時に指定できません。"));
  } else if (exportCsv) {
    if (cl.start) return Failed(QStringLiteral("--export と --start は同時に指定できません。"));
    cl.action = CommandLine::Action::Export;
  } else if (convert) {
    if (cl.start) return Failed(QStringLiteral("--convert と --start は同時に指定できません。"));
    cl.action = CommandLine::Action::Convert;
  }
  return cl;
}

QString UsageText() {
  return QStringLiteral(
      "使い方: korvale [--demo] [--start]\n"
      "        korvale --convert 入力.mx1 出力(.csv|.mx1|.pdf)\n"
      "        korvale --export 入力.mx1 [入力2.mx1 ...] 出力.csv\n"
      "\n"
      "熱電対温度測定ユニットの測定プログラム。\n"
      "\n"
      "  --convert 入力 出力  専用ファイル (*.mx1) を読み込み、出力の拡張子に従って\n"
      "                       CSV (.csv)、専用ファイル (.mx1) または PDF (.pdf) で書き出す。\n"
      "                       ウィンドウは開かない。成功すると終了コード 0。\n"
      "  --export 入力... 出力\n"
      "                       専用ファイルを読み込み、解析用CSV (UTF-8, 時刻付き) で書き出す。\n"
      "                       複数の入力は開始時刻の順に一つの表にまとめる。\n"
      "  --start              ウィンドウを開いたあと、すぐに測定を開始する（「開始」と同じ）。\n"
      "  --demo               実機の代わりにデモ用の模擬ユニットを使う。\n"
      "  --help, -h           この説明を表示して終了する。\n"
      "  --version            バージョンを表示して終了する。\n");
}

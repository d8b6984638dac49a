#include "core/command_line.h"

#include <QRegularExpression>

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

std::optional<int64_t> ParseDuration(const QString& text) {
  static const QRegularExpression form(QStringLiteral("^([0-9]{1,9})([smhd])$"));
  const QRegularExpressionMatch m = form.match(text.trimmed());
  if (!m.hasMatch()) return std::nullopt;
  const int64_t n = m.captured(1).toLongLong();
  const QChar unit = m.captured(2).at(0);
  const int64_t perUnit = unit == QLatin1Char('s')   ? 1000
                          : unit == QLatin1Char('m') ? 60 * 1000
                          : unit == QLatin1Char('h') ? 3600 * 1000
                                                     : int64_t{86400} * 1000;
  if (n <= 0) return std::nullopt;
  return n * perUnit;
}

CommandLine ParseCommandLine(const QStringList& args) {
  CommandLine cl;
  bool help = false;
  bool version = false;
  bool convert = false;
  bool exportCsv = false;
  bool record = false;
  bool recordOption = false;  // --for, --settings or --stream
  for (int i = 0; i < args.size(); ++i) {
    const QString& a = args[i];
    // The value of an option that takes one.
    const auto value = [&](QString& into) {
      if (i + 1 >= args.size()) return false;
      into = args[++i];
      return true;
    };
    if (a == QLatin1String("--record")) {
      if (record) return Failed(QStringLiteral("--record は一度だけ指定できます。"));
      if (!value(cl.recordFolder)) {
        return Failed(QStringLiteral("--record には記録先のフォルダーを指定してください。"));
      }
      record = true;
    } else if (a == QLatin1String("--for")) {
      QString text;
      const std::optional<int64_t> ms = value(text) ? ParseDuration(text) : std::nullopt;
      if (!ms) {
        return Failed(
            QStringLiteral("--for には記録する時間を 90s、30m、2h、7d のように指定してください。"));
      }
      cl.recordForMs = *ms;
      recordOption = true;
    } else if (a == QLatin1String("--settings")) {
      if (!value(cl.settingsFile)) {
        return Failed(QStringLiteral("--settings には設定ファイルを指定してください。"));
      }
      recordOption = true;
    } else if (a == QLatin1String("--stream")) {
      cl.stream = true;
      recordOption = true;
    } else if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
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
    if (record) return Failed(QStringLiteral("--export と --record は同時に指定できません。"));
    cl.action = CommandLine::Action::Export;
  } else if (convert) {
    if (cl.start) return Failed(QStringLiteral("--convert と --start は同時に指定できません。"));
    if (record) return Failed(QStringLiteral("--convert と --record は同時に指定できません。"));
    cl.action = CommandLine::Action::Convert;
  } else if (record) {
    if (cl.start) return Failed(QStringLiteral("--record と --start は同時に指定できません。"));
    cl.action = CommandLine::Action::Record;
  }
  if (recordOption && cl.action != CommandLine::Action::Record &&
      cl.action != CommandLine::Action::Help && cl.action != CommandLine::Action::Version) {
    return Failed(
        QStringLiteral("--for、--settings と --stream は --record と一緒に指定してください。"));
  }
  return cl;
}

QString UsageText() {
  return QStringLiteral(
      "使い方: korvale [--demo] [--start]\n"
      "        korvale --convert 入力.mx1 出力(.csv|.mx1|.pdf)\n"
      "        korvale --export 入力.mx1 [入力2.mx1 ...] 出力.csv\n"
      "        korvale --record フォルダー [--for 時間] [--settings 設定ファイル] [--stream]\n"
      "\n"
      "熱電対温度測定ユニットの測定プログラム。\n"
      "\n"
      "  --convert 入力 出力  専用ファイル (*.mx1) を読み込み、出力の拡張子に従って\n"
      "                       CSV (.csv)、専用ファイル (.mx1) または PDF (.pdf) で書き出す。\n"
      "                       ウィンドウは開かない。成功すると終了コード 0。記録が欠けた\n"
      "                       入力は読めた分を書き出し、その旨を示して終了コード 4。\n"
      "  --export 入力... 出力\n"
      "                       専用ファイルを読み込み、解析用CSV (UTF-8, 時刻付き) で書き出す。\n"
      "                       複数の入力は開始時刻の順に一つの表にまとめる（終了コードは\n"
      "                       --convert と同じ）。\n"
      "  --record フォルダー  ウィンドウも画面もなしに、保存された測定条件で測定し、\n"
      "                       連続記録でフォルダーに記録する。88000 件ごとに 1 つの\n"
      "                       専用ファイル（開始日時-番号.mx1）を書き、SIGINT または\n"
      "                       SIGTERM で残りを最後のファイルに書いて終了コード 0 で終わる。\n"
      "                       ドライバのエラーでは終了コード 1。記録フォルダーに書けず\n"
      "                       予備のフォルダーに書いたファイル、またはどこにも書けなかった\n"
      "                       ファイルがあると終了コード 3。\n"
      "  --for 時間           --record の記録時間（90s、30m、2h、7d のように）。測定の\n"
      "                       開始から数える。\n"
      "  --settings ファイル  --record で使う測定条件と警報（[MeasInfo] と [Alarm] の ini\n"
      "                       ファイル）。\n"
      "  --stream             --record で各データを解析用 CSV の行として標準出力にも書く。\n"
      "  --start              ウィンドウを開いたあと、すぐに測定を開始する（「開始」と同じ）。\n"
      "  --demo               実機の代わりにデモ用の模擬ユニットを使う。\n"
      "  --help, -h           この説明を表示して終了する。\n"
      "  --version            バージョンを表示して終了する。\n");
}

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

namespace {

// What an option group made of an argument.
enum class Took { No, Yes, Failed };

// The parse so far: the arguments, the one being read and what the options have said.
struct Parse {
  explicit Parse(const QStringList& arguments) : args(arguments) {}
  const QStringList& args;
  int i = 0;
  CommandLine cl;
  bool help = false;
  bool version = false;
  bool convert = false;
  bool exportCsv = false;
  bool record = false;
  bool mark = false;
  bool recordOption = false;  // --for, --settings, --stream, --publish, --serve or --token-file
  QString error;

  // The value of an option that takes one.
  bool Value(QString& into) {
    if (i + 1 >= args.size()) return false;
    into = args[++i];
    return true;
  }
  Took Fail(const QString& text) {
    error = text;
    return Took::Failed;
  }
};

// --record and the options that go with it.
Took RecordOption(Parse& p, const QString& a) {
  if (a == QLatin1String("--record")) {
    if (p.record) return p.Fail(QStringLiteral("--record は一度だけ指定できます。"));
    if (!p.Value(p.cl.recordFolder)) {
      return p.Fail(QStringLiteral("--record には記録先のフォルダーを指定してください。"));
    }
    p.record = true;
    return Took::Yes;
  }
  if (a == QLatin1String("--for")) {
    QString text;
    const std::optional<int64_t> ms = p.Value(text) ? ParseDuration(text) : std::nullopt;
    if (!ms) {
      return p.Fail(
          QStringLiteral("--for には記録する時間を 90s、30m、2h、7d のように指定してください。"));
    }
    p.cl.recordForMs = *ms;
  } else if (a == QLatin1String("--settings")) {
    if (!p.Value(p.cl.settingsFile)) {
      return p.Fail(QStringLiteral("--settings には設定ファイルを指定してください。"));
    }
  } else if (a == QLatin1String("--stream")) {
    p.cl.stream = true;
    // An optional format word: the analysis CSV unless "influx".
    if (p.i + 1 < p.args.size() &&
        (p.args[p.i + 1] == QLatin1String("influx") || p.args[p.i + 1] == QLatin1String("csv"))) {
      p.cl.streamInflux = p.args[++p.i] == QLatin1String("influx");
    }
  } else if (a == QLatin1String("--publish")) {
    QString url;
    if (!p.Value(url)) {
      return p.Fail(QStringLiteral("--publish には送信先の URL を指定してください。"));
    }
    p.cl.publishUrls << url;
  } else if (a == QLatin1String("--serve")) {
    if (!p.Value(p.cl.serve) || p.cl.serve.isEmpty()) {
      return p.Fail(
          QStringLiteral("--serve には待ち受けるポート（[アドレス:]ポート）を指定してください。"));
    }
  } else if (a == QLatin1String("--token-file")) {
    if (!p.Value(p.cl.tokenFile) || p.cl.tokenFile.isEmpty()) {
      return p.Fail(QStringLiteral("--token-file にはトークンのファイルを指定してください。"));
    }
  } else {
    return Took::No;
  }
  p.recordOption = true;
  return Took::Yes;
}

// --convert INPUT OUTPUT, --export INPUT... OUTPUT and --mark DIR TEXT.
Took FileOption(Parse& p, const QString& a) {
  if (a == QLatin1String("--mark")) {
    if (p.mark) return p.Fail(QStringLiteral("--mark は一度だけ指定できます。"));
    if (p.i + 2 >= p.args.size()) {
      return p.Fail(QStringLiteral(
          "--mark には記録フォルダーとマークの文字列（空なら \"\"）を指定してください。"));
    }
    p.mark = true;
    p.cl.recordFolder = p.args[p.i + 1];
    p.cl.markText = p.args[p.i + 2];
    p.i += 2;
    return Took::Yes;
  }
  if (a == QLatin1String("--convert")) {
    if (p.convert) return p.Fail(QStringLiteral("--convert は一度だけ指定できます。"));
    if (p.i + 2 >= p.args.size()) {
      return p.Fail(QStringLiteral("--convert には入力ファイルと出力ファイルを指定してください。"));
    }
    p.convert = true;
    p.cl.input = p.args[p.i + 1];
    p.cl.output = p.args[p.i + 2];
    p.i += 2;
    return Took::Yes;
  }
  if (a != QLatin1String("--export")) return Took::No;
  // The files up to the next option: the inputs, then the output.
  if (p.exportCsv) return p.Fail(QStringLiteral("--export は一度だけ指定できます。"));
  p.exportCsv = true;
  while (p.i + 1 < p.args.size() && !p.args[p.i + 1].startsWith(QLatin1Char('-'))) {
    p.cl.inputs << p.args[++p.i];
  }
  if (p.cl.inputs.size() < 2) {
    return p.Fail(QStringLiteral("--export には入力ファイルと出力ファイルを指定してください。"));
  }
  p.cl.output = p.cl.inputs.takeLast();
  return Took::Yes;
}

// The window's options, the help and version texts, and the window system's own options (a
// single dash, passed on with their values).
Took WindowOption(Parse& p, const QString& a) {
  if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
    p.help = true;
  } else if (a == QLatin1String("--version")) {
    p.version = true;
  } else if (a == QLatin1String("--start")) {
    p.cl.start = true;
  } else if (a == QLatin1String("--demo")) {
    p.cl.demo = true;
  } else if (a.startsWith(QLatin1Char('-')) && !a.startsWith(QLatin1String("--")) &&
             a != QLatin1String("-")) {
    p.cl.passOn << a;
    if (TakesValue(a) && p.i + 1 < p.args.size()) p.cl.passOn << p.args[++p.i];
  } else {
    return Took::No;
  }
  return Took::Yes;
}

// The action the options together ask for, or the error of options that do not go together.
CommandLine Decide(Parse& p) {
  CommandLine& cl = p.cl;
  if (p.help) {
    cl.action = CommandLine::Action::Help;
  } else if (p.version) {
    cl.action = CommandLine::Action::Version;
  } else if (p.mark) {
    if (p.convert || p.exportCsv || p.record || cl.start || cl.demo) {
      return Failed(QStringLiteral("--mark はほかのオプションと同時に指定できません。"));
    }
    cl.action = CommandLine::Action::Mark;
  } else if (p.convert && p.exportCsv) {
    return Failed(QStringLiteral("--convert と --export は同時に指定できません。"));
  } else if (p.exportCsv) {
    if (cl.start) return Failed(QStringLiteral("--export と --start は同時に指定できません。"));
    if (p.record) return Failed(QStringLiteral("--export と --record は同時に指定できません。"));
    cl.action = CommandLine::Action::Export;
  } else if (p.convert) {
    if (cl.start) return Failed(QStringLiteral("--convert と --start は同時に指定できません。"));
    if (p.record) return Failed(QStringLiteral("--convert と --record は同時に指定できません。"));
    cl.action = CommandLine::Action::Convert;
  } else if (p.record) {
    if (cl.start) return Failed(QStringLiteral("--record と --start は同時に指定できません。"));
    cl.action = CommandLine::Action::Record;
  }
  if (p.recordOption && cl.action != CommandLine::Action::Record &&
      cl.action != CommandLine::Action::Help && cl.action != CommandLine::Action::Version) {
    return Failed(
        QStringLiteral("--for、--settings、--stream、--publish、--serve と --token-file は "
                       "--record と一緒に指定してください。"));
  }
  return cl;
}

}  // namespace

CommandLine ParseCommandLine(const QStringList& args) {
  Parse p(args);
  for (p.i = 0; p.i < args.size(); ++p.i) {
    const QString& a = args[p.i];
    Took took = RecordOption(p, a);
    if (took == Took::No) took = FileOption(p, a);
    if (took == Took::No) took = WindowOption(p, a);
    if (took == Took::Failed) return Failed(p.error);
    if (took == Took::Yes) continue;
    if (a.startsWith(QLatin1String("--")) || a == QLatin1String("-")) {
      return Failed(QStringLiteral("不明なオプションです: %1").arg(a));
    }
    return Failed(QStringLiteral("余分な引数です: %1").arg(a));
  }
  return Decide(p);
}

QString UsageText() {
  return QStringLiteral(
      "使い方: korvale [--demo] [--start]\n"
      "        korvale --convert 入力.mx1 出力(.csv|.mx1|.pdf)\n"
      "        korvale --export 入力.mx1 [入力2.mx1 ...] 出力.csv\n"
      "        korvale --record フォルダー [--for 時間] [--settings 設定ファイル]\n"
      "                [--stream [influx]] [--publish URL]...\n"
      "                [--serve [アドレス:]ポート [--token-file ファイル]]\n"
      "        korvale --mark フォルダー 文字列\n"
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
      "  --stream [influx]    --record で各データを解析用 CSV の行として標準出力にも書く。\n"
      "                       influx を付けると InfluxDB の line protocol で書く。\n"
      "  --publish URL        --record で各データを MQTT (mqtt://[利用者[:パスワード]@]ホスト\n"
      "                       [:ポート]/接頭辞、mqtts://…) または InfluxDB (influx://ホスト\n"
      "                       [:ポート]/データベース、influx2://ホスト[:ポート]/組織/バケット、\n"
      "                       トークンは環境変数 KORVALE_INFLUX_TOKEN) にも送る。繰り返し\n"
      "                       指定できる。送れない間は待ち行列に保存し、あとで送る。使えない\n"
      "                       URL は終了コード 2。\n"
      "  --stream             --record で各データを解析用 CSV の行として標準出力にも書く。\n"
      "  --serve [アドレス:]ポート\n"
      "                       --record の測定をウェブページと Prometheus の /metrics で\n"
      "                       見せる（アドレスの既定は 127.0.0.1）。ループバック以外で\n"
      "                       待ち受けるにはトークンが必要。\n"
      "  --token-file ファイル\n"
      "                       --serve のトークンを読むファイル（環境変数\n"
      "                       KORVALE_SERVE_TOKEN でも渡せる）。\n"
      "  --mark フォルダー 文字列\n"
      "                       フォルダーに記録中の --record の最新のデータにマークを付ける\n"
      "                       （文字列が空なら「マーク N」）。記録されると終了コード 0、\n"
      "                       記録中のものがなければ 1、使い方の誤りは 2。\n"
      "  --start              ウィンドウを開いたあと、すぐに測定を開始する（「開始」と同じ）。\n"
      "  --demo               実機の代わりにデモ用の模擬ユニットを使う。\n"
      "  --help, -h           この説明を表示して終了する。\n"
      "  --version            バージョンを表示して終了する。\n");
}

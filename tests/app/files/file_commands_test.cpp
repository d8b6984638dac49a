// The main window's "保存" and "読込み" with the save window, on simulated units: what the operator
// measured, saved and read back is what the graph and the list show again; failures keep memory,
// graph and files as they were.
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <limits>

#include "../measure/acquisition_rig.h"
#include "child_process.h"
#include "dialogs/data_list_model.h"
#include "dialogs/dialog_datalist.h"
#include "dialogs/dialog_memo.h"
#include "dialogs/dialog_setting.h"
#include "file_bytes.h"
#include "files/data_file.h"

namespace acqtest {
namespace {

const QString kDataFilter = QStringLiteral("専用ファイル  (*.mx1)|*.mx1|");

class FileCommandsTest : public AcquisitionTest {
 protected:
  // A settings store of the test's own: the file dialogs remember folder and format there.
  void SetUp() override {
    ASSERT_TRUE(config_.isValid());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config_.path());
    AcquisitionTest::SetUp();
  }
  void TearDown() override {
    AcquisitionTest::TearDown();
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                       QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
  }

  QString Path(const char* name) const { return dir_.filePath(QString::fromUtf8(name)); }

  // Three computer-paced samples of units 0 and 2 at one a second.
  void Measure() {
    Plug(0);
    Plug(2);
    Configure({0, 2}, true, 1000, false);
    form_->cmdStart_Click();
    for (int k = 0; k < 3; ++k) {
      usbkit_sim_advance_ms(1000);
      acq().Timer1_Timer();
    }
    form_->cmdStop_Click();
    ASSERT_EQ(md_.Record.SampleCount, 3);
  }

  // Runs the save window with the given script (which gets the window).
  void Save(std::function<void(DialogMemo&)> script) {
    dialogs_.modalScripts.push_back([script](QDialog& d) {
      auto* memo = dynamic_cast<DialogMemo*>(&d);
      ASSERT_NE(memo, nullptr);
      script(*memo);
    });
    ui().cmdSave->click();
  }

  // What the graph shows: every point of the four series.
  std::vector<std::optional<double>> GraphPoints() {
    std::vector<std::optional<double>> points;
    for (int s = 1; s <= 4; ++s) {
      for (int k = 1; k <= chart().PointCount(s); ++k) points.push_back(chart().PointY(s, k));
    }
    return points;
  }

  QStringList ListLines() {
    QStringList lines;
    DataListModel* model = ui().datalist->Model();
    for (int r = 0; r < model->rowCount(); ++r) lines << model->data(model->index(r, 0)).toString();
    return lines;
  }

  QTemporaryDir config_;
  QTemporaryDir dir_;
};

TEST_F(FileCommandsTest, MeasureSaveBothFormatsAndReadBackTheSameGraphAndList) {
  Measure();
  ui().cmdDisp->click();
  const QStringList measuredList = ListLines();
  const auto measuredGraph = GraphPoints();
  ASSERT_EQ(measuredList.size(), 3);
  // Measured and not saved: "読込み" asks first, and "いいえ" leaves everything as it was.
  const QString question =
      QStringLiteral("ファイルを読み込むとデータが消去されます。よろしいですか？");
  dialogs_.answers = {MsgAnswer::No};
  ui().cmdRead->click();
  EXPECT_EQ(dialogs_.shown, std::vector<ShownMessage>{ShownMessage::Question(question)});
  EXPECT_TRUE(dialogs_.fileFilters.empty());
  dialogs_.Clear();

  Save([&](DialogMemo& d) {
    EXPECT_TRUE(d.optFiletype[0]->isChecked());
    d.txtMemo[0]->setText(QStringLiteral("炉の温度"));
    dialogs_.saveFiles = {Path("run.csv")};
    d.OKButton->click();
    EXPECT_EQ(d.result(), QDialog::Accepted);
  });
  Save([&](DialogMemo& d) {
    EXPECT_EQ(d.txtMemo[0]->text(), QStringLiteral("炉の温度"));
    d.optFiletype[1]->setChecked(true);
    dialogs_.saveFiles = {Path("run.mx1")};
    d.OKButton->click();
  });
  // Saved: the read no longer asks (the open dialog is cancelled here).
  dialogs_.openFiles = {std::nullopt};
  ui().cmdRead->click();
  EXPECT_TRUE(dialogs_.shown.empty());
  EXPECT_EQ(dialogs_.fileFilters,
            (std::vector<QString>{QStringLiteral("CSVファイル  (*.csv)|*.csv|"), kDataFilter,
                                  kDataFilter}));

  // A new measurement replaces the record set; reading the file brings the old one back, into
  // the list that is still open.
  const QString startTime = md_.Record.StartTime;
  md_.ClearData();
  md_.Record.ClearMemo();
  dialogs_.openFiles = {Path("run.mx1")};
  ui().cmdRead->click();
  EXPECT_TRUE(dialogs_.shown.empty()) << dialogs_.LastText().toStdString();
  EXPECT_EQ(dialogs_.fileRequests.back().folder, dir_.path());  // where the file was saved
  EXPECT_EQ(md_.Record.SampleCount, 3);
  EXPECT_EQ(md_.Record.MemoText[0], QStringLiteral("炉の温度"));
  EXPECT_EQ(GraphPoints(), measuredGraph);
  EXPECT_EQ(chart().HeaderText(), QStringLiteral("開始時刻  ") + startTime);
  ASSERT_TRUE(ui().datalist);
  EXPECT_FALSE(ui().cmdDisp->isEnabled());  // still the sign of the open list
  EXPECT_EQ(ListLines(), measuredList);
  ui().datalist->close();
  EXPECT_TRUE(ui().cmdDisp->isEnabled());
  // The title names the file; nothing fills the record set any more.
  const QString caption = QStringLiteral("熱電対温度測定ユニット");
  EXPECT_EQ(form_->windowTitle(), QStringLiteral("run.mx1 - ") + caption);
  EXPECT_EQ(ui().lblStatus->text(), QStringLiteral("データ数 3　経過時間 0:00:03"));

  // A new measurement is no file's.
  form_->cmdStart_Click();
  usbkit_sim_advance_ms(1000);
  acq().Timer1_Timer();
  form_->cmdStop_Click();
  EXPECT_EQ(form_->windowTitle(), caption);
  EXPECT_TRUE(ui().lblStatus->text().contains(QStringLiteral("満杯まで")));
}

TEST_F(FileCommandsTest, SaveWindowRefusesTextItCannotWriteAndStaysOpenOnCancelOrFailure) {
  Measure();
  md_.Record.MemoText[1] = QStringLiteral("前のメモ");
  const QString existing = Path("kept.mx1");
  WriteBytes(existing, "old");
  Save([&](DialogMemo& d) {
    EXPECT_EQ(d.txtMemo[1]->text(), QStringLiteral("前のメモ"));
    d.optFiletype[1]->setChecked(true);
    d.txtMemo[1]->setText(QStringLiteral("価格 \u20ac5"));
    dialogs_.saveFiles = {existing};
    d.OKButton->click();  // "€" has no code page 932 form: refused before any file dialog
    EXPECT_TRUE(dialogs_.fileFilters.empty());
    ASSERT_EQ(dialogs_.shown.size(), 1u);
    EXPECT_EQ(dialogs_.shown[0].caption, QStringLiteral("エラーメッセージ"));
    EXPECT_TRUE(dialogs_.LastText().contains(QStringLiteral("メモ2")));

    d.txtMemo[1]->setText(QStringLiteral("新しいメモ"));
    dialogs_.saveFiles = {std::nullopt};  // the save dialog cancelled
    d.OKButton->click();
    EXPECT_NE(d.result(), QDialog::Accepted);
    EXPECT_EQ(md_.Record.MemoText[1], QStringLiteral("前のメモ"));

    // A file that cannot be written is reported, and the window stays for another place.
    const QString nowhere = Path("no-such-folder/run.mx1");
    dialogs_.saveFiles = {nowhere};
    d.OKButton->click();
    EXPECT_NE(d.result(), QDialog::Accepted);
    EXPECT_EQ(dialogs_.shown.back().caption, QStringLiteral("Message"));
    EXPECT_EQ(dialogs_.shown.back().icon, MsgIcon::Critical);
    EXPECT_TRUE(dialogs_.LastText().contains(nowhere)) << dialogs_.LastText().toStdString();
    EXPECT_EQ(md_.Record.MemoText[1], QStringLiteral("前のメモ"));
    d.CancelButton->click();
    EXPECT_EQ(d.result(), QDialog::Rejected);
  });
  EXPECT_EQ(md_.Record.MemoText[1], QStringLiteral("前のメモ"));
  EXPECT_EQ(FileBytes(existing), QByteArray("old"));

  md_.ClearData();
  dialogs_.Clear();
  ui().cmdSave->click();
  EXPECT_EQ(dialogs_.shown, std::vector<ShownMessage>{
                                ShownMessage::Notice(QStringLiteral("測定データがありません。"))});
}

// A full disk, made real by a file-size limit on a child process: in both formats the previous
// file stays byte for byte, nothing else is left, and the window stays open with its message.
TEST_F(FileCommandsTest, WriteFailureKeepsThePreviousFileAndTheSaveWindowOpen) {
  Measure();
  for (const int format : {0, 1}) {
    const QString path = Path(format == 0 ? "run.csv" : "run.mx1");
    WriteBytes(path, "previous");
    const int result = RunWithFileSizeLimit(100, [&] {
      int code = 0;
      Save([&](DialogMemo& d) {
        d.optFiletype[format]->setChecked(true);
        dialogs_.saveFiles = {path};
        d.OKButton->click();
        if (d.result() == QDialog::Accepted) code = 1;
        if (!dialogs_.LastText().contains(path)) code = 2;
      });
      return code;
    });
    EXPECT_EQ(result, 0) << "1: the window closed as if saved, 2: nobody was told";
    EXPECT_EQ(FileBytes(path), QByteArray("previous"));
  }
  EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
            QStringList({"run.csv", "run.mx1"}));
}

TEST_F(FileCommandsTest, FailedOrEmptyReadsLeaveRecordSetSettingsAndGraphAlone) {
  Measure();
  md_.Unsaved = false;  // as after a save: the reads do not ask
  const auto graph = GraphPoints();
  const QString header = chart().HeaderText();
  const QString bad = Path("cut.mx1");
  const QString empty = Path("empty.mx1");
  WriteBytes(bad, QByteArray::fromHex("1200") + "2008/12/25");
  ModuleData other;
  other.Record.IntervalTM = 5000;
  WriteBytes(empty, EncodeDataHeader(other.Record, 7));
  dialogs_.openFiles = {std::nullopt, bad, empty};
  for (int i = 0; i < 3; ++i) ui().cmdRead->click();
  ASSERT_EQ(dialogs_.shown.size(), 2u);
  EXPECT_EQ(dialogs_.shown[0].caption, QStringLiteral("Message"));
  EXPECT_EQ(dialogs_.shown[0].icon, MsgIcon::Critical);
  EXPECT_TRUE(dialogs_.shown[0].text.contains(bad));
  EXPECT_TRUE(dialogs_.shown[0].text.contains(QStringLiteral("ヘッダーの途中")));
  EXPECT_EQ(dialogs_.shown[1], ShownMessage::Notice(QStringLiteral("データがありません。")));
  EXPECT_EQ(md_.Record.SampleCount, 3);
  EXPECT_EQ(md_.Record.IntervalTM, 1000);
  EXPECT_TRUE(md_.Record.Units[2].MflagID);
  EXPECT_EQ(GraphPoints(), graph);
  EXPECT_EQ(chart().HeaderText(), header);
  EXPECT_EQ(dialogs_.fileFilters, (std::vector<QString>(3, kDataFilter)));
}

// Texts with bytes that are not code page 932, read and not edited, are saved as they were read.
TEST_F(FileCommandsTest, SaveWindowWritesUneditedTextsAsTheyWereRead) {
  ModuleData file;
  file.Record.MemoText[2] = QStringLiteral("x");
  file.Record.Units[0].Data[0] = 1;
  file.Record.SampleCount = file.Record.Units[0].DataCount = 1;
  ASSERT_TRUE(SaveDataFile(file.Record, Path("in.mx1")));
  QByteArray bytes = FileBytes(Path("in.mx1"));
  bytes.replace(QByteArray("\x01\x00x", 3), QByteArray("\x03\x00\xfd\x81\xff", 5));
  WriteBytes(Path("in.mx1"), bytes);
  ASSERT_TRUE(form_->LoadDataFile(Path("in.mx1")));
  Save([&](DialogMemo& d) {
    d.optFiletype[1]->setChecked(true);
    dialogs_.saveFiles = {Path("out.mx1")};
    d.OKButton->click();
    EXPECT_EQ(d.result(), QDialog::Accepted) << dialogs_.LastText().toStdString();
  });
  EXPECT_EQ(FileBytes(Path("out.mx1")), bytes);
}

// A unit whose first reading failed and which has a hole later: "読込み" shows every value in its
// place.
TEST_F(FileCommandsTest, ReadReplaysAUnitWithoutAFirstValue) {
  ModuleData file;
  file.Record.Units[1].MflagID = true;
  for (int k = 0; k < 4; ++k) file.Record.Units[0].Data[k] = static_cast<float>(k);
  file.Record.Units[1].Data[1] = 5;
  file.Record.Units[1].Data[3] = 7;
  file.Record.SampleCount = file.Record.Units[0].DataCount = file.Record.Units[1].DataCount = 4;
  ASSERT_TRUE(SaveDataFile(file.Record, Path("holes.mx1")));
  ASSERT_TRUE(form_->LoadDataFile(Path("holes.mx1")));
  EXPECT_EQ(chart().PointCount(2), 4);
  const std::vector<std::optional<double>> unit1 = {chart().PointY(2, 1), chart().PointY(2, 2),
                                                    chart().PointY(2, 3), chart().PointY(2, 4)};
  EXPECT_EQ(unit1, (std::vector<std::optional<double>>{std::nullopt, 5.0, std::nullopt, 7.0}));
}

// Values the settings dialog never produces come in from a file and are shown as read; "開始" and
// "取込設定" refuse them with the dialog's message, and "測定条件保存" never stores them. A stale
// averaging count would store a sample per reading.
TEST_F(FileCommandsTest, HeaderValuesFromAFileEndInTheUsualMessages) {
  Plug(0);
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir_.path());
  ModuleData file;
  file.Record.Units[0].Data[0] = 20;
  file.Record.Units[0].ConnectID = 9;
  file.Record.Units[1].ConnectID = -1;
  file.Record.SampleCount = 1;
  file.Record.DataAverage = true;
  file.Record.IntervalTM = std::numeric_limits<int32_t>::min();
  ASSERT_TRUE(SaveDataFile(file.Record, Path("odd.mx1")));
  ASSERT_TRUE(form_->LoadDataFile(Path("odd.mx1")));
  EXPECT_EQ(md_.Record.Units[0].ConnectID, 9);
  EXPECT_EQ(md_.Record.IntervalTM, file.Record.IntervalTM);

  dialogs_.Clear();
  form_->cmdStart_Click();
  ui().cmdMeasInfo->click();
  EXPECT_TRUE(Idle());
  EXPECT_FALSE(QFile::exists(dir_.filePath(QStringLiteral("Korvalle.ini"))));
  dialogs_.modalScripts.push_back([](QDialog& d) {
    auto* setting = dynamic_cast<DialogSetting*>(&d);
    ASSERT_NE(setting, nullptr);
    setting->OKButton->click();
  });
  ui().cmdSetting->click();
  // All three with the settings dialog's message (取込設定 asks about the samples first).
  ASSERT_EQ(dialogs_.shown.size(), 4u);
  EXPECT_TRUE(dialogs_.LastText().startsWith(QStringLiteral("時間の入力に誤りがあります。\n")));
  EXPECT_EQ(dialogs_.shown[0], ShownMessage::Error(dialogs_.LastText()));
  EXPECT_EQ(dialogs_.shown[1], dialogs_.shown[0]);

  // Unit-paced with averaging at 1000 ms: one sample per 100 readings, not one per reading.
  file.Record.TimerType = false;
  file.Record.DataAverage = true;
  file.Record.IntervalTM = 1000;
  file.Record.Units[0].ConnectID = kTypeK;
  ASSERT_TRUE(SaveDataFile(file.Record, Path("avg.mx1")));
  md_.AverageCount = 1;
  ASSERT_TRUE(form_->LoadDataFile(Path("avg.mx1")));
  EXPECT_EQ(md_.AverageCount, 100);
  form_->cmdStart_Click();
  ASSERT_TRUE(ui().Timer2->isActive());
  for (int p = 0; p < 10; ++p) {
    usbkit_sim_advance_ms(300);
    acq().Timer2_Timer();
  }
  EXPECT_GE(md_.Record.SampleCount, 2);
  EXPECT_LE(md_.Record.SampleCount, 3);
}

}  // namespace
}  // namespace acqtest

namespace {

TEST(DialogMemoTest, MemoBoxesHoldAtMost65535BytesAndLoadTheMemoLines) {
  ModuleData md;
  md.Record.MemoText[4] =
      QString(40000, QLatin1Char('x'));  // a long line read from a file, kept whole
  ScriptedDialogs dialogs;
  DialogMemo memo(md, dialogs);
  EXPECT_EQ(memo.txtMemo[4]->text(), md.Record.MemoText[4]);
  QLineEdit* box = memo.txtMemo[0];
  box->setText(QString(32767, QChar(0x3042)));  // 65534 bytes
  box->end(false);
  box->insert(QStringLiteral("\u3042"));
  EXPECT_EQ(box->text().size(), 32767);
  box->insert(QStringLiteral("a"));
  EXPECT_EQ(box->text().size(), 32768);
}

}  // namespace

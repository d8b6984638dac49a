// The main window "熱電対温度測定ユニット": its controls, its load and close handling, the command
// states and the commands that open the settings dialog and the data list window.
#pragma once

#include <QPointer>
#include <QWidget>
#include <memory>

#include "graph/graph.h"
#include "measure/main_controls.h"
#include "print/dat_graph_page.h"

class AutoRangeY;
class WindowAlarms;
class WindowPublish;
class WindowMarks;
class WindowServe;
class ContinuousRecording;
class MeasurementSession;
class QButtonGroup;
class QMessageBox;
class RecordingJournal;
class DialogService;
class MDX4A;
class ModuleData;
class QPrinter;
struct PrinterChoice;
struct StoredSamples;

class FormMain : public QWidget {
  Q_OBJECT

 public:
  // Builds the controls and runs Form_Load.
  FormMain(ModuleData& md, MDX4A& driver, DialogService& dialogs, QWidget* parent = nullptr);
  ~FormMain() override;

  void Form_Load();
  // Sets cancel to true to refuse the close.
  void Form_QueryUnload(bool& cancel);
  // The command states for idle or measuring, and the title.
  void SetButtonState();
  // The window's title: the caption, after the name of the file the record set was read from.
  void DispTitle();
  void cmdStart_Click();
  void cmdStop_Click();
  void cmdEnd_Click();
  void cmdSetting_Click();
  void cmdDisp_Click();
  void cmdMeasInfo_Click();
  void cmdMove_Click(int16_t index);
  void DispConnectflg();

  // The data list window: the one place that knows whether it is open ("データ表示" disabled).
  bool DatalistOpen() const;
  // Closes the data list window when it is open.
  void UnloadDatalist();
  // Empties the open list before a record set is replayed into memory.
  void ClearDatalist();
  // Lists the record set again in the open window (nothing happens while it is closed).
  void DispDataList();

  // Data files (form_main_files.cpp): "保存", "読込み", and the read after its file dialog.
  void cmdSave_Click();
  void cmdRead_Click();
  // Reads an own data file, replaces the record set and the settings with it and replays it onto
  // the graph. Reports a failure (the record set then stays as it was) or a file without samples
  // to the operator; true when a record set was loaded.
  bool LoadDataFile(const QString& path);
  // Shows a record set just read into memory: empties the current-value panel, makes the data list
  // available (or rebuilds an open one), and replays it onto the graph.
  void ShowReadData();

  // Printing (form_main_print.cpp): "印刷" with its printer dialog, and the page it prints.
  void cmdPrint_Click();
  // Prints the page on the program's printer; tells the operator and returns false when nothing
  // was printed.
  bool PrintDatGraph();
  // Renders the graph as shown into a private picture file and prints the page on printer,
  // without a message.
  PageResult PrintDatGraphOn(QPrinter& printer);
  // The page as a PDF file, without a dialog (see PrintDatGraphToPdf below).
  bool PrintDatGraphToPdf(const QString& pdfPath, QString* error);
  // The program's printer for the session; null until a printer dialog was confirmed.
  const PrinterChoice* CurrentPrinter() const { return printer_.get(); }

  // The measurement (form_main_measure.cpp): the window follows the session's signals with its
  // graph, current values, status line, data list and commands.
  MeasurementSession& Session() { return *session_; }
  // Draws a record set read from a file onto the graph as a measurement of it would have left
  // it, its extremes found, and fills an open data list with it.
  void ReplayData();
  // The continuous recording of the running (or last) measurement; null when it is off.
  ContinuousRecording* Recording() { return recording_.get(); }

  // The alarms of the window (window_alarms.h): "警報設定", the marks, the list.
  WindowAlarms& Alarms() { return *alarms_; }
  WindowMarks& Marks() { return *marks_; }

  MainControls& Controls() { return ui_; }
  ::Graph& Graph() { return *graph_; }

  // Recording journal (form_main_journal.cpp): the running measurement's record set kept on disk
  // as it grows. StartJournal keeps it from now on; a journal left by a program that ended
  // abnormally is offered to the operator, or with unattended (an automatic start, nobody to ask)
  // kept as a dated file and reported on standard error.
  void StartJournal(bool unattended);
  RecordingJournal* Journal() { return journal_.get(); }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildControls();  // form_main_layout.cpp
  void ConnectControls();
  // The window's part of a measurement (form_main_measure.cpp).
  void ConnectSession();
  // Continuous recording: the graph and an open data list start over with the emptied record set.
  void ShowRenewedRecordSet();
  // The display steps after a tick or poll that stored samples; first: the record set's first
  // sample or poll.
  void ShowStoredSamples(const StoredSamples& samples);
  // The open data list appends the samples up to completeRows; without one, "データ表示" becomes
  // available with the record set's first sample.
  void FollowDatalist(int32_t completeRows);
  // Follows the settings' continuous recording from the next start on.
  void FollowContinuousRecording();
  void ResumeRedraw();

  ModuleData& md_;
  MDX4A& driver_;
  DialogService& dialogs_;
  MainControls ui_;
  std::unique_ptr<::Graph> graph_;
  std::unique_ptr<AutoRangeY> autoRange_;
  std::unique_ptr<MeasurementSession> session_;
  std::unique_ptr<ContinuousRecording> recording_;
  QPointer<QMessageBox> recordingWarning_;
  // The option arrays: a click of the operator reports the index of the button.
  QButtonGroup* optHeiGroup_ = nullptr;
  QButtonGroup* optWidGroup_ = nullptr;

  // Recording journal (form_main_journal.cpp). Shared pointer: destroyed without this header
  // knowing the type. The warning is shown once per failing measurement, without blocking.
  void OfferLeftJournals();
  // A warning from inside a timer tick: shown without blocking, in the box kept in `box` (a box
  // still open takes the new text).
  void ShowWarningBox(QPointer<QMessageBox>& box, const QString& text);
  std::shared_ptr<RecordingJournal> journal_;
  QPointer<QMessageBox> journalWarning_;

  std::shared_ptr<PrinterChoice> printer_;  // printing
  // Shared pointer: destroyed without this header knowing the type.
  std::shared_ptr<WindowAlarms> alarms_;
  std::unique_ptr<WindowMarks> marks_;
  std::shared_ptr<WindowServe> serve_;  // the web view (window_serve.h)
  // Shared pointer: destroyed without this header knowing the type.
  std::shared_ptr<WindowPublish> publish_;
};

// Printing without a dialog, for the command line ("korvale --convert IN OUT.pdf"): prints the
// page of "印刷" for the record set and the graph the window holds now into pdfPath as a PDF file,
// A4 landscape with margins of 10 mm on every side. Needs a QApplication (the offscreen platform
// will do) but no display, and shows no window or message. The record set must be loaded and
// replayed onto the graph first, with md.Record.SampleCount holding its sample count. An existing
// file at pdfPath is replaced. Returns false with a message for the operator in *error (may be
// null) when there are no samples ("データがありません。"), the graph picture cannot be made
// ("グラフ印刷エラー") or the file cannot be written.
bool PrintDatGraphToPdf(FormMain& form, const QString& pdfPath, QString* error);

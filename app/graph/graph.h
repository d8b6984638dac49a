// The main window's time graph: its set-up, titles and vertical range (graph.cpp), the points of
// the record set, the current-value panel and the status line (graph_plot.cpp), the horizontal
// window with its display modes and count list (graph_scroll.cpp), zooming, panning, the
// scrollbar and the range fitted to the window (graph_explore.cpp), and the two cursors with their
// readout (graph_cursors.cpp). It works on its own controls only; whatever concerns other windows
// (the data list, the move tool) is the main window's.
#pragma once

#include <QString>
#include <Qt>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>

#include "graph/cursor_readout.h"
#include "graph/cursor_statistics.h"

class DialogService;
class GraphInput;
class ModuleData;
struct RecordSet;
struct GraphControls;

// The vertical range: the index of the selected option optHei.
enum class YRangeMode : int16_t {
  Automatic = 0,  // "自動": fitted to the extremes
  Fixed = 1,      // "固定": the limits typed by the operator
  Follow = 2,     // "追従": fitted to the samples in the window, narrowing as well as widening
};

// The horizontal window: the index of the selected option optWid.
enum class XWindowMode : int16_t {
  FullDisplay = 0,   // "全表示"
  AutoScroll = 1,    // "自動ｽｸﾛｰﾙ"
  ManualScroll = 2,  // "手動ｽｸﾛｰﾙ"
};

// The display-range state: the vertical limits and the horizontal window.
struct GraphState {
  YRangeMode ScaleYMode = YRangeMode::Automatic;
  float AxisMaxY = 1820;
  float AxisMinY = -270;
  XWindowMode ScrollMode = XWindowMode::FullDisplay;
  int32_t DispCount = 100;  // samples the X window spans
  int32_t DispStart = 1;    // sample number at the left edge
  int32_t DispEnd = 100;    // sample number at the right edge

  // Widens the limits the record's extremes leave, each to a multiple of a hundred; never
  // narrows them. Returns 1 when the top moved, 2 when the bottom did, 3 for both.
  int16_t RoundAxisY(const RecordSet& record);
  int16_t RoundAxisY(float allMax, float allMin);
};

class Graph {
 public:
  Graph(ModuleData& md, GraphControls& ui, DialogService& dialogs);
  ~Graph();
  Graph(const Graph&) = delete;
  Graph& operator=(const Graph&) = delete;

  GraphState& State() { return gs_; }
  const GraphState& State() const { return gs_; }

  // Set-up, titles and the vertical range (graph.cpp).
  void InitGraph();
  void SetGraphStyle();
  void InitGraphParam(bool flg);
  bool SetGraphParam();
  void SetAxesY(float minV, float maxV);
  void SetAxesX(int32_t dcnt1, int32_t dcnt2);
  void ResetAxesXY(bool flg);
  void SetGraphTitle(bool reset);
  void SetScaleYInput(bool fixed);
  void CalcAutoScaleY();
  void optHei_Click(int16_t index);
  void cmdSetScaleY_Click();
  // Selects optHei(index) from code; runs optHei_Click as the operator's click would.
  void SelectOptHei(int16_t index);
  // The default Y range of the current measurement kind.
  void DefaultRangeY(float& minV, float& maxV) const;
  // The four series labels ("ID0 " + type name, ...), replacing the chart's labels.
  void DispConnectflg();

  // Points, current values and the status line (graph_plot.cpp).
  void GrDrawData(int32_t dCnt);
  void GrDrawData1();
  void ClearNowValue();
  void DispNowValue();
  void DispNowValueUnit();
  // The status line: samples stored, measuring time and time left, or nothing without samples.
  void DispStatus();
  // A continuous recording: the number of the file the record set becomes and the samples of the
  // whole run, which the status line shows from now on; file 0 returns to the record set alone.
  void SetRecordingProgress(int32_t file, int64_t runSamples);

  // The horizontal window (graph_scroll.cpp).
  void AdvanceAxesX();
  // The window after samples 1..samples arrived one by one, as a measurement moves it.
  void AdvanceAxesXThrough(int32_t samples);
  void InitDispCountList();
  void optWid_Click(int16_t index);
  void Combo1_Click();
  void cmdLeft_Click();
  void cmdRight_Click();
  // Selects optWid(index) from code; runs optWid_Click as the operator's click would.
  void SelectOptWid(int16_t index);
  // The number shown in Combo1.
  int32_t Combo1Value() const;
  // Enables the scroll buttons and the count list as the X display mode wants them: full display
  // neither, automatic scroll the list, manual scroll both.
  void EnableScrollControls(XWindowMode mode);

  // Exploring the record set (graph_explore.cpp). A zoom, a pan or a move of the scrollbar in a
  // following display mode ("全表示", "自動ｽｸﾛｰﾙ") stops the following: the mode shows "手動ｽｸﾛｰﾙ"
  // until the chosen view is asked back (ReturnToChosenView, or GoEnd while measuring).
  // Zooms the time axis around time x (seconds) by `steps` notches of the wheel, > 0 closer.
  void ZoomX(double x, double steps);
  // Zooms the vertical axis around the value y; the range becomes "固定" with the shown limits.
  void ZoomY(double y, double steps);
  // Moves the window by dx seconds (the vertical range by dy), stopping at both ends of the
  // record set.
  void PanX(double dx);
  void PanY(double dy);
  // The window starting at sample `first`, its width kept (the scrollbar).
  void ScrollTo(int32_t first);
  // The window at the first sample; at the newest one, or following again while measuring.
  void GoHome();
  void GoEnd();
  // The view of the chosen display mode again, and the vertical range choice a zoom replaced.
  void ReturnToChosenView();
  // The graph's keys: Left/Right pan by a tenth of the window, +/- zoom, Home/End, Escape removes
  // the cursors. False for any other key.
  bool KeyPress(int key, Qt::KeyboardModifiers modifiers);
  // The display mode a zoom or a pan left, to return to.
  std::optional<XWindowMode> ChosenScrollMode() const { return resumeMode_; }

  // The cursors (graph_cursors.cpp): A (0) and B (1), each on the stored sample nearest to where
  // it was placed.
  void PlaceCursor(int which, double x);
  void ClearCursors();
  // The samples under A and B, 0 where a cursor is not placed; SetCursors puts them back.
  const std::array<int32_t, 2>& Cursors() const { return cursors_; }
  void SetCursors(const std::array<int32_t, 2>& samples);
  CursorReadout Readout() const;
  // The time and the values of the sample nearest to time x, for the tooltip over the graph.
  QString HoverText(double x) const;

  // Marks and statistics (graph_marks.cpp). The mark lines, the cursor panel's list of marks and,
  // when the record set changed, the statistics; cheap when nothing changed, so every drawing
  // step may call it. The statistics follow a running measurement once a second.
  void ShowMarks();
  void ShowStatistics();
  // The alarm limits switched on, for the time past them in the statistics.
  void SetStatisticsLimits(const StatisticsLimits& limits);
  RangeStatistics Statistics() const;
  // Copies the statistics to the clipboard as tab-separated text.
  void CopyStatistics() const;

 private:
  void ConnectMarkControls();
  void MaybeRefreshStatistics();
  // Point k of unit i's series from buffer slot `slot`: its value, or no point.
  void DrawPoint(int unitIndex, int32_t k, size_t slot);
  // A current value as the panel shows it.
  QString NowValueText(float v) const;
  // The first sample GrDrawData1 must write; what the previous poll drew before it is unchanged.
  int32_t FirstUndrawnSample() const;
  void RememberPollDrawn();

  // One step of AdvanceAxesX for a record set of `samples`; false when the window stays.
  bool StepWindow(int32_t samples);
  // The window as the axis shows it, in (fractional) sample numbers.
  std::pair<double, double> ShownWindow() const;
  // Shows samples first to last (fractional after a zoom); the state holds them rounded.
  void ShowWindow(double first, double last);
  // After every change of the window: the scrollbar and a range fitted to the window follow.
  void WindowShown();
  void SyncScrollBar();
  void StopFollowing();
  // The range of "追従": refitted over the whole window, or extended by the samples drawn since.
  void RefitVisibleY();
  void ExtendVisibleY();
  void FoldVisibleSample(int32_t k);
  void ApplyVisibleFit();
  // A vertical range the operator set by zooming or panning: "固定", its limits in the boxes.
  void FixRangeY(double lo, double hi);
  void ShowReadout();

  ModuleData& md_;
  GraphControls& ui_;
  DialogService& dialogs_;
  GraphState gs_;
  int32_t recordingFile_ = 0;  // continuous recording: the record set's file number
  int64_t runSamples_ = 0;

  std::optional<XWindowMode> resumeMode_;  // the display mode a zoom or a pan stopped
  std::optional<YRangeMode> resumeYMode_;  // the range choice a vertical zoom replaced
  std::array<int32_t, 2> cursors_{};       // samples under A and B, 0 when not placed
  // Extremes of the measured samples first..through of the window first..last ("追従").
  struct VisibleFit {
    int32_t first = 1;
    int32_t last = 0;
    int32_t through = 0;
    bool has = false;
    float max = 0;
    float min = 0;
  } fit_;
  // What the last poll's drawing covered while measuring: the sample count and each unit's own.
  struct PollDrawn {
    bool valid = false;
    int32_t samples = 0;
    int32_t interval = 0;
    bool kind = false;
    std::array<int32_t, 4> counts{};
    std::array<bool, 4> used{};
  } pollDrawn_;
  std::unique_ptr<GraphInput> input_;
  StatisticsLimits statLimits_;
  // What the mark lines show: the marks' count, the newest mark's number and the interval.
  struct MarksShown {
    size_t count = 0;
    int32_t lastNumber = -1;
    int32_t interval = 0;
  } marksShown_;
  int64_t statisticsShownMs_ = 0;  // a running measurement's statistics were shown then
  int32_t statisticsSamples_ = -1;
};

// The main window's time graph: its set-up, titles and vertical range (graph.cpp), the points of
// the record set, the current-value panel and the status line (graph_plot.cpp), and the
// horizontal window with its display modes and count list (graph_scroll.cpp). It works on its own
// controls only; whatever concerns other windows (the data list, the move tool) is the main
// window's.
#pragma once

#include <cstddef>
#include <cstdint>

class DialogService;
class ModuleData;
struct GraphControls;

// The vertical range: the index of the selected option optHei.
enum class YRangeMode : int16_t {
  Automatic = 0,  // "自動": fitted to the extremes
  Fixed = 1,      // "固定": the limits typed by the operator
};

// The horizontal window: the index of the selected option optWid.
enum class XWindowMode : int16_t {
  FullDisplay = 0,   // "全表示"
  AutoScroll = 1,    // "自動ｽｸﾛｰﾙ"
  ManualScroll = 2,  // "手動ｽｸﾛｰﾙ"
};

// The display-range state (the Y limits themselves are the data module's AxisMinY/AxisMaxY).
struct GraphState {
  YRangeMode ScaleYMode = YRangeMode::Automatic;
  XWindowMode ScrollMode = XWindowMode::FullDisplay;
  int32_t DispCount = 100;  // samples the X window spans
  int32_t DispStart = 1;    // sample number at the left edge
  int32_t DispEnd = 100;    // sample number at the right edge
};

class Graph {
 public:
  Graph(ModuleData& md, GraphControls& ui, DialogService& dialogs);

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

 private:
  // Point k of unit i's series from buffer slot `slot`: its value, or no point.
  void DrawPoint(int unitIndex, int32_t k, size_t slot);

  ModuleData& md_;
  GraphControls& ui_;
  DialogService& dialogs_;
  GraphState gs_;
  int32_t recordingFile_ = 0;  // continuous recording: the record set's file number
  int64_t runSamples_ = 0;
};

// The display-range state of the main window's graph.
#pragma once

#include <cstdint>

struct GraphState {
  int16_t ScaleYMode = 0;   // 0 automatic ("自動"), 1 fixed ("固定")
  int16_t ScrollMode = 0;   // 0 "全表示", 1 "自動ｽｸﾛｰﾙ", 2 "手動ｽｸﾛｰﾙ"
  int32_t DispCount = 100;  // samples the X window spans
  int32_t DispStart = 1;    // sample number at the left edge
  int32_t DispEnd = 100;    // sample number at the right edge
};

// What the two cursors read off the record set: at A and at B the time and each used unit's
// stored sample, and between them the time, each unit's change and its slope per minute; and the
// texts of the readout panel and of the tooltip over the graph.
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <optional>

#include "core/number_text.h"  // SampleTimeText

class ModuleData;

struct UnitAtCursors {
  bool used = false;
  // The stored sample under A and B; empty where the slot holds no measured value.
  std::array<std::optional<float>, 2> value;
  // The slot holds the driver's "cannot be converted" (a temperature measurement only).
  std::array<bool, 2> notConverted{};
  std::optional<double> delta;           // B - A
  std::optional<double> slopePerMinute;  // (B - A) per minute of time between them
};

struct CursorReadout {
  std::array<int32_t, 2> sample{};  // 0 where the cursor is not placed
  std::array<double, 2> seconds{};
  std::optional<double> deltaSeconds;  // B - A, when both are placed
  std::array<UnitAtCursors, 4> units;
};

// Reads samples a and b (1-based, 0 = no cursor) of the record set.
CursorReadout ReadCursors(const ModuleData& md, int32_t a, int32_t b);

// The readout panel's text (rich text), or a short guide to the mouse while no cursor is placed.
QString ReadoutText(const ModuleData& md, const CursorReadout& r);

// Sample k's time and the used units' values, one line each.
QString SampleText(const ModuleData& md, int32_t k);

// The text of a sample the driver could not convert (an open or out-of-range thermocouple).
QString NotConvertedText();

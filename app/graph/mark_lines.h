// How the marks of a record set read on the graph and in the cursor panel.
#pragma once

#include <QString>
#include <vector>

#include "graph/chart2d.h"

struct Mark;
struct RecordSet;

// The graph's label of a mark: its number and its text, shortened with "…" beyond
// kMarkLabelLength characters (the whole text is in the tooltip over the line).
constexpr int kMarkLabelLength = 12;
QString MarkLabel(const Mark& mark);
// A line per mark at its sample's time.
std::vector<Chart2D::MarkLine> MarkLinesOf(const RecordSet& set);
// The cursor panel's line of a mark: "3  12.50 秒  扉を開けた".
QString MarkListText(const RecordSet& set, const Mark& mark);
// The texts of the marks at sample k, one line each ("マーク 3: 扉を開けた"); empty for none.
QString MarkTextsAt(const RecordSet& set, int32_t k);

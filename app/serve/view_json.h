// The web view's JSON answers, written straight into bytes: a poll's rows go to every connected
// page, and a view of a full record set is hundreds of thousands of values. Floats are the
// shortest text that reads back as the same float32; a missing value is null.
#pragma once

#include <QString>
#include <cstdint>
#include <string>
#include <vector>

#include "core/json_text.h"
#include "core/run_rows.h"
#include "serve/run_view.h"

// The /api/state object.
std::string StateJson(const RunView& view, bool markAllowed);

// The rows [from, to) of view (clamped to those it holds; to < 0: up to the newest), thinned for a
// graph points wide (clamped to 16..8192): cut into buckets of equal sample counts, each giving
// every unit's minimum and maximum in the order they occur; every row when there are at most
// twice as many rows as points.
std::string ViewJson(const RunView& view, int64_t from, int64_t to, int points);

// The data of a "rows" event: every row of a poll, values in the view's column order.
std::string RowsJson(const RunView& view, const std::vector<RunSample>& rows);
std::string MarkJson(const RunMark& mark);
std::string AlarmJson(const RunAlarm& alarm);

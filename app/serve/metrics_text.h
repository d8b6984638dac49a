// The run in the Prometheus text format (version 0.0.4), for a scrape of /metrics: the newest
// value of each unit, the samples stored, the alarms, the file number and the publishing queues.
#pragma once

#include <string>

#include "serve/run_view.h"

std::string MetricsText(const RunView& view);

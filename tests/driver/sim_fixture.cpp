#include "sim_fixture.h"

namespace drivertest {

std::atomic<int> PauseLog::pauses{0};
std::atomic<unsigned> PauseLog::pausedMs{0};
void (*PauseLog::hook)(int) = nullptr;

}  // namespace drivertest

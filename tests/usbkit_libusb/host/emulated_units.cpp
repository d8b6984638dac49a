// Runs a program with emulated units on its USB bus: four units (both models, unit IDs 0 to 3)
// with type K thermocouples whose temperatures drift slowly, reached by the program through libusb
// as if they were plugged in. The program runs under umockdev's preload library; this process
// answers its USB requests until it exits.
//
//   emulated_units [--units N] [--log] -- program [arguments...]
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "emulated_bus.h"
#include "model_unit.h"

namespace {

struct Channel {
  int model;
  uint8_t id_byte;
  int tc_type;
  double base_c;
  double swing_c;
  double period_s;
};

// Unit IDs 0 to 3: a base unit reporting 0, an extended one reporting 5 (ID 1), an extended one
// reporting 6 (ID 2) and a base one reporting 3.
const Channel kChannels[] = {{0, 0x00, 4, 80.0, 25.0, 40.0},
                             {1, 0x05, 4, 150.0, 40.0, 65.0},
                             {1, 0x06, 4, 20.0, 6.0, 23.0},
                             {0, 0x03, 4, 300.0, 60.0, 90.0}};

double Drift(void* context, double time_ms) {
  const auto* c = static_cast<const Channel*>(context);
  const double t = time_ms / 1000.0;
  return c->base_c + c->swing_c * std::sin(2 * M_PI * t / c->period_s) +
         0.1 * c->swing_c * std::sin(2 * M_PI * t / 3.7);
}

pid_t g_child = 0;

void Forward(int signal) {
  if (g_child > 0) kill(g_child, signal);
}

int Usage() {
  std::fprintf(stderr, "usage: emulated_units [--units N] [--log] -- program [arguments...]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  int units = 4;
  bool log = false;
  int i = 1;
  for (; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
    if (std::strcmp(argv[i], "--units") == 0 && i + 1 < argc) {
      units = std::atoi(argv[++i]);
    } else if (std::strcmp(argv[i], "--log") == 0) {
      log = true;
    } else {
      return Usage();
    }
  }
  if (i + 1 >= argc || units < 0 || units > 4) return Usage();
  char** program = argv + i + 1;

  // Creating the testbed points UMOCKDEV_DIR at it; the program inherits that.
  usbkit_test::EmulatedBus bus;
  std::vector<int> plugged;
  for (int u = 0; u < units; ++u) {
    const Channel& c = kChannels[u];
    auto unit = std::make_unique<usbkit_test::ModelUnit>(c.model, c.id_byte);
    unit->SetTemperature(c.tc_type, c.base_c, 23.5);
    unit->SetProfile(&Drift, const_cast<Channel*>(&c));
    plugged.push_back(bus.Plug(std::move(unit)));
  }

  const char* preload = std::getenv("LD_PRELOAD");
  std::string list = "libumockdev-preload.so.0";
  if (preload != nullptr && preload[0] != '\0') list += std::string(":") + preload;

  g_child = fork();
  if (g_child < 0) {
    std::perror("emulated_units: fork");
    return 1;
  }
  if (g_child == 0) {
    setenv("LD_PRELOAD", list.c_str(), 1);
    unsetenv("USBKIT_SIMULATE");  // the units are on the bus; the program must use libusb
    execvp(program[0], program);
    std::perror("emulated_units: exec");
    _exit(127);
  }
  signal(SIGINT, Forward);
  signal(SIGTERM, Forward);
  int status = 0;
  while (waitpid(g_child, &status, 0) < 0) {
  }
  if (log) {
    for (size_t u = 0; u < plugged.size(); ++u) {
      std::fprintf(stderr, "emulated unit reporting %u: %zu requests\n", kChannels[u].id_byte,
                   bus.Requests(plugged[u]).size());
    }
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

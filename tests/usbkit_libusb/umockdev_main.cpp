// The test program needs umockdev's preload library, which redirects /sys and /dev to the
// testbed. Started without it (as ctest does), the program starts itself again with it. A
// sanitizer runtime must come first in the preload list, so it is put in front when the
// program carries one; under ThreadSanitizer, the reports from inside glib and umockdev (not
// built with it) are suppressed.
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace {

constexpr char kPreload[] = "libumockdev-preload.so.0";

std::string SanitizerRuntime() {
  std::ifstream maps("/proc/self/maps");
  std::string line;
  while (std::getline(maps, line)) {
    for (const char* name : {"/libasan.so", "/libtsan.so"}) {
      if (line.find(name) == std::string::npos) continue;
      std::size_t path = line.find('/');
      if (path != std::string::npos) return line.substr(path);
    }
  }
  return std::string();
}

bool DropFileModeOverride() {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2] = {};
  if (syscall(SYS_capget, &header, data) != 0) return false;
  const unsigned drop = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);
  data[0].effective &= ~drop;
  data[0].permitted &= ~drop;
  data[0].inheritable &= ~drop;
  return syscall(SYS_capset, &header, data) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  const char* preload = std::getenv("LD_PRELOAD");
  if ((preload == nullptr || std::strstr(preload, "libumockdev-preload") == nullptr) &&
      std::getenv("USBKIT_TEST_RESTARTED") == nullptr) {
    std::string list = SanitizerRuntime();
    if (!list.empty()) list += ":";
    list += kPreload;
    if (preload != nullptr && preload[0] != '\0') list += std::string(":") + preload;
    setenv("LD_PRELOAD", list.c_str(), 1);
#ifdef USBKIT_TEST_TSAN_SUPPRESSIONS
    if (list.find("/libtsan.so") != std::string::npos) {
      const char* options = std::getenv("TSAN_OPTIONS");
      std::string all = options != nullptr ? options : "";
      all += std::string(all.empty() ? "" : " ") + "suppressions=" USBKIT_TEST_TSAN_SUPPRESSIONS;
      setenv("TSAN_OPTIONS", all.c_str(), 1);
    }
#endif
    setenv("USBKIT_TEST_RESTARTED", "1", 1);
    execv("/proc/self/exe", argv);
    std::perror("test_usbkit_libusb: restarting with the umockdev preload library");
    return 1;
  }
  // The access test starts this program again without the right to override file modes, so
  // that a device node with no permission bits cannot be opened.
  if (std::getenv("USBKIT_TEST_UNPRIVILEGED") != nullptr && !DropFileModeOverride()) {
    std::perror("test_usbkit_libusb: dropping CAP_DAC_OVERRIDE");
    return 1;
  }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

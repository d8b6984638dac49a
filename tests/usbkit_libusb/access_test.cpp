// A unit the process may not open: one line on stderr that names the udev rule, and no attach.
// The toolkit runs in a child process of this program that may not override file modes (see
// umockdev_main.cpp), against a device node without any permission bits.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "toolkit_fixture.h"

namespace usbkit_test {
namespace {

// Runs in the child, on the parent's testbed.
TEST(LibusbAccessChild, DISABLED_FindsNoUnit) {
  unsetenv("USBKIT_SIMULATE");
  HandlerLog log;
  log.Open();
  EXPECT_FALSE(log.WaitAttaches(1, std::chrono::milliseconds(1500)));
  log.Close();
}

TEST_F(LibusbToolkitTest, UnitThatMayNotBeOpenedIsReportedOnceAndNotAttached) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root, to start a child with fewer rights";
  PlugUnit(0x00);
  const std::string root = bus_->RootDir();
  const std::string node = bus_->DeviceNodePath(last_unit_);
  ASSERT_EQ(chmod(node.c_str(), 0), 0);
  const std::string err_path = root + "/child-stderr";

  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    int fd = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (fd >= 0) dup2(fd, 2);
    setenv("USBKIT_TEST_UNPRIVILEGED", "1", 1);
    execl("/proc/self/exe", "test_usbkit_libusb",
          "--gtest_filter=LibusbAccessChild.DISABLED_FindsNoUnit",
          "--gtest_also_run_disabled_tests", static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  std::ifstream err_file(err_path);
  std::stringstream err;
  err << err_file.rdbuf();
  const std::string text = err.str();
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << text;
  const size_t at = text.find("access denied");
  ASSERT_NE(at, std::string::npos) << text;
  EXPECT_NE(text.find("60-mdx4a.rules", at), std::string::npos) << text;
  EXPECT_EQ(text.find("access denied", at + 1), std::string::npos) << text;
  EXPECT_EQ(bus_->Claims(last_unit_), 0);
}

}  // namespace
}  // namespace usbkit_test

// Plain mutexes for the driver's device table.
#include <mutex>
#include <new>

#include "usbkit.h"

extern "C" {

uint32_t OsMutexCreate(OS_MUTEX_HANDLE* mutex) {
  if (mutex == nullptr) return USBKIT_STATUS_INVALID_ARGUMENT;
  *mutex = new (std::nothrow) std::mutex;
  return *mutex != nullptr ? USBKIT_STATUS_SUCCESS : USBKIT_STATUS_FAILED;
}

void OsMutexLock(OS_MUTEX_HANDLE mutex) {
  if (mutex != nullptr) static_cast<std::mutex*>(mutex)->lock();
}

void OsMutexUnlock(OS_MUTEX_HANDLE mutex) {
  if (mutex != nullptr) static_cast<std::mutex*>(mutex)->unlock();
}

void OsMutexClose(OS_MUTEX_HANDLE mutex) {
  delete static_cast<std::mutex*>(mutex);
}

}  // extern "C"

/* USB driver toolkit: device matching, attach and detach notification, pipe transfers and
 * mutexes. Two back ends serve these functions: libusb for real units and simulated units in
 * the process (see usbkit_sim.h). The back end is chosen at WDU_Init. */
#ifndef USBKIT_H
#define USBKIT_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define USBKIT_API __attribute__((visibility("default")))
#else
#define USBKIT_API
#endif

/* Every status is 0 on success; a failed transfer returns USBKIT_STATUS_FAILED (all 32 bits set).
 */
#define USBKIT_STATUS_SUCCESS 0u
#define USBKIT_STATUS_FAILED 0xFFFFFFFFu
/* Statuses of WDU_Init besides success. */
#define USBKIT_STATUS_INVALID_ARGUMENT 1u
#define USBKIT_STATUS_NO_BACKEND 2u

typedef void* WDU_DRIVER_HANDLE;
typedef void* WDU_DEVICE_HANDLE;
typedef void* OS_MUTEX_HANDLE;

/* One entry of the match table: a zero in any class field matches anything. */
typedef struct UsbkitMatch {
  uint16_t vendor_id;
  uint16_t product_id;
  uint8_t device_class;
  uint8_t device_subclass;
  uint8_t interface_class;
  uint8_t interface_subclass;
  uint8_t interface_protocol;
} UsbkitMatch;

/* What the toolkit knows of an attached device; passed to the attach handler. */
typedef struct UsbkitDeviceInfo {
  uint16_t vendor_id;
  uint16_t product_id;
  uint8_t bus_number;
  uint8_t device_address;
} UsbkitDeviceInfo;

/* Returns non-zero to take the device, zero to refuse it. */
typedef int (*UsbkitAttachHandler)(WDU_DEVICE_HANDLE device, const UsbkitDeviceInfo* info,
                                   void* user_data);
typedef void (*UsbkitDetachHandler)(WDU_DEVICE_HANDLE device, void* user_data);
typedef void (*UsbkitPowerHandler)(WDU_DEVICE_HANDLE device, uint32_t power_state, void* user_data);

typedef struct UsbkitEvents {
  UsbkitAttachHandler on_attach;
  UsbkitDetachHandler on_detach;
  UsbkitPowerHandler on_power_change; /* may be null */
  void* user_data;
} UsbkitEvents;

/* Directions of WDU_Transfer. */
#define USBKIT_WRITE 0u
#define USBKIT_READ 1u

/* Opens the toolkit: every matching device present now or plugged in later is reported through
 * events->on_attach on the toolkit's own notification thread, and its removal through
 * events->on_detach on the same thread. options is kept for the caller's use (1 = default). */
USBKIT_API uint32_t WDU_Init(WDU_DRIVER_HANDLE* driver, const UsbkitMatch* match_table,
                             uint32_t match_count, const UsbkitEvents* events, uint32_t options);

/* Stops notification, detaches nothing further and releases everything of the driver handle.
 * Returns after the notification thread has finished. */
USBKIT_API void WDU_Uninit(WDU_DRIVER_HANDLE driver);

/* One transfer on a pipe of the device. pipe 2 writes, 0x83 reads in this project. Blocks for at
 * most timeout_ms. Writes the number of bytes moved to *transferred when it is not null.
 * setup_packet is for control transfers and may be null. */
USBKIT_API uint32_t WDU_Transfer(WDU_DEVICE_HANDLE device, uint32_t pipe, uint32_t direction,
                                 uint32_t options, void* buffer, uint32_t length,
                                 uint32_t* transferred, const uint8_t* setup_packet,
                                 uint32_t timeout_ms);

/* Clears a halt of the pipe's endpoint. */
USBKIT_API uint32_t WDU_ResetPipe(WDU_DEVICE_HANDLE device, uint32_t pipe);

/* A plain non-recursive mutex. OsMutexCreate returns 0 and the handle, or a non-zero status. */
USBKIT_API uint32_t OsMutexCreate(OS_MUTEX_HANDLE* mutex);
USBKIT_API void OsMutexLock(OS_MUTEX_HANDLE mutex);
USBKIT_API void OsMutexUnlock(OS_MUTEX_HANDLE mutex);
USBKIT_API void OsMutexClose(OS_MUTEX_HANDLE mutex);

#ifdef __cplusplus
}
#endif

#endif

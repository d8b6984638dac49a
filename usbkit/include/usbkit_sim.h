/* Simulated units of the USB toolkit, for demonstrations and tests.
 *
 * Simulated units are served when usbkit_sim_enable() was called before WDU_Init, or when the
 * environment variable USBKIT_SIMULATE is set at WDU_Init ("demo" plugs four lively units; any
 * other non-empty value plugs none). A simulated unit answers the unit's command set in its
 * model's byte layout, logs every request it receives, and samples on its own into a buffer
 * when told to, on the toolkit clock (real time, or driven by hand with the manual clock). */
#ifndef USBKIT_SIM_H
#define USBKIT_SIM_H

#include "usbkit.h"

#ifdef __cplusplus
extern "C" {
#endif

#define USBKIT_SIM_MODEL_BASE 0
#define USBKIT_SIM_MODEL_EXTENDED 1

USBKIT_API void usbkit_sim_enable(void);

/* Plugs a unit of the model that reports id_byte to the probe. Returns its unit number (> 0).
 * When the toolkit is open, the attach handler runs on the notification thread. */
USBKIT_API int usbkit_sim_plug(int model, unsigned char id_byte);
/* Pulls the unit out (the detach handler runs when it had been attached). It keeps its number,
 * settings and log; usbkit_sim_replug plugs it in again. */
USBKIT_API void usbkit_sim_unplug(int unit);
USBKIT_API void usbkit_sim_replug(int unit);

/* Physical model: the thermocouple type (0..7 = B, R, S, N, K, E, J, T), a constant hot-junction
 * temperature and the reference-junction temperature, in degrees Celsius. */
USBKIT_API void usbkit_sim_set_temperature(int unit, int tc_type, double hot_c, double ref_c);
/* Hot-junction temperature as a function of the unit's clock in milliseconds since it was
 * plugged; null returns to the constant of usbkit_sim_set_temperature. */
typedef double (*usbkit_sim_profile)(void* context, double time_ms);
USBKIT_API void usbkit_sim_set_profile(int unit, usbkit_sim_profile profile, void* context);
/* Calibration of an extended unit (offset and span in raw counts of its 24-bit converter). */
USBKIT_API void usbkit_sim_set_calibration(int unit, unsigned offset, unsigned span);

/* Scripted replies: the next reply to command byte `command` is exactly these bytes (queued in
 * order per command). A scripted reply replaces the unit's own handling of that request: a
 * scripted fetch drains nothing, a scripted start does not start sampling. */
USBKIT_API void usbkit_sim_push_reply(int unit, unsigned char command, const unsigned char* bytes,
                                      unsigned len);

/* Faults. A failed write never reaches the unit (and is not logged). An unresponsive unit takes
 * requests but never answers: a read waits for its time-out and fails; on the manual clock the
 * time-out passes at once (the clock moves forward by it). A read also fails at once when the
 * unit is pulled out while it waits. A failing probe makes the attach handler refuse the unit. */
USBKIT_API void usbkit_sim_fail_transfers(int unit, int count); /* the next count transfers fail */
USBKIT_API void usbkit_sim_set_unresponsive(int unit, int on);  /* reads time out */
USBKIT_API void usbkit_sim_fail_probe(int unit, int on);        /* the ID probe fails */
/* Fetch replies claim `extra` readings more than asked for (0 = honest). */
USBKIT_API void usbkit_sim_overclaim_fetch(int unit, int extra);

/* Request log: every request written to the unit, oldest first. */
USBKIT_API int usbkit_sim_request_count(int unit);
USBKIT_API int usbkit_sim_request(int unit, int index, unsigned char* buf, unsigned cap);
USBKIT_API void usbkit_sim_clear_requests(int unit);

/* Readings the unit has sampled and not yet delivered. Timed sampling (command 0x20) takes a
 * reading every interval x 10 ms of the clock after the request; a new start or an open or close
 * notice discards the buffer. The buffer holds 65536 readings; when it is full, newer readings
 * are dropped until a fetch makes room. Returns -1 for an unknown unit. */
USBKIT_API int usbkit_sim_buffered_count(int unit);

/* Clock. */
USBKIT_API void usbkit_sim_use_manual_clock(int on);
USBKIT_API void usbkit_sim_advance_ms(unsigned ms);
USBKIT_API double usbkit_sim_now_ms(void);

/* Waits until the notification thread has run every pending attach and detach handler. */
USBKIT_API void usbkit_sim_wait_idle(void);

/* Unplugs all units, clears scripts, logs and faults, returns to the real clock. */
USBKIT_API void usbkit_sim_reset(void);

#ifdef __cplusplus
}
#endif

#endif

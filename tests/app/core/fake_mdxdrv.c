/* A stand-in for the driver library: the five exports record every call and answer with codes the
 * test scripts per unit. Built once whole and once without Mdx4a_Get_Datas. */
#include <stdio.h>
#include <string.h>

#include "mdxdrv.h"

#define FAKE_API __attribute__((visibility("default")))

static int16_t open_result[4];
static int16_t start_result[4];
static int16_t single_result[4];
static double single_value;
static char call_log[4096];

static void record(const char* fmt, int a, int b) {
  size_t used = strlen(call_log);
  if (used + 32 >= sizeof call_log) return;
  snprintf(call_log + used, sizeof call_log - used, fmt, a, b);
}

FAKE_API void fake_reset(void) {
  memset(open_result, 0, sizeof open_result);
  memset(start_result, 0, sizeof start_result);
  memset(single_result, 0, sizeof single_result);
  single_value = 0;
  call_log[0] = '\0';
}

/* which: 'o' open, 's' start, 'g' single sample. */
FAKE_API void fake_script(char which, int unit, int16_t code) {
  if (unit < 0 || unit > 3) return;
  if (which == 'o') open_result[unit] = code;
  if (which == 's') start_result[unit] = code;
  if (which == 'g') single_result[unit] = code;
}

FAKE_API void fake_set_value(double v) {
  single_value = v;
}

FAKE_API const char* fake_log(void) {
  return call_log;
}

MDXDRV_API int16_t Mdx4a_Device_Open(int16_t unit_id) {
  record("open(%d) ", unit_id, 0);
  return (unit_id >= 0 && unit_id <= 3) ? open_result[unit_id] : MDX4A_ERR_ID;
}

MDXDRV_API void Mdx4a_Device_Close(int16_t unit_id) {
  record("close(%d) ", unit_id, 0);
}

MDXDRV_API int16_t Mdx4a_Single_Sample(int16_t unit_id, double* value, uint8_t type) {
  record("single(%d,%d) ", unit_id, type);
  if (unit_id < 0 || unit_id > 3) return MDX4A_ERR_ID;
  *value = single_value;
  return single_result[unit_id];
}

MDXDRV_API int16_t Mdx4a_Start_Sample(int16_t unit_id, int16_t interval) {
  record("start(%d,%d) ", unit_id, interval);
  return (unit_id >= 0 && unit_id <= 3) ? start_result[unit_id] : MDX4A_ERR_ID;
}

#ifndef FAKE_WITHOUT_FETCH
MDXDRV_API int16_t Mdx4a_Get_Datas(int16_t unit_id, double* values, uint8_t* status, uint8_t* count,
                                   uint8_t type) {
  record("fetch(%d,%d) ", unit_id, *count);
  for (uint8_t k = 0; k < *count; ++k) {
    values[k] = single_value + k;
    status[k] = type;
  }
  return 0;
}
#endif

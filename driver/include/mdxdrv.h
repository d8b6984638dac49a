/* mdxdrv: the driver library of the MDX-4A thermocouple measurement unit.
 *
 * Units are addressed by a unit ID 0 to 3. Every export but Mdx4a_Device_Close returns one of the
 * result codes below. Readings are temperatures in degrees Celsius compensated for the unit's
 * reference junction (types 0 to 7), or the input voltage in microvolts (type 8). */
#ifndef MDXDRV_H
#define MDXDRV_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define MDXDRV_API __attribute__((visibility("default")))
#else
#define MDXDRV_API
#endif

/* Result codes. */
/* clang-format off */
#define MDX4A_OK 0                 /* success */
#define MDX4A_ERR_ID 1             /* unit ID out of range (sampling exports) */
#define MDX4A_ERR_DRIVER 2         /* the USB toolkit could not be started */
#define MDX4A_ERR_ALREADY_OPEN 3   /* the unit is already open */
#define MDX4A_ERR_NOT_FOUND 6      /* no unit with this ID is attached */
#define MDX4A_ERR_NOT_OPEN 7       /* the unit is not open */
#define MDX4A_ERR_PARAMETER 8      /* a parameter is out of range */
#define MDX4A_ERR_USB 9            /* a USB transfer failed */
/* clang-format on */

/* Measurement types: thermocouples B, R, S, N, K, E, J, T, then voltage. */
#define MDX4A_TYPE_B 0
#define MDX4A_TYPE_R 1
#define MDX4A_TYPE_S 2
#define MDX4A_TYPE_N 3
#define MDX4A_TYPE_K 4
#define MDX4A_TYPE_E 5
#define MDX4A_TYPE_J 6
#define MDX4A_TYPE_T 7
#define MDX4A_TYPE_VOLTAGE 8

/* A thermocouple value that cannot be converted. */
#define MDX4A_NO_VALUE (-300.0)

/* Most readings one Mdx4a_Get_Datas call delivers. */
#define MDX4A_MAX_FETCH 128

MDXDRV_API int16_t Mdx4a_Device_Open(int16_t unit_id);
MDXDRV_API void Mdx4a_Device_Close(int16_t unit_id);
MDXDRV_API int16_t Mdx4a_Single_Sample(int16_t unit_id, double* value, uint8_t type);
/* Starts the unit's own sampling every interval x 10 ms (1 to 10000). */
MDXDRV_API int16_t Mdx4a_Start_Sample(int16_t unit_id, int16_t interval);
/* *count: on entry the readings asked for (at most 128), on return the readings delivered. */
MDXDRV_API int16_t Mdx4a_Get_Datas(int16_t unit_id, double* values, uint8_t* status, uint8_t* count,
                                   uint8_t type);

#ifdef __cplusplus
}
#endif

#endif

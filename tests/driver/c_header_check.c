/* The driver's header used from plain C, linked against the shared library: every export is
 * reachable by its C name and rejects an out-of-range unit ID before touching any unit. */
#include <stdio.h>

#include "mdxdrv.h"

int main(void) {
  double value = 0;
  double values[MDX4A_MAX_FETCH];
  uint8_t status[MDX4A_MAX_FETCH];
  uint8_t count = 1;
  int failures = 0;
  Mdx4a_Device_Close(-1);
  if (Mdx4a_Device_Open(4) != MDX4A_ERR_PARAMETER) failures++;
  if (Mdx4a_Single_Sample(4, &value, MDX4A_TYPE_K) != MDX4A_ERR_ID) failures++;
  if (Mdx4a_Start_Sample(-1, 100) != MDX4A_ERR_ID) failures++;
  if (Mdx4a_Get_Datas(4, values, status, &count, MDX4A_TYPE_VOLTAGE) != MDX4A_ERR_ID) failures++;
  if (failures != 0) fprintf(stderr, "%d export(s) answered wrongly\n", failures);
  return failures == 0 ? 0 : 1;
}

/* The one bridge to LibRaw, in plain C types: LibRaw's headers take the platform's paths when
 * they see the platform's macros, so only raw_bridge.c includes them.
 *
 * A camera raw file is handed over whole, in memory. The decoded image is linear RGB in 16 bits
 * per sample, four samples per pixel (the fourth unused), rows top first; LibRaw has already
 * rotated diagonal-grid sensors and stretched pixels that are not square. */
#ifndef MERGEON_CLIB_RAW_BRIDGE_H
#define MERGEON_CLIB_RAW_BRIDGE_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct raw_bridge raw_bridge;

typedef struct raw_bridge_options {
  float gamma, brightness, red_scale, blue_scale;
  int half_size, four_color_rgb, auto_wb, camera_wb;
  /* Asked now and then while decoding; a nonzero answer stops the decode. */
  int (*cancel)(void *context);
  void *cancel_context;
} raw_bridge_options;

typedef struct raw_bridge_info {
  char make[64], model[64];
  int width, height;   /* of the image the decode gives at full size */
  int has_cfa;         /* the sensor has a colour filter array */
} raw_bridge_info;

/* Identifies the file; NULL when LibRaw does not recognise it. The data must stay alive until
 * raw_bridge_close. */
raw_bridge *raw_bridge_open(const void *data, size_t size, raw_bridge_info *info);
/* Decodes (unpack, white balance, interpolation, colour conversion); 0 on success. */
int raw_bridge_decode(raw_bridge *raw, const raw_bridge_options *options);
/* The decoded image: width x height pixels of four 16-bit samples; NULL before a decode. */
const uint16_t *raw_bridge_image(raw_bridge *raw, int *width, int *height);
/* The embedded JPEG thumbnail; NULL with size 0 when there is none. */
const void *raw_bridge_jpeg_thumbnail(raw_bridge *raw, size_t *size);
void raw_bridge_close(raw_bridge *raw);

#ifdef __cplusplus
}
#endif

#endif

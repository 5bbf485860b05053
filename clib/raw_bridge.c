/* LibRaw sees no platform macro here: with them it would expect a DLL import library. */
#undef _WIN32
#undef WIN32
#undef _WIN64
#include "clib/raw_bridge.h"

#include <libraw/libraw.h>
#include <stdlib.h>
#include <string.h>

struct raw_bridge {
  libraw_data_t *lr;
  const raw_bridge_options *options;
  int decoded;
};

static int raw_progress(void *context, enum LibRaw_progress stage, int iteration, int expected) {
  raw_bridge *raw = (raw_bridge *)context;
  (void)stage, (void)iteration, (void)expected;
  return raw->options && raw->options->cancel && raw->options->cancel(raw->options->cancel_context);
}

/* Damaged data is reported through the result codes; LibRaw's own messages would go to stderr. */
static void raw_quiet(void *context, const char *file, const int offset) { (void)context, (void)file, (void)offset; }

raw_bridge *raw_bridge_open(const void *data, size_t size, raw_bridge_info *info) {
  raw_bridge *raw = (raw_bridge *)calloc(1, sizeof(raw_bridge));
  if (!raw) return NULL;
  raw->lr = libraw_init(0);
  if (raw->lr) libraw_set_dataerror_handler(raw->lr, raw_quiet, NULL);
  if (!raw->lr || libraw_open_buffer(raw->lr, (void *)data, size) != LIBRAW_SUCCESS) {
    raw_bridge_close(raw);
    return NULL;
  }
  memset(info, 0, sizeof(*info));
  memcpy(info->make, raw->lr->idata.make, sizeof(info->make) - 1);
  memcpy(info->model, raw->lr->idata.model, sizeof(info->model) - 1);
  info->width = raw->lr->sizes.width;
  info->height = raw->lr->sizes.height;
  info->has_cfa = raw->lr->idata.filters != 0;
  libraw_set_progress_handler(raw->lr, raw_progress, raw);
  return raw;
}

int raw_bridge_decode(raw_bridge *raw, const raw_bridge_options *options) {
  libraw_output_params_t *p = &raw->lr->params;
  int i;
  raw->options = options;
  p->gamm[0] = options->gamma > 0 ? 1.0 / options->gamma : 0.45;
  p->bright = options->brightness;
  p->half_size = options->half_size;
  p->four_color_rgb = options->four_color_rgb;
  p->use_auto_wb = options->auto_wb;
  p->use_camera_wb = options->camera_wb;
  /* The quick interpolation: the reader always interpolates bilinearly. */
  p->user_qual = 0;
  p->no_auto_bright = 1;
  /* The red and blue scales multiply the camera's daylight balance. */
  if (options->red_scale != 1.0f || options->blue_scale != 1.0f) {
    for (i = 0; i < 4; ++i) p->user_mul[i] = raw->lr->color.pre_mul[i];
    if (p->user_mul[1] > 0) {
      p->user_mul[0] *= options->red_scale;
      p->user_mul[2] *= options->blue_scale;
    }
  }
  if (libraw_unpack(raw->lr) != LIBRAW_SUCCESS || libraw_dcraw_process(raw->lr) != LIBRAW_SUCCESS) return -1;
  raw->decoded = raw->lr->image != NULL;
  return raw->decoded ? 0 : -1;
}

const uint16_t *raw_bridge_image(raw_bridge *raw, int *width, int *height) {
  if (!raw->decoded) return NULL;
  *width = raw->lr->sizes.iwidth;
  *height = raw->lr->sizes.iheight;
  return (const uint16_t *)raw->lr->image;
}

const void *raw_bridge_jpeg_thumbnail(raw_bridge *raw, size_t *size) {
  *size = 0;
  if (libraw_unpack_thumb(raw->lr) != LIBRAW_SUCCESS || raw->lr->thumbnail.tformat != LIBRAW_THUMBNAIL_JPEG ||
      !raw->lr->thumbnail.thumb)
    return NULL;
  *size = raw->lr->thumbnail.tlength;
  return raw->lr->thumbnail.thumb;
}

void raw_bridge_close(raw_bridge *raw) {
  if (!raw) return;
  if (raw->lr) libraw_close(raw->lr);
  free(raw);
}

/* Camera raw through LibRaw: identification, the embedded JPEG thumbnail and the decode to
 * linear RGB, answered as the program's reader expects (three 16-bit samples per pixel; the
 * reader applies its own tone curve). */
#include <libraw/libraw.h>
#include <stdlib.h>
#include <string.h>

#include "helper/helper_jobs.h"

/* Damaged data is reported through the result codes; LibRaw's own messages would go to stderr. */
static void raw_quiet(void *context, const char *file, const int offset) { (void)context, (void)file, (void)offset; }

static void set_options(libraw_data_t *lr, const codec_helper_request *request) {
  libraw_output_params_t *p = &lr->params;
  int i;
  p->gamm[0] = request->gamma > 0 ? 1.0 / request->gamma : 0.45;
  p->bright = request->brightness;
  p->half_size = request->half_size;
  p->four_color_rgb = request->four_color_rgb;
  p->use_auto_wb = request->auto_wb;
  p->use_camera_wb = request->camera_wb;
  /* The quick interpolation: the reader always interpolates bilinearly. */
  p->user_qual = 0;
  p->no_auto_bright = 1;
  /* The red and blue scales multiply the camera's daylight balance. */
  if (request->red_scale != 1.0f || request->blue_scale != 1.0f) {
    for (i = 0; i < 4; ++i) p->user_mul[i] = lr->color.pre_mul[i];
    if (p->user_mul[1] > 0) {
      p->user_mul[0] *= request->red_scale;
      p->user_mul[2] *= request->blue_scale;
    }
  }
}

static int answer_image(libraw_data_t *lr, codec_helper_reply *reply, const void *thumbnail) {
  const int width = lr->sizes.iwidth, height = lr->sizes.iheight;
  const uint16_t (*image)[4] = (const uint16_t (*)[4])lr->image;
  uint16_t *rgb;
  size_t i, count;
  int result;
  if (!image || width <= 0 || height <= 0) return helper_fail();
  count = (size_t)width * (size_t)height;
  rgb = (uint16_t *)malloc(count * 3 * sizeof(uint16_t));
  if (!rgb) return helper_fail();
  for (i = 0; i < count; ++i) memcpy(rgb + i * 3, image[i], 3 * sizeof(uint16_t));
  reply->width = width;
  reply->height = height;
  reply->stride = width * 6;
  reply->data_size = (uint64_t)count * 6;
  result = helper_answer(reply, thumbnail, rgb);
  free(rgb);
  return result;
}

int raw_job(const codec_helper_request *request, const uint8_t *data, size_t size) {
  codec_helper_reply reply;
  const void *thumbnail = NULL;
  libraw_data_t *lr = libraw_init(0);
  int result;
  if (!lr) return helper_fail();
  libraw_set_dataerror_handler(lr, raw_quiet, NULL);
  if (size == 0 || libraw_open_buffer(lr, (void *)data, size) != LIBRAW_SUCCESS) {
    libraw_close(lr);
    return helper_fail();
  }
  memset(&reply, 0, sizeof(reply));
  memcpy(reply.make, lr->idata.make, sizeof(reply.make) - 1);
  memcpy(reply.model, lr->idata.model, sizeof(reply.model) - 1);
  reply.raw_width = lr->sizes.width;
  reply.raw_height = lr->sizes.height;
  reply.has_cfa = lr->idata.filters != 0;
  if (request->job == CODEC_HELPER_RAW_READ && request->want_thumbnail &&
      libraw_unpack_thumb(lr) == LIBRAW_SUCCESS && lr->thumbnail.tformat == LIBRAW_THUMBNAIL_JPEG &&
      lr->thumbnail.thumb && lr->thumbnail.tlength > 0) {
    thumbnail = lr->thumbnail.thumb;
    reply.thumbnail_size = lr->thumbnail.tlength;
  }
  if (request->job != CODEC_HELPER_RAW_READ || !request->decode) {
    result = helper_answer(&reply, thumbnail, NULL);
  } else {
    set_options(lr, request);
    if (libraw_unpack(lr) != LIBRAW_SUCCESS || libraw_dcraw_process(lr) != LIBRAW_SUCCESS)
      result = helper_fail();
    else
      result = answer_image(lr, &reply, thumbnail);
  }
  libraw_close(lr);
  return result;
}

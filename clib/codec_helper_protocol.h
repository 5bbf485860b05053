/* What the program and its codec helper process say to each other, in plain C types.
 *
 * Decoders of third-party libraries that can fault on hostile input (camera raw, HD Photo) run
 * in a small process of our own, so that a damaged file can end that process but never the
 * program. The program writes one request followed by the file (or the pixels to encode) to the
 * helper's standard input; the helper answers on its standard output with one reply, its
 * payload (a thumbnail, then pixels or an encoded file) and a closing magic number. An answer
 * without the closing number is a failure, whatever the process's exit status says.
 *
 * Both sides are built from this header by the same compiler for the same machine, so the
 * structures travel as they are. */
#ifndef MERGEON_CLIB_CODEC_HELPER_PROTOCOL_H
#define MERGEON_CLIB_CODEC_HELPER_PROTOCOL_H

#include <stdint.h>

enum { CODEC_HELPER_MAGIC = 0x4D434850u, CODEC_HELPER_END = 0x454E4421u };

typedef enum codec_helper_job {
  /* Whether the camera raw decoder recognises the data; nothing else is answered. */
  CODEC_HELPER_RAW_IDENTIFY = 1,
  /* Camera raw: the camera's name and size, the embedded JPEG thumbnail, and with `decode` the
   * decoded linear image (three 16-bit samples per pixel, red first, rows top first). */
  CODEC_HELPER_RAW_READ = 2,
  /* HD Photo: one frame in one of the pixel layouts below. */
  CODEC_HELPER_HDP_DECODE = 3,
  /* HD Photo: pixels in one of the layouts below encoded into a file. */
  CODEC_HELPER_HDP_ENCODE = 4
} codec_helper_job;

/* Pixel layouts of the HD Photo jobs, rows top first, each `stride` bytes. */
typedef enum codec_helper_pixels {
  CODEC_HELPER_PIXELS_NONE = 0,
  CODEC_HELPER_BLACK_WHITE = 1, /* 1 bit per pixel, first pixel in the high bit, 1 = white */
  CODEC_HELPER_GREY8 = 2,
  CODEC_HELPER_GREY16 = 3,
  CODEC_HELPER_BGR24 = 4, /* blue, green, red */
  CODEC_HELPER_RGB48 = 5, /* red, green, blue, 16 bits each */
  CODEC_HELPER_CMYK32 = 6 /* cyan, magenta, yellow, black; 255 = full ink */
} codec_helper_pixels;

typedef struct codec_helper_request {
  uint32_t magic;
  uint32_t job;
  /* Camera raw. */
  float gamma, brightness, red_scale, blue_scale;
  int32_t half_size, four_color_rgb, auto_wb, camera_wb;
  int32_t decode, want_thumbnail;
  /* HD Photo decode: the frame. */
  int32_t frame;
  /* HD Photo encode: the pixels that follow, and the options. */
  int32_t width, height, pixels, stride;
  float dpi_x, dpi_y;
  float quality; /* 0 .. 1; 1 or `lossless` encodes without loss */
  int32_t lossless;
  /* Bytes that follow the request. */
  uint64_t data_size;
} codec_helper_request;

typedef struct codec_helper_reply {
  uint32_t magic;
  int32_t status; /* 0: done; anything else: the data could not be read or written */
  /* Camera raw. */
  char make[64], model[64];
  int32_t raw_width, raw_height, has_cfa;
  /* The image that follows (camera raw, HD Photo decode). */
  int32_t width, height, pixels, stride;
  float dpi_x, dpi_y;
  /* Bytes that follow: the thumbnail (a JPEG file), then the pixels or the encoded file. */
  uint64_t thumbnail_size, data_size;
} codec_helper_reply;

#endif

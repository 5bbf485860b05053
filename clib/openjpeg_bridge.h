/* The bridge to OpenJPEG, in plain C types: OpenJPEG's headers stay inside openjpeg_bridge.c.
 *
 * Both directions work on memory: the decoder reads a whole JP2 file or code stream from a
 * buffer (the format needs to seek through it anyway), and the encoder hands back the finished
 * file in a buffer of its own, which the caller writes out and frees. Nothing here raises. */
#ifndef MERGEON_CLIB_OPENJPEG_BRIDGE_H
#define MERGEON_CLIB_OPENJPEG_BRIDGE_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Containers. */
enum { J2K_LIB_JP2 = 0, J2K_LIB_CODESTREAM = 1 };

/* Colour spaces as the file states them. */
enum { J2K_LIB_UNSPECIFIED = 0, J2K_LIB_SRGB = 1, J2K_LIB_GRAY = 2, J2K_LIB_SYCC = 3, J2K_LIB_OTHER = 4 };

typedef struct {
  unsigned x0, y0;    /* offset on the reference grid, in component samples */
  unsigned dx, dy;    /* sampling steps */
  unsigned w, h;      /* samples */
  int precision;      /* bits */
  int is_signed;
  int is_alpha;       /* an opacity channel */
  const int *data;    /* w x h samples, rows top-down; nil when only the header was read */
} j2k_lib_component;

typedef struct {
  unsigned x0, y0, x1, y1; /* the image area on the reference grid */
  int color_space;
  int component_count;
  j2k_lib_component *components;
  void *opaque;
} j2k_lib_image;

/* Decodes `size` bytes of a JP2 file or code stream (`format`); with header_only, only the
 * sizes and the components' parameters are filled. Images whose samples would exceed
 * `max_samples` (all components together) are refused before they are decoded. Nil when the
 * data cannot be decoded, also when they end before the image is complete. */
j2k_lib_image *j2k_lib_decode(const unsigned char *data, size_t size, int format, int header_only,
                              unsigned long long max_samples);
void j2k_lib_image_destroy(j2k_lib_image *image);
/* How many decodes past the header this process has started: the image's costly part, which a
 * load should pay once. */
unsigned long j2k_lib_decode_count(void);

typedef struct {
  int format;              /* J2K_LIB_JP2 or J2K_LIB_CODESTREAM */
  unsigned width, height;
  int component_count;     /* 1 grey, 3 RGB, 4 RGB and opacity */
  int precision;           /* 1 .. 16, every component */
  const int *const *planes; /* component_count planes of width x height samples */
  double rate;             /* compressed size / uncompressed size; 0 or >= 1: lossless */
  int progression;         /* 0 LRCP, 1 RLCP, other values the library's default */
} j2k_lib_encode_params;

/* Encodes the planes; on success answers a buffer of *size bytes that the caller frees with
 * j2k_lib_free, else nil. */
unsigned char *j2k_lib_encode(const j2k_lib_encode_params *params, size_t *size);
void j2k_lib_free(void *buffer);

#ifdef __cplusplus
}
#endif

#endif

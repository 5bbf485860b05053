/* The bridge to libpng, in plain C types: libpng's headers stay inside png_bridge.c.
 *
 * libpng reports an error by calling a routine that must not return; here it jumps back
 * (setjmp/longjmp, entirely within C frames) to the glue function that called libpng, which
 * then answers 0. The stream callbacks must never raise: they answer the bytes moved, fewer
 * meaning failure. */
#ifndef MERGEON_CLIB_PNG_BRIDGE_H
#define MERGEON_CLIB_PNG_BRIDGE_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef int (*png_lib_read_fn)(void *stream, void *buffer, int count);
typedef int (*png_lib_write_fn)(void *stream, const void *buffer, int count);

/* PNG colour types. */
enum {
  PNG_LIB_GRAY = 0,
  PNG_LIB_RGB = 2,
  PNG_LIB_PALETTE = 3,
  PNG_LIB_GRAY_ALPHA = 4,
  PNG_LIB_RGB_ALPHA = 6
};

/* ---- Reading ---- */

typedef struct png_lib_reader png_lib_reader;

typedef struct {
  unsigned width, height;
  int bit_depth, color_type, interlaced;
  int palette_count;               /* entries of palette (red, green, blue) */
  unsigned char palette[256 * 3];
  int has_transparency;            /* a tRNS chunk */
  int has_background;              /* bKGD: the index for palette images, else the samples */
  int background_index;
  unsigned background_red, background_green, background_blue, background_gray;
  int has_resolution;              /* pHYs in pixels per metre */
  unsigned resolution_x, resolution_y;
  int text_count;
} png_lib_info;

/* Transformations asked of png_lib_read_image. */
enum {
  PNG_LIB_EXPAND = 1,      /* palette to RGB, grey below 8 bits to 8, tRNS to alpha */
  PNG_LIB_STRIP_16 = 2,    /* 16-bit samples to 8 */
  PNG_LIB_GRAY_TO_RGB = 4,
  PNG_LIB_BGR = 8,         /* colour samples blue, green, red */
  PNG_LIB_SWAP_16 = 16     /* 16-bit samples in the machine's order */
};

png_lib_reader *png_lib_reader_create(void *stream, png_lib_read_fn read);
void png_lib_reader_destroy(png_lib_reader *reader);
/* Reads the chunks before the image data. 1, or 0 on a damaged or cut file. */
int png_lib_read_info(png_lib_reader *reader, png_lib_info *info);
/* Text chunk `index` (0 .. text_count - 1): keyword and text, valid until the reader goes. */
int png_lib_text(png_lib_reader *reader, int index, const char **key, const char **text, size_t *length);
/* The embedded colour profile, or 0 when there is none. */
int png_lib_icc_profile(png_lib_reader *reader, const unsigned char **data, unsigned *length);
/* Sets the transformations and answers the bytes of one delivered row and its channels. */
int png_lib_start_image(png_lib_reader *reader, int transforms, size_t *row_bytes, int *channels);
/* Reads the whole image (every interlace pass) into `rows`, then the chunks after it. */
int png_lib_read_image(png_lib_reader *reader, unsigned char **rows);

/* ---- Writing ---- */

typedef struct png_lib_writer png_lib_writer;

typedef struct {
  unsigned width, height;
  int bit_depth, color_type, interlaced;
  int palette_count;
  const unsigned char *palette;         /* red, green, blue */
  int transparency_count;               /* alpha of the first palette entries */
  const unsigned char *transparency;
  int has_background;
  int background_index;
  unsigned background_red, background_green, background_blue, background_gray;
  unsigned resolution_x, resolution_y;  /* pixels per metre, 0: none */
  int filter;                           /* 0 none, 1 sub, 2 Paeth, -1 libpng's choice */
  int compression_level;                /* 0 .. 9 */
  int text_count;
  const char *const *text_keys;
  const char *const *text_values;
  int bgr;                              /* colour rows are blue, green, red */
  int swap_16;                          /* 16-bit samples are in the machine's order */
} png_lib_write_info;

/* Writes a whole image (`rows` holds every row). 1, or 0 when libpng refused or a write failed. */
int png_lib_write(void *stream, png_lib_write_fn write, const png_lib_write_info *info, unsigned char **rows);

#ifdef __cplusplus
}
#endif

#endif

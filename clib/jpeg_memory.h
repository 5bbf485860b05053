/* The JPEG codec behind TJPEGImage: decoding and encoding in memory.
 *
 * Plain C types only, so that C++ code can call it without seeing the codec library's own
 * headers (which clash with the platform's). Failures come back as the library's message code
 * (a positive number); no error ever leaves these functions any other way. */
#ifndef MERGEON_VCL_JPEG_CODEC_H
#define MERGEON_VCL_JPEG_CODEC_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct {
  int scale_denom;       /* 1, 2, 4 or 8: the image is decoded at that fraction of its size */
  int grayscale;         /* decode as grey levels */
  int quantize_colors;   /* 0: full colour; otherwise the number of palette colours (2..256) */
  int two_pass_quantize; /* a palette chosen for the image (slower) rather than a fixed one */
  int fast;              /* faster DCT and upsampling, at some loss of quality */
  int block_smoothing;   /* smooth the blocks of progressive images */
} jpeg_codec_decode_options;

typedef struct {
  int image_width, image_height; /* as stored */
  int width, height;             /* as decoded, after scaling */
  int channels;                  /* 1: grey levels or palette indexes; 3: blue, green, red */
  int progressive;
  int palette_size;              /* colours of a quantized image (0 otherwise) */
  unsigned char palette[256][3]; /* red, green, blue */
} jpeg_codec_info;

typedef struct {
  int quality;     /* 1..100 */
  int progressive;
  int grayscale;   /* write one grey component */
  int fast;        /* faster DCT */
} jpeg_codec_encode_options;

/* Reads the headers: the sizes and channels that jpeg_codec_decode will produce with these
 * options (the palette is known only after decoding). Returns 0 or the message code. */
int jpeg_codec_read_info(const unsigned char *data, size_t size, const jpeg_codec_decode_options *options,
                         jpeg_codec_info *info);

/* Decodes every row: row y (0 is the top) goes to first_row + y * row_step, which may be
 * negative. Each row takes info->width * info->channels bytes. A file cut short (even by its
 * end marker alone) or whose coded data is damaged fails. Returns 0 or the message code. */
int jpeg_codec_decode(const unsigned char *data, size_t size, const jpeg_codec_decode_options *options,
                      jpeg_codec_info *info, unsigned char *first_row, ptrdiff_t row_step);

/* Encodes rows laid out the same way (channels 1: grey; 3: blue, green, red). On success
 * *out holds the file (free it with jpeg_codec_free). Returns 0 or the message code. */
int jpeg_codec_encode(const unsigned char *first_row, ptrdiff_t row_step, int width, int height, int channels,
                      const jpeg_codec_encode_options *options, unsigned char **out, size_t *out_size);

void jpeg_codec_free(unsigned char *data);

/* The message code of a file that ends too early. */
int jpeg_codec_truncated_code(void);

#ifdef __cplusplus
}
#endif

#endif

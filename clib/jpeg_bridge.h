/* The one bridge to libjpeg, in plain C types: libjpeg's own headers clash with the platform's,
 * so only jpeg_bridge.c sees them.
 *
 * libjpeg reports a failure by calling an error routine that must not return. Here it jumps
 * back (setjmp/longjmp, entirely within C frames) to the glue function that called libjpeg,
 * which then answers 0; the failing message code is kept for the caller. No C++ exception
 * ever passes through libjpeg: the stream callbacks must catch everything and answer -1.
 *
 * Colour rows of three samples are always blue, green, red, the image library's order;
 * libjpeg reorders them itself when the file holds red, green, blue. */
#ifndef MERGEON_CLIB_JPEG_BRIDGE_H
#define MERGEON_CLIB_JPEG_BRIDGE_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The caller's failure flag. The bridge never writes the flag itself, as the caller's flag may be
 * shared with other threads and plain C has no portable way to set it safely: it calls `raise`
 * with `context`, and the caller sets its flag there. */
typedef struct jpeg_lib_flag {
  void (*raise)(void *context);
  void *context;
} jpeg_lib_flag;

struct jpeg_decompress_struct;
struct jpeg_error_mgr;

/* Colour spaces, as libjpeg numbers them. */
enum {
  JPEG_LIB_CS_UNKNOWN = 0,
  JPEG_LIB_CS_GRAYSCALE = 1,
  JPEG_LIB_CS_RGB = 2,   /* as output or input: rows of blue, green, red */
  JPEG_LIB_CS_YCBCR = 3,
  JPEG_LIB_CS_CMYK = 4,  /* rows of 4 samples as stored (inverted inks in Adobe files) */
  JPEG_LIB_CS_YCCK = 5
};

/* The stream behind a source or destination: the bytes moved (0 at the end of the data), or
 * -1 when the stream failed, which makes the libjpeg call in progress fail with a read or write
 * error. */
typedef int (*jpeg_lib_read_fn)(void *stream, void *buffer, int count);
typedef int (*jpeg_lib_write_fn)(void *stream, const void *buffer, int count);

/* The text of a libjpeg message code with "?" for every inserted value; an empty string for the
 * notice and version entries, NULL for a code outside libjpeg's table (0 .. last). */
const char *jpeg_lib_message_template(int code, int last, char *buffer, int size);

/* ---- Decoding ---- */

typedef struct jpeg_lib_reader jpeg_lib_reader;

typedef struct {
  int image_width, image_height; /* frame size */
  int num_components;
  int color_space;               /* JPEG_LIB_CS_* of the file */
  int progressive;
  int arithmetic;                /* arithmetic rather than Huffman coding */
  int density_unit, x_density, y_density; /* from the JFIF header (0, 1, 1 without one) */
} jpeg_lib_header;

typedef struct {
  int out_color_space; /* JPEG_LIB_CS_* */
  int scale_denom;     /* 1, 2, 4 or 8; any other value keeps libjpeg's default */
  int dct_method;      /* 0 accurate integer, 1 fast integer, 2 floating point; other: default */
} jpeg_lib_decode_options;

/* NULL when out of memory. `aborting` (or NULL) is raised on every libjpeg failure and when the
 * first read of the source gives nothing at all. */
jpeg_lib_reader *jpeg_lib_reader_create(jpeg_lib_flag *aborting);
void jpeg_lib_reader_destroy(jpeg_lib_reader *reader);
/* Changes the flag set on failures (NULL: none). */
void jpeg_lib_reader_set_aborting(jpeg_lib_reader *reader, jpeg_lib_flag *aborting);
/* Points the source at a stream; the buffered bytes of the previous stream are dropped. */
void jpeg_lib_reader_set_source(jpeg_lib_reader *reader, jpeg_lib_read_fn read, void *stream);
/* Reads an abbreviated datastream of tables only. 1, or 0 on failure. */
int jpeg_lib_reader_read_tables(jpeg_lib_reader *reader);
/* Keeps every APPn and COM marker, then reads the header of an image. 1, or 0 on failure. */
int jpeg_lib_reader_read_header(jpeg_lib_reader *reader, jpeg_lib_header *header);
/* Starts decoding; the output size and samples per pixel come back. 1, or 0 on failure. */
int jpeg_lib_reader_start(jpeg_lib_reader *reader, const jpeg_lib_decode_options *options, int *out_width,
                          int *out_height, int *out_components);
/* Decodes the next row into `row`: the rows decoded (0 or 1), or -1 on failure. */
int jpeg_lib_reader_read_row(jpeg_lib_reader *reader, unsigned char *row);
/* Reads to the end of the image after the last row. 1, or 0 on failure. */
int jpeg_lib_reader_finish(jpeg_lib_reader *reader);
/* The markers kept, in file order: start with previous NULL; NULL after the last. */
const void *jpeg_lib_reader_next_marker(jpeg_lib_reader *reader, const void *previous, int *code,
                                        const unsigned char **data, unsigned *length);
/* Bytes read from the stream but not used by the decoder. */
int jpeg_lib_reader_unused_bytes(jpeg_lib_reader *reader);
int jpeg_lib_reader_error_code(jpeg_lib_reader *reader);
/* Strict: damaged or truncated coded data fails (rather than ending in a warning). */
void jpeg_lib_reader_set_strict(jpeg_lib_reader *reader, int strict);
/* Reads an abbreviated datastream: 1 when it held tables only, 0 on failure or an image. */
int jpeg_lib_reader_read_tables_only(jpeg_lib_reader *reader);
/* The colour space of the coded data (JPEG_LIB_CS_*), for files that do not say; call it
 * between reading the header and starting. */
void jpeg_lib_reader_set_jpeg_color_space(jpeg_lib_reader *reader, int color_space);
/* The sample precision of the frame and the sampling factors of a component (0 .. 3), after
 * the header; 0 for a component the frame does not have. */
int jpeg_lib_reader_data_precision(jpeg_lib_reader *reader);
int jpeg_lib_reader_sampling(jpeg_lib_reader *reader, int component, int *h, int *v);
/* Abandons the image in hand; tables read earlier are kept for the next one. */
void jpeg_lib_reader_abort(jpeg_lib_reader *reader);
int jpeg_lib_reader_warning_count(jpeg_lib_reader *reader);
int jpeg_lib_reader_last_warning_code(jpeg_lib_reader *reader);
int jpeg_lib_reader_last_message_code(jpeg_lib_reader *reader);

/* ---- Encoding ---- */

typedef struct jpeg_lib_writer jpeg_lib_writer;

typedef struct {
  int width, height;
  int in_components;       /* 3: blue, green, red rows; 4: CMYK rows */
  int jpeg_color_space;    /* JPEG_LIB_CS_* written */
  int x_density, y_density; /* dots per inch */
  int dct_method;          /* as for decoding */
  int optimize_coding;
  int smoothing;           /* 0 .. 100 */
  int quality;             /* 1 .. 100, baseline tables */
  int luma_h, luma_v;      /* sampling of the first component; 0 keeps the defaults */
  int force_jfif;          /* write a JFIF header even where the colour space would not */
  int progressive;
} jpeg_lib_encode_options;

/* NULL when out of memory. `aborting` (or NULL) is raised on every libjpeg failure and on a short
 * write to the stream. */
jpeg_lib_writer *jpeg_lib_writer_create(jpeg_lib_flag *aborting, jpeg_lib_write_fn write, void *stream);
void jpeg_lib_writer_destroy(jpeg_lib_writer *writer);
/* Sets the encoder up and writes the header tables. 1, or 0 on failure. */
int jpeg_lib_writer_start(jpeg_lib_writer *writer, const jpeg_lib_encode_options *options);
/* One marker segment after the header (at most 65,533 payload bytes). 1, or 0 on failure. */
int jpeg_lib_writer_write_marker(jpeg_lib_writer *writer, int code, const unsigned char *data, unsigned length);
/* 1 when the row was taken, 0 when not, -1 on failure. */
int jpeg_lib_writer_write_row(jpeg_lib_writer *writer, const unsigned char *row);
int jpeg_lib_writer_next_scanline(jpeg_lib_writer *writer);
/* Writes the rest of the datastream. 1, or 0 on failure. */
int jpeg_lib_writer_finish(jpeg_lib_writer *writer);
int jpeg_lib_writer_error_code(jpeg_lib_writer *writer);

/* ---- Direct decompressor access for callers with their own input routine ----
 * Functions answering int give 1, or 0 after a libjpeg failure, whose message code is then
 * jpeg_lib_direct_error_code. */

struct jpeg_decompress_struct *jpeg_lib_direct_new(void);
void jpeg_lib_direct_free(struct jpeg_decompress_struct *cinfo);
struct jpeg_error_mgr *jpeg_lib_direct_new_error_mgr(struct jpeg_decompress_struct *cinfo);
void jpeg_lib_direct_free_error_mgr(struct jpeg_error_mgr *err);
int jpeg_lib_direct_error_code(struct jpeg_decompress_struct *cinfo);
int jpeg_lib_direct_create(struct jpeg_decompress_struct *cinfo);
void jpeg_lib_direct_destroy(struct jpeg_decompress_struct *cinfo);
int jpeg_lib_direct_stream_source(struct jpeg_decompress_struct *cinfo, jpeg_lib_read_fn read, void *stream);
void jpeg_lib_direct_set_fill(struct jpeg_decompress_struct *cinfo, int (*fill)(struct jpeg_decompress_struct *));
void jpeg_lib_direct_set_buffer(struct jpeg_decompress_struct *cinfo, const unsigned char *next, int count);
int jpeg_lib_direct_read_header(struct jpeg_decompress_struct *cinfo, int *result);
int jpeg_lib_direct_start(struct jpeg_decompress_struct *cinfo, int *result);
void jpeg_lib_direct_output_info(struct jpeg_decompress_struct *cinfo, int *width, int *height, int *components,
                                 int *scanline);
int jpeg_lib_direct_alloc_rows(struct jpeg_decompress_struct *cinfo, int samples_per_row, int rows,
                               unsigned char ***result);
int jpeg_lib_direct_read_scanlines(struct jpeg_decompress_struct *cinfo, unsigned char **rows, int max_lines,
                                   int *result);
int jpeg_lib_direct_finish(struct jpeg_decompress_struct *cinfo, int *result);

/* ---- Whole pictures in memory (the component library's JPEG image) ----
 * Failures come back as libjpeg's message code (a positive number); 0 is success. Damaged or
 * truncated coded data fails rather than giving a wrong picture. */

typedef struct {
  int scale_denom;       /* 1, 2, 4 or 8: the image is decoded at that fraction of its size */
  int grayscale;         /* decode as grey levels */
  int quantize_colors;   /* 0: full colour; otherwise the number of palette colours (2..256) */
  int two_pass_quantize; /* a palette chosen for the image (slower) rather than a fixed one */
  int fast;              /* faster DCT and upsampling, at some loss of quality */
  int block_smoothing;   /* smooth the blocks of progressive images */
} jpeg_lib_mem_decode_options;

typedef struct {
  int image_width, image_height; /* as stored */
  int width, height;             /* as decoded, after scaling */
  int channels;                  /* 1: grey levels or palette indexes; 3: blue, green, red */
  int progressive;
  int palette_size;              /* colours of a quantized image (0 otherwise) */
  unsigned char palette[256][3]; /* red, green, blue */
} jpeg_lib_mem_info;

typedef struct {
  int quality;     /* 1..100 */
  int progressive;
  int grayscale;   /* write one grey component */
  int fast;        /* faster DCT */
} jpeg_lib_mem_encode_options;

/* Reads the headers: the sizes and channels that jpeg_lib_mem_decode will produce with these
 * options (the palette is known only after decoding). Returns 0 or the message code. */
int jpeg_lib_mem_read_info(const unsigned char *data, size_t size, const jpeg_lib_mem_decode_options *options,
                         jpeg_lib_mem_info *info);

/* Decodes every row: row y (0 is the top) goes to first_row + y * row_step, which may be
 * negative. Each row takes info->width * info->channels bytes. A file cut short (even by its
 * end marker alone) or whose coded data is damaged fails. Returns 0 or the message code. */
int jpeg_lib_mem_decode(const unsigned char *data, size_t size, const jpeg_lib_mem_decode_options *options,
                      jpeg_lib_mem_info *info, unsigned char *first_row, ptrdiff_t row_step);

/* Encodes rows laid out the same way (channels 1: grey; 3: blue, green, red). On success
 * *out holds the file (free it with jpeg_lib_mem_free). Returns 0 or the message code. */
int jpeg_lib_mem_encode(const unsigned char *first_row, ptrdiff_t row_step, int width, int height, int channels,
                      const jpeg_lib_mem_encode_options *options, unsigned char **out, size_t *out_size);

void jpeg_lib_mem_free(unsigned char *data);

/* The message code of a file that ends too early. */
int jpeg_lib_truncated_code(void);

#ifdef __cplusplus
}
#endif

#endif

/* libjpeg behind plain C types: the error manager that jumps back instead of returning, the
 * source and destination managers over the caller's stream callbacks, and the decoder and
 * encoder steps the JPEG codec takes, and whole pictures decoded from and encoded to memory.
 * See jpeg_bridge.h. */
#include "clib/jpeg_bridge.h"

#include <setjmp.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <jpeglib.h>
#include <jerror.h>

enum { GLUE_BUFFER_SIZE = 65536 };

/* Tells the caller of a failure through its flag's callback. */
static void glue_raise(jpeg_lib_flag *flag) {
  if (flag && flag->raise) flag->raise(flag->context);
}

/* ---- Error manager ---- */

typedef struct {
  struct jpeg_error_mgr pub;
  jpeg_lib_flag *aborting; /* the caller's failure flag, or NULL */
  jmp_buf *escape;         /* set for the duration of every libjpeg call */
  int error_code;          /* message code of the failure, 0 while none */
  int last_warning_code;
  int strict;              /* damaged coded data fails, until every row is decoded */
  int rows_complete;
} glue_error_mgr;

static void glue_error_exit(j_common_ptr cinfo) {
  glue_error_mgr *err = (glue_error_mgr *)cinfo->err;
  glue_raise(err->aborting);
  err->error_code = err->pub.msg_code;
  if (err->escape) longjmp(*err->escape, 1);
  /* Every call into libjpeg runs under an escape, so this is never reached; returning would
   * let libjpeg go on with broken state. */
  abort();
}

/* Warnings that mean the coded data is damaged or cut short: the decoded picture is wrong. */
static int glue_is_damage_warning(int code) {
  return code == JWRN_HIT_MARKER || code == JWRN_HUFF_BAD_CODE || code == JWRN_MUST_RESYNC ||
         code == JWRN_JPEG_EOF || code == JWRN_ARITH_BAD_CODE;
}

static void glue_emit_message(j_common_ptr cinfo, int level) {
  glue_error_mgr *err = (glue_error_mgr *)cinfo->err;
  if (level == -1) {
    err->pub.num_warnings++;
    err->last_warning_code = err->pub.msg_code;
    /* A strict decoder fails on damage instead of letting a wrong picture pass unnoticed; once
     * every row is decoded, damage in what follows them loses nothing. */
    if (err->strict && !err->rows_complete && glue_is_damage_warning(err->pub.msg_code))
      glue_error_exit(cinfo);
  }
}

static void glue_output_message(j_common_ptr cinfo) { (void)cinfo; }

static void glue_format_message(j_common_ptr cinfo, char *buffer) {
  (void)cinfo;
  if (buffer) buffer[0] = 0;
}

static void glue_reset_error_mgr(j_common_ptr cinfo) {
  glue_error_mgr *err = (glue_error_mgr *)cinfo->err;
  err->pub.num_warnings = 0;
  err->pub.msg_code = 0;
}

static void glue_init_error_mgr(glue_error_mgr *err, jpeg_lib_flag *aborting) {
  memset(err, 0, sizeof(*err));
  jpeg_std_error(&err->pub);
  err->pub.error_exit = glue_error_exit;
  err->pub.emit_message = glue_emit_message;
  err->pub.output_message = glue_output_message;
  err->pub.format_message = glue_format_message;
  err->pub.reset_error_mgr = glue_reset_error_mgr;
  err->pub.trace_level = 0;
  err->aborting = aborting;
}

/* Runs the statements after it only when libjpeg has not failed; on a failure the enclosing
 * function answers `failed`. Nothing in these frames needs unwinding. */
#define GLUE_GUARD(err, failed)     \
  jmp_buf escape_;                  \
  (err)->escape = &escape_;         \
  if (setjmp(escape_)) {            \
    (err)->escape = NULL;           \
    return failed;                  \
  }
#define GLUE_END_GUARD(err) ((err)->escape = NULL)

const char *jpeg_lib_message_template(int code, int last, char *buffer, int size) {
  struct jpeg_error_mgr table;
  const char *text;
  int out = 0;
  if (!buffer || size < 1) return NULL;
  jpeg_std_error(&table);
  if (code < 0 || code > last || code > table.last_jpeg_message) return NULL;
  buffer[0] = 0;
  if (code == JMSG_COPYRIGHT || code == JMSG_VERSION) return buffer;
  text = table.jpeg_message_table[code];
  if (!text) return NULL;
  while (*text && out < size - 1) {
    if (*text == '%') {
      /* A conversion: flags, width and length letters up to the conversion letter. */
      ++text;
      if (*text == '%') {
        buffer[out++] = '%';
        ++text;
        continue;
      }
      while (*text && strchr("-+ #0123456789.lhz", *text)) ++text;
      if (*text) ++text;
      buffer[out++] = '?';
    } else {
      buffer[out++] = *text++;
    }
  }
  buffer[out] = 0;
  return buffer;
}

/* ---- Source manager ---- */

typedef struct {
  struct jpeg_source_mgr pub;
  jpeg_lib_read_fn read;
  void *stream;
  int start_of_file;
  jpeg_lib_flag *aborting;
  int fake_eoi; /* the buffer holds the end marker put in after the data ran out */
  JOCTET *buffer;
} glue_source_mgr;

static void glue_init_source(j_decompress_ptr cinfo) {
  glue_source_mgr *src = (glue_source_mgr *)cinfo->src;
  src->start_of_file = 1;
}

static boolean glue_fill_input_buffer(j_decompress_ptr cinfo) {
  glue_source_mgr *src = (glue_source_mgr *)cinfo->src;
  int count = src->read(src->stream, src->buffer, GLUE_BUFFER_SIZE);
  if (count < 0) ERREXIT(cinfo, JERR_FILE_READ);
  if (count == 0) {
    /* No more data: an end marker lets libjpeg finish what it has (with a warning). */
    if (src->start_of_file) glue_raise(src->aborting);
    if (!src->start_of_file) WARNMS(cinfo, JWRN_JPEG_EOF);
    src->buffer[0] = 0xFF;
    src->buffer[1] = JPEG_EOI;
    count = 2;
    src->fake_eoi = 1;
  } else {
    src->fake_eoi = 0;
  }
  src->pub.next_input_byte = src->buffer;
  src->pub.bytes_in_buffer = (size_t)count;
  src->start_of_file = 0;
  return TRUE;
}

static void glue_skip_input_data(j_decompress_ptr cinfo, long count) {
  struct jpeg_source_mgr *src = cinfo->src;
  if (count <= 0) return;
  while (count > (long)src->bytes_in_buffer) {
    count -= (long)src->bytes_in_buffer;
    (void)(*src->fill_input_buffer)(cinfo);
  }
  src->next_input_byte += (size_t)count;
  src->bytes_in_buffer -= (size_t)count;
}

static void glue_term_source(j_decompress_ptr cinfo) { (void)cinfo; }

/* The source record and its buffer live in the decompressor's permanent pool, made once;
 * attaching again changes the stream and empties the buffer. Must run under a guard. */
static void glue_attach_source(j_decompress_ptr cinfo, jpeg_lib_read_fn read, void *stream,
                               jpeg_lib_flag *aborting) {
  glue_source_mgr *src;
  if (cinfo->src == NULL || cinfo->src->init_source != glue_init_source) {
    src = (glue_source_mgr *)(*cinfo->mem->alloc_small)((j_common_ptr)cinfo, JPOOL_PERMANENT,
                                                          sizeof(glue_source_mgr));
    memset(src, 0, sizeof(*src));
    src->buffer = (JOCTET *)(*cinfo->mem->alloc_small)((j_common_ptr)cinfo, JPOOL_PERMANENT, GLUE_BUFFER_SIZE);
    src->pub.init_source = glue_init_source;
    src->pub.fill_input_buffer = glue_fill_input_buffer;
    src->pub.skip_input_data = glue_skip_input_data;
    src->pub.resync_to_restart = jpeg_resync_to_restart;
    src->pub.term_source = glue_term_source;
    cinfo->src = &src->pub;
  }
  src = (glue_source_mgr *)cinfo->src;
  src->read = read;
  src->stream = stream;
  src->aborting = aborting;
  src->fake_eoi = 0;
  src->pub.bytes_in_buffer = 0;
  src->pub.next_input_byte = NULL;
}

/* ---- Decoding ---- */

struct jpeg_lib_reader {
  struct jpeg_decompress_struct cinfo;
  glue_error_mgr err;
};

static J_COLOR_SPACE glue_color_space(int code) {
  switch (code) {
    case JPEG_LIB_CS_GRAYSCALE: return JCS_GRAYSCALE;
    case JPEG_LIB_CS_RGB: return JCS_RGB;
    case JPEG_LIB_CS_YCBCR: return JCS_YCbCr;
    case JPEG_LIB_CS_CMYK: return JCS_CMYK;
    case JPEG_LIB_CS_YCCK: return JCS_YCCK;
    default: return JCS_UNKNOWN;
  }
}

static int glue_color_code(J_COLOR_SPACE space) {
  switch (space) {
    case JCS_GRAYSCALE: return JPEG_LIB_CS_GRAYSCALE;
    case JCS_RGB: return JPEG_LIB_CS_RGB;
    case JCS_YCbCr: return JPEG_LIB_CS_YCBCR;
    case JCS_CMYK: return JPEG_LIB_CS_CMYK;
    case JCS_YCCK: return JPEG_LIB_CS_YCCK;
    default: return JPEG_LIB_CS_UNKNOWN;
  }
}

static void glue_set_dct(J_DCT_METHOD *target, int method) {
  switch (method) {
    case 0: *target = JDCT_ISLOW; break;
    case 1: *target = JDCT_IFAST; break;
    case 2: *target = JDCT_FLOAT; break;
    default: break;
  }
}

static int glue_create_reader(jpeg_lib_reader *reader) {
  GLUE_GUARD(&reader->err, 0)
  jpeg_create_decompress(&reader->cinfo);
  GLUE_END_GUARD(&reader->err);
  return 1;
}

jpeg_lib_reader *jpeg_lib_reader_create(jpeg_lib_flag *aborting) {
  jpeg_lib_reader *reader = (jpeg_lib_reader *)calloc(1, sizeof(jpeg_lib_reader));
  if (!reader) return NULL;
  glue_init_error_mgr(&reader->err, aborting);
  reader->cinfo.err = &reader->err.pub;
  if (!glue_create_reader(reader)) {
    jpeg_destroy_decompress(&reader->cinfo);
    free(reader);
    return NULL;
  }
  return reader;
}

void jpeg_lib_reader_destroy(jpeg_lib_reader *reader) {
  if (!reader) return;
  jpeg_destroy_decompress(&reader->cinfo);
  free(reader);
}

static int glue_attach_reader_source(jpeg_lib_reader *reader, jpeg_lib_read_fn read, void *stream) {
  GLUE_GUARD(&reader->err, 0)
  glue_attach_source(&reader->cinfo, read, stream, reader->err.aborting);
  GLUE_END_GUARD(&reader->err);
  return 1;
}

void jpeg_lib_reader_set_aborting(jpeg_lib_reader *reader, jpeg_lib_flag *aborting) {
  reader->err.aborting = aborting;
  if (reader->cinfo.src && reader->cinfo.src->init_source == glue_init_source)
    ((glue_source_mgr *)reader->cinfo.src)->aborting = aborting;
}

void jpeg_lib_reader_set_source(jpeg_lib_reader *reader, jpeg_lib_read_fn read, void *stream) {
  (void)glue_attach_reader_source(reader, read, stream);
}

int jpeg_lib_reader_read_tables(jpeg_lib_reader *reader) {
  if (!reader->cinfo.src) return 0;
  GLUE_GUARD(&reader->err, 0)
  jpeg_read_header(&reader->cinfo, FALSE);
  GLUE_END_GUARD(&reader->err);
  return 1;
}

int jpeg_lib_reader_read_header(jpeg_lib_reader *reader, jpeg_lib_header *header) {
  struct jpeg_decompress_struct *cinfo = &reader->cinfo;
  int marker;
  if (!cinfo->src) return 0;
  GLUE_GUARD(&reader->err, 0)
  jpeg_save_markers(cinfo, JPEG_COM, 0xFFFF);
  for (marker = 0; marker < 16; ++marker) jpeg_save_markers(cinfo, JPEG_APP0 + marker, 0xFFFF);
  jpeg_read_header(cinfo, TRUE);
  GLUE_END_GUARD(&reader->err);
  header->image_width = (int)cinfo->image_width;
  header->image_height = (int)cinfo->image_height;
  header->num_components = cinfo->num_components;
  header->color_space = glue_color_code(cinfo->jpeg_color_space);
  header->progressive = cinfo->progressive_mode ? 1 : 0;
  header->arithmetic = cinfo->arith_code ? 1 : 0;
  header->density_unit = cinfo->density_unit;
  header->x_density = cinfo->X_density;
  header->y_density = cinfo->Y_density;
  return 1;
}

int jpeg_lib_reader_start(jpeg_lib_reader *reader, const jpeg_lib_decode_options *options, int *out_width,
                          int *out_height, int *out_components) {
  struct jpeg_decompress_struct *cinfo = &reader->cinfo;
  /* Colour output comes in the library's blue, green, red order. */
  cinfo->out_color_space =
      options->out_color_space == JPEG_LIB_CS_RGB ? JCS_EXT_BGR : glue_color_space(options->out_color_space);
  switch (options->scale_denom) {
    case 1:
    case 2:
    case 4:
    case 8:
      cinfo->scale_num = 1;
      cinfo->scale_denom = (unsigned)options->scale_denom;
      break;
    default: break;
  }
  glue_set_dct(&cinfo->dct_method, options->dct_method);
  {
    GLUE_GUARD(&reader->err, 0)
    jpeg_start_decompress(cinfo);
    GLUE_END_GUARD(&reader->err);
  }
  *out_width = (int)cinfo->output_width;
  *out_height = (int)cinfo->output_height;
  *out_components = cinfo->output_components;
  return 1;
}

int jpeg_lib_reader_read_row(jpeg_lib_reader *reader, unsigned char *row) {
  JSAMPROW rows[1];
  JDIMENSION count;
  rows[0] = row;
  GLUE_GUARD(&reader->err, -1)
  count = jpeg_read_scanlines(&reader->cinfo, rows, 1);
  GLUE_END_GUARD(&reader->err);
  return (int)count;
}

int jpeg_lib_reader_finish(jpeg_lib_reader *reader) {
  GLUE_GUARD(&reader->err, 0)
  jpeg_finish_decompress(&reader->cinfo);
  GLUE_END_GUARD(&reader->err);
  return 1;
}

const void *jpeg_lib_reader_next_marker(jpeg_lib_reader *reader, const void *previous, int *code,
                                        const unsigned char **data, unsigned *length) {
  jpeg_saved_marker_ptr marker =
      previous ? ((jpeg_saved_marker_ptr)previous)->next : reader->cinfo.marker_list;
  if (!marker) return NULL;
  *code = marker->marker;
  *data = marker->data;
  *length = marker->data_length;
  return marker;
}

int jpeg_lib_reader_unused_bytes(jpeg_lib_reader *reader) {
  glue_source_mgr *src = (glue_source_mgr *)reader->cinfo.src;
  if (!src || src->fake_eoi) return 0;
  return (int)src->pub.bytes_in_buffer;
}

int jpeg_lib_reader_error_code(jpeg_lib_reader *reader) { return reader->err.error_code; }

void jpeg_lib_reader_set_strict(jpeg_lib_reader *reader, int strict) { reader->err.strict = strict; }

int jpeg_lib_reader_read_tables_only(jpeg_lib_reader *reader) {
  int result;
  if (!reader->cinfo.src) return 0;
  {
    GLUE_GUARD(&reader->err, 0)
    result = jpeg_read_header(&reader->cinfo, FALSE);
    GLUE_END_GUARD(&reader->err);
  }
  if (result != JPEG_HEADER_TABLES_ONLY) {
    jpeg_abort_decompress(&reader->cinfo);
    return 0;
  }
  return 1;
}

void jpeg_lib_reader_set_jpeg_color_space(jpeg_lib_reader *reader, int color_space) {
  reader->cinfo.jpeg_color_space = glue_color_space(color_space);
}

int jpeg_lib_reader_data_precision(jpeg_lib_reader *reader) { return reader->cinfo.data_precision; }

int jpeg_lib_reader_sampling(jpeg_lib_reader *reader, int component, int *h, int *v) {
  if (component < 0 || component >= reader->cinfo.num_components || !reader->cinfo.comp_info) return 0;
  *h = reader->cinfo.comp_info[component].h_samp_factor;
  *v = reader->cinfo.comp_info[component].v_samp_factor;
  return 1;
}

void jpeg_lib_reader_abort(jpeg_lib_reader *reader) { jpeg_abort_decompress(&reader->cinfo); }
int jpeg_lib_reader_warning_count(jpeg_lib_reader *reader) { return (int)reader->err.pub.num_warnings; }
int jpeg_lib_reader_last_warning_code(jpeg_lib_reader *reader) { return reader->err.last_warning_code; }
int jpeg_lib_reader_last_message_code(jpeg_lib_reader *reader) { return reader->err.pub.msg_code; }

/* ---- Destination manager ---- */

typedef struct {
  struct jpeg_destination_mgr pub;
  jpeg_lib_write_fn write;
  void *stream;
  jpeg_lib_flag *aborting;
  JOCTET *buffer;
} glue_dest_mgr;

static void glue_init_destination(j_compress_ptr cinfo) {
  glue_dest_mgr *dest = (glue_dest_mgr *)cinfo->dest;
  dest->buffer = (JOCTET *)(*cinfo->mem->alloc_small)((j_common_ptr)cinfo, JPOOL_IMAGE, GLUE_BUFFER_SIZE);
  dest->pub.next_output_byte = dest->buffer;
  dest->pub.free_in_buffer = GLUE_BUFFER_SIZE;
}

static void glue_write_out(j_compress_ptr cinfo, int count) {
  glue_dest_mgr *dest = (glue_dest_mgr *)cinfo->dest;
  int written = dest->write(dest->stream, dest->buffer, count);
  if (written < 0) ERREXIT(cinfo, JERR_FILE_WRITE);
  if (written != count) glue_raise(dest->aborting);
}

static boolean glue_empty_output_buffer(j_compress_ptr cinfo) {
  glue_dest_mgr *dest = (glue_dest_mgr *)cinfo->dest;
  glue_write_out(cinfo, GLUE_BUFFER_SIZE);
  dest->pub.next_output_byte = dest->buffer;
  dest->pub.free_in_buffer = GLUE_BUFFER_SIZE;
  return TRUE;
}

static void glue_term_destination(j_compress_ptr cinfo) {
  glue_dest_mgr *dest = (glue_dest_mgr *)cinfo->dest;
  int count = GLUE_BUFFER_SIZE - (int)dest->pub.free_in_buffer;
  if (count > 0) glue_write_out(cinfo, count);
}

/* ---- Encoding ---- */

struct jpeg_lib_writer {
  struct jpeg_compress_struct cinfo;
  glue_error_mgr err;
  glue_dest_mgr dest;
};

static int glue_create_writer(jpeg_lib_writer *writer) {
  GLUE_GUARD(&writer->err, 0)
  jpeg_create_compress(&writer->cinfo);
  GLUE_END_GUARD(&writer->err);
  return 1;
}

jpeg_lib_writer *jpeg_lib_writer_create(jpeg_lib_flag *aborting, jpeg_lib_write_fn write, void *stream) {
  jpeg_lib_writer *writer = (jpeg_lib_writer *)calloc(1, sizeof(jpeg_lib_writer));
  if (!writer) return NULL;
  glue_init_error_mgr(&writer->err, aborting);
  writer->cinfo.err = &writer->err.pub;
  if (!glue_create_writer(writer)) {
    jpeg_destroy_compress(&writer->cinfo);
    free(writer);
    return NULL;
  }
  writer->dest.pub.init_destination = glue_init_destination;
  writer->dest.pub.empty_output_buffer = glue_empty_output_buffer;
  writer->dest.pub.term_destination = glue_term_destination;
  writer->dest.write = write;
  writer->dest.stream = stream;
  writer->dest.aborting = aborting;
  writer->cinfo.dest = &writer->dest.pub;
  return writer;
}

void jpeg_lib_writer_destroy(jpeg_lib_writer *writer) {
  if (!writer) return;
  jpeg_destroy_compress(&writer->cinfo);
  free(writer);
}

static unsigned glue_density(int value) {
  if (value < 1) return 1;
  if (value > 65535) return 65535;
  return (unsigned)value;
}

int jpeg_lib_writer_start(jpeg_lib_writer *writer, const jpeg_lib_encode_options *options) {
  struct jpeg_compress_struct *cinfo = &writer->cinfo;
  GLUE_GUARD(&writer->err, 0)
  cinfo->image_width = (JDIMENSION)options->width;
  cinfo->image_height = (JDIMENSION)options->height;
  if (options->in_components == 4) {
    cinfo->input_components = 4;
    cinfo->in_color_space = JCS_CMYK;
  } else {
    cinfo->input_components = 3;
    cinfo->in_color_space = JCS_EXT_BGR;
  }
  jpeg_set_defaults(cinfo);
  jpeg_set_colorspace(cinfo, glue_color_space(options->jpeg_color_space));
  cinfo->density_unit = 1;
  cinfo->X_density = (UINT16)glue_density(options->x_density);
  cinfo->Y_density = (UINT16)glue_density(options->y_density);
  glue_set_dct(&cinfo->dct_method, options->dct_method);
  cinfo->optimize_coding = options->optimize_coding ? TRUE : FALSE;
  cinfo->smoothing_factor = options->smoothing < 0 ? 0 : options->smoothing > 100 ? 100 : options->smoothing;
  jpeg_set_quality(cinfo, options->quality, TRUE);
  if (options->luma_h > 0 && options->luma_v > 0 && cinfo->num_components >= 3) {
    cinfo->comp_info[0].h_samp_factor = options->luma_h;
    cinfo->comp_info[0].v_samp_factor = options->luma_v;
    cinfo->comp_info[1].h_samp_factor = 1;
    cinfo->comp_info[1].v_samp_factor = 1;
    cinfo->comp_info[2].h_samp_factor = 1;
    cinfo->comp_info[2].v_samp_factor = 1;
  }
  if (options->force_jfif) cinfo->write_JFIF_header = TRUE;
  if (options->progressive) jpeg_simple_progression(cinfo);
  jpeg_start_compress(cinfo, TRUE);
  GLUE_END_GUARD(&writer->err);
  return 1;
}

int jpeg_lib_writer_write_marker(jpeg_lib_writer *writer, int code, const unsigned char *data, unsigned length) {
  GLUE_GUARD(&writer->err, 0)
  jpeg_write_marker(&writer->cinfo, code, data, length);
  GLUE_END_GUARD(&writer->err);
  return 1;
}

int jpeg_lib_writer_write_row(jpeg_lib_writer *writer, const unsigned char *row) {
  JSAMPROW rows[1];
  JDIMENSION count;
  rows[0] = (JSAMPROW)row;
  GLUE_GUARD(&writer->err, -1)
  count = jpeg_write_scanlines(&writer->cinfo, rows, 1);
  GLUE_END_GUARD(&writer->err);
  return (int)count;
}

int jpeg_lib_writer_next_scanline(jpeg_lib_writer *writer) { return (int)writer->cinfo.next_scanline; }

int jpeg_lib_writer_finish(jpeg_lib_writer *writer) {
  GLUE_GUARD(&writer->err, 0)
  jpeg_finish_compress(&writer->cinfo);
  GLUE_END_GUARD(&writer->err);
  return 1;
}

int jpeg_lib_writer_error_code(jpeg_lib_writer *writer) { return writer->err.error_code; }

/* ---- Direct decompressor access ---- */

static glue_error_mgr *glue_direct_err(struct jpeg_decompress_struct *cinfo) {
  return (glue_error_mgr *)cinfo->err;
}

struct jpeg_decompress_struct *jpeg_lib_direct_new(void) {
  return (struct jpeg_decompress_struct *)calloc(1, sizeof(struct jpeg_decompress_struct));
}

void jpeg_lib_direct_free(struct jpeg_decompress_struct *cinfo) { free(cinfo); }

struct jpeg_error_mgr *jpeg_lib_direct_new_error_mgr(struct jpeg_decompress_struct *cinfo) {
  glue_error_mgr *err = (glue_error_mgr *)calloc(1, sizeof(glue_error_mgr));
  if (!err) return NULL;
  glue_init_error_mgr(err, NULL);
  if (cinfo) cinfo->err = &err->pub;
  return &err->pub;
}

void jpeg_lib_direct_free_error_mgr(struct jpeg_error_mgr *err) { free(err); }

int jpeg_lib_direct_error_code(struct jpeg_decompress_struct *cinfo) {
  return cinfo->err ? glue_direct_err(cinfo)->error_code : 0;
}

int jpeg_lib_direct_create(struct jpeg_decompress_struct *cinfo) {
  /* Creating clears the record, error manager slot included. */
  struct jpeg_error_mgr *keep = cinfo->err;
  glue_error_mgr *err = glue_direct_err(cinfo);
  GLUE_GUARD(err, 0)
  jpeg_create_decompress(cinfo);
  cinfo->err = keep;
  GLUE_END_GUARD(err);
  return 1;
}

void jpeg_lib_direct_destroy(struct jpeg_decompress_struct *cinfo) { jpeg_destroy_decompress(cinfo); }

int jpeg_lib_direct_stream_source(struct jpeg_decompress_struct *cinfo, jpeg_lib_read_fn read, void *stream) {
  glue_error_mgr *err = glue_direct_err(cinfo);
  GLUE_GUARD(err, 0)
  glue_attach_source(cinfo, read, stream, NULL);
  GLUE_END_GUARD(err);
  return 1;
}

void jpeg_lib_direct_set_fill(struct jpeg_decompress_struct *cinfo, int (*fill)(struct jpeg_decompress_struct *)) {
  if (cinfo->src) cinfo->src->fill_input_buffer = (boolean(*)(j_decompress_ptr))fill;
}

void jpeg_lib_direct_set_buffer(struct jpeg_decompress_struct *cinfo, const unsigned char *next, int count) {
  if (!cinfo->src) return;
  cinfo->src->next_input_byte = next;
  cinfo->src->bytes_in_buffer = count > 0 ? (size_t)count : 0;
}

int jpeg_lib_direct_read_header(struct jpeg_decompress_struct *cinfo, int *result) {
  glue_error_mgr *err = glue_direct_err(cinfo);
  GLUE_GUARD(err, 0)
  *result = jpeg_read_header(cinfo, TRUE);
  GLUE_END_GUARD(err);
  return 1;
}

int jpeg_lib_direct_start(struct jpeg_decompress_struct *cinfo, int *result) {
  glue_error_mgr *err = glue_direct_err(cinfo);
  GLUE_GUARD(err, 0)
  *result = jpeg_start_decompress(cinfo) ? 1 : 0;
  GLUE_END_GUARD(err);
  return 1;
}

void jpeg_lib_direct_output_info(struct jpeg_decompress_struct *cinfo, int *width, int *height, int *components,
                                 int *scanline) {
  if (width) *width = (int)cinfo->output_width;
  if (height) *height = (int)cinfo->output_height;
  if (components) *components = cinfo->output_components;
  if (scanline) *scanline = (int)cinfo->output_scanline;
}

int jpeg_lib_direct_alloc_rows(struct jpeg_decompress_struct *cinfo, int samples_per_row, int rows,
                               unsigned char ***result) {
  glue_error_mgr *err = glue_direct_err(cinfo);
  if (samples_per_row < 1 || rows < 1) {
    err->error_code = JERR_BAD_ALLOC_CHUNK;
    return 0;
  }
  {
    GLUE_GUARD(err, 0)
    *result = (*cinfo->mem->alloc_sarray)((j_common_ptr)cinfo, JPOOL_IMAGE, (JDIMENSION)samples_per_row,
                                          (JDIMENSION)rows);
    GLUE_END_GUARD(err);
  }
  return 1;
}

int jpeg_lib_direct_read_scanlines(struct jpeg_decompress_struct *cinfo, unsigned char **rows, int max_lines,
                                   int *result) {
  glue_error_mgr *err = glue_direct_err(cinfo);
  GLUE_GUARD(err, 0)
  *result = (int)jpeg_read_scanlines(cinfo, rows, max_lines > 0 ? (JDIMENSION)max_lines : 0);
  GLUE_END_GUARD(err);
  return 1;
}

int jpeg_lib_direct_finish(struct jpeg_decompress_struct *cinfo, int *result) {
  glue_error_mgr *err = glue_direct_err(cinfo);
  GLUE_GUARD(err, 0)
  *result = jpeg_finish_decompress(cinfo) ? 1 : 0;
  GLUE_END_GUARD(err);
  return 1;
}

/* ---- Whole pictures in memory ---- */

/* A strict error manager whose failures jump to the calling function's own escape, which
 * cleans up and answers the message code. */
static void mem_init_error(glue_error_mgr *err, jmp_buf *escape) {
  glue_init_error_mgr(err, NULL);
  err->strict = 1;
  err->escape = escape;
}

static int mem_failure_code(const glue_error_mgr *err) {
  return err->error_code ? err->error_code : JERR_UNKNOWN_MARKER;
}

static int mem_is_cmyk(const struct jpeg_decompress_struct *cinfo) {
  return cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
}

/* Applies the options to a decompressor whose headers have been read. */
static void mem_apply_decode_options(struct jpeg_decompress_struct *cinfo, const jpeg_lib_mem_decode_options *options) {
  int grey = options->grayscale || cinfo->num_components == 1;
  cinfo->scale_num = 1;
  cinfo->scale_denom = (unsigned)options->scale_denom;
  if (grey)
    cinfo->out_color_space = JCS_GRAYSCALE;
  else if (mem_is_cmyk(cinfo))
    cinfo->out_color_space = JCS_CMYK; /* turned into blue, green, red row by row */
  else
    cinfo->out_color_space = JCS_EXT_BGR;
  if (options->quantize_colors && !grey && !mem_is_cmyk(cinfo)) {
    cinfo->quantize_colors = TRUE;
    cinfo->desired_number_of_colors = options->quantize_colors;
    cinfo->two_pass_quantize = options->two_pass_quantize ? TRUE : FALSE;
  }
  if (options->fast) {
    cinfo->dct_method = JDCT_IFAST;
    cinfo->do_fancy_upsampling = FALSE;
    cinfo->two_pass_quantize = FALSE;
    cinfo->dither_mode = JDITHER_ORDERED;
  }
  cinfo->do_block_smoothing = options->block_smoothing ? TRUE : FALSE;
}

static void mem_fill_info(struct jpeg_decompress_struct *cinfo, jpeg_lib_mem_info *info) {
  info->image_width = (int)cinfo->image_width;
  info->image_height = (int)cinfo->image_height;
  info->width = (int)cinfo->output_width;
  info->height = (int)cinfo->output_height;
  info->channels = (cinfo->out_color_space == JCS_GRAYSCALE || cinfo->quantize_colors) ? 1 : 3;
  info->progressive = cinfo->progressive_mode ? 1 : 0;
  info->palette_size = 0;
}

int jpeg_lib_mem_read_info(const unsigned char *data, size_t size, const jpeg_lib_mem_decode_options *options,
                           jpeg_lib_mem_info *info) {
  struct jpeg_decompress_struct cinfo;
  glue_error_mgr err;
  jmp_buf escape;
  memset(info, 0, sizeof *info);
  mem_init_error(&err, &escape);
  cinfo.err = &err.pub;
  if (setjmp(escape)) {
    jpeg_destroy_decompress(&cinfo);
    return mem_failure_code(&err);
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data, (unsigned long)size);
  jpeg_read_header(&cinfo, TRUE);
  mem_apply_decode_options(&cinfo, options);
  jpeg_calc_output_dimensions(&cinfo);
  mem_fill_info(&cinfo, info);
  jpeg_destroy_decompress(&cinfo);
  return 0;
}

/* Adobe writes CMYK inverted (0 is full ink); other writers do not. */
static void mem_cmyk_to_bgr(const unsigned char *cmyk, unsigned char *bgr, int width, int inverted) {
  int x;
  for (x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
    int c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
    if (!inverted) {
      c = 255 - c;
      m = 255 - m;
      y = 255 - y;
      k = 255 - k;
    }
    bgr[0] = (unsigned char)((y * k + 127) / 255);
    bgr[1] = (unsigned char)((m * k + 127) / 255);
    bgr[2] = (unsigned char)((c * k + 127) / 255);
  }
}

int jpeg_lib_mem_decode(const unsigned char *data, size_t size, const jpeg_lib_mem_decode_options *options,
                        jpeg_lib_mem_info *info, unsigned char *first_row, ptrdiff_t row_step) {
  struct jpeg_decompress_struct cinfo;
  glue_error_mgr err;
  jmp_buf escape;
  unsigned char *volatile cmyk_row = NULL;
  memset(info, 0, sizeof *info);
  mem_init_error(&err, &escape);
  cinfo.err = &err.pub;
  if (setjmp(escape)) {
    free(cmyk_row);
    jpeg_destroy_decompress(&cinfo);
    return mem_failure_code(&err);
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data, (unsigned long)size);
  jpeg_read_header(&cinfo, TRUE);
  mem_apply_decode_options(&cinfo, options);
  jpeg_start_decompress(&cinfo);
  mem_fill_info(&cinfo, info);
  if (cinfo.quantize_colors) {
    int i;
    info->palette_size = cinfo.actual_number_of_colors;
    for (i = 0; i < cinfo.actual_number_of_colors && i < 256; ++i) {
      info->palette[i][0] = cinfo.colormap[0][i];
      info->palette[i][1] = cinfo.colormap[1][i];
      info->palette[i][2] = cinfo.colormap[2][i];
    }
  }
  if (cinfo.out_color_space == JCS_CMYK) {
    cmyk_row = (unsigned char *)malloc((size_t)cinfo.output_width * 4);
    if (!cmyk_row) ERREXIT(&cinfo, JERR_OUT_OF_MEMORY);
  }
  while (cinfo.output_scanline < cinfo.output_height) {
    unsigned char *row = first_row + (ptrdiff_t)cinfo.output_scanline * row_step;
    JSAMPROW target = cmyk_row ? cmyk_row : row;
    jpeg_read_scanlines(&cinfo, &target, 1);
    if (cmyk_row) mem_cmyk_to_bgr(cmyk_row, row, (int)cinfo.output_width, cinfo.saw_Adobe_marker);
  }
  err.rows_complete = 1;
  jpeg_finish_decompress(&cinfo);
  free(cmyk_row);
  jpeg_destroy_decompress(&cinfo);
  return 0;
}

int jpeg_lib_mem_encode(const unsigned char *first_row, ptrdiff_t row_step, int width, int height, int channels,
                        const jpeg_lib_mem_encode_options *options, unsigned char **out, size_t *out_size) {
  struct jpeg_compress_struct cinfo;
  glue_error_mgr err;
  jmp_buf escape;
  unsigned char *volatile buffer = NULL;
  unsigned long buffer_size = 0;
  *out = NULL;
  *out_size = 0;
  mem_init_error(&err, &escape);
  cinfo.err = &err.pub;
  if (setjmp(escape)) {
    jpeg_destroy_compress(&cinfo);
    free(buffer);
    return mem_failure_code(&err);
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, (unsigned char **)&buffer, &buffer_size);
  cinfo.image_width = (JDIMENSION)width;
  cinfo.image_height = (JDIMENSION)height;
  cinfo.input_components = channels;
  cinfo.in_color_space = channels == 1 ? JCS_GRAYSCALE : JCS_EXT_BGR;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, options->quality, TRUE);
  if (options->grayscale) jpeg_set_colorspace(&cinfo, JCS_GRAYSCALE);
  if (options->progressive) jpeg_simple_progression(&cinfo);
  if (options->fast) cinfo.dct_method = JDCT_IFAST;
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = (JSAMPROW)(first_row + (ptrdiff_t)cinfo.next_scanline * row_step);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  *out = buffer;
  *out_size = buffer_size;
  return 0;
}

void jpeg_lib_mem_free(unsigned char *data) { free(data); }

int jpeg_lib_truncated_code(void) { return JERR_INPUT_EOF; }

/* The JPEG codec glue. The codec library reports fatal errors through its error manager,
 * which here jumps back (longjmp) to the function that called the library and turns the
 * error into a return code, so nothing unwinds through the library. */
#include "clib/jpeg_memory.h"

#include <setjmp.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <jpeglib.h>
/* after jpeglib.h: the message list depends on its configuration */
#include <jerror.h>

typedef struct {
  struct jpeg_error_mgr pub;
  jmp_buf jump;
  int code;
  /* Once every row is decoded, damage in what follows them loses nothing and is let pass. */
  int rows_complete;
} codec_error;

static void codec_error_exit(j_common_ptr cinfo) {
  codec_error *err = (codec_error *)cinfo->err;
  err->code = err->pub.msg_code;
  longjmp(err->jump, 1);
}

/* Warnings that mean the coded data is damaged or cut short: the decoded picture would be
 * wrong, so they fail the decoding instead of passing unnoticed. */
static int is_damage_warning(int code) {
  return code == JWRN_HIT_MARKER || code == JWRN_HUFF_BAD_CODE || code == JWRN_MUST_RESYNC ||
         code == JWRN_JPEG_EOF || code == JWRN_ARITH_BAD_CODE;
}

static void codec_emit_message(j_common_ptr cinfo, int msg_level) {
  codec_error *err = (codec_error *)cinfo->err;
  if (msg_level < 0 && is_damage_warning(err->pub.msg_code) && !err->rows_complete) {
    err->code = err->pub.msg_code;
    longjmp(err->jump, 1);
  }
}

static void codec_output_message(j_common_ptr cinfo) { (void)cinfo; }

static void init_error(codec_error *err) {
  jpeg_std_error(&err->pub);
  err->pub.error_exit = codec_error_exit;
  err->pub.emit_message = codec_emit_message;
  err->pub.output_message = codec_output_message;
  err->code = 0;
  err->rows_complete = 0;
}

static int is_cmyk(const struct jpeg_decompress_struct *cinfo) {
  return cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
}

/* Applies the options to a decompressor whose headers have been read. */
static void apply_decode_options(struct jpeg_decompress_struct *cinfo, const jpeg_codec_decode_options *options) {
  int grey = options->grayscale || cinfo->num_components == 1;
  cinfo->scale_num = 1;
  cinfo->scale_denom = (unsigned)options->scale_denom;
  if (grey)
    cinfo->out_color_space = JCS_GRAYSCALE;
  else if (is_cmyk(cinfo))
    cinfo->out_color_space = JCS_CMYK; /* turned into blue, green, red row by row */
  else
    cinfo->out_color_space = JCS_EXT_BGR;
  if (options->quantize_colors && !grey && !is_cmyk(cinfo)) {
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

static void fill_info(struct jpeg_decompress_struct *cinfo, jpeg_codec_info *info) {
  info->image_width = (int)cinfo->image_width;
  info->image_height = (int)cinfo->image_height;
  info->width = (int)cinfo->output_width;
  info->height = (int)cinfo->output_height;
  info->channels = (cinfo->out_color_space == JCS_GRAYSCALE || cinfo->quantize_colors) ? 1 : 3;
  info->progressive = cinfo->progressive_mode ? 1 : 0;
  info->palette_size = 0;
}

int jpeg_codec_read_info(const unsigned char *data, size_t size, const jpeg_codec_decode_options *options,
                         jpeg_codec_info *info) {
  struct jpeg_decompress_struct cinfo;
  codec_error err;
  memset(info, 0, sizeof *info);
  cinfo.err = &err.pub;
  init_error(&err);
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return err.code ? err.code : JERR_UNKNOWN_MARKER;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data, (unsigned long)size);
  jpeg_read_header(&cinfo, TRUE);
  apply_decode_options(&cinfo, options);
  jpeg_calc_output_dimensions(&cinfo);
  fill_info(&cinfo, info);
  jpeg_destroy_decompress(&cinfo);
  return 0;
}

/* Adobe writes CMYK inverted (0 is full ink); other writers do not. */
static void cmyk_to_bgr(const unsigned char *cmyk, unsigned char *bgr, int width, int inverted) {
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

int jpeg_codec_decode(const unsigned char *data, size_t size, const jpeg_codec_decode_options *options,
                      jpeg_codec_info *info, unsigned char *first_row, ptrdiff_t row_step) {
  struct jpeg_decompress_struct cinfo;
  codec_error err;
  unsigned char *volatile cmyk_row = NULL;
  memset(info, 0, sizeof *info);
  cinfo.err = &err.pub;
  init_error(&err);
  if (setjmp(err.jump)) {
    free(cmyk_row);
    jpeg_destroy_decompress(&cinfo);
    return err.code ? err.code : JERR_UNKNOWN_MARKER;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data, (unsigned long)size);
  jpeg_read_header(&cinfo, TRUE);
  apply_decode_options(&cinfo, options);
  jpeg_start_decompress(&cinfo);
  fill_info(&cinfo, info);
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
    if (cmyk_row) cmyk_to_bgr(cmyk_row, row, (int)cinfo.output_width, cinfo.saw_Adobe_marker);
  }
  err.rows_complete = 1;
  jpeg_finish_decompress(&cinfo);
  free(cmyk_row);
  jpeg_destroy_decompress(&cinfo);
  return 0;
}

int jpeg_codec_encode(const unsigned char *first_row, ptrdiff_t row_step, int width, int height, int channels,
                      const jpeg_codec_encode_options *options, unsigned char **out, size_t *out_size) {
  struct jpeg_compress_struct cinfo;
  codec_error err;
  unsigned char *volatile buffer = NULL;
  unsigned long buffer_size = 0;
  *out = NULL;
  *out_size = 0;
  cinfo.err = &err.pub;
  init_error(&err);
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&cinfo);
    free(buffer);
    return err.code ? err.code : JERR_UNKNOWN_MARKER;
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

void jpeg_codec_free(unsigned char *data) { free(data); }

int jpeg_codec_truncated_code(void) { return JERR_INPUT_EOF; }

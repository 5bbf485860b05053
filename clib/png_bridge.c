#include "clib/png_bridge.h"

/* libpng is the system's native library: its header must see a native build, not the Windows
 * target the Winelib compiler announces, or every call and callback would be declared with the
 * Windows calling convention. */
#undef _WIN32
#undef __WIN32__
#undef WIN32
#include <png.h>
#include <setjmp.h>
#include <stdlib.h>
#include <string.h>

struct png_lib_reader {
  png_structp png;
  png_infop info;
  void *stream;
  png_lib_read_fn read;
};

static void error_exit(png_structp png, png_const_charp message) {
  (void)message;
  png_longjmp(png, 1);
}

static void warning_ignored(png_structp png, png_const_charp message) {
  (void)png;
  (void)message;
}

static void read_data(png_structp png, png_bytep data, size_t length) {
  png_lib_reader *reader = (png_lib_reader *)png_get_io_ptr(png);
  if (length > 0x7FFFFFFF || reader->read(reader->stream, data, (int)length) != (int)length)
    png_error(png, "read past the end of the data");
}

png_lib_reader *png_lib_reader_create(void *stream, png_lib_read_fn read) {
  png_lib_reader *reader = (png_lib_reader *)calloc(1, sizeof(png_lib_reader));
  if (!reader) return NULL;
  reader->stream = stream;
  reader->read = read;
  reader->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, NULL, error_exit, warning_ignored);
  if (reader->png) reader->info = png_create_info_struct(reader->png);
  if (!reader->png || !reader->info) {
    png_lib_reader_destroy(reader);
    return NULL;
  }
  png_set_read_fn(reader->png, reader, read_data);
  /* Damaged ancillary chunks are an error, as damaged critical ones are. */
  png_set_crc_action(reader->png, PNG_CRC_ERROR_QUIT, PNG_CRC_ERROR_QUIT);
  return reader;
}

void png_lib_reader_destroy(png_lib_reader *reader) {
  if (!reader) return;
  if (reader->png) png_destroy_read_struct(&reader->png, reader->info ? &reader->info : NULL, NULL);
  free(reader);
}

int png_lib_read_info(png_lib_reader *reader, png_lib_info *out) {
  png_structp png = reader->png;
  png_infop info = reader->info;
  png_uint_32 width, height;
  int depth, colour, interlace;
  png_colorp palette;
  int count;
  png_color_16p background;
  png_uint_32 x, y;
  int unit;
  png_textp text;
  memset(out, 0, sizeof(*out));
  if (setjmp(png_jmpbuf(png))) return 0;
  png_read_info(png, info);
  png_get_IHDR(png, info, &width, &height, &depth, &colour, &interlace, NULL, NULL);
  out->width = width;
  out->height = height;
  out->bit_depth = depth;
  out->color_type = colour;
  out->interlaced = interlace != PNG_INTERLACE_NONE;
  if (png_get_PLTE(png, info, &palette, &count) && count > 0) {
    int i;
    if (count > 256) count = 256;
    out->palette_count = count;
    for (i = 0; i < count; ++i) {
      out->palette[i * 3] = palette[i].red;
      out->palette[i * 3 + 1] = palette[i].green;
      out->palette[i * 3 + 2] = palette[i].blue;
    }
  }
  out->has_transparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  if (png_get_bKGD(png, info, &background)) {
    out->has_background = 1;
    out->background_index = background->index;
    out->background_red = background->red;
    out->background_green = background->green;
    out->background_blue = background->blue;
    out->background_gray = background->gray;
  }
  if (png_get_pHYs(png, info, &x, &y, &unit) && unit == PNG_RESOLUTION_METER) {
    out->has_resolution = 1;
    out->resolution_x = x;
    out->resolution_y = y;
  }
  out->text_count = png_get_text(png, info, &text, NULL);
  return 1;
}

int png_lib_text(png_lib_reader *reader, int index, const char **key, const char **value, size_t *length) {
  png_textp text;
  int count = png_get_text(reader->png, reader->info, &text, NULL);
  if (index < 0 || index >= count) return 0;
  *key = text[index].key;
  *value = text[index].text ? text[index].text : "";
  *length = text[index].text ? (text[index].compression > 0 ? text[index].itxt_length : text[index].text_length)
                             : 0;
  return 1;
}

int png_lib_icc_profile(png_lib_reader *reader, const unsigned char **data, unsigned *length) {
  png_charp name;
  int compression;
  png_bytep profile;
  png_uint_32 size;
  if (!png_get_iCCP(reader->png, reader->info, &name, &compression, &profile, &size)) return 0;
  *data = profile;
  *length = size;
  return 1;
}

int png_lib_start_image(png_lib_reader *reader, int transforms, size_t *row_bytes, int *channels) {
  png_structp png = reader->png;
  if (setjmp(png_jmpbuf(png))) return 0;
  if (transforms & PNG_LIB_EXPAND) png_set_expand(png);
  if (transforms & PNG_LIB_STRIP_16) png_set_strip_16(png);
  if (transforms & PNG_LIB_GRAY_TO_RGB) png_set_gray_to_rgb(png);
  if (transforms & PNG_LIB_BGR) png_set_bgr(png);
  if (transforms & PNG_LIB_SWAP_16) png_set_swap(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, reader->info);
  *row_bytes = png_get_rowbytes(png, reader->info);
  *channels = png_get_channels(png, reader->info);
  return 1;
}

int png_lib_read_image(png_lib_reader *reader, unsigned char **rows) {
  png_structp png = reader->png;
  if (setjmp(png_jmpbuf(png))) return 0;
  png_read_image(png, rows);
  png_read_end(png, NULL);
  return 1;
}

typedef struct {
  void *stream;
  png_lib_write_fn write;
  int failed;
} write_target;

static void write_data(png_structp png, png_bytep data, size_t length) {
  write_target *target = (write_target *)png_get_io_ptr(png);
  if (length > 0x7FFFFFFF || target->write(target->stream, data, (int)length) != (int)length) {
    target->failed = 1;
    png_error(png, "write failed");
  }
}

static void flush_nothing(png_structp png) { (void)png; }

int png_lib_write(void *stream, png_lib_write_fn write, const png_lib_write_info *in, unsigned char **rows) {
  write_target target = {stream, write, 0};
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, NULL, error_exit, warning_ignored);
  png_infop info = png ? png_create_info_struct(png) : NULL;
  png_color palette[256];
  png_text *volatile texts = NULL;
  volatile int ok = 0;
  if (!png || !info) {
    if (png) png_destroy_write_struct(&png, NULL);
    return 0;
  }
  if (setjmp(png_jmpbuf(png))) goto done;
  png_set_write_fn(png, &target, write_data, flush_nothing);
  png_set_IHDR(png, info, in->width, in->height, in->bit_depth, in->color_type,
               in->interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (in->resolution_x > 0 && in->resolution_y > 0)
    png_set_pHYs(png, info, in->resolution_x, in->resolution_y, PNG_RESOLUTION_METER);
  if (in->filter == 0) png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
  if (in->filter == 1) png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
  if (in->filter == 2) png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_PAETH);
  png_set_compression_level(png, in->compression_level);
  if (in->palette_count > 0) {
    int i;
    for (i = 0; i < in->palette_count && i < 256; ++i) {
      palette[i].red = in->palette[i * 3];
      palette[i].green = in->palette[i * 3 + 1];
      palette[i].blue = in->palette[i * 3 + 2];
    }
    png_set_PLTE(png, info, palette, i);
  }
  if (in->transparency_count > 0)
    png_set_tRNS(png, info, (png_bytep)in->transparency, in->transparency_count, NULL);
  if (in->has_background) {
    png_color_16 background;
    memset(&background, 0, sizeof(background));
    background.index = (png_byte)in->background_index;
    background.red = (png_uint_16)in->background_red;
    background.green = (png_uint_16)in->background_green;
    background.blue = (png_uint_16)in->background_blue;
    background.gray = (png_uint_16)in->background_gray;
    png_set_bKGD(png, info, &background);
  }
  if (in->text_count > 0) {
    int i;
    texts = (png_text *)calloc((size_t)in->text_count, sizeof(png_text));
    if (!texts) goto done;
    for (i = 0; i < in->text_count; ++i) {
      texts[i].compression = PNG_TEXT_COMPRESSION_NONE;
      texts[i].key = (png_charp)in->text_keys[i];
      texts[i].text = (png_charp)in->text_values[i];
      texts[i].text_length = strlen(in->text_values[i]);
    }
    png_set_text(png, info, texts, in->text_count);
  }
  png_write_info(png, info);
  if (in->bgr) png_set_bgr(png);
  if (in->swap_16) png_set_swap(png);
  png_write_image(png, rows);
  png_write_end(png, info);
  ok = !target.failed;
done:
  png_destroy_write_struct(&png, &info);
  free((void *)texts);
  return ok;
}

/* OpenJPEG behind plain types. The library is a Unix library: its header must see the Unix
 * definitions (no DLL import, no __stdcall), whatever the Winelib compiler defines. */
#undef _WIN32
#undef WIN32
#include <openjpeg-2.5/openjpeg.h>

#include "clib/openjpeg_bridge.h"

#include <stdlib.h>
#include <string.h>

/* ---- memory streams ---- */

typedef struct {
  const unsigned char *data;
  size_t size;
  size_t pos;
} source_buffer;

static OPJ_SIZE_T source_read(void *buffer, OPJ_SIZE_T count, void *user) {
  source_buffer *s = (source_buffer *)user;
  size_t left = s->pos < s->size ? s->size - s->pos : 0;
  if (left == 0) return (OPJ_SIZE_T)-1;
  if (count > left) count = left;
  memcpy(buffer, s->data + s->pos, count);
  s->pos += count;
  return count;
}

static OPJ_OFF_T source_skip(OPJ_OFF_T count, void *user) {
  source_buffer *s = (source_buffer *)user;
  if (count < 0) {
    if ((size_t)(-count) > s->pos) return -1;
  } else if ((size_t)count > s->size - s->pos) {
    count = (OPJ_OFF_T)(s->size - s->pos);
  }
  s->pos = (size_t)((OPJ_OFF_T)s->pos + count);
  return count;
}

static OPJ_BOOL source_seek(OPJ_OFF_T position, void *user) {
  source_buffer *s = (source_buffer *)user;
  if (position < 0 || (OPJ_UINT64)position > s->size) return OPJ_FALSE;
  s->pos = (size_t)position;
  return OPJ_TRUE;
}

typedef struct {
  unsigned char *data;
  size_t size;     /* bytes written so far (the end of the file) */
  size_t capacity;
  size_t pos;
  int failed;
} target_buffer;

static int target_reserve(target_buffer *t, size_t end) {
  if (end <= t->capacity) return 1;
  size_t capacity = t->capacity ? t->capacity : 65536;
  while (capacity < end) {
    if (capacity > ((size_t)-1) / 2) return 0;
    capacity *= 2;
  }
  unsigned char *grown = (unsigned char *)realloc(t->data, capacity);
  if (!grown) return 0;
  t->data = grown;
  t->capacity = capacity;
  return 1;
}

static OPJ_SIZE_T target_write(void *buffer, OPJ_SIZE_T count, void *user) {
  target_buffer *t = (target_buffer *)user;
  if (count > ((size_t)-1) - t->pos || !target_reserve(t, t->pos + count)) {
    t->failed = 1;
    return (OPJ_SIZE_T)-1;
  }
  if (t->pos > t->size) memset(t->data + t->size, 0, t->pos - t->size);
  memcpy(t->data + t->pos, buffer, count);
  t->pos += count;
  if (t->pos > t->size) t->size = t->pos;
  return count;
}

static OPJ_OFF_T target_skip(OPJ_OFF_T count, void *user) {
  target_buffer *t = (target_buffer *)user;
  if (count < 0 && (size_t)(-count) > t->pos) return -1;
  t->pos = (size_t)((OPJ_OFF_T)t->pos + count);
  return count;
}

static OPJ_BOOL target_seek(OPJ_OFF_T position, void *user) {
  target_buffer *t = (target_buffer *)user;
  if (position < 0) return OPJ_FALSE;
  t->pos = (size_t)position;
  return OPJ_TRUE;
}

static void quiet(const char *message, void *user) {
  (void)message;
  (void)user;
}

static void silence(opj_codec_t *codec) {
  opj_set_info_handler(codec, quiet, NULL);
  opj_set_warning_handler(codec, quiet, NULL);
  opj_set_error_handler(codec, quiet, NULL);
}

/* ---- decoding ---- */

typedef struct {
  opj_image_t *image;
} decoded;

static int color_space_of(OPJ_COLOR_SPACE space) {
  switch (space) {
    case OPJ_CLRSPC_UNKNOWN:
    case OPJ_CLRSPC_UNSPECIFIED: return J2K_LIB_UNSPECIFIED;
    case OPJ_CLRSPC_SRGB: return J2K_LIB_SRGB;
    case OPJ_CLRSPC_GRAY: return J2K_LIB_GRAY;
    case OPJ_CLRSPC_SYCC: return J2K_LIB_SYCC;
    default: return J2K_LIB_OTHER;
  }
}

static unsigned ceil_div(unsigned a, unsigned b) { return b ? (unsigned)(((unsigned long long)a + b - 1) / b) : 0; }

static unsigned read16(const unsigned char *p) { return ((unsigned)p[0] << 8) | p[1]; }
static unsigned long read32(const unsigned char *p) {
  return ((unsigned long)p[0] << 24) | ((unsigned long)p[1] << 16) | ((unsigned long)p[2] << 8) | p[3];
}

/* Where the code stream starts: at 0 for a bare code stream, inside the "jp2c" box of a JP2
 * file. Its end is stored in *end. -1 when there is none. */
static long code_stream_start(const unsigned char *data, size_t size, int format, size_t *end) {
  size_t at = 0;
  *end = size;
  if (format != J2K_LIB_JP2) return 0;
  while (at + 8 <= size) {
    unsigned long long length = read32(data + at);
    size_t header = 8;
    if (length == 1) {
      if (at + 16 > size) return -1;
      length = ((unsigned long long)read32(data + at + 8) << 32) | read32(data + at + 12);
      header = 16;
    } else if (length == 0) {
      length = size - at;
    }
    if (length < header || length > size - at) length = size - at; /* a cut last box: the decoder judges it */
    if (memcmp(data + at + 4, "jp2c", 4) == 0) {
      *end = at + (size_t)length;
      return (long)(at + header);
    }
    at += (size_t)length;
  }
  return -1;
}

/* Whether the code stream holds a tile-part for every tile its size marker declares. The
 * standard requires every tile; a damaged size that declares thousands of tiles (a flipped bit
 * in the height, say) would otherwise make the decoder allocate and transform the whole
 * declared area before the missing data show. Checked on the markers alone, before decoding. */
static int all_tiles_present(const unsigned char *data, size_t size, int format) {
  size_t end, at;
  const long start = code_stream_start(data, size, format, &end);
  unsigned long xsiz, ysiz, xtsiz, ytsiz, xtosiz, ytosiz;
  unsigned long long across, down, tiles, found = 0;
  unsigned char *seen;
  int complete;
  if (start < 0 || (size_t)start + 4 + 40 > end) return 0;
  at = (size_t)start;
  if (read16(data + at) != 0xFF4F || read16(data + at + 2) != 0xFF51) return 0;
  xsiz = read32(data + at + 8);
  ysiz = read32(data + at + 12);
  xtsiz = read32(data + at + 24);
  ytsiz = read32(data + at + 28);
  xtosiz = read32(data + at + 32);
  ytosiz = read32(data + at + 36);
  if (xtsiz == 0 || ytsiz == 0 || xtosiz >= xsiz || ytosiz >= ysiz) return 0;
  across = (xsiz - xtosiz + xtsiz - 1) / xtsiz;
  down = (ysiz - ytosiz + ytsiz - 1) / ytsiz;
  tiles = across * down;
  /* Tile indexes are 16 bits; each tile-part takes at least its 14 marker bytes. */
  if (tiles == 0 || tiles > 65535 || tiles * 14 > end - (size_t)start) return 0;
  /* The main header's marker segments, up to the first tile-part. */
  at += 2;
  while (at + 4 <= end && read16(data + at) != 0xFF90) {
    const unsigned marker = read16(data + at);
    if ((marker & 0xFF00) != 0xFF00) return 0;
    at += 2 + read16(data + at + 2);
  }
  seen = (unsigned char *)calloc((size_t)tiles, 1);
  if (!seen) return 0;
  while (at + 12 <= end && read16(data + at) == 0xFF90) {
    const unsigned tile = read16(data + at + 4);
    const unsigned long length = read32(data + at + 6);
    if (tile < tiles && !seen[tile]) {
      seen[tile] = 1;
      ++found;
    }
    /* A length of 0 runs to the end of the code stream: the last tile-part. */
    if (length == 0 || length < 14 || length > end - at) break;
    at += length;
  }
  complete = found == tiles;
  free(seen);
  return complete;
}

/* Full decodes started, for the tests that hold a load to a single decode of its image. */
static unsigned long decodes_started;

unsigned long j2k_lib_decode_count(void) { return __atomic_load_n(&decodes_started, __ATOMIC_RELAXED); }

j2k_lib_image *j2k_lib_decode(const unsigned char *data, size_t size, int format, int header_only,
                              unsigned long long max_samples) {
  if (!data || size == 0 || !all_tiles_present(data, size, format)) return NULL;
  source_buffer source = {data, size, 0};
  opj_stream_t *stream = opj_stream_create(65536, OPJ_TRUE);
  if (!stream) return NULL;
  opj_stream_set_user_data(stream, &source, NULL);
  opj_stream_set_user_data_length(stream, size);
  opj_stream_set_read_function(stream, source_read);
  opj_stream_set_skip_function(stream, source_skip);
  opj_stream_set_seek_function(stream, source_seek);

  opj_codec_t *codec = opj_create_decompress(format == J2K_LIB_JP2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K);
  opj_image_t *image = NULL;
  j2k_lib_image *result = NULL;
  if (!codec) goto done;
  silence(codec);
  opj_dparameters_t parameters;
  opj_set_default_decoder_parameters(&parameters);
  if (!opj_setup_decoder(codec, &parameters)) goto done;
  /* A cut file is an error, not an image whose missing part stays blank. */
  if (!opj_decoder_set_strict_mode(codec, OPJ_TRUE)) goto done;
  if (!opj_read_header(stream, codec, &image) || !image) goto done;
  if (image->numcomps == 0 || image->x1 <= image->x0 || image->y1 <= image->y0) goto done;

  /* The sizes come from the file: the samples it would take are checked before decoding. */
  unsigned long long samples = 0;
  for (OPJ_UINT32 i = 0; i < image->numcomps; ++i) {
    const opj_image_comp_t *c = &image->comps[i];
    if (c->dx == 0 || c->dy == 0) goto done;
    samples += (unsigned long long)ceil_div(image->x1 - image->x0, c->dx) * ceil_div(image->y1 - image->y0, c->dy);
  }
  if (samples > max_samples) goto done;

  if (!header_only) {
    __atomic_add_fetch(&decodes_started, 1, __ATOMIC_RELAXED);
    if (!opj_decode(codec, stream, image) || !opj_end_decompress(codec, stream)) goto done;
  }

  result = (j2k_lib_image *)calloc(1, sizeof(j2k_lib_image));
  if (!result) goto done;
  result->components = (j2k_lib_component *)calloc(image->numcomps, sizeof(j2k_lib_component));
  if (!result->components) {
    free(result);
    result = NULL;
    goto done;
  }
  result->x0 = image->x0;
  result->y0 = image->y0;
  result->x1 = image->x1;
  result->y1 = image->y1;
  result->color_space = color_space_of(image->color_space);
  result->component_count = (int)image->numcomps;
  for (OPJ_UINT32 i = 0; i < image->numcomps; ++i) {
    const opj_image_comp_t *c = &image->comps[i];
    j2k_lib_component *out = &result->components[i];
    out->x0 = c->x0;
    out->y0 = c->y0;
    out->dx = c->dx;
    out->dy = c->dy;
    out->w = c->w ? c->w : ceil_div(image->x1, c->dx) - ceil_div(image->x0, c->dx);
    out->h = c->h ? c->h : ceil_div(image->y1, c->dy) - ceil_div(image->y0, c->dy);
    out->precision = (int)c->prec;
    out->is_signed = (int)c->sgnd;
    out->is_alpha = c->alpha != 0;
    out->data = header_only ? NULL : c->data;
    /* A decoded component must hold all its samples. */
    if (!header_only && !c->data) {
      free(result->components);
      free(result);
      result = NULL;
      goto done;
    }
  }
  decoded *keep = (decoded *)malloc(sizeof(decoded));
  if (!keep) {
    free(result->components);
    free(result);
    result = NULL;
    goto done;
  }
  keep->image = image;
  result->opaque = keep;
  image = NULL;

done:
  if (image) opj_image_destroy(image);
  if (codec) opj_destroy_codec(codec);
  opj_stream_destroy(stream);
  return result;
}

void j2k_lib_image_destroy(j2k_lib_image *image) {
  if (!image) return;
  decoded *keep = (decoded *)image->opaque;
  if (keep) {
    opj_image_destroy(keep->image);
    free(keep);
  }
  free(image->components);
  free(image);
}

/* ---- encoding ---- */

unsigned char *j2k_lib_encode(const j2k_lib_encode_params *params, size_t *size) {
  if (!params || !size || params->width == 0 || params->height == 0 || params->component_count < 1 ||
      params->component_count > 4 || params->precision < 1 || params->precision > 16)
    return NULL;
  *size = 0;
  const int count = params->component_count;
  opj_image_cmptparm_t components[4];
  memset(components, 0, sizeof(components));
  for (int i = 0; i < count; ++i) {
    components[i].dx = 1;
    components[i].dy = 1;
    components[i].w = params->width;
    components[i].h = params->height;
    components[i].prec = (OPJ_UINT32)params->precision;
    components[i].sgnd = 0;
  }
  opj_image_t *image =
      opj_image_create((OPJ_UINT32)count, components, count >= 3 ? OPJ_CLRSPC_SRGB : OPJ_CLRSPC_GRAY);
  if (!image) return NULL;
  image->x0 = 0;
  image->y0 = 0;
  image->x1 = params->width;
  image->y1 = params->height;
  const size_t samples = (size_t)params->width * params->height;
  for (int i = 0; i < count; ++i) memcpy(image->comps[i].data, params->planes[i], samples * sizeof(int));
  if (count == 4) image->comps[3].alpha = 1;

  opj_cparameters_t parameters;
  opj_set_default_encoder_parameters(&parameters);
  parameters.tcp_numlayers = 1;
  parameters.cp_disto_alloc = 1;
  /* The rate is the share of the uncompressed size to keep; the library takes its inverse. */
  parameters.tcp_rates[0] = (params->rate > 0 && params->rate < 1) ? (float)(1.0 / params->rate) : 0.0f;
  if (params->progression == 0) parameters.prog_order = OPJ_LRCP;
  if (params->progression == 1) parameters.prog_order = OPJ_RLCP;
  parameters.tcp_mct = count >= 3 ? 1 : 0;
  /* Each resolution halves the image: small images get fewer than the default six. */
  unsigned smallest = params->width < params->height ? params->width : params->height;
  int resolutions = 1;
  while (resolutions < 6 && (smallest >> resolutions) > 0) ++resolutions;
  parameters.numresolution = resolutions;

  target_buffer target = {NULL, 0, 0, 0, 0};
  unsigned char *result = NULL;
  opj_codec_t *codec = opj_create_compress(params->format == J2K_LIB_JP2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K);
  opj_stream_t *stream = opj_stream_create(65536, OPJ_FALSE);
  if (!codec || !stream) goto done;
  silence(codec);
  opj_stream_set_user_data(stream, &target, NULL);
  opj_stream_set_write_function(stream, target_write);
  opj_stream_set_skip_function(stream, target_skip);
  opj_stream_set_seek_function(stream, target_seek);
  if (!opj_setup_encoder(codec, &parameters, image)) goto done;
  if (!opj_start_compress(codec, image, stream) || !opj_encode(codec, stream) || !opj_end_compress(codec, stream))
    goto done;
  if (target.failed || target.size == 0) goto done;
  result = target.data;
  *size = target.size;
  target.data = NULL;

done:
  if (stream) opj_stream_destroy(stream);
  if (codec) opj_destroy_codec(codec);
  opj_image_destroy(image);
  free(target.data);
  return result;
}

void j2k_lib_free(void *buffer) { free(buffer); }

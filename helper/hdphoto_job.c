/* HD Photo through jxrlib: a frame decoded in its own pixel layout and handed over in one of
 * the protocol's layouts, and pixels encoded into a file. The whole frame is decoded in one
 * call: asking the decoder for one row at a time is what breaks other decoders of the format. */
#include <JXRGlue.h>
#include <stdlib.h>
#include <string.h>

#include "helper/helper_jobs.h"

/* A growing memory stream for the encoder, which seeks back to fill in offsets. */
typedef struct {
  uint8_t *data;
  size_t size, capacity, position;
} growing_buffer;

/* The library's encoder object and its constructor, under the names this file uses. */
#define HDPHOTO_GLUE(a, b, c) a##b##c
typedef HDPHOTO_GLUE(PKImage, Encode, ) hdphoto_encoder;
#define create_hdphoto_encoder HDPHOTO_GLUE(PKImage, Encode, _Create_WMP)

static growing_buffer *buffer_of(struct WMPStream *stream) { return (growing_buffer *)stream->state.pvObj; }

static ERR buffer_close(struct WMPStream **stream) {
  (void)stream;  /* the job frees the buffer and the stream itself */
  return WMP_errSuccess;
}

static Bool buffer_eos(struct WMPStream *stream) { return buffer_of(stream)->position >= buffer_of(stream)->size; }

static ERR buffer_read(struct WMPStream *stream, void *data, size_t size) {
  growing_buffer *b = buffer_of(stream);
  if (b->position > b->size || size > b->size - b->position) return WMP_errFileIO;
  memcpy(data, b->data + b->position, size);
  b->position += size;
  return WMP_errSuccess;
}

static ERR buffer_write(struct WMPStream *stream, const void *data, size_t size) {
  growing_buffer *b = buffer_of(stream);
  const size_t end = b->position + size;
  if (end < b->position) return WMP_errOutOfMemory;
  if (end > b->capacity) {
    size_t capacity = b->capacity ? b->capacity : 65536;
    uint8_t *grown;
    while (capacity < end) capacity *= 2;
    grown = (uint8_t *)realloc(b->data, capacity);
    if (!grown) return WMP_errOutOfMemory;
    memset(grown + b->capacity, 0, capacity - b->capacity);
    b->data = grown;
    b->capacity = capacity;
  }
  memcpy(b->data + b->position, data, size);
  b->position = end;
  if (end > b->size) b->size = end;
  return WMP_errSuccess;
}

static ERR buffer_set_position(struct WMPStream *stream, size_t position) {
  buffer_of(stream)->position = position;
  return WMP_errSuccess;
}

static ERR buffer_get_position(struct WMPStream *stream, size_t *position) {
  *position = buffer_of(stream)->position;
  return WMP_errSuccess;
}

typedef struct {
  const PKPixelFormatGUID *format;
  int bits;      /* per pixel in the file's layout */
  int pixels;    /* the protocol's layout it is handed over in */
} layout;

static const layout kLayouts[] = {
    {&GUID_PKPixelFormatBlackWhite, 1, CODEC_HELPER_BLACK_WHITE},
    {&GUID_PKPixelFormat8bppGray, 8, CODEC_HELPER_GREY8},
    {&GUID_PKPixelFormat16bppGray, 16, CODEC_HELPER_GREY16},
    {&GUID_PKPixelFormat24bppBGR, 24, CODEC_HELPER_BGR24},
    {&GUID_PKPixelFormat24bppRGB, 24, CODEC_HELPER_BGR24},
    {&GUID_PKPixelFormat32bppBGR, 32, CODEC_HELPER_BGR24},
    {&GUID_PKPixelFormat32bppBGRA, 32, CODEC_HELPER_BGR24},
    {&GUID_PKPixelFormat32bppRGBA, 32, CODEC_HELPER_BGR24},
    {&GUID_PKPixelFormat48bppRGB, 48, CODEC_HELPER_RGB48},
    {&GUID_PKPixelFormat64bppRGBA, 64, CODEC_HELPER_RGB48},
    {&GUID_PKPixelFormat32bppCMYK, 32, CODEC_HELPER_CMYK32},
};

static const layout *layout_of(const PKPixelFormatGUID *format) {
  size_t i;
  for (i = 0; i < sizeof(kLayouts) / sizeof(kLayouts[0]); ++i)
    if (memcmp(kLayouts[i].format, format, sizeof(*format)) == 0) return &kLayouts[i];
  return NULL;
}

static int bits_of(int pixels) {
  switch (pixels) {
    case CODEC_HELPER_BLACK_WHITE: return 1;
    case CODEC_HELPER_GREY8: return 8;
    case CODEC_HELPER_GREY16: return 16;
    case CODEC_HELPER_BGR24: return 24;
    case CODEC_HELPER_RGB48: return 48;
    case CODEC_HELPER_CMYK32: return 32;
    default: return 0;
  }
}

/* The file's rows into the protocol's layout, in place (the layouts never grow). */
static void to_protocol(const layout *l, const PKPixelFormatGUID *format, uint8_t *row, int width) {
  const int rgb = memcmp(format, &GUID_PKPixelFormat24bppRGB, sizeof(*format)) == 0 ||
                  memcmp(format, &GUID_PKPixelFormat32bppRGBA, sizeof(*format)) == 0;
  int x;
  if (l->pixels == CODEC_HELPER_BGR24 && (l->bits == 32 || rgb)) {
    const int step = l->bits / 8;
    for (x = 0; x < width; ++x) {
      const uint8_t a = row[x * step], b = row[x * step + 1], c = row[x * step + 2];
      row[x * 3] = rgb ? c : a;
      row[x * 3 + 1] = b;
      row[x * 3 + 2] = rgb ? a : c;
    }
  } else if (l->pixels == CODEC_HELPER_RGB48 && l->bits == 64) {
    uint16_t *p = (uint16_t *)row;
    for (x = 0; x < width; ++x) memmove(p + x * 3, p + x * 4, 6);
  }
}

int hdphoto_decode_job(const codec_helper_request *request, const uint8_t *data, size_t size) {
  struct WMPStream *stream = NULL;
  PKImageDecode *decoder = NULL;
  PKPixelFormatGUID format;
  const layout *l;
  I32 width = 0, height = 0;
  Float dpiX = 0, dpiY = 0;
  U32 frames = 0;
  size_t fileStride, stride;
  uint8_t *pixels = NULL;
  codec_helper_reply reply;
  int result = -1, y;
  if (size == 0 || CreateWS_Memory(&stream, (void *)data, size) < 0) return helper_fail();
  if (PKImageDecode_Create_WMP(&decoder) < 0 || decoder->Initialize(decoder, stream) < 0 ||
      decoder->GetFrameCount(decoder, &frames) < 0 || request->frame < 0 || (U32)request->frame >= frames ||
      (request->frame > 0 && decoder->SelectFrame(decoder, (U32)request->frame) < 0) ||
      decoder->GetPixelFormat(decoder, &format) < 0 || decoder->GetSize(decoder, &width, &height) < 0 ||
      decoder->GetResolution(decoder, &dpiX, &dpiY) < 0 || !(l = layout_of(&format)) || width <= 0 ||
      height <= 0 || width > (1 << 20) || height > (1 << 20))
    goto done;
  fileStride = ((size_t)width * (size_t)l->bits + 7) / 8;
  /* The decoder works in bands of 16 rows: room for a whole last band. */
  pixels = (uint8_t *)calloc(fileStride, (size_t)height + 16);
  if (!pixels) goto done;
  {
    PKRect rect = {0, 0, width, height};
    if (decoder->Copy(decoder, &rect, pixels, (U32)fileStride) < 0) goto done;
  }
  stride = ((size_t)width * (size_t)bits_of(l->pixels) + 7) / 8;
  for (y = 0; y < height; ++y) {
    uint8_t *row = pixels + (size_t)y * fileStride;
    to_protocol(l, &format, row, width);
    if (stride != fileStride) memmove(pixels + (size_t)y * stride, row, stride);
  }
  memset(&reply, 0, sizeof(reply));
  reply.width = width;
  reply.height = height;
  reply.pixels = l->pixels;
  reply.stride = (int32_t)stride;
  reply.dpi_x = dpiX;
  reply.dpi_y = dpiY;
  reply.data_size = (uint64_t)stride * (uint64_t)height;
  result = helper_answer(&reply, NULL, pixels);
done:
  free(pixels);
  if (decoder) decoder->Release(&decoder);
  if (result != 0 && !decoder) result = helper_fail();
  else if (result != 0) result = helper_fail();
  if (stream) stream->Close(&stream);
  return result;
}

static const PKPixelFormatGUID *file_format_of(int pixels) {
  switch (pixels) {
    case CODEC_HELPER_BLACK_WHITE: return &GUID_PKPixelFormatBlackWhite;
    case CODEC_HELPER_GREY8: return &GUID_PKPixelFormat8bppGray;
    case CODEC_HELPER_GREY16: return &GUID_PKPixelFormat16bppGray;
    case CODEC_HELPER_BGR24: return &GUID_PKPixelFormat24bppBGR;
    case CODEC_HELPER_RGB48: return &GUID_PKPixelFormat48bppRGB;
    case CODEC_HELPER_CMYK32: return &GUID_PKPixelFormat32bppCMYK;
    default: return NULL;
  }
}

/* The quantiser for a quality: 1 keeps every value; lower qualities quantise more coarsely. */
static U8 quantiser_of(const codec_helper_request *request) {
  float q = request->quality;
  if (request->lossless || q >= 1.0f) return 1;
  if (q < 0.0f) q = 0.0f;
  return (U8)(2 + (int)((1.0f - q) * 253.0f));
}

int hdphoto_encode_job(const codec_helper_request *request, const uint8_t *data, size_t size) {
  const PKPixelFormatGUID *format = file_format_of(request->pixels);
  const int bits = bits_of(request->pixels);
  growing_buffer out = {NULL, 0, 0, 0};
  struct WMPStream stream;
  hdphoto_encoder *encoder = NULL;
  CWMIStrCodecParam options;
  codec_helper_reply reply;
  int result;
  if (!format || request->width <= 0 || request->height <= 0 ||
      (uint64_t)request->stride < ((uint64_t)request->width * (uint64_t)bits + 7) / 8 ||
      (uint64_t)request->stride * (uint64_t)request->height > size)
    return helper_fail();
  memset(&stream, 0, sizeof(stream));
  stream.state.pvObj = &out;
  stream.Close = buffer_close;
  stream.EOS = buffer_eos;
  stream.Read = buffer_read;
  stream.Write = buffer_write;
  stream.SetPos = buffer_set_position;
  stream.GetPos = buffer_get_position;
  memset(&options, 0, sizeof(options));
  options.uiDefaultQPIndex = quantiser_of(request);
  options.bdBitDepth = BD_LONG;
  options.bfBitstreamFormat = FREQUENCY;
  options.bProgressiveMode = TRUE;
  options.olOverlap = OL_ONE;
  options.sbSubband = SB_ALL;
  switch (request->pixels) {
    case CODEC_HELPER_BLACK_WHITE:
    case CODEC_HELPER_GREY8:
    case CODEC_HELPER_GREY16: options.cfColorFormat = Y_ONLY; break;
    case CODEC_HELPER_CMYK32: options.cfColorFormat = CMYK; break;
    default: options.cfColorFormat = YUV_444; break;
  }
  result = create_hdphoto_encoder(&encoder) < 0 ||
           encoder->Initialize(encoder, &stream, &options, sizeof(options)) < 0 ||
           encoder->SetPixelFormat(encoder, *format) < 0 ||
           encoder->SetSize(encoder, request->width, request->height) < 0 ||
           encoder->SetResolution(encoder, request->dpi_x > 0 ? request->dpi_x : 96, request->dpi_y > 0 ? request->dpi_y : 96) < 0 ||
           encoder->WritePixels(encoder, (U32)request->height, (U8 *)data, (U32)request->stride) < 0;
  if (encoder) encoder->Release(&encoder);
  if (result || out.size == 0) {
    free(out.data);
    return helper_fail();
  }
  memset(&reply, 0, sizeof(reply));
  reply.data_size = out.size;
  result = helper_answer(&reply, NULL, out.data);
  free(out.data);
  return result;
}

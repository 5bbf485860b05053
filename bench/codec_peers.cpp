// The peer libraries driven the way their own documentation shows, on memory buffers.
#include "codec_peers.h"

#include <algorithm>
#include <csetjmp>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>

namespace peers {

namespace {

// Empties the output, keeping its memory, with room for the largest file of the picture so that
// a save never moves it.
void StartOutput(Bytes& out, const Picture& picture, int bytesPerPixel) {
  out.clear();
  out.reserve(size_t(picture.width) * picture.height * bytesPerPixel * 2 + 65536);
}

// ---- JPEG ----

struct JpegError {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

void JpegFail(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1); }

// Compressed data goes through a small buffer into the caller's vector.
struct JpegDestination {
  jpeg_destination_mgr manager;
  Bytes* out;
  JOCTET buffer[65536];
};

void JpegInit(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<JpegDestination*>(cinfo->dest);
  d->manager.next_output_byte = d->buffer;
  d->manager.free_in_buffer = sizeof d->buffer;
}

boolean JpegEmpty(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<JpegDestination*>(cinfo->dest);
  d->out->insert(d->out->end(), d->buffer, d->buffer + sizeof d->buffer);
  JpegInit(cinfo);
  return TRUE;
}

void JpegTerm(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<JpegDestination*>(cinfo->dest);
  d->out->insert(d->out->end(), d->buffer, d->manager.next_output_byte);
}

// ---- PNG ----

struct MemoryReader {
  const Bytes* file;
  size_t at = 0;
};

void PngRead(png_structp png, png_bytep data, size_t length) {
  auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
  if (length > reader->file->size() - reader->at) png_error(png, "short file");
  std::memcpy(data, reader->file->data() + reader->at, length);
  reader->at += length;
}

void PngWrite(png_structp png, png_bytep data, size_t length) {
  auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

void PngFlush(png_structp) {}

// ---- TIFF over a growing (writing) or fixed (reading) block ----

struct TiffMemory {
  Bytes* out = nullptr;        // writing
  const Bytes* in = nullptr;   // reading
  uint64_t at = 0;
  uint64_t Size() const { return out ? out->size() : in->size(); }
};

tmsize_t TiffRead(thandle_t handle, void* buffer, tmsize_t count) {
  auto* m = static_cast<TiffMemory*>(handle);
  const uint64_t size = m->Size();
  const uint64_t n = m->at >= size ? 0 : std::min<uint64_t>(uint64_t(count), size - m->at);
  std::memcpy(buffer, (m->out ? m->out->data() : m->in->data()) + m->at, n);
  m->at += n;
  return tmsize_t(n);
}

tmsize_t TiffWrite(thandle_t handle, void* buffer, tmsize_t count) {
  auto* m = static_cast<TiffMemory*>(handle);
  if (!m->out) return 0;
  const auto* bytes = static_cast<const uint8_t*>(buffer);
  const uint64_t end = m->at + uint64_t(count);
  if (m->at > m->out->size()) m->out->resize(m->at);
  const uint64_t overlap = std::min<uint64_t>(end, m->out->size()) - m->at;
  std::memcpy(m->out->data() + m->at, bytes, overlap);
  m->out->insert(m->out->end(), bytes + overlap, bytes + count);
  m->at += uint64_t(count);
  return count;
}

toff_t TiffSeek(thandle_t handle, toff_t offset, int whence) {
  auto* m = static_cast<TiffMemory*>(handle);
  if (whence == SEEK_CUR) offset += m->at;
  else if (whence == SEEK_END) offset += m->Size();
  m->at = offset;
  return offset;
}

int TiffClose(thandle_t) { return 0; }
toff_t TiffSize(thandle_t handle) { return static_cast<TiffMemory*>(handle)->Size(); }

// Reading maps the block: libtiff then decodes straight from it.
int TiffMap(thandle_t handle, void** base, toff_t* size) {
  auto* m = static_cast<TiffMemory*>(handle);
  if (!m->in) return 0;
  *base = const_cast<uint8_t*>(m->in->data());
  *size = m->in->size();
  return 1;
}

void TiffUnmap(thandle_t, void*, toff_t) {}

void TiffQuiet(const char*, const char*, va_list) {}

// Blue, green, red to red, green, blue (and back: the same swap).
void SwapRow(const uint8_t* in, uint8_t* out, int width) {
  for (int x = 0; x < width; ++x) {
    out[3 * x] = in[3 * x + 2];
    out[3 * x + 1] = in[3 * x + 1];
    out[3 * x + 2] = in[3 * x];
  }
}

// ---- GIF ----

int GifOutput(GifFileType* gif, const GifByteType* data, int length) {
  auto* out = static_cast<Bytes*>(gif->UserData);
  out->insert(out->end(), data, data + length);
  return length;
}

int GifInput(GifFileType* gif, GifByteType* data, int length) {
  auto* reader = static_cast<MemoryReader*>(gif->UserData);
  const size_t n = std::min(size_t(length), reader->file->size() - reader->at);
  std::memcpy(data, reader->file->data() + reader->at, n);
  reader->at += n;
  return int(n);
}

// ---- BMP ----

void Put16(uint8_t* p, uint32_t v) { p[0] = uint8_t(v), p[1] = uint8_t(v >> 8); }
void Put32(uint8_t* p, uint32_t v) { Put16(p, v), Put16(p + 2, v >> 16); }
uint32_t Get16(const uint8_t* p) { return p[0] | (p[1] << 8); }
uint32_t Get32(const uint8_t* p) { return Get16(p) | (Get16(p + 2) << 16); }

}  // namespace

bool WriteJPEG(const Picture& picture, int quality, Bytes& out) {
  jpeg_compress_struct cinfo;
  JpegError error;
  cinfo.err = jpeg_std_error(&error.manager);
  error.manager.error_exit = JpegFail;
  StartOutput(out, picture, 3);
  JpegDestination destination{{nullptr, 0, JpegInit, JpegEmpty, JpegTerm}, &out, {}};
  if (setjmp(error.jump)) {
    jpeg_destroy_compress(&cinfo);
    return false;
  }
  jpeg_create_compress(&cinfo);
  cinfo.dest = &destination.manager;
  cinfo.image_width = JDIMENSION(picture.width);
  cinfo.image_height = JDIMENSION(picture.height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(&cinfo);  // YCbCr, 2x2 chroma, accurate integer DCT, standard tables
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height)
    jpeg_write_scanlines(&cinfo, const_cast<JSAMPARRAY>(picture.rows + cinfo.next_scanline),
                         cinfo.image_height - cinfo.next_scanline);
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}

bool ReadJPEG(const Bytes& file, const Picture& into) {
  jpeg_decompress_struct cinfo;
  JpegError error;
  cinfo.err = jpeg_std_error(&error.manager);
  error.manager.error_exit = JpegFail;
  if (setjmp(error.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, file.data(), static_cast<unsigned long>(file.size()));
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(&cinfo);
  bool ok = int(cinfo.output_width) == into.width && int(cinfo.output_height) == into.height &&
            cinfo.output_components == 3;
  while (ok && cinfo.output_scanline < cinfo.output_height)
    jpeg_read_scanlines(&cinfo, const_cast<JSAMPARRAY>(into.rows + cinfo.output_scanline),
                        cinfo.output_height - cinfo.output_scanline);
  if (ok) jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return ok;
}

bool WritePNG(const Picture& picture, int level, int filter, Bytes& out) {
  StartOutput(out, picture, 3);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, &out, PngWrite, PngFlush);
  png_set_IHDR(png, info, png_uint_32(picture.width), png_uint_32(picture.height), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  const int filters[] = {PNG_FILTER_NONE, PNG_FILTER_SUB, PNG_FILTER_PAETH};
  png_set_filter(png, PNG_FILTER_TYPE_BASE, filters[filter]);
  png_set_compression_level(png, level);
  png_write_info(png, info);
  png_set_bgr(png);
  png_write_image(png, const_cast<png_bytepp>(picture.rows));
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

bool ReadPNG(const Bytes& file, const Picture& into) {
  MemoryReader reader{&file};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_read_fn(png, &reader, PngRead);
  png_read_info(png, info);
  const bool ok = int(png_get_image_width(png, info)) == into.width &&
                  int(png_get_image_height(png, info)) == into.height && png_get_bit_depth(png, info) == 8 &&
                  png_get_color_type(png, info) == PNG_COLOR_TYPE_RGB &&
                  png_get_interlace_type(png, info) == PNG_INTERLACE_NONE;
  if (ok) {
    png_set_bgr(png);
    png_read_update_info(png, info);
    png_read_image(png, const_cast<png_bytepp>(into.rows));
    png_read_end(png, nullptr);
  }
  png_destroy_read_struct(&png, &info, nullptr);
  return ok;
}

bool WriteTIFF(const Picture& picture, int rowsPerStrip, Bytes& out) {
  TIFFSetErrorHandler(TiffQuiet);
  TIFFSetWarningHandler(TiffQuiet);
  StartOutput(out, picture, 3);
  TiffMemory memory;
  memory.out = &out;
  TIFF* tif = TIFFClientOpen("memory", "wl", &memory, TiffRead, TiffWrite, TiffSeek, TiffClose, TiffSize, TiffMap,
                             TiffUnmap);
  if (!tif) return false;
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(picture.width));
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(picture.height));
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
  TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, uint32_t(rowsPerStrip));
  const size_t rowBytes = size_t(picture.width) * 3;
  std::vector<uint8_t> strip(rowBytes * rowsPerStrip);
  bool ok = true;
  for (int first = 0, s = 0; ok && first < picture.height; first += rowsPerStrip, ++s) {
    const int rows = std::min(rowsPerStrip, picture.height - first);
    for (int r = 0; r < rows; ++r) SwapRow(picture.rows[first + r], strip.data() + rowBytes * r, picture.width);
    ok = TIFFWriteEncodedStrip(tif, uint32_t(s), strip.data(), tmsize_t(rowBytes * rows)) >= 0;
  }
  TIFFClose(tif);
  return ok;
}

bool ReadTIFF(const Bytes& file, const Picture& into) {
  TIFFSetErrorHandler(TiffQuiet);
  TIFFSetWarningHandler(TiffQuiet);
  TiffMemory memory;
  memory.in = &file;
  TIFF* tif = TIFFClientOpen("memory", "r", &memory, TiffRead, TiffWrite, TiffSeek, TiffClose, TiffSize, TiffMap,
                             TiffUnmap);
  if (!tif) return false;
  uint32_t width = 0, height = 0, rowsPerStrip = 0;
  uint16_t samples = 0, bits = 0, planar = 0;
  TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
  TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
  bool ok = int(width) == into.width && int(height) == into.height && samples == 3 && bits == 8 &&
            planar == PLANARCONFIG_CONTIG && rowsPerStrip > 0 && !TIFFIsTiled(tif);
  const size_t rowBytes = size_t(width) * 3;
  std::vector<uint8_t> strip(ok ? size_t(TIFFStripSize(tif)) : 0);
  for (uint32_t first = 0, s = 0; ok && first < height; first += rowsPerStrip, ++s) {
    const uint32_t rows = std::min(rowsPerStrip, height - first);
    ok = TIFFReadEncodedStrip(tif, s, strip.data(), tmsize_t(rowBytes * rows)) == tmsize_t(rowBytes * rows);
    for (uint32_t r = 0; ok && r < rows; ++r) SwapRow(strip.data() + rowBytes * r, into.rows[first + r], into.width);
  }
  TIFFClose(tif);
  return ok;
}

bool WriteGIF(const Picture& indices, const uint8_t* palette, Bytes& out) {
  StartOutput(out, indices, 1);
  int error = 0;
  GifFileType* gif = EGifOpen(&out, GifOutput, &error);
  if (!gif) return false;
  GifColorType colours[256];
  for (int i = 0; i < 256; ++i) colours[i] = {palette[3 * i], palette[3 * i + 1], palette[3 * i + 2]};
  ColorMapObject* map = GifMakeMapObject(256, colours);
  bool ok = EGifPutScreenDesc(gif, indices.width, indices.height, 8, 0, map) == GIF_OK &&
            EGifPutImageDesc(gif, 0, 0, indices.width, indices.height, false, nullptr) == GIF_OK;
  for (int y = 0; ok && y < indices.height; ++y) ok = EGifPutLine(gif, indices.rows[y], indices.width) == GIF_OK;
  GifFreeMapObject(map);
  if (EGifCloseFile(gif, &error) != GIF_OK) ok = false;
  return ok;
}

bool ReadGIF(const Bytes& file, const Picture& into) {
  MemoryReader reader{&file};
  int error = 0;
  GifFileType* gif = DGifOpen(&reader, GifInput, &error);
  if (!gif) return false;
  bool ok = true, done = false;
  while (ok && !done) {
    GifRecordType type;
    if (DGifGetRecordType(gif, &type) != GIF_OK) {
      ok = false;
    } else if (type == IMAGE_DESC_RECORD_TYPE) {
      ok = DGifGetImageDesc(gif) == GIF_OK && gif->Image.Width == into.width && gif->Image.Height == into.height &&
           !gif->Image.Interlace;
      for (int y = 0; ok && y < into.height; ++y) ok = DGifGetLine(gif, into.rows[y], into.width) == GIF_OK;
      done = true;
    } else if (type == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType* block = nullptr;
      ok = DGifGetExtension(gif, &code, &block) == GIF_OK;
      while (ok && block) ok = DGifGetExtensionNext(gif, &block) == GIF_OK;
    } else {
      ok = false;  // the end before any image
    }
  }
  DGifCloseFile(gif, &error);
  return ok;
}

bool WriteBMP(const Picture& picture, Bytes& out) {
  const uint32_t rowBytes = (uint32_t(picture.width) * 3 + 3) & ~3u;
  const uint32_t dataBytes = rowBytes * uint32_t(picture.height);
  uint8_t h[54] = {};
  h[0] = 'B', h[1] = 'M';
  Put32(h + 2, 54 + dataBytes);
  Put32(h + 10, 54);
  Put32(h + 14, 40);
  Put32(h + 18, uint32_t(picture.width));
  Put32(h + 22, uint32_t(picture.height));
  Put16(h + 26, 1);
  Put16(h + 28, 24);
  Put32(h + 34, dataBytes);
  StartOutput(out, picture, 3);
  out.insert(out.end(), h, h + 54);
  const uint8_t padding[3] = {};
  for (int y = picture.height - 1; y >= 0; --y) {
    out.insert(out.end(), picture.rows[y], picture.rows[y] + size_t(picture.width) * 3);
    out.insert(out.end(), padding, padding + (rowBytes - uint32_t(picture.width) * 3));
  }
  return true;
}

bool ReadBMP(const Bytes& file, const Picture& into) {
  if (file.size() < 54 || file[0] != 'B' || file[1] != 'M') return false;
  const uint8_t* h = file.data();
  const uint32_t offset = Get32(h + 10);
  const int32_t width = int32_t(Get32(h + 18)), height = int32_t(Get32(h + 22));
  if (Get32(h + 14) < 40 || width != into.width || height != into.height || Get16(h + 28) != 24 || Get32(h + 30) != 0)
    return false;
  const uint64_t rowBytes = (uint64_t(width) * 3 + 3) & ~3ull;
  if (offset > file.size() || rowBytes * uint64_t(height) > file.size() - offset) return false;
  for (int y = 0; y < height; ++y)
    std::memcpy(into.rows[y], file.data() + offset + rowBytes * (height - 1 - y), size_t(width) * 3);
  return true;
}

}  // namespace peers

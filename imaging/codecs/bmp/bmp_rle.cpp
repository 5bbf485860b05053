#include "imaging/codecs/bmp/bmp_rle.h"

#include "imaging/model/ie_bitmap.h"
#include "imaging/params/codec_progress.h"

namespace imaging {

namespace {

// The state machine shared by both codings; `fourBits` chooses RLE4.
TBMPRLEResult DecodeBMPRLE(TIEBitmap* bitmap, const uint8_t* data, int64_t dataSize, const TRGB* palette,
                        TCodecProgress& progress, bool topDown, bool fourBits) {
  const int32_t width = bitmap->Width();
  const int32_t height = bitmap->Height();
  int32_t r = height - 1;
  int32_t c = 0;
  int64_t at = 0;
  uint8_t* row = nullptr;
  int32_t rowIndex = -1;
  auto emit = [&](uint8_t index) {
    if (c >= width) return;
    const int32_t imageRow = topDown ? height - 1 - r : r;
    if (imageRow != rowIndex) {
      row = static_cast<uint8_t*>(bitmap->GetScanline(imageRow));
      rowIndex = imageRow;
    }
    if (palette) {
      const TRGB colour = palette[index];
      row[c * 3] = colour.b;
      row[c * 3 + 1] = colour.g;
      row[c * 3 + 2] = colour.r;
    } else {
      row[c] = index;
    }
    // RLE8 keeps writing the last column once a run reaches it; RLE4 drops what lies past.
    if (fourBits || c + 1 < width) ++c;
  };
  while (at + 2 <= dataSize) {
    const uint8_t count = data[at];
    const uint8_t value = data[at + 1];
    at += 2;
    if (count > 0) {
      for (int32_t i = 0; i < count; ++i) {
        if (fourBits)
          emit((i & 1) ? (value & 15) : (value >> 4));
        else
          emit(value);
      }
      continue;
    }
    switch (value) {
      case 0:  // end of line
        if (--r < 0) return TBMPRLEResult::EndOfBitmap;
        c = 0;
        progress.Report(static_cast<int32_t>((height - r) * progress.Per1));
        if (progress.IsAborting()) return TBMPRLEResult::EndOfBitmap;
        break;
      case 1:  // end of bitmap
        return TBMPRLEResult::EndOfBitmap;
      case 2:  // delta
        if (at + 2 > dataSize) return TBMPRLEResult::DataEnded;
        c += data[at];
        r -= data[at + 1];
        at += 2;
        if (r < 0) return TBMPRLEResult::EndOfBitmap;
        break;
      default: {  // absolute run of `value` pixels
        const int64_t bytes = fourBits ? (value + 1) / 2 : value;
        if (at + bytes > dataSize) return TBMPRLEResult::DataEnded;
        for (int32_t i = 0; i < value; ++i) {
          if (fourBits)
            emit((i & 1) ? (data[at + i / 2] & 15) : (data[at + i / 2] >> 4));
          else
            emit(data[at + i]);
        }
        at += bytes + (bytes & 1);
        break;
      }
    }
  }
  return TBMPRLEResult::DataEnded;
}

// Pending literal pixels from `start` up to `end`, in chunks of at most 255.
int32_t FlushLiterals(const uint8_t* p, int32_t start, int32_t end, uint8_t* out, bool fourBits) {
  int32_t n = 0;
  while (start < end) {
    const int32_t count = end - start < 255 ? end - start : 255;
    const uint8_t* q = p + start;
    if (count == 1) {
      out[n++] = 1;
      out[n++] = fourBits ? uint8_t(q[0] << 4) : q[0];
    } else if (count == 2) {
      if (fourBits) {
        out[n++] = 2;
        out[n++] = uint8_t((q[0] << 4) | (q[1] & 15));
      } else {
        out[n++] = 1;
        out[n++] = q[0];
        out[n++] = 1;
        out[n++] = q[1];
      }
    } else {
      out[n++] = 0;
      out[n++] = uint8_t(count);
      int32_t bytes = 0;
      if (fourBits) {
        for (int32_t i = 0; i < count; i += 2) {
          const uint8_t low = i + 1 < count ? (q[i + 1] & 15) : 0;
          out[n++] = uint8_t((q[i] << 4) | low);
          ++bytes;
        }
      } else {
        for (int32_t i = 0; i < count; ++i) out[n++] = q[i];
        bytes = count;
      }
      if (bytes & 1) out[n++] = 0;
    }
    start += count;
  }
  return n;
}

int32_t EncodeRow(const uint8_t* p, int32_t count, uint8_t* out, bool fourBits) {
  int32_t n = 0;
  int32_t i = 0;
  int32_t s = 0;
  while (i < count) {
    if (i - s > 255) {
      n += FlushLiterals(p, s, i, out + n, fourBits);
      s = i;
    }
    if (i + 1 < count && p[i + 1] == p[i]) {
      n += FlushLiterals(p, s, i, out + n, fourBits);
      int32_t end = i + 1;
      while (end < count && p[end] == p[i] && end - i < 255) ++end;
      out[n++] = uint8_t(end - i);
      out[n++] = fourBits ? uint8_t((p[i] << 4) | (p[i] & 15)) : p[i];
      s = i = end;
    } else {
      ++i;
    }
  }
  n += FlushLiterals(p, s, count, out + n, fourBits);
  out[n++] = 0;
  out[n++] = 0;
  return n;
}

}  // namespace

TBMPRLEResult DecodeRLE4(TIEBitmap* bitmap, const uint8_t* data, int64_t dataSize, const TRGB* palette,
                         TCodecProgress& progress, bool topDown) {
  return DecodeBMPRLE(bitmap, data, dataSize, palette, progress, topDown, true);
}

TBMPRLEResult DecodeRLE8(TIEBitmap* bitmap, const uint8_t* data, int64_t dataSize, const TRGB* palette,
                         TCodecProgress& progress, bool topDown) {
  return DecodeBMPRLE(bitmap, data, dataSize, palette, progress, topDown, false);
}

int32_t EncodeRLE8Row(const uint8_t* pixels, int32_t count, uint8_t* output) {
  return EncodeRow(pixels, count, output, false);
}

int32_t EncodeRLE4Row(const uint8_t* pixels, int32_t count, uint8_t* output) {
  return EncodeRow(pixels, count, output, true);
}

}  // namespace imaging

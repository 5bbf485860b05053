#include "formats/decoders/run_length_decoders.h"

#include <algorithm>
#include <cstring>

namespace formats {

namespace {

// Both ends of both buffers; every write and read is clipped to them.
struct TCursor {
  const uint8_t* s;
  const uint8_t* sourceEnd;
  uint8_t* t;
  uint8_t* targetEnd;

  TCursor(const uint8_t* source, int32_t packed, uint8_t* target, int32_t unpacked)
      : s(source), sourceEnd(source + std::max(packed, 0)), t(target), targetEnd(target + std::max(unpacked, 0)) {}
  bool More() const { return s < sourceEnd && t < targetEnd; }
  size_t SourceLeft() const { return static_cast<size_t>(sourceEnd - s); }
  size_t TargetLeft() const { return static_cast<size_t>(targetEnd - t); }
  bool Read(uint8_t& b) {
    if (s >= sourceEnd) return false;
    b = *s++;
    return true;
  }
  void Fill(uint8_t b, size_t n) {
    n = std::min(n, TargetLeft());
    std::memset(t, b, n);
    t += n;
  }
  // Copies n bytes; the source moves past all n (as far as it goes) even when the target is full.
  void Copy(size_t n) {
    const size_t available = std::min(n, SourceLeft());
    const size_t written = std::min(available, TargetLeft());
    std::memcpy(t, s, written);
    t += written;
    s += available;
  }
};

int32_t TargaPixelSize(int32_t depth) {
  switch (depth) {
    case 8: return 1;
    case 15:
    case 16: return 2;
    case 24: return 3;
    case 32: return 4;
    default: return 0;
  }
}

}  // namespace

// ---- Targa ------------------------------------------------------------------------------------

void TTargaRLEDecoder::Decode(const uint8_t*& source, uint8_t*& target, int32_t packedSize, int32_t unpackedSize) {
  const int32_t p = TargaPixelSize(colorDepth_);
  if (p == 0 || unpackedSize <= 0) return;
  const uint8_t* s = source;
  const uint8_t* end = s + std::max(packedSize, 0);
  uint8_t* t = target;
  int32_t left = unpackedSize;
  while (left > 0) {
    if (pendingCount_ == 0) {
      if (s >= end) break;
      const uint8_t header = *s++;
      pendingRun_ = header & 0x80;
      pendingCount_ = (header & 0x7F) + 1;
      if (pendingRun_) {
        if (end - s < p) {
          pendingCount_ = 0;
          s = end;
          break;
        }
        std::memcpy(pendingPixel_, s, p);
        s += p;
      }
    }
    const int32_t n = std::min(pendingCount_, left);
    if (pendingRun_) {
      for (int32_t i = 0; i < n; ++i, t += p) std::memcpy(t, pendingPixel_, p);
    } else {
      const int32_t whole = std::min<int32_t>(n, static_cast<int32_t>((end - s) / p));
      std::memcpy(t, s, static_cast<size_t>(whole) * p);
      s += static_cast<size_t>(whole) * p;
      t += static_cast<size_t>(whole) * p;
      if (whole < n) {  // the data ends inside the packet
        pendingCount_ = 0;
        s = end;
        break;
      }
    }
    pendingCount_ -= n;
    left -= n;
  }
  source = s;
}

void TTargaRLEDecoder::Encode(const uint8_t* source, uint8_t* target, uint32_t count, uint32_t& bytesStored) {
  const uint32_t p = static_cast<uint32_t>((colorDepth_ + 1) / 8);
  bytesStored = 0;
  if (p == 0) return;
  auto same = [&](uint32_t a, uint32_t b) { return std::memcmp(source + a * p, source + b * p, p) == 0; };
  uint32_t at = 0;
  while (at < count) {
    const uint32_t remaining = count - at;
    uint32_t raw;
    if (remaining == 1) {
      raw = 1;
    } else {
      raw = remaining - 1;
      for (uint32_t k = 0; k + 1 < remaining; ++k)
        if (same(at + k, at + k + 1)) {
          raw = k;
          break;
        }
    }
    raw = std::min<uint32_t>(raw, 128);
    uint32_t run = 1;
    while (run < remaining && run < 128 && same(at, at + run)) ++run;
    if (raw > 0) {
      *target++ = static_cast<uint8_t>(raw - 1);
      std::memcpy(target, source + at * p, raw * p);
      target += raw * p;
      bytesStored += raw * p + 1;
      at += raw;
    } else if (run >= 2) {
      *target++ = static_cast<uint8_t>((run - 1) | 0x80);
      std::memcpy(target, source + (at + run - 1) * p, p);
      target += p;
      bytesStored += p + 1;
      at += run;
    }
  }
}

// ---- PackBits ---------------------------------------------------------------------------------

void TPackbitsRLEDecoder::Decode(const uint8_t*& source, uint8_t*& target, int32_t packedSize,
                                 int32_t unpackedSize) {
  TCursor c(source, packedSize, target, unpackedSize);
  uint8_t header, value;
  while (c.More() && c.Read(header)) {
    const auto n = static_cast<int8_t>(header);
    if (n >= 0) {
      c.Copy(static_cast<size_t>(n) + 1);
    } else if (n != -128) {
      if (!c.Read(value)) break;
      c.Fill(value, static_cast<size_t>(1 - n));
    }
  }
}

// ---- PCX --------------------------------------------------------------------------------------

void TPCXRLEDecoder::Decode(const uint8_t*& source, uint8_t*& target, int32_t packedSize, int32_t unpackedSize) {
  TCursor c(source, packedSize, target, unpackedSize);
  uint8_t b, value;
  while (c.More() && c.Read(b)) {
    if (b >= 0xC0) {
      if (!c.Read(value)) break;
      c.Fill(value, b & 0x3F);
    } else {
      c.Fill(b, 1);
    }
  }
}

// ---- SGI --------------------------------------------------------------------------------------

void TSGIRLEDecoder::Decode(const uint8_t*& source, uint8_t*& target, int32_t packedSize, int32_t unpackedSize) {
  TCursor c(source, packedSize, target, unpackedSize);
  if (sampleSize_ == 8) {
    uint8_t h, value;
    while (c.More() && c.Read(h)) {
      const size_t n = h & 0x7F;
      if (n == 0) break;
      if (h & 0x80) {
        c.Copy(n);
      } else {
        if (!c.Read(value)) break;
        c.Fill(value, n);
      }
    }
    return;
  }
  uint8_t hi, lo;
  while (c.More() && c.Read(hi) && c.Read(lo)) {
    const size_t n = lo & 0x7F;
    if (n == 0) break;
    if (lo & 0x80) {
      c.Copy(2 * n);
    } else {
      uint8_t sample[2];
      if (!c.Read(sample[0]) || !c.Read(sample[1])) break;
      for (size_t i = 0; i < n && c.TargetLeft() > 0; ++i) {
        c.Fill(sample[0], 1);
        c.Fill(sample[1], 1);
      }
    }
  }
}

// ---- Dr. Halo CUT -----------------------------------------------------------------------------

void TCUTRLEDecoder::Decode(const uint8_t*& source, uint8_t*& target, int32_t packedSize, int32_t unpackedSize) {
  TCursor c(source, packedSize, target, unpackedSize);
  c.s += std::min<size_t>(2, c.SourceLeft());
  uint8_t h, value;
  while (c.Read(h) && h != 0) {
    const size_t n = h & 0x7F;
    if (h & 0x80) {
      if (!c.Read(value)) break;
      c.Fill(value, n);
    } else {
      c.Copy(n);
    }
  }
  source = c.s;
}

// ---- Paint Shop Pro ---------------------------------------------------------------------------

void TPSPRLEDecoder::Decode(const uint8_t*& source, uint8_t*& target, int32_t packedSize, int32_t unpackedSize) {
  TCursor c(source, packedSize, target, unpackedSize);
  uint8_t h, value;
  while (c.More() && c.Read(h)) {
    if (h < 128) {
      c.Copy(h);
    } else {
      if (!c.Read(value)) break;
      c.Fill(value, h - 128u);
    }
  }
}

// ---- Wavefront RLA ----------------------------------------------------------------------------

void TRLADecoder::Decode(const uint8_t*& source, uint8_t*& target, int32_t packedSize, int32_t unpackedSize) {
  TCursor c(source, packedSize, target, unpackedSize);
  uint8_t h, value;
  while (c.More() && c.Read(h)) {
    const auto n = static_cast<int8_t>(h);
    if (n >= 0) {
      if (!c.Read(value)) break;
      c.Fill(value, static_cast<size_t>(n) + 1);
    } else {
      c.Copy(static_cast<size_t>(-n));
    }
  }
}

}  // namespace formats

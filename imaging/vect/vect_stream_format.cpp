#include "imaging/vect/vect_stream_format.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "imaging/base/string_stream_helpers.h"
#include "imaging/coding/zlib_streams.h"
#include "imaging/io/image_io.h"
#include "imaging/model/ie_bitmap.h"
#include "vcl/runtime/streams.h"

namespace imaging {

namespace {

constexpr int32_t kReadChunk = 65536;
// A PNG chunk, or a BMP file, larger than this is no image a vector file holds.
constexpr uint32_t kMaxEmbeddedImage = 0x7FFFFFF0u;

[[noreturn]] void Corrupt(const std::string& what) { throw EVectStreamError("Corrupt vector stream: " + what); }

// Little-endian values on a stream; a short read raises EReadError.
class TWriter {
 public:
  explicit TWriter(vcl::TStream* s) : s_(s) {}
  void Byte(uint8_t v) { s_->WriteBuffer(&v, 1); }
  void Int32(int32_t v) {
    const uint32_t u = static_cast<uint32_t>(v);
    const uint8_t b[4] = {static_cast<uint8_t>(u), static_cast<uint8_t>(u >> 8), static_cast<uint8_t>(u >> 16),
                          static_cast<uint8_t>(u >> 24)};
    s_->WriteBuffer(b, 4);
  }
  void Double(double v) {
    uint8_t b[8];
    std::memcpy(b, &v, 8);
    s_->WriteBuffer(b, 8);
  }
  void String(const std::string& text) { WriteStringToStream(s_, text); }
  void Bytes(const void* data, size_t n) {
    if (n) s_->WriteBuffer(data, static_cast<int32_t>(n));
  }
  void Font(const std::optional<LOGFONTA>& font) {
    Byte(font ? 1 : 0);
    if (font) Bytes(&*font, sizeof(LOGFONTA));
  }

 private:
  vcl::TStream* s_;
};

class TReader {
 public:
  explicit TReader(vcl::TStream* s) : s_(s) {}
  uint8_t Byte() {
    uint8_t v;
    s_->ReadBuffer(&v, 1);
    return v;
  }
  int32_t Int32() {
    uint8_t b[4];
    s_->ReadBuffer(b, 4);
    return static_cast<int32_t>(static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
                                static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24);
  }
  // A count may be anything a damaged file says; it must at least not be negative.
  int32_t Count(const char* what) {
    const int32_t n = Int32();
    if (n < 0) Corrupt(std::string("negative ") + what);
    return n;
  }
  double Double() {
    double v;
    s_->ReadBuffer(&v, 8);
    return v;
  }
  double Finite(const char* what) {
    const double v = Double();
    if (!std::isfinite(v)) Corrupt(std::string(what) + " is not a number");
    return v;
  }
  std::string String() {
    std::string text;
    ReadStringFromStream(s_, text);
    return text;
  }
  // Grows with the bytes that arrive, so that a claimed size cannot reserve memory the stream
  // does not hold.
  std::vector<uint8_t> Bytes(int32_t n) {
    std::vector<uint8_t> data;
    while (static_cast<int32_t>(data.size()) < n) {
      const int32_t want = std::min(kReadChunk, n - static_cast<int32_t>(data.size()));
      const size_t old = data.size();
      data.resize(old + want);
      s_->ReadBuffer(data.data() + old, want);
    }
    return data;
  }
  std::optional<LOGFONTA> Font() {
    if (Byte() == 0) return std::nullopt;
    LOGFONTA log{};
    s_->ReadBuffer(&log, sizeof(log));
    log.lfFaceName[LF_FACESIZE - 1] = 0;  // a face name that fills the field gets its end
    return log;
  }
  vcl::TStream* Stream() { return s_; }

 private:
  vcl::TStream* s_;
};

bool HasText(uint8_t kind) { return kind == vkText || kind == vkLineLabel || kind == vkExtended; }

LOGFONTA DefaultFont(const TIEVectorObject* tmpl, int32_t height) {
  LOGFONTA log{};
  if (tmpl && tmpl->Font) log = *tmpl->Font;
  log.lfHeight = height;
  std::strcpy(log.lfFaceName, "Arial");
  return log;
}

void WriteMemo(TWriter& w, const TIEVectorObject& r) {
  w.String(r.Text);
  w.Font(r.Font);
  const bool indexed = !r.CharFormatIndex.empty();
  w.Byte(indexed ? 1 : 0);
  if (indexed)
    for (size_t i = 0; i < r.Text.size(); ++i) w.Int32(i < r.CharFormatIndex.size() ? r.CharFormatIndex[i] : 0);
  w.Int32(static_cast<int32_t>(r.CharFormats.size()));
  uint8_t format[kCharFormatSize];
  for (const auto& f : r.CharFormats) {
    std::memset(format, 0, sizeof(format));
    std::memcpy(format, f.data(), std::min(f.size(), sizeof(format)));
    w.Bytes(format, sizeof(format));
  }
  w.Byte(r.SingleFormat);
  w.Byte(r.AutoSize);
  w.Int32(r.LineSpacing);
  w.Int32(static_cast<int32_t>(r.BorderColor));
  w.Byte(r.BorderStyle);
  w.Byte(r.TextAlign);
  w.Int32(r.FixedLineHeight);
  w.Byte(r.HasBackground);
  if (r.HasBackground) {
    w.Int32(r.BitmapIndex);
    w.Byte(r.BitmapBorder);
  }
  for (double m : r.Margins) w.Double(m);
  w.Byte(r.TextBackStyle);
}

void ReadMemo(TReader& in, uint8_t v, TIEVectorObject& r) {
  r.Text = in.String();
  r.Font = in.Font();
  const bool indexed = v >= 'C' ? in.Byte() != 0 : true;
  r.CharFormatIndex.clear();
  if (indexed) {
    for (size_t i = 0; i < r.Text.size(); ++i) r.CharFormatIndex.push_back(in.Int32());
  }
  const int32_t f = in.Count("format count");
  r.CharFormats.clear();
  for (int32_t i = 0; i < f; ++i) {
    std::vector<uint8_t> format = in.Bytes(static_cast<int32_t>(kCharFormatSize));
    r.CharFormats.push_back(std::move(format));
  }
  // Every character must name a format of the list: the editor and the drawing index it.
  for (int32_t index : r.CharFormatIndex)
    if (index < 0 || index >= f) Corrupt("character format index outside the list");
  r.SingleFormat = in.Byte();
  r.AutoSize = in.Byte();
  r.LineSpacing = in.Int32();
  r.BorderColor = in.Int32();
  r.BorderStyle = in.Byte();
  r.TextAlign = in.Byte();
  r.FixedLineHeight = in.Int32();
  r.HasBackground = 0;
  r.BitmapIndex = -1;
  if (v >= 'I') {
    r.HasBackground = in.Byte();
    if (r.HasBackground) {
      r.BitmapIndex = in.Int32();
      r.BitmapBorder = in.Byte();
    }
  }
  for (double& m : r.Margins) m = v >= 'H' ? in.Finite("memo margin") : 0.0;
  r.TextBackStyle = v >= 'L' ? in.Byte() : 0;
  RecountCharFormats(r);
}

}  // namespace

void RecountCharFormats(TIEVectorObject& r) {
  std::vector<int32_t> counts(r.CharFormats.size(), 0);
  if (r.CharFormatIndex.empty()) {
    if (!counts.empty()) counts[0] = static_cast<int32_t>(r.Text.size());
  } else {
    for (int32_t index : r.CharFormatIndex)
      if (index >= 0 && index < static_cast<int32_t>(counts.size())) ++counts[index];
  }
  for (size_t i = 0; i < counts.size(); ++i) {
    std::vector<uint8_t>& f = r.CharFormats[i];
    if (f.size() < kCharFormatSize) f.resize(kCharFormatSize, 0);
    const uint32_t c = static_cast<uint32_t>(counts[i]);
    f[0] = static_cast<uint8_t>(c), f[1] = static_cast<uint8_t>(c >> 8);
    f[2] = static_cast<uint8_t>(c >> 16), f[3] = static_cast<uint8_t>(c >> 24);
  }
}

void WriteObjectRecord(vcl::TStream* stream, int32_t handle, const TIEVectorObject& r) {
  TWriter w(stream);
  w.Int32(handle);
  w.Int32(r.X1), w.Int32(r.Y1), w.Int32(r.X2), w.Int32(r.Y2);
  w.Byte(r.Kind);
  w.Byte(r.KeepAspect);
  w.Byte(r.BlendOp);
  w.Byte(r.SoftShadow.Enabled);
  w.Double(r.SoftShadow.Radius);
  w.Int32(r.SoftShadow.OffsetX), w.Int32(r.SoftShadow.OffsetY);
  w.Int32(r.SoftShadow.Intensity);
  w.Byte(r.SoftShadow.ShadowB), w.Byte(r.SoftShadow.ShadowG), w.Byte(r.SoftShadow.ShadowR);
  w.String(r.Name);
  w.Int32(r.Tag);
  w.Int32(static_cast<int32_t>(r.PenColor));
  w.Byte(r.PenStyle);
  w.Int32(r.PenWidth);
  w.Int32(static_cast<int32_t>(r.BrushColor));
  w.Byte(r.BrushStyle);
  w.Byte(r.Style);
  w.Int32(r.Transparency);
  w.Byte(r.Highlight);
  w.Byte(r.TextQuality);
  w.Int32(static_cast<int32_t>(r.UserData.size()));
  w.Bytes(r.UserData.data(), r.UserData.size());
  if (r.Kind == vkLineLabel) {
    w.Int32(static_cast<int32_t>(r.LabelBrushColor));
    w.Byte(r.LabelBrushStyle), w.Byte(r.LabelPosition), w.Byte(r.LabelBorder);
  }
  if (r.Kind == vkLine || r.Kind == vkLineLabel) {
    w.Byte(r.StartShape), w.Byte(r.EndShape);
    w.Int32(r.ShapeWidth), w.Int32(r.ShapeLength);
  }
  if (r.Kind == vkArc) w.Double(r.ArcStart), w.Double(r.ArcEnd);
  if (r.Kind == vkBitmap) {
    w.Int32(r.BitmapIndex);
    w.Byte(r.BitmapBorder);
    w.String(std::string());
  }
  if (HasText(r.Kind)) {
    w.Byte(r.TextAlign);
    w.Byte(r.AutoSize);
    w.String(r.Text);
    w.Font(r.Font);
    w.Int32(r.CurveCount());
    if (r.CurveCount() > 0) {
      for (const TIEDPoint& p : r.CurvePoints) w.Double(p.x), w.Double(p.y);
      w.Int32(r.CurveCharAngle);
    }
  }
  if (r.Kind == vkMemo) WriteMemo(w, r);
  w.Byte(r.TextEditable);
  if (r.Kind == vkRuler) {
    w.Byte(r.RulerUnit), w.Byte(r.RulerType);
    w.Font(r.Font);
  }
  if (r.Kind == vkPolyline) {
    w.Int32(r.PointCount());
    for (const POINT& p : r.Points) w.Int32(p.x), w.Int32(p.y);
    w.Int32(r.BaseRect.left), w.Int32(r.BaseRect.top), w.Int32(r.BaseRect.right), w.Int32(r.BaseRect.bottom);
    w.Byte(r.Closed);
  }
  if (r.Kind == vkAngle) {
    for (const POINT& p : r.AnglePoints) w.Int32(p.x), w.Int32(p.y);
    w.Font(r.Font);
  }
  if (r.Kind == vkExtended) {
    w.Byte(r.Extended ? 1 : 0);
    if (r.Extended) {
      w.String(r.Extended->ClassName());
      r.Extended->SaveToStream(stream);
    }
  }
}

void ReadObjectRecords(vcl::TStream* stream, uint8_t v, const TVectReadDefaults& defaults,
                       std::vector<TIEVectorObject>& out, int32_t depth) {
  if (depth > kMaxGroupDepth) Corrupt("groups nested too deeply");
  TReader in(stream);
  const TIEVectorObject* tmpl = defaults.Template;
  TIEVectorObject r;
  // What an old version does not store comes from the template.
  if (tmpl) {
    r.RulerUnit = tmpl->RulerUnit, r.RulerType = tmpl->RulerType;
    std::copy(std::begin(tmpl->AnglePoints), std::end(tmpl->AnglePoints), std::begin(r.AnglePoints));
    r.TextAlign = tmpl->TextAlign, r.AutoSize = tmpl->AutoSize;
    r.LabelBorder = tmpl->LabelBorder;
    r.CurveCharAngle = tmpl->CurveCharAngle;
  }
  if (v >= '<') in.Int32();  // the handle when written; objects are numbered anew
  r.X1 = in.Int32(), r.Y1 = in.Int32(), r.X2 = in.Int32(), r.Y2 = in.Int32();
  r.Kind = in.Byte();
  if (r.Kind > kLastVectorKind) Corrupt("unknown object kind " + std::to_string(r.Kind));
  r.KeepAspect = v >= 'M' ? in.Byte() : 0;
  r.BlendOp = v >= 'R' ? in.Byte() : 0;
  TIEVSoftShadow shadow;
  shadow.OffsetX = shadow.OffsetY = 2;
  if (v >= '=') {
    shadow.Enabled = in.Byte();
    shadow.Radius = in.Double();
    // The blur's work grows with the radius: a value no editor sets would stall the drawing.
    if (!std::isfinite(shadow.Radius) || shadow.Radius < 0 || shadow.Radius > 1000) Corrupt("shadow radius");
    shadow.OffsetX = in.Int32(), shadow.OffsetY = in.Int32();
    if (v >= 'O') {
      shadow.Intensity = in.Int32();
      shadow.ShadowB = in.Byte(), shadow.ShadowG = in.Byte(), shadow.ShadowR = in.Byte();
    }
  }
  r.SoftShadow = shadow;
  r.Name = in.String();
  r.Tag = in.Int32();
  r.PenColor = in.Int32();
  r.PenStyle = in.Byte();
  r.PenWidth = in.Int32();
  r.BrushColor = in.Int32();
  r.BrushStyle = in.Byte();
  r.Style = in.Byte();
  r.Transparency = v >= '=' ? static_cast<uint8_t>(std::clamp(in.Int32(), 0, 255)) : 255;
  r.Highlight = v >= '@' ? in.Byte() : 0;
  r.TextQuality = v >= 'Q' ? in.Byte() : 0;
  if (v >= 'I') r.UserData = in.Bytes(in.Count("user data length"));
  int32_t members = 0;
  if (r.Kind == vkNone) members = in.Count("group size");
  if (r.Kind == vkLineLabel) {
    r.LabelBrushColor = in.Int32();
    r.LabelBrushStyle = in.Byte(), r.LabelPosition = in.Byte();
    if (v >= 'P') r.LabelBorder = in.Byte();
  }
  if (r.Kind == vkLine || r.Kind == vkLineLabel) {
    r.StartShape = in.Byte(), r.EndShape = in.Byte();
    r.ShapeWidth = in.Int32(), r.ShapeLength = in.Int32();
  }
  if (r.Kind == vkArc) r.ArcStart = in.Double(), r.ArcEnd = in.Double();
  if (r.Kind == vkBitmap) {
    r.BitmapIndex = in.Int32();
    r.BitmapBorder = v >= 'B' ? in.Byte() : 0;
    if (v >= 'F') in.String();  // a bitmap has no text
  }
  if (HasText(r.Kind)) {
    if (v >= '4') r.TextAlign = in.Byte();
    if (v >= '9') r.AutoSize = in.Byte();
    r.Text = in.String();
    r.Font = in.Font();
    if (v >= '?') {
      const int32_t curve = in.Count("curve point count");
      for (int32_t i = 0; i < curve; ++i) {
        TIEDPoint p;
        p.x = in.Double(), p.y = in.Double();
        r.CurvePoints.push_back(p);
      }
      if (curve > 0) r.CurveCharAngle = in.Int32();
    }
  }
  if (r.Kind == vkMemo) ReadMemo(in, v, r);
  r.TextEditable = v >= 'J' ? in.Byte() : 1;
  if (r.Kind == vkRuler) {
    if (v >= '5') r.RulerUnit = in.Byte(), r.RulerType = in.Byte();
    if (v >= 'A') r.Font = in.Font();
    if (!r.Font) r.Font = DefaultFont(tmpl, 12);
  }
  if (r.Kind == vkPolyline && v >= '8') {
    const int32_t points = in.Count("point count");
    for (int32_t i = 0; i < points; ++i) {
      POINT p;
      p.x = in.Int32(), p.y = in.Int32();
      r.Points.push_back(p);
    }
    r.BaseRect.left = in.Int32(), r.BaseRect.top = in.Int32();
    r.BaseRect.right = in.Int32(), r.BaseRect.bottom = in.Int32();
    r.Closed = v >= ';' ? in.Byte() : 0;
  }
  if (r.Kind == vkAngle) {
    if (v >= ':')
      for (POINT& p : r.AnglePoints) p.x = in.Int32(), p.y = in.Int32();
    if (v >= 'K') r.Font = in.Font();
    if (!r.Font) r.Font = DefaultFont(tmpl, 10);
  }
  if (r.Kind == vkExtended && v >= 'N' && in.Byte() != 0) {
    const std::string className = in.String();
    std::unique_ptr<TIEVectExtendedObject> object = CreateVectExtendedObject(className);
    // The object's own data has no stored length, so an unknown class cannot be skipped.
    if (!object) Corrupt("extended object class \"" + className + "\" is not registered");
    object->SetOwner(defaults.Owner);
    object->Initialize();
    object->LoadFromStream(stream);
    r.Extended = std::move(object);
  }
  // Texts are drawn with a font: one stored without takes the template's.
  if ((HasText(r.Kind) || r.Kind == vkMemo) && !r.Font && tmpl) r.Font = tmpl->Font;

  if (r.Kind == vkNone) {
    for (int32_t i = 0; i < members; ++i) ReadObjectRecords(stream, v, defaults, out, depth + 1);
    return;
  }
  out.push_back(std::move(r));
  if (out.back().Extended) out.back().Extended->SetRecord(&out.back());
}

std::unique_ptr<TIEBitmap> ReadEmbeddedImage(vcl::TStream* stream, bool bmp) {
  TReader in(stream);
  const int64_t remaining = stream->Size() - stream->Position();
  vcl::TMemoryStream image;
  if (bmp) {
    uint8_t header[14];
    stream->ReadBuffer(header, sizeof(header));
    if (header[0] != 'B' || header[1] != 'M') Corrupt("bitmap without its signature");
    const uint32_t size = static_cast<uint32_t>(header[2]) | static_cast<uint32_t>(header[3]) << 8 |
                          static_cast<uint32_t>(header[4]) << 16 | static_cast<uint32_t>(header[5]) << 24;
    if (size < 14 + 12 || size > kMaxEmbeddedImage || size > remaining) Corrupt("bitmap size");
    image.WriteBuffer(header, sizeof(header));
    const std::vector<uint8_t> rest = in.Bytes(static_cast<int32_t>(size - 14));
    image.WriteBuffer(rest.data(), static_cast<int32_t>(rest.size()));
  } else {
    static constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    uint8_t signature[8];
    stream->ReadBuffer(signature, sizeof(signature));
    if (std::memcmp(signature, kSignature, 8) != 0) Corrupt("image without the PNG signature");
    image.WriteBuffer(signature, sizeof(signature));
    for (;;) {
      uint8_t head[8];
      stream->ReadBuffer(head, sizeof(head));
      const uint32_t length = static_cast<uint32_t>(head[0]) << 24 | static_cast<uint32_t>(head[1]) << 16 |
                              static_cast<uint32_t>(head[2]) << 8 | static_cast<uint32_t>(head[3]);
      if (length > kMaxEmbeddedImage || length + 4 > stream->Size() - stream->Position())
        Corrupt("PNG chunk length");
      image.WriteBuffer(head, sizeof(head));
      const std::vector<uint8_t> body = in.Bytes(static_cast<int32_t>(length + 4));  // data and CRC
      image.WriteBuffer(body.data(), static_cast<int32_t>(body.size()));
      if (std::memcmp(head + 4, "IEND", 4) == 0) break;
    }
  }
  image.SetPosition(0);
  auto bitmap = std::make_unique<TIEBitmap>();
  auto io = TImageIO::CreateFromBitmap(bitmap.get());
  if (bmp)
    io->LoadBMPFromStream(&image);
  else
    io->LoadPNGFromStream(&image);
  if (io->Aborting() || bitmap->Width() <= 0 || bitmap->Height() <= 0) Corrupt("shared bitmap cannot be decoded");
  return bitmap;
}

void WriteEmbeddedPNG(vcl::TStream* stream, TIEBitmap* bitmap) {
  auto io = TImageIO::CreateFromBitmap(bitmap);
  io->SavePNGToStream(stream);
  if (io->Aborting()) throw vcl::EWriteError("The shared bitmap cannot be written as PNG");
}

void ReadAlphaBlock(vcl::TStream* stream, TIEBitmap* bitmap) {
  TReader in(stream);
  const int32_t n = in.Count("alpha block size");
  if (n > stream->Size() - stream->Position()) Corrupt("alpha block size");
  const std::vector<uint8_t> packed = in.Bytes(n);
  TIEBitmap* alpha = bitmap->GetAlphaChannel();
  const int32_t rowLen = alpha->RowLen(), height = alpha->Height();
  const int64_t expected = static_cast<int64_t>(rowLen) * height;
  std::vector<uint8_t> rows;
  InflateBuffer(packed.data(), n, rows, 0, expected);
  if (static_cast<int64_t>(rows.size()) != expected) Corrupt("alpha block does not fit the bitmap");
  for (int32_t y = 0; y < height; ++y)
    std::memcpy(alpha->Scanline(height - 1 - y), rows.data() + static_cast<size_t>(y) * rowLen, rowLen);
}

}  // namespace imaging

#include "imaging/vect/text_control.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

#include "imaging/base/number_helpers.h"
#include "imaging/base/system_info.h"
#include "imaging/vect/vect_startup.h"
#include "vcl/controls/menus.h"
#include "vcl/controls/messages.h"
#include "vcl/stdctrls/dialogs.h"

namespace imaging {

namespace {

int32_t GetInt(const TIECharFormat& f, size_t at) {
  if (f.size() < at + 4) return 0;
  return static_cast<int32_t>(static_cast<uint32_t>(f[at]) | static_cast<uint32_t>(f[at + 1]) << 8 |
                              static_cast<uint32_t>(f[at + 2]) << 16 | static_cast<uint32_t>(f[at + 3]) << 24);
}

void PutInt(TIECharFormat& f, size_t at, int32_t v) {
  if (f.size() < charformat::kSize) f.resize(charformat::kSize, 0);
  const uint32_t u = static_cast<uint32_t>(v);
  f[at] = static_cast<uint8_t>(u), f[at + 1] = static_cast<uint8_t>(u >> 8);
  f[at + 2] = static_cast<uint8_t>(u >> 16), f[at + 3] = static_cast<uint8_t>(u >> 24);
}

uint8_t GetByte(const TIECharFormat& f, size_t at) { return at < f.size() ? f[at] : 0; }

void PutByte(TIECharFormat& f, size_t at, uint8_t v) {
  if (f.size() < charformat::kSize) f.resize(charformat::kSize, 0);
  f[at] = v;
}

uint8_t StyleBits(vcl::TFontStyles styles) {
  return static_cast<uint8_t>((styles.Contains(vcl::fsBold) ? 1 : 0) | (styles.Contains(vcl::fsItalic) ? 2 : 0) |
                              (styles.Contains(vcl::fsUnderline) ? 4 : 0) |
                              (styles.Contains(vcl::fsStrikeOut) ? 8 : 0));
}

vcl::TFontStyles StylesOfBits(uint8_t bits) {
  vcl::TFontStyles styles;
  if (bits & 1) styles.Include(vcl::fsBold);
  if (bits & 2) styles.Include(vcl::fsItalic);
  if (bits & 4) styles.Include(vcl::fsUnderline);
  if (bits & 8) styles.Include(vcl::fsStrikeOut);
  return styles;
}

LOGFONTA LogFontOf(const TIECharFormat& f, double zoom) {
  LOGFONTA log{};
  log.lfHeight = RoundCoordinate(charformat::Height(f) * zoom);
  if (log.lfHeight == 0) log.lfHeight = charformat::Height(f) < 0 ? -1 : 1;
  const uint8_t style = charformat::Style(f);
  log.lfWeight = (style & 1) ? FW_BOLD : FW_NORMAL;
  log.lfItalic = (style & 2) ? 1 : 0;
  log.lfUnderline = (style & 4) ? 1 : 0;
  log.lfStrikeOut = (style & 8) ? 1 : 0;
  log.lfCharSet = DEFAULT_CHARSET;
  log.lfQuality = ANTIALIASED_QUALITY;
  const std::string name = charformat::FontName(f);
  std::strncpy(log.lfFaceName, name.c_str(), LF_FACESIZE - 1);
  return log;
}

// Fonts made for one layout, one per distinct format and zoom.
class TFontCache {
 public:
  explicit TFontCache(HDC dc) : dc_(dc) {}
  ~TFontCache() {
    if (original_) SelectObject(dc_, original_);
    for (auto& [key, font] : fonts_) DeleteObject(font);
  }
  TFontCache(const TFontCache&) = delete;
  TFontCache& operator=(const TFontCache&) = delete;
  void Select(const TIECharFormat& f, double zoom) {
    std::vector<uint8_t> key(f.begin() + std::min<size_t>(4, f.size()), f.end());
    const uint8_t* z = reinterpret_cast<const uint8_t*>(&zoom);
    key.insert(key.end(), z, z + sizeof(zoom));
    auto it = fonts_.find(key);
    if (it == fonts_.end()) {
      LOGFONTA log = LogFontOf(f, zoom);
      it = fonts_.emplace(key, CreateFontIndirectA(&log)).first;
    }
    HGDIOBJ previous = SelectObject(dc_, it->second);
    if (!original_) original_ = previous;
  }

 private:
  HDC dc_;
  HGDIOBJ original_ = nullptr;
  std::map<std::vector<uint8_t>, HFONT> fonts_;
};

constexpr char kLineFeed = 10;

}  // namespace

// ---- character formats ----

namespace charformat {

TIECharFormat Make(const std::string& fontName, int32_t height, uint8_t style, vcl::TColor colour,
                   vcl::TColor background, uint8_t brushStyle, uint8_t align) {
  TIECharFormat f(kSize, 0);
  SetFont(f, fontName, height, style, colour);
  SetBackground(f, background);
  PutByte(f, 276, brushStyle);
  SetAlign(f, align);
  return f;
}

int32_t UseCount(const TIECharFormat& f) { return GetInt(f, 0); }
void SetUseCount(TIECharFormat& f, int32_t count) { PutInt(f, 0, count); }

std::string FontName(const TIECharFormat& f) {
  const size_t length = GetByte(f, 4);
  if (f.size() < 5 + length) return std::string();
  return std::string(reinterpret_cast<const char*>(f.data() + 5), length);
}

int32_t Height(const TIECharFormat& f) { return GetInt(f, 260); }
void SetHeight(TIECharFormat& f, int32_t height) { PutInt(f, 260, height); }
uint8_t Style(const TIECharFormat& f) { return GetByte(f, 264); }
void SetStyle(TIECharFormat& f, uint8_t style) { PutByte(f, 264, style & 0x0F); }
vcl::TColor Colour(const TIECharFormat& f) { return GetInt(f, 268); }
vcl::TColor Background(const TIECharFormat& f) { return GetInt(f, 272); }
void SetBackground(TIECharFormat& f, vcl::TColor colour) { PutInt(f, 272, static_cast<int32_t>(colour)); }
uint8_t BrushStyle(const TIECharFormat& f) { return GetByte(f, 276); }
uint8_t Align(const TIECharFormat& f) { return GetByte(f, 277); }
void SetAlign(TIECharFormat& f, uint8_t align) { PutByte(f, 277, align); }

void SetFont(TIECharFormat& f, const std::string& name, int32_t height, uint8_t style, vcl::TColor colour) {
  if (f.size() < kSize) f.resize(kSize, 0);
  const size_t length = std::min<size_t>(name.size(), 255);
  std::memset(f.data() + 4, 0, 256);
  f[4] = static_cast<uint8_t>(length);
  std::memcpy(f.data() + 5, name.data(), length);
  SetHeight(f, height);
  SetStyle(f, style);
  PutInt(f, 268, static_cast<int32_t>(colour));
}

bool Same(const TIECharFormat& a, const TIECharFormat& b) {
  if (a.size() < kSize || b.size() < kSize) return false;
  return std::memcmp(a.data() + 4, b.data() + 4, kSize - 4) == 0;
}

}  // namespace charformat

// ---- TIETextControl ----

TIETextControl::TIETextControl(vcl::TComponent* owner) : TCustomControl(owner) {
  vcl::TControlStyle style = ControlStyle();
  style.Include(vcl::csOpaque);
  SetControlStyle(style);
  if (owner) SetCursor(vcl::crIBeam);
  memoFont_ = std::make_unique<vcl::TFont>();
  textBrush_ = std::make_unique<vcl::TBrush>();
  boxBrush_ = std::make_unique<vcl::TBrush>();
  framePen_ = std::make_unique<vcl::TPen>();
  back_ = std::make_unique<vcl::TBitmap>();
  back_->SetPixelFormat(vcl::pf24bit);
  current_ = BaseFormat();
  ResizeArrays();
}

TIETextControl::~TIETextControl() = default;

void TIETextControl::CreateParams(vcl::TCreateParams& params) {
  TCustomControl::CreateParams(params);
  params.WindowClass.style &= ~(CS_HREDRAW | CS_VREDRAW);
}

void TIETextControl::SetContent(std::string text, std::vector<int32_t> index, std::vector<TIECharFormat> formats) {
  text_ = std::move(text);
  index_ = std::move(index);
  formats_ = std::move(formats);
  caret_ = std::min<int32_t>(caret_, static_cast<int32_t>(text_.size()));
  selStart_ = selEnd_ = 0;
  ResizeArrays();
}

void TIETextControl::TakeContent(std::string& text, std::vector<int32_t>& index,
                                 std::vector<TIECharFormat>& formats) {
  text = std::move(text_);
  index = std::move(index_);
  formats = std::move(formats_);
  text_.clear(), index_.clear(), formats_.clear();
  caret_ = selStart_ = selEnd_ = 0;
  ResizeArrays();
}

void TIETextControl::SetSingleFormat(bool value) {
  singleFormat_ = value;
  Update();
}

void TIETextControl::SetMargins(double left, double top, double right, double bottom) {
  const double m[4] = {left, top, right, bottom};
  for (int i = 0; i < 4; ++i) margins_[i] = std::isfinite(m[i]) ? std::clamp(m[i], 0.0, 100.0) : 0.0;
}

TIECharFormat TIETextControl::BaseFormat() const {
  return charformat::Make(memoFont_->Name(), memoFont_->Height(), StyleBits(memoFont_->Style()), memoFont_->Color(),
                          textBrush_->Color(), static_cast<uint8_t>(textBrush_->Style()), alignment_);
}

void TIETextControl::ResizeArrays() {
  const size_t n = text_.size() + 1;
  for (auto* a : {&lineH_, &width_, &leading_, &descent_}) a->assign(n, 0);
  x_.assign(n, -1);
  y_.assign(n, -1);
}

void TIETextControl::MarkUnmeasured(int32_t from) {
  for (size_t i = std::max(0, from); i < lineH_.size(); ++i) lineH_[i] = width_[i] = 0, x_[i] = y_[i] = -1;
}

void TIETextControl::BeginEdit() {
  selStart_ = selEnd_ = 0;
  caret_ = 0;
  const int32_t length = static_cast<int32_t>(text_.size());
  if (index_.size() != text_.size()) index_.assign(text_.size(), 0);
  if (formats_.empty()) {
    TIECharFormat base = BaseFormat();
    charformat::SetUseCount(base, length);
    if (length > 0) formats_.push_back(base);
  }
  // Indices that name no format would be read past the list.
  for (int32_t& i : index_)
    if (i < 0 || i >= static_cast<int32_t>(formats_.size())) i = 0;
  if (formats_.empty()) index_.clear();
  ResizeArrays();
  current_ = BaseFormat();
  if (!singleFormat_ && length > 0) GetCharFormat(0, current_);
  PaintBackground();
}

int32_t TIETextControl::FindFormat(const TIECharFormat& format) const {
  for (size_t i = 0; i < formats_.size(); ++i)
    if (charformat::Same(formats_[i], format)) return static_cast<int32_t>(i);
  return -1;
}

void TIETextControl::SetCharFormat(int32_t i, const TIECharFormat& format) {
  if (i < 0 || i >= static_cast<int32_t>(index_.size())) return;
  int32_t found = FindFormat(format);
  if (found < 0) {
    TIECharFormat copy = format;
    copy.resize(charformat::kSize, 0);
    charformat::SetUseCount(copy, 0);
    formats_.push_back(std::move(copy));
    found = static_cast<int32_t>(formats_.size()) - 1;
  }
  index_[i] = found;
  charformat::SetUseCount(formats_[found], charformat::UseCount(formats_[found]) + 1);
}

bool TIETextControl::GetCharFormat(int32_t i, TIECharFormat& format) const {
  if (text_.empty() || index_.empty()) return false;
  i = std::max(0, std::min(i, static_cast<int32_t>(text_.size()) - 1));
  const int32_t f = index_[i];
  if (f < 0 || f >= static_cast<int32_t>(formats_.size())) return false;
  format = formats_[f];
  return true;
}

void TIETextControl::PurgeFormats() {
  for (int32_t f = static_cast<int32_t>(formats_.size()) - 1; f >= 0; --f) {
    if (charformat::UseCount(formats_[f]) > 0) continue;
    formats_.erase(formats_.begin() + f);
    for (int32_t& i : index_)
      if (i > f) --i;
  }
}

void TIETextControl::InsertChar(char c) {
  const size_t at = static_cast<size_t>(caret_);
  text_.insert(text_.begin() + at, c);
  index_.insert(index_.begin() + at, 0);
  for (auto* a : {&lineH_, &width_, &leading_, &descent_}) a->insert(a->begin() + at, 0);
  x_.insert(x_.begin() + at, -1);
  y_.insert(y_.begin() + at, -1);
  SetCharFormat(caret_, current_);
  MarkUnmeasured(caret_);
  ++caret_;
}

int32_t TIETextControl::DeleteChar(int32_t i) {
  if (i < 0 || i >= static_cast<int32_t>(text_.size())) return i;
  const int32_t f = index_[i];
  if (f >= 0 && f < static_cast<int32_t>(formats_.size()))
    charformat::SetUseCount(formats_[f], std::max(0, charformat::UseCount(formats_[f]) - 1));
  text_.erase(text_.begin() + i);
  index_.erase(index_.begin() + i);
  for (auto* a : {&lineH_, &width_, &leading_, &descent_, &x_, &y_}) a->erase(a->begin() + i);
  MarkUnmeasured(i);
  if (caret_ > i) --caret_;
  return i;
}

void TIETextControl::DeleteSelection() {
  if (!HasSelection()) return;
  const int32_t start = selStart_;
  for (int32_t i = std::min<int32_t>(selEnd_, static_cast<int32_t>(text_.size())) - 1; i >= start; --i)
    DeleteChar(i);
  caret_ = std::min<int32_t>(start, static_cast<int32_t>(text_.size()));
  selStart_ = selEnd_ = 0;
}

void TIETextControl::SetCaretPos(int32_t value) {
  caret_ = std::clamp(value, 0, static_cast<int32_t>(text_.size()));
}

void TIETextControl::SetSelection(int32_t start, int32_t end) {
  const int32_t length = static_cast<int32_t>(text_.size());
  start = std::clamp(start, 0, length), end = std::clamp(end, 0, length);
  if (start >= end) start = end = 0;
  selStart_ = start, selEnd_ = end;
  selAnchor_ = start;
}

POINT TIETextControl::CharPoint(int32_t i) const {
  if (i < 0 || i >= static_cast<int32_t>(x_.size())) return POINT{-1, -1};
  return POINT{x_[i], y_[i]};
}

void TIETextControl::Update() {
  MarkUnmeasured(0);
  Invalidate();
}

void TIETextControl::Changed() {
  if (HandleAllocated()) {
    Invalidate();
    TWinControl::Update();  // paint now: typing shows at once
  }
}

// ---- layout ----

struct TIETextControl::TLine {
  int32_t start = 0, end = 0;  // [start, end)
  int32_t height = 0, descent = 0;
  // Where the line starts, and how much its characters' advances grow for justified text.
  double offset = 0, stretch = 1;
};

// One layout and drawing of the text: the box, the usable area inside the margins, the fonts
// made for it and how far down the lines have come.
struct TIETextControl::TLayoutPass {
  TLayoutPass(const TIETextControl& control, HDC dc, int32_t left, int32_t top, int32_t w, int32_t h)
      : control(control), dc(dc), left(left), top(top), w(w), h(h), z(control.zoom_),
        W(RoundCoordinate(w - w * control.margins_[2] / 100 - w * control.margins_[0] / 100) - 2),
        H(RoundCoordinate(h - h * control.margins_[3] / 100 - h * control.margins_[1] / 100) - 2),
        ol(RoundCoordinate(w * control.margins_[0] / 100) + 1), ot(RoundCoordinate(h * control.margins_[1] / 100) + 1),
        length(static_cast<int32_t>(control.text_.size())), single(control.BaseFormat()),
        clip{left, top, left + RoundCoordinate(w * z), top + RoundCoordinate(h * z)}, fonts(dc) {}

  const TIECharFormat& FormatOf(int32_t i) const {
    if (control.singleFormat_ || i < 0 || i >= static_cast<int32_t>(control.index_.size())) return single;
    const int32_t f = control.index_[i];
    return f >= 0 && f < static_cast<int32_t>(control.formats_.size()) ? control.formats_[f] : single;
  }

  const TIETextControl& control;
  HDC dc;
  int32_t left, top, w, h;
  double z;
  int32_t W, H;    // the usable width and height
  int32_t ol, ot;  // the offsets of the usable area in the box
  int32_t length;
  TIECharFormat single;
  RECT clip;
  TFontCache fonts;
  int32_t y = 0;  // the top of the next line
  bool caretPlaced = false;
  int32_t lastDescent = 0;
};

void TIETextControl::LayoutAndDraw(vcl::TCanvas* canvas, int32_t left, int32_t top, int32_t w, int32_t h) {
  visibleText_.clear();
  if (w <= 1 || h <= 1 || !canvas) return;
  DrawMemoBox(canvas, left, top, w, h);
  if (x_.size() != text_.size() + 1) ResizeArrays();
  HDC dc = canvas->Handle();
  TLayoutPass pass(*this, dc, left, top, w, h);

  const int oldMode = SetBkMode(dc, TRANSPARENT);
  const UINT oldAlign = SetTextAlign(dc, TA_LEFT | TA_BASELINE | TA_NOUPDATECP);
  const COLORREF oldColour = GetTextColor(dc);
  int32_t pos = 0;
  while (pos < pass.length) {
    TLine line = MeasureLine(pass, pos);
    if (line.end == line.start) break;  // not even one character fits
    AlignLine(pass, line);
    if (!DrawLine(pass, line)) break;
    const bool goOn = EndLine(pass, line);
    pos = line.end;
    if (!goOn) break;
  }
  SetTextAlign(dc, oldAlign);
  SetBkMode(dc, oldMode);
  SetTextColor(dc, oldColour);
  PlaceCaretAfterLayout(pass);
}

// The box: frame and fill.
void TIETextControl::DrawMemoBox(vcl::TCanvas* canvas, int32_t left, int32_t top, int32_t w, int32_t h) {
  const double z = zoom_;
  canvas->Pen()->SetWidth(1);
  canvas->Pen()->SetColor(memoFont_->Color());
  canvas->Pen()->SetStyle(framePen_->Style());
  if (!alphaPass_) canvas->Pen()->SetColor(framePen_->Color());
  canvas->Pen()->SetMode(vcl::pmCopy);
  canvas->Brush()->Assign(boxBrush_.get());
  canvas->Rectangle(left, top, left + RoundCoordinate(w * z), top + RoundCoordinate(h * z));
  canvas->Pen()->SetStyle(vcl::psSolid);
}

// Measuring at the unzoomed size keeps the layout the same at every zoom.
void TIETextControl::MeasureLayoutChar(TLayoutPass& pass, int32_t i) {
  if (lineH_[i] > 0 || width_[i] > 0) return;
  HDC dc = pass.dc;
  pass.fonts.Select(pass.FormatOf(i), 1.0);
  SIZE size{0, 0};
  const char c = text_[i] == kLineFeed ? ' ' : text_[i];
  GetTextExtentPoint32A(dc, &c, 1, &size);
  TEXTMETRICA metrics{};
  GetTextMetricsA(dc, &metrics);
  width_[i] = text_[i] == kLineFeed ? 0 : size.cx;
  if (fixedLineHeight_ > 0) {
    lineH_[i] = fixedLineHeight_, leading_[i] = 0, descent_[i] = 0;
  } else {
    lineH_[i] = std::max<int32_t>(1, metrics.tmHeight);
    leading_[i] = std::min<int32_t>(255, metrics.tmInternalLeading);
    descent_[i] = std::min<int32_t>(255, metrics.tmDescent);
  }
}

// Measure pass: where the line that starts at `pos` ends, its height and its descent.
TIETextControl::TLine TIETextControl::MeasureLine(TLayoutPass& pass, int32_t pos) {
  const int32_t length = pass.length;
  const int32_t W = pass.W;
  TLine line;
  line.start = pos;
  line.end = length;
  const int32_t lineStart = pos;
  int32_t& lineEnd = line.end;
  int32_t x = 0;
  for (int32_t i = pos; i < length; ++i) {
    MeasureLayoutChar(pass, i);
    if (text_[i] == kLineFeed) {
      lineEnd = i + 1;
      break;
    }
    if (x + width_[i] + 2 >= W) {
      int32_t blank = i - 1;
      while (blank >= lineStart && text_[blank] != ' ') --blank;
      lineEnd = blank >= lineStart ? blank + 1 : i;
      break;
    }
    x += width_[i];
  }
  for (int32_t i = lineStart; i < lineEnd; ++i) {
    line.height = std::max(line.height, lineH_[i]);
    line.descent = std::max(line.descent, descent_[i]);
  }
  return line;
}

// The alignment of the line's last character, a final line feed or blank aside.
void TIETextControl::AlignLine(const TLayoutPass& pass, TLine& line) const {
  const int32_t length = pass.length;
  const int32_t W = pass.W;
  const int32_t lineStart = line.start, lineEnd = line.end;
  int32_t last = lineEnd - 1;
  if (last > lineStart && text_[last] == kLineFeed) --last;
  if (last > lineStart && text_[last] == ' ') --last;
  int32_t widthToLast = 0;
  for (int32_t i = lineStart; i <= last; ++i) widthToLast += width_[i];
  const uint8_t align = singleFormat_ ? alignment_ : charformat::Align(pass.FormatOf(last));
  const bool paragraphEnd = lineEnd >= length || text_[lineEnd - 1] == kLineFeed;
  if (align == 1) line.offset = W - widthToLast - 1;
  else if (align == 2) line.offset = (W - widthToLast - 1) / 2.0;
  else if (align == 3 && !paragraphEnd && widthToLast > 0) line.stretch = static_cast<double>(W) / (widthToLast + 1);
}

// Draw pass: places and draws the line's characters. False, with nothing drawn, when the
// visible text is collected and the line's baseline is below the usable height.
bool TIETextControl::DrawLine(TLayoutPass& pass, const TLine& line) {
  const double z = pass.z;
  const int32_t length = pass.length;
  const int32_t ol = pass.ol, ot = pass.ot, y = pass.y;
  const int32_t lineStart = line.start, lineEnd = line.end, lineHeight = line.height;
  const double offset = line.offset, stretch = line.stretch;
  const int32_t baseline = y + lineHeight - line.descent;
  if (collectVisible_ && baseline > pass.H) return false;
  double ax = 0;
  for (int32_t i = lineStart; i < lineEnd; ++i) {
    const int32_t cx = RoundCoordinate(ax * stretch + offset);
    x_[i] = cx + ol;
    y_[i] = y + ot;
    if (i == caret_) {
      caretX_ = RoundCoordinate(x_[i] * z), caretY_ = RoundCoordinate(y_[i] * z),
      caretH_ = RoundCoordinate(lineHeight * z);
      pass.caretPlaced = true;
    }
    if (text_[i] != kLineFeed) DrawLayoutChar(pass, line, i, ax, baseline);
    ax += width_[i];
  }
  if (collectVisible_ && lineEnd < length) visibleText_ += '\n';
  // The position after the line's last character (for a caret at the end of the text).
  x_[lineEnd] = RoundCoordinate(ax * stretch + offset) + ol;
  y_[lineEnd] = y + ot;
  return true;
}

// Draws character i, placed at x_[i], with its background running to the next character.
void TIETextControl::DrawLayoutChar(TLayoutPass& pass, const TLine& line, int32_t i, double ax, int32_t baseline) {
  HDC dc = pass.dc;
  const double z = pass.z;
  const int32_t left = pass.left, top = pass.top, ol = pass.ol, ot = pass.ot, y = pass.y;
  const RECT& clip = pass.clip;
  const double offset = line.offset, stretch = line.stretch;
  const int32_t lineHeight = line.height;
  const char c = text_[i];
  const TIECharFormat& f = pass.FormatOf(i);
  pass.fonts.Select(f, z);
  const bool selected = i >= selStart_ && i < selEnd_;
  COLORREF fore = vcl::ColorToRGB(charformat::Colour(f));
  COLORREF backColour = vcl::ColorToRGB(charformat::Background(f));
  const bool solid = charformat::BrushStyle(f) == vcl::bsSolid;
  const int32_t dx = left + RoundCoordinate(x_[i] * z), dy = top + RoundCoordinate((ot + baseline) * z);
  const int32_t nextX = left + RoundCoordinate((RoundCoordinate((ax + width_[i]) * stretch + offset) + ol) * z);
  if (alphaPass_) {
    // The coverage pass draws in the memo's own (grey) colours, not the formats'.
    fore = vcl::ColorToRGB(memoFont_->Color());
    backColour = vcl::ColorToRGB(textBrush_->Color());
  } else if (selected) {
    fore = ~fore & 0xFFFFFF, backColour = ~backColour & 0xFFFFFF;
  }
  if (selected || solid) {
    // The background runs to the next character, so that stretched gaps stay filled.
    RECT cell{dx, top + RoundCoordinate((ot + y) * z), nextX, top + RoundCoordinate((ot + y + lineHeight) * z)};
    IntersectRect(&cell, &cell, &clip);
    HBRUSH brush = CreateSolidBrush(backColour);
    FillRect(dc, &cell, brush);
    DeleteObject(brush);
  }
  SetTextColor(dc, fore);
  ExtTextOutA(dc, dx, dy, ETO_CLIPPED, &clip, &c, 1, nullptr);
  if (collectVisible_) visibleText_ += c;
}

// Moves down past a drawn line. False when auto-size grew the control, which ends this layout
// (the next paint lays out again).
bool TIETextControl::EndLine(TLayoutPass& pass, const TLine& line) {
  const double z = pass.z;
  const int32_t length = pass.length;
  const int32_t ol = pass.ol, ot = pass.ot;
  const int32_t lineEnd = line.end, lineHeight = line.height;
  int32_t& y = pass.y;
  pass.lastDescent = line.descent;
  y += lineHeight + lineSpacing_;
  if (lineEnd == length && text_[length - 1] == kLineFeed) {
    // A final line feed: the caret after it starts the next line.
    x_[length] = ol;
    y_[length] = y + ot;
    lineH_[length] = lineHeight;
  } else if (lineEnd == length) {
    lineH_[length] = lineHeight;
  }
  if (autoSize_ && y > pass.h && HandleAllocated()) {
    SetHeight(RoundCoordinate(y * z) + 2);
    return false;
  }
  return true;
}

// A caret that no drawn character took: at the start of an empty text, else where the layout
// put its character. With auto-size the control grows to show it.
void TIETextControl::PlaceCaretAfterLayout(TLayoutPass& pass) {
  const double z = pass.z;
  const int32_t ol = pass.ol, ot = pass.ot;
  if (!pass.caretPlaced) {
    if (pass.length == 0) {
      pass.fonts.Select(singleFormat_ ? pass.single : current_, 1.0);
      TEXTMETRICA metrics{};
      GetTextMetricsA(pass.dc, &metrics);
      x_[0] = ol, y_[0] = ot;
      caretX_ = RoundCoordinate(ol * z), caretY_ = RoundCoordinate(ot * z),
      caretH_ = RoundCoordinate(metrics.tmHeight * z);
    } else if (caret_ >= 0 && caret_ < static_cast<int32_t>(x_.size()) && x_[caret_] >= 0) {
      caretX_ = RoundCoordinate(x_[caret_] * z), caretY_ = RoundCoordinate(y_[caret_] * z);
      caretH_ = RoundCoordinate(std::max(1, lineH_[caret_]) * z);
    }
  }
  if (autoSize_ && HandleAllocated() && caretY_ + caretH_ > RoundCoordinate(pass.h * z))
    SetHeight(caretY_ + caretH_ + pass.lastDescent);
}

// ---- painting ----

void TIETextControl::PaintBackground() {
  if (!HandleAllocated()) return;
  if (back_->Width() != ClientWidth() || back_->Height() != ClientHeight()) back_->SetSize(ClientWidth(), ClientHeight());
  if (boxBrush_->Style() != vcl::bsSolid && backPicture_) {
    const vcl::TRect source(Left(), Top(), Left() + back_->Width(), Top() + back_->Height());
    back_->Canvas()->CopyRect(vcl::TRect(0, 0, back_->Width(), back_->Height()), backPicture_->Canvas(), source);
  }
  if (boxBrush_->Style() != vcl::bsClear) {
    back_->Canvas()->Brush()->Assign(boxBrush_.get());
    back_->Canvas()->FillRect(vcl::TRect(0, 0, back_->Width(), back_->Height()));
  }
}

void TIETextControl::Paint() {
  if (!Visible() || !Parent()) return;
  DestroyCaret();
  caretShown_ = false;
  PaintBackground();
  LayoutAndDraw(back_->Canvas(), 0, 0, RoundCoordinate(ClientWidth() / zoom_), RoundCoordinate(ClientHeight() / zoom_));
  BitBlt(Canvas()->Handle(), 0, 0, back_->Width(), back_->Height(), back_->Canvas()->Handle(), 0, 0, SRCCOPY);
  ShowCaretAt();
}

void TIETextControl::ShowCaretAt() {
  if (!HandleAllocated() || GetFocus() != Handle()) return;
  CreateCaret(Handle(), nullptr, GetSystemMetrics(SM_CXBORDER), std::max(1, caretH_));
  ::SetCaretPos(caretX_, caretY_);
  ShowCaret(Handle());
  caretShown_ = true;
}

// ---- keyboard ----

int32_t TIETextControl::LineStart(int32_t i) const {
  const int32_t length = static_cast<int32_t>(text_.size());
  i = std::clamp(i, 0, length);
  if (i >= static_cast<int32_t>(y_.size()) || y_[i] < 0) {
    while (i > 0 && text_[i - 1] != kLineFeed) --i;
    return i;
  }
  const int32_t line = y_[i];
  while (i > 0 && y_[i - 1] == line && text_[i - 1] != kLineFeed) --i;
  return i;
}

int32_t TIETextControl::LineEnd(int32_t i) const {
  const int32_t length = static_cast<int32_t>(text_.size());
  i = std::clamp(i, 0, length);
  // Right while on the caret's line, then one back unless the text ended: the caret stands on
  // the blank or line feed that ends the line.
  const int32_t line = i < static_cast<int32_t>(y_.size()) ? y_[i] : -1;
  while (i < length && y_[i] == line && text_[i] != kLineFeed) ++i;
  if (i < length && text_[i] == kLineFeed) return i;
  if (i < length && i > 0) --i;
  return i;
}

int32_t TIETextControl::WordLeft(int32_t from) const {
  int32_t i = from;
  while (i > 0 && static_cast<uint8_t>(text_[i - 1]) < 33) --i;
  while (i > 0 && static_cast<uint8_t>(text_[i - 1]) >= 33) --i;
  return i;
}

int32_t TIETextControl::WordRight(int32_t from) const {
  const int32_t length = static_cast<int32_t>(text_.size());
  int32_t i = from;
  while (i < length && static_cast<uint8_t>(text_[i]) < 33) ++i;
  while (i < length && static_cast<uint8_t>(text_[i]) >= 33) ++i;
  return i;
}

int32_t TIETextControl::VerticalMove(int32_t direction) const {
  const int32_t length = static_cast<int32_t>(text_.size());
  if (caret_ < 0 || caret_ > length || y_[caret_] < 0) return caret_;
  const int32_t line = y_[caret_];
  int32_t target = -1;
  // The neighbouring line's y.
  if (direction < 0) {
    for (int32_t i = caret_ - 1; i >= 0; --i)
      if (y_[i] >= 0 && y_[i] < line) {
        target = y_[i];
        break;
      }
  } else {
    for (int32_t i = caret_ + 1; i <= length; ++i)
      if (y_[i] > line) {
        target = y_[i];
        break;
      }
  }
  if (target < 0) return caret_;
  const int32_t caretX = x_[caret_];
  int32_t best = caret_, bestDistance = INT32_MAX;
  for (int32_t i = 0; i <= length; ++i)
    if (y_[i] == target && std::abs(x_[i] - caretX) < bestDistance) best = i, bestDistance = std::abs(x_[i] - caretX);
  return best;
}

void TIETextControl::CaretMoved(int32_t previous, bool extend) {
  if (!singleFormat_ && caret_ > 0) GetCharFormat(caret_ - 1, current_);
  if (extend) {
    if (!HasSelection()) selAnchor_ = previous;
    selStart_ = std::min(selAnchor_, caret_), selEnd_ = std::max(selAnchor_, caret_);
    if (selStart_ == selEnd_) selStart_ = selEnd_ = 0;
  } else {
    selStart_ = selEnd_ = 0;
  }
}

template <typename Change>
void TIETextControl::ChangeFormats(Change change, bool paragraph) {
  int32_t from = selStart_, to = selEnd_;
  if (paragraph) {
    from = caret_;
    while (from > 0 && text_[from - 1] != kLineFeed) --from;
    to = caret_;
    while (to < static_cast<int32_t>(text_.size()) && text_[to] != kLineFeed) ++to;
    if (to < static_cast<int32_t>(text_.size())) ++to;  // the line feed belongs to its paragraph
  }
  for (int32_t i = from; i < to; ++i) {
    TIECharFormat f;
    if (!GetCharFormat(i, f)) continue;
    change(f);
    const int32_t old = index_[i];
    charformat::SetUseCount(formats_[old], std::max(0, charformat::UseCount(formats_[old]) - 1));
    SetCharFormat(i, f);
  }
  change(current_);
  MarkUnmeasured(0);
}

void TIETextControl::ToggleStyle(uint8_t bit) {
  if (HasSelection()) {
    TIECharFormat first;
    GetCharFormat(selStart_, first);
    const uint8_t style = charformat::Style(first);
    const uint8_t wanted = (style & bit) ? static_cast<uint8_t>(style & ~bit) : static_cast<uint8_t>(style | bit);
    const int32_t start = selStart_, end = selEnd_;
    for (int32_t i = start; i < end; ++i) {
      TIECharFormat f;
      if (!GetCharFormat(i, f)) continue;
      charformat::SetStyle(f, wanted);
      const int32_t old = index_[i];
      charformat::SetUseCount(formats_[old], std::max(0, charformat::UseCount(formats_[old]) - 1));
      SetCharFormat(i, f);
    }
    MarkUnmeasured(0);
  } else {
    charformat::SetStyle(current_, charformat::Style(current_) ^ bit);
  }
}

void TIETextControl::ChooseFont() {
  vcl::TFontDialog dialog(nullptr);
  dialog.Font()->SetName(charformat::FontName(current_));
  dialog.Font()->SetHeight(charformat::Height(current_));
  dialog.Font()->SetStyle(StylesOfBits(charformat::Style(current_)));
  dialog.Font()->SetColor(charformat::Colour(current_));
  if (!dialog.Execute()) return;
  vcl::TFont* font = dialog.Font();
  ChangeFormats(
      [font](TIECharFormat& f) {
        charformat::SetFont(f, font->Name(), font->Height(), StyleBits(font->Style()), font->Color());
      },
      false);
}

void TIETextControl::ChooseBackground() {
  vcl::TColorDialog dialog(nullptr);
  dialog.SetColor(charformat::Background(current_));
  if (!dialog.Execute()) return;
  const vcl::TColor colour = dialog.Color();
  ChangeFormats([colour](TIECharFormat& f) { charformat::SetBackground(f, colour); }, false);
}

void TIETextControl::KeyDown(WORD& key, vcl::TShiftState shift) {
  const bool ctrl = shift.Contains(vcl::ssCtrl), withShift = shift.Contains(vcl::ssShift);
  const int32_t length = static_cast<int32_t>(text_.size());
  const int32_t previous = caret_;
  bool moved = false, changed = false;
  switch (key) {
    case VK_BACK:
      if (HasSelection()) {
        DeleteSelection();
      } else if (caret_ > 0) {
        --caret_;
        DeleteChar(caret_);
      }
      changed = true;
      break;
    case VK_RETURN:
      DeleteSelection();
      InsertChar(kLineFeed);
      changed = true;
      break;
    case VK_END: caret_ = ctrl ? length : LineEnd(caret_), moved = true; break;
    case VK_HOME: caret_ = ctrl ? 0 : LineStart(caret_), moved = true; break;
    case VK_LEFT: caret_ = ctrl ? WordLeft(caret_) : std::max(0, caret_ - 1), moved = true; break;
    case VK_RIGHT: caret_ = ctrl ? WordRight(caret_) : std::min(length, caret_ + 1), moved = true; break;
    case VK_UP: caret_ = VerticalMove(-1), moved = true; break;
    case VK_DOWN: caret_ = VerticalMove(1), moved = true; break;
    case VK_INSERT: insertMode_ = !insertMode_; break;
    case VK_DELETE:
      if (HasSelection())
        DeleteSelection();
      else
        DeleteChar(caret_);
      changed = true;
      break;
    case VK_F1:
    case VK_F2:
      if (withShift) {
        const bool larger = key == VK_F2;
        ChangeFormats(
            [larger](TIECharFormat& f) {
              int32_t height = charformat::Height(f);
              const int32_t away = height < 0 ? -1 : 1;
              height += larger ? away : -away;
              if (height == 0) height = 1;
              charformat::SetHeight(f, height);
            },
            false);
        changed = true;
      }
      break;
    default: {
      const vcl::TShortCut pressed = vcl::ShortCut(key, shift);
      auto is = [pressed](TIETextShortcut which) { return pressed == TextEditShortcut(which); };
      auto align = [this](uint8_t value) {
        ChangeFormats([value](TIECharFormat& f) { charformat::SetAlign(f, value); }, true);
      };
      if (is(tsAlignLeft)) align(0), changed = true;
      else if (is(tsAlignCentre)) align(2), changed = true;
      else if (is(tsAlignRight)) align(1), changed = true;
      else if (is(tsJustify)) align(3), changed = true;
      else if (is(tsCopy)) CopyToClipboard();
      else if (is(tsCut)) CutToClipboard(), changed = true;
      else if (is(tsPaste)) PasteFromClipboard(), changed = true;
      else if (is(tsFont) && !singleFormat_) ChooseFont(), changed = true;
      else if (is(tsBold)) ToggleStyle(1), changed = true;
      else if (is(tsItalic)) ToggleStyle(2), changed = true;
      else if (is(tsUnderline)) ToggleStyle(4), changed = true;
      else if (is(tsColour) && !singleFormat_) ChooseBackground(), changed = true;
      break;
    }
  }
  if (moved) {
    CaretMoved(previous, withShift);
    changed = true;
  }
  if (changed) {
    Changed();
    if (OnCursorMoved && moved) OnCursorMoved(this);
  }
  TCustomControl::KeyDown(key, shift);
}

void TIETextControl::KeyPress(char& key) {
  TCustomControl::KeyPress(key);
  const uint8_t code = static_cast<uint8_t>(key);
  if (code < 32 || code == 127) return;
  DeleteSelection();
  if (!insertMode_) DeleteChar(caret_);
  InsertChar(key);
  Changed();
}

// ---- mouse ----

int32_t TIETextControl::CaretFromPoint(int32_t x, int32_t y) const {
  const int32_t length = static_cast<int32_t>(text_.size());
  if (length == 0) return 0;
  const int32_t zx = RoundCoordinate(x / zoom_), zy = RoundCoordinate(y / zoom_);
  // The last line that starts at or above the point.
  int32_t line = -1;
  for (int32_t i = 0; i <= length; ++i)
    if (y_[i] >= 0 && y_[i] <= zy) line = std::max(line, y_[i]);
  if (line < 0) {
    for (int32_t i = 0; i <= length; ++i)
      if (y_[i] >= 0) {
        line = y_[i];
        break;
      }
    if (line < 0) return 0;
  }
  int32_t first = -1, last = -1;
  for (int32_t i = 0; i <= length; ++i)
    if (y_[i] == line) {
      if (first < 0) first = i;
      last = i;
    }
  int32_t result = first;
  for (int32_t i = first; i <= last; ++i)
    if (x_[i] - 1 <= zx) result = i;
  // A line that continues below ends at its blank or line feed: the caret stays on it.
  if (result == last && last < length && result > first && text_[last] != kLineFeed && y_[last + 1] != line)
    result = last;
  return std::clamp(result, 0, length);
}

void TIETextControl::MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  TCustomControl::MouseDown(button, shift, x, y);
  if (CanFocus()) SetFocus();
  const int32_t previous = caret_;
  caret_ = CaretFromPoint(x, y);
  if (shift.Contains(vcl::ssShift)) {
    const int32_t from = HasSelection() ? selAnchor_ : previous;
    selAnchor_ = from;
    selStart_ = std::min(from, caret_), selEnd_ = std::max(from, caret_);
    if (selStart_ == selEnd_) selStart_ = selEnd_ = 0;
  } else {
    anchor_ = POINT{x, y};
    selAnchor_ = caret_;
    selStart_ = selEnd_ = 0;
  }
  if (!singleFormat_ && caret_ > 0) GetCharFormat(caret_ - 1, current_);
  Changed();
  if (OnCursorMoved) OnCursorMoved(this);
}

void TIETextControl::MouseMove(vcl::TShiftState shift, int x, int y) {
  TCustomControl::MouseMove(shift, x, y);
  if (!shift.Contains(vcl::ssLeft)) return;
  const int32_t from = CaretFromPoint(anchor_.x, anchor_.y);
  caret_ = CaretFromPoint(x, y);
  selAnchor_ = from;
  selStart_ = std::min(from, caret_), selEnd_ = std::max(from, caret_);
  if (selStart_ == selEnd_) selStart_ = selEnd_ = 0;
  Changed();
  if (OnCursorMoved) OnCursorMoved(this);
}

void TIETextControl::DblClick() {
  TCustomControl::DblClick();
  int32_t start = WordLeft(std::min<int32_t>(caret_ + 1, static_cast<int32_t>(text_.size())));
  int32_t end = start;
  while (end < static_cast<int32_t>(text_.size()) && static_cast<uint8_t>(text_[end]) >= 33) ++end;
  SetSelection(start, end);
  caret_ = end;
  Changed();
  if (OnCursorMoved) OnCursorMoved(this);
}

// ---- clipboard ----

void TIETextControl::CopyToClipboard() {
  if (!HasSelection()) return;
  const int32_t n = selEnd_ - selStart_;
  std::string plain;
  for (int32_t i = selStart_; i < selEnd_; ++i) {
    if (text_[i] == kLineFeed) plain += '\r';
    plain += text_[i];
  }
  HGLOBAL textBlock = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, static_cast<SIZE_T>(2 * n + 1));
  HGLOBAL memoBlock = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, static_cast<SIZE_T>(n) * 281 + 1);
  if (!textBlock || !memoBlock) {
    if (textBlock) GlobalFree(textBlock);
    if (memoBlock) GlobalFree(memoBlock);
    return;
  }
  if (auto* data = static_cast<char*>(GlobalLock(textBlock))) {
    std::memcpy(data, plain.data(), plain.size());
    GlobalUnlock(textBlock);
  }
  if (auto* data = static_cast<uint8_t*>(GlobalLock(memoBlock))) {
    std::memcpy(data, text_.data() + selStart_, n);
    uint8_t* records = data + n + 1;
    for (int32_t i = selStart_; i < selEnd_; ++i, records += charformat::kSize) {
      TIECharFormat f = BaseFormat();
      GetCharFormat(i, f);
      f.resize(charformat::kSize, 0);
      std::memcpy(records, f.data(), charformat::kSize);
    }
    GlobalUnlock(memoBlock);
  }
  if (!OpenClipboardRetry()) {
    GlobalFree(textBlock);
    GlobalFree(memoBlock);
    return;
  }
  EmptyClipboard();
  if (!SetClipboardData(CF_TEXT, textBlock)) GlobalFree(textBlock);
  if (!SetClipboardData(ClipboardFormatTextMemo(), memoBlock)) GlobalFree(memoBlock);
  CloseClipboard();
}

void TIETextControl::CutToClipboard() {
  CopyToClipboard();
  DeleteSelection();
}

void TIETextControl::PasteFromClipboard() {
  if (!OpenClipboardRetry()) return;
  std::vector<std::pair<char, TIECharFormat>> pasted;
  bool memo = false;
  // The formatted block is used only when its layout holds: n characters, a zero byte and n
  // records of 280 bytes, each with a name that fits its field; else the plain text is taken.
  if (HANDLE block = GetClipboardData(ClipboardFormatTextMemo())) {
    const SIZE_T size = GlobalSize(block);
    if (const auto* data = static_cast<const uint8_t*>(size ? GlobalLock(block) : nullptr)) {
      const auto* zero = static_cast<const uint8_t*>(std::memchr(data, 0, size));
      if (zero) {
        const size_t n = static_cast<size_t>(zero - data);
        if (n > 0 && (size - n - 1) / charformat::kSize >= n) {
          memo = true;
          for (size_t i = 0; i < n && memo; ++i) {
            const uint8_t* record = data + n + 1 + i * charformat::kSize;
            TIECharFormat f(record, record + charformat::kSize);
            pasted.emplace_back(static_cast<char>(data[i]), std::move(f));
          }
        }
      }
      GlobalUnlock(block);
    }
  }
  if (!memo) {
    pasted.clear();
    if (HANDLE block = GetClipboardData(CF_TEXT)) {
      const SIZE_T size = GlobalSize(block);
      if (const auto* data = static_cast<const char*>(size ? GlobalLock(block) : nullptr)) {
        for (SIZE_T i = 0; i < size && data[i]; ++i)
          if (data[i] != '\r') pasted.emplace_back(data[i], TIECharFormat());
        GlobalUnlock(block);
      }
    }
  }
  CloseClipboard();
  if (pasted.empty()) return;
  DeleteSelection();
  for (auto& [c, f] : pasted) {
    if (memo && !singleFormat_) current_ = f;
    InsertChar(c);
  }
}

void TIETextControl::Dispatch(vcl::TMessage& message) {
  switch (message.Msg) {
    case WM_ERASEBKGND:
      message.Result = 0;
      return;
    case WM_GETDLGCODE:
      // Tab and the navigation keys belong to the editor.
      message.Result = DLGC_WANTALLKEYS | DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_WANTTAB;
      return;
    case WM_CUT:
      CutToClipboard();
      Changed();
      return;
    case WM_COPY:
      CopyToClipboard();
      return;
    case WM_PASTE:
      PasteFromClipboard();
      Changed();
      return;
    case WM_SIZE:
      TCustomControl::Dispatch(message);
      Update();
      return;
    case WM_KILLFOCUS:
      TCustomControl::Dispatch(message);
      if (caretShown_) HideCaret(Handle());
      DestroyCaret();
      caretShown_ = false;
      return;
    default:
      TCustomControl::Dispatch(message);
  }
}

// ---- TIEEdit ----

TIEEdit::TIEEdit(vcl::TComponent* owner) : TEdit(owner) {}

void TIEEdit::KeyPress(char& key) {
  TEdit::KeyPress(key);
  if (key == '\t') key = 0;
}

void TIEEdit::Dispatch(vcl::TMessage& message) {
  if (message.Msg == WM_GETDLGCODE) {
    TEdit::Dispatch(message);
    message.Result |= DLGC_WANTALLKEYS | DLGC_WANTARROWS | DLGC_WANTTAB;
    return;
  }
  TEdit::Dispatch(message);
}

}  // namespace imaging

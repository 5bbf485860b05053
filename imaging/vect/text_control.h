// TIETextControl: the in-place editor of memo objects, a small rich-text editor. Every
// character refers to one of a list of 280-byte character formats (font, height, style,
// colours, paragraph alignment); the text is word-wrapped into a box with margins and drawn
// with or without zoom, with caret, selection, keyboard commands and clipboard transfer that
// keeps the formats. Created without a window, the same control lays out and draws memos that
// are not being edited. TIEEdit is the single-line editor of text objects.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "vcl/controls/controls.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/stdctrls/stdctrls.h"

namespace imaging {

// A character format as stored (in memo objects, IEV streams and the clipboard):
//   0 use count (int32), 4 font name (length byte + up to 255 characters), 260 font height,
//   264 style bits (bold, italic, underline, strike-out), 268 font colour, 272 background
//   colour, 276 background brush style, 277 paragraph alignment (0 left, 1 right, 2 centre,
//   3 justified); the other bytes are zero.
using TIECharFormat = std::vector<uint8_t>;

namespace charformat {
constexpr size_t kSize = 280;
TIECharFormat Make(const std::string& fontName, int32_t height, uint8_t style, vcl::TColor colour,
                   vcl::TColor background, uint8_t brushStyle, uint8_t align);
int32_t UseCount(const TIECharFormat& f);
void SetUseCount(TIECharFormat& f, int32_t count);
std::string FontName(const TIECharFormat& f);
int32_t Height(const TIECharFormat& f);
void SetHeight(TIECharFormat& f, int32_t height);
uint8_t Style(const TIECharFormat& f);
void SetStyle(TIECharFormat& f, uint8_t style);
vcl::TColor Colour(const TIECharFormat& f);
vcl::TColor Background(const TIECharFormat& f);
void SetBackground(TIECharFormat& f, vcl::TColor colour);
uint8_t BrushStyle(const TIECharFormat& f);
uint8_t Align(const TIECharFormat& f);
void SetAlign(TIECharFormat& f, uint8_t align);
void SetFont(TIECharFormat& f, const std::string& name, int32_t height, uint8_t style, vcl::TColor colour);
// Bytes 4 to 279 are equal.
bool Same(const TIECharFormat& a, const TIECharFormat& b);
}  // namespace charformat

class TIETextControl : public vcl::TCustomControl {
  VCL_CLASS(TIETextControl, vcl::TCustomControl)
  explicit TIETextControl(vcl::TComponent* owner);
  ~TIETextControl() override;

  // ---- content (the memo's, handed over while editing) ----
  const std::string& Text() const { return text_; }
  const std::vector<int32_t>& FormatIndex() const { return index_; }
  const std::vector<TIECharFormat>& Formats() const { return formats_; }
  void SetContent(std::string text, std::vector<int32_t> index, std::vector<TIECharFormat> formats);
  // Gives the content back and forgets it.
  void TakeContent(std::string& text, std::vector<int32_t>& index, std::vector<TIECharFormat>& formats);

  // ---- appearance ----
  vcl::TFont* MemoFont() const { return memoFont_.get(); }
  vcl::TBrush* TextBrush() const { return textBrush_.get(); }  // the base format's background
  vcl::TPen* FramePen() const { return framePen_.get(); }
  vcl::TBrush* BoxBrush() const { return boxBrush_.get(); }
  uint8_t Alignment() const { return alignment_; }
  void SetAlignment(uint8_t value) { alignment_ = value; }
  double Zoom() const { return zoom_; }
  void SetZoom(double value) { zoom_ = value > 0 ? value : 1.0; }
  bool SingleFormat() const { return singleFormat_; }
  void SetSingleFormat(bool value);
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool value) { autoSize_ = value; }
  int32_t LineSpacing() const { return lineSpacing_; }
  void SetLineSpacing(int32_t value) { lineSpacing_ = value; }
  int32_t FixedLineHeight() const { return fixedLineHeight_; }
  void SetFixedLineHeight(int32_t value) { fixedLineHeight_ = value; }
  // Left, top, right, bottom in percent of the box.
  void SetMargins(double left, double top, double right, double bottom);
  bool AlphaPass() const { return alphaPass_; }
  void SetAlphaPass(bool value) { alphaPass_ = value; }
  void SetBackgroundPicture(vcl::TBitmap* picture) { backPicture_ = picture; }
  bool InsertMode() const { return insertMode_; }

  // ---- editing ----
  void BeginEdit();
  void InsertChar(char c);
  // Deletes character i (nothing past the text); gives i.
  int32_t DeleteChar(int32_t i);
  void DeleteSelection();
  int32_t FindFormat(const TIECharFormat& format) const;
  void SetCharFormat(int32_t i, const TIECharFormat& format);
  // The format of character max(0, min(i, length - 1)); false for an empty text.
  bool GetCharFormat(int32_t i, TIECharFormat& format) const;
  void PurgeFormats();
  int32_t CaretPos() const { return caret_; }
  void SetCaretPos(int32_t value);
  int32_t SelStart() const { return selStart_; }
  int32_t SelEnd() const { return selEnd_; }
  void SetSelection(int32_t start, int32_t end);
  bool HasSelection() const { return selStart_ < selEnd_; }
  const TIECharFormat& CurrentFormat() const { return current_; }
  void CopyToClipboard();
  void CutToClipboard();
  void PasteFromClipboard();

  // Marks every character as not measured and repaints.
  void Update();
  // Lays the text out in the box (unzoomed pixels) and draws it on the canvas at the zoom.
  void LayoutAndDraw(vcl::TCanvas* canvas, int32_t left, int32_t top, int32_t width, int32_t height);
  // The caret in client pixels, as the last layout placed it.
  POINT CaretPoint() const { return POINT{caretX_, caretY_}; }
  int32_t CaretHeight() const { return caretH_; }
  // Where the last layout put character i (client pixels, box-relative); -1 when not laid out.
  POINT CharPoint(int32_t i) const;
  // Collects the characters drawn inside the box, lines separated by line feeds.
  void SetCollectVisibleText(bool value) { collectVisible_ = value; }
  const std::string& VisibleText() const { return visibleText_; }

  vcl::TNotifyEvent OnCursorMoved;

 protected:
  void CreateParams(vcl::TCreateParams& params) override;
  void Paint() override;
  void KeyDown(WORD& key, vcl::TShiftState shift) override;
  void KeyPress(char& key) override;
  void MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
  void MouseMove(vcl::TShiftState shift, int x, int y) override;
  void DblClick() override;
  void Dispatch(vcl::TMessage& message) override;

 private:
  struct TLine;
  struct TLayoutPass;
  // The steps of LayoutAndDraw.
  void DrawMemoBox(vcl::TCanvas* canvas, int32_t left, int32_t top, int32_t w, int32_t h);
  void MeasureLayoutChar(TLayoutPass& pass, int32_t i);
  TLine MeasureLine(TLayoutPass& pass, int32_t pos);
  void AlignLine(const TLayoutPass& pass, TLine& line) const;
  bool DrawLine(TLayoutPass& pass, const TLine& line);
  void DrawLayoutChar(TLayoutPass& pass, const TLine& line, int32_t i, double ax, int32_t baseline);
  bool EndLine(TLayoutPass& pass, const TLine& line);
  void PlaceCaretAfterLayout(TLayoutPass& pass);
  void MarkUnmeasured(int32_t from);
  void ResizeArrays();
  TIECharFormat BaseFormat() const;
  // The caret moved by the keyboard or the mouse: the current format follows, the selection
  // follows with Shift.
  void CaretMoved(int32_t previous, bool extend);
  int32_t WordLeft(int32_t from) const;
  int32_t WordRight(int32_t from) const;
  int32_t CaretFromPoint(int32_t x, int32_t y) const;
  int32_t LineStart(int32_t i) const;
  int32_t LineEnd(int32_t i) const;
  int32_t VerticalMove(int32_t direction) const;
  // Applies a change to the formats of the selected characters (or the current format only).
  template <typename Change>
  void ChangeFormats(Change change, bool paragraph);
  void ToggleStyle(uint8_t bit);
  void ChooseFont();
  void ChooseBackground();
  void PaintBackground();
  void ShowCaretAt();
  void Changed();

  std::string text_;
  std::vector<int32_t> index_;
  std::vector<TIECharFormat> formats_;
  int32_t caret_ = 0;
  // Per character plus one: line height, width, internal leading, descent, x and y.
  std::vector<int32_t> lineH_, width_, leading_, descent_, x_, y_;
  int32_t caretX_ = 0, caretY_ = 0, caretH_ = 0;
  std::unique_ptr<vcl::TFont> memoFont_;
  std::unique_ptr<vcl::TBrush> textBrush_, boxBrush_;
  std::unique_ptr<vcl::TPen> framePen_;
  std::unique_ptr<vcl::TBitmap> back_;
  vcl::TBitmap* backPicture_ = nullptr;
  bool insertMode_ = true;
  uint8_t alignment_ = 0;
  double zoom_ = 1.0;
  int32_t selStart_ = 0, selEnd_ = 0;
  int32_t selAnchor_ = 0;  // the fixed end of a selection made with Shift or the mouse
  POINT anchor_{0, 0};
  TIECharFormat current_;
  bool alphaPass_ = false;
  bool singleFormat_ = false;
  bool autoSize_ = false;
  int32_t lineSpacing_ = 0;
  int32_t fixedLineHeight_ = 0;
  double margins_[4] = {0, 0, 0, 0};
  bool collectVisible_ = false;
  std::string visibleText_;
  bool caretShown_ = false;
};

// The single-line editor of text objects: keeps Tab and the navigation keys for itself and
// drops the Tab character.
class TIEEdit : public vcl::TEdit {
  VCL_CLASS(TIEEdit, vcl::TEdit)
  explicit TIEEdit(vcl::TComponent* owner);

 protected:
  void KeyPress(char& key) override;
  void Dispatch(vcl::TMessage& message) override;
};

}  // namespace imaging

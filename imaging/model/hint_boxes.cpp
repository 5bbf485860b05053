#include "imaging/model/hint_boxes.h"

#include <algorithm>

#include "imaging/model/frames_and_shadows.h"
#include "imaging/model/ie_canvas.h"

namespace imaging {

void DrawMeasureHint(vcl::TCanvas* canvas, int32_t& x, int32_t& y, const std::string& text, vcl::TFont* font,
                     vcl::TBrush* brush, vcl::TBitmap*& backup, int32_t clientWidth, int32_t clientHeight,
                     vcl::TColor topLeft, vcl::TColor bottomRight) {
  canvas->Font()->Assign(font);
  canvas->Brush()->Assign(brush);
  int32_t w = canvas->TextWidth(text) + 12;
  int32_t h = canvas->TextHeight(text) + 12;
  x = std::min(std::max(x, 0), clientWidth - w - 1);
  y = std::min(std::max(y, 0), clientHeight - h - 1);
  if (!backup) backup = new vcl::TBitmap;
  backup->SetPixelFormat(vcl::pf24bit);
  backup->SetSize(w, h);
  backup->Canvas()->SetCopyMode(vcl::cmSrcCopy);
  backup->Canvas()->CopyRect(RECT{0, 0, w, h}, canvas, RECT{x, y, x + w, y + h});
  canvas->FillRect(RECT{x + 6, y + 6, x + w, y + h});
  DrawFrame3D(canvas, x + 6, y + 6, x + w - 1, y + h - 1, topLeft, bottomRight);
  canvas->TextOut(x + 9, y + 9, text);
}

void DrawInteractionHint(vcl::TCanvas* canvas, int32_t& x, int32_t& y, const std::string& text,
                         const std::string& templateText) {
  TIECanvas hint(canvas, true, true);
  vcl::TFont* font = hint.GetFont();
  font->SetName("Arial");
  font->SetSize(9);
  font->SetColor(vcl::clBlack);
  hint.Brush()->SetColor(0x60FFFF);
  hint.Brush()->SetStyle(vcl::bsSolid);
  hint.Brush()->SetAlpha(128);
  int32_t w = std::max(hint.TextWidth(text), hint.TextWidth(templateText)) + 12;
  int32_t h = hint.TextHeight(text) + 12;
  x = std::max(x, 0);
  y = std::max(y, 0);
  hint.FillRect(RECT{x + 6, y + 6, x + w, y + h});
  DrawFrame3DOnIECanvas(&hint, x + 6, y + 6, x + w - 1, y + h - 1, 0xFFFFFF, 0x808080);
  hint.Brush()->SetStyle(vcl::bsClear);
  hint.TextOut(x + 9, y + 9, text);
}

}  // namespace imaging

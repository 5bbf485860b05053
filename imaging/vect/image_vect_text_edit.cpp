// TImageVect: the in-place editors over text and memo objects.
#include <algorithm>
#include <cmath>

#include "imaging/base/number_helpers.h"
#include "imaging/vect/image_vect.h"
#include "imaging/vect/text_control.h"
#include "vcl/runtime/win.h"

namespace imaging {

namespace {

uint8_t LanguageCharset() {
  switch (PRIMARYLANGID(GetUserDefaultLangID())) {
    case LANG_GREEK: return 161;
    case LANG_RUSSIAN: return 204;
    default: return 0;
  }
}

vcl::TFontStyles StylesOfLogFont(const LOGFONTA& log) {
  vcl::TFontStyles styles;
  if (log.lfWeight >= FW_BOLD) styles.Include(vcl::fsBold);
  if (log.lfItalic) styles.Include(vcl::fsItalic);
  if (log.lfUnderline) styles.Include(vcl::fsUnderline);
  if (log.lfStrikeOut) styles.Include(vcl::fsStrikeOut);
  return styles;
}

}  // namespace

void TImageVect::ConfigureMemoControl(TIETextControl& control, const TIEVectorObject& r) {
  control.SetMargins(r.Margins[0], r.Margins[1], r.Margins[2], r.Margins[3]);
  vcl::TFont* font = control.MemoFont();
  if (r.Font) {
    font->SetName(r.Font->lfFaceName);
    font->SetStyle(StylesOfLogFont(*r.Font));
    font->SetHeight(r.Font->lfHeight);
  }
  font->SetColor(r.PenColor);
  control.TextBrush()->SetColor(r.BrushColor);
  control.TextBrush()->SetStyle(static_cast<vcl::TBrushStyle>(r.TextBackStyle));
  control.SetAlignment(r.TextAlign);
  control.BoxBrush()->SetColor(r.BrushColor);
  control.BoxBrush()->SetStyle(static_cast<vcl::TBrushStyle>(r.BrushStyle));
  control.SetSingleFormat(r.SingleFormat != 0);
  control.SetAutoSize(r.AutoSize != 0);
  control.SetLineSpacing(r.LineSpacing);
  control.FramePen()->SetColor(r.BorderColor);
  control.FramePen()->SetStyle(static_cast<vcl::TPenStyle>(r.BorderStyle));
  control.SetFixedLineHeight(r.FixedLineHeight);
}

void TImageVect::ActivateTextEdit(int32_t hobj) {
  if (IsTextEditing()) DeactivateTextEdit();
  TIEVectorObject* r = GetObjectRecord(hobj);
  if (!r || hobj < 0 || (r->Kind != vkText && r->Kind != vkMemo) || !r->TextEditable) {
    editedHandle_ = -1;
    return;
  }
  editedHandle_ = hobj;
  if (const uint8_t charset = LanguageCharset()) Font()->SetCharset(charset);
  if (r->Kind == vkText) {
    if (!textEdit_) {
      textEdit_ = new TIEEdit(this);
      textEdit_->SetVisible(false);
    }
    textEdit_->SetParent(this);
    textEdit_->SetAutoSize(false);
    textEdit_->SetBorderStyle(vcl::bsNone);
    textEdit_->SetCtl3D(false);
    RepositionTextEdit();
    textEdit_->OnKeyDown = [this](vcl::TObject* sender, WORD& key, vcl::TShiftState shift) {
      TextEditKeyDown(sender, key, shift);
    };
    textEdit_->OnChange = [this](vcl::TObject*) { TextEditChange(); };
    textEdit_->SetText(r->Text);
    textEdit_->SetVisible(true);
    if (textEdit_->CanFocus()) textEdit_->SetFocus();
  } else {
    if (!memoEdit_) {
      memoEdit_ = new TIETextControl(this);
      memoEdit_->SetVisible(false);
    }
    memoEdit_->SetBackgroundPicture(GetBackBuffer());
    memoEdit_->SetParent(this);
    RepositionTextEdit();
    memoEdit_->OnKeyDown = [this](vcl::TObject* sender, WORD& key, vcl::TShiftState shift) {
      MemoEditKeyDown(sender, key, shift);
    };
    memoEdit_->OnCursorMoved = [this](vcl::TObject*) {
      if (OnTextEditCursorMoved) OnTextEditCursorMoved(this);
    };
    // The memo's content moves into the editor while it is edited.
    memoEdit_->SetContent(std::move(r->Text), std::move(r->CharFormatIndex), std::move(r->CharFormats));
    r->Text.clear(), r->CharFormatIndex.clear(), r->CharFormats.clear();
    memoEdit_->BeginEdit();
    memoEdit_->SetVisible(true);
    if (memoEdit_->CanFocus()) memoEdit_->SetFocus();
  }
  if (OnActivateTextEdit) OnActivateTextEdit(this);
}

void TImageVect::RepositionTextEdit() {
  TIEVectorObject* r = GetObjectRecord(editedHandle_);
  if (!r || editedHandle_ < 0) return;
  const RECT box = ObjectClientRect(*r);
  const double zx = ZoomX() > 0 ? ZoomX() / 100 : 1, zy = ZoomY() > 0 ? ZoomY() / 100 : 1;
  if (r->Kind == vkText && textEdit_) {
    textEdit_->SetBounds(box.left, box.top, std::max<LONG>(1, box.right - box.left),
                         std::max<LONG>(1, box.bottom - box.top));
    vcl::TFont* font = textEdit_->Font();
    font->SetColor(r->PenColor);
    textEdit_->SetColor(r->BrushStyle == vcl::bsSolid ? r->BrushColor : Background());
    const int32_t height = r->Font && r->Font->lfHeight != 0 ? RoundCoordinate(r->Font->lfHeight * zy)
                                                             : static_cast<int32_t>(box.bottom - box.top);
    font->SetHeight(height);
    if (r->Font) {
      font->SetName(r->Font->lfFaceName);
      font->SetStyle(StylesOfLogFont(*r->Font));
    }
  } else if (r->Kind == vkMemo && memoEdit_) {
    memoEdit_->SetBounds(box.left, box.top, std::max<LONG>(1, box.right - box.left + 1),
                         std::max<LONG>(1, box.bottom - box.top + 1));
    ConfigureMemoControl(*memoEdit_, *r);
    memoEdit_->SetZoom(zy);
    (void)zx;
  }
}

void TImageVect::DeactivateTextEdit() {
  const int32_t hobj = editedHandle_;
  editedHandle_ = -1;
  TIEVectorObject* r = GetObjectRecord(hobj);
  if (!r || hobj < 0) return;
  const double zx = ZoomX() > 0 ? ZoomX() / 100 : 1, zy = ZoomY() > 0 ? ZoomY() / 100 : 1;
  if (r->Kind == vkText && textEdit_) {
    r->Text = textEdit_->Text();
    if (r->AutoSize && !destroying_ && textEdit_->HandleAllocated()) {
      HDC dc = GetDC(textEdit_->Handle());
      HGDIOBJ old = SelectObject(dc, textEdit_->Font()->Handle());
      SIZE size{0, 0};
      GetTextExtentPoint32A(dc, r->Text.data(), static_cast<int>(r->Text.size()), &size);
      SelectObject(dc, old);
      ReleaseDC(textEdit_->Handle(), dc);
      r->X2 = r->X1 + RoundCoordinate(size.cx / zx);
    }
    textEdit_->SetVisible(false);
  } else if (r->Kind == vkMemo && memoEdit_) {
    memoEdit_->PurgeFormats();
    if (r->AutoSize && !destroying_) r->Y2 = r->Y1 + RoundCoordinate(memoEdit_->ClientHeight() / zy);
    memoEdit_->TakeContent(r->Text, r->CharFormatIndex, r->CharFormats);
    memoEdit_->SetVisible(false);
  }
  if (OnDeactivateTextEdit) OnDeactivateTextEdit(this);
  if (!destroying_ && CanFocus()) SetFocus();
  DoVectorialChanged();
}

void TImageVect::TextEditChange() {
  TIEVectorObject* r = GetObjectRecord(editedHandle_);
  if (!r || editedHandle_ < 0 || !r->AutoSize || !textEdit_ || !textEdit_->HandleAllocated()) return;
  HDC dc = GetDC(textEdit_->Handle());
  HGDIOBJ old = SelectObject(dc, textEdit_->Font()->Handle());
  const std::string text = textEdit_->Text();
  SIZE size{0, 0}, em{0, 0};
  GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &size);
  GetTextExtentPoint32A(dc, "M", 1, &em);
  SelectObject(dc, old);
  ReleaseDC(textEdit_->Handle(), dc);
  textEdit_->SetWidth(size.cx);
  const double zx = ZoomX() > 0 ? ZoomX() / 100 : 1;
  r->X2 = r->X1 + RoundCoordinate((size.cx + em.cx) / zx);
  Update();
}

void TImageVect::TextEditKeyDown(vcl::TObject* sender, WORD& key, vcl::TShiftState shift) {
  if (OnTextKeyDown) OnTextKeyDown(sender, key, shift);
  if (key == VK_RETURN) {
    key = 0;
    CancelInteraction();
    DoVectorialChanged();
  } else if (key == VK_ESCAPE) {
    key = 0;
    if (textEdit_ && textEdit_->HandleAllocated()) SendMessageA(textEdit_->Handle(), WM_UNDO, 0, 0);
    CancelInteraction();
  }
}

void TImageVect::MemoEditKeyDown(vcl::TObject* sender, WORD& key, vcl::TShiftState shift) {
  if (OnTextKeyDown) OnTextKeyDown(sender, key, shift);
  if (key == VK_ESCAPE) {
    key = 0;
    CancelInteraction();
  }
}

void TImageVect::Update() {
  TImageView::Update();
  if (IsTextEditing()) RepositionTextEdit();
}

// Scrolling and zooming move the picture without an update: the editor must follow too.
void TImageVect::ViewChange(int32_t change) {
  TImageView::ViewChange(change);
  if (IsTextEditing()) RepositionTextEdit();
}

}  // namespace imaging

// The status bar over msctls_statusbar32 and its panels.
#include <vector>

#include "vcl/stdctrls/comctrls.h"
#include "vcl/controls/forms.h"
#include "vcl/classes/typeinfo.h"

namespace vcl {

// ---- TTextSection, TStatusPanel --------------------------------------------------------------

void TTextSection::SetText(const std::string& value) {
  if (text_ == value) return;
  text_ = value;
  Changed(false);
}

void TTextSection::SetWidth(int value) {
  if (width_ == value) return;
  width_ = value;
  Changed(true);
}

void TTextSection::SetAlignment(TAlignment value) {
  if (alignment_ == value) return;
  alignment_ = value;
  Changed(false);
}

void TStatusPanel::SetBevel(TStatusPanelBevel value) {
  if (bevel_ == value) return;
  bevel_ = value;
  Changed(false);
}

void TStatusPanel::SetStyle(TStatusPanelStyle value) {
  if (style_ == value) return;
  style_ = value;
  Changed(false);
}

// ---- TStatusPanels ---------------------------------------------------------------------------

TStatusPanels::TStatusPanels(TStatusBar* bar) : TTypedCollection(bar) {}

void TStatusPanels::Update(TCollectionItem* item) {
  (void)item;
  OwnerObject()->UpdatePanels();
}

// ---- TStatusBar ------------------------------------------------------------------------------

TStatusBar::TStatusBar(TComponent* owner)
    : TWinControl(owner), panels_(std::make_unique<TStatusPanels>(this)), canvas_(std::make_unique<TControlCanvas>()) {
  canvas_->SetControl(this);
  SetControlStyle(TControlStyle{csCaptureMouse, csClickEvents, csDoubleClicks, csOpaque});
  SetColor(clBtnFace);
  SetBounds(0, 0, 150, 19);
  SetAlign(alBottom);
}

TStatusBar::~TStatusBar() = default;

void TStatusBar::CreateParams(TCreateParams& params) {
  InitCommonControlClasses();
  TWinControl::CreateParams(params);
  CreateSubClass(params, STATUSCLASSNAMEA);
  // The library places the bar itself (Align).
  params.Style |= CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_TOP;
  if (sizeGrip_) {
    auto* form = dynamic_cast<TCustomForm*>(Parent());
    if (form && (form->BorderStyle() == bsSizeable || form->BorderStyle() == bsSizeToolWin)) params.Style |= SBARS_SIZEGRIP;
  }
  params.WindowClass.style &= ~static_cast<UINT>(CS_HREDRAW | CS_VREDRAW);
}

void TStatusBar::CreateWnd() {
  TWinControl::CreateWnd();
  UpdatePanels();
}

void TStatusBar::SetSimplePanel(bool value) {
  if (simplePanel_ == value) return;
  simplePanel_ = value;
  UpdatePanels();
}

void TStatusBar::SetSimpleText(const std::string& value) {
  if (simpleText_ == value) return;
  simpleText_ = value;
  if (HandleAllocated() && simplePanel_)
    SendMessageA(Handle(), SB_SETTEXTA, SB_SIMPLEID, reinterpret_cast<LPARAM>(simpleText_.c_str()));
}

void TStatusBar::SetSizeGrip(bool value) {
  if (sizeGrip_ == value) return;
  sizeGrip_ = value;
  RecreateWnd();
}

void TStatusBar::UpdatePanels() {
  if (!HandleAllocated()) return;
  HWND wnd = Handle();
  SendMessageA(wnd, SB_SIMPLE, simplePanel_ ? TRUE : FALSE, 0);
  if (simplePanel_) {
    SendMessageA(wnd, SB_SETTEXTA, SB_SIMPLEID, reinterpret_cast<LPARAM>(simpleText_.c_str()));
    return;
  }
  int count = panels_->Count();
  // The last panel takes the rest of the bar.
  std::vector<int> edges(static_cast<std::size_t>(std::max(count, 1)), -1);
  int right = 0;
  for (int i = 0; i + 1 < count; ++i) {
    right += panels_->Items(i)->Width();
    edges[static_cast<std::size_t>(i)] = right;
  }
  SendMessageA(wnd, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
  for (int i = 0; i < count; ++i) {
    TStatusPanel* panel = panels_->Items(i);
    // A tab before the text centres it, two right-align it.
    std::string text = panel->Alignment() == taCenter ? "\t" + panel->Text()
                       : panel->Alignment() == taRightJustify ? "\t\t" + panel->Text()
                                                               : panel->Text();
    WPARAM flags = static_cast<WPARAM>(i);
    if (panel->Bevel() == pbNone) flags |= SBT_NOBORDERS;
    if (panel->Bevel() == pbRaised) flags |= SBT_POPOUT;
    if (panel->Style() == psOwnerDraw) {
      SendMessageA(wnd, SB_SETTEXTA, flags | SBT_OWNERDRAW, reinterpret_cast<LPARAM>(panel));
    } else {
      SendMessageA(wnd, SB_SETTEXTA, flags, reinterpret_cast<LPARAM>(text.c_str()));
    }
  }
  if (count == 0) SendMessageA(wnd, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(""));
}

void TStatusBar::Dispatch(TMessage& message) {
  if (message.Msg == CN_DRAWITEM) {
    auto* draw = reinterpret_cast<DRAWITEMSTRUCT*>(message.LParam);
    int index = static_cast<int>(draw->itemID);
    if (index >= 0 && index < panels_->Count() && OnDrawPanel) {
      canvas_->SetHandle(draw->hDC);
      try {
        canvas_->Font()->Assign(Font());
        canvas_->Brush()->SetColor(clBtnFace);
        canvas_->Brush()->SetStyle(bsSolid);
        OnDrawPanel(this, panels_->Items(index), draw->rcItem);
      } catch (...) {
        canvas_->SetHandle(nullptr);
        throw;
      }
      canvas_->SetHandle(nullptr);
    }
    message.Result = TRUE;
    return;
  }
  TWinControl::Dispatch(message);
  if (message.Msg == WM_SIZE && HandleAllocated()) UpdatePanels();
}

// ---- Published properties --------------------------------------------------------------------

VCL_PUBLISHED(TTextSection, p) {
  p.Enum("Alignment", &TTextSection::Alignment, &TTextSection::SetAlignment,
         {"taLeftJustify", "taRightJustify", "taCenter"}, taLeftJustify)
      .String("Text", &TTextSection::Text, &TTextSection::SetText)
      .Integer("Width", &TTextSection::Width, &TTextSection::SetWidth, 50);
}

VCL_PUBLISHED(TStatusPanel, p) {
  p.Enum("Bevel", &TStatusPanel::Bevel, &TStatusPanel::SetBevel, {"pbNone", "pbLowered", "pbRaised"}, pbLowered)
      .Enum("Style", &TStatusPanel::Style, &TStatusPanel::SetStyle, {"psText", "psOwnerDraw"}, psText);
}

VCL_PUBLISHED(TStatusBar, p) {
  p.Enum("Align", &TStatusBar::Align, &TStatusBar::SetAlign,
         {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient", "alCustom"}, alBottom)
      .Object("Panels", &TStatusBar::Panels, &TStatusBar::SetPanels)
      .Bool("SimplePanel", &TStatusBar::SimplePanel, &TStatusBar::SetSimplePanel, false)
      .String("SimpleText", &TStatusBar::SimpleText, &TStatusBar::SetSimpleText)
      .Bool("SizeGrip", &TStatusBar::SizeGrip, &TStatusBar::SetSizeGrip, true)
      .Event("OnDrawPanel", &TStatusBar::OnDrawPanel);
}

}  // namespace vcl

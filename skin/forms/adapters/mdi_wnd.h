// TacMDIWnd: the adapter of the MDI client window of a form with a skin provider. The client's
// background and border are copied out of the provider's frame image, its scroll bars are the
// skinned ones, and MDI commands that change the frame (tile, cascade, menu changes) keep the
// provider's frame in step. The adapter owns only its own placeholder skin link.
#pragma once

#include <string>

#include "skin/forms/adapters/edit_wnd.h"

namespace skin {

class TsSkinProvider;

class TacMDIWnd : public TacBaseWnd {
 public:
  // Section "CHECKBOX" and a placeholder link of the adapter's own, as the client has no
  // control; the provider is set afterwards (SetProvider).
  TacMDIWnd(HWND client, const std::string& section, TsSkinManager* manager, TsCommonData* skinLink);
  ~TacMDIWnd() override;
  void WndProc(vcl::TMessage& message) override;

  // The provider of the form that holds the client (not owned).
  void SetProvider(TsSkinProvider* provider);
  TsSkinProvider* Provider() const { return provider_; }

  // The client background onto the DC, from the provider's frame image (or in the form colour).
  void PaintClientBg(HDC dc, bool printing);
  // The client's edge onto its window DC.
  void PaintClientBorder(HDC windowDC);
  // The client window's rectangle in the provider's frame image.
  RECT ClientRectInCache() const;
  // While the active child is maximised: the form paints its background under each of its
  // skinned splitters again.
  void RepaintSplitters();

 private:
  bool Skinned() const;
  bool ChildMaximized() const;
  HWND FormWnd() const;
  TsSkinProvider* provider_ = nullptr;
  TsCommonData* providerLink_ = nullptr;
};

}  // namespace skin

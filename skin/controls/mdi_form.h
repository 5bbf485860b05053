// TsMDIForm: the link between a skinned MDI form and its MDI client window. The form's provider
// makes it; while the provider is skinned, the client is skinned by a TacMDIWnd adapter that
// paints it out of the provider's frame image.
#pragma once

#include "skin/forms/mdi_link.h"
#include "vcl/runtime/persistent.h"
#include "vcl/controls/forms.h"

namespace skin {

class TacMainWnd;

class TsMDIForm : public vcl::TPersistent, public TacMdiLink {
  VCL_CLASS(TsMDIForm, vcl::TPersistent)
  // Makes sure the provider's form has its window (and so its MDI client).
  explicit TsMDIForm(TsSkinProvider* provider);
  ~TsMDIForm() override;

  // Nothing at design time or when connected; otherwise connects (or, without a skin,
  // disconnects).
  void ConnectToClient() override;
  void RefreshFrame() override;
  TacMDIWnd* ClientAdapter() const override { return adapter_; }
  TsSkinProvider* SkinProvider() const { return provider_; }
  vcl::TCustomForm* Form() const { return form_; }

 private:
  void Connect();
  void Disconnect();

  TsSkinProvider* provider_;
  vcl::TCustomForm* form_ = nullptr;
  TacMDIWnd* adapter_ = nullptr;  // owned
};

// Lets providers of MDI forms make their links (RegisterSkinnedControls calls it).
void InstallSkinnedMdiForms();

}  // namespace skin

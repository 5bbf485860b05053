#include "skin/controls/mdi_form.h"

#include "skin/forms/adapters/mdi_wnd.h"
#include "skin/forms/skin_provider.h"

namespace skin {

TsMDIForm::TsMDIForm(TsSkinProvider* provider) : provider_(provider) {
  form_ = provider ? provider->Form() : nullptr;
  if (form_) form_->HandleNeeded();
}

TsMDIForm::~TsMDIForm() { Disconnect(); }

void TsMDIForm::ConnectToClient() {
  if (adapter_ || (form_ && form_->ComponentState().Contains(vcl::csDesigning))) return;
  Connect();
}

void TsMDIForm::Connect() {
  TsCommonData* link = provider_ ? provider_->SkinData() : nullptr;
  if (!link || !link->IsSkinned(false)) {
    Disconnect();
    return;
  }
  Disconnect();
  HWND client = form_ ? form_->ClientHandle() : nullptr;
  if (!client) return;
  // No skin link is handed over: the adapter makes its own placeholder ("CHECKBOX") and owns it.
  adapter_ = MakeAdapter<TacMDIWnd>(false, client, std::string("CHECKBOX"), link->GetSkinManager(), nullptr);
  adapter_->SetProvider(provider_);
}

void TsMDIForm::Disconnect() {
  if (!adapter_) return;
  // The adapter frees the placeholder link it owns; freeing that link here as well would free
  // it twice.
  TacMainWnd* adapter = adapter_;
  adapter_ = nullptr;
  HWND client = adapter->Wnd && IsWindow(adapter->Wnd) ? adapter->Wnd : nullptr;
  RemoveAdapter(client, true, false, adapter);
}

void TsMDIForm::RefreshFrame() {
  if (provider_) provider_->RefreshFrame();
}

void InstallSkinnedMdiForms() {
  SetMdiLinkMaker([](TsSkinProvider* provider) -> std::unique_ptr<TacMdiLink> {
    return std::make_unique<TsMDIForm>(provider);
  });
}

}  // namespace skin

// The MDI client link of a skinned MDI form. The skinned controls make the link (TsMDIForm);
// the provider, which lies below them, asks for it through the maker they install and talks to
// it through this interface: connect the MDI client window to its adapter, repaint the frame.
#pragma once

#include <memory>

namespace skin {

class TsSkinProvider;
class TacMDIWnd;

class TacMdiLink {
 public:
  virtual ~TacMdiLink() = default;
  // Puts the adapter on the form's MDI client while the provider is skinned; takes it off
  // otherwise.
  virtual void ConnectToClient() = 0;
  // The provider's frame anew (stale cache, WM_NCPAINT).
  virtual void RefreshFrame() = 0;
  // The adapter of the MDI client, null while not connected.
  virtual TacMDIWnd* ClientAdapter() const = 0;
};

using TacMdiLinkMaker = std::unique_ptr<TacMdiLink> (*)(TsSkinProvider* provider);
void SetMdiLinkMaker(TacMdiLinkMaker maker);
// A new link for the provider, null when no maker is installed.
std::unique_ptr<TacMdiLink> MakeMdiLink(TsSkinProvider* provider);

}  // namespace skin

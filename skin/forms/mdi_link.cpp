#include "skin/forms/mdi_link.h"

namespace skin {

namespace {
TacMdiLinkMaker mdiLinkMaker = nullptr;
}  // namespace

void SetMdiLinkMaker(TacMdiLinkMaker maker) { mdiLinkMaker = maker; }

std::unique_ptr<TacMdiLink> MakeMdiLink(TsSkinProvider* provider) {
  return mdiLinkMaker && provider ? mdiLinkMaker(provider) : nullptr;
}

}  // namespace skin

// The forms that carry a skin provider, broadcasts to every form of the application, the
// redraw lock that freezes skinned forms around a skin change, and the program's icons.
#pragma once

#include <vector>

#include "vcl/classes/component.h"
#include "vcl/controls/messages.h"
#include "vcl/graphics/icon.h"

namespace skin {

class TsSkinManager;

// In order of registration; a removal moves the last entry into the freed place.
extern std::vector<vcl::TComponent*> HookedForms;
void RegisterHookedForm(vcl::TComponent* form);
// Removes one registration of the form (a form registered twice stays registered once).
void UnregisterHookedForm(vcl::TComponent* form);

// Sends the message to every hooked form and passes it to the form's controls.
void BroadcastToHookedForms(vcl::TMessage& message);
// The same to every unskinned form of the application, then to the hooked forms: a skinned
// form hears the message once.
void BroadcastToAppForms(vcl::TMessage& message);

// Freezes (WM_SETREDRAW 0) the visible top-level hooked forms skinned by the manager, and
// thaws them again; with repaint the forms are shown with the skin-change animation and
// redrawn. Locks nest: only the outermost lock freezes and only its unlock thaws. Nothing
// is frozen or thawed while the application is minimised.
void LockFormsRedraw(TsSkinManager* manager);
void UnlockFormsRedraw(TsSkinManager* manager, bool repaint);

// Holds the redraw lock for a scope: the forms are thawed however the scope is left.
class TacRedrawLock {
 public:
  TacRedrawLock(TsSkinManager* manager, bool repaint) : manager_(manager), repaint_(repaint) {
    LockFormsRedraw(manager);
  }
  ~TacRedrawLock() { UnlockFormsRedraw(manager_, repaint_); }
  TacRedrawLock(const TacRedrawLock&) = delete;
  TacRedrawLock& operator=(const TacRedrawLock&) = delete;

 private:
  TsSkinManager* manager_;
  bool repaint_;
};

// The program file's icons from the shell, loaded on first use; null when it gives none.
vcl::TIcon* AppIconSmall();
vcl::TIcon* AppIconLarge();

}  // namespace skin

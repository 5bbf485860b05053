// Writing and reading a form's window placement (position, normal bounds, minimized and
// maximized positions, window state) in a storage section, under the keys "Flags", "ShowCmd",
// "PixelsPerInch", "MinMaxPos" and "NormPos" (the last two once per screen size and once
// plain, see ini_storage.h).
//
// What a settings file says is checked before it is applied: a normal rectangle without width
// or height is ignored, and one that lies off the current desktop (saved on another screen, or
// edited by hand) is moved onto the nearest monitor's work area.
#pragma once

#include <string>

#include "vcl/runtime/system.h"
#include "vcl/runtime/win.h"

namespace vcl {
class TCustomForm;
}

namespace placement {

// Writes the form window's placement to the section; a form without a window writes nothing.
void SaveWindowPlacement(vcl::TCustomForm* form, vcl::TObject* storage, const std::string& section);
// Applies the position (loadPosition) and the window state (loadState) stored in the section.
// A section without a stored position leaves the form where it is; so does a stored
// resolution other than the screen's.
void LoadWindowPlacement(vcl::TCustomForm* form, vcl::TObject* storage, const std::string& section, bool loadState,
                         bool loadPosition);

// The rectangle (screen coordinates) moved and, where it is larger, shrunk onto the work area of
// the monitor nearest to it, unless it already lies within the desktop and on some monitor.
RECT FitOntoDesktop(const RECT& rect);

}  // namespace placement

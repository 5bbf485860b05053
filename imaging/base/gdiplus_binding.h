// The process-wide binding to the platform's GDI+ library: loaded at run time by its first
// user, shut down when the last user lets it go. Without it every TIECanvas draws through the
// plain canvas.
#pragma once

namespace imaging {

// Adds a user; the first one (while GDI+ use is on) loads gdiplus.dll and starts it.
void LoadGDIPlus();
// Drops a user; the last one shuts GDI+ down and unloads it.
void UnloadGDIPlus();
bool IsGDIPlusLoaded();
// GDI+ use is on and the library is loaded.
bool IsGDIPlusAvailable();
// Start-up hook: GDI+ use on, nothing loaded, no users.
void ResetGDIPlusState();

}  // namespace imaging

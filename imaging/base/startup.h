// The image library's shared start-up and shut-down. Each subsystem hangs its one-time work
// (tables, clipboard formats, loaded libraries) on a fixed slot; the first IEStaticInitialize
// runs the hooks in slot order, and the IEStaticFinalize that balances the last one runs the
// shut-down hooks in reverse order.
#pragma once

#include <cstdint>

namespace imaging {

// The slots, in start-up order.
enum TIEStaticHookSlot {
  ieshGDIPlus,    // GDI+ state reset (filled by this library)
  ieshDefs,       // library definitions (filled by this library)
  ieshUtils,      // utility module (filled by this library)
  ieshJ2000,      // JPEG 2000 codec
  ieshVect,       // vector layer
  ieshImageIO,    // image I/O
  ieshImageProc,  // image processing
  ieshImageView,  // image view
  ieshTifCCITT,   // CCITT decode trees
  ieshTextC,      // text editor clipboard format
  ieshPresetIm,   // preset images
  ieshSlotCount
};

using TIEStaticHook = void (*)();

// Puts a subsystem's hooks (either may be nil) in its slot, replacing what was there. A
// subsystem registers before the first IEStaticInitialize; one that registers while the
// library is started has its start-up hook run at once, so that its shut-down hook later
// balances it.
void IERegisterStaticHooks(TIEStaticHookSlot slot, TIEStaticHook initialize, TIEStaticHook finalize);

// Raises the use count; the call that raises it from 0 runs the start-up hooks in slot order.
// When a hook raises, the hooks already run are shut down again in reverse order, the count
// stays and the exception propagates.
void IEStaticInitialize();
// Lowers the use count; the call that brings it to 0 runs the shut-down hooks in reverse slot
// order. Without a matching IEStaticInitialize it does nothing.
void IEStaticFinalize();
// Completed IEStaticInitialize calls not yet balanced.
int32_t IEStaticUseCount();

// The utility module's own hooks (slot ieshUtils).
void HYIEUtilsStaticInit();
void HYIEUtilsStaticFinalize();

// Settings of the library bitmap, set by the start-up: the memory threshold in bytes (-1:
// automatic), whether a bitmap falls back to a temporary file and whether allocation is retried
// in blocks.
extern int64_t BitmapMemoryThreshold;
extern bool BitmapFileFallback;
extern bool BitmapBlockRetry;
// Whether file names go to the platform's wide-character functions.
extern bool IEWideAPI;
// The colour-management library once something has loaded it (an HMODULE); freed at shut-down.
extern void* IEColorManagementModule;

}  // namespace imaging

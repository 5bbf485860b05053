// What every part of the skinning toolkit shares: the skinning message and its command
// numbers, the image kinds of skin masks, the key colour and the process-wide flags.
//
// Decisions that hold for the whole toolkit (the engine, form skinning and the controls use
// these names and nothing else):
// - Command 9 is cmdSetParentImage. The flag it sets is the one that the controls also call
//   "cache frozen": one flag, named ParentImageForced in the skin link.
// - Command numbers outside the engine's table are reserved here so that no two layers reuse
//   one: 5, 14, 35, 37, 51, 52, 61 and 28 (adapt the new children of a dialog) belong to form
//   skinning, 675 (a menu hands a hot speed button over) to the controls. Command 25 with
//   lParam 0 means the whole form.
// - The skin link's fields keep the engine's names: UpdatePending, HasFocus, LinkedControl,
//   ParentImageForced, PaintFlags. Other layers' words for them ("updating", "focus flag",
//   "owner control", "cache frozen", "control-flag word") name these same fields.
// - The globals are DefaultManager, ScrollBarWidth, GlobalSkinApplying, GlobalSkinChanging,
//   GlobalSkinRemoving and NoFading (below and in the manager's header). "The skin-change
//   flag" is GlobalSkinChanging; "fade suppression" is NoFading.
// - Mask glyphs: mode 1 paints the normal row; any other mode paints the faded look. The skin
//   engine's painter decides it, and title buttons follow it.
// - TsSkinData has no CAPTIONHEIGHT key; BORDERCOLOR reads 0 when an INI skin leaves it out
//   (0xFF00FF is only the older stored format's default).
// - Painter signatures (PaintSkinDataBg, PaintSlicedMask, FillKeyColorFromBg, CopyBmp9Slice,
//   CopyBorderStrips, the background request) are the engine's; callers adapt.
// - The engine's own PNG reader inflates with raw zlib through its own decoder; the container's
//   inflate stream and the PNG reader's classes live in skin::zlibex and skin::png, apart from
//   the image library's classes of the same names.
// - The manager's skin-wide record is TsSkinManager::SkinData() (a TsSkinData); the per-control
//   link of form skinning and the controls is called SkinLink, never SkinData.
#pragma once

#include <cstdint>

namespace skin {

// The skinning message. It is registered with the platform at start-up, then fixed to this
// value so that every module and every process agrees on it. Compare against SM_ALPHACMD.
extern uint32_t SM_ALPHACMD;
constexpr uint32_t SkinMessageValue = 0xA100;

// Command numbers: the high word of wParam (MAKEWPARAM(argument, command)).
enum TacSkinCommand : uint16_t {
  cmdSkinSet = 1,
  cmdSkinRemoved = 2,
  cmdSkinRefresh = 3,
  cmdGetProvider = 4,
  cmdRepaint = 6,
  cmdIsSkinned = 7,
  cmdSetUpdating = 8,
  cmdSetParentImage = 9,
  cmdGetStale = 10,
  cmdGetPartlyHidden = 11,
  cmdInvalidateIfTransparent = 12,
  cmdResetSection = 13,
  cmdStopFade = 16,
  cmdInvalidate = 17,
  cmdUpdateImage = 18,
  cmdGetShowsParent = 19,
  cmdBackgroundMoved = 20,
  cmdGetBgColor = 21,
  cmdSetPartlyHidden = 22,
  cmdPaintToCache = 23,
  cmdFadeFrame = 24,
  cmdControlLoaded = 25,
  cmdGetSectionIndex = 26,
  cmdQueryManager = 27,
  cmdAdaptDialogChildren = 28,
  cmdMouseEnter = 29,
  cmdMouseLeave = 30,
  cmdBeginUpdate = 31,
  cmdEndUpdate = 32,
  cmdGetBackground = 34,
  cmdFastFlags = 36,
  cmdGetApplication = 60,
  cmdMenuHotSpeedButton = 675,
};

// The transparent key colour of masks, glyphs and caches.
constexpr int32_t SkinKeyColor = 0xFF00FF;

// What a skin mask's image is.
enum TacImgType : uint8_t { itisaBorder = 0, itisaTexture = 1, itisaGlyph = 2, itisaGlow = 3, itisaPngGlyph = 4 };

// Process-wide flags that painting and animation code read to skip work: set while a manager
// broadcasts a new skin, removes one, or reloads one.
extern bool GlobalSkinApplying;
extern bool GlobalSkinRemoving;
extern bool GlobalSkinChanging;

}  // namespace skin

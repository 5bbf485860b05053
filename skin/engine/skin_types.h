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
//   flag" is GlobalSkinChanging; "fade suppression" is NoFading. Other layers' DefaultSkinManager
//   is DefaultManager, ScrollUnit is ScrollBarWidth, and AnimationDC is AnimImageDC (the show
//   animations' image DC).
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
// - The options below are the engine's; the further options that only form skinning and the
//   controls read are declared by them. Enumerations of the same order convert by a cast, so
//   no table maps one onto the other.
#pragma once

#include <bitset>
#include <cstdint>
#include <string>

namespace vcl {
class TBitmap;
}

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

// Control codes that the engine's own code tests for. A link's ControlCode is set by its
// owner's constructor; codes not listed here are still valid.
enum TacControlCode : int32_t {
  ccEdit = 3,
  ccRadioButton = 33,
  ccCurrencyEdit = 41,
  ccPanel = 51,
  ccDragBar = 56,
  ccScrollBox = 58,
  ccGroupBox = 74,
  ccSplitter = 75,
  ccSpeedButton = 92,
  ccButton = 93,
  ccBitButton = 94,
  ccComboEdit = 138,
  ccTrackBar = 165,
  ccSkinProvider = 224,
  ccFrameAdapter = 226,
  ccAdapterItems = 227,
};

// The skin section a control of the code takes when its SkinSection is empty; empty for a
// code without one (the owner's class name is used then).
std::string DefaultSkinSection(int32_t code);

// Sets of control codes; a code outside 0..255 is never a member.
using TacCodeSet = std::bitset<256>;
bool CodeInSet(const TacCodeSet& set, int32_t code);
// Controls whose frame is redrawn on focus changes and when the mouse enters or leaves.
extern const TacCodeSet EditLikeCodes;
// Containers that never take the mouse-over state.
extern const TacCodeSet NoHoverCodes;
// Controls that never show the skin glow.
extern const TacCodeSet NoGlowCodes;

// The transparent key colour of masks, glyphs and caches.
constexpr int32_t SkinKeyColor = 0xFF00FF;

// What lies behind an area being painted: a bitmap with the point of it that matches the
// area's origin (Ready), or a colour. A plain value; it never owns its bitmap.
struct TsBackgroundInfo {
  vcl::TBitmap* Bitmap = nullptr;
  int32_t X = 0;
  int32_t Y = 0;
  int32_t FillColor = 0;
  bool Ready = false;
};

// The answer when nothing lies behind a window.
extern const TsBackgroundInfo EmptyBackgroundInfo;

// Width of skinned scroll-bar arrows: the system's horizontal arrow width, 16 before start-up.
extern int32_t ScrollBarWidth;
// True while a form animation or a skin change draws off screen: controls compose their
// images in their caches and skip repaint broadcasts.
extern bool AnimationInProgress;
// Options the application may set before skinning starts.
extern bool AlwaysUseCache;              // every control composes its image in its cache
extern bool NoFading;                    // state changes repaint without the hover fade
extern bool CacheCoversGraphicChildren;  // a container's cache copy keeps windowless children
extern bool FirstGlyphFallback;          // a glyph strip shows frame 0 where it would show frame 1
// A section name whose controls a skin change resets (cmdResetSection); empty: none.
extern std::string ResetSectionName;
// The locale's short date format shows four-digit years.
extern bool FourDigitYear;

// The toolkit's interface texts, by their number in the program's string table (58910-58992);
// read from the table on first use, so a translated table changes them. Empty for a number the
// table lacks.
const std::string& SkinText(uint32_t id);
enum TacSkinTextId : uint32_t {
  stInternalSkin = 58963,     // "(internal)"
  stAvailableSkins = 58964,   // "Available skins"
  stFrameAdapterPlace = 58950,
  stClose = 58976,
  stMaximize = 58977,
  stMinimize = 58978,
  stSize = 58979,
  stMove = 58980,
  stRestore = 58981,
  stHelp = 58990,
  stCancel = 58991,
  stOK = 58992,
};

// What a skin mask's image is.
enum TacImgType : uint8_t { itisaBorder = 0, itisaTexture = 1, itisaGlyph = 2, itisaGlow = 3, itisaPngGlyph = 4 };

// Process-wide flags that painting and animation code read to skip work: set while a manager
// broadcasts a new skin, removes one, or reloads one.
extern bool GlobalSkinApplying;
extern bool GlobalSkinRemoving;
extern bool GlobalSkinChanging;

}  // namespace skin

// The colour conversions the codecs share: one row converter, reached through a replaceable
// hook, that turns rows of RGB, CMYK, CIELab, 48-bit RGB or YCbCr pixels into the library's
// blue-green-red rows (or 24-bit rows into CMYK, CIELab or grey), through the image's ICC
// profiles when colour management is on; and the profiles behind the single-colour CMYK
// converters of the image model.
//
// The switches IEEnableCMS and IEUseCMYKProfile are library-wide I/O settings (io_settings.h).
#pragma once

#include <cstdint>

#include "imaging/params/io_settings.h"

namespace imaging {

class TIEICC;
class TIOParamsVals;

// Converts `count` pixels of `source` (row format sourceFormat) into `target` (row format
// targetFormat). The row formats are those of TIEICC::TransformPixels (icc_profile.h):
//   0 red-green-blue, 1 blue-green-red (the library's 24-bit order), 2 packed CMYK (bytes of
//   255 minus the ink), 4 CIELab as RGBToCIELab gives it, 5 8-bit grey, 6 48-bit RGB in the
//   machine's word order, 7 48-bit RGB with the high byte of each word first, 8 YCbCr.
// With IEEnableCMS set and a parameter block whose source profile (the embedded one, or the
// block's default profile) is open and not yet applied, the row goes from that profile to the
// block's output profile. Otherwise, or when that fails, it is converted arithmetically:
//   0->1, 1->1, 1->2, 1->4, 1->5 (the library's grey weights), 2->1, 4->1, 6->1, 7->1, 8->1.
// Any other pair leaves the target as it is. `params` may be nil (no profiles).
void IEConvertColorRow(const void* source, int32_t sourceFormat, void* target, int32_t targetFormat, int32_t count,
                       TIOParamsVals* params);

using TIEConvertColorProc = void (*)(const void* source, int32_t sourceFormat, void* target, int32_t targetFormat,
                                     int32_t count, TIOParamsVals* params);
// The row converter the codecs call; IEConvertColorRow unless an application replaces it.
extern TIEConvertColorProc IEConvertColorHook;

// The built-in CMYK press profile and the system sRGB profile behind the single-colour CMYK
// converters (IECMYKToRGB, IERGBToCMYK) while IEUseCMYKProfile is set; nil until
// InitCMYKProfiles has prepared them.
extern TIEICC* IECMYKProfile;
extern TIEICC* IESRGBProfile;

// Opens the built-in CMYK profile and the system sRGB profile and prepares the transforms
// between them, once; true when they can be used. When the built-in profile cannot be opened
// this and every later call answer false and the CMYK converters stay arithmetic. Safe to
// call from several threads.
bool InitCMYKProfiles();
// Frees both profiles (the I/O shut-down, before the colour-management library is unloaded);
// the next InitCMYKProfiles prepares them again.
void FreeCMYKProfiles();

}  // namespace imaging

// The shell's icon of a file as a TIEBitmap with its transparency: the icon handle from the
// shell, written as a one-entry icon file into memory and read back with the icon reader.
#pragma once

#include <cstdint>
#include <string>

#include "vcl/runtime/win.h"

namespace vcl {
class TStream;
}

namespace imaging {

class TIEBitmap;

// The shell's large icon for the file (its type's icon), or 0 when there is none.
HICON GetFileIconHandle(const std::string& FileName);

// Loads the file's icon into the bitmap, its transparency into the alpha channel. Never
// raises: without an icon the bitmap keeps its pixels and only loses its alpha channel.
void GetFileIconBitmap(const std::string& FileName, TIEBitmap* Bitmap);

// The icon into the bitmap as GetFileIconBitmap does it (the handle stays the caller's).
void IconToIEBitmap(HICON Icon, TIEBitmap* Bitmap);

// Writes the icon as a one-entry icon file of 32 bits with its AND mask. False, with nothing
// written, when the icon's bitmaps cannot be had (a nil handle, a monochrome icon).
bool TryWriteIconToStream(vcl::TStream* Stream, HICON Icon);
// The same, failures ignored.
void WriteIconToStream(vcl::TStream* Stream, HICON Icon);

// A device-independent header for one of the icon's bitmaps: 1 bit for a colour count of 2,
// 4 bits for 3 to 16, 32 bits for more (no colour table); height as the bitmap's.
void InitIconBitmapInfoHeader(HBITMAP Bitmap, BITMAPINFOHEADER& Header, int32_t Colours);
// The bytes of the header with its colour table, and of the pixels.
void GetIconDIBSizes(HBITMAP Bitmap, int32_t Colours, uint32_t& InfoHeaderSize, uint32_t& ImageSize);
// Fills `Info` (header and colour table, InfoHeaderSize bytes) and `Bits` (ImageSize bytes).
bool GetIconDIB(HBITMAP Bitmap, int32_t Colours, void* Info, void* Bits);

}  // namespace imaging

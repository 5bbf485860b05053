// The metadata the TIFF writer takes from a parameter block that carries EXIF data: the EXIF
// fields of the main directory, the EXIF sub-directory and the GPS sub-directory.
#pragma once

namespace imaging {

class TIOParamsVals;
class TIFFEntryList;
class TIFFOutput;

// Adds the main-directory EXIF tags to `mainEntries`, writes the EXIF directory (and the GPS
// directory when the block has a GPS version) and points to them from `mainEntries`.
void WriteEXIFIFD(TIFFOutput& output, TIFFEntryList& mainEntries, TIOParamsVals& params);

}  // namespace imaging

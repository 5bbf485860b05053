// The library-wide settings of the image I/O: plain variables holding their start-up values,
// meant to be changed by the application before I/O begins (they carry no lock).
#pragma once

#include <cstdint>
#include <string>

#include "imaging/model/temp_block_store.h"
#include "imaging/model/routines/quantizer.h"

namespace imaging {

// The resolution readers store when a file gives none (and the JPEG writer writes for a block
// whose resolution is 0).
extern int32_t IEDefaultDpiX;
extern int32_t IEDefaultDpiY;

// File-exists test: true = the runtime library's test, false = the platform's attributes with
// folders counting as missing.
extern bool IEUseFileExists;
// Folder of the temporary pixel files; empty = the system's temporary folder. The image model
// keeps this setting; the I/O name refers to the same variable.
inline std::string& IETempFolder = DefaultTempDirectory;
// File names of the acquisition log and the I/O debug log; empty = no log.
extern std::string IETwainLogFile;
extern std::string IEDebugLogFile;
// Colour management of the codecs' colour conversions.
extern bool IEEnableCMS;
extern bool IEUseCMYKProfile;
// The colour quantizer's engine (-1 automatic, 0 neural network, 1 median cut) and quality
// (-1 its default). The quantizer keeps these settings; the I/O names refer to the same
// variables.
inline int32_t& IEColorReductionAlgorithm = QuantizerEngine;
inline int32_t& IEColorReductionQuality = QuantizerQuality;
// The keep-origin argument for the buffered read streams put in front of detection and
// parameters-only reads.
extern bool IEBufferedReadKeepOrigin;
// The largest width or height, in pixels, a metafile is rendered at.
extern int32_t IEMetafileMaxSize;

}  // namespace imaging

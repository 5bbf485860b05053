// The PDF writer (file type 18, write only): one page per image, each showing its image from
// the top-left corner of the paper, scaled to fit with its aspect ratio kept. A document is
// opened, given pages and finished; WritePDFStream does all three for one image. Objects stay
// in memory until the document is finished, since PDF writes its objects' offsets at the end.
//
// Bilevel (ie1g) images use PDFCompression 0 none, 1 RunLength, 2 CCITT Group 4, 3 (and 4,
// which becomes 3) CCITT Group 3 two-dimensional, 5 LZW; colour (ie24RGB) images 4 DCT, 5 LZW
// and any other value none. Other pixel formats are written from an ie24RGB copy. Without an
// LZW coder in the parameter block, LZW images are stored uncompressed. A failed write or
// coder sets the aborting flag.
#pragma once

#include <memory>
#include <vector>

#include "imaging/metadata/pdf_objects.h"

namespace vcl {
class TStream;
}

namespace imaging {

class TIEBitmap;
class TIOParamsVals;
struct TCodecProgress;

// An open document. `Objects` owns every object; the other lists point into it.
struct TPDFDocument {
  TIEPDFObjectList Objects;
  TIEPDFPageList Pages;
  std::vector<TIEPDFStreamObject*> Images;
  std::vector<TIEPDFStreamObject*> Contents;
  TIEPDFDictionaryObject* Resources = nullptr;
  TIEPDFDictionaryObject* Catalog = nullptr;
};

std::unique_ptr<TPDFDocument> NewPDFDocument();
// Adds a page showing the bitmap on the parameter block's paper.
void AddPDFPage(TPDFDocument* Document, TIEBitmap* Bitmap, TIOParamsVals& Params, TCodecProgress& Progress);
// Writes the whole document at the stream's position and frees it; false when a write failed.
// Nothing (and true) for a nil document.
bool EndPDFDocument(std::unique_ptr<TPDFDocument> Document, vcl::TStream* Stream, TIOParamsVals& Params);
// A one-page document.
void WritePDFStream(vcl::TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TCodecProgress& Progress);

// Puts the writer into the registry row of file type 18.
void RegisterPDFFormat();

}  // namespace imaging

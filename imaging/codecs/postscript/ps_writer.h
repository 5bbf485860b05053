// The PostScript Level 2 writer (file type 17, write only). A document is begun, given pages
// and ended, so that one file can hold several pages; WritePSStream does all three for one
// image. Each page puts its image on the paper from the top-left corner, scaled to fit with its
// aspect ratio kept, as ASCII85 text over RunLength, CCITT fax or DCT (JPEG) data.
//
// Bilevel (ie1g) pages use PSCompression 0 RunLength, 1 CCITT Group 4, 2 and 3 CCITT Group 3
// two-dimensional; colour (ie24RGB) pages use 3 DCT and any other value RunLength per channel.
// Other pixel formats are written from an ie24RGB copy. A failed write sets the aborting flag.
#pragma once

#include <cstdint>
#include <memory>

namespace vcl {
class TStream;
}

namespace imaging {

class TIEBitmap;
class TIOParamsVals;
struct TCodecProgress;

// An open document: where its "%%Pages:" line stands, where the next page goes, and the pages
// it holds.
struct TPSDocument {
  int64_t PagesLinePos = 0;
  int64_t NextPagePos = 0;
  int32_t PageCount = 0;
  // Set by any write that could not be completed.
  bool WriteFailed = false;
};

// Writes the document header at the stream's position.
std::unique_ptr<TPSDocument> BeginPSDocument(vcl::TStream* Stream, TIOParamsVals& Params);
// Appends one page (on the parameter block's paper) and counts it in the "%%Pages:" line.
void AddPSPage(TPSDocument* Document, vcl::TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params,
               TCodecProgress& Progress);
// Writes the trailer and frees the document; false when any write of the document failed.
// Nothing (and true) for a nil document.
bool EndPSDocument(std::unique_ptr<TPSDocument> Document, vcl::TStream* Stream);
// A one-page document.
void WritePSStream(vcl::TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TCodecProgress& Progress);

// Puts the writer into the registry row of file type 17.
void RegisterPostScriptFormat();

}  // namespace imaging

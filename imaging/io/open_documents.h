// The multi-page PostScript and PDF documents an I/O object may hold open, each with the stream
// it goes to. Nothing in this library opens one; the object only finishes one it holds.
#pragma once

#include <memory>

#include "imaging/codecs/pdf/pdf_writer.h"
#include "imaging/codecs/postscript/ps_writer.h"
#include "imaging/io/image_io.h"
#include "vcl/runtime/streams.h"

namespace imaging {

struct TImageIO::TOpenDocuments {
  std::unique_ptr<TPSDocument> ps;
  std::unique_ptr<vcl::TStream> psStream;
  std::unique_ptr<TPDFDocument> pdf;
  std::unique_ptr<vcl::TStream> pdfStream;
};

}  // namespace imaging

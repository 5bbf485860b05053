// The PostScript and PDF members of TImageIO (write only): one page per save, and the closing
// of a multi-page document the object holds open.
#include <memory>

#include "imaging/codecs/pdf/pdf_writer.h"
#include "imaging/codecs/postscript/ps_writer.h"
#include "imaging/io/codec_call.h"
#include "imaging/io/image_io.h"
#include "imaging/io/open_documents.h"

namespace imaging {

void TImageIO::SavePSToStream(vcl::TStream* stream) {
  if (HandToWorker([this, stream] { SavePSToStream(stream); })) return;
  RunSave(stream, 17, [&](vcl::TStream* target, TIEBitmap* bitmap, TCodecProgress& progress) {
    CallCodec(progress, [&] { WritePSStream(target, bitmap, *params_, progress); });
  });
}

void TImageIO::SavePSToFile(const std::u16string& name) {
  if (HandToWorker([this, name] { SavePSToFile(name); })) return;
  RunSaveByName(name, 17, [&](vcl::TStream* target, TIEBitmap* bitmap, TCodecProgress& progress) {
    CallCodec(progress, [&] { WritePSStream(target, bitmap, *params_, progress); });
  });
}

void TImageIO::SavePDFToStream(vcl::TStream* stream) {
  if (HandToWorker([this, stream] { SavePDFToStream(stream); })) return;
  RunSave(stream, 18, [&](vcl::TStream* target, TIEBitmap* bitmap, TCodecProgress& progress) {
    CallCodec(progress, [&] { WritePDFStream(target, bitmap, *params_, progress); });
  });
}

void TImageIO::SavePDFToFile(const std::u16string& name) {
  if (HandToWorker([this, name] { SavePDFToFile(name); })) return;
  RunSaveByName(name, 18, [&](vcl::TStream* target, TIEBitmap* bitmap, TCodecProgress& progress) {
    CallCodec(progress, [&] { WritePDFStream(target, bitmap, *params_, progress); });
  });
}

void TImageIO::ClosePSFile() {
  if (!documents_ || !documents_->ps) return;
  EndPSDocument(std::move(documents_->ps), documents_->psStream.get());
  documents_->psStream.reset();
}

void TImageIO::ClosePDFFile() {
  if (!documents_ || !documents_->pdf) return;
  EndPDFDocument(std::move(documents_->pdf), documents_->pdfStream.get(), *params_);
  documents_->pdfStream.reset();
}

}  // namespace imaging

#include "imaging/codecs/pdf/pdf_writer.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>

#include "imaging/base/geometry.h"
#include "imaging/codecs/jpeg/jpeg_codec.h"
#include "imaging/codecs/page_image_coding.h"
#include "imaging/codecs/writer_bitmaps.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/file_formats.h"
#include "imaging/params/io_params.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/streams.h"
#include "vcl/runtime/sysutils.h"

namespace imaging {

namespace {

TIEPDFNameObject* Name(const char* text) { return new TIEPDFNameObject(text); }
TIEPDFNumericObject* Number(double value) { return new TIEPDFNumericObject(value); }

// The rows through the parameter block's LZW coder (one call per row, then the closing call).
std::vector<uint8_t> LZWEncodedRows(TTIFFLZWCompressProc coder, int32_t height,
                                    const std::function<const uint8_t*(int32_t row)>& rowData, int32_t rowBytes) {
  vcl::TMemoryStream stream;
  void* state = nullptr;
  for (int32_t y = 0; y < height; ++y) coder(rowData(y), rowBytes, &stream, state);
  coder(nullptr, 0, &stream, state);
  const auto* bytes = static_cast<const uint8_t*>(stream.Memory());
  return std::vector<uint8_t>(bytes, bytes + stream.Size());
}

// "D:" and the local time as yyyymmddhhmmss.
std::string PDFCreationDate() {
  const vcl::TDateTime now = vcl::Now();
  uint16_t year, month, day, hour, minute, second, millisecond;
  vcl::DecodeDate(now, year, month, day);
  vcl::DecodeTime(now, hour, minute, second, millisecond);
  char text[64];
  std::snprintf(text, sizeof text, "D:%04u%02u%02u%02u%02u%02u", unsigned(year), unsigned(month), unsigned(day),
                unsigned(hour), unsigned(minute), unsigned(second));
  return text;
}

// The image stream of a bilevel bitmap; false when the coder failed.
bool BilevelImage(TIEBitmap* bitmap, TIOParamsVals& params, TIEPDFStreamObject* image) {
  const int32_t width = bitmap->Width(), height = bitmap->Height();
  TIEPDFDictionaryObject* dictionary = image->Dictionary();
  if (params.PDFCompression == 4) params.PDFCompression = 3;
  const std::vector<uint8_t> rows = GatherBilevelRows(bitmap);
  if (rows.size() > size_t(INT32_MAX) / 2) return false;
  std::vector<uint8_t> data;
  switch (params.PDFCompression) {
    case 1: {
      data = RunLengthEncoded(rows.data(), int32_t(rows.size()));
      auto* filters = new TIEPDFArrayObject;
      filters->Add(Name("RunLengthDecode"));
      dictionary->SetItem("Filter", filters);
      break;
    }
    case 2:
    case 3: {
      const bool group3 = params.PDFCompression == 3;
      if (!CCITTEncodedRows(bitmap, group3, data)) return false;
      dictionary->SetItem("Filter", Name("CCITTFaxDecode"));
      auto* parameters = new TIEPDFDictionaryObject;
      parameters->SetItem("K", Number(group3 ? 1 : -1));
      parameters->SetItem("BlackIs1", new TIEPDFBooleanObject(true));
      parameters->SetItem("Columns", Number(width));
      parameters->SetItem("Rows", Number(height));
      parameters->SetItem("EndOfLine", new TIEPDFBooleanObject(false));
      parameters->SetItem("Uncompressed", new TIEPDFBooleanObject(true));
      parameters->SetItem("EncodedByteAlign", new TIEPDFBooleanObject(false));
      parameters->SetItem("EndOfBlock", new TIEPDFBooleanObject(false));
      dictionary->SetItem("DecodeParms", parameters);
      break;
    }
    case 5:
      if (params.TIFFLZWCompress) {
        const int32_t rowBytes = (width + 7) / 8;
        data = LZWEncodedRows(
            params.TIFFLZWCompress, height, [&](int32_t y) { return rows.data() + size_t(y) * size_t(rowBytes); },
            rowBytes);
        dictionary->SetItem("Filter", Name("LZWDecode"));
        break;
      }
      data = rows;  // no coder: stored as it is
      break;
    default: data = rows; break;
  }
  if (data.size() > size_t(INT32_MAX)) return false;
  image->SetData(data.data(), int32_t(data.size()));
  dictionary->SetItem("ColorSpace", Name("DeviceGray"));
  dictionary->SetItem("BitsPerComponent", Number(1));
  return true;
}

// The image stream of an ie24RGB bitmap; false when the coder failed.
bool ColourImage(TIEBitmap* bitmap, TIOParamsVals& params, TCodecProgress& progress, TIEPDFStreamObject* image) {
  const int32_t width = bitmap->Width(), height = bitmap->Height();
  TIEPDFDictionaryObject* dictionary = image->Dictionary();
  const char* colourSpace = "DeviceRGB";
  std::vector<uint8_t> data;
  if (params.PDFCompression == 4) {
    // A CMYK or YCCK JPEG would not match the RGB colour space: those are written as YCbCr.
    const uint8_t asked = params.JPEGColorSpace;
    if (asked > 2) params.JPEGColorSpace = 2;
    vcl::TMemoryStream jpeg;
    WriteJPEGStream(&jpeg, bitmap, params, progress);
    params.JPEGColorSpace = asked;
    if (progress.IsAborting()) return false;
    const auto* bytes = static_cast<const uint8_t*>(jpeg.Memory());
    data.assign(bytes, bytes + jpeg.Size());
    dictionary->SetItem("Filter", Name("DCTDecode"));
    if (asked == 1) colourSpace = "DeviceGray";
  } else {
    // PDF takes red first; the bitmap holds blue first.
    const size_t rowBytes = size_t(width) * 3;
    std::vector<uint8_t> rgb(rowBytes * size_t(height));
    for (int32_t y = 0; y < height; ++y) {
      const auto* row = static_cast<const uint8_t*>(bitmap->GetScanline(y));
      uint8_t* out = rgb.data() + rowBytes * size_t(y);
      for (int32_t x = 0; x < width; ++x) {
        out[3 * x] = row[3 * x + 2];
        out[3 * x + 1] = row[3 * x + 1];
        out[3 * x + 2] = row[3 * x];
      }
    }
    if (params.PDFCompression == 5 && params.TIFFLZWCompress) {
      data = LZWEncodedRows(
          params.TIFFLZWCompress, height, [&](int32_t y) { return rgb.data() + rowBytes * size_t(y); },
          int32_t(rowBytes));
      dictionary->SetItem("Filter", Name("LZWDecode"));
    } else {
      data = std::move(rgb);
    }
  }
  // Stream objects hold at most 2 GB.
  if (data.size() > size_t(INT32_MAX)) return false;
  image->SetData(data.data(), int32_t(data.size()));
  dictionary->SetItem("ColorSpace", Name(colourSpace));
  dictionary->SetItem("BitsPerComponent", Number(8));
  return true;
}

}  // namespace

std::unique_ptr<TPDFDocument> NewPDFDocument() {
  auto document = std::make_unique<TPDFDocument>();
  document->Catalog = CreatePDFCatalog(document->Objects);
  auto* resources = new TIEPDFDictionaryObject;
  auto* procSet = new TIEPDFArrayObject;
  procSet->Add(Name("PDF"));
  procSet->Add(Name("ImageB"));
  resources->SetItem("ProcSet", procSet);
  resources->SetItem("XObject", new TIEPDFDictionaryObject);
  AddPDFObject(document->Objects, resources);
  document->Resources = resources;
  return document;
}

void AddPDFPage(TPDFDocument* Document, TIEBitmap* Bitmap, TIOParamsVals& Params, TCodecProgress& Progress) {
  if (!Document || Bitmap->Width() <= 0 || Bitmap->Height() <= 0) return Progress.Abort();
  TIEBitmap* source = Bitmap;
  std::unique_ptr<TIEBitmap> copy;
  if (source->PixelFormat() != ie1g && source->PixelFormat() != ie24RGB) {
    copy = ConvertedCopy(Bitmap, ie24RGB);
    source = copy.get();
  }
  const int32_t width = source->Width(), height = source->Height();
  const bool bilevel = source->PixelFormat() == ie1g;
  Params.BitsPerSample = bilevel ? 1 : 8;
  Params.SamplesPerPixel = bilevel ? 1 : 3;
  Progress.Report(0);

  auto image = std::make_unique<TIEPDFStreamObject>();
  image->Dictionary()->SetItem("Type", Name("XObject"));
  image->Dictionary()->SetItem("Subtype", Name("Image"));
  const bool coded =
      bilevel ? BilevelImage(source, Params, image.get()) : ColourImage(source, Params, Progress, image.get());
  if (!coded) return Progress.Abort();
  image->Dictionary()->SetItem("Width", Number(width));
  image->Dictionary()->SetItem("Height", Number(height));
  TIEPDFStreamObject* registered = image.release();
  AddPDFObject(Document->Objects, registered);
  Document->Images.push_back(registered);
  const std::string index = std::to_string(Document->Images.size());

  int32_t fittedWidth = 1, fittedHeight = 1;
  ScaleSizeToFit(width, height, Params.PDFPaperWidth, Params.PDFPaperHeight, fittedWidth, fittedHeight);
  const std::string text = "q\n" + std::to_string(fittedWidth) + " 0 0 " + std::to_string(fittedHeight) + " 0 " +
                           std::to_string(Params.PDFPaperHeight - fittedHeight) + " cm\n/lm" + index + " Do\nQ";
  auto* contents = new TIEPDFStreamObject(text.data(), int32_t(text.size()));
  AddPDFObject(Document->Objects, contents);
  Document->Contents.push_back(contents);

  auto* xobjects = static_cast<TIEPDFDictionaryObject*>(Document->Resources->GetItem("XObject"));
  xobjects->SetItem("lm" + index, new TIEPDFRefObject(registered->ObjectNumber, 0));

  auto* mediaBox = new TIEPDFArrayObject;
  for (double value : {0.0, 0.0, double(Params.PDFPaperWidth), double(Params.PDFPaperHeight)}) mediaBox->Add(Number(value));
  CreatePDFPage(Document->Objects, Document->Pages, Document->Resources, contents->ObjectNumber, mediaBox);
  Progress.Report(100);
}

bool EndPDFDocument(std::unique_ptr<TPDFDocument> Document, vcl::TStream* Stream, TIOParamsVals& Params) {
  if (!Document) return true;
  CreatePDFPageTree(Document->Objects, Document->Pages);
  auto* info = new TIEPDFDictionaryObject;
  const std::pair<const char*, const std::string&> texts[] = {
      {"Title", Params.PDFTitle},       {"Author", Params.PDFAuthor},   {"Subject", Params.PDFSubject},
      {"Keywords", Params.PDFKeywords}, {"Creator", Params.PDFCreator}, {"Producer", Params.PDFProducer},
  };
  for (const auto& [key, value] : texts)
    if (!value.empty()) info->SetItem(key, new TIEPDFStringObject(value));
  info->SetItem("CreationDate", new TIEPDFStringObject(PDFCreationDate()));
  AddPDFObject(Document->Objects, info);
  try {
    WritePDFHeader(Stream);
    WritePDFObjects(Stream, Document->Objects);
    WritePDFTrailer(Stream, Document->Objects, info);
  } catch (const vcl::Exception&) {
    // The object writers raise on a short write.
    return false;
  }
  return true;
}

void WritePDFStream(vcl::TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TCodecProgress& Progress) {
  std::unique_ptr<TPDFDocument> document = NewPDFDocument();
  AddPDFPage(document.get(), Bitmap, Params, Progress);
  if (Progress.IsAborting()) return;
  if (!EndPDFDocument(std::move(document), Stream, Params)) Progress.Abort();
}

void RegisterPDFFormat() {
  if (TIEFileFormatInfo* row = GetFileFormatInfo(18)) row->WriteFunction = WritePDFStream;
}

}  // namespace imaging

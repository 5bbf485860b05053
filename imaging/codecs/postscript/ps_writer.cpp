#include "imaging/codecs/postscript/ps_writer.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "imaging/base/geometry.h"
#include "imaging/base/stream_encoders.h"
#include "imaging/codecs/jpeg/jpeg_codec.h"
#include "imaging/codecs/page_image_coding.h"
#include "imaging/codecs/writer_bitmaps.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/file_formats.h"
#include "imaging/params/io_params.h"
#include "vcl/runtime/streams.h"
#include "vcl/runtime/sysutils.h"

namespace imaging {

namespace {

constexpr const char* kLineEnd = "\r\n";
// The "%%Pages:" count is written in a field of this width so that the line can be rewritten
// in place as pages are added.
constexpr size_t kPageCountField = 6;

// Lines and bytes to the stream, remembering whether any write fell short.
class TPSOutput {
 public:
  TPSOutput(vcl::TStream* stream, bool& failed) : stream_(stream), failed_(failed) {}
  void Line(const std::string& text) { Bytes(text + kLineEnd); }
  void Bytes(const std::string& text) { StreamWriteChecked(stream_, failed_, text.data(), int32_t(text.size())); }
  void Bytes(const std::vector<uint8_t>& data) {
    // In pieces: a page's text may exceed what one 32-bit write can take.
    constexpr size_t kPiece = size_t(1) << 30;
    for (size_t done = 0; done < data.size(); done += kPiece)
      StreamWriteChecked(stream_, failed_, data.data() + done, int32_t(std::min(kPiece, data.size() - done)));
  }

 private:
  vcl::TStream* stream_;
  bool& failed_;
};

std::string PagesLine(int32_t count) {
  std::string number = std::to_string(count);
  if (number.size() < kPageCountField) number.append(kPageCountField - number.size(), ' ');
  return "%%Pages: " + number;
}

// "ddd mmm dd hh:nn:ss yyyy" with English names whatever the locale: the date is part of the
// document's comments, read by programs rather than people.
std::string PostScriptCreationDate() {
  static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const vcl::TDateTime now = vcl::Now();
  uint16_t year, month, day, hour, minute, second, millisecond;
  vcl::DecodeDate(now, year, month, day);
  vcl::DecodeTime(now, hour, minute, second, millisecond);
  char text[64];
  std::snprintf(text, sizeof text, "%s %s %02u %02u:%02u:%02u %04u", kDays[(vcl::DayOfWeek(now) + 6) % 7],
                kMonths[(month + 11) % 12], unsigned(day), unsigned(hour), unsigned(minute), unsigned(second),
                unsigned(year));
  return text;
}

// The ASCII85 text of one page's image data; false when a coder failed.
bool EncodePSPageData(TIEBitmap* bitmap, TIOParamsVals& params, TCodecProgress& progress,
                      std::vector<uint8_t>& text) {
  const int32_t width = bitmap->Width(), height = bitmap->Height();
  progress.Per1 = 100.0 / height;
  auto append = [&text](const std::vector<uint8_t>& piece) { text.insert(text.end(), piece.begin(), piece.end()); };
  if (params.SamplesPerPixel == 1) {
    if (params.PSCompression == 0) {
      const std::vector<uint8_t> rows = GatherBilevelRows(bitmap);
      // The encoders count in 32 bits.
      if (rows.size() > size_t(INT32_MAX) / 2) return false;
      const std::vector<uint8_t> coded = RunLengthEncoded(rows.data(), int32_t(rows.size()));
      append(ASCII85Encoded(coded.data(), int32_t(coded.size())));
    } else {
      std::vector<uint8_t> coded;
      if (!CCITTEncodedRows(bitmap, params.PSCompression != 1, coded) || coded.size() > size_t(INT32_MAX) / 2)
        return false;
      append(ASCII85Encoded(coded.data(), int32_t(coded.size())));
    }
    progress.Report(100);
    return true;
  }
  if (params.PSCompression == 3) {
    // The page declares three components: a grey or CMYK JPEG would be a PostScript error at
    // print time, so those colour spaces are written as YCbCr.
    const uint8_t asked = params.JPEGColorSpace;
    if (asked != 0 && asked != 2) params.JPEGColorSpace = 2;
    vcl::TMemoryStream jpeg;
    WriteJPEGStream(&jpeg, bitmap, params, progress);
    params.JPEGColorSpace = asked;
    if (progress.IsAborting() || jpeg.Size() > INT32_MAX / 2) return false;
    append(ASCII85Encoded(static_cast<const uint8_t*>(jpeg.Memory()), int32_t(jpeg.Size())));
    return true;
  }
  // One RunLength piece per row and channel, red first, each read by its own procedure.
  std::vector<uint8_t> channel(static_cast<size_t>(width));
  for (int32_t y = 0; y < height; ++y) {
    if (progress.IsAborting()) return false;
    const auto* row = static_cast<const uint8_t*>(bitmap->GetScanline(y));
    for (int32_t offset : {2, 1, 0}) {
      for (int32_t x = 0; x < width; ++x) channel[size_t(x)] = row[3 * x + offset];
      const std::vector<uint8_t> coded = RunLengthEncoded(channel.data(), width);
      append(ASCII85Encoded(coded.data(), int32_t(coded.size())));
    }
    progress.Report(static_cast<int32_t>(y * progress.Per1));
  }
  return true;
}

// One page: placement, the image operator and its data. False when the data could not be coded.
bool WritePSPage(TPSOutput& out, TIEBitmap* bitmap, TIOParamsVals& params, TCodecProgress& progress,
                 int32_t pageNumber, int32_t pageWidth, int32_t pageHeight) {
  const int32_t width = bitmap->Width(), height = bitmap->Height();
  const std::string w = std::to_string(width), h = std::to_string(height);
  out.Line("%%Page: " + std::to_string(pageNumber) + " " + std::to_string(pageNumber));
  out.Line("0 " + std::to_string(pageHeight) + " translate");
  int32_t fittedWidth = 1, fittedHeight = 1;
  ScaleSizeToFit(width, height, pageWidth, pageHeight, fittedWidth, fittedHeight);
  out.Line(std::to_string(fittedWidth) + " -" + std::to_string(fittedHeight) + " scale");
  const bool bilevel = bitmap->PixelFormat() == ie1g;
  params.BitsPerSample = bilevel ? 1 : 8;
  params.SamplesPerPixel = bilevel ? 1 : 3;
  out.Line(w + " " + h + " " + std::to_string(params.BitsPerSample));
  out.Line("[ " + w + " 0 0 " + h + " 0 0 ]");

  std::vector<uint8_t> data;
  if (!EncodePSPageData(bitmap, params, progress, data)) return false;
  std::string imageOperator;
  if (!bilevel) {
    if (params.PSCompression == 3) {
      out.Line("currentfile /ASCII85Decode filter << >> /DCTDecode filter");
      out.Line("false 3");
    } else {
      for (const char* name : {"rstr", "gstr", "bstr"}) out.Line(std::string("/") + name + " " + w + " string def");
      for (const char* name : {"rstr", "gstr", "bstr"})
        out.Line(std::string("{currentfile /ASCII85Decode filter /RunLengthDecode filter ") + name +
                 " readstring pop}");
      out.Line("true 3");
    }
    imageOperator = "colorimage";
  } else {
    if (params.PSCompression == 0) {
      out.Line("currentfile /ASCII85Decode filter /RunLengthDecode filter");
    } else {
      const char* k = params.PSCompression == 1 ? "-1" : "1";
      out.Line(std::string("currentfile /ASCII85Decode filter << /K ") + k + " /BlackIs1 true /Columns " + w +
               " /Rows " + h +
               " /EndOfLine false /Uncompressed true /EncodedByteAlign false /EndOfBlock false >> /CCITTFaxDecode "
               "filter");
    }
    imageOperator = "image";
  }
  // The count tells document readers how many bytes to pass over to reach "%%EndData": the
  // operator line and the data, line ends included.
  const size_t dataBytes = imageOperator.size() + 2 + data.size();
  out.Line("%%BeginData:      " + std::to_string(dataBytes) + " ASCII Bytes");
  out.Line(imageOperator);
  out.Bytes(data);
  out.Line("%%EndData");
  out.Line("showpage");
  return true;
}

}  // namespace

std::unique_ptr<TPSDocument> BeginPSDocument(vcl::TStream* Stream, TIOParamsVals& Params) {
  auto document = std::make_unique<TPSDocument>();
  TPSOutput out(Stream, document->WriteFailed);
  out.Line("%!PS-Adobe-3.0");
  out.Line("%%Creator: Imaging by Corvanta");
  out.Line("%%Title: " + Params.PSTitle);
  out.Line("%%CreationDate: " + PostScriptCreationDate());
  out.Line("%%DocumentData: Clean7Bit");
  out.Line("%%LanguageLevel: 2");
  document->PagesLinePos = Stream->Position();
  out.Line(PagesLine(0));
  out.Line("%%BoundingBox: 0 0 " + std::to_string(Params.PSPaperWidth - 1) + " " +
           std::to_string(Params.PSPaperHeight - 1));
  out.Line("%%EndComments");
  document->NextPagePos = Stream->Position();
  return document;
}

void AddPSPage(TPSDocument* Document, vcl::TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params,
               TCodecProgress& Progress) {
  if (!Document || Bitmap->Width() <= 0 || Bitmap->Height() <= 0) return Progress.Abort();
  TIEBitmap* source = Bitmap;
  std::unique_ptr<TIEBitmap> copy;
  if (source->PixelFormat() != ie1g && source->PixelFormat() != ie24RGB) {
    copy = ConvertedCopy(Bitmap, ie24RGB);
    source = copy.get();
  }
  TPSOutput out(Stream, Document->WriteFailed);
  const int32_t pageNumber = Document->PageCount + 1;
  Stream->SetPosition(Document->PagesLinePos);
  out.Line(PagesLine(pageNumber));
  Stream->SetPosition(Document->NextPagePos);
  if (!WritePSPage(out, source, Params, Progress, pageNumber, Params.PSPaperWidth, Params.PSPaperHeight)) {
    Document->WriteFailed = true;
    return Progress.Abort();
  }
  Document->PageCount = pageNumber;
  Document->NextPagePos = Stream->Position();
  if (Document->WriteFailed) Progress.Abort();
}

bool EndPSDocument(std::unique_ptr<TPSDocument> Document, vcl::TStream* Stream) {
  if (!Document) return true;
  TPSOutput out(Stream, Document->WriteFailed);
  Stream->SetPosition(Document->NextPagePos);
  out.Line("%%Trailer");
  out.Line("%%EOF");
  return !Document->WriteFailed;
}

void WritePSStream(vcl::TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TCodecProgress& Progress) {
  std::unique_ptr<TPSDocument> document = BeginPSDocument(Stream, Params);
  AddPSPage(document.get(), Stream, Bitmap, Params, Progress);
  if (!EndPSDocument(std::move(document), Stream)) Progress.Abort();
}

void RegisterPostScriptFormat() {
  if (TIEFileFormatInfo* row = GetFileFormatInfo(17)) row->WriteFunction = WritePSStream;
}

}  // namespace imaging

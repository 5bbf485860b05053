// The load and save members of the formats whose codecs also fill registry rows: each reaches
// its codec with what differs for the format (stream headers, the DCX container, TGA alpha,
// PostScript and PDF pages, DICOM resolution, the camera-raw redirect, raw samples), and the
// dispatch by name, number and content reaches the members.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "imaging/codecs/hdphoto/hdphoto_codec.h"
#include "imaging/codecs/psd/psd_codec.h"
#include "imaging/io/image_io.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/params/file_formats.h"
#include "tests/imaging/io/io_test_support.h"
#include "tests/support/file_helpers.h"
#include "vcl/runtime/streams.h"

using namespace imaging;
using namespace io_test;
using test_files::Bytes;

namespace {

using TStreamCall = void (TImageIO::*)(vcl::TStream*);
using TNameCall = void (TImageIO::*)(const std::u16string&);

struct TMemberCase {
  const char* name;
  const char* extension;
  int32_t fileType;
  TNameCall saveFile;
  TStreamCall saveStream;
  TNameCall loadFile;
  TStreamCall loadStream;
  int32_t tolerance;
};

const TMemberCase kMemberCases[] = {
    {"PCX", ".pcx", 4, &TImageIO::SavePCXToFile, &TImageIO::SavePCXToStream, &TImageIO::LoadPCXFromFile,
     &TImageIO::LoadPCXFromStream, 0},
    {"DCX", ".dcx", 19, &TImageIO::SaveDCXToFile, &TImageIO::SaveDCXToStream, &TImageIO::LoadDCXFromFile,
     &TImageIO::LoadDCXFromStream, 0},
    {"TGA", ".tga", 11, &TImageIO::SaveTGAToFile, &TImageIO::SaveTGAToStream, &TImageIO::LoadTGAFromFile,
     &TImageIO::LoadTGAFromStream, 0},
    {"JP2", ".jp2", 13, &TImageIO::SaveJP2ToFile, &TImageIO::SaveJP2ToStream, &TImageIO::LoadJP2FromFile,
     &TImageIO::LoadJP2FromStream, 2},
    {"J2K", ".j2k", 14, &TImageIO::SaveJ2KToFile, &TImageIO::SaveJ2KToStream, &TImageIO::LoadJ2KFromFile,
     &TImageIO::LoadJ2KFromStream, 2},
    {"PSD", ".psd", 24, &TImageIO::SavePSDToFile, &TImageIO::SavePSDToStream, &TImageIO::LoadPSDFromFile,
     &TImageIO::LoadPSDFromStream, 0},
};

class MemberTest : public IOTest, public ::testing::WithParamInterface<TMemberCase> {
 protected:
  static void Prepare(TImageIO& io) {
    io.IEBitmap()->Assign(Smooth(23, 11).get());
    io.Params().BitsPerSample = 8;
    io.Params().SamplesPerPixel = 3;
  }
};

TEST_P(MemberTest, SavedAndLoadedByItsMembersByNameAndByStream) {
  const TMemberCase& c = GetParam();
  TImageIO writer(nullptr);
  Prepare(writer);
  const std::u16string name = File(std::string("picture") + c.extension);
  (writer.*c.saveFile)(name);
  ASSERT_FALSE(writer.Aborting());
  EXPECT_EQ(writer.Params().FileType, c.fileType);
  EXPECT_EQ(writer.Params().FileName, name);

  TImageIO byName(nullptr);
  TReports reports;
  reports.Attach(byName);
  (byName.*c.loadFile)(name);
  ASSERT_FALSE(byName.Aborting());
  EXPECT_EQ(reports.finished, 1);
  EXPECT_EQ(byName.Params().FileType, c.fileType);
  EXPECT_EQ(byName.Params().FileName, name);
  EXPECT_TRUE(Matches(*byName.IEBitmap(), *writer.IEBitmap(), c.tolerance));

  // By stream, from the middle of a larger stream.
  vcl::TMemoryStream stream;
  (writer.*c.saveStream)(&stream);
  ASSERT_FALSE(writer.Aborting());
  EXPECT_EQ(writer.Params().FileName, name);  // a stream save leaves the name
  stream.SetPosition(0);
  TImageIO byStream(nullptr);
  (byStream.*c.loadStream)(&stream);
  ASSERT_FALSE(byStream.Aborting());
  EXPECT_EQ(byStream.Params().FileType, c.fileType);
  EXPECT_TRUE(byStream.Params().FileName.empty());
  EXPECT_TRUE(Matches(*byStream.IEBitmap(), *writer.IEBitmap(), c.tolerance));

  // The dispatch reaches the same members.
  TImageIO dispatched(nullptr);
  stream.SetPosition(0);
  EXPECT_EQ(dispatched.FindStreamFormat(&stream), c.fileType);
  dispatched.LoadFromStream(&stream);
  ASSERT_FALSE(dispatched.Aborting());
  EXPECT_EQ(dispatched.Params().FileType, c.fileType);
  dispatched.LoadFromFileAuto(name);
  ASSERT_FALSE(dispatched.Aborting());
  EXPECT_TRUE(Matches(*dispatched.IEBitmap(), *writer.IEBitmap(), c.tolerance));
}

INSTANTIATE_TEST_SUITE_P(Formats, MemberTest, ::testing::ValuesIn(kMemberCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- PCX stream headers ----

using PCXStreamHeaderTest = IOTest;

Bytes HeadedPCX(const std::function<void(TImageIO&)>& setup = {}) {
  TImageIO writer(nullptr);
  writer.IEBitmap()->Assign(test_pictures::Gradient(9, 5).get());
  writer.Params().BitsPerSample = 8;
  writer.Params().SamplesPerPixel = 3;
  writer.SetStreamHeaders(true);
  if (setup) setup(writer);
  vcl::TMemoryStream stream;
  writer.SavePCXToStream(&stream);
  EXPECT_FALSE(writer.Aborting());
  return test_files::StreamBytes(&stream);
}

TEST_F(PCXStreamHeaderTest, TheSaveWritesTheHeaderAndTheLoadReadsPastIt) {
  const Bytes headed = HeadedPCX();
  ASSERT_GT(headed.size(), 12u);
  EXPECT_EQ(std::string(headed.begin(), headed.begin() + 4), "PCX2");
  EXPECT_EQ(headed[4] | headed[5] | headed[6] | headed[7], 0);
  const uint32_t length = headed[8] | headed[9] << 8 | headed[10] << 16 | uint32_t(headed[11]) << 24;
  EXPECT_EQ(length, headed.size() - 12);
  EXPECT_EQ(headed[12], 0x0A);  // the PCX file itself follows

  // Followed by other data: the load ends just after the image.
  Bytes bigger = headed;
  for (char c : std::string("after")) bigger.push_back(uint8_t(c));
  for (bool streamHeaders : {true, false}) {
    SCOPED_TRACE(streamHeaders);
    vcl::TMemoryStream stream;
    stream.WriteBuffer(bigger.data(), int32_t(bigger.size()));
    stream.SetPosition(0);
    TImageIO reader(nullptr);
    reader.SetStreamHeaders(streamHeaders);
    EXPECT_EQ(reader.FindStreamFormat(&stream), 4);
    reader.LoadPCXFromStream(&stream);
    ASSERT_FALSE(reader.Aborting());
    EXPECT_EQ(stream.Position(), int64_t(headed.size()));
    EXPECT_EQ(reader.IEBitmap()->Width(), 9);
    // By content as well.
    stream.SetPosition(0);
    TImageIO detected(nullptr);
    detected.SetStreamHeaders(streamHeaders);
    detected.LoadFromStream(&stream);
    ASSERT_FALSE(detected.Aborting());
    EXPECT_EQ(detected.Params().FileType, 4);
    EXPECT_EQ(LargestDifference(*detected.IEBitmap(), *reader.IEBitmap()), 0);
  }
}

TEST_F(PCXStreamHeaderTest, TheOlderShortHeaderAndAMissingHeader) {
  const Bytes headed = HeadedPCX();
  const Bytes plain(headed.begin() + 12, headed.end());
  Bytes shortHeaded = test_files::ToBytes(std::string("PCX") + '\0');
  shortHeaded.insert(shortHeaded.end(), plain.begin(), plain.end());

  struct Case {
    const char* name;
    const Bytes& data;
    bool streamHeaders;
    bool loads;
  } cases[] = {{"ShortHeader", shortHeaded, true, true},
               {"ShortHeaderWithoutStreamHeaders", shortHeaded, false, true},
               {"NoHeaderExpected", plain, false, true},
               {"NoHeaderWhereOneIsExpected", plain, true, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    vcl::TMemoryStream stream;
    stream.WriteBuffer(c.data.data(), int32_t(c.data.size()));
    stream.SetPosition(0);
    TImageIO reader(nullptr);
    TReports reports;
    reports.Attach(reader);
    reader.SetStreamHeaders(c.streamHeaders);
    FillSentinel(*reader.IEBitmap());
    reader.LoadPCXFromStream(&stream);
    EXPECT_EQ(reader.Aborting(), !c.loads);
    EXPECT_EQ(IsSentinel(*reader.IEBitmap()), !c.loads);
    EXPECT_EQ(reports.finished, 1);
  }
}

TEST_F(PCXStreamHeaderTest, AFailedSaveWritesNoHeader) {
  TImageIO writer(nullptr);
  writer.IEBitmap()->Assign(test_pictures::Gradient(9, 5).get());
  writer.Params().BitsPerSample = 16;  // no PCX depth
  writer.Params().SamplesPerPixel = 3;
  writer.SetStreamHeaders(true);
  vcl::TMemoryStream stream;
  writer.SavePCXToStream(&stream);
  EXPECT_TRUE(writer.Aborting());
  const Bytes written = test_files::StreamBytes(&stream);
  EXPECT_TRUE(written.size() < 4 || std::string(written.begin(), written.begin() + 4) != "PCX2");
}

// ---- DCX ----

using DCXStreamTest = IOTest;

TEST_F(DCXStreamTest, AStreamSaveEmptiesTheStreamFirst) {
  vcl::TMemoryStream stream;
  const Bytes old = test_files::ToBytes("data of something else, which no container holds");
  stream.WriteBuffer(old.data(), int32_t(old.size()));
  TImageIO writer(nullptr);
  writer.IEBitmap()->Assign(test_pictures::Gradient(9, 5).get());
  writer.Params().BitsPerSample = 8;
  writer.Params().SamplesPerPixel = 3;
  writer.SaveDCXToStream(&stream);
  ASSERT_FALSE(writer.Aborting());
  const Bytes written = test_files::StreamBytes(&stream);
  ASSERT_GE(written.size(), 4u);
  EXPECT_EQ(written[0] | written[1] << 8 | written[2] << 16 | uint32_t(written[3]) << 24, 987654321u);
  stream.SetPosition(0);
  TImageIO reader(nullptr);
  reader.LoadDCXFromStream(&stream);
  ASSERT_FALSE(reader.Aborting());
  EXPECT_EQ(LargestDifference(*reader.IEBitmap(), *writer.IEBitmap()), 0);
}

// ---- TGA alpha ----

TEST_F(DCXStreamTest, TGAMembersCarryTheAlphaChannel) {
  TImageIO writer(nullptr);
  writer.IEBitmap()->Assign(Smooth(8, 6).get());
  for (int32_t y = 0; y < 6; ++y)
    for (int32_t x = 0; x < 8; ++x) writer.IEBitmap()->GetAlphaChannel()->SetAlphaAt(x, y, uint8_t(x * 30));
  vcl::TMemoryStream stream;
  writer.SaveTGAToStream(&stream);
  ASSERT_FALSE(writer.Aborting());
  stream.SetPosition(0);
  TImageIO reader(nullptr);
  reader.LoadTGAFromStream(&stream);
  ASSERT_FALSE(reader.Aborting());
  ASSERT_TRUE(reader.IEBitmap()->HasAlphaChannel());
  EXPECT_TRUE(SameAlpha(*reader.IEBitmap(), *writer.IEBitmap()));
}

// ---- PostScript and PDF ----

using DocumentSaveTest = IOTest;

TEST_F(DocumentSaveTest, PageSavesByNameAndStream) {
  struct Case {
    const char* file;
    TNameCall byName;
    TStreamCall byStream;
    int32_t fileType;
    const char* signature;
  } cases[] = {{"page.ps", &TImageIO::SavePSToFile, &TImageIO::SavePSToStream, 17, "%!PS"},
               {"page.pdf", &TImageIO::SavePDFToFile, &TImageIO::SavePDFToStream, 18, "%PDF"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    TImageIO io(nullptr);
    io.IEBitmap()->Assign(test_pictures::FewColours(20, 10, 4).get());
    io.IEBitmap()->ConvertTo(ie8p);  // written from a 24-bit copy; the image stays
    vcl::TMemoryStream stream;
    (io.*c.byStream)(&stream);
    ASSERT_FALSE(io.Aborting());
    EXPECT_EQ(io.Params().FileType, 0);
    EXPECT_EQ(io.IEBitmap()->PixelFormat(), ie8p);
    const Bytes written = test_files::StreamBytes(&stream);
    ASSERT_GT(written.size(), 4u);
    EXPECT_EQ(std::string(written.begin(), written.begin() + 4), c.signature);
    (io.*c.byName)(File(c.file));
    ASSERT_FALSE(io.Aborting());
    EXPECT_EQ(io.Params().FileType, c.fileType);
    EXPECT_EQ(test_files::ReadFileBytes(folder_.UnixFile(c.file)), written);
    // No document was left open; closing finds nothing to do.
    io.ClosePSFile();
    io.ClosePDFFile();
  }
}

// ---- DICOM ----

Bytes ElementUS(uint16_t group, uint16_t element, uint16_t value) {
  Bytes b;
  test_files::PutLE16(b, group), test_files::PutLE16(b, element);
  b.insert(b.end(), {'U', 'S'});
  test_files::PutLE16(b, 2), test_files::PutLE16(b, value);
  return b;
}

Bytes ElementText(uint16_t group, uint16_t element, const char* vr, std::string text) {
  if (text.size() % 2) text.push_back(vr[0] == 'U' && vr[1] == 'I' ? '\0' : ' ');
  Bytes b;
  test_files::PutLE16(b, group), test_files::PutLE16(b, element);
  b.insert(b.end(), {uint8_t(vr[0]), uint8_t(vr[1])});
  test_files::PutLE16(b, uint32_t(text.size()));
  b.insert(b.end(), text.begin(), text.end());
  return b;
}

// A 4 x 2 8-bit grey DICOM image, explicit little-endian, without a resolution.
Bytes SmallDICOM() {
  Bytes file(128, 0);
  for (char c : std::string("DICM")) file.push_back(uint8_t(c));
  auto add = [&](const Bytes& element) { file.insert(file.end(), element.begin(), element.end()); };
  add(ElementText(0x0002, 0x0010, "UI", "1.2.840.10008.1.2.1"));
  add(ElementUS(0x0028, 0x0002, 1));
  add(ElementText(0x0028, 0x0004, "CS", "MONOCHROME2"));
  add(ElementUS(0x0028, 0x0010, 2));
  add(ElementUS(0x0028, 0x0011, 4));
  add(ElementUS(0x0028, 0x0100, 8));
  add(ElementUS(0x0028, 0x0101, 8));
  add(ElementUS(0x0028, 0x0102, 7));
  add(ElementUS(0x0028, 0x0103, 0));
  test_files::PutLE16(file, 0x7FE0), test_files::PutLE16(file, 0x0010);
  file.insert(file.end(), {'O', 'B', 0, 0});
  test_files::PutLE32(file, 8);
  for (uint8_t v : {0, 40, 80, 120, 160, 200, 240, 255}) file.push_back(v);
  return file;
}

using DICOMMemberTest = IOTest;

TEST_F(DICOMMemberTest, LoadsByNameAndStream) {
  const Bytes dicom = SmallDICOM();
  test_files::WriteFileBytes(folder_.UnixFile("scan.dcm"), dicom);
  TImageIO byName(nullptr);
  byName.LoadDICOMFromFile(File("scan.dcm"));
  ASSERT_FALSE(byName.Aborting());
  EXPECT_EQ(byName.Params().FileType, 28);
  EXPECT_EQ(byName.IEBitmap()->Width(), 4);
  EXPECT_EQ(byName.IEBitmap()->Height(), 2);
  vcl::TMemoryStream stream;
  stream.WriteBuffer(dicom.data(), int32_t(dicom.size()));
  stream.SetPosition(0);
  TImageIO byStream(nullptr);
  byStream.LoadDICOMFromStream(&stream);
  ASSERT_FALSE(byStream.Aborting());
  EXPECT_EQ(LargestDifference(*byStream.IEBitmap(), *byName.IEBitmap()), 0);
  EXPECT_EQ(byStream.Params().FileType, 28);
}

// ---- camera raw ----

using CameraRawMemberTest = IOTest;

int32_t pluginReads = 0;
void PluginReader(vcl::TStream*, TIEBitmap* bitmap, TIOParamsVals&, TCodecProgress&, bool) {
  ++pluginReads;
  bitmap->Allocate(3, 3, ie24RGB);
  bitmap->Fill(0);
}

TEST_F(CameraRawMemberTest, APluginThatClaimsRawFirstReadsInstead) {
  const Bytes data = test_files::ToBytes("not a camera's data, long enough to be looked at by the raw decoder");
  vcl::TMemoryStream stream;
  stream.WriteBuffer(data.data(), int32_t(data.size()));
  stream.SetPosition(0);
  TImageIO io(nullptr);
  FillSentinel(*io.IEBitmap());
  io.LoadCameraRawFromStream(&stream);
  EXPECT_TRUE(io.Aborting());  // the built-in reader finds no camera data
  EXPECT_TRUE(IsSentinel(*io.IEBitmap()));

  UnregisterFileFormat(20);
  auto plugin = std::make_unique<TIEFileFormatInfo>();
  plugin->FileType = 90;
  plugin->FullName = "Raw plug-in";
  plugin->Extensions = "RAW";
  plugin->ReadFunction = PluginReader;
  RegisterFileFormat(std::move(plugin));
  pluginReads = 0;
  stream.SetPosition(0);
  io.LoadCameraRawFromStream(&stream);
  EXPECT_FALSE(io.Aborting());
  EXPECT_EQ(pluginReads, 1);
  EXPECT_EQ(io.Params().FileType, 90);
  EXPECT_EQ(io.IEBitmap()->Width(), 3);
}

// ---- headerless raw ----

using RawBitmapMemberTest = IOTest;

TEST_F(RawBitmapMemberTest, TheTargetSaysWhatIsReadAndAnEmptyNameDoesNothing) {
  const Bytes samples = {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120};  // 2 x 2, red first
  test_files::WriteFileBytes(folder_.UnixFile("samples.raw"), samples);
  TImageIO io(nullptr);
  TReports reports;
  reports.Attach(io);
  io.IEBitmap()->Allocate(2, 2, ie24RGB);
  io.Params().RawBitmapRowAlign = 8;
  io.Params().SetDpiX(1);  // headerless data keep the resolution they are given
  io.LoadFromFileFormat(File("samples.raw"), 21);
  ASSERT_FALSE(io.Aborting());
  EXPECT_EQ(io.Params().FileType, 21);
  const TRGB first = io.IEBitmap()->GetPixel24(0, 0);
  EXPECT_EQ(first.r, 10);
  EXPECT_EQ(first.g, 20);
  EXPECT_EQ(first.b, 30);
  EXPECT_EQ(io.IEBitmap()->GetPixel24(1, 1).b, 120);
  EXPECT_EQ(reports.finished, 1);

  io.SetAborting(true);
  io.LoadFromFileFormat(u"", 21);
  io.LoadRawBitmapFromFile(u"");
  EXPECT_TRUE(io.Aborting());
  EXPECT_EQ(reports.finished, 1);

  vcl::TMemoryStream stream;
  stream.WriteBuffer(samples.data(), int32_t(samples.size()));
  stream.SetPosition(0);
  TImageIO byStream(nullptr);
  byStream.IEBitmap()->Allocate(2, 2, ie24RGB);
  byStream.LoadRawBitmapFromStream(&stream);
  ASSERT_FALSE(byStream.Aborting());
  EXPECT_EQ(LargestDifference(*byStream.IEBitmap(), *io.IEBitmap()), 0);
}

// ---- HD Photo ----

TEST_F(RawBitmapMemberTest, HDPhotoMembersReachTheCodec) {
  // Data that are no HD Photo fail like any format's, whether or not the platform decodes it.
  const Bytes garbage = test_files::ToBytes("II\xBC\x01 but nothing an HD Photo decoder takes, long enough");
  vcl::TMemoryStream bad;
  bad.WriteBuffer(garbage.data(), int32_t(garbage.size()));
  bad.SetPosition(0);
  TImageIO failing(nullptr);
  TReports failed;
  failed.Attach(failing);
  FillSentinel(*failing.IEBitmap());
  failing.Params().FileType = 42;
  failing.LoadHDPFromStream(&bad);
  EXPECT_TRUE(failing.Aborting());
  EXPECT_TRUE(IsSentinel(*failing.IEBitmap()));
  EXPECT_EQ(failing.Params().FileType, 42);
  EXPECT_EQ(failed.finished, 1);

  TImageIO io(nullptr);
  io.IEBitmap()->Assign(Smooth(16, 8).get());
  vcl::TMemoryStream stream;
  io.SaveHDPToStream(&stream);
  if (!IsHDPhotoEncoderAvailable()) {
    EXPECT_TRUE(io.Aborting());
    GTEST_SKIP() << "no HD Photo encoder here";
  }
  ASSERT_FALSE(io.Aborting());
  io.SaveHDPToFile(File("picture.wdp"));
  ASSERT_FALSE(io.Aborting());
  EXPECT_EQ(io.Params().FileType, 29);
  stream.SetPosition(0);
  TImageIO reader(nullptr);
  reader.LoadHDPFromStream(&stream);
  ASSERT_FALSE(reader.Aborting());
  EXPECT_EQ(reader.Params().FileType, 29);
  EXPECT_TRUE(Matches(*reader.IEBitmap(), *io.IEBitmap(), 4));
  TImageIO byName(nullptr);
  byName.LoadHDPFromFile(File("picture.wdp"));
  ASSERT_FALSE(byName.Aborting());
  EXPECT_EQ(byName.Params().FileType, 29);
}

// ---- PSD: one layer's transparency ----

using PSDMemberTest = IOTest;

TEST_F(PSDMemberTest, ASingleLayerGivesItsTransparencyAtItsPlace) {
  // A 30 x 40 canvas with one 8 x 6 opaque layer at (10, 20).
  TIEBitmap merged(30, 40, ie24RGB);
  merged.Fill(0);
  TPSDLayers layers(1);
  layers[0].Bitmap = std::make_unique<TIEBitmap>(8, 6, ie24RGB);
  layers[0].Bitmap->Fill(0xFFFFFF);
  layers[0].Bitmap->GetAlphaChannel()->Fill(255);
  layers[0].PosX = 10;
  layers[0].PosY = 20;
  TIOParamsVals params(nullptr);
  TCodecProgress progress;
  std::atomic<bool> aborting{false};
  progress.Aborting = &aborting;
  vcl::TMemoryStream stream;
  WritePSDStream(&stream, params, progress, &merged, layers);
  ASSERT_FALSE(aborting);

  for (bool viaDispatch : {false, true}) {
    SCOPED_TRACE(viaDispatch);
    stream.SetPosition(0);
    TImageIO io(nullptr);
    if (viaDispatch)
      io.LoadFromStream(&stream);
    else
      io.LoadPSDFromStream(&stream);
    ASSERT_FALSE(io.Aborting());
    TIEBitmap* bitmap = io.IEBitmap();
    ASSERT_EQ(bitmap->Width(), 30);
    ASSERT_TRUE(bitmap->HasAlphaChannel());
    EXPECT_EQ(bitmap->GetAlphaAt(0, 0), 0);
    EXPECT_EQ(bitmap->GetAlphaAt(9, 20), 0);
    EXPECT_EQ(bitmap->GetAlphaAt(10, 20), 255);
    EXPECT_EQ(bitmap->GetAlphaAt(17, 25), 255);
    EXPECT_EQ(bitmap->GetAlphaAt(18, 25), 0);
    EXPECT_EQ(bitmap->GetAlphaAt(17, 26), 0);
  }
}

}  // namespace

// Source text export: each kind of text holds exactly the bytes of the encoded picture (read
// back from the text), names are identifiers, and a failed encoding leaves no file behind.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tests/imaging/io/io_test_support.h"
#include "tests/support/file_helpers.h"
#include "vcl/runtime/streams.h"

using namespace imaging;
using namespace io_test;
using test_files::Bytes;

namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// Every hexadecimal item after `prefix` ("$" or "0x") in the lines.
Bytes HexItems(const std::vector<std::string>& lines, const std::string& prefix) {
  Bytes bytes;
  for (const std::string& line : lines)
    for (size_t at = line.find(prefix); at != std::string::npos; at = line.find(prefix, at + 1))
      bytes.push_back(static_cast<uint8_t>(std::stoi(line.substr(at + prefix.size(), 2), nullptr, 16)));
  return bytes;
}

Bytes Base64Decode(const std::vector<std::string>& lines) {
  static const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  Bytes bytes;
  uint32_t bits = 0;
  int count = 0;
  for (const std::string& line : lines)
    for (char c : line) {
      const size_t value = alphabet.find(c);
      if (value == std::string::npos) continue;
      bits = (bits << 6) | static_cast<uint32_t>(value);
      count += 6;
      if (count >= 8) {
        count -= 8;
        bytes.push_back(static_cast<uint8_t>(bits >> count));
      }
    }
  return bytes;
}

class SourceTextTest : public IOTest {
 protected:
  void SetUp() override {
    IOTest::SetUp();
    picture_ = Smooth(30, 20);
    io_ = TImageIO::CreateFromBitmap(picture_.get());
  }
  // The picture as the exporter encodes it.
  Bytes Encoded(int32_t fileType) {
    vcl::TMemoryStream stream;
    io_->SaveToStream(&stream, fileType);
    const auto* data = static_cast<const uint8_t*>(stream.Memory());
    return Bytes(data, data + stream.Size());
  }
  std::string Text(const std::string& name) {
    const Bytes bytes = test_files::ReadFileBytes(folder_.UnixFile(name));
    return std::string(bytes.begin(), bytes.end());
  }
  std::unique_ptr<TIEBitmap> picture_;
  std::unique_ptr<TImageIO> io_;
};

}  // namespace

TEST_F(SourceTextTest, APascalConstantHoldsTheEncodedBytes) {
  io_->SaveToPascalSource(File("v1.2 picture.pas"), 5, 0);
  ASSERT_FALSE(io_->Aborting());
  const Bytes encoded = Encoded(5);
  const std::vector<std::string> lines = Lines(Text("v1.2 picture.pas"));
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[0], "const");
  EXPECT_EQ(lines[1], "  v1_2_picture_Size = " + std::to_string(encoded.size()) + ";");
  EXPECT_EQ(lines[2], "  v1_2_picture : array [0..v1_2_picture_Size-1] of byte = (");
  for (size_t i = 3; i + 1 < lines.size(); ++i) {
    EXPECT_EQ(lines[i].rfind("    $", 0), 0u) << lines[i];
    EXPECT_LE(lines[i].size(), 4u + 71u + 4u) << lines[i];
    EXPECT_EQ(lines[i].back(), ',');
  }
  EXPECT_EQ(lines.back().substr(lines.back().size() - 2), ");");
  EXPECT_EQ(HexItems(lines, "$"), encoded);
  EXPECT_EQ(io_->Params().FileName, File("v1.2 picture.pas"));
}

TEST_F(SourceTextTest, AHexListAndBase64HoldTheEncodedBytes) {
  io_->SaveToPascalSource(File("list.h"), 8, 1);
  ASSERT_FALSE(io_->Aborting());
  const Bytes png = Encoded(8);
  std::vector<std::string> lines = Lines(Text("list.h"));
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], "// Size=" + std::to_string(png.size()));
  lines.erase(lines.begin());
  EXPECT_EQ(HexItems(lines, "0x"), png);
  EXPECT_NE(lines.back().back(), ',');

  io_->SaveToPascalSource(File("text.b64"), 8, 2);
  ASSERT_FALSE(io_->Aborting());
  lines = Lines(Text("text.b64"));
  for (size_t i = 0; i + 1 < lines.size(); ++i) EXPECT_EQ(lines[i].size(), 76u);
  EXPECT_EQ(Base64Decode(lines), png);
}

TEST_F(SourceTextTest, AnAsynchronousExportIsCompleteWhenItReports) {
  TReports reports;
  reports.Attach(*io_);
  io_->SetAsynchronous(true);
  io_->SaveToPascalSource(File("async.pas"), 5, 0);
  ASSERT_TRUE(PumpUntil([&] { return reports.finished > 0; }));
  // One report, and the text is whole by then.
  const std::vector<std::string> lines = Lines(Text("async.pas"));
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back().substr(lines.back().size() - 2), ");");
  io_->WaitThreads(false);
  vcl::CheckSynchronize(0);
  EXPECT_EQ(reports.finished, 1);
  io_->SetAsynchronous(false);
  EXPECT_EQ(HexItems(lines, "$"), Encoded(5));
}

TEST_F(SourceTextTest, ACharacterPictureShowsTheGreyLevels) {
  TIEBitmap two(2, 1, ie24RGB);
  two.SetPixel24(0, 0, TRGB{0, 0, 0});
  two.SetPixel24(1, 0, TRGB{255, 255, 255});
  auto io = TImageIO::CreateFromBitmap(&two);
  io->SaveToPascalSource(File("two.txt"), 0, 3);
  EXPECT_FALSE(io->Aborting());
  EXPECT_EQ(Text("two.txt"), "W \r\n");
}

TEST_F(SourceTextTest, FailuresWriteNothingAndKeepAnOldFile) {
  TIEBitmap grey(4, 4, ie8g);
  auto greyIO = TImageIO::CreateFromBitmap(&grey);
  struct Case {
    const char* what;
    TImageIO* io;
    int32_t fileType;
    uint8_t kind;
  } cases[] = {
      {"a format nothing writes", io_.get(), 999, 0},
      {"a character picture of a grey image", greyIO.get(), 0, 3},
      {"an unknown kind", io_.get(), 5, 7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test_files::WriteFileBytes(folder_.UnixFile("old.pas"), Bytes{'o', 'l', 'd'});
    int32_t finished = 0;
    c.io->OnFinishWork = [&](vcl::TObject*) { ++finished; };
    c.io->SaveToPascalSource(File("old.pas"), c.fileType, c.kind);
    EXPECT_TRUE(c.io->Aborting());
    EXPECT_GE(finished, 1);
    EXPECT_EQ(Text("old.pas"), "old");
    c.io->SaveToPascalSource(File("new.pas"), c.fileType, c.kind);
    EXPECT_FALSE(test_files::RunShell("test -e '" + folder_.UnixFile("new.pas") + "'") == 0);
  }
}

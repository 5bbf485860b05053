#include "tests/skin/engine/test_skin.h"

#include <cstdio>
#include <sstream>

#include "vcl/graphics/bitmap.h"
#include "vcl/graphics/jpeg.h"
#include "vcl/runtime/sysutils.h"
#include "vcl/runtime/win.h"

namespace skin_test {

const char* const TestOptions =
    "[GLOBALINFO]\r\n"
    "VERSION=6.5\r\n"
    "AUTHOR=Test author\r\n"
    "DESCRIPTION=A skin for the tests\r\n"
    "TITLEHEIGHT=24\r\n"
    "MAXHEIGHT=0\r\n"
    "BORDERCOLOR=$00112233\r\n"
    "SHADOW1BLUR=3\r\n"
    "MASTERBITMAP=master.bmp\r\n"
    "COLOR=15790320\r\n"
    "HOTCOLOR=0xFFEEDD\r\n"
    "CHECK=@0000@0000@0016@0016@2@1\r\n"
    "[BUTTON]\r\n"
    "PARENTCLASS=BASE\r\n"
    "BORDERSMASK=^0000^0016^0048^0032^0004^0004^0004^0004^3^1^0^0\r\n"
    "COLOR=-1\r\n"
    "GRADIENTDATA=12632256;15132390;62;1;0\r\n"
    "[BASE]\r\n"
    "COLOR=12345\r\n"
    "HOTCOLOR=$00ABCDEF\r\n"
    "FONTCOLOR=255\r\n"
    "TCLEFT=16\r\n"
    "GLOW=2\r\n"
    "SHOWFOCUS=true\r\n"
    "FADINGITERATIONS=7\r\n"
    "PATTERN=~0000~0000~0008~0008~01~1\r\n"
    "BORDERSMASK=!frame.BMP!3!1!0\r\n"
    "SKIPPED=!frame.png!3!1!0\r\n"
    "[PANEL]\r\n"
    "PARENTCLASS=BUTTON\r\n"
    "IMGTOPLEFT=corner.bmp\r\n"
    "LEGACY=#(0,0,16,16)(2,1,3,0)\r\n"
    "TEXTURE=tex.jpg\r\n"
    "BIGTEX=big.jpg\r\n"
    "; a comment line\r\n"
    "[LOOPA]\r\n"
    "PARENTCLASS=LOOPB\r\n"
    "[LOOPB]\r\n"
    "PARENTCLASS=LOOPA\r\n"
    "[SELF]\r\n"
    "PARENTCLASS=self\r\n";

namespace {

// A bitmap of the size with a pattern of colours that makes every pixel tell.
std::unique_ptr<vcl::TBitmap> PatternBitmap(int width, int height) {
  auto bitmap = std::make_unique<vcl::TBitmap>();
  bitmap->SetPixelFormat(vcl::pf24bit);
  bitmap->SetSize(width, height);
  for (int y = 0; y < height; ++y) {
    auto* row = static_cast<uint8_t*>(bitmap->ScanLine(y));
    for (int x = 0; x < width; ++x) {
      row[x * 3] = uint8_t(x * 7 + y);
      row[x * 3 + 1] = uint8_t(y * 5);
      row[x * 3 + 2] = uint8_t((x + y) * 3 + 40);
    }
  }
  return bitmap;
}

template <class G>
std::string Saved(G& graphic) {
  vcl::TMemoryStream stream;
  graphic.SaveToStream(&stream);
  return std::string(static_cast<const char*>(stream.Memory()), size_t(stream.Size()));
}

std::string Bmp(int width, int height) { return Saved(*PatternBitmap(width, height)); }

std::string Jpeg(int width, int height) {
  vcl::TJPEGImage jpeg;
  jpeg.Assign(PatternBitmap(width, height).get());
  return Saved(jpeg);
}

uint32_t Checksum(vcl::TBitmap& bitmap) {
  uint32_t sum = 0;
  int bytes = bitmap.PixelFormat() == vcl::pf32bit ? 4 : 3;
  for (int y = 0; y < bitmap.Height(); ++y) {
    auto* row = static_cast<const uint8_t*>(bitmap.ScanLine(y));
    for (int x = 0; x < bitmap.Width() * bytes; ++x) sum = sum * 31 + row[x];
  }
  return sum;
}

}  // namespace

std::vector<skin::TacPackEntry> TestSkinEntries(const std::string& options) {
  return {{"Options.dat", options},      {"master.bmp", Bmp(64, 48)}, {"frame.bmp", Bmp(36, 24)},
          {"CORNER.BMP", Bmp(12, 12)},   {"tex.jpg", Jpeg(20, 20)},   {"big.jpg", Jpeg(300, 300)}};
}

void WriteSkinFolder(const std::string& folder, const std::vector<skin::TacPackEntry>& entries) {
  CreateDirectoryA(folder.c_str(), nullptr);
  for (const skin::TacPackEntry& entry : entries) {
    vcl::TMemoryStream stream;
    stream.WriteBuffer(entry.Data.data(), int32_t(entry.Data.size()));
    stream.SaveToFile(folder + "\\" + entry.Name);
  }
}

std::string PackEntries(const std::vector<skin::TacPackEntry>& entries) {
  vcl::TMemoryStream stream;
  skin::PackSkin(entries, &stream);
  return std::string(static_cast<const char*>(stream.Memory()), size_t(stream.Size()));
}

std::string StoredSkinFormText(const std::string& name, const std::string& packed, const std::string& skinDirectory) {
  std::string hex;
  static const char* digits = "0123456789ABCDEF";
  for (size_t i = 0; i < packed.size(); ++i) {
    if (i % 32 == 0) hex += "\n        ";
    hex += digits[uint8_t(packed[i]) >> 4];
    hex += digits[uint8_t(packed[i]) & 15];
  }
  return "object sSkinManager1: TsSkinManager\n"
         "  ExtendedBorders = True\n"
         "  InternalSkins = <\n"
         "    item\n"
         "      Name = '" + name + "'\n"
         "      Data = {" + hex + "}\n"
         "    end>\n"
         "  MenuSupport.IcoLineSkin = 'ICOLINE'\n"
         "  SkinDirectory = '" + skinDirectory + "'\n"
         "  SkinName = '" + name + "'\n"
         "  SkinInfo = '6.5'\n"
         "  ThirdParty.ThirdEdits = ' '#13#10'TEdit'#13#10'TMemo'#13#10\n"
         "  ThirdParty.ThirdButtons = ' '#13#10'TButton'#13#10\n"
         "end\n";
}

std::unique_ptr<skin::TsSkinManager> NewManager() {
  return std::unique_ptr<skin::TsSkinManager>(vcl::New<skin::TsSkinManager>(nullptr));
}

std::string DescribeModel(const skin::TsSkinManager& manager) {
  std::ostringstream out;
  const skin::TsSkinData& d = *manager.SkinData();
  out << "data " << d.Version << ' ' << d.Author << '|' << d.Description << ' ' << d.TitleHeight << ' ' << d.MaxHeight
      << ' ' << d.BorderWidth << ' ' << d.FormOffset << ' ' << d.BorderColor << ' ' << d.Shadow1Blur << '\n';
  vcl::TBitmap* master = manager.MasterBitmap();
  out << "master " << master->Width() << 'x' << master->Height() << ' ' << Checksum(*master) << '\n';
  for (const skin::TsGeneralData& g : manager.Sections) {
    out << "section " << g.SectionName << " parent " << g.ParentClass << " colour " << g.Color << " hot " << g.HotColor
        << " font";
    for (int c : g.FontColor) out << ' ' << c;
    out << " glow " << g.GlowCount << " focus " << g.ShowFocus << " fading " << g.FadingIterations << " gradient '"
        << g.GradientData << "' " << g.GradientArray.size() << " border " << g.BorderIndex << " corner "
        << g.CornerTopLeft << '\n';
  }
  for (const skin::TsMaskData& m : manager.Masks) {
    out << "mask " << m.SectionName << '.' << m.PropertyName << " type " << int(m.ImgType) << " rect "
        << m.ImageRect.left << ',' << m.ImageRect.top << ',' << m.ImageRect.right << ',' << m.ImageRect.bottom
        << " count " << m.ImageCount << " masktype " << m.MaskType << " stretch " << m.StretchMode << " bw "
        << m.BorderWidth << " margins " << m.WL << ',' << m.WT << ',' << m.WR << ',' << m.WB;
    if (m.Image) out << " image " << m.Image->Width() << 'x' << m.Image->Height() << ' ' << Checksum(*m.Image);
    out << '\n';
  }
  for (const skin::TsPatternData& p : manager.Patterns)
    out << "pattern " << p.SectionName << '.' << p.PropertyName << ' ' << p.Image->Width() << 'x' << p.Image->Height()
        << '\n';
  return out.str();
}

}  // namespace skin_test

// TClipboard: text, registered formats, handles, bitmaps and metafiles through the system's
// clipboard.
#include <gtest/gtest.h>

#include "tests/vcl/graphics/graphics_test_util.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/graphics/clipboard.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/graphics/icon.h"
#include "vcl/graphics/metafile.h"
#include "vcl/graphics/picture.h"

using namespace vcl;
using graphics_test::MakeBitmap;
using graphics_test::Pixel;
using graphics_test::Rows;

namespace {

TEST(Clipboard, TextAndRegisteredFormatsTogether) {
  TClipboard* clipboard = Clipboard();
  EXPECT_EQ(Clipboard(), clipboard);
  UINT memo = RegisterClipboardFormatA("IMAGING TEXTMEMO");
  ASSERT_NE(memo, 0u);
  clipboard->Open();
  clipboard->SetAsText("line one\r\nline two");
  clipboard->SetBuffer(memo, "memo", 5);  // added to the text, not in its place
  clipboard->Close();
  EXPECT_TRUE(clipboard->HasFormat(CF_TEXT));
  EXPECT_TRUE(clipboard->HasFormat(memo));
  EXPECT_EQ(clipboard->AsText(), "line one\r\nline two");
  HANDLE data = clipboard->GetAsHandle(memo);
  ASSERT_NE(data, nullptr);
  EXPECT_STREQ(static_cast<const char*>(GlobalLock(data)), "memo");
  GlobalUnlock(data);
  bool listed = false;
  for (int i = 0; i < clipboard->FormatCount(); ++i) listed |= clipboard->Formats(i) == memo;
  EXPECT_TRUE(listed);
  EXPECT_THROW(clipboard->Formats(clipboard->FormatCount()), EListError);

  // Outside an open session each item replaces what was there.
  clipboard->SetBuffer(memo, "only", 5);
  EXPECT_FALSE(clipboard->HasFormat(CF_TEXT));
  clipboard->Clear();
  EXPECT_FALSE(clipboard->HasFormat(memo));
  EXPECT_EQ(clipboard->AsText(), "");
}

TEST(Clipboard, ABitmapComesBackWithTheSamePixels) {
  auto bitmap = MakeBitmap(5, 4, pf32bit);
  for (int y = 0; y < 4; ++y) {
    auto* row = static_cast<uint8_t*>(bitmap->ScanLine(y));
    for (int i = 0; i < 20; ++i) row[i] = uint8_t(y * 50 + i * 11);
  }
  Clipboard()->Assign(bitmap.get());
  EXPECT_TRUE(Clipboard()->HasFormat(CF_BITMAP));
  EXPECT_TRUE(Clipboard()->HasFormat(CF_DIB));

  TBitmap pasted;
  pasted.Assign(Clipboard());
  EXPECT_EQ(pasted.PixelFormat(), pf32bit);
  EXPECT_EQ(Rows(pasted), Rows(*bitmap));  // alpha included

  TPicture picture;
  picture.Assign(Clipboard());
  ASSERT_NE(picture.Graphic(), nullptr);
  EXPECT_EQ(Rows(*picture.Bitmap()), Rows(*bitmap));
}

TEST(Clipboard, ABitmapHandleAloneIsTakenToo) {
  auto bitmap = MakeBitmap(3, 3, pf24bit, TColor(0x336699));
  UINT format;
  HANDLE data;
  HPALETTE palette;
  bitmap->SaveToClipboardFormat(format, data, palette);
  EXPECT_EQ(format, UINT(CF_BITMAP));
  Clipboard()->SetAsHandle(CF_BITMAP, data);
  TBitmap pasted;
  pasted.Assign(Clipboard());
  EXPECT_EQ(Pixel(pasted, 2, 2), 0x336699u);
}

TEST(Clipboard, PalettedBitmapsBringTheirColours) {
  auto bitmap = MakeBitmap(2, 2, pf8bit, clRed);
  Clipboard()->Assign(bitmap.get());
  EXPECT_TRUE(Clipboard()->HasFormat(CF_PALETTE));
  TBitmap pasted;
  pasted.Assign(Clipboard());
  EXPECT_EQ(pasted.PixelFormat(), pf8bit);
  EXPECT_EQ(Pixel(pasted, 1, 1), 0x0000FFu);
}

TEST(Clipboard, Metafiles) {
  TMetafile metafile;
  metafile.SetMMWidth(1000);
  metafile.SetMMHeight(500);
  {
    TMetafileCanvas canvas(&metafile, nullptr);
    canvas.Brush()->SetColor(clRed);
    canvas.FillRect(Rect(0, 0, 10, 10));
  }
  Clipboard()->Assign(&metafile);
  EXPECT_TRUE(Clipboard()->HasFormat(CF_ENHMETAFILE));
  TMetafile pasted;
  pasted.Assign(Clipboard());
  EXPECT_EQ(pasted.MMWidth(), 1000);
  TPicture picture;
  picture.Assign(Clipboard());
  EXPECT_EQ(picture.Graphic()->ClassName(), "TMetafile");
}

TEST(Clipboard, WhatCannotBeCopiedRaisesAndLeavesTheClipboardUsable) {
  TIcon icon;
  EXPECT_THROW(Clipboard()->Assign(&icon), EInvalidGraphic);
  Clipboard()->SetAsText("after");
  EXPECT_EQ(Clipboard()->AsText(), "after");

  TBitmap bitmap;
  try {
    bitmap.Assign(Clipboard());
    FAIL() << "no exception";
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), "Unsupported clipboard format");
  }
  TFont font;
  EXPECT_THROW(font.Assign(Clipboard()), EConvertError);
}

}  // namespace

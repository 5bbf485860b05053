// The parameters preview dialog, shown by the I/O object and driven through its real windows:
// settings reach the parameter block only through "OK" (or "&Apply"), previews follow the
// lock, and the user's image is never converted.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "imaging/base/word_tables.h"
#include "imaging/dialogs/io_previews.h"
#include "imaging/io/image_io.h"
#include "imaging/io/io_startup.h"
#include "imaging/model/ie_bitmap.h"
#include "vcl/controls/timer.h"
#include "vcl/graphics/gdiobjects.h"
#include "vcl/controls/application.h"
#include "vcl/controls/forms.h"
#include "vcl/runtime/win.h"

using namespace imaging;

namespace {

std::unique_ptr<TIEBitmap> Picture(TIEPixelFormat format = ie24RGB) {
  auto bitmap = std::make_unique<TIEBitmap>(48, 32, ie24RGB);
  for (int32_t y = 0; y < 32; ++y)
    for (int32_t x = 0; x < 48; ++x) bitmap->SetPixel24(x, y, TRGB{uint8_t(x * 5), uint8_t(y * 7), uint8_t(x ^ y)});
  if (format != ie24RGB) bitmap->ConvertTo(format);
  return bitmap;
}

// Types into an edit the way a user does: its window text changes and it reports the change.
void Type(vcl::TEdit* edit, const std::string& text) { SetWindowTextA(edit->Handle(), text.c_str()); }

// Picks an item of a drop-down list and reports it to the list's parent, as a selection does.
void Choose(vcl::TComboBox* combo, int index) {
  HWND box = combo->Handle();
  SendMessageA(box, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessageA(GetParent(box), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(box), CBN_SELCHANGE), reinterpret_cast<LPARAM>(box));
}

void Click(vcl::TWinControl* button) { SendMessageA(button->Handle(), BM_CLICK, 0, 0); }

class PreviewsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ImageIOStaticInit();
    RegisterPreviewsDialog();
    vcl::Application->OnException = [this](vcl::TObject*, vcl::Exception* e) { errors_.push_back(e->Message()); };
    picture_ = Picture();
    io_ = TImageIO::CreateFromBitmap(picture_.get());
    io_->OnIOPreview = [this](vcl::TObject*, vcl::TForm* form) { form_ = static_cast<TfIOPreviews*>(form); };
  }
  void TearDown() override {
    vcl::Application->OnException = nullptr;
    EXPECT_TRUE(errors_.empty()) << errors_.front();
  }

  // Shows the dialog for `pages` and runs the steps one per timer tick once it is modal and
  // its window can be found; a dialog the steps do not close is ended after them, so that the
  // test fails instead of waiting.
  bool Run(int32_t pages, std::vector<std::function<void()>> steps) {
    vcl::TTimer timer(nullptr);
    timer.SetInterval(10);
    size_t next = 0;
    int ticks = 0;
    bool found = false;
    timer.OnTimer = [&](vcl::TObject*) {
      if (!form_ || !form_->FormState().Contains(vcl::fsModal)) return;
      if (++ticks > 300) {
        form_->SetModalResult(vcl::mrAbort);
        return;
      }
      if (!found) {
        // The dialog is a real window of its caption.
        found = FindWindowA(nullptr, form_->Caption().c_str()) == form_->Handle();
        return;
      }
      if (next < steps.size()) steps[next++]();
    };
    const bool accepted = io_->DoPreviews(pages);
    timer.SetEnabled(false);
    if (form_) {
      EXPECT_TRUE(found);
      EXPECT_EQ(next, steps.size());
      EXPECT_NE(form_->ModalResult(), vcl::mrAbort) << "the dialog did not close";
    }
    return accepted;
  }

  std::unique_ptr<TIEBitmap> picture_;
  std::unique_ptr<TImageIO> io_;
  TfIOPreviews* form_ = nullptr;
  std::vector<std::string> errors_;
};

}  // namespace

TEST_F(PreviewsTest, OKWritesTheChangedSettingAndCancelDoesNot) {
  for (bool ok : {false, true}) {
    SCOPED_TRACE(ok ? "OK" : "Cancel");
    io_->Params().JPEGQuality = 80;
    io_->Params().FileType = 0;
    form_ = nullptr;
    const bool accepted = Run(4, {
                                     [&] { Type(form_->Page(TfIOPreviews::pkJPEGSimple).Quality, "33"); },
                                     // A preview with the new setting, then the decision.
                                     [&] { Click(form_->PreviewButton()); },
                                     [&] { Click(ok ? form_->OKButton() : form_->CancelButton()); },
                                 });
    EXPECT_EQ(accepted, ok);
    EXPECT_EQ(io_->Params().JPEGQuality, ok ? 33 : 80);
    EXPECT_EQ(io_->Params().FileType, ok ? 3 : 0);
  }
}

TEST_F(PreviewsTest, WithoutLockPreviewTheResultWaitsForPreview) {
  std::string before, afterChange, afterPreview;
  TIEBitmap* result = nullptr;
  int32_t widthBefore = -1;
  Run(4, {
             [&] {
               before = form_->Page(TfIOPreviews::pkJPEGSimple).CompressedSize->Caption();
               result = form_->ResultView()->GetIEBitmap();
               widthBefore = result->Width();
               Type(form_->Page(TfIOPreviews::pkJPEGSimple).Quality, "5");
             },
             [&] {
               afterChange = form_->Page(TfIOPreviews::pkJPEGSimple).CompressedSize->Caption();
               Click(form_->PreviewButton());
             },
             [&] {
               afterPreview = form_->Page(TfIOPreviews::pkJPEGSimple).CompressedSize->Caption();
               Click(form_->CancelButton());
             },
         });
  // The first preview ran when the dialog opened.
  EXPECT_NE(before, "---");
  EXPECT_EQ(widthBefore, 48);
  EXPECT_EQ(afterChange, before);
  EXPECT_NE(afterPreview, before);
  EXPECT_EQ(io_->Params().JPEGQuality, 80);
}

TEST_F(PreviewsTest, WithLockPreviewEachChangePreviews) {
  io_->SetPreviewsParams(ioppDefaultLockPreview);
  std::string before, afterChange;
  bool previewEnabled = true;
  Run(4, {
             [&] {
               previewEnabled = form_->PreviewButton()->Enabled();
               before = form_->Page(TfIOPreviews::pkJPEGSimple).CompressedSize->Caption();
               Type(form_->Page(TfIOPreviews::pkJPEGSimple).Quality, "5");
             },
             [&] {
               afterChange = form_->Page(TfIOPreviews::pkJPEGSimple).CompressedSize->Caption();
               Click(form_->CancelButton());
             },
         });
  EXPECT_FALSE(previewEnabled);
  EXPECT_NE(afterChange, before);
}

TEST_F(PreviewsTest, LinkedChoicesOnTheFullPages) {
  io_->SetSimplifiedParamsDialogs(false);
  // CMYK is four samples of eight bits whatever the colours list shows.
  Run(8, {
             [&] { Choose(form_->Page(TfIOPreviews::pkTIFF).Colours, 0); },
             [&] { Choose(form_->Page(TfIOPreviews::pkTIFF).Photometric, 5); },
             [&] { Click(form_->OKButton()); },
         });
  EXPECT_EQ(io_->Params().FileType, 1);
  EXPECT_EQ(io_->Params().TIFFPhotometric, 5);
  EXPECT_EQ(io_->Params().SamplesPerPixel, 4);
  EXPECT_EQ(io_->Params().BitsPerSample, 8);
  // "16M (32bit)" is stored as three samples of eight bits, like "16M".
  io_->Params().SamplesPerPixel = 1;
  io_->Params().BitsPerSample = 1;
  form_ = nullptr;
  Run(32, {
              [&] { Choose(form_->Page(TfIOPreviews::pkBMP).Colours, 4); },
              [&] { Click(form_->OKButton()); },
          });
  EXPECT_EQ(io_->Params().FileType, 5);
  EXPECT_EQ(io_->Params().SamplesPerPixel, 3);
  EXPECT_EQ(io_->Params().BitsPerSample, 8);
}

TEST_F(PreviewsTest, ApplyWritesAtOnceAndDisablesItself) {
  io_->SetPreviewsParams(ioppApplyButton);
  bool enabledAfterChange = false, enabledAfterApply = true;
  int32_t qualityAfterApply = 0;
  Run(4, {
             [&] { Type(form_->Page(TfIOPreviews::pkJPEGSimple).Quality, "44"); },
             [&] {
               enabledAfterChange = form_->ApplyButton()->Enabled();
               Click(form_->ApplyButton());
             },
             [&] {
               enabledAfterApply = form_->ApplyButton()->Enabled();
               qualityAfterApply = io_->Params().JPEGQuality;
               Click(form_->CancelButton());
             },
         });
  EXPECT_TRUE(enabledAfterChange);
  EXPECT_FALSE(enabledAfterApply);
  EXPECT_EQ(qualityAfterApply, 44);
  // Cancel does not take back what was applied.
  EXPECT_EQ(io_->Params().JPEGQuality, 44);
}

TEST_F(PreviewsTest, ACancelledDialogLeavesAnImageOfAnotherFormatUnconverted) {
  picture_ = Picture(ie8g);
  io_->SetAttachedIEBitmap(picture_.get());
  Run(4, {[&] { Click(form_->CancelButton()); }});
  EXPECT_EQ(picture_->PixelFormat(), ie8g);
}

TEST_F(PreviewsTest, PageSetsWithoutAPageShowNothing) {
  // The current format's page of a format that has none.
  io_->Params().FileType = 16;
  EXPECT_FALSE(io_->DoPreviews(2));
  EXPECT_EQ(form_, nullptr);
  // An application's own dialog.
  io_->OnDoPreviews = [](vcl::TObject*, bool& handled) { handled = true; };
  EXPECT_TRUE(io_->DoPreviews(1));
  EXPECT_EQ(form_, nullptr);
}

TEST_F(PreviewsTest, EveryPageShowsAResult) {
  io_->SetSimplifiedParamsDialogs(false);
  for (int32_t pages : {4, 8, 16, 32, 64, 128, 256, 512}) {
    SCOPED_TRACE(pages);
    form_ = nullptr;
    int32_t width = 0, height = 0;
    double sourceZoom = 0, resultZoom = 0;
    std::string caption;
    Run(pages, {[&] {
                  sourceZoom = form_->SourceView()->Zoom();
                  resultZoom = form_->ResultView()->Zoom();
                  width = form_->ResultView()->GetIEBitmap()->Width();
                  height = form_->ResultView()->GetIEBitmap()->Height();
                  caption = form_->Caption();
                  Click(form_->CancelButton());
                }});
    // From the file when a codec writes the format, else from the processing.
    EXPECT_EQ(width, 48);
    EXPECT_EQ(height, 32);
    // The source fits its view and the result shows it at the same zoom.
    EXPECT_GT(sourceZoom, 100);
    EXPECT_DOUBLE_EQ(resultZoom, sourceZoom);
    EXPECT_NE(caption, "Result can not be shown but parameters may be entered");
  }
}

TEST_F(PreviewsTest, CaptionsComeFromTheWordsOfTheLanguage) {
  SetLanguageWord(msGerman, 37, "Parametervorschau");
  SetLanguageWord(msGerman, 38, "Qualit\xC3\xA4t");
  SetLanguageWord(msGerman, 4, "Abbrechen");
  io_->SetMsgLanguage(msGerman);
  vcl::TFont font;
  font.SetName("Tahoma");
  font.SetSize(11);
  io_->SetPreviewFont(&font);
  std::string caption, quality, cancel, fontName;
  int fontSize = 0;
  int height = 0, pageHeight = 0;
  Run(4, {[&] {
    caption = form_->Caption();
    fontName = form_->Font()->Name();
    fontSize = form_->Font()->Size();
    cancel = form_->CancelButton()->Caption();
    height = form_->Height();
    pageHeight = form_->PageControl()->Height();
    for (int i = 0; i < form_->Page(TfIOPreviews::pkJPEGSimple).Sheet->ControlCount(); ++i) {
      vcl::TControl* control = form_->Page(TfIOPreviews::pkJPEGSimple).Sheet->Controls(i);
      if (dynamic_cast<vcl::TLabel*>(control) && control->Text().find("Qualit") == 0) quality = control->Text();
    }
    Click(form_->CancelButton());
  }});
  EXPECT_EQ(caption, "Parametervorschau");
  EXPECT_EQ(cancel, "Abbrechen");
  EXPECT_EQ(fontName, "Tahoma");
  EXPECT_EQ(fontSize, 11);
  // A field label ends in ":"; the words arrive as wide text and reach the controls in the
  // program's code page.
  ASSERT_FALSE(quality.empty());
  EXPECT_EQ(quality, "Qualit\xE4t:");
  // The simplified dialog's heights follow the screen's resolution (96 pixels per inch).
  EXPECT_EQ(height, 360);
  EXPECT_EQ(pageHeight, 122);
}

TEST_F(PreviewsTest, AColourPanelOffersTheResultsPaletteAndOKStoresTheChoice) {
  io_->SetSimplifiedParamsDialogs(false);
  HWND palette = nullptr;
  int32_t colours = 0;
  TRGB offered{};
  Run(16, {
              // Four colours: the result read back from the file has a palette of (at most) four.
              [&] { Choose(form_->Page(TfIOPreviews::pkGIF).Colours, 1); },
              [&] { Click(form_->PreviewButton()); },
              [&] {
                TIOParamsVals& result = form_->ResultView()->GetIO()->Params();
                colours = result.ColorMapCount;
                if (colours > 0) offered = result.ColorMap[colours - 1];
                // Opens the palette dialog, modal within this one; the next steps answer it.
                PostMessageA(form_->Page(TfIOPreviews::pkGIF).Background->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
                PostMessageA(form_->Page(TfIOPreviews::pkGIF).Background->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
              },
              [&] { palette = FindWindowA(nullptr, "Palette"); },
              [&] {
                // The last colour the result has, then a click on it.
                const int x = (colours - 1) * 16 + 8;
                PostMessageA(palette, WM_MOUSEMOVE, 0, MAKELPARAM(x, 8));
                PostMessageA(palette, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, 8));
                PostMessageA(palette, WM_LBUTTONUP, 0, MAKELPARAM(x, 8));
              },
              [&] { Click(form_->OKButton()); },
          });
  ASSERT_NE(palette, nullptr);
  ASSERT_GT(colours, 0);
  EXPECT_LE(colours, 4);
  EXPECT_EQ(io_->Params().BitsPerSample, 2);
  EXPECT_EQ(io_->Params().GIFBackground.r, offered.r);
  EXPECT_EQ(io_->Params().GIFBackground.g, offered.g);
  EXPECT_EQ(io_->Params().GIFBackground.b, offered.b);
}

TEST(PreviewsTIFFList, CompressionsMapToTheItemsShown) {
  struct Case {
    int32_t compression;
    int32_t withLZW, withoutLZW;
  } cases[] = {{0, 0, 0}, {4, 4, 4}, {5, 5, 0}, {7, 6, 5}, {8, 7, 6}, {9, 8, 7}, {11, 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.compression);
    EXPECT_EQ(TfIOPreviews::TIFFCompressionToIndex(c.compression, true), c.withLZW);
    EXPECT_EQ(TfIOPreviews::TIFFCompressionToIndex(c.compression, false), c.withoutLZW);
  }
  // Back from the items: without LZW the eight items are none, four CCITT kinds, JPEG,
  // PackBits and deflate.
  const int32_t withoutLZW[] = {0, 1, 2, 3, 4, 7, 8, 9};
  for (int32_t i = 0; i < 8; ++i) EXPECT_EQ(TfIOPreviews::TIFFIndexToCompression(i, false), withoutLZW[i]);
  const int32_t withLZW[] = {0, 1, 2, 3, 4, 5, 7, 8, 9};
  for (int32_t i = 0; i < 9; ++i) EXPECT_EQ(TfIOPreviews::TIFFIndexToCompression(i, true), withLZW[i]);
}

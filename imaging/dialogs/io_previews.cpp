#include "imaging/dialogs/io_previews.h"

#include <algorithm>
#include <string>
#include <vector>

#include "imaging/base/nul_stream.h"
#include "imaging/dialogs/palette_dialog.h"
#include "imaging/io/image_io.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/model/routines/colour_routines.h"
#include "imaging/params/file_formats.h"
#include "imaging/params/io_settings.h"
#include "imaging/proc/image_proc.h"
#include "vcl/controls/screen.h"
#include "vcl/runtime/streams.h"
#include "vcl/runtime/sysutils.h"

namespace imaging {

namespace {

constexpr const char* kResultFailed = "Result can not be shown but parameters may be entered";

// Samples per pixel and bits per sample of each item of a colour list.
struct TColours {
  int32_t samples, bits;
};
const std::vector<TColours> kTIFFColours = {{1, 1}, {1, 4}, {1, 8}, {1, 16}, {3, 8}};
const std::vector<TColours> kTIFFSimpleColours = {{1, 1}, {1, 4}, {1, 8}, {3, 8}};
const std::vector<TColours> kBMPColours = {{1, 1}, {1, 4}, {1, 8}, {3, 8}, {3, 8}};
const std::vector<TColours> kPCXColours = {{1, 1}, {1, 4}, {1, 8}, {3, 8}};
const std::vector<TColours> kPNGColours = {{1, 1}, {1, 8}, {3, 8}};

int32_t ColourCount(int32_t samples, int32_t bits) {
  const int64_t total = int64_t(samples) * bits;
  return total >= 24 ? 1 << 24 : 1 << total;
}

int32_t TextToInt(vcl::TEdit* edit, int32_t fallback) { return edit ? vcl::StrToIntDef(edit->Text(), fallback) : fallback; }

// The first item of a list that stands for the given depth.
int32_t ColourIndex(const std::vector<TColours>& list, int32_t samples, int32_t bits) {
  if (samples >= 3) {
    for (size_t i = 0; i < list.size(); ++i)
      if (list[i].samples == 3) return static_cast<int32_t>(i);
  }
  int32_t best = 0;
  for (size_t i = 0; i < list.size(); ++i)
    if (list[i].samples == 1 && list[i].bits <= bits) best = static_cast<int32_t>(i);
  return best;
}

}  // namespace

// ---- the TIFF compression list ----

int32_t TfIOPreviews::TIFFCompressionToIndex(int32_t compression, bool withLZW) {
  switch (compression) {
    case 0: case 1: case 2: case 3: case 4: return compression;
    // Without an LZW encoder LZW cannot be written: it shows as uncompressed, so that "OK"
    // stores a compression that can.
    case 5: return withLZW ? 5 : 0;
    case 7: return withLZW ? 6 : 5;
    case 8: return withLZW ? 7 : 6;
    case 9: return withLZW ? 8 : 7;
    default: return 0;
  }
}

int32_t TfIOPreviews::TIFFIndexToCompression(int32_t index, bool withLZW) {
  if (index >= 0 && index <= 4) return index;
  if (withLZW) {
    static const int32_t kAfter[] = {5, 7, 8, 9};
    return index >= 5 && index <= 8 ? kAfter[index - 5] : 0;
  }
  static const int32_t kAfter[] = {7, 8, 9};
  return index >= 5 && index <= 7 ? kAfter[index - 5] : 0;
}

bool TfIOPreviews::WithLZW() const { return IETIFFLZWCompressProc != nullptr; }

// ---- construction ----

TfIOPreviews::TfIOPreviews(vcl::TComponent* owner) : vcl::TForm(owner), working_(std::make_unique<TIOParamsVals>(nullptr)) {
  SetCaption("Parameters preview");
  SetBorderStyle(vcl::bsDialog);
  SetPosition(vcl::poScreenCenter);
  SetClientWidth(527);
  SetClientHeight(425);

  auto label = [this](const char* text, int left, int top) {
    auto* l = new vcl::TLabel(this);
    l->SetParent(this);
    l->SetCaption(text);
    l->SetBounds(left, top, 100, 13);
    RememberCaption(l, text);
    return l;
  };
  label("Source:", 8, 4);
  label("Result:", 268, 4);
  image1_ = new TImageView(this);
  image1_->SetParent(this);
  image1_->SetBounds(8, 20, 191, 135);
  image1_->SetBackground(vcl::clWhite);
  image2_ = new TImageView(this);
  image2_->SetParent(this);
  image2_->SetBounds(268, 20, 191, 135);
  image2_->SetBackground(vcl::clWhite);
  image1_->OnViewChange = [this](vcl::TObject*, int32_t) { SyncResultView(); };
  auto progress = [this](vcl::TObject*, int32_t per) {
    if (progressBar_) progressBar_->SetPosition(per / std::max(progressDivisor_, 1) + progressOffset_);
  };
  image1_->SetOnProgress(progress);
  image2_->SetOnProgress(progress);

  pageControl_ = new vcl::TPageControl(this);
  pageControl_->SetParent(this);
  pageControl_->SetBounds(8, 180, 511, 200);
  pageControl_->OnChanging = [this](vcl::TObject* sender, bool& allow) { PageChanging(sender, allow); };
  pageControl_->OnChange = [this](vcl::TObject* sender) { PageChanged(sender); };

  auto button = [this](const char* caption, int left, vcl::TModalResult result) {
    auto* b = new vcl::TButton(this);
    b->SetParent(this);
    b->SetCaption(caption);
    b->SetBounds(left, 390, 75, 25);
    b->SetModalResult(result);
    RememberCaption(b, caption);
    return b;
  };
  okButton_ = button("OK", 284, vcl::mrOk);
  okButton_->SetDefault(true);
  okButton_->OnClick = [this](vcl::TObject* sender) { OKClick(sender); };
  cancelButton_ = button("Cancel", 364, vcl::mrCancel);
  cancelButton_->SetCancel(true);
  previewButton_ = button("&Preview", 444, vcl::mrNone);
  previewButton_->OnClick = [this](vcl::TObject*) { RunPreview(); };
  applyButton_ = button("&Apply", 204, vcl::mrNone);
  applyButton_->SetEnabled(false);
  applyButton_->OnClick = [this](vcl::TObject* sender) { ApplyClick(sender); };
  lockPreview_ = new vcl::TCheckBox(this);
  lockPreview_->SetParent(this);
  lockPreview_->SetCaption("Lock Preview");
  RememberCaption(lockPreview_, "Lock Preview");
  lockPreview_->SetHint("Automatically updates your preview with the changes you have selected");
  lockPreview_->SetBounds(8, 160, 120, 17);
  lockPreview_->OnClick = [this](vcl::TObject* sender) { LockPreviewClick(sender); };
  progressBar_ = new vcl::TProgressBar(this);
  progressBar_->SetParent(this);
  progressBar_->SetBounds(8, 394, 180, 16);
  colorDialog_ = new vcl::TColorDialog(this);
  BuildPages();
}

TfIOPreviews::~TfIOPreviews() {
  // The source picture is the caller's: the view must not free it.
  if (image1_) image1_->AttachExternalBitmap(nullptr);
}

void TfIOPreviews::SetSource(TIEBitmap* bitmap) {
  source_ = bitmap;
  image1_->AttachExternalBitmap(bitmap);
  image1_->Update();
  image2_->ClearImage();
}

TfIOPreviews::TPage& TfIOPreviews::AddPage(TPageKind kind, const char* caption, uint16_t bit, int32_t fileType,
                                           bool simplified) {
  TPage& page = pages_[kind];
  page.Sheet = new vcl::TTabSheet(this);
  page.Sheet->SetPageControl(pageControl_);
  page.Sheet->SetCaption(caption);
  page.Bit = bit;
  page.FileType = fileType;
  page.Simplified = simplified;
  return page;
}

// Controls are placed in two columns of rows; `row` counts down each column.
struct TfIOPreviews::TPageLayout {
  TfIOPreviews* form;
  vcl::TTabSheet* sheet;
  int column = 0, row = 0;
  void Next() {
    if (++row == 6) {
      row = 0;
      ++column;
    }
  }
  int Left() const { return 8 + column * 250; }
  int Top() const { return 8 + row * 26; }
  void Caption(const char* text) {
    auto* l = new vcl::TLabel(form);
    l->SetParent(sheet);
    l->SetCaption(text);
    l->SetBounds(Left(), Top() + 3, 110, 13);
    form->RememberCaption(l, text);
  }
  vcl::TEdit* Edit(const char* caption) {
    Caption(caption);
    auto* e = new vcl::TEdit(form);
    e->SetParent(sheet);
    e->SetBounds(Left() + 115, Top(), 110, 21);
    e->OnChange = [f = form](vcl::TObject* sender) { f->ControlChanged(sender); };
    Next();
    return e;
  }
  vcl::TComboBox* Combo(const char* caption, std::initializer_list<const char*> items) {
    Caption(caption);
    auto* c = new vcl::TComboBox(form);
    c->SetParent(sheet);
    c->SetStyle(vcl::csDropDownList);
    c->SetBounds(Left() + 115, Top(), 120, 21);
    for (const char* item : items) c->Items()->Add(item);
    c->OnChange = [f = form](vcl::TObject* sender) { f->ControlChanged(sender); };
    c->OnClick = [f = form](vcl::TObject* sender) { f->ControlChanged(sender); };
    Next();
    return c;
  }
  vcl::TCheckBox* Check(const char* caption) {
    auto* c = new vcl::TCheckBox(form);
    c->SetParent(sheet);
    c->SetCaption(caption);
    c->SetBounds(Left(), Top(), 200, 17);
    form->RememberCaption(c, caption);
    c->OnClick = [f = form](vcl::TObject* sender) { f->ControlChanged(sender); };
    Next();
    return c;
  }
  vcl::TTrackBar* Bar(int max, int frequency) {
    auto* t = new vcl::TTrackBar(form);
    t->SetParent(sheet);
    t->SetBounds(Left(), Top(), 230, 24);
    t->SetMax(max);
    t->SetFrequency(frequency);
    t->SetThumbLength(10);
    t->OnChange = [f = form](vcl::TObject* sender) { f->ControlChanged(sender); };
    Next();
    return t;
  }
  vcl::TPanel* Colour(const char* caption, TPage* page) {
    Caption(caption);
    auto* p = new vcl::TPanel(form);
    p->SetParent(sheet);
    p->SetBounds(Left() + 115, Top(), 40, 21);
    p->OnClick = [f = form, page, p](vcl::TObject*) { f->ChooseColour(*page, p); };
    Next();
    return p;
  }
  void Sizes(TPage& page) {
    Caption("Original size:");
    page.OriginalSize = new vcl::TLabel(form);
    page.OriginalSize->SetParent(sheet);
    page.OriginalSize->SetCaption("---");
    page.OriginalSize->SetBounds(Left() + 115, Top() + 3, 120, 13);
    Next();
    Caption("Compressed size:");
    page.CompressedSize = new vcl::TLabel(form);
    page.CompressedSize->SetParent(sheet);
    page.CompressedSize->SetCaption("---");
    page.CompressedSize->SetBounds(Left() + 115, Top() + 3, 120, 13);
    Next();
  }
};

void TfIOPreviews::BuildPages() {
  BuildJPEGPages();
  BuildTIFFPages();
  BuildGIFPages();
  BuildBMPPage();
  BuildPCXPage();
  BuildPNGPage();
  BuildTGAPage();
  BuildJPEG2000Page();
}

void TfIOPreviews::BuildJPEGPages() {
  {
    TPage& p = AddPage(pkJPEG, "JPEG", ieDialogPageJPEG, 3, false);
    TPageLayout l{this, p.Sheet};
    p.Quality = l.Edit("&Quality:");
    p.QualityBar = l.Bar(100, 20);
    p.DCTMethod = l.Combo("&DCT method:", {"ISLOW", "IFAST", "FLOAT"});
    p.Smoothing = l.Edit("&Smoothing factor:");
    p.Photometric = l.Combo("P&hotometric:", {"RGB", "GrayScale", "YCbCr", "CMYK", "YCbCrK"});
    p.OptimalHuffman = l.Check("&Optimal Huffman");
    p.Progressive = l.Check("P&rogressive");
    l.Sizes(p);
  }
  {
    TPage& p = AddPage(pkJPEGSimple, "JPEG", ieDialogPageJPEG, 3, true);
    TPageLayout l{this, p.Sheet};
    p.Quality = l.Edit("&Quality:");
    p.QualityBar = l.Bar(100, 20);
    l.Sizes(p);
  }
}

void TfIOPreviews::BuildTIFFPages() {
  for (TPageKind kind : {pkTIFF, pkTIFFSimple}) {
    const bool simple = kind == pkTIFFSimple;
    TPage& p = AddPage(kind, "TIFF", ieDialogPageTIFF, 1, simple);
    TPageLayout l{this, p.Sheet};
    p.Compression = l.Combo("&Compression:", {});
    if (simple) {
      p.Colours = l.Combo("C&olors:", {"2", "16", "256", "16777216"});
    } else {
      p.ImageIndex = l.Edit("&Image index:");
      p.Photometric = l.Combo("P&hotometric:", {"WHITEISZERO/Gray", "BLACKISZERO/Gray", "RGB", "RGBPALETTE",
                                                "TRANSPMASK", "CMYK", "YCBCR", "CIELAB"});
      p.Colours = l.Combo("C&olors:", {"B/W", "16", "256", "65536", "16M"});
      p.HorizPosition = l.Edit("H&oriz. Position (inch):");
      p.VertPosition = l.Edit("&Vert. Position (inch):");
      p.Name = l.Edit("&Name:");
      p.Description = l.Edit("&Description:");
      p.PageName = l.Edit("P&age name:");
      p.PageNumber = l.Edit("Page N&umber:");
      p.PageCount = l.Edit("o&f");
    }
    l.Sizes(p);
  }
}

void TfIOPreviews::BuildGIFPages() {
  for (TPageKind kind : {pkGIF, pkGIFSimple}) {
    const bool simple = kind == pkGIFSimple;
    TPage& p = AddPage(kind, "GIF", ieDialogPageGIF, 2, simple);
    TPageLayout l{this, p.Sheet};
    if (!simple) p.ImageIndex = l.Edit("&Image index:");
    p.Colours = l.Combo("&Colors:", {"B/W", "4", "8", "16", "32", "64", "128", "256"});
    if (!simple) {
      p.Transparent = l.Check("&Transparent:");
      p.TransparentColour = l.Colour("T&ransparent color:", &p);
      p.Interlaced = l.Check("I&nterlaced:");
      p.Background = l.Colour("&Background:", &p);
      // The delay's unit beside its edit.
      auto* unit = new vcl::TLabel(this);
      unit->SetParent(p.Sheet);
      unit->SetCaption("1/100 s");
      unit->SetBounds(l.Left() + 230, l.Top() + 3, 40, 13);
      p.DelayTime = l.Edit("&Delay time:");
      p.HorizPosition = l.Edit("&Horiz. Position:");
      p.VertPosition = l.Edit("&Vert. Position:");
    }
    l.Sizes(p);
  }
}

void TfIOPreviews::BuildBMPPage() {
  TPage& p = AddPage(pkBMP, "BMP", ieDialogPageBMP, 5, false);
  TPageLayout l{this, p.Sheet};
  p.Compression = l.Combo("&Compression:", {"UNCOMPRESSED", "RLE"});
  p.Colours = l.Combo("C&olors:", {"B/W", "16", "256", "16M", "16M (32bit)"});
  l.Sizes(p);
}

void TfIOPreviews::BuildPCXPage() {
  TPage& p = AddPage(pkPCX, "PCX", ieDialogPagePCX, 4, false);
  TPageLayout l{this, p.Sheet};
  p.Compression = l.Combo("&Compression:", {"UNCOMPRESSED", "RLE"});
  p.Colours = l.Combo("C&olors:", {"B/W", "16", "256", "16M"});
  l.Sizes(p);
}

void TfIOPreviews::BuildPNGPage() {
  TPage& p = AddPage(pkPNG, "PNG", ieDialogPagePNG, 8, false);
  TPageLayout l{this, p.Sheet};
  p.Colours = l.Combo("C&olors:", {"B/W", "256", "16M"});
  p.Background = l.Colour("&Background:", &p);
  p.Filter = l.Combo("&Filter", {"None", "Sub", "Paeth"});
  p.Interlaced = l.Check("I&nterlaced:");
  p.Compression = l.Combo("Co&mpression", {"None", "1", "2", "3", "4", "5", "6", "7", "8", "Max"});
  l.Sizes(p);
}

void TfIOPreviews::BuildTGAPage() {
  TPage& p = AddPage(pkTGA, "TGA", ieDialogPageTGA, 11, false);
  TPageLayout l{this, p.Sheet};
  p.Colours = l.Combo("C&olors:", {"B/W", "256", "16M"});
  p.Background = l.Colour("&Background:", &p);
  p.Compressed = l.Check("Compression:");
  p.Name = l.Edit("&Name:");
  p.Description = l.Edit("&Description:");
  l.Sizes(p);
}

void TfIOPreviews::BuildJPEG2000Page() {
  TPage& p = AddPage(pkJ2000, "JPEG2000", ieDialogPageJPEG2000, 14, false);
  TPageLayout l{this, p.Sheet};
  p.Quality = l.Edit("&Rate:");
  p.QualityBar = l.Bar(1000, 20);
  p.Photometric = l.Combo("P&hotometric:", {"GrayScale", "RGB", "YCbCr"});
  l.Sizes(p);
}

// ---- captions ----

void TfIOPreviews::RememberCaption(vcl::TControl* control, const std::string& text) {
  // The form's own captions and the words that stand for them in every language.
  struct TWord {
    uint8_t word;
    const char* text;
  };
  static const TWord kWords[] = {
      {1, "source"},  {2, "result"},  {4, "cancel"},  {3, "ok"},  {0, "preview"},  {5, "lock preview"},
      {120, "apply"}, {38, "quality"}, {39, "dct method"}, {40, "smoothing factor"}, {49, "photometric"},
      {42, "optimal huffman"}, {46, "progressive"}, {45, "advanced"}, {43, "original size"},
      {44, "compressed size"}, {123, "rate"}, {47, "compression"}, {48, "image index"},
      {50, "scanned document info"}, {51, "name"}, {52, "description"}, {53, "page name"},
      {54, "page number"}, {55, "of"}, {56, "horiz. position (inch)"}, {57, "vert. position (inch)"},
      {58, "colors"}, {59, "transparent"}, {60, "transparent color"}, {61, "interlaced"},
      {62, "background"}, {63, "horiz. position"}, {64, "vert. position"}, {65, "delay time"}, {66, "filter"},
  };
  std::string plain;
  for (char c : text)
    if (c != '&') plain += c;
  const bool colon = !plain.empty() && plain.back() == ':';
  if (colon) plain.pop_back();
  const std::string lower = vcl::LowerCase(plain);
  for (const TWord& word : kWords)
    if (lower == word.text) {
      captions_.push_back(TCaption{control, word.word, colon});
      return;
    }
}

void TfIOPreviews::SetLanguage(TMsgLanguage language) {
  auto word = [language](uint8_t index) { return vcl::Utf16ToAnsi(GetLanguageWord(index, language)); };
  if (!word(37).empty()) SetCaption(word(37));
  for (const TCaption& caption : captions_) {
    const std::string text = word(caption.word);
    if (!text.empty()) caption.control->SetText(caption.colon ? text + ":" : text);
  }
}

void TfIOPreviews::ArrangeSimplified() {
  // The simplified dialog is shorter: the page control and the form take heights in
  // proportion to the screen's resolution, and the buttons sit below the pages.
  const int ppi = vcl::Screen->PixelsPerInch();
  pageControl_->SetHeight(static_cast<int>(ppi * 1.2708333333333333334));
  SetHeight(static_cast<int>(ppi * 3.75));
  const int below = pageControl_->Top() + pageControl_->Height();
  lockPreview_->SetTop(static_cast<int>(ppi * 3.1458333333333333333));
  for (vcl::TButton* button : {okButton_, cancelButton_, previewButton_, applyButton_}) button->SetTop(below + 2);
  progressBar_->SetTop(lockPreview_->Top() + lockPreview_->Height() + 2);
  progressBar_->SetHeight(8);
}

// ---- the page set ----

bool TfIOPreviews::SetPages(int32_t pages) {
  pageSet_ = pages;
  if (pages & 2) {
    const TIEFileFormatInfo* info = params_ ? GetFileFormatInfo(params_->FileType) : nullptr;
    if (info) pageSet_ |= info->DialogPage;
  }
  return pageSet_ != 2 && pageSet_ != 0;
}

TfIOPreviews::TPage* TfIOPreviews::ActiveFormatPage() {
  vcl::TTabSheet* active = pageControl_->ActivePage();
  for (TPage& page : pages_)
    if (page.Sheet == active && active) return &page;
  return nullptr;
}

void TfIOPreviews::ArrangePages() {
  const TIEFileFormatInfo* info = params_ ? GetFileFormatInfo(params_->FileType) : nullptr;
  TPage* activePage = nullptr;
  for (TPage& page : pages_) {
    const bool hasSimplified = page.Bit == ieDialogPageJPEG || page.Bit == ieDialogPageTIFF || page.Bit == ieDialogPageGIF;
    const bool form = !hasSimplified || page.Simplified == simplified_;
    const bool shown = form && ((pageSet_ & 1) || (pageSet_ & page.Bit));
    page.Sheet->SetTabVisible(shown);
    if (shown && (!activePage || (info && info->DialogPage == page.Bit))) activePage = &page;
  }
  // Simplified pages hide what only experts change.
  if (simplified_) {
    for (vcl::TControl* control :
         std::initializer_list<vcl::TControl*>{pages_[pkPNG].Background, pages_[pkPNG].Filter, pages_[pkPNG].Interlaced,
                                               pages_[pkPNG].Compression, pages_[pkTGA].Background, pages_[pkTGA].Name,
                                               pages_[pkTGA].Description, pages_[pkJ2000].Photometric})
      control->SetVisible(false);
  }
  if (activePage) pageControl_->SetActivePage(activePage->Sheet);
}

// ---- the working copy ----

void TfIOPreviews::LoadWorkingCopy() {
  if (params_) working_->Assign(*params_);
}

void TfIOPreviews::ShowWorkingCopy() {
  const TIOParamsVals& w = *working_;
  const bool lzw = WithLZW();
  const std::string original =
      source_ ? std::to_string(int64_t(source_->RowLen()) * source_->Height()) + " bytes" : std::string("---");
  for (TPage& page : pages_) {
    if (page.OriginalSize) page.OriginalSize->SetCaption(original);
    switch (page.Bit) {
      case ieDialogPageJPEG:
        page.Quality->SetText(std::to_string(w.JPEGQuality));
        page.QualityBar->SetPosition(w.JPEGQuality);
        if (page.DCTMethod) {
          page.DCTMethod->SetItemIndex(w.JPEGDCTMethod);
          page.Smoothing->SetText(std::to_string(w.JPEGSmoothing));
          page.Photometric->SetItemIndex(w.JPEGColorSpace);
          page.OptimalHuffman->SetChecked(w.JPEGOptimalHuffman);
          page.Progressive->SetChecked(w.JPEGProgressive);
        }
        break;
      case ieDialogPageTIFF: {
        page.Compression->Items()->Clear();
        for (const char* item : {"UNCOMPRESSED", "CCITT1D", "G3FAX1D", "G3FAX2D", "G4FAX"}) page.Compression->Items()->Add(item);
        if (lzw) page.Compression->Items()->Add("LZW");
        for (const char* item : {"JPEG", "PACKBITS", "ZIP"}) page.Compression->Items()->Add(item);
        page.Compression->SetItemIndex(TIFFCompressionToIndex(w.TIFFCompression, lzw));
        if (page.Simplified) {
          page.Colours->SetItemIndex(ColourIndex(kTIFFSimpleColours, w.SamplesPerPixel, w.BitsPerSample));
          break;
        }
        page.ImageIndex->SetText(std::to_string(w.TIFFImageIndex));
        page.Photometric->SetItemIndex(w.TIFFPhotometric);
        int32_t colours = ColourIndex(kTIFFColours, w.SamplesPerPixel, w.BitsPerSample);
        if (w.TIFFPhotometric >= 5) colours = 4;
        if (w.TIFFPhotometric <= 1) colours = w.BitsPerSample == 1 ? 0 : 2;
        page.Colours->SetItemIndex(colours);
        page.HorizPosition->SetText(std::to_string(w.TIFFHorizPosition));
        page.VertPosition->SetText(std::to_string(w.TIFFVertPosition));
        page.Name->SetText(w.TIFFDocumentName);
        page.Description->SetText(w.TIFFImageDescription);
        page.PageName->SetText(w.TIFFPageName);
        page.PageNumber->SetText(std::to_string(w.TIFFPageNumber));
        page.PageCount->SetText(std::to_string(w.TIFFPageCount));
        break;
      }
      case ieDialogPageGIF:
        page.Colours->SetItemIndex(std::clamp(w.BitsPerSample - 1, 0, 7));
        if (!page.Simplified) {
          page.ImageIndex->SetText(std::to_string(w.GIFImageIndex));
          page.Transparent->SetChecked(w.GIFHasTransparentColor);
          page.TransparentColour->SetColor(RGBTripleToColor(w.GIFTransparentColor));
          page.Interlaced->SetChecked(w.GIFInterlaced);
          page.Background->SetColor(RGBTripleToColor(w.GIFBackground));
          page.DelayTime->SetText(std::to_string(w.GIFDelayTime));
          page.HorizPosition->SetText(std::to_string(w.GIFLeft));
          page.VertPosition->SetText(std::to_string(w.GIFTop));
        }
        break;
      case ieDialogPageBMP:
        page.Compression->SetItemIndex(w.BMPCompression ? 1 : 0);
        page.Colours->SetItemIndex(ColourIndex(kBMPColours, w.SamplesPerPixel, w.BitsPerSample));
        break;
      case ieDialogPagePCX:
        page.Compression->SetItemIndex(w.PCXCompression ? 1 : 0);
        page.Colours->SetItemIndex(ColourIndex(kPCXColours, w.SamplesPerPixel, w.BitsPerSample));
        break;
      case ieDialogPagePNG:
        page.Colours->SetItemIndex(ColourIndex(kPNGColours, w.SamplesPerPixel, w.BitsPerSample));
        page.Background->SetColor(RGBTripleToColor(w.PNGBackground));
        page.Filter->SetItemIndex(std::min<int32_t>(w.PNGFilter, 2));
        page.Interlaced->SetChecked(w.PNGInterlaced);
        page.Compression->SetItemIndex(std::clamp(w.PNGCompression, 0, 9));
        break;
      case ieDialogPageTGA:
        page.Colours->SetItemIndex(ColourIndex(kPNGColours, w.SamplesPerPixel, w.BitsPerSample));
        page.Background->SetColor(RGBTripleToColor(w.TGABackground));
        page.Compressed->SetChecked(w.TGACompressed);
        page.Name->SetText(w.TGAImageName);
        page.Description->SetText(w.TGAComment);
        break;
      case ieDialogPageJPEG2000:
        page.Quality->SetText(std::to_string(static_cast<int32_t>(w.J2000Rate * 1000)));
        page.QualityBar->SetPosition(static_cast<int32_t>(w.J2000Rate * 1000));
        page.Photometric->SetItemIndex(std::min<int32_t>(w.J2000ColorSpace, 2));
        break;
    }
  }
}

void TfIOPreviews::ReadControls(TPage& page, vcl::TObject* sender) {
  TIOParamsVals& w = *working_;
  auto colours = [&](const std::vector<TColours>& list) {
    const int32_t index = page.Colours->ItemIndex();
    if (index < 0 || index >= static_cast<int32_t>(list.size())) return;
    w.SamplesPerPixel = list[index].samples;
    w.BitsPerSample = list[index].bits;
  };
  switch (page.Bit) {
    case ieDialogPageJPEG:
      // The edit and the track bar follow each other.
      if (sender == page.QualityBar) page.Quality->SetText(std::to_string(page.QualityBar->Position()));
      w.JPEGQuality = std::clamp(TextToInt(page.Quality, 50), 0, 100);
      if (sender != page.QualityBar) page.QualityBar->SetPosition(w.JPEGQuality);
      if (page.DCTMethod) {
        w.JPEGDCTMethod = static_cast<uint8_t>(std::max(page.DCTMethod->ItemIndex(), 0));
        w.JPEGSmoothing = TextToInt(page.Smoothing, 0);
        w.JPEGColorSpace = static_cast<uint8_t>(std::max(page.Photometric->ItemIndex(), 0));
        w.JPEGOptimalHuffman = page.OptimalHuffman->Checked();
        w.JPEGProgressive = page.Progressive->Checked();
      }
      break;
    case ieDialogPageTIFF: {
      const bool lzw = WithLZW();
      w.TIFFCompression = static_cast<uint8_t>(TIFFIndexToCompression(page.Compression->ItemIndex(), lzw));
      const bool ccitt = w.TIFFCompression >= 1 && w.TIFFCompression <= 4;
      if (page.Simplified) {
        // CCITT compressions are for black and white, JPEG for full colour.
        if (sender == page.Compression && ccitt) page.Colours->SetItemIndex(0);
        if (sender == page.Compression && w.TIFFCompression == 7) page.Colours->SetItemIndex(3);
        colours(kTIFFSimpleColours);
        if (ccitt && w.BitsPerSample > 1) w.TIFFCompression = 0;
        if (w.TIFFCompression == 7 && w.SamplesPerPixel == 1) w.TIFFCompression = 0;
        if (ccitt) w.TIFFPhotometric = 1;
        if (w.TIFFCompression == 7) w.TIFFPhotometric = 6;
        page.Compression->SetItemIndex(TIFFCompressionToIndex(w.TIFFCompression, lzw));
        break;
      }
      int32_t photometric = std::max(page.Photometric->ItemIndex(), 0);
      int32_t colourIndex = std::max(page.Colours->ItemIndex(), 0);
      if (sender == page.Photometric) {
        if (photometric <= 1 && colourIndex > 0) colourIndex = 2;
        if (photometric == 2 || photometric >= 5) colourIndex = 4;
        if (photometric == 3) colourIndex = 2;
      } else if (sender == page.Colours) {
        if (colourIndex == 0) photometric = std::min(photometric, 1);
        if (colourIndex == 1) photometric = 3;
        if (colourIndex == 2) photometric = photometric == 2 ? 3 : std::min(photometric, 3);
      }
      page.Photometric->SetItemIndex(photometric);
      page.Colours->SetItemIndex(colourIndex);
      w.TIFFPhotometric = static_cast<uint8_t>(photometric);
      colours(kTIFFColours);
      // CMYK is always four samples of eight bits.
      if (photometric == 5) {
        w.SamplesPerPixel = 4;
        w.BitsPerSample = 8;
      }
      w.TIFFImageIndex = TextToInt(page.ImageIndex, 0);
      w.TIFFHorizPosition = TextToInt(page.HorizPosition, 0);
      w.TIFFVertPosition = TextToInt(page.VertPosition, 0);
      w.TIFFDocumentName = page.Name->Text();
      w.TIFFImageDescription = page.Description->Text();
      w.TIFFPageName = page.PageName->Text();
      w.TIFFPageNumber = TextToInt(page.PageNumber, 0);
      w.TIFFPageCount = TextToInt(page.PageCount, 0);
      break;
    }
    case ieDialogPageGIF:
      w.BitsPerSample = std::max(page.Colours->ItemIndex(), 0) + 1;
      w.SamplesPerPixel = 1;
      if (!page.Simplified) {
        w.GIFImageIndex = TextToInt(page.ImageIndex, 0);
        w.GIFHasTransparentColor = page.Transparent->Checked();
        w.GIFInterlaced = page.Interlaced->Checked();
        w.GIFDelayTime = TextToInt(page.DelayTime, 0);
        w.GIFLeft = TextToInt(page.HorizPosition, 0);
        w.GIFTop = TextToInt(page.VertPosition, 0);
      }
      break;
    case ieDialogPageBMP:
      w.BMPCompression = static_cast<uint8_t>(std::max(page.Compression->ItemIndex(), 0));
      colours(kBMPColours);
      break;
    case ieDialogPagePCX:
      w.PCXCompression = static_cast<uint8_t>(std::max(page.Compression->ItemIndex(), 0));
      colours(kPCXColours);
      break;
    case ieDialogPagePNG:
      colours(kPNGColours);
      w.PNGFilter = static_cast<uint8_t>(std::max(page.Filter->ItemIndex(), 0));
      w.PNGInterlaced = page.Interlaced->Checked();
      w.PNGCompression = std::max(page.Compression->ItemIndex(), 0);
      break;
    case ieDialogPageTGA:
      colours(kPNGColours);
      w.TGACompressed = page.Compressed->Checked();
      w.TGAImageName = page.Name->Text();
      w.TGAComment = page.Description->Text();
      break;
    case ieDialogPageJPEG2000: {
      if (sender == page.QualityBar) page.Quality->SetText(std::to_string(page.QualityBar->Position()));
      const int32_t rate = std::clamp(TextToInt(page.Quality, 1000), 0, 1000);
      if (sender != page.QualityBar) page.QualityBar->SetPosition(rate);
      w.J2000Rate = rate / 1000.0;
      const int32_t space = std::max(page.Photometric->ItemIndex(), 0);
      w.J2000ColorSpace = static_cast<uint8_t>(space);
      w.SamplesPerPixel = space == 0 ? 1 : 3;
      w.BitsPerSample = 8;
      break;
    }
  }
}

void TfIOPreviews::WriteOptions(const TPage& page, TIOParamsVals& target) {
  const TIOParamsVals& w = *working_;
  target.FileType = page.FileType;
  switch (page.Bit) {
    case ieDialogPageJPEG:
      target.JPEGQuality = w.JPEGQuality;
      target.JPEGColorSpace = w.JPEGColorSpace;
      target.JPEGDCTMethod = w.JPEGDCTMethod;
      target.JPEGOptimalHuffman = w.JPEGOptimalHuffman;
      target.JPEGSmoothing = w.JPEGSmoothing;
      target.JPEGProgressive = w.JPEGProgressive;
      break;
    case ieDialogPageTIFF:
      target.TIFFCompression = w.TIFFCompression;
      target.SetImageIndex(w.TIFFImageIndex);
      target.TIFFPhotometric = w.TIFFPhotometric;
      target.TIFFHorizPosition = w.TIFFHorizPosition;
      target.TIFFVertPosition = w.TIFFVertPosition;
      target.TIFFDocumentName = w.TIFFDocumentName;
      target.TIFFImageDescription = w.TIFFImageDescription;
      target.TIFFPageName = w.TIFFPageName;
      target.TIFFPageNumber = w.TIFFPageNumber;
      target.TIFFPageCount = w.TIFFPageCount;
      target.SamplesPerPixel = w.SamplesPerPixel;
      target.BitsPerSample = w.BitsPerSample;
      break;
    case ieDialogPageGIF:
      target.SetImageIndex(w.GIFImageIndex);
      target.GIFLeft = w.GIFLeft;
      target.GIFTop = w.GIFTop;
      target.GIFDelayTime = w.GIFDelayTime;
      target.GIFHasTransparentColor = w.GIFHasTransparentColor;
      target.GIFTransparentColor = w.GIFTransparentColor;
      target.GIFInterlaced = w.GIFInterlaced;
      target.GIFBackground = w.GIFBackground;
      target.BitsPerSample = w.BitsPerSample;
      target.SamplesPerPixel = 1;
      break;
    case ieDialogPageBMP:
    case ieDialogPagePCX:
      if (page.Bit == ieDialogPageBMP)
        target.BMPCompression = w.BMPCompression;
      else
        target.PCXCompression = w.PCXCompression;
      target.SamplesPerPixel = w.SamplesPerPixel;
      target.BitsPerSample = w.BitsPerSample;
      break;
    case ieDialogPagePNG:
      target.SamplesPerPixel = w.SamplesPerPixel;
      target.BitsPerSample = w.BitsPerSample;
      target.PNGBackground = w.PNGBackground;
      target.PNGInterlaced = w.PNGInterlaced;
      target.PNGFilter = w.PNGFilter;
      target.PNGCompression = w.PNGCompression;
      break;
    case ieDialogPageTGA:
      target.SamplesPerPixel = w.SamplesPerPixel;
      target.BitsPerSample = w.BitsPerSample;
      target.TGABackground = w.TGABackground;
      target.TGACompressed = w.TGACompressed;
      target.TGAImageName = w.TGAImageName;
      target.TGAComment = w.TGAComment;
      break;
    case ieDialogPageJPEG2000:
      target.SamplesPerPixel = w.SamplesPerPixel;
      target.BitsPerSample = 8;
      target.J2000ColorSpace = w.J2000ColorSpace;
      target.J2000Rate = w.J2000Rate;
      break;
  }
}

// ---- events ----

void TfIOPreviews::DoShow() {
  vcl::TForm::DoShow();
  if (activated_) return;
  ready_ = false;
  lockPreview_->SetChecked(lockPreviewDefault_);
  previewButton_->SetEnabled(!lockPreview_->Checked());
  if (simplified_) ArrangeSimplified();
  ArrangePages();
  LoadWorkingCopy();
  ShowWorkingCopy();
  // The whole source picture in its view; the result follows its zoom.
  image1_->SetZoom(image1_->GetFitZoom());
  ready_ = true;
  activated_ = true;
  RunPreview();
}

void TfIOPreviews::ControlChanged(vcl::TObject* sender) {
  if (!ready_) return;
  TPage* page = ActiveFormatPage();
  if (!page) return;
  // Controls set by the reading below report again: read once.
  ready_ = false;
  try {
    ReadControls(*page, sender);
  } catch (...) {
    ready_ = true;
    throw;
  }
  ready_ = true;
  if (lockPreview_->Checked()) RunPreview();
  applyButton_->SetEnabled(true);
}

void TfIOPreviews::ChooseColour(TPage& page, vcl::TPanel* panel) {
  if (!ready_) return;
  // The result's palette when it has one (all of its entries, and no more), else any colour.
  TIOParamsVals& result = image2_->GetIO()->Params();
  if (page.Bit == ieDialogPageGIF && result.ColorMapCount == 0) RunPreview();
  vcl::TColor chosen = panel->Color();
  bool picked = false;
  if (result.ColorMapCount > 0 && static_cast<size_t>(result.ColorMapCount) <= result.ColorMap.size()) {
    TImagePaletteDialog dialog(this);
    dialog.SetPalette(result.ColorMap.data(), result.ColorMapCount);
    picked = dialog.Execute();
    if (picked) chosen = dialog.ChosenColor();
  } else {
    colorDialog_->SetColor(panel->Color());
    picked = colorDialog_->Execute();
    if (picked) chosen = colorDialog_->Color();
  }
  if (!picked) return;
  panel->SetColor(chosen);
  TRGB colour{};
  ColorToRGBTriple(chosen, colour);
  TIOParamsVals& w = *working_;
  if (panel == page.TransparentColour) w.GIFTransparentColor = colour;
  if (page.Bit == ieDialogPageGIF && panel == page.Background) w.GIFBackground = colour;
  if (page.Bit == ieDialogPagePNG) w.PNGBackground = colour;
  if (page.Bit == ieDialogPageTGA) w.TGABackground = colour;
  applyButton_->SetEnabled(true);
}

void TfIOPreviews::OKClick(vcl::TObject*) {
  if (TPage* page = ActiveFormatPage())
    if (params_) WriteOptions(*page, *params_);
}

void TfIOPreviews::ApplyClick(vcl::TObject*) {
  if (TPage* page = ActiveFormatPage())
    if (params_) WriteOptions(*page, *params_);
  applyButton_->SetEnabled(false);
}

void TfIOPreviews::LockPreviewClick(vcl::TObject*) {
  previewButton_->SetEnabled(!lockPreview_->Checked());
  if (ready_ && lockPreview_->Checked()) RunPreview();
}

void TfIOPreviews::PageChanging(vcl::TObject*, bool&) { ready_ = false; }

void TfIOPreviews::PageChanged(vcl::TObject*) {
  if (!activated_) return;
  LoadWorkingCopy();
  ShowWorkingCopy();
  ready_ = true;
  if (lockPreview_->Checked()) RunPreview();
  applyButton_->SetEnabled(false);
}

// ---- previews ----

void TfIOPreviews::SyncResultView() {
  image2_->SetZoom(image1_->Zoom());
  image2_->SetViewXY(image1_->ViewX(), image1_->ViewY());
}

void TfIOPreviews::ShowResultFromSource() {
  image2_->GetIEBitmap()->Assign(source_);
  image2_->Update();
}

void TfIOPreviews::RunPreview() {
  TPage* page = ActiveFormatPage();
  if (!activated_ || !page || !source_ || source_->IsEmpty()) return;
  const vcl::TCursor cursor = vcl::Screen->Cursor();
  vcl::Screen->SetCursor(vcl::crHourGlass);
  TImageIO* sourceIO = image1_->GetIO();
  TImageIO* resultIO = image2_->GetIO();
  sourceIO->SetBilevelConversion(bilevel_);
  resultIO->SetBilevelConversion(bilevel_);
  // The options of the page as the source's writer takes them.
  WriteOptions(*page, sourceIO->Params());
  const int32_t fileType = page->FileType;
  progressDivisor_ = 2;
  progressOffset_ = 0;
  vcl::TMemoryStream encoded;
  sourceIO->SaveToStream(&encoded, fileType);
  const bool saved = !sourceIO->Aborting() && encoded.Size() > 0;
  const std::string size = saved ? std::to_string(encoded.Size()) + " bytes" : std::string("---");
  for (TPage& each : pages_)
    if (each.CompressedSize) each.CompressedSize->SetCaption(size);
  progressOffset_ = 50;
  // The result is the picture read back from the file, exactly as it would be.
  bool shown = false;
  if (saved) {
    encoded.SetPosition(0);
    try {
      resultIO->LoadFromStreamFormat(&encoded, fileType);
      shown = !resultIO->Aborting();
    } catch (const vcl::Exception&) {
      shown = false;
    }
  }
  if (!shown) {
    // No writer for the options (or no reader for the data): the processing shows what the
    // colours would become.
    try {
      ShowResultFromSource();
      resultIO->Params().Assign(sourceIO->Params());
      TIOParamsVals& w = *working_;
      const int32_t colours = ColourCount(w.SamplesPerPixel, w.BitsPerSample);
      TImageProc* proc = image2_->GetProc();
      if (page->Bit == ieDialogPageTIFF && w.TIFFPhotometric <= 1 && w.BitsPerSample == 8 && w.SamplesPerPixel == 1) {
        proc->ConvertToGray();
      } else if (colours <= 256) {
        std::vector<TRGB> palette(static_cast<size_t>(colours));
        proc->ConvertToPalette(colours, palette, bilevel_ == 1);
        resultIO->Params().ColorMap = palette;
        resultIO->Params().ColorMapCount = colours;
      }
    } catch (const vcl::Exception&) {
      SetCaption(kResultFailed);
    }
  }
  progressBar_->SetPosition(0);
  vcl::Screen->SetCursor(cursor);
  SyncResultView();
}

// ---- the I/O object's entry ----

namespace {

bool ShowPreviewsDialog(TImageIO& io, TIEBitmap* bitmap, int32_t pages) {
  std::unique_ptr<TfIOPreviews> form(new TfIOPreviews(nullptr));
  form->SetParams(&io.Params());
  form->SetSimplified(io.SimplifiedParamsDialogs());
  form->SetLockPreviewDefault(io.PreviewsParams() & ioppDefaultLockPreview);
  form->ApplyButton()->SetVisible(io.PreviewsParams() & ioppApplyButton);
  form->SetBilevelConversion(io.BilevelConversion());
  form->SetLanguage(io.MsgLanguage());
  form->Font()->Assign(io.PreviewFont());
  form->SetSource(bitmap);
  if (!form->SetPages(pages)) return false;
  if (io.OnIOPreview) io.OnIOPreview(&io, form.get());
  return form->ShowModal() == vcl::mrOk;
}

}  // namespace

void RegisterPreviewsDialog() { IEPreviewsDialog = ShowPreviewsDialog; }

}  // namespace imaging

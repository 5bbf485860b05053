#include "skin/controls/colour_dialog_form.h"

#include <algorithm>
#include <cmath>

#include "skin/controls/skinned_dialogs.h"
#include "skin/engine/bitmap_ops.h"
#include "skin/engine/skin_manager.h"
#include "skin/engine/skin_utils.h"
#include "skin/forms/skin_provider.h"
#include "vcl/classes/typeinfo.h"
#include "vcl/controls/application.h"
#include "vcl/runtime/sysutils.h"

namespace skin {

namespace {

constexpr int32_t kMaxFormWidth = 541;
constexpr int32_t kNarrowFormWidth = 235;
constexpr int32_t kMarkerRadius = 5;

const char* const kMainPalette[] = {
    "8080FF", "80FFFF", "80FF80", "80FF00", "FFFF80", "FF8000", "C080FF", "FF80FF",  //
    "0000FF", "00FFFF", "00FF80", "40FF00", "FFFF00", "C08000", "C08080", "FF00FF",  //
    "404080", "4080FF", "00FF00", "808000", "804000", "FF8080", "400080", "8000FF",  //
    "000080", "0080FF", "008000", "408000", "FF0000", "A00000", "800080", "FF0080",  //
    "000040", "004080", "004000", "004040", "800000", "400000", "400040", "800040",  //
    "000000", "008080", "408080", "808080", "808040", "C0C0C0", "400040", "FFFFFF"};

// A palette line ("RRGGBB", first word) as a colour.
vcl::TColor PaletteColour(const std::string& line) {
  std::string word = vcl::Trim(line);
  if (const size_t blank = word.find(' '); blank != std::string::npos) word.resize(blank);
  const uint32_t rgb = static_cast<uint32_t>(HexToInt64(word)) & 0xFFFFFF;
  return vcl::TColor(((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16));
}

std::string HexOfColour(vcl::TColor colour) {
  const uint32_t c = static_cast<uint32_t>(vcl::ColorToRGB(colour));
  return vcl::Format("%.2X%.2X%.2X", int32_t(c & 0xFF), int32_t((c >> 8) & 0xFF), int32_t((c >> 16) & 0xFF));
}

uint8_t ToChannel(double value) { return static_cast<uint8_t>(std::clamp(std::nearbyint(value), 0.0, 255.0)); }

}  // namespace

// ---- TsColourCells ---------------------------------------------------------------------------

TsColourCells::TsColourCells(vcl::TComponent* owner)
    : vcl::TGraphicControl(owner), colors_(std::make_unique<vcl::TStringList>()) {
  colors_->OnChange = [this](vcl::TObject*) {
    if (itemIndex_ >= CellCount()) itemIndex_ = -1;
    Invalidate();
  };
}

TsColourCells::~TsColourCells() = default;

void TsColourCells::SetColCount(int32_t value) {
  colCount_ = std::max(value, 1);
  Invalidate();
}

void TsColourCells::SetRowCount(int32_t value) {
  rowCount_ = std::max(value, 1);
  Invalidate();
}

void TsColourCells::SetItemIndex(int32_t value) {
  // The index is checked against the cells, not the lines: there may be more lines than cells.
  if (value < -1 || value >= CellCount()) value = -1;
  if (value == itemIndex_) return;
  itemIndex_ = value;
  Invalidate();
  if (OnChange) OnChange(this);
}

std::string TsColourCells::CellText(int32_t index) const {
  return index >= 0 && index < colors_->Count() ? vcl::Trim(colors_->Strings(index)) : "FFFFFF";
}

vcl::TColor TsColourCells::SelectedColor() const {
  return itemIndex_ < 0 ? vcl::clWhite : PaletteColour(CellText(itemIndex_));
}

vcl::TRect TsColourCells::CellRect(int32_t index) const {
  const int32_t w = (Width() - 2) / colCount_, h = (Height() - 2) / rowCount_;
  const int32_t left = 1 + (index % colCount_) * w, top = 1 + (index / colCount_) * h;
  return vcl::TRect{left + 2, top + 2, left + w - 2, top + h - 2};
}

int32_t TsColourCells::CellAt(int32_t x, int32_t y) const {
  for (int32_t i = 0; i < CellCount(); ++i) {
    const vcl::TRect r = CellRect(i);
    if (x >= r.left - 2 && x < r.right + 2 && y >= r.top - 2 && y < r.bottom + 2) return i;
  }
  return -1;
}

void TsColourCells::Paint() {
  vcl::TCanvas* canvas = Canvas();
  for (int32_t i = 0; i < CellCount(); ++i) {
    vcl::TRect r = CellRect(i);
    canvas->Brush()->SetStyle(vcl::bsSolid);
    canvas->Brush()->SetColor(PaletteColour(CellText(i)));
    canvas->FillRect(r);
    canvas->Brush()->SetColor(i == itemIndex_ ? vcl::clHighlight : vcl::clGray);
    canvas->FrameRect(r);
    if (i == itemIndex_) canvas->FrameRect(vcl::TRect{r.left - 2, r.top - 2, r.right + 2, r.bottom + 2});
  }
}

void TsColourCells::MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  vcl::TGraphicControl::MouseDown(button, shift, x, y);
  if (button == vcl::mbLeft) {
    const int32_t cell = CellAt(x, y);
    if (cell >= 0) {
      itemIndex_ = -1;  // a click on the selected cell selects it again
      SetItemIndex(cell);
    }
  }
}

// ---- TsColorDialogForm: layout ---------------------------------------------------------------

TsColorDialogForm::TsColorDialogForm(vcl::TComponent* owner) : vcl::TForm(owner) {
  SetCaption("Color");
  SetBorderStyle(vcl::bsSingle);
  SetBorderIcons(vcl::TBorderIcons{vcl::biSystemMenu, vcl::biMinimize});
  SetPosition(vcl::poScreenCenter);
  Constraints()->SetMinWidth(kNarrowFormWidth);
  Constraints()->SetMaxWidth(kMaxFormWidth);
  SetClientWidth(532);
  SetClientHeight(385);
  Provider = vcl::New<TsSkinProvider>(this);
  Provider->SkinData()->SetSkinSection("DIALOG");
  BuildLayout();
  nextCustom_ = 0;
  BuildHueSaturationImage();
}

TsColorDialogForm::~TsColorDialogForm() = default;

TsCurrencyEdit* TsColorDialogForm::AddField(int left, int top, int width, const std::string& caption) {
  auto* edit = new TsCurrencyEdit(this);
  edit->SetParent(this);
  edit->SetBounds(left, top, width, 19);
  edit->SetAlignment(vcl::taLeftJustify);
  edit->SetDecimalPlaces(0);
  edit->SetDisplayFormat("0");
  edit->BoundLabel()->SetActive(true);
  edit->BoundLabel()->SetCaption(caption);
  return edit;
}

TsLabel* TsColorDialogForm::AddLabel(int left, int top, const std::string& caption) {
  auto* l = vcl::New<TsLabel>(this);
  l->SetParent(this);
  l->SetBounds(left, top, 120, 13);
  l->SetCaption(caption);
  return l;
}

TsBitBtn* TsColorDialogForm::AddButton(int left, int top, int width, const std::string& caption) {
  auto* b = vcl::New<TsBitBtn>(this);
  b->SetParent(this);
  b->SetBounds(left, top, width, 25);
  b->SetCaption(caption);
  return b;
}

// The tab order follows the order in which the controls are made.
void TsColorDialogForm::BuildLayout() {
  BuildPalettes();
  BuildColourCodeFields();
  BuildHueSaturationField();
  BuildValueGradient();
  BuildNumericFields();
  BuildButtons();
}

void TsColorDialogForm::BuildPalettes() {
  sLabel1 = AddLabel(8, 8, "Main palette :");
  MainPal = new TsColourCells(this);
  MainPal->SetParent(this);
  MainPal->SetBounds(1, 21, 223, 167);
  for (const char* colour : kMainPalette) MainPal->Colors()->Add(colour);
  sLabel2 = AddLabel(8, 192, "Additional colors :");
  AddPal = new TsColourCells(this);
  AddPal->SetParent(this);
  AddPal->SetBounds(1, 205, 223, 59);
  AddPal->SetRowCount(2);
  for (int i = 0; i < 16; ++i) AddPal->Colors()->Add("FFFFFF");
  MainPal->OnChange = [this](vcl::TObject*) { PaletteClicked(MainPal); };
  AddPal->OnChange = [this](vcl::TObject*) { PaletteClicked(AddPal); };
  MainPal->OnDblClick = [this](vcl::TObject*) { sBitBtn1->Click(); };
  AddPal->OnDblClick = [this](vcl::TObject*) { sBitBtn1->Click(); };
  sBitBtn4 = AddButton(8, 268, 209, "Define colors");
  sBitBtn4->SetEnabled(false);
  sBitBtn4->OnClick = [this](vcl::TObject*) { DefineColours(); };
}

// The screen colour picker and the hexadecimal and decimal codes.
void TsColorDialogForm::BuildColourCodeFields() {
  sSpeedButton1 = vcl::New<TsSpeedButton>(this);
  sSpeedButton1->SetParent(this);
  sSpeedButton1->SetBounds(20, 308, 37, 33);
  sSpeedButton1->SetFlat(true);
  sSpeedButton1->SetCaption("Pick");
  sSpeedButton1->OnClick = [this](vcl::TObject*) { PickFromScreen(); };

  sEditHex = new TsMaskEdit(this);
  sEditHex->SetParent(this);
  sEditHex->SetBounds(142, 302, 70, 21);
  sEditHex->SetCharCase(vcl::ecUpperCase);
  sEditHex->SetMaxLength(6);
  sEditHex->SetEditMask("AAAAAA;1; ");
  sEditHex->BoundLabel()->SetActive(true);
  sEditHex->BoundLabel()->SetCaption("Hex - ");
  sEditHex->OnKeyPress = [](vcl::TObject*, char& key) {
    if (key != '\r' && key != '\x1b' && !std::isxdigit(static_cast<unsigned char>(key))) key = 0;
  };
  sEditHex->OnChange = [this](vcl::TObject*) { FieldEdited(srcHex); };
  sEditDecimal = AddField(142, 323, 70, "Decimal - ");
  sEditDecimal->SetMaxValue(0xFFFFFF);
  sEditDecimal->OnChange = [this](vcl::TObject*) { FieldEdited(srcDecimal); };
}

void TsColorDialogForm::BuildHueSaturationField() {
  ColorPanel = new vcl::TPaintBox(this);
  ColorPanel->SetParent(this);
  ColorPanel->SetBounds(234, 8, 260, 260);
  ColorPanel->OnPaint = [this](vcl::TObject*) { PaintField(); };
  ColorPanel->OnMouseDown = [this](vcl::TObject*, vcl::TMouseButton button, vcl::TShiftState, int x, int y) {
    if (button != vcl::mbLeft) return;
    fieldDrag_ = true;
    POINT corner{0, 0};
    corner = POINT{ColorPanel->ClientOrigin().x, ColorPanel->ClientOrigin().y};
    RECT clip{corner.x, corner.y, corner.x + ColorPanel->Width(), corner.y + ColorPanel->Height()};
    ClipCursor(&clip);
    ApplyHueSaturation(int32_t(std::nearbyint(x * 360.0 / ColorPanel->Width())), 1.0 - double(y) / ColorPanel->Height());
  };
  ColorPanel->OnMouseMove = [this](vcl::TObject*, vcl::TShiftState, int x, int y) {
    if (!fieldDrag_) return;
    x = std::clamp(x, 0, ColorPanel->Width());
    y = std::clamp(y, 0, ColorPanel->Height());
    ApplyHueSaturation(int32_t(std::nearbyint(x * 360.0 / ColorPanel->Width())), 1.0 - double(y) / ColorPanel->Height());
  };
  ColorPanel->OnMouseUp = [this](vcl::TObject*, vcl::TMouseButton, vcl::TShiftState, int, int) {
    ClipCursor(nullptr);
    fieldDrag_ = false;
    ColorPanel->Invalidate();
  };
}

void TsColorDialogForm::BuildValueGradient() {
  GradPanel = new vcl::TPaintBox(this);
  GradPanel->SetParent(this);
  GradPanel->SetBounds(502, 8, 20, 260);
  GradPanel->OnPaint = [this](vcl::TObject*) { PaintGradient(); };
  GradMarker = new vcl::TPaintBox(this);
  GradMarker->SetParent(this);
  GradMarker->SetBounds(522, 3, 10, 270);
  GradMarker->OnPaint = [this](vcl::TObject*) { PaintGradientMarker(); };
  auto gradientDown = [this](vcl::TObject*, vcl::TMouseButton button, vcl::TShiftState, int, int y) {
    if (button != vcl::mbLeft) return;
    gradientDrag_ = true;
    const vcl::TPoint origin = GradPanel->ClientOrigin();
    RECT clip{origin.x + GradPanel->Width(), origin.y, origin.x + GradPanel->Width() + 8,
              origin.y + GradPanel->Height()};
    ClipCursor(&clip);
    SelectGradientRow(y);
  };
  auto gradientMove = [this](vcl::TObject*, vcl::TShiftState, int, int y) {
    if (gradientDrag_) SelectGradientRow(std::clamp(y, 0, GradPanel->Height() - 1));
  };
  auto gradientUp = [this](vcl::TObject*, vcl::TMouseButton, vcl::TShiftState, int, int) {
    ClipCursor(nullptr);
    gradientDrag_ = false;
    GradMarker->Invalidate();
  };
  GradPanel->OnMouseDown = gradientDown;
  GradPanel->OnMouseMove = gradientMove;
  GradPanel->OnMouseUp = gradientUp;
  // The marker column beside the gradient drives it too, rows counted from the gradient's top.
  const int32_t shift = GradPanel->Top() - GradMarker->Top();
  GradMarker->OnMouseDown = [=](vcl::TObject* s, vcl::TMouseButton b, vcl::TShiftState st, int x, int y) {
    gradientDown(s, b, st, x, y - shift);
  };
  GradMarker->OnMouseMove = [=](vcl::TObject* s, vcl::TShiftState st, int x, int y) {
    gradientMove(s, st, x, y - shift);
  };
  GradMarker->OnMouseUp = gradientUp;
}

// The selected colour's swatch with its H, S, B and red, green, blue fields.
void TsColorDialogForm::BuildNumericFields() {
  SelectedPanel = new vcl::TShape(this);
  SelectedPanel->SetParent(this);
  SelectedPanel->SetBounds(234, 276, 131, 69);

  sHEdit = AddField(394, 276, 33, "H :");
  sSEdit = AddField(394, 300, 33, "S :");
  sVEdit = AddField(394, 324, 33, "B :");
  sHEdit->SetMaxValue(360);
  sSEdit->SetMaxValue(100);
  sVEdit->SetMaxValue(100);
  AddLabel(430, 278, "o");
  AddLabel(430, 302, "%");
  // Red, green and blue are bytes: a larger number is held to 255, not cut to its low bits.
  sREdit = AddField(494, 276, 33, "Red :");
  sGEdit = AddField(494, 300, 33, "Green :");
  sBEdit = AddField(494, 324, 33, "Blue :");
  for (TsCurrencyEdit* e : {sREdit, sGEdit, sBEdit}) {
    e->SetMaxValue(255);
    e->OnChange = [this](vcl::TObject*) { FieldEdited(srcRgb); };
  }
  for (TsCurrencyEdit* e : {sHEdit, sSEdit, sVEdit}) e->OnChange = [this](vcl::TObject*) { FieldEdited(srcHsv); };
}

void TsColorDialogForm::BuildButtons() {
  sBitBtn1 = AddButton(7, 352, 69, "OK");
  sBitBtn1->SetDefault(true);
  sBitBtn1->SetModalResult(vcl::mrOk);
  sBitBtn2 = AddButton(77, 352, 69, "Cancel");
  sBitBtn2->SetCancel(true);
  sBitBtn2->SetModalResult(vcl::mrCancel);
  sBitBtn5 = AddButton(147, 352, 69, "Help");
  // The program has no help file: the button (shown only with cdShowHelp) asks for nothing.
  sBitBtn3 = AddButton(236, 352, 291, "Add to custom colors set");
  sBitBtn3->OnClick = [this](vcl::TObject*) { AddCustomColour(); };
}

void TsColorDialogForm::LoadTexts() {
  sBitBtn1->SetCaption(SkinText(stOK));
  sBitBtn2->SetCaption(SkinText(stCancel));
  sBitBtn3->SetCaption(SkinText(58960));
  sBitBtn4->SetCaption(SkinText(58959));
  sBitBtn5->SetCaption(SkinText(stHelp));
  sLabel1->SetCaption(SkinText(58958));
  sLabel2->SetCaption(SkinText(58957));
  SetCaption(SkinText(58956));
  sREdit->BoundLabel()->SetCaption(SkinText(58955));
  sGEdit->BoundLabel()->SetCaption(SkinText(58954));
  sBEdit->BoundLabel()->SetCaption(SkinText(58953));
  sEditDecimal->BoundLabel()->SetCaption(SkinText(58952));
  sEditHex->BoundLabel()->SetCaption(SkinText(58951));
}

// ---- Images ----------------------------------------------------------------------------------

void TsColorDialogForm::BuildHueSaturationImage() {
  const int32_t w = ColorPanel->Width(), h = ColorPanel->Height();
  fieldImage_ = CreateBmp24(w, h);
  HDC dc = fieldImage_->Canvas()->Handle();
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      const vcl::TColor c = HsvToRgb(1.0 - double(y) / (3.0 * h), 1.0 - double(y) / h, double(x) * 360.0 / w);
      SetPixelV(dc, x, y, COLORREF(c));
    }
}

void TsColorDialogForm::PaintField() {
  vcl::TCanvas* canvas = ColorPanel->Canvas();
  BitBlt(canvas->Handle(), 0, 0, ColorPanel->Width(), ColorPanel->Height(), fieldImage_->Canvas()->Handle(), 0, 0,
         SRCCOPY);
  if (fieldDrag_) return;
  canvas->Pen()->SetColor(vcl::clBlack);
  canvas->Brush()->SetStyle(vcl::bsClear);
  canvas->Ellipse(marker_.x - kMarkerRadius, marker_.y - kMarkerRadius, marker_.x + kMarkerRadius,
                  marker_.y + kMarkerRadius);
}

void TsColorDialogForm::BaseColourChannels(double (&channels)[3]) const {
  const uint32_t c = static_cast<uint32_t>(vcl::ColorToRGB(base_));
  channels[0] = c & 0xFF;
  channels[1] = (c >> 8) & 0xFF;
  channels[2] = (c >> 16) & 0xFF;
}

// From white over the base colour to black: the upper half steps toward the base colour, the
// lower half from there toward black.
vcl::TColor TsColorDialogForm::GradientColourAt(int32_t row) const {
  const int32_t h = GradPanel->Height();
  if (row < 0 || row >= h) return vcl::clWhite;
  const int32_t half = std::max(h / 2, 1);
  const int32_t upperRows = (h - 1) / 2;
  double base[3];
  BaseColourChannels(base);
  double channel[3] = {255, 255, 255}, lastUpper[3] = {255, 255, 255};
  for (int32_t r = 0; r <= row; ++r)
    for (int i = 0; i < 3; ++i) {
      if (r < upperRows) {
        channel[i] -= (255 - base[i]) / half;
        lastUpper[i] = channel[i];
      } else {
        channel[i] -= lastUpper[i] / half;
      }
    }
  uint8_t bytes[3];
  for (int i = 0; i < 3; ++i) {
    bytes[i] = ToChannel(channel[i]);
    if (row < upperRows) {
      if (bytes[i] <= 2) bytes[i] = 0;
      if (bytes[i] >= 253) bytes[i] = 255;
    }
  }
  return vcl::TColor(bytes[0] | (bytes[1] << 8) | (bytes[2] << 16));
}

int32_t TsColorDialogForm::GradientRowOf(vcl::TColor colour) const {
  const uint32_t c = static_cast<uint32_t>(vcl::ColorToRGB(colour));
  for (int32_t row = 0; row < GradPanel->Height(); ++row) {
    const uint32_t g = static_cast<uint32_t>(GradientColourAt(row));
    bool close = true;
    for (int shift = 0; shift < 24; shift += 8)
      close = close && std::abs(int((c >> shift) & 0xFF) - int((g >> shift) & 0xFF)) <= 2;
    if (close) return row;
  }
  return 0;
}

void TsColorDialogForm::PaintGradient() {
  vcl::TCanvas* canvas = GradPanel->Canvas();
  for (int32_t row = 0; row < GradPanel->Height(); ++row) {
    canvas->Pen()->SetColor(GradientColourAt(row));
    canvas->MoveTo(0, row);
    canvas->LineTo(GradPanel->Width(), row);
  }
}

void TsColorDialogForm::PaintGradientMarker() {
  vcl::TCanvas* canvas = GradMarker->Canvas();
  const bool skinned = DefaultManager && DefaultManager->Active();
  const vcl::TColor ink = skinned ? DefaultManager->GetGlobalFontColor() : vcl::clBlack;
  const int32_t y = GradPanel->Top() - GradMarker->Top() + gradientRow_;
  // A left-pointing arrow whose tip touches the gradient.
  for (int32_t d = 0; d <= 4; ++d)
    for (int32_t x = 1 + d; x <= 5; ++x) {
      canvas->SetPixels(x, y - d, ink);
      canvas->SetPixels(x, y + d, ink);
    }
}

// ---- The selected colour ---------------------------------------------------------------------

vcl::TColor TsColorDialogForm::SelectedColour() const { return SelectedPanel->Brush()->Color(); }

void TsColorDialogForm::SetSelectedColour(vcl::TColor colour) {
  if (updating_) return;
  updating_ = true;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } done{updating_};
  SelectedPanel->Brush()->SetColor(colour);
  if (!fromGradient_) {
    TsHsv hsv;
    RgbToHsv(colour, hsv);
    hue_ = hsv.Hue;
    saturation_ = hsv.Saturation;
    value_ = hsv.Value;
    base_ = HsvToRgb(1, saturation_, hue_);
  }
  const int32_t g = GradPanel->Height();
  if (source_ != srcHsv) {
    sHEdit->SetValue(std::nearbyint(hue_));
    if (fromGradient_ && gradientRow_ < g / 2) {
      sSEdit->SetValue(saturation_ * 100 * 2 * (gradientRow_ + 1) / g);
    } else if (fromGradient_) {
      sVEdit->SetValue((1 - std::abs(double(g / 2 - gradientRow_)) / (g / 2)) * 100);
    } else {
      sSEdit->SetValue(saturation_ * 100);
      sVEdit->SetValue(value_ * 100);
    }
  }
  const uint32_t c = static_cast<uint32_t>(vcl::ColorToRGB(colour));
  if (source_ != srcRgb) {
    sREdit->SetValue(c & 0xFF);
    sGEdit->SetValue((c >> 8) & 0xFF);
    sBEdit->SetValue((c >> 16) & 0xFF);
  }
  if (source_ != srcDecimal) sEditDecimal->SetValue(c);
  if (source_ != srcHex) sEditHex->SetText(HexOfColour(colour));
  if (!fromGradient_)
    marker_ = vcl::TPoint{int32_t(ColorPanel->Width() * hue_ / 360),
                          int32_t(std::nearbyint((1 - saturation_) * ColorPanel->Height()))};
  if (!fromGradient_) gradientRow_ = GradientRowOf(colour);
  GradPanel->Invalidate();
  GradMarker->Invalidate();
  ColorPanel->Invalidate();
  CheckPaletteSelections(colour);
}

void TsColorDialogForm::CheckPaletteSelections(vcl::TColor colour) {
  if (MainPal->ItemIndex() >= 0 && MainPal->SelectedColor() != colour) MainPal->SetItemIndex(-1);
  if (AddPal->ItemIndex() >= 0 && AddPal->SelectedColor() != colour) {
    // A custom cell given up is the one the next added colour goes to.
    nextCustom_ = AddPal->ItemIndex();
    AddPal->SetItemIndex(-1);
  }
}

void TsColorDialogForm::FieldEdited(TSource source) {
  if (updating_) return;
  vcl::TColor colour = vcl::clBlack;
  switch (source) {
    case srcHsv:
      colour = HsvToRgb(sVEdit->Value() / 100, sSEdit->Value() / 100, double(sHEdit->AsInteger()));
      break;
    case srcRgb:
      colour = vcl::TColor(sREdit->AsInteger() + sGEdit->AsInteger() * 256 + sBEdit->AsInteger() * 65536);
      break;
    case srcDecimal:
      colour = vcl::TColor(sEditDecimal->AsInteger() & 0xFFFFFF);
      break;
    case srcHex:
      colour = PaletteColour(sEditHex->EditText());
      break;
    default:
      return;
  }
  source_ = source;
  SetSelectedColour(colour);
  MainPal->SetItemIndex(-1);
  ColorPanel->Invalidate();
  source_ = srcNone;
}

void TsColorDialogForm::ApplyHueSaturation(int32_t hue, double saturation) {
  hue_ = std::clamp(hue, 0, 360);
  saturation_ = std::clamp(saturation, 0.0, 1.0);
  base_ = HsvToRgb(1, saturation_, hue_);
  const int32_t g = GradPanel->Height();
  updating_ = true;
  sHEdit->SetValue(hue_);
  sSEdit->SetValue(saturation_ * 100);
  sVEdit->SetValue(gradientRow_ < g / 2 ? 100 : (1 - std::abs(double(g / 2 - gradientRow_)) / (g / 2)) * 100);
  updating_ = false;
  marker_ = vcl::TPoint{int32_t(ColorPanel->Width() * hue_ / 360),
                        int32_t(std::nearbyint((1 - saturation_) * ColorPanel->Height()))};
  // The colour is the gradient's at its marked row, so the value stays where the user put it.
  fromGradient_ = true;
  source_ = srcHsv;
  SetSelectedColour(GradientColourAt(gradientRow_));
  source_ = srcNone;
  fromGradient_ = false;
  ColorPanel->Invalidate();
}

void TsColorDialogForm::SelectGradientRow(int32_t row) {
  gradientRow_ = std::clamp(row, 0, GradPanel->Height() - 1);
  fromGradient_ = true;
  SetSelectedColour(GradientColourAt(gradientRow_));
  fromGradient_ = false;
  GradMarker->Invalidate();
}

// ---- Palettes and buttons --------------------------------------------------------------------

void TsColorDialogForm::PaletteClicked(TsColourCells* palette) {
  const int32_t index = palette->ItemIndex();
  if (index < 0) return;
  // An empty custom slot holds no colour to take.
  if (palette == AddPal && palette->CellText(index) == "FFFFFF") return;
  SetSelectedColour(palette->SelectedColor());
}

void TsColorDialogForm::AddCustomColour() {
  const std::string hex = vcl::Trim(sEditHex->EditText());
  int32_t slot = AddPal->ItemIndex();
  if (slot < 0) {
    slot = nextCustom_;
    if (nextCustom_ < AddPal->CellCount() - 1) ++nextCustom_;
  }
  while (AddPal->Colors()->Count() <= slot) AddPal->Colors()->Add("FFFFFF");
  AddPal->Colors()->SetStrings(slot, hex);
  AddPal->Invalidate();
}

void TsColorDialogForm::DefineColours() {
  SetWidth(kMaxFormWidth);
  sBitBtn4->SetEnabled(false);
}

void TsColorDialogForm::DoShow() {
  if (dialog_) SetSelectedColour(dialog_->Color());
  if (dialog_) dialog_->DoShow();
  vcl::TForm::DoShow();
}

// ---- Screen colour picker --------------------------------------------------------------------

void TsColorDialogForm::PickFromScreen() {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  GetMonitorInfoA(MonitorFromWindow(Handle(), MONITOR_DEFAULTTONEAREST), &monitor);
  const RECT area = monitor.rcMonitor;
  auto shot = CreateBmp24(area.right - area.left, area.bottom - area.top);
  HDC screen = GetDC(nullptr);
  BitBlt(shot->Canvas()->Handle(), 0, 0, shot->Width(), shot->Height(), screen, area.left, area.top, SRCCOPY);
  ReleaseDC(nullptr, screen);

  std::unique_ptr<vcl::TForm> picker(new vcl::TForm(vcl::Application));
  picker->SetTag(-98);
  picker->SetBorderStyle(vcl::bsNone);
  picker->SetBounds(area.left, area.top, shot->Width(), shot->Height());
  picker->SetDoubleBuffered(true);
  picker->SetCursor(vcl::crCross);
  picker->SetKeyPreview(true);
  auto* image = new vcl::TPaintBox(picker.get());
  image->SetParent(picker.get());
  image->SetAlign(vcl::alClient);
  image->SetCursor(vcl::crCross);
  image->OnPaint = [&](vcl::TObject*) {
    BitBlt(image->Canvas()->Handle(), 0, 0, shot->Width(), shot->Height(), shot->Canvas()->Handle(), 0, 0, SRCCOPY);
  };
  auto* sample = new vcl::TPanel(picker.get());
  sample->SetParent(picker.get());
  const vcl::TPoint at = SelectedPanel->ClientOrigin();
  sample->SetBounds(at.x - area.left, at.y - area.top, SelectedPanel->Width(), SelectedPanel->Height());
  sample->SetColor(SelectedColour());
  auto pixelAt = [&](int x, int y) {
    return vcl::TColor(GetPixel(shot->Canvas()->Handle(), x, y) & 0xFFFFFF);
  };
  image->OnMouseMove = [&](vcl::TObject*, vcl::TShiftState, int x, int y) { sample->SetColor(pixelAt(x, y)); };
  image->OnMouseDown = [&](vcl::TObject*, vcl::TMouseButton, vcl::TShiftState, int x, int y) {
    SetSelectedColour(pixelAt(x, y));
    picker->SetModalResult(vcl::mrOk);
  };
  picker->OnKeyPress = [&](vcl::TObject*, char& key) {
    if (key == '\x1b') picker->SetModalResult(vcl::mrCancel);
  };
  picker->ShowModal();
}

// ---- TsColorDialog's picker ------------------------------------------------------------------

bool ExecuteColourDialogForm(TsColorDialog* dialog) {
  std::unique_ptr<TsColorDialogForm> form(new TsColorDialogForm(vcl::Application));
  form->LoadTexts();
  form->SetDialog(dialog);
  if (dialog->CustomColors()->Count() > 0) {
    // The platform keeps "ColorA=..." lines; the palette reads "RRGGBB".
    vcl::TStringList palette;
    PlatformCustomColoursToPalette(dialog->CustomColors(), &palette);
    while (palette.Count() < form->AddPal->CellCount()) palette.Add("FFFFFF");
    form->AddPal->Colors()->Assign(&palette);
  }
  if (dialog->MainColors()->Count() > 0) form->MainPal->Colors()->Assign(dialog->MainColors());
  form->SetModalResult(vcl::mrCancel);
  const vcl::TColorDialogOptions options = dialog->Options();
  const bool narrow = !options.Contains(vcl::cdFullOpen);
  form->sBitBtn4->SetEnabled(narrow && !options.Contains(vcl::cdPreventFullOpen));
  form->SetWidth(narrow ? kNarrowFormWidth : kMaxFormWidth);
  form->sBitBtn5->SetVisible(options.Contains(vcl::cdShowHelp));
  form->SetHelpContext(dialog->HelpContext());
  form->Provider->PrepareForm();
  form->SelectedPanel->Brush()->SetColor(dialog->Color());
  form->ShowModal();
  PaletteToPlatformCustomColours(form->AddPal->Colors(), dialog->CustomColors());
  dialog->DoClose();
  const bool accepted = form->ModalResult() == vcl::mrOk;
  if (accepted) dialog->SetColor(form->SelectedColour());
  return accepted;
}

VCL_PUBLISHED(TsColourCells, p) { (void)p; }
VCL_PUBLISHED(TsColorDialogForm, p) { (void)p; }

}  // namespace skin

// TForm1's construction, its registration for the form reader, and the window-management
// commands: start-up colours, centring and clamping on resize, the palettes, the about panel
// and the command-button rules.
#include "app/main_form.h"

#include "bitmap/engine/blend_modes.h"
#include "imaging/proc/image_proc.h"
#include "skin/forms/dwm_services.h"
#include "vcl/classes/typeinfo.h"
#include "vcl/runtime/win.h"

namespace app {

namespace {
// The result view's background, and the colour it is filled with before any image exists.
constexpr vcl::TColor kViewBackground = 0xE2E2E2;
// The slot thumbnails' background.
constexpr vcl::TColor kThumbnailBackground = 0xF8F8F8;
constexpr int kAboutWidth = 310, kAboutHeight = 200;
constexpr int kNewImageWidth = 288, kNewImageHeight = 124;
// WM_SYSCOMMAND's move by caption: SC_MOVE with the caption hit code.
constexpr WPARAM kMoveByCaption = 0xF012;
}  // namespace

TForm1::TForm1(vcl::TComponent* owner) : vcl::TForm(owner) {}
TForm1::~TForm1() = default;

void TForm1::FormCreate(vcl::TObject*) {
  // The extended border is a layered window below the form that the desktop must compose with
  // it. A desktop that reports no composition (Wine's X11 desktop among them) would show the
  // border's picture over the form instead: the form then keeps its own skinned frame.
  if (!skin::IsCompositionEnabled()) sSkinManager1->SetExtendedBorders(false);
  ImageView1->SetBackground(kViewBackground);
  ImageView1->GetProc()->Fill(kViewBackground);
  ImageView1->Update();
  for (bitmap::TImage32* thumbnail : {BaseImg, OverlayImg, MaskImg}) thumbnail->SetColor(kThumbnailBackground);
  BlendComboBox->Items()->Assign(bitmap::BlendModeNameList().get());
  BlendComboBox->SetItemIndex(0);
}

void TForm1::CentrePanel(vcl::TControl* panel, int width, int height) {
  panel->SetTop((ScrollBox->Height() - height) / 2);
  panel->SetLeft((ScrollBox->Width() - width) / 2);
}

void ClampPalette(vcl::TControl* palette, vcl::TControl* view) {
  if (palette->Left() < 0) palette->SetLeft(0);
  if (view->Width() - palette->Width() < palette->Left()) palette->SetLeft(view->Width() - palette->Width());
  if (palette->Top() < 0) palette->SetTop(0);
  if (view->Height() - palette->Height() < palette->Top()) palette->SetTop(view->Height() - palette->Height());
}

void TForm1::FormResize(vcl::TObject*) {
  // The form's first resize comes while its components are still being read.
  if (!PanelAbout || !NewImgPanel || !ScrollBox || !ImageView1) return;
  PanelAbout->SetDoubleBuffered(true);
  CentrePanel(PanelAbout, kAboutWidth, kAboutHeight);
  NewImgPanel->SetDoubleBuffered(true);
  CentrePanel(NewImgPanel, kNewImageWidth, kNewImageHeight);
  for (vcl::TControl* palette : {static_cast<vcl::TControl*>(BaseEditPanel), static_cast<vcl::TControl*>(OverlayEditPanel),
                                 static_cast<vcl::TControl*>(MaskEditPanel)})
    if (palette) ClampPalette(palette, ImageView1);
}

void TForm1::FocusView() {
  if (ImageView1->CanFocus()) ImageView1->SetFocus();
}

void TForm1::ShowPalette(vcl::TWinControl* palette, vcl::TControl* editButton) {
  palette->SetVisible(true);
  editButton->SetEnabled(false);
  FocusView();
}

void TForm1::HidePalette(vcl::TWinControl* palette, vcl::TControl* editButton) {
  palette->SetVisible(false);
  editButton->SetEnabled(true);
}

void TForm1::BaseEditBtnClick(vcl::TObject*) { ShowPalette(BaseEditPanel, BaseEditBtn); }
void TForm1::OverlayEditBtnClick(vcl::TObject*) { ShowPalette(OverlayEditPanel, OverlayEditBtn); }
void TForm1::MaskEditBtnClick(vcl::TObject*) { ShowPalette(MaskEditPanel, MaskEditBtn); }
void TForm1::BaseCloseBtnClick(vcl::TObject*) { HidePalette(BaseEditPanel, BaseEditBtn); }
void TForm1::OverlayCloseBtnClick(vcl::TObject*) { HidePalette(OverlayEditPanel, OverlayEditBtn); }
void TForm1::MaskCloseBtnClick(vcl::TObject*) { HidePalette(MaskEditPanel, MaskEditBtn); }

void TForm1::MergeImgClick(vcl::TObject*) {
  HidePalette(BaseEditPanel, BaseEditBtn);
  HidePalette(OverlayEditPanel, OverlayEditBtn);
  HidePalette(MaskEditPanel, MaskEditBtn);
}

void TForm1::ScrollBoxClick(vcl::TObject* Sender) { MergeImgClick(Sender); }

void TForm1::DragPalette(vcl::TWinControl* palette, vcl::TShiftState shift) {
  if (shift.Contains(vcl::ssLeft)) palette->SetDoubleBuffered(true);
  ReleaseCapture();
  // The platform's move loop: the palette follows the mouse until the button is released.
  SendMessageA(palette->Handle(), WM_SYSCOMMAND, kMoveByCaption, 1);
  ClampPalette(palette, ImageView1);
}

void TForm1::BasePaletteMouseDown(vcl::TObject*, vcl::TMouseButton, vcl::TShiftState Shift, int, int) {
  DragPalette(BaseEditPanel, Shift);
}
void TForm1::OverlayPaletteMouseDown(vcl::TObject*, vcl::TMouseButton, vcl::TShiftState Shift, int, int) {
  DragPalette(OverlayEditPanel, Shift);
}
void TForm1::MaskPaletteMouseDown(vcl::TObject*, vcl::TMouseButton, vcl::TShiftState Shift, int, int) {
  DragPalette(MaskEditPanel, Shift);
}

void TForm1::SetResultButtons(bool enabled) {
  for (vcl::TControl* button : {TransferBtn, CopyBtn, SaveBtn}) button->SetEnabled(enabled);
}
void TForm1::SetZoomButtons(bool enabled) {
  for (vcl::TControl* button : {Zoom100Btn, ZoomFitBtn}) button->SetEnabled(enabled);
}
void TForm1::SetLoadButtons(bool enabled) {
  for (vcl::TControl* button : {BaseBtn, OverlayBtn, MaskBtn}) button->SetEnabled(enabled);
}

void TForm1::AboutBtnClick(vcl::TObject*) {
  CentrePanel(PanelAbout, kAboutWidth, kAboutHeight);
  PanelAbout->SetVisible(true);
  AboutBtn->SetEnabled(false);
  SetLoadButtons(false);
  SetResultButtons(false);
  SetZoomButtons(false);
  NewImgPanel->SetVisible(false);
  NewBaseBtn->SetEnabled(false);
}

void TForm1::AboutCloseBtnClick(vcl::TObject*) {
  AboutBtn->SetEnabled(true);
  SetLoadButtons(true);
  PanelAbout->SetVisible(false);
  NewBaseBtn->SetEnabled(true);
  for (vcl::TControl* control : {static_cast<vcl::TControl*>(BaseEditPanel), static_cast<vcl::TControl*>(OverlayEditPanel),
                                 static_cast<vcl::TControl*>(MaskEditPanel), static_cast<vcl::TControl*>(ImageView1)})
    control->SetEnabled(true);
  FocusView();
  const bool haveBase = !BaseImg->Bitmap()->IsEmpty();
  SetResultButtons(haveBase);
  SetZoomButtons(haveBase);
}

VCL_PUBLISHED(TForm1, p) {
  p.Field("LoadPanel", &TForm1::LoadPanel)
      .Field("sPanel1", &TForm1::sPanel1)
      .Field("LayerLabel", &TForm1::LayerLabel)
      .Field("BaseGroup", &TForm1::BaseGroup)
      .Field("BaseBorder", &TForm1::BaseBorder)
      .Field("BaseImg", &TForm1::BaseImg)
      .Field("BaseBtn", &TForm1::BaseBtn)
      .Field("BaseEditBtn", &TForm1::BaseEditBtn)
      .Field("OverlayGroup", &TForm1::OverlayGroup)
      .Field("OverlayBorder", &TForm1::OverlayBorder)
      .Field("OverlayImg", &TForm1::OverlayImg)
      .Field("OverlayBtn", &TForm1::OverlayBtn)
      .Field("OverlayEditBtn", &TForm1::OverlayEditBtn)
      .Field("MaskGroup", &TForm1::MaskGroup)
      .Field("MaskBorder", &TForm1::MaskBorder)
      .Field("MaskImg", &TForm1::MaskImg)
      .Field("MaskBtn", &TForm1::MaskBtn)
      .Field("MaskEditBtn", &TForm1::MaskEditBtn)
      .Field("BackPanel", &TForm1::BackPanel)
      .Field("TileImgBuffer", &TForm1::TileImgBuffer)
      .Field("TileImg", &TForm1::TileImg)
      .Field("MergeImg", &TForm1::MergeImg)
      .Field("BottomPanel", &TForm1::BottomPanel)
      .Field("Bevel1", &TForm1::Bevel1)
      .Field("NewBaseBtn", &TForm1::NewBaseBtn)
      .Field("TransferBtn", &TForm1::TransferBtn)
      .Field("CopyBtn", &TForm1::CopyBtn)
      .Field("SaveBtn", &TForm1::SaveBtn)
      .Field("AboutBtn", &TForm1::AboutBtn)
      .Field("ZoomLabel", &TForm1::ZoomLabel)
      .Field("Zoom100Btn", &TForm1::Zoom100Btn)
      .Field("ZoomFitBtn", &TForm1::ZoomFitBtn)
      .Field("FlattenBtn", &TForm1::FlattenBtn)
      .Field("UpdateImgBtn", &TForm1::UpdateImgBtn)
      .Field("ScrollBox", &TForm1::ScrollBox)
      .Field("FlattenImg", &TForm1::FlattenImg)
      .Field("ImageView1", &TForm1::ImageView1)
      .Field("PanelAbout", &TForm1::PanelAbout)
      .Field("BaseEditPanel", &TForm1::BaseEditPanel)
      .Field("BasePalette2", &TForm1::BasePalette2)
      .Field("BasePalLabel", &TForm1::BasePalLabel)
      .Field("BaseCloseBtn", &TForm1::BaseCloseBtn)
      .Field("BaseRotBtn", &TForm1::BaseRotBtn)
      .Field("BaseFHBtn", &TForm1::BaseFHBtn)
      .Field("BaseFVBtn", &TForm1::BaseFVBtn)
      .Field("BaseGryBtn", &TForm1::BaseGryBtn)
      .Field("BaseInvBtn", &TForm1::BaseInvBtn)
      .Field("OverlayEditPanel", &TForm1::OverlayEditPanel)
      .Field("OverlayPalette2", &TForm1::OverlayPalette2)
      .Field("OverlayPalLabel", &TForm1::OverlayPalLabel)
      .Field("OverlayCloseBtn", &TForm1::OverlayCloseBtn)
      .Field("BlendLabel", &TForm1::BlendLabel)
      .Field("BlendComboBox", &TForm1::BlendComboBox)
      .Field("OpacityLabel", &TForm1::OpacityLabel)
      .Field("OpacityPercentage", &TForm1::OpacityPercentage)
      .Field("OpacityBar", &TForm1::OpacityBar)
      .Field("OverlayRotBtn", &TForm1::OverlayRotBtn)
      .Field("OverlayFHBtn", &TForm1::OverlayFHBtn)
      .Field("OverlayFVBtn", &TForm1::OverlayFVBtn)
      .Field("OverlayGryBtn", &TForm1::OverlayGryBtn)
      .Field("OverlayInvBtn", &TForm1::OverlayInvBtn)
      .Field("OverlayImageMode", &TForm1::OverlayImageMode)
      .Field("MaskEditPanel", &TForm1::MaskEditPanel)
      .Field("MaskPalette2", &TForm1::MaskPalette2)
      .Field("MaskPalLabel", &TForm1::MaskPalLabel)
      .Field("MaskCloseBtn", &TForm1::MaskCloseBtn)
      .Field("MaskGradLabel", &TForm1::MaskGradLabel)
      .Field("MaskGradCombo", &TForm1::MaskGradCombo)
      .Field("MaskRotBtn", &TForm1::MaskRotBtn)
      .Field("MaskFHBtn", &TForm1::MaskFHBtn)
      .Field("MaskFVBtn", &TForm1::MaskFVBtn)
      .Field("MaskGryBtn", &TForm1::MaskGryBtn)
      .Field("MaskInvBtn", &TForm1::MaskInvBtn)
      .Field("NewImgPanel", &TForm1::NewImgPanel)
      .Field("NewImgTop2", &TForm1::NewImgTop2)
      .Field("NewImgLabel", &TForm1::NewImgLabel)
      .Field("NewSizeLabel", &TForm1::NewSizeLabel)
      .Field("NewWidthSpin", &TForm1::NewWidthSpin)
      .Field("NewHeightSpin", &TForm1::NewHeightSpin)
      .Field("NewRetainLabel", &TForm1::NewRetainLabel)
      .Field("NewColourPanel", &TForm1::NewColourPanel)
      .Field("NewCancelBtn", &TForm1::NewCancelBtn)
      .Field("NewOKBtn", &TForm1::NewOKBtn)
      .Field("AboutImage", &TForm1::AboutImage)
      .Field("AboutTitle", &TForm1::AboutTitle)
      .Field("AboutVersion", &TForm1::AboutVersion)
      .Field("AboutOverview", &TForm1::AboutOverview)
      .Field("sWebLabel1", &TForm1::sWebLabel1)
      .Field("AboutCredits", &TForm1::AboutCredits)
      .Field("AboutCloseBtn", &TForm1::AboutCloseBtn)
      .Field("OpenDialogBase", &TForm1::OpenDialogBase)
      .Field("OpenDialogOverlay", &TForm1::OpenDialogOverlay)
      .Field("OpenDialogMask", &TForm1::OpenDialogMask)
      .Field("SaveDialog", &TForm1::SaveDialog)
      .Field("ColorDialogNew", &TForm1::ColorDialogNew)
      .Field("GradientList", &TForm1::GradientList)
      .Field("FormStorage", &TForm1::FormStorage)
      .Field("sSkinManager1", &TForm1::sSkinManager1)
      .Field("sSkinProvider1", &TForm1::sSkinProvider1)
      .Method("FormCreate", &TForm1::FormCreate)
      .Method("FormResize", &TForm1::FormResize)
      .Method("BaseEditBtnClick", &TForm1::BaseEditBtnClick)
      .Method("OverlayEditBtnClick", &TForm1::OverlayEditBtnClick)
      .Method("MaskEditBtnClick", &TForm1::MaskEditBtnClick)
      .Method("BaseCloseBtnClick", &TForm1::BaseCloseBtnClick)
      .Method("OverlayCloseBtnClick", &TForm1::OverlayCloseBtnClick)
      .Method("MaskCloseBtnClick", &TForm1::MaskCloseBtnClick)
      .Method("MergeImgClick", &TForm1::MergeImgClick)
      .Method("ScrollBoxClick", &TForm1::ScrollBoxClick)
      .Method("BasePaletteMouseDown", &TForm1::BasePaletteMouseDown)
      .Method("OverlayPaletteMouseDown", &TForm1::OverlayPaletteMouseDown)
      .Method("MaskPaletteMouseDown", &TForm1::MaskPaletteMouseDown)
      .Method("AboutBtnClick", &TForm1::AboutBtnClick)
      .Method("AboutCloseBtnClick", &TForm1::AboutCloseBtnClick)
      .Method("BaseBtnClick", &TForm1::BaseBtnClick)
      .Method("OverlayBtnClick", &TForm1::OverlayBtnClick)
      .Method("MaskBtnClick", &TForm1::MaskBtnClick)
      .Method("UpdateImgBtnClick", &TForm1::UpdateImgBtnClick)
      .Method("FlattenBtnClick", &TForm1::FlattenBtnClick)
      .Method("TransferBtnClick", &TForm1::TransferBtnClick)
      .Method("OpacityBarChange", &TForm1::OpacityBarChange)
      .Method("BlendComboBoxChange", &TForm1::BlendComboBoxChange)
      .Method("OverlayImageModeClick", &TForm1::OverlayImageModeClick)
      .Method("MaskGradComboChange", &TForm1::MaskGradComboChange)
      .Method("BaseRotBtnClick", &TForm1::BaseRotBtnClick)
      .Method("BaseFHBtnClick", &TForm1::BaseFHBtnClick)
      .Method("BaseFVBtnClick", &TForm1::BaseFVBtnClick)
      .Method("BaseGryBtnClick", &TForm1::BaseGryBtnClick)
      .Method("BaseInvBtnClick", &TForm1::BaseInvBtnClick)
      .Method("OverlayRotBtnClick", &TForm1::OverlayRotBtnClick)
      .Method("OverlayFHBtnClick", &TForm1::OverlayFHBtnClick)
      .Method("OverlayFVBtnClick", &TForm1::OverlayFVBtnClick)
      .Method("OverlayGryBtnClick", &TForm1::OverlayGryBtnClick)
      .Method("OverlayInvBtnClick", &TForm1::OverlayInvBtnClick)
      .Method("MaskRotBtnClick", &TForm1::MaskRotBtnClick)
      .Method("MaskFHBtnClick", &TForm1::MaskFHBtnClick)
      .Method("MaskFVBtnClick", &TForm1::MaskFVBtnClick)
      .Method("MaskGryBtnClick", &TForm1::MaskGryBtnClick)
      .Method("MaskInvBtnClick", &TForm1::MaskInvBtnClick)
      .Method("SaveBtnClick", &TForm1::SaveBtnClick)
      .Method("CopyBtnClick", &TForm1::CopyBtnClick)
      .Method("NewBaseBtnClick", &TForm1::NewBaseBtnClick)
      .Method("NewCancelBtnClick", &TForm1::NewCancelBtnClick)
      .Method("NewOKBtnClick", &TForm1::NewOKBtnClick)
      .Method("NewColourPanelClick", &TForm1::NewColourPanelClick)
      .Method("Zoom100BtnClick", &TForm1::Zoom100BtnClick)
      .Method("ZoomFitBtnClick", &TForm1::ZoomFitBtnClick);
}

}  // namespace app

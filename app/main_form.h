// TForm1: the compositor's main window, created from its form data. Three image slots (base,
// overlay, mask) with their option palettes; the overlay is merged over the base through one
// bitmap layer with a blend-mode combiner, the mask's intensity as its alpha and the opacity
// as its master alpha; the flattened result is shown in the image view and can be saved,
// copied, or transferred back into the base.
//
// The working image controls (TileImgBuffer, TileImg, MergeImg, FlattenImg) sit behind the
// scroll box: their off-screen buffers are the laid-out overlay, the merged picture and the
// result. Every command that changes an image or a setting ends with the refresh sequence.
#pragma once

#include <memory>
#include <string>

#include "bitmap/controls/bitmap32_list.h"
#include "bitmap/controls/image32.h"
#include "bitmap/controls/img_view32.h"
#include "imaging/view/image_view.h"
#include "placement/form_storage.h"
#include "skin/controls/bevel.h"
#include "skin/controls/button.h"
#include "skin/controls/combo_box.h"
#include "skin/controls/group_box.h"
#include "skin/controls/labels.h"
#include "skin/controls/panel.h"
#include "skin/controls/radio_group.h"
#include "skin/controls/scroll_box.h"
#include "skin/controls/skinned_dialogs.h"
#include "skin/controls/speed_button.h"
#include "skin/controls/spin_edit.h"
#include "skin/controls/track_bar.h"
#include "skin/engine/skin_manager.h"
#include "skin/forms/skin_provider.h"
#include "vcl/controls/forms.h"
#include "vcl/stdctrls/extctrls.h"

namespace app {

class TForm1 : public vcl::TForm {
  VCL_CLASS(TForm1, vcl::TForm)
  explicit TForm1(vcl::TComponent* owner);
  ~TForm1() override;

  // Left column: the slots.
  skin::TsPanel* LoadPanel = nullptr;
  skin::TsPanel* sPanel1 = nullptr;
  skin::TsLabel* LayerLabel = nullptr;
  skin::TsGroupBox* BaseGroup = nullptr;
  vcl::TShape* BaseBorder = nullptr;
  bitmap::TImage32* BaseImg = nullptr;
  skin::TsButton* BaseBtn = nullptr;
  skin::TsButton* BaseEditBtn = nullptr;
  skin::TsGroupBox* OverlayGroup = nullptr;
  vcl::TShape* OverlayBorder = nullptr;
  bitmap::TImage32* OverlayImg = nullptr;
  skin::TsButton* OverlayBtn = nullptr;
  skin::TsButton* OverlayEditBtn = nullptr;
  skin::TsGroupBox* MaskGroup = nullptr;
  vcl::TShape* MaskBorder = nullptr;
  bitmap::TImage32* MaskImg = nullptr;
  skin::TsButton* MaskBtn = nullptr;
  skin::TsButton* MaskEditBtn = nullptr;

  // Work area: the toolbar, the working image controls and the result view.
  skin::TsPanel* BackPanel = nullptr;
  bitmap::TImage32* TileImgBuffer = nullptr;
  bitmap::TImage32* TileImg = nullptr;
  bitmap::TImage32* MergeImg = nullptr;
  skin::TsPanel* BottomPanel = nullptr;
  skin::TsBevel* Bevel1 = nullptr;
  skin::TsButton* NewBaseBtn = nullptr;
  skin::TsButton* TransferBtn = nullptr;
  skin::TsButton* CopyBtn = nullptr;
  skin::TsButton* SaveBtn = nullptr;
  skin::TsButton* AboutBtn = nullptr;
  skin::TsLabel* ZoomLabel = nullptr;
  skin::TsButton* Zoom100Btn = nullptr;
  skin::TsButton* ZoomFitBtn = nullptr;
  skin::TsButton* FlattenBtn = nullptr;
  skin::TsButton* UpdateImgBtn = nullptr;
  skin::TsScrollBox* ScrollBox = nullptr;
  bitmap::TImgView32* FlattenImg = nullptr;
  imaging::TImageView* ImageView1 = nullptr;
  skin::TsPanel* PanelAbout = nullptr;

  // The palettes.
  skin::TsPanel* BaseEditPanel = nullptr;
  skin::TsPanel* BasePalette2 = nullptr;
  skin::TsLabel* BasePalLabel = nullptr;
  skin::TsSpeedButton* BaseCloseBtn = nullptr;
  skin::TsSpeedButton* BaseRotBtn = nullptr;
  skin::TsSpeedButton* BaseFHBtn = nullptr;
  skin::TsSpeedButton* BaseFVBtn = nullptr;
  skin::TsSpeedButton* BaseGryBtn = nullptr;
  skin::TsSpeedButton* BaseInvBtn = nullptr;
  skin::TsPanel* OverlayEditPanel = nullptr;
  skin::TsPanel* OverlayPalette2 = nullptr;
  skin::TsLabel* OverlayPalLabel = nullptr;
  skin::TsSpeedButton* OverlayCloseBtn = nullptr;
  skin::TsLabel* BlendLabel = nullptr;
  skin::TsComboBox* BlendComboBox = nullptr;
  skin::TsLabel* OpacityLabel = nullptr;
  skin::TsLabel* OpacityPercentage = nullptr;
  skin::TsTrackBar* OpacityBar = nullptr;
  skin::TsSpeedButton* OverlayRotBtn = nullptr;
  skin::TsSpeedButton* OverlayFHBtn = nullptr;
  skin::TsSpeedButton* OverlayFVBtn = nullptr;
  skin::TsSpeedButton* OverlayGryBtn = nullptr;
  skin::TsSpeedButton* OverlayInvBtn = nullptr;
  skin::TsRadioGroup* OverlayImageMode = nullptr;
  skin::TsPanel* MaskEditPanel = nullptr;
  skin::TsPanel* MaskPalette2 = nullptr;
  skin::TsLabel* MaskPalLabel = nullptr;
  skin::TsSpeedButton* MaskCloseBtn = nullptr;
  skin::TsLabel* MaskGradLabel = nullptr;
  skin::TsComboBox* MaskGradCombo = nullptr;
  skin::TsSpeedButton* MaskRotBtn = nullptr;
  skin::TsSpeedButton* MaskFHBtn = nullptr;
  skin::TsSpeedButton* MaskFVBtn = nullptr;
  skin::TsSpeedButton* MaskGryBtn = nullptr;
  skin::TsSpeedButton* MaskInvBtn = nullptr;

  // The new-image panel.
  skin::TsPanel* NewImgPanel = nullptr;
  skin::TsPanel* NewImgTop2 = nullptr;
  skin::TsLabel* NewImgLabel = nullptr;
  skin::TsLabel* NewSizeLabel = nullptr;
  skin::TsSpinEdit* NewWidthSpin = nullptr;
  skin::TsSpinEdit* NewHeightSpin = nullptr;
  skin::TsLabel* NewRetainLabel = nullptr;
  skin::TsPanel* NewColourPanel = nullptr;
  skin::TsButton* NewCancelBtn = nullptr;
  skin::TsButton* NewOKBtn = nullptr;

  // The about panel.
  vcl::TImage* AboutImage = nullptr;
  skin::TsLabel* AboutTitle = nullptr;
  skin::TsLabel* AboutVersion = nullptr;
  skin::TsLabel* AboutOverview = nullptr;
  skin::TsWebLabel* sWebLabel1 = nullptr;
  skin::TsLabel* AboutCredits = nullptr;
  skin::TsButton* AboutCloseBtn = nullptr;

  // Non-visual components.
  skin::TsOpenDialog* OpenDialogBase = nullptr;
  skin::TsOpenDialog* OpenDialogOverlay = nullptr;
  skin::TsOpenDialog* OpenDialogMask = nullptr;
  skin::TsSaveDialog* SaveDialog = nullptr;
  skin::TsColorDialog* ColorDialogNew = nullptr;
  bitmap::TBitmap32List* GradientList = nullptr;
  placement::TFormStorage* FormStorage = nullptr;
  skin::TsSkinManager* sSkinManager1 = nullptr;
  skin::TsSkinProvider* sSkinProvider1 = nullptr;

  // Window management.
  void FormCreate(vcl::TObject* Sender);
  void FormResize(vcl::TObject* Sender);
  void BaseEditBtnClick(vcl::TObject* Sender);
  void OverlayEditBtnClick(vcl::TObject* Sender);
  void MaskEditBtnClick(vcl::TObject* Sender);
  void BaseCloseBtnClick(vcl::TObject* Sender);
  void OverlayCloseBtnClick(vcl::TObject* Sender);
  void MaskCloseBtnClick(vcl::TObject* Sender);
  void MergeImgClick(vcl::TObject* Sender);
  void ScrollBoxClick(vcl::TObject* Sender);
  void BasePaletteMouseDown(vcl::TObject* Sender, vcl::TMouseButton Button, vcl::TShiftState Shift, int X, int Y);
  void OverlayPaletteMouseDown(vcl::TObject* Sender, vcl::TMouseButton Button, vcl::TShiftState Shift, int X,
                               int Y);
  void MaskPaletteMouseDown(vcl::TObject* Sender, vcl::TMouseButton Button, vcl::TShiftState Shift, int X, int Y);
  void AboutBtnClick(vcl::TObject* Sender);
  void AboutCloseBtnClick(vcl::TObject* Sender);

  // Loading and compositing.
  void BaseBtnClick(vcl::TObject* Sender);
  void OverlayBtnClick(vcl::TObject* Sender);
  void MaskBtnClick(vcl::TObject* Sender);
  void UpdateImgBtnClick(vcl::TObject* Sender);
  void FlattenBtnClick(vcl::TObject* Sender);
  void TransferBtnClick(vcl::TObject* Sender);
  void OpacityBarChange(vcl::TObject* Sender);
  void BlendComboBoxChange(vcl::TObject* Sender);
  void OverlayImageModeClick(vcl::TObject* Sender);
  void MaskGradComboChange(vcl::TObject* Sender);

  // The commands behind the "Load" buttons once the file is chosen. A file the picture
  // loader rejects raises its error and leaves every slot as it was.
  void LoadBase(const std::string& file);
  void LoadOverlay(const std::string& file);
  void LoadMask(const std::string& file);

  // Slot edits.
  void BaseRotBtnClick(vcl::TObject* Sender);
  void BaseFHBtnClick(vcl::TObject* Sender);
  void BaseFVBtnClick(vcl::TObject* Sender);
  void BaseGryBtnClick(vcl::TObject* Sender);
  void BaseInvBtnClick(vcl::TObject* Sender);
  void OverlayRotBtnClick(vcl::TObject* Sender);
  void OverlayFHBtnClick(vcl::TObject* Sender);
  void OverlayFVBtnClick(vcl::TObject* Sender);
  void OverlayGryBtnClick(vcl::TObject* Sender);
  void OverlayInvBtnClick(vcl::TObject* Sender);
  void MaskRotBtnClick(vcl::TObject* Sender);
  void MaskFHBtnClick(vcl::TObject* Sender);
  void MaskFVBtnClick(vcl::TObject* Sender);
  void MaskGryBtnClick(vcl::TObject* Sender);
  void MaskInvBtnClick(vcl::TObject* Sender);

  // Output and view commands.
  void SaveBtnClick(vcl::TObject* Sender);
  void CopyBtnClick(vcl::TObject* Sender);
  void NewBaseBtnClick(vcl::TObject* Sender);
  void NewCancelBtnClick(vcl::TObject* Sender);
  void NewOKBtnClick(vcl::TObject* Sender);
  void NewColourPanelClick(vcl::TObject* Sender);
  void Zoom100BtnClick(vcl::TObject* Sender);
  void ZoomFitBtnClick(vcl::TObject* Sender);

 private:
  enum class TSlotEdit { Rotate, FlipHorizontal, FlipVertical, Grayscale, Invert };

  // While the form data is read, setting a control's value must not run a command.
  bool Loading() const;
  // The opacity bar's position: the overlay's master alpha.
  uint32_t Opacity();
  // The shared sequences that the commands end with.
  void RefreshSequence(bool focusView);
  void OpacitySequence();
  void OverlayModeSequence(bool baseVariant);
  void ZoomDecision();
  // Copies the top-left picture of an image control's off-screen buffer (brought up to date
  // by the caller's repaint) into dest.
  void CopyBuffer(bitmap::TImage32* source, int32_t pictureWidth, int32_t pictureHeight, bitmap::TBitmap32* dest);
  // The merge's mask and the flatten's picture are working bitmaps of the base's size. They
  // are kept between commands, reset to a new bitmap's settings: allocating a platform
  // bitmap of a large picture on every command would cost more than the whole merge.
  bitmap::TBitmap32& Scratch(std::unique_ptr<bitmap::TBitmap32>& kept);
  std::unique_ptr<bitmap::TBitmap32> maskScratch_;
  std::unique_ptr<bitmap::TBitmap32> flattenScratch_;
  // TileImgBuffer's bitmap := the tile image's laid-out overlay.
  void CopyTileBuffer();
  // Sizes the flatten image and the tile image to a new base.
  void SizeWorkingImages();
  void FocusView();
  void SetResultButtons(bool enabled);
  void SetZoomButtons(bool enabled);
  void SetLoadButtons(bool enabled);
  void CentrePanel(vcl::TControl* panel, int width, int height);
  void DragPalette(vcl::TWinControl* palette, vcl::TShiftState shift);
  void ShowPalette(vcl::TWinControl* palette, vcl::TControl* editButton);
  void HidePalette(vcl::TWinControl* palette, vcl::TControl* editButton);
  // Runs an open dialog; the chosen file, or empty when it was cancelled.
  std::string ChooseFile(vcl::TOpenDialog* dialog);
  // In place: Source and Destination are the slot's own bitmap.
  static void ApplyEdit(bitmap::TBitmap32* bitmap, TSlotEdit edit);
  void EditBase(TSlotEdit edit);
  void EditOverlay(TSlotEdit edit);
  void EditMask(TSlotEdit edit);
};

// Keeps a palette inside the view: flush with an edge it crossed; a palette larger than the
// view ends with a negative left or top.
void ClampPalette(vcl::TControl* palette, vcl::TControl* view);

}  // namespace app

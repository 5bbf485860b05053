// TfIOPreviews: the modal "Parameters preview" form, in which a user chooses the save options of
// one file format and sees their effect: the source picture on the left, the picture as it
// comes back from the file on the right, with the original and the compressed size. One page
// per format (JPEG, TIFF and GIF also in a simplified form). The form edits a working copy of
// the options; only "OK" and "&Apply" write the active page's options into the edited block.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/base/word_tables.h"
#include "imaging/params/io_params.h"
#include "imaging/view/image_view.h"
#include "vcl/controls/forms.h"
#include "vcl/stdctrls/comctrls.h"
#include "vcl/stdctrls/dialogs.h"
#include "vcl/stdctrls/extctrls.h"
#include "vcl/stdctrls/stdctrls.h"

namespace imaging {

class TIEBitmap;

// Makes TImageIO::DoPreviews show this form (the library's part of the program's start-up).
void RegisterPreviewsDialog();

class TfIOPreviews : public vcl::TForm {
  VCL_CLASS(TfIOPreviews, vcl::TForm)
  explicit TfIOPreviews(vcl::TComponent* owner);
  ~TfIOPreviews() override;

  // The block the form edits (not owned; it must outlive the form).
  void SetParams(TIOParamsVals* params) { params_ = params; }
  void SetSimplified(bool value) { simplified_ = value; }
  void SetLockPreviewDefault(bool value) { lockPreviewDefault_ = value; }
  // How previews convert to 1 bit: 0 ordered dither, 1 threshold.
  void SetBilevelConversion(uint8_t value) { bilevel_ = value; }
  // The picture to show (not owned, not changed).
  void SetSource(TIEBitmap* bitmap);
  // Stores the page set; with 2 it adds the page of the block's file type. False only when the
  // set then names no page at all.
  bool SetPages(int32_t pages);

  // Every caption in the language's words (field labels end in ":"); words the tables lack
  // leave the caption as it is.
  void SetLanguage(TMsgLanguage language);

  // Runs a preview of the active page's options now.
  void RunPreview();

  // ---- the controls, for the application's OnIOPreview handler ----
  TImageView* SourceView() const { return image1_; }
  TImageView* ResultView() const { return image2_; }
  vcl::TPageControl* PageControl() const { return pageControl_; }
  vcl::TButton* OKButton() const { return okButton_; }
  vcl::TButton* CancelButton() const { return cancelButton_; }
  vcl::TButton* PreviewButton() const { return previewButton_; }
  vcl::TButton* ApplyButton() const { return applyButton_; }
  vcl::TCheckBox* LockPreview() const { return lockPreview_; }
  vcl::TProgressBar* ProgressBar() const { return progressBar_; }

  // The format pages and the controls that edit their options.
  struct TPage {
    vcl::TTabSheet* Sheet = nullptr;
    uint16_t Bit = 0;          // its bit in the page set
    int32_t FileType = 0;      // what "OK" sets
    bool Simplified = false;   // the simplified form of a page
    vcl::TEdit* Quality = nullptr;  // JPEG quality, JPEG 2000 rate x 1000
    vcl::TTrackBar* QualityBar = nullptr;
    vcl::TComboBox* DCTMethod = nullptr;
    vcl::TEdit* Smoothing = nullptr;
    vcl::TComboBox* Photometric = nullptr;
    vcl::TCheckBox* OptimalHuffman = nullptr;
    vcl::TCheckBox* Progressive = nullptr;
    vcl::TComboBox* Compression = nullptr;
    vcl::TEdit* ImageIndex = nullptr;
    vcl::TComboBox* Colours = nullptr;
    vcl::TEdit* HorizPosition = nullptr;
    vcl::TEdit* VertPosition = nullptr;
    vcl::TEdit* Name = nullptr;
    vcl::TEdit* Description = nullptr;
    vcl::TEdit* PageName = nullptr;
    vcl::TEdit* PageNumber = nullptr;
    vcl::TEdit* PageCount = nullptr;
    vcl::TCheckBox* Transparent = nullptr;
    vcl::TPanel* TransparentColour = nullptr;
    vcl::TCheckBox* Interlaced = nullptr;
    vcl::TPanel* Background = nullptr;
    vcl::TEdit* DelayTime = nullptr;
    vcl::TComboBox* Filter = nullptr;
    vcl::TCheckBox* Compressed = nullptr;
    vcl::TLabel* OriginalSize = nullptr;
    vcl::TLabel* CompressedSize = nullptr;
  };
  enum TPageKind { pkJPEG, pkJPEGSimple, pkTIFF, pkTIFFSimple, pkGIF, pkGIFSimple, pkBMP, pkPCX, pkPNG, pkTGA,
                   pkJ2000, pkCount };
  TPage& Page(TPageKind kind) { return pages_[kind]; }
  // The page shown, nil before the form was activated.
  TPage* ActiveFormatPage();

  // The TIFF compression list: value to item and back (the LZW item only when an LZW encoder
  // is installed).
  static int32_t TIFFCompressionToIndex(int32_t compression, bool withLZW);
  static int32_t TIFFIndexToCompression(int32_t index, bool withLZW);

 protected:
  void DoShow() override;

 private:
  // The place of each page's next control, and the making of the controls at it.
  struct TPageLayout;
  void BuildPages();
  void BuildJPEGPages();
  void BuildTIFFPages();
  void BuildGIFPages();
  void BuildBMPPage();
  void BuildPCXPage();
  void BuildPNGPage();
  void BuildTGAPage();
  void BuildJPEG2000Page();
  TPage& AddPage(TPageKind kind, const char* caption, uint16_t bit, int32_t fileType, bool simplified);
  void ArrangePages();
  void LoadWorkingCopy();
  void ShowWorkingCopy();
  void ReadControls(TPage& page, vcl::TObject* sender);
  // Writes the page's options from the working copy into `target`, with its file type.
  void WriteOptions(const TPage& page, TIOParamsVals& target);
  void ControlChanged(vcl::TObject* sender);
  void ChooseColour(TPage& page, vcl::TPanel* panel);
  void OKClick(vcl::TObject* sender);
  void ApplyClick(vcl::TObject* sender);
  void LockPreviewClick(vcl::TObject* sender);
  void PageChanging(vcl::TObject* sender, bool& allow);
  void PageChanged(vcl::TObject* sender);
  void ShowResultFromSource();
  // Notes which word a control's caption is (found by its English text).
  void RememberCaption(vcl::TControl* control, const std::string& text);
  void ArrangeSimplified();
  void SyncResultView();
  bool WithLZW() const;

  TIOParamsVals* params_ = nullptr;
  // The options as the controls show them.
  std::unique_ptr<TIOParamsVals> working_;
  TIEBitmap* source_ = nullptr;
  int32_t pageSet_ = 1;
  bool simplified_ = true;
  bool lockPreviewDefault_ = false;
  uint8_t bilevel_ = 1;
  bool ready_ = false;
  bool activated_ = false;
  int32_t progressDivisor_ = 1;
  int32_t progressOffset_ = 0;
  TPage pages_[pkCount];
  struct TCaption {
    vcl::TControl* control;
    uint8_t word;
    bool colon;
  };
  std::vector<TCaption> captions_;

  TImageView* image1_ = nullptr;
  TImageView* image2_ = nullptr;
  vcl::TPageControl* pageControl_ = nullptr;
  vcl::TButton* okButton_ = nullptr;
  vcl::TButton* cancelButton_ = nullptr;
  vcl::TButton* previewButton_ = nullptr;
  vcl::TButton* applyButton_ = nullptr;
  vcl::TCheckBox* lockPreview_ = nullptr;
  vcl::TProgressBar* progressBar_ = nullptr;
  vcl::TColorDialog* colorDialog_ = nullptr;
};

}  // namespace imaging

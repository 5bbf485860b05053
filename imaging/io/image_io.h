// TImageIO: the image library's I/O component. It owns a parameter block, points at one target
// bitmap (its own, a given TIEBitmap, an attached image view's or a TImage's), and loads and
// saves that bitmap by file name, by stream, by buffer, by format number or by what the data
// turns out to be. Each call can run on a worker thread of its own.
//
// Failures are reported through the aborting flag and the finish-work event, never as a silent
// success: every load and save ends with a finish-work report (100 per cent first, then
// OnFinishWork), also when it failed, and a failed call has set the aborting flag before that
// report, whatever the format and however it failed. A failed load leaves the target bitmap and
// the parameter block as they were; a failed save by name leaves an existing file as it was (the
// data is written beside it and moved over it only once complete). Errors of the file system
// and of the streams (EFOpenError, EFCreateError, stream read and write errors) that reach the
// frame then pass out of the call as exceptions; on a worker they only set the aborting flag.
//
// Asynchronous calls (Asynchronous set, and a target the object does not own) return at once;
// the calls of one object then run one after the other, in the order they were made, each on a
// TIEIOThread. A stream handed to an asynchronous call must stay alive until its finish-work.
// Progress and finish-work of a worker reach the user-interface thread: posted to an attached
// view's window (messages IEM_PROGRESS and IEM_FINISHWORK), else queued for the main thread
// (vcl::CheckSynchronize, which the application's message loop runs). Destroying the object
// waits for its workers; the reports still queued for it are dropped.
//
// Formats: every built-in format has load and save members of its own here, each the codec's
// reader or writer inside one frame (scratch bitmap, parameter block, progress, safe file
// writing) with what differs per format (stream headers, alpha, layers). The dispatch by name,
// by number and by content finds them through one table; the content tests are the registry
// rows' (file_formats.h), which the codecs fill. Formats that are not built in (plug-ins) are
// read and written through their rows' functions inside the same frame. A row whose codec has
// not registered itself reads and writes nothing and sets the aborting flag. What a codec
// raises about the data fails the call like the aborting flag.
//
// Layer files, vector-object files and files of both are read by the view and the vector layer,
// which stand above this library: they register their content tests and readers at start-up
// (view_formats.h).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>

#include "imaging/base/defs.h"
#include "imaging/base/word_tables.h"
#include "imaging/io/attached_view.h"
#include "imaging/model/pixel_formats.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/io_params.h"
#include "vcl/classes/component.h"

namespace vcl {
class TBitmap;
class TFont;
class TForm;
class TImage;
class TMetafile;
class TStream;
}  // namespace vcl

namespace imaging {

class TIEBitmap;
class TIEIOThread;
class TIEMediaFile;
class TIETWainParams;
class TIOPrintPreviewParams;

// (Sender, var Handled): an application's own parameters dialog.
using TIEDoPreviewsEvent = std::function<void(vcl::TObject* sender, bool& handled)>;
// (Sender, the parameters preview form) just before the form is shown.
using TIEIOPreviewEvent = std::function<void(vcl::TObject* sender, vcl::TForm* form)>;

// What the parameters preview dialog starts with.
enum TIOPreviewsParamsItem : uint8_t {
  ioppDefaultLockPreview = 1,  // previews follow every change from the start
  ioppApplyButton = 2,         // the "&Apply" button is shown
};

// Shows the parameters preview dialog for `io`'s parameter block with `bitmap` as its source
// picture; true when the user pressed "OK". Installed by the dialogs library.
using TIEPreviewsDialog = std::function<bool(TImageIO& io, TIEBitmap* bitmap, int32_t pages)>;
extern TIEPreviewsDialog IEPreviewsDialog;

// (Sender, acquired bitmap, var Handled).
using TIEAcquireBitmapEvent = std::function<void(vcl::TObject* sender, TIEBitmap* bitmap, bool& handled)>;

class TImageIO : public vcl::TComponent, public TIOParamsOwner {
  VCL_CLASS(TImageIO, vcl::TComponent)
  explicit TImageIO(vcl::TComponent* owner);
  // An object without owner working on `bitmap` (not owned).
  static std::unique_ptr<TImageIO> CreateFromBitmap(TIEBitmap* bitmap);
  // Waits for the workers, then frees what the object owns.
  ~TImageIO() override;

  // ---- the target ----
  TIEBitmap* IEBitmap() const { return ieBitmap_; }
  TIOParamsVals& Params() { return *params_; }
  TIEAttachedView* AttachedImage() const { return attachedImage_; }
  // Attaches to a view (its bitmap becomes the target); nil goes back to an own empty bitmap.
  void SetAttachedImage(TIEAttachedView* view);
  vcl::TImage* AttachedTImage() const { return attachedTImage_; }
  // Works on the image control's picture bitmap without copying; nil empties the target.
  void SetAttachedTImage(vcl::TImage* image);
  // Works on `bitmap` (not owned). Nil while a view or an image control is attached only
  // detaches from the view.
  void SetAttachedIEBitmap(TIEBitmap* bitmap);
  // The platform bitmap behind the target: its own when it lives in one, else the attached
  // view's or image control's.
  virtual vcl::TBitmap* GetVclBitmap();
  // False without a target. Re-attaches the target to the platform bitmap it wraps, then true
  // for an empty set, else whether the target's pixel format is in it.
  bool CheckBitmap(std::initializer_list<TIEPixelFormat> formats = {});
  // After a load: refreshes the attached view or image control (on the user-interface thread).
  void UpdateAttached();

  // ---- state and settings ----
  // Set by a failed or cancelled operation, as the last operation left it. Setting it while a
  // call runs asks that call to stop.
  bool Aborting() const;
  void SetAborting(bool value);
  bool Asynchronous() const { return asynchronous_; }
  void SetAsynchronous(bool value) { asynchronous_ = value; }
  // Write and expect the 12-byte header ("JFIF", "TIFF", "PCX2", four zero bytes, the data
  // length) around images in streams.
  bool StreamHeaders() const { return streamHeaders_; }
  void SetStreamHeaders(bool value) { streamHeaders_ = value; }
  // Resample after a load so that both resolutions are equal (FilteredAdjustDPI: linearly).
  bool AutoAdjustDPI() const { return autoAdjustDPI_; }
  void SetAutoAdjustDPI(bool value) { autoAdjustDPI_ = value; }
  bool FilteredAdjustDPI() const { return filteredAdjustDPI_; }
  void SetFilteredAdjustDPI(bool value) { filteredAdjustDPI_ = value; }
  // Kept in the parameter block as KeepNativePixelFormat.
  bool GetNativePixelFormat() const { return params_ && params_->KeepNativePixelFormat; }
  void SetNativePixelFormat(bool value) {
    if (params_) params_->KeepNativePixelFormat = value;
  }
  // The attached view's background, else the object's own colour (which a view leaves alone).
  vcl::TColor GetBackground();
  void SetBackground(vcl::TColor colour);
  // How conversions to 1 bit are made: 0 ordered dither, 1 threshold; also given to the target.
  uint8_t BilevelConversion() const { return bilevelConversion_; }
  void SetBilevelConversion(uint8_t value);

  // ---- the parameters preview dialog ----
  // Shows the dialog for the pages of `pages` (1 all, 2 the current format's, or the bits of
  // the formats: 4 JPEG, 8 TIFF, 16 GIF, 32 BMP, 64 PCX, 128 PNG, 256 TGA, 512 JPEG 2000);
  // true when the user accepted the settings, which are then in the parameter block. The
  // image is previewed from a copy: it is not converted.
  virtual bool DoPreviews(int32_t pages);
  // A set of TIOPreviewsParamsItem bits.
  uint8_t PreviewsParams() const { return previewsParams_; }
  void SetPreviewsParams(uint8_t value) { previewsParams_ = value; }
  // The language of the dialog's captions.
  TMsgLanguage MsgLanguage() const { return msgLanguage_; }
  void SetMsgLanguage(TMsgLanguage value) { msgLanguage_ = value; }
  // The dialog's font; the setter copies the font given.
  vcl::TFont* PreviewFont() const { return previewFont_.get(); }
  void SetPreviewFont(vcl::TFont* font);
  bool SimplifiedParamsDialogs() const { return simplifiedParamsDialogs_; }
  void SetSimplifiedParamsDialogs(bool value) { simplifiedParamsDialogs_ = value; }
  TIEDoPreviewsEvent OnDoPreviews;
  TIEIOPreviewEvent OnIOPreview;

  // ---- events ----
  TIEProgressEvent OnProgress;
  vcl::TNotifyEvent OnFinishWork;
  TIEAcquireBitmapEvent OnAcquireBitmap;

  virtual void DoProgress(vcl::TObject* sender, int32_t per);
  // 100 per cent, then OnFinishWork.
  virtual void DoFinishWork();
  // Pushes the resolution to an attached view.
  virtual void UpdateViewDPI(int32_t dpiX, int32_t dpiY);
  virtual void DoAcquireBitmapEvent(TIEBitmap* bitmap, bool& handled);

  // ---- loading and saving, the format chosen here ----
  // By extension; an http, https or ftp address is downloaded (LoadFromURL), an ".avi" file
  // gives its frame Params().ImageIndex.
  virtual void LoadFromFile(const std::u16string& name);
  // By content, reconciled with the extension.
  virtual void LoadFromFileAuto(const std::u16string& name);
  // By extension; an empty name does nothing.
  virtual void SaveToFile(const std::u16string& name);
  // As the given file type (FileType numbers, file_formats.h).
  virtual void LoadFromFileFormat(const std::u16string& name, int32_t fileType);
  // From memory; fileType 0 detects the format. The buffer is read before the call returns
  // (an asynchronous call works on its own copy).
  virtual void LoadFromBuffer(const void* buffer, int64_t size, int32_t fileType);
  // Parameters only: the parameter block describes the data; the target is not touched.
  virtual void ParamsFromBuffer(const void* buffer, int64_t size, int32_t fileType);
  // The type by content, where the extension agrees; data no content test knows (WBMP) is
  // read as its extension says.
  virtual void ParamsFromFile(const std::u16string& name);
  virtual void ParamsFromFileFormat(const std::u16string& name, int32_t fileType);
  virtual void ParamsFromStream(vcl::TStream* stream);
  virtual void ParamsFromStreamFormat(vcl::TStream* stream, int32_t fileType);
  // From the stream's position, by content.
  virtual void LoadFromStream(vcl::TStream* stream);
  // From the stream's position as the given file type (0 detects it).
  virtual void LoadFromStreamFormat(vcl::TStream* stream, int32_t fileType);
  virtual void SaveToStream(vcl::TStream* stream, int32_t fileType);

  // The file type of the data at the stream's position (0 when unknown); the position stays.
  int32_t FindStreamFormat(vcl::TStream* stream);
  // The file type of a named file by its content; with `strict` the extension must agree.
  int32_t FindFileFormat(const std::u16string& name, bool strict);
  // "RIFF" at bytes 0 to 3 and "AVI " at bytes 8 to 11; the position stays.
  static bool IsAVIStream(vcl::TStream* stream);
  // A placeable or plain Windows metafile; an enhanced metafile (its header record with the
  // " EMF" signature). The position stays.
  static bool IsWMFStream(vcl::TStream* stream);
  static bool IsEMFStream(vcl::TStream* stream);

  // ---- addresses ----
  // Downloads the resource whole, then loads it by content. Fails (aborting flag, finish-work)
  // for a bad address, a server error, a transfer that broke off, stalled past URLTimeout or
  // brought another length than announced, and for data nothing recognises. Progress is
  // reported while the length is known.
  virtual void LoadFromURL(const std::u16string& url);
  // A named proxy ("host:port"; empty: direct) and its login (sent to the proxy only).
  std::u16string ProxyAddress;
  std::u16string ProxyUser;
  std::u16string ProxyPassword;
  // Milliseconds to connect and to wait for each block of data.
  uint32_t URLTimeout() const { return urlTimeout_; }
  void SetURLTimeout(uint32_t ms) { urlTimeout_ = ms; }

  // ---- AVI frames (the platform's video file library) ----
  // Opens the file's first video stream; the number of frames, 0 (and the aborting flag) when
  // it cannot be read. Fills AVIFrameCount and AVIFrameDelayTime.
  int32_t OpenAVIFile(const std::u16string& name);
  // Frame `index` of the open file into the target (1-bit frames stay 1-bit, others 24-bit);
  // an index outside the frames or a closed file sets the aborting flag. Always reports
  // finish-work.
  virtual void LoadAVIFrame(int32_t index);
  void CloseAVIFile();
  bool IsAVIFileOpen() const;

  // ---- metafiles (WMF, EMF) ----
  // Rendered at width x height; -1 for one side keeps the aspect ratio, -1 for both the
  // metafile's own size, each side limited to IEMetafileMaxSize. With alpha, what the metafile
  // does not draw on is transparent. An invalid metafile raises EInvalidGraphic (after the
  // finish-work report); an empty one sets the aborting flag.
  virtual void ImportMetafileFromFile(const std::u16string& name, int32_t width, int32_t height, bool withAlpha);
  virtual void ImportMetafileFromStream(vcl::TStream* stream, int32_t width, int32_t height, bool withAlpha);

  // ---- source text ----
  // The image as text to embed in program source: kind 0 a Pascal byte-array constant, 1 a
  // list of hexadecimal bytes, 2 Base64 (each of the file encoded as `fileType`), 3 a
  // character picture of the grey levels (24-bit images only). A failed encoding writes no
  // file and sets the aborting flag; an existing file stays as it was.
  virtual void SaveToPascalSource(const std::u16string& name, int32_t fileType, uint8_t kind);

  // ---- media-file frames and acquisition ----
  // Opens a video file through the acquisition library's playback; the number of frames, 0
  // (with the aborting flag) when it cannot be read or no playback is installed. Fills
  // MediaFileFrameCount, Width and Height.
  int32_t OpenMediaFile(const std::u16string& name);
  void CloseMediaFile();
  bool IsMediaFileOpen() const { return mediaFile_ != nullptr; }
  // Frame `index` of the open media file into the target; every index field of the parameter
  // block becomes `index`. Nothing without an open file.
  void LoadMediaFrame(int32_t index);
  // An acquisition source hands its image over: unless OnAcquireBitmap handles it, the target
  // takes a copy, and `params` points at this object's parameter block (so that the source can
  // fill in resolution and size). Nothing without a target.
  virtual void DoAcquireBitmap(TIEBitmap* bitmap, TIOParamsVals*& params);
  // Clears the count of images acquired in a row.
  virtual void ResetAcquisition() { acquisitionCount_ = 0; }
  // The acquisition service link and the capture graph, made on first request by the
  // acquisition library (nil while it is not installed) and owned by this object. The capture
  // graph tells the attached view's window about new frames (0x1F59) and graph events (0x1F5A).
  virtual vcl::TObject* GetWia();
  virtual vcl::TObject* GetDirectShow();
  // Points the capture graph's notifications at the attached view's window when that changed.
  void UpdateDirectShowNotifyWindow();
  // The acquisition service's progress: reported like a codec's; false once aborting.
  bool WiaProgress(int32_t per);
  // The scanner and print settings this object carries for the acquisition and printing code.
  TIETWainParams& TWainParams() { return *twainParams_; }
  TIOPrintPreviewParams& PrintPreviewParams() { return *printPreviewParams_; }

  // ---- TIFF ----
  // Page Params().TIFFImageIndex; both return the number of pages (-1 when handed to a worker).
  virtual int32_t LoadTIFFFromFile(const std::u16string& name);
  virtual int32_t LoadTIFFFromStream(vcl::TStream* stream);
  virtual void SaveTIFFToFile(const std::u16string& name);
  virtual void SaveTIFFToStream(vcl::TStream* stream);

  // ---- JPEG ----
  virtual void LoadJPEGFromFile(const std::u16string& name);
  virtual void LoadJPEGFromStream(vcl::TStream* stream);
  virtual void SaveJPEGToFile(const std::u16string& name);
  virtual void SaveJPEGToStream(vcl::TStream* stream);

  // ---- GIF ----
  // Frame Params().GIFImageIndex. In an animation the frames up to it are composed as the
  // file shows them (each disposal applied); both return the number of frames (-1 when handed
  // to a worker). The object's background becomes the file's transparent colour, or else its
  // background colour.
  virtual int32_t LoadGIFFromFile(const std::u16string& name);
  virtual int32_t LoadGIFFromStream(vcl::TStream* stream);
  virtual void SaveGIFToFile(const std::u16string& name);
  virtual void SaveGIFToStream(vcl::TStream* stream);

  // ---- BMP ----
  // The alpha of 32-bit bitmaps is read and written only with Params().BMPAlphaByte.
  virtual void LoadBMPFromFile(const std::u16string& name);
  virtual void LoadBMPFromStream(vcl::TStream* stream);
  virtual void SaveBMPToFile(const std::u16string& name);
  virtual void SaveBMPToStream(vcl::TStream* stream);

  // ---- icons and cursors ----
  // Entry Params().ICOImageIndex (CURImageIndex), its transparency as the alpha channel.
  virtual void LoadICOFromFile(const std::u16string& name);
  virtual void LoadICOFromStream(vcl::TStream* stream);
  virtual void LoadCURFromFile(const std::u16string& name);
  virtual void LoadCURFromStream(vcl::TStream* stream);
  // One entry for each leading entry of Params().ICOWriteSizes with a positive width, of the
  // depth in ICOWriteBitCounts.
  virtual void SaveICOToFile(const std::u16string& name);
  virtual void SaveICOToStream(vcl::TStream* stream);

  // ---- PNG ----
  // A load by name first gives Params().PNGBackground the object's background; every load
  // leaves PNGBackground (the file's, when it has one) as the object's background. The alpha
  // channel is written as the file's transparency.
  virtual void LoadPNGFromFile(const std::u16string& name);
  virtual void LoadPNGFromStream(vcl::TStream* stream);
  virtual void SavePNGToFile(const std::u16string& name);
  virtual void SavePNGToStream(vcl::TStream* stream);

  // ---- PBM, PGM, PPM ----
  virtual void LoadPXMFromFile(const std::u16string& name);
  virtual void LoadPXMFromStream(vcl::TStream* stream);
  virtual void SavePXMToFile(const std::u16string& name);
  virtual void SavePXMToStream(vcl::TStream* stream);

  // ---- WBMP (no content test: found by extension or file type only) ----
  virtual void LoadWBMPFromFile(const std::u16string& name);
  virtual void LoadWBMPFromStream(vcl::TStream* stream);
  virtual void SaveWBMPToFile(const std::u16string& name);
  virtual void SaveWBMPToStream(vcl::TStream* stream);

  // ---- PCX ----
  // With StreamHeaders the stream save writes the 12-byte "PCX2" header and the stream load
  // expects it (or the older 4-byte "PCX" one); a headed stream is read also without.
  virtual void LoadPCXFromFile(const std::u16string& name);
  virtual void LoadPCXFromStream(vcl::TStream* stream);
  virtual void SavePCXToFile(const std::u16string& name);
  virtual void SavePCXToStream(vcl::TStream* stream);

  // ---- DCX (pages of PCX) ----
  // Page Params().DCXImageIndex. A save writes a container of its own: the stream save empties
  // the stream first.
  virtual void LoadDCXFromFile(const std::u16string& name);
  virtual void LoadDCXFromStream(vcl::TStream* stream);
  virtual void SaveDCXToFile(const std::u16string& name);
  virtual void SaveDCXToStream(vcl::TStream* stream);

  // ---- TGA ----
  // The alpha of the file becomes the alpha channel, and the alpha channel is written.
  virtual void LoadTGAFromFile(const std::u16string& name);
  virtual void LoadTGAFromStream(vcl::TStream* stream);
  virtual void SaveTGAToFile(const std::u16string& name);
  virtual void SaveTGAToStream(vcl::TStream* stream);

  // ---- JPEG 2000: JP2 files and bare code streams ----
  virtual void LoadJP2FromFile(const std::u16string& name);
  virtual void LoadJP2FromStream(vcl::TStream* stream);
  virtual void SaveJP2ToFile(const std::u16string& name);
  virtual void SaveJP2ToStream(vcl::TStream* stream);
  virtual void LoadJ2KFromFile(const std::u16string& name);
  virtual void LoadJ2KFromStream(vcl::TStream* stream);
  virtual void SaveJ2KToFile(const std::u16string& name);
  virtual void SaveJ2KToStream(vcl::TStream* stream);

  // ---- PSD ----
  // With PSDImportLayers and an attached image view, the file's layers become the view's
  // (replacing its layers with PSDReplaceViewLayers, else added); otherwise the merged image is
  // loaded, and a file of one layer gives that layer's transparency as the alpha channel. A save
  // from an attached image view writes its layers and their composition; otherwise the target.
  virtual void LoadPSDFromFile(const std::u16string& name);
  virtual void LoadPSDFromStream(vcl::TStream* stream);
  virtual void SavePSDToFile(const std::u16string& name);
  virtual void SavePSDToStream(vcl::TStream* stream);

  // ---- DICOM (read only) ----
  // The resolution stays as the data set gives it.
  virtual void LoadDICOMFromFile(const std::u16string& name);
  virtual void LoadDICOMFromStream(vcl::TStream* stream);

  // ---- camera raw (read only) ----
  // When a plug-in's registry row claims the extension "RAW" first, its reader is used instead.
  virtual void LoadCameraRawFromFile(const std::u16string& name);
  virtual void LoadCameraRawFromStream(vcl::TStream* stream);

  // ---- headerless raw samples (read only) ----
  // The target's size and pixel format and the RawBitmap fields of the parameter block say what
  // is read; the resolution stays. An empty name does nothing.
  virtual void LoadRawBitmapFromFile(const std::u16string& name);
  virtual void LoadRawBitmapFromStream(vcl::TStream* stream);

  // ---- HD Photo ----
  virtual void LoadHDPFromFile(const std::u16string& name);
  virtual void LoadHDPFromStream(vcl::TStream* stream);
  virtual void SaveHDPToFile(const std::u16string& name);
  virtual void SaveHDPToStream(vcl::TStream* stream);

  // ---- PostScript and PDF (write only) ----
  virtual void SavePSToFile(const std::u16string& name);
  virtual void SavePSToStream(vcl::TStream* stream);
  virtual void SavePDFToFile(const std::u16string& name);
  virtual void SavePDFToStream(vcl::TStream* stream);
  // Finish a multi-page document this object holds open (nothing opens one here, so normally
  // there is nothing to do); the destructor calls both.
  void ClosePSFile();
  void ClosePDFFile();

  // ---- layers and vector objects (file types 25, 26, 27) ----
  // Into an attached view of the class the format needs (a vector view for objects and for
  // layers with objects, an image view for layers); otherwise the target takes the flattened
  // picture: the layers composed, the objects drawn over them.
  virtual void LoadLayersObjectsFromFile(const std::u16string& name, int32_t fileType);
  virtual void LoadLayersObjectsFromStream(vcl::TStream* stream, int32_t fileType);

  // ---- shared steps of the format methods ----
  // A resolution below 2 becomes the library default (IEDefaultDpiX, IEDefaultDpiY).
  void FixMissingDPI();
  // Resamples the target so that both resolutions equal the larger side's one.
  void AdjustDPI();

  // ---- workers ----
  // Whether the calling thread is one of this object's workers.
  bool IsInsideWorker();
  // Waits until no worker of this object is left; with `abort`, the running call is asked to
  // stop and the waiting ones end at once (each with the aborting flag and a finish-work).
  void WaitThreads(bool abort);

 protected:
  void Notification(vcl::TComponent* component, vcl::TOperation operation) override;
  // The stream a save by name writes into: the temporary file made beside the target, which
  // replaces the target once the writer has succeeded.
  virtual std::unique_ptr<vcl::TStream> CreateSaveStream(const std::u16string& tempName);

  // TIOParamsOwner
  bool GetTargetPlatformBitmapSize(int32_t& width, int32_t& height) override;
  void DpiXChanged(int32_t dpiX) override;
  void DpiYChanged(int32_t dpiY) override;

 private:
  friend class TIEIOThread;
  struct TWorkers;
  struct TUIRelay;
  struct TAVIState;
  using TReader = std::function<void(vcl::TStream* stream, TIEBitmap* bitmap, TCodecProgress& progress)>;
  using TWriter = std::function<void(vcl::TStream* stream, TIEBitmap* bitmap, TCodecProgress& progress)>;

  // Hands the call to a worker when asynchronous work applies; true when it did.
  bool HandToWorker(std::function<void()> call);
  // Runs `call` on the user-interface thread: at once off the workers, else queued there
  // (dropped when the object is gone by then).
  void RunOnUIThread(std::function<void(TImageIO& io)> call);
  TCodecProgress MakeProgress(bool withEvents);
  static void ProgressThunk(void* data, vcl::TObject* sender, int32_t percent);
  void SetWorkBitmap(TIEBitmap* bitmap);
  void ViewBitmapChanged(bool destroying);
  void DetachFromView();
  bool ViewMessagesApply();

  // The frames around the codecs.
  void RunLoadByName(const std::u16string& name, int32_t fileType, bool buffered, const TReader& read);
  void RunLoad(vcl::TStream* stream, int32_t fileType, const std::u16string* name, const TReader& read);
  void RunSaveByName(const std::u16string& name, int32_t fileType, const TWriter& write);
  void RunSave(vcl::TStream* stream, int32_t fileType, const TWriter& write);
  // The PSD reader and writer with the layers of an attached image view.
  void ReadPSDImage(vcl::TStream* stream, TIEBitmap* bitmap, TCodecProgress& progress);
  void WritePSDImage(vcl::TStream* stream, TIEBitmap* bitmap, TCodecProgress& progress);
  // The layer or object data at the stream's position into the attached view or, flattened,
  // into the target.
  void ReadLayersObjects(vcl::TStream* stream, int32_t fileType, const std::u16string* name);
  // Through the registry row of a format that is not built in.
  void LoadRegistryFormatFromFile(const std::u16string& name, int32_t fileType);
  void LoadRegistryFormatFromStream(vcl::TStream* stream, int32_t fileType);
  void SaveRegistryFormatToFile(const std::u16string& name, int32_t fileType);
  void SaveRegistryFormatToStream(vcl::TStream* stream, int32_t fileType);
  // Parameters-only read of one type from a stream.
  void ReadParamsOnly(vcl::TStream* stream, int32_t fileType);
  void RefreshJPEGMarkers();
  // Reads the GIF frame the parameter block asks for into `bitmap`, composed over the frames
  // before it; returns the number of frames.
  int32_t ReadGIFFrames(vcl::TStream* stream, TIEBitmap* bitmap, TCodecProgress& progress);
  // The object's background after a PNG or GIF load: the file's background (or transparent
  // colour).
  void TakeBackgroundOf(int32_t fileType);
  void AdjustDPIOf(TIEBitmap* bitmap);
  // Draws a metafile into the target (the step both imports share).
  void RenderMetafile(vcl::TMetafile& metafile, int32_t width, int32_t height, bool withAlpha);
  // The parameters-only read of a metafile: its type and size.
  void ReadMetafileParams(vcl::TStream* stream);

  TIEBitmap* ieBitmap_ = nullptr;
  bool ownsBitmap_ = false;
  vcl::TBitmap* vclBitmap_ = nullptr;
  TIEAttachedView* attachedImage_ = nullptr;
  int32_t bitmapChangeHandle_ = -1;
  vcl::TImage* attachedTImage_ = nullptr;
  vcl::TColor background_ = 0;
  bool streamHeaders_ = false;
  bool autoAdjustDPI_ = false;
  bool filteredAdjustDPI_ = false;
  bool asynchronous_ = false;
  uint8_t bilevelConversion_ = 1;
  // Shared with the codecs through TCodecProgress; a cancel may set it from another thread.
  std::atomic<bool> aborting_{false};
  // While a load runs, resolution changes the reader makes are not pushed to the view: the
  // view gets the resolution of a load that succeeded, at its end.
  std::atomic<int32_t> loadsRunning_{0};
  uint32_t urlTimeout_ = 30000;
  // Set by a reader that put what it read into the attached view instead of the scratch bitmap.
  bool readIntoView_ = false;
  // Calls running inside another call of this object (the encoding of a source text export).
  int32_t innerCalls_ = 0;
  uint8_t previewsParams_ = 0;
  TMsgLanguage msgLanguage_ = msSystem;
  std::unique_ptr<vcl::TFont> previewFont_;
  bool simplifiedParamsDialogs_ = true;
  std::unique_ptr<TIEMediaFile> mediaFile_;
  double mediaFrameDelay_ = 0;
  int64_t mediaFrameStep_ = 1;
  int32_t acquisitionCount_ = 0;
  std::unique_ptr<TIETWainParams> twainParams_;
  std::unique_ptr<TIOPrintPreviewParams> printPreviewParams_;
  std::unique_ptr<TAVIState> avi_;
  struct TOpenDocuments;
  std::unique_ptr<TOpenDocuments> documents_;
  std::unique_ptr<TIOParamsVals> params_;
  std::unique_ptr<vcl::TObject> wia_;
  std::unique_ptr<vcl::TObject> directShow_;
  HWND directShowWindow_ = nullptr;
  std::shared_ptr<TWorkers> workers_;
  std::shared_ptr<TUIRelay> relay_;
};

}  // namespace imaging

// TPicture: holds one graphic of any registered class, chosen by a file's extension when it
// loads a file, by the clipboard format when it takes clipboard data, or by class name when it
// reads form data.
//
// The registry of picture formats is process-wide. Registrations are kept in order; a lookup
// takes the latest registration for an extension (compared without case), so a later class
// replaces an earlier one. At start-up the platform's classes are registered for bmp, ico,
// emf, wmf, jpg and jpeg.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "vcl/graphics/graphic.h"
#include "vcl/runtime/persistent.h"

namespace vcl {

class TBitmap;
class TIcon;
class TMetafile;

class TPicture : public TPersistent {
  VCL_CLASS(TPicture, TPersistent)
  TPicture();
  ~TPicture() override;

  // The graphic, nil when the picture is empty. SetGraphic keeps a copy of the graphic given
  // (a new object of its class).
  TGraphic* Graphic() const { return graphic_.get(); }
  void SetGraphic(TGraphic* graphic);
  // The graphic as a bitmap, icon or metafile: one of that class replaces the graphic when it
  // is of another class (or there is none).
  TBitmap* Bitmap();
  void SetBitmap(TBitmap* bitmap);
  TIcon* Icon();
  void SetIcon(TIcon* icon);
  TMetafile* Metafile();
  void SetMetafile(TMetafile* metafile);

  int Width() const;
  int Height() const;

  // Loads with the class registered for the extension; an unknown one raises EInvalidGraphic
  // "Unknown picture file extension (.ext)". On failure the picture keeps its graphic.
  void LoadFromFile(const std::string& fileName);
  // Saves the graphic in its own format; an empty picture writes nothing.
  void SaveToFile(const std::string& fileName);
  // Clipboard data of a registered format; another format raises EInvalidGraphic
  // "Unsupported clipboard format".
  void LoadFromClipboardFormat(UINT format, HANDLE data, HPALETTE palette);
  void SaveToClipboardFormat(UINT& format, HANDLE& data, HPALETTE& palette);
  static bool SupportsClipboardFormat(UINT format);

  // From a picture or a graphic (a copy), or nil (empty).
  void Assign(TPersistent* source) override;
  // Form data's binary "Data": the class name as a short string, then the graphic's data.
  void DefineProperties(TFiler* filer) override;
  void ReadData(TStream* stream);
  void WriteData(TStream* stream);

  // The registry.
  static void RegisterFileFormat(const std::string& extension, const std::string& description,
                                 TGraphicClass graphicClass);
  // The description is the string resource `descriptionId` of the program.
  static void RegisterFileFormatRes(const std::string& extension, int descriptionId, TGraphicClass graphicClass);
  static void RegisterClipboardFormat(UINT format, TGraphicClass graphicClass);
  // Removes every registration of the class and of classes derived from it.
  static void UnregisterGraphicClass(TGraphicClass graphicClass);

  TNotifyEvent OnChange;
  TProgressEvent OnProgress;

 protected:
  // Copies the graphic into a graphic (TGraphic::Assign).
  void AssignTo(TPersistent* dest) override;
  virtual void Changed(TObject* sender);
  void Progress(TObject* sender, TProgressStage stage, uint8_t percentDone, bool redrawNow, const TRect& r,
                const std::string& msg);

 private:
  // Takes the new graphic, connects its events and reports the change.
  void Install(std::unique_ptr<TGraphic> graphic);
  // A graphic of the class in place of the current one, unless it is of that class already.
  TGraphic* ForceType(TGraphicClass graphicClass);

  std::unique_ptr<TGraphic> graphic_;
};

// The file-open filter of the formats of the class and its descendants, in the order they were
// registered: "All (*.bmp;*.ico)|*.bmp;*.ico|Bitmaps (*.bmp)|*.bmp|Icons (*.ico)|*.ico"
// (the "All" entry only when there is more than one).
std::string GraphicFilter(TGraphicClass graphicClass);
// The extension registered last for exactly this class ("" when none).
std::string GraphicFileExtension(TGraphicClass graphicClass);
// "*.bmp;*.ico": the extensions of the class and its descendants.
std::string GraphicFileMask(TGraphicClass graphicClass);
// The clipboard formats a picture can take, the preferred first.
std::vector<UINT> PictureClipboardFormats();

}  // namespace vcl

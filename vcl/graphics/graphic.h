// TGraphic: the abstract picture that a canvas can draw and a stream or file can hold
// (bitmaps, icons, metafiles, JPEG images and the picture formats built on them).
//
// Graphic classes are created by class reference (TGraphicClass) when a picture loads a file
// by its extension, reads its form data or takes a picture from the clipboard. Every class
// derived from TGraphic starts its body with VCL_GRAPHIC_CLASS(TName, TBase) in place of
// VCL_CLASS, which adds that class reference.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <type_traits>

#include "vcl/graphics/canvas.h"
#include "vcl/graphics/gdiobjects.h"
#include "vcl/runtime/persistent.h"
#include "vcl/runtime/win.h"

namespace vcl {

class TStream;
class TGraphic;

// A graphic class: its run-time class and a way to make an instance of it.
class TGraphicClassInfo {
 public:
  TGraphicClassInfo(const TMetaClass* meta, TGraphic* (*create)()) : meta_(meta), create_(create) {}
  TGraphicClassInfo(const TGraphicClassInfo&) = delete;
  TGraphicClassInfo& operator=(const TGraphicClassInfo&) = delete;

  const TMetaClass* Meta() const { return meta_; }
  const char* ClassName() const { return meta_->ClassName(); }
  bool InheritsFrom(const TGraphicClassInfo* ancestor) const { return meta_->InheritsFrom(ancestor->meta_); }
  // A new instance; raises EInvalidGraphicOperation for an abstract class.
  TGraphic* Create() const;

 private:
  const TMetaClass* meta_;
  TGraphic* (*create_)();
};
using TGraphicClass = const TGraphicClassInfo*;

// VCL_CLASS plus the class reference: GraphicClass() names the class, GraphicClassType() an
// object's own class.
#define VCL_GRAPHIC_CLASS(Cls, Base)                                                       \
  VCL_CLASS(Cls, Base)                                                                     \
  static ::vcl::TGraphicClass GraphicClass() {                                             \
    static const ::vcl::TGraphicClassInfo info(StaticClass(), []() -> ::vcl::TGraphic* {   \
      if constexpr (std::is_abstract_v<Cls>) return nullptr;                               \
      else return new Cls;                                                                 \
    });                                                                                    \
    return &info;                                                                          \
  }                                                                                        \
  ::vcl::TGraphicClass GraphicClassType() const override { return GraphicClass(); }

enum TProgressStage { psStarting, psRunning, psEnding };
// Progress of a long load or save: the stage, the share done, whether the area R of the picture
// is ready to be shown, and a message for the user.
using TProgressEvent = std::function<void(TObject* Sender, TProgressStage Stage, uint8_t PercentDone,
                                          bool RedrawNow, const TRect& R, const std::string& Msg)>;

class TGraphic : public TPersistent {
  VCL_CLASS(TGraphic, TPersistent)
  static TGraphicClass GraphicClass();
  virtual TGraphicClass GraphicClassType() const { return GraphicClass(); }

  TGraphic() = default;
  ~TGraphic() override = default;

  virtual bool Empty() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual void SetWidth(int width) = 0;
  virtual void SetHeight(int height) = 0;
  // Drawn with the pixels of its transparent colour (or mask) left out.
  virtual bool Transparent() const { return transparent_; }
  virtual void SetTransparent(bool value);
  // Set by every change; cleared only by the owner (SetModified(false)). Setting it true
  // reports a change.
  bool Modified() const { return modified_; }
  void SetModified(bool value);
  // The palette the graphic wants realised when drawn; 0 when it has none.
  virtual HPALETTE Palette() { return nullptr; }
  virtual void SetPalette(HPALETTE palette) {}
  bool PaletteModified() const { return paletteModified_; }
  void SetPaletteModified(bool value) { paletteModified_ = value; }

  // The file is opened for reading with writers shut out, or created (replacing an old one).
  virtual void LoadFromFile(const std::string& fileName);
  virtual void SaveToFile(const std::string& fileName);
  // Reads from the stream's position; bad data raises EInvalidGraphic and keeps the old image.
  virtual void LoadFromStream(TStream* stream) = 0;
  virtual void SaveToStream(TStream* stream) = 0;
  // Clipboard data in one of the formats registered for the class (TPicture).
  virtual void LoadFromClipboardFormat(UINT format, HANDLE data, HPALETTE palette) = 0;
  virtual void SaveToClipboardFormat(UINT& format, HANDLE& data, HPALETTE& palette) = 0;

  // The graphic as form data stores it (a picture's "Data", or the "Data" of a graphic that is
  // itself a published property); the default is the graphic's file format.
  virtual void ReadData(TStream* stream) { LoadFromStream(stream); }
  virtual void WriteData(TStream* stream) { SaveToStream(stream); }
  void DefineProperties(TFiler* filer) override;
  // Of the same class and with the same form data.
  virtual bool Equals(TGraphic* other);

  TNotifyEvent OnChange;
  TProgressEvent OnProgress;

 protected:
  friend class TCanvas;
  // Draws into the rectangle of the canvas, stretching the picture to fill it.
  virtual void Draw(TCanvas* canvas, const TRect& rect) = 0;
  // Marks the graphic modified and fires OnChange.
  virtual void Changed(TObject* sender);
  void Progress(TObject* sender, TProgressStage stage, uint8_t percentDone, bool redrawNow,
                const TRect& r, const std::string& msg);
  // A graphic copies itself into a bitmap by drawing on it.
  void AssignTo(TPersistent* dest) override;

  bool transparent_ = false;

 private:
  bool modified_ = false;
  bool paletteModified_ = false;
};

}  // namespace vcl

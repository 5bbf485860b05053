#include "vcl/graphics/graphic.h"

#include <cstring>
#include <memory>

#include "vcl/graphics/bitmap.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/classes/filer.h"
#include "vcl/runtime/streams.h"
#include "vcl/runtime/sysutils.h"

namespace vcl {

TGraphic* TGraphicClassInfo::Create() const {
  if (!create_)
    throw EInvalidGraphicOperation(Format("Cannot create an instance of the abstract class %s", ClassName()));
  return create_();
}

TGraphicClass TGraphic::GraphicClass() {
  static const TGraphicClassInfo info(StaticClass(), nullptr);
  return &info;
}

void TGraphic::SetTransparent(bool value) {
  if (value == transparent_) return;
  transparent_ = value;
  Changed(this);
}

void TGraphic::SetModified(bool value) {
  if (value) Changed(this);
  else modified_ = false;
}

void TGraphic::LoadFromFile(const std::string& fileName) {
  TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&stream);
}

void TGraphic::SaveToFile(const std::string& fileName) {
  TFileStream stream(fileName, fmCreate);
  SaveToStream(&stream);
}

bool TGraphic::Equals(TGraphic* other) {
  if (!other || other->ClassType() != ClassType()) return false;
  if (Empty() || other->Empty()) return Empty() && other->Empty();
  TMemoryStream mine, theirs;
  WriteData(&mine);
  other->WriteData(&theirs);
  return mine.Size() == theirs.Size() && std::memcmp(mine.Memory(), theirs.Memory(), size_t(mine.Size())) == 0;
}

void TGraphic::DefineProperties(TFiler* filer) {
  // Against an ancestor (an inherited form) only a different picture is written.
  auto* ancestor = dynamic_cast<TGraphic*>(filer->Ancestor());
  bool hasData = filer->Ancestor() ? !ancestor || !Equals(ancestor) : !Empty();
  filer->DefineBinaryProperty(
      "Data", [this](TStream* stream) { ReadData(stream); }, [this](TStream* stream) { WriteData(stream); }, hasData);
}

void TGraphic::Changed(TObject* sender) {
  modified_ = true;
  if (OnChange) OnChange(this);
}

void TGraphic::Progress(TObject* sender, TProgressStage stage, uint8_t percentDone, bool redrawNow,
                        const TRect& r, const std::string& msg) {
  if (OnProgress) OnProgress(sender, stage, percentDone, redrawNow, r, msg);
}

void TGraphic::AssignTo(TPersistent* dest) {
  auto* bitmap = dynamic_cast<TBitmap*>(dest);
  if (!bitmap) return inherited::AssignTo(dest);
  // The picture drawn on a white background of its own size, in the bitmap's pixel format.
  bitmap->SetSize(0, 0);
  bitmap->SetSize(Width(), Height());
  if (bitmap->Empty()) return;
  TCanvas* canvas = bitmap->Canvas();
  canvas->Brush()->SetColor(clWhite);
  canvas->Brush()->SetStyle(bsSolid);
  canvas->FillRect(Rect(0, 0, Width(), Height()));
  canvas->Draw(0, 0, this);
}

}  // namespace vcl

#include "imaging/vect/image_vect.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "imaging/base/system_info.h"
#include "imaging/vect/text_control.h"
#include "vcl/classes/typeinfo.h"
#include "vcl/controls/timer.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/graphics/picture.h"

namespace imaging {

namespace {

constexpr size_t kGrowStep = 512;
constexpr size_t kGrowBy = 522;

// Same size, pixel format, alpha presence, pixels and alpha pixels.
bool SameContent(TIEBitmap* a, TIEBitmap* b) {
  if (a->Width() != b->Width() || a->Height() != b->Height() || a->PixelFormat() != b->PixelFormat()) return false;
  if (a->HasAlphaChannel() != b->HasAlphaChannel()) return false;
  const int32_t bytes = (a->Width() * a->BitCount() + 7) / 8;
  for (int32_t y = 0; y < a->Height(); ++y)
    if (std::memcmp(a->Scanline(y), b->Scanline(y), bytes) != 0) return false;
  if (a->HasAlphaChannel()) return SameContent(a->GetAlphaChannel(), b->GetAlphaChannel());
  return true;
}

std::unique_ptr<TIEBitmap> CopyOf(TIEBitmap* source) {
  auto copy = std::make_unique<TIEBitmap>();
  copy->Assign(source);
  return copy;
}

}  // namespace

TImageVect::TImageVect(vcl::TComponent* owner) : TImageView(owner) {
  gripImage_ = std::make_unique<vcl::TPicture>();
  fastTimer_ = new vcl::TTimer(this);
  fastTimer_->SetEnabled(false);
  fastTimer_->SetInterval(50);
  fastTimer_->OnTimer = [this](vcl::TObject*) { FastDrawingTimer(); };
  template_.X1 = 0, template_.Y1 = 0, template_.X2 = 63, template_.Y2 = 63;
  template_.Transparency = 255;
  template_.ShapeWidth = 10, template_.ShapeLength = 20;
  template_.LabelBrushColor = vcl::clWhite;
  template_.LabelBrushStyle = vcl::bsSolid;
  template_.LabelPosition = 1;
  template_.LabelBorder = 1;
  template_.PenColor = Font()->Color();
  template_.PenStyle = vcl::psSolid;
  template_.PenWidth = 1;
  template_.BrushColor = vcl::clWhite;
  template_.BrushStyle = vcl::bsClear;
  template_.ArcStart = 0;
  template_.ArcEnd = 2 * std::numbers::pi;
  vcl::TFont font;
  font.Assign(Font());
  font.SetName("Arial");
  LOGFONTA log{};
  if (GetObjectA(font.Handle(), sizeof(log), &log) == sizeof(log)) template_.Font = log;
  template_.SingleFormat = 1;
  template_.CurveCharAngle = -10;
  template_.TextEditable = 1;
  template_.BorderColor = vcl::clWhite;
  template_.BorderStyle = vcl::psSolid;
  template_.TextBackStyle = vcl::bsSolid;
  template_.Style = iestSelectable | iestMovable | iestResizable | iestVisible;
  template_.RulerType = 2;
  template_.AnglePoints[0] = {0, 0};
  template_.AnglePoints[1] = {50, 0};
  template_.AnglePoints[2] = {50, 50};
  MakeTemplateBitmap();
}

TImageVect::~TImageVect() {
  destroying_ = true;
  CancelInteraction();
  for (auto& record : storage_) record->FreeOwnedData();
  template_.FreeOwnedData();
}

void TImageVect::MakeTemplateBitmap() {
  vcl::TBitmap icon;
  icon.SetPixelFormat(vcl::pf24bit);
  icon.SetSize(64, 64);
  icon.Canvas()->Brush()->SetColor(vcl::clWhite);
  icon.Canvas()->FillRect(vcl::TRect(0, 0, 64, 64));
  if (HICON hand = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_HAND)))
    DrawIconEx(icon.Canvas()->Handle(), 0, 0, hand, 64, 64, 0, nullptr, DI_NORMAL);
  auto bitmap = std::make_unique<TIEBitmap>();
  bitmap->CopyFromVclBitmap(&icon);
  template_.BitmapIndex = NewBitmapEntry(std::move(bitmap));
}

TIEVectorObject* TImageVect::GetObjectRecord(int32_t hobj) {
  if (hobj == hobjTemplate) return &template_;
  if (hobj == hobjLast) return storage_.empty() ? nullptr : storage_.back().get();
  if (hobj < 0 || hobj >= ObjectsCount()) return nullptr;
  return storage_[hobj].get();
}

int32_t TImageVect::GetObjFromIndex(int32_t index) const {
  if (index < 0 || index >= static_cast<int32_t>(drawOrder_.size())) return hobjNotFound;
  return drawOrder_[index];
}

void TImageVect::AppendHandle(std::vector<int32_t>& list, int32_t hobj) {
  if (list.size() % kGrowStep == 0) list.reserve(list.size() + kGrowBy);
  list.push_back(hobj);
}

int32_t TImageVect::AddNewObject(const TIEVectorObject& source) { return AdoptNewObject(TIEVectorObject(source)); }

int32_t TImageVect::AdoptNewObject(TIEVectorObject&& source) {
  const int32_t sourceBitmapIndex = source.BitmapIndex;
  auto record = std::make_unique<TIEVectorObject>(std::move(source));
  TIEVectorObject& r = *record;
  if (r.Extended) r.Extended->SetRecord(&r);
  if (storage_.size() % kGrowStep == 0) storage_.reserve(storage_.size() + kGrowBy);
  const int32_t hobj = ObjectsCount();
  storage_.push_back(std::move(record));
  AppendHandle(drawOrder_, hobj);

  r.BitmapIndex = -1;
  r.ViewPoints.clear();
  r.UserData.clear();  // the application's block stays with the record it gave it to
  const uint8_t kind = r.Kind;
  if (kind != vkText && kind != vkLineLabel && kind != vkExtended && kind != vkMemo) r.Text.clear();
  if (kind != vkText && kind != vkLineLabel && kind != vkExtended && kind != vkMemo && kind != vkRuler &&
      kind != vkAngle)
    r.Font.reset();
  if (kind != vkText && kind != vkLineLabel && kind != vkExtended) r.CurvePoints.clear();
  if (kind != vkMemo) r.CharFormatIndex.clear(), r.CharFormats.clear();
  if (kind == vkMemo && !r.CharFormatIndex.empty()) r.CharFormatIndex.resize(r.Text.size(), 0);
  if (kind == vkExtended && r.Extended) {
    r.Extended->SetOwner(this);
    r.Extended->SetHandle(hobj);
  } else {
    r.Extended.reset();
  }
  if (kind == vkBitmap || (kind == vkMemo && r.HasBackground)) SetObjBitmapIndex(hobj, sourceBitmapIndex);
  if (!r.KeepsDirection()) r.OrderCorners();
  if (kind == vkPolyline) {
    r.Points.shrink_to_fit();
  } else {
    r.Points.clear();
    r.BaseRect = RECT{0, 0, 0, 0};
    r.Closed = 0;
  }
  return hobj;
}

void TImageVect::RemoveAllObjects() {
  CancelInteraction();
  SaveUndoAtPress();
  for (auto& record : storage_) record->FreeOwnedData();
  storage_.clear();
  drawOrder_.clear();
  selection_.clear();
  std::unique_ptr<TIEBitmap> kept;
  if (template_.BitmapIndex >= 0 && template_.BitmapIndex < BitmapTableCount())
    kept = std::move(bitmaps_[template_.BitmapIndex].bitmap);
  bitmaps_.clear();
  template_.BitmapIndex = kept ? NewBitmapEntry(std::move(kept)) : -1;
  DoVectorialChanged();
  Update();
}

void TImageVect::SetObjFont(int32_t hobj, vcl::TFont* font) {
  TIEVectorObject* r = GetObjectRecord(hobj);
  if (!r || !font) return;
  LOGFONTA log{};
  if (GetObjectA(font->Handle(), sizeof(log), &log) != sizeof(log)) return;
  r->Font = log;
  r->PenColor = font->Color();
  if (hobj != hobjTemplate) Update();
}

vcl::TFontStyles TImageVect::GetObjFontStyles(int32_t hobj) {
  vcl::TFontStyles styles;
  TIEVectorObject* r = GetObjectRecord(hobj);
  if (!r || !r->Font) return styles;
  if (r->Font->lfWeight >= FW_BOLD) styles.Include(vcl::fsBold);
  if (r->Font->lfItalic) styles.Include(vcl::fsItalic);
  if (r->Font->lfUnderline) styles.Include(vcl::fsUnderline);
  if (r->Font->lfStrikeOut) styles.Include(vcl::fsStrikeOut);
  return styles;
}

void TImageVect::SetObjUserData(int32_t hobj, const void* data, int32_t length) {
  TIEVectorObject* r = GetObjectRecord(hobj);
  if (!r) return;
  if (!data || length <= 0)
    r->UserData.clear();
  else
    r->UserData.assign(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + length);
  if (hobj != hobjTemplate) Update();
}

vcl::TRect TImageVect::GetObjectsExtent() {
  int32_t right = -1, bottom = -1;
  for (int32_t hobj : drawOrder_) {
    const TIEVectorObject& r = *storage_[hobj];
    right = std::max({right, r.X1, r.X2});
    bottom = std::max({bottom, r.Y1, r.Y2});
  }
  return vcl::TRect(0, 0, right + 1, bottom + 1);
}

void TImageVect::AddPolylinePoint(int32_t hobj, int32_t x, int32_t y) {
  TIEVectorObject* r = GetObjectRecord(hobj);
  if (!r) return;
  if (!r->Points.empty() && r->Points.back().x == x && r->Points.back().y == y) return;
  if (r->Points.size() + 1 > r->Points.capacity()) r->Points.reserve(2 * (r->Points.size() + 1));
  r->Points.push_back(POINT{x, y});
  if (r->Points.size() == 1 && r->X1 > r->X2) {
    r->X1 = r->X2 = x;
    r->Y1 = r->Y2 = y;
  } else {
    r->X1 = std::min(r->X1, x), r->Y1 = std::min(r->Y1, y);
    r->X2 = std::max(r->X2, x), r->Y2 = std::max(r->Y2, y);
  }
  r->BaseRect = RECT{r->X1, r->Y1, r->X2, r->Y2};
}

void TImageVect::Assign(vcl::TPersistent* source) {
  TImageView::Assign(source);
  auto* other = dynamic_cast<TImageVect*>(source);
  if (!source || other) {
    CancelInteraction();
    RemoveAllObjects();
  }
  if (!other || other == this) return;
  const bool share = shareBitmaps_;
  shareBitmaps_ = false;  // copied bitmaps get entries of their own
  for (int32_t hobj : other->drawOrder_) {
    const TIEVectorObject& record = *other->storage_[hobj];
    TIEVectorObject copy(record);
    copy.BitmapIndex = -1;
    const int32_t added = AddNewObject(copy);
    if (TIEBitmap* bitmap = other->GetObjBitmap(hobj); bitmap && (record.Kind == vkBitmap || record.HasBackground))
      SetObjBitmap(added, bitmap);
  }
  shareBitmaps_ = share;
  scale_ = other->scale_;
  DoVectorialChanged();
  Update();
}

// ---- selection ----

void TImageVect::SelObject(int32_t hobj) {
  if (hobj == hobjLast) hobj = ObjectsCount() - 1;
  TIEVectorObject* r = GetObjectRecord(hobj);
  if (!r || hobj < 0) return;
  if (r->IsSelectable() && !IsSelObject(hobj)) AppendHandle(selection_, hobj);
  DoSelectObject();
}

bool TImageVect::IsSelObject(int32_t hobj) {
  if (hobj == hobjLast) hobj = ObjectsCount() - 1;
  return std::find(selection_.begin(), selection_.end(), hobj) != selection_.end();
}

void TImageVect::UnSelObject(int32_t hobj) {
  if (hobj == hobjLast) hobj = ObjectsCount() - 1;
  auto it = std::find(selection_.begin(), selection_.end(), hobj);
  if (it == selection_.end()) return;
  selection_.erase(it);
  DoSelectObject();
}

void TImageVect::UnSelAllObjects() {
  selection_.clear();
  DoSelectObject();
  Update();
}

// ---- shared bitmaps ----

TIEBitmap* TImageVect::BitmapTableBitmap(int32_t index) const {
  if (index < 0 || index >= BitmapTableCount()) return nullptr;
  return bitmaps_[index].bitmap.get();
}

int32_t TImageVect::BitmapTableRefCount(int32_t index) const {
  if (index < 0 || index >= BitmapTableCount()) return 0;
  return bitmaps_[index].count;
}

TIEBitmap* TImageVect::GetObjBitmap(int32_t hobj) {
  TIEVectorObject* r = GetObjectRecord(hobj);
  return r ? BitmapTableBitmap(r->BitmapIndex) : nullptr;
}

void TImageVect::ReleaseBitmapEntry(int32_t index) {
  if (index < 0 || index >= BitmapTableCount()) return;
  TBitmapEntry& entry = bitmaps_[index];
  if (entry.count <= 1) {
    entry.bitmap.reset();
    entry.count = 0;
  } else {
    --entry.count;
  }
}

int32_t TImageVect::FindSharedBitmap(TIEBitmap* bitmap) {
  for (int32_t i = BitmapTableCount() - 1; i >= 0; --i)
    if (bitmaps_[i].bitmap && SameContent(bitmaps_[i].bitmap.get(), bitmap)) return i;
  return -1;
}

int32_t TImageVect::NewBitmapEntry(std::unique_ptr<TIEBitmap> bitmap) {
  for (int32_t i = 0; i < BitmapTableCount(); ++i)
    if (!bitmaps_[i].bitmap) {
      bitmaps_[i] = TBitmapEntry{std::move(bitmap), 1};
      return i;
    }
  bitmaps_.push_back(TBitmapEntry{std::move(bitmap), 1});
  return BitmapTableCount() - 1;
}

void TImageVect::SetObjBitmap(int32_t hobj, TIEBitmap* bitmap) {
  TIEVectorObject* r = GetObjectRecord(hobj);
  if (!r) return;
  // The new reference is taken before the old one goes: the bitmap may be the one the object
  // already shows, and releasing first would free it.
  int32_t index = -1;
  if (bitmap) {
    index = shareBitmaps_ ? FindSharedBitmap(bitmap) : -1;
    if (index >= 0)
      ++bitmaps_[index].count;
    else
      index = NewBitmapEntry(CopyOf(bitmap));
  }
  ReleaseBitmapEntry(r->BitmapIndex);
  r->BitmapIndex = index;
}

void TImageVect::SetObjBitmapIndex(int32_t hobj, int32_t index) {
  TIEVectorObject* r = GetObjectRecord(hobj);
  if (!r) return;
  int32_t taken = -1;
  if (index >= 0 && index < BitmapTableCount() && bitmaps_[index].bitmap) {
    if (shareBitmaps_) {
      ++bitmaps_[index].count;
      taken = index;
    } else {
      taken = NewBitmapEntry(CopyOf(bitmaps_[index].bitmap.get()));
    }
  }
  ReleaseBitmapEntry(r->BitmapIndex);
  r->BitmapIndex = taken;
}

void TImageVect::SetObjBitmapFromIcon(int32_t hobj, const char* iconName, int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return;
  vcl::TBitmap canvasBitmap;
  canvasBitmap.SetPixelFormat(vcl::pf24bit);
  canvasBitmap.SetSize(width, height);
  HICON icon = nullptr;
  bool shared = false;
  if (IS_INTRESOURCE(iconName)) {
    icon = static_cast<HICON>(LoadImageA(nullptr, iconName, IMAGE_ICON, width, height, LR_SHARED));
    shared = true;
  } else {
    icon = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), iconName, IMAGE_ICON, width, height, 0));
  }
  if (icon) {
    DrawIconEx(canvasBitmap.Canvas()->Handle(), 0, 0, icon, width, height, 0, nullptr, DI_NORMAL);
    if (!shared) DestroyIcon(icon);
  }
  TIEBitmap bitmap;
  bitmap.CopyFromVclBitmap(&canvasBitmap);
  SetObjBitmap(hobj, &bitmap);
  if (hobj != hobjTemplate) Update();
}

void TImageVect::CompactBitmaps() {
  std::vector<int32_t> renumber(bitmaps_.size(), -1);
  std::vector<TBitmapEntry> kept;
  for (size_t i = 0; i < bitmaps_.size(); ++i)
    if (bitmaps_[i].bitmap) {
      renumber[i] = static_cast<int32_t>(kept.size());
      kept.push_back(std::move(bitmaps_[i]));
    }
  bitmaps_ = std::move(kept);
  auto fix = [&](TIEVectorObject& r) {
    r.BitmapIndex = (r.BitmapIndex >= 0 && r.BitmapIndex < static_cast<int32_t>(renumber.size()))
                        ? renumber[r.BitmapIndex]
                        : -1;
  };
  fix(template_);
  for (auto& record : storage_) fix(*record);
}

// ---- properties ----

void TImageVect::SetMouseInteractVt(TIEVectMouseModes value) {
  vectModes_ = value;
  CancelInteraction();
}

void TImageVect::SetMouseInteract(int32_t value) {
  TImageView::SetMouseInteract(value);
  if (value != 0) vectModes_ &= (vmMeasureArea | vmMeasurePerimeter | vmNoClickCreate);
  CancelInteraction();
}

void TImageVect::SetZoomObjectsWidth(bool value) {
  zoomObjectsWidth_ = value;
  Update();
}

void TImageVect::SetBitmapResampleFilter(TResampleFilter value) {
  bitmapFilter_ = value;
  Update();
}

void TImageVect::SetObjAntialias(bool value) {
  if (value == objAntialias_) return;
  objAntialias_ = value;
  Update();
}

void TImageVect::SetObjGripImage(vcl::TPicture* value) {
  gripImage_->Assign(value);
  if (vcl::TGraphic* graphic = gripImage_->Graphic())
    gripSize_ = std::max(graphic->Width(), graphic->Height()) / 2;
}

void TImageVect::SetObjectsHidden(bool value) {
  objectsHidden_ = value ? 1 : 0;
  Update();
}

void TImageVect::CancelInteraction() {
  if (IsTextEditing()) {
    DeactivateTextEdit();
    if (!destroying_) Update();
  }
  HideMeasureHint();
  hintActive_ = false;
  extendedUnderMouse_ = -1;
  action_ = 0;
  grip_ = 0;
  rubberShown_ = false;
  rubberBand_ = false;
  pressed_ = false;
}

// ---- events ----

void TImageVect::DoSelectObject() {
  if (OnSelectObject) OnSelectObject(this);
}

void TImageVect::DoVectorialChanged() {
  changedDuringInteraction_ = true;
  changedOnce_ = false;
  if (OnVectorialChanged) OnVectorialChanged(this);
}

void TImageVect::DoVectorialChangedOnce() {
  if (!changedOnce_ && OnVectorialChanged) OnVectorialChanged(this);
  changedOnce_ = true;
}

void TImageVect::DoObjectMoveResize(int32_t hobj, int32_t grip, int32_t& offsetX, int32_t& offsetY) {
  if (OnObjectMoveResize) OnObjectMoveResize(this, hobj, grip, offsetX, offsetY);
}

void TImageVect::DoObjectClick(int32_t hobj) {
  if (OnObjectClick) OnObjectClick(this, hobj);
}

void TImageVect::DoObjectDblClick(int32_t hobj) {
  if (OnObjectDblClick) OnObjectDblClick(this, hobj);
}

void TImageVect::DoObjectOver(int32_t hobj) {
  if (OnObjectOver) OnObjectOver(this, hobj);
}

void TImageVect::DoNewObject(int32_t hobj) {
  if (OnNewObject) OnNewObject(this, hobj);
}

void TImageVect::DoUserSelectObject(int32_t hobj) {
  if (OnUserSelectObject) OnUserSelectObject(this, hobj);
}

void TImageVect::DoUserDeselectObject(int32_t hobj) {
  if (OnUserDeselectObject) OnUserDeselectObject(this, hobj);
}

void TImageVect::WMSetFocus(vcl::TWMSetFocus& message) {
  TImageView::WMSetFocus(message);
  // While a text is edited the keyboard belongs to its editor.
  if (TIEVectorObject* r = GetObjectRecord(editedHandle_); r && editedHandle_ >= 0) {
    vcl::TWinControl* editor = r->Kind == vkMemo ? static_cast<vcl::TWinControl*>(memoEdit_) : textEdit_;
    if (editor && editor->Visible() && editor->CanFocus()) editor->SetFocus();
  }
  Invalidate();
}

void TImageVect::WMKillFocus(vcl::TWMKillFocus& message) {
  TImageView::WMKillFocus(message);
  Invalidate();
}

void TImageVect::Paint() {
  if (!fastTimer_->Enabled() && !(fastDrawingActive_ && fastDrawingEnabled_) && IsLeftButtonDown()) {
    fastDrawingActive_ = true;
    fastTimer_->SetEnabled(true);
  }
  TImageView::Paint();
  if (hintActive_) {
    // The paint covered the hint and what it saved: draw it anew where the mouse is.
    if (hintBackup_) hintBackup_->SetWidth(1);
    ShowMeasureHint(lastMouse_.x, lastMouse_.y);
  }
}

void TImageVect::FastDrawingTimer() {
  if (IsLeftButtonDown()) return;
  fastTimer_->SetEnabled(false);
  fastDrawingActive_ = false;
  Update();
}

void TImageVect::WMSize(vcl::TWMSize& message) {
  TImageView::WMSize(message);
  CancelInteraction();
  Update();
}

VCL_PUBLISHED(TImageVect, p) {
  p.Bool("ShareBitmaps", &TImageVect::ShareBitmaps, &TImageVect::SetShareBitmaps, true)
      .Bool("ZoomObjectsWidth", &TImageVect::ZoomObjectsWidth, &TImageVect::SetZoomObjectsWidth, true)
      .Enum("BitmapResampleFilter", &TImageVect::BitmapResampleFilter, &TImageVect::SetBitmapResampleFilter,
            {"rfNone", "rfTriangle", "rfHermite", "rfBell", "rfBSpline", "rfLanczos3", "rfMitchell", "rfNearest",
             "rfLinear", "rfFastLinear", "rfBilinear", "rfBicubic", "rfProjectBW", "rfProjectWB"},
            rfNone)
      .Enum("MUnit", &TImageVect::MUnit, &TImageVect::SetMUnit,
            {"ieuPIXELS", "ieuINCHES", "ieuKM", "ieuMETERS", "ieuCENTIMETERS", "ieuMILLIMETERS", "ieuMICRONS",
             "ieuNANOMETERS", "ieuFEET", "ieuYARDS", "ieuMILES"},
            ieuPIXELS)
      .Integer("FloatDigits", &TImageVect::FloatDigits, &TImageVect::SetFloatDigits, 2)
      .Integer("FloatPrecision", &TImageVect::FloatPrecision, &TImageVect::SetFloatPrecision, 15)
      .Integer("ObjUndoLimit", &TImageVect::ObjUndoLimit, &TImageVect::SetObjUndoLimit, 1)
      .Bool("ObjAutoUndo", &TImageVect::ObjAutoUndo, &TImageVect::SetObjAutoUndo, false)
      .Enum("ObjUndoMode", &TImageVect::ObjUndoMode, &TImageVect::SetObjUndoMode, {"ieumSeparated", "ieumShared"},
            ieumSeparated)
      .Bool("ObjAntialias", &TImageVect::ObjAntialias, &TImageVect::SetObjAntialias, true)
      .Bool("SelectOnMouseDown", &TImageVect::SelectOnMouseDown, &TImageVect::SetSelectOnMouseDown, true)
      .Object("ObjGripImage", &TImageVect::ObjGripImage, &TImageVect::SetObjGripImage)
      .Event("OnSelectObject", &TImageVect::OnSelectObject)
      .Event("OnUserSelectObject", &TImageVect::OnUserSelectObject)
      .Event("OnUserDeselectObject", &TImageVect::OnUserDeselectObject)
      .Event("OnMeasureHint", &TImageVect::OnMeasureHint)
      .Event("OnPresentMeasure", &TImageVect::OnPresentMeasure)
      .Event("OnDragLenEnd", &TImageVect::OnDragLenEnd)
      .Event("OnVectorialChanged", &TImageVect::OnVectorialChanged)
      .Event("OnBeforeVectorialChanged", &TImageVect::OnBeforeVectorialChanged)
      .Event("OnNewObject", &TImageVect::OnNewObject)
      .Event("OnObjectMoveResize", &TImageVect::OnObjectMoveResize)
      .Event("OnObjectClick", &TImageVect::OnObjectClick)
      .Event("OnObjectDblClick", &TImageVect::OnObjectDblClick)
      .Event("OnObjectOver", &TImageVect::OnObjectOver)
      .Event("OnTextKeyDown", &TImageVect::OnTextKeyDown)
      .Event("OnActivateTextEdit", &TImageVect::OnActivateTextEdit)
      .Event("OnDeactivateTextEdit", &TImageVect::OnDeactivateTextEdit)
      .Event("OnTextEditCursorMoved", &TImageVect::OnTextEditCursorMoved)
      .Event("OnBeforeDrawObject", &TImageVect::OnBeforeDrawObject)
      .Event("OnAfterDrawObject", &TImageVect::OnAfterDrawObject);
}

}  // namespace imaging

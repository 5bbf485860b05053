#include "imaging/view/image_view.h"
#include "imaging/view/image_view_proc_access.h"

#include "imaging/base/startup.h"
#include "imaging/io/image_io.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/model/drawdib.h"
#include "imaging/model/ie_mask.h"
#include "imaging/view/view_io_formats.h"
#include "imaging/view/view_params.h"
#include "vcl/classes/typeinfo.h"
#include "vcl/controls/screen.h"
#include "vcl/controls/timer.h"
#include "vcl/graphics/picture.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/graphics/gdiobjects.h"
#include "vcl/runtime/streams.h"

namespace imaging {

namespace {

void ImageViewStaticInit() {
  ReadDisplayMetrics();
  RegisterViewIOFormats();
}
void ImageViewStaticFinalize() {}

// The display metrics belong to the library's shared start-up.
const bool kHooksRegistered = [] {
  IERegisterStaticHooks(ieshImageView, ImageViewStaticInit, ImageViewStaticFinalize);
  return true;
}();

TIEDisplayMetrics& Metrics() {
  static TIEDisplayMetrics metrics;
  return metrics;
}

bool& MetricsRead() {
  static bool read = false;
  return read;
}

}  // namespace

void ReadDisplayMetrics() {
  TIEDisplayMetrics& m = Metrics();
  HDC screen = GetDC(nullptr);
  if (screen) {
    m.BitsPerPixel = GetDeviceCaps(screen, BITSPIXEL);
    m.ScreenDpiX = GetDeviceCaps(screen, LOGPIXELSX);
    m.ScreenDpiY = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
  }
  m.RemoteSession = GetSystemMetrics(SM_REMOTESESSION) != 0;
  m.DefaultDpiX = 300;
  m.DefaultDpiY = 300;
  m.EdgeX = GetSystemMetrics(SM_CXEDGE);
  m.EdgeY = GetSystemMetrics(SM_CYEDGE);
  m.BorderX = GetSystemMetrics(SM_CXBORDER);
  m.BorderY = GetSystemMetrics(SM_CYBORDER);
  m.HScrollHeight = GetSystemMetrics(SM_CYHSCROLL);
  m.VScrollWidth = GetSystemMetrics(SM_CXVSCROLL);
  m.PixelGridZoom = 400;
  MetricsRead() = true;
}

// Resource names in cursor-number order from crIEFirstCursor (the table's CROCE3+ is resource
// CROCE3_PLUS, its 1795 is C1795). The table repeats "CROCE2-" and "1803" and has no "1804":
// the numbers that programs know keep their places.
void LoadViewCursors() {
  static const char* const kNames[] = {
      "ZOOMMENO", "ZOOMPIU",      "CROCE",        "GOMMA",       "MANO",         "PENNA",        "CROCE1",
      "CROCE3",   "MOVE2",        "MOVEY",        "MOVE1",       "MOVEX",        "MOVE",         "CROCE3_PLUS",
      "CROCE3_MINUS", "CROCE2",   "CROCE2_PLUS",  "CROCE2_MINUS", "CROCE2_MINUS", "C1795",       "C1796",
      "C1797",    "C1798",        "C1799",        "C1800",       "C1801",        "C1802",        "C1803",
      "C1803",    "C1805",        "C1806",        "C1807",       "C1808",        "ROT1",         "ROT2",
      "ROT3",     "ROT4"};
  static_assert(sizeof(kNames) / sizeof(kNames[0]) == 37);
  if (!vcl::Screen) return;
  HINSTANCE instance = GetModuleHandleA(nullptr);
  for (int32_t i = 0; i < 37; ++i)
    if (HCURSOR cursor = LoadCursorA(instance, kNames[i])) vcl::Screen->SetCursors(crIEFirstCursor + i, cursor);
}

const TIEDisplayMetrics& DisplayMetrics() {
  if (!MetricsRead()) ReadDisplayMetrics();
  return Metrics();
}

// The update lock (1 from the field's initialiser) keeps everything below from updating; the
// last step unlocks and runs the first Update.
TImageView::TImageView(vcl::TComponent* owner) : TIEView(owner) {
  hasOwner_ = owner != nullptr;
  vclBitmap_ = new vcl::TBitmap();
  vclBitmap_->SetPixelFormat(vcl::pf24bit);
  ieBitmap_ = new TIEBitmap();
  ieBitmap_->AttachVclBitmap(vclBitmap_, false);
  imageWidth_ = ieBitmap_->Width();
  imageHeight_ = ieBitmap_->Height();
  auto layer = std::make_unique<TIELayer>(this, true, ieBitmap_);
  layer->VisibleBox = false;
  layer->Locked = true;
  layers_.push_back(std::move(layer));
  layersCurrent_ = 0;

  SetBackground(static_cast<vcl::TColor>(0x8000000F));
  LoadViewCursors();
  SetHeight(105);
  SetWidth(105);
  const TIEDisplayMetrics& metrics = DisplayMetrics();
  SetDPI(metrics.DefaultDpiX, metrics.DefaultDpiY);
  SetCursor(crIECross);
  if (!ComponentState().Contains(vcl::csDesigning)) {
    backBuffer_ = std::make_unique<TIEBitmap>(10, 10, ie24RGB);
    backBuffer_->SetLocation(ieTBitmap);
  }
  vScrollParams_ = std::make_unique<TIEScrollBarParams>();
  hScrollParams_ = std::make_unique<TIEScrollBarParams>();
  wheelParams_ = std::make_unique<TIEMouseWheelParams>();
  mask_ = std::make_unique<TIEMask>();
  mask_->Allocate(imageWidth_, imageHeight_, 1);
  // The selection record starts hidden; its timer runs only while something needs ticks.
  if (!ComponentState().Contains(vcl::csDesigning) && hasOwner_) {
    EnsureSelectionTimer();
    selectionTimer_->SetEnabled(true);
  }
  wallPaper_ = std::make_unique<vcl::TPicture>();
  UnlockUpdate();
  layerBoxPen_ = std::make_unique<vcl::TPen>();
  layerBoxPen_->SetStyle(vcl::psDot);
  layerBoxPen_->SetMode(vcl::pmNot);
  layerBoxPen_->SetWidth(1);
}

TImageView::~TImageView() {
  // Whoever watches the bitmap (a processing object, the I/O object) lets go of it while the
  // view is still whole.
  NotifyViewDestroying();
  delete smoothTimer_;
  smoothTimer_ = nullptr;
  delete selectionTimer_;
  selectionTimer_ = nullptr;
  SyncLayerSizes();
  SetNavigator(nullptr, 0);
  // The I/O and processing objects go before the layers they work on.
  delete io_;
  io_ = nullptr;
  delete proc_;
  proc_ = nullptr;
  // Layers free their bitmaps, and layer 0's bitmap frees the platform bitmap it wraps.
  layers_.clear();
  ieBitmap_ = nullptr;
  vclBitmap_ = nullptr;
  FreeZoomTables();
  if (drawDib_) IEDrawDibClose(static_cast<HDRAWDIB>(drawDib_));
}

bool TImageView::HasParentWindow() { return Parent() != nullptr || ParentWindow() != nullptr; }

void TImageView::SetCursor(vcl::TCursor value) {
  cursorSetting_ = value;
  cursorShown_ = value;
  TControl::SetCursor(value);
}

void TImageView::SetCurrentCursor(vcl::TCursor number) {
  if (!hasOwner_) return;
  TControl::SetCursor(number);
  cursorShown_ = number;
}

void TImageView::SetDrawVersion(bool value) {
  drawVersion_ = value;
  Invalidate();
}

void TImageView::SetZoomFilter(TResampleFilter value) {
  savedZoomFilter_ = value;
  if (value == zoomFilter_) return;
  zoomFilter_ = value;
  Update();
}

void TImageView::SetEnableAlphaChannel(bool value) {
  enableAlphaChannel_ = value;
  Update();
}

void TImageView::SetCenter(bool value) {
  if (value == center_) return;
  center_ = value;
  updateKind_ = 1;
  Update();
}

void TImageView::SetBackground(vcl::TColor colour) {
  TIEView::SetBackground(colour);
  if (ComponentState().Contains(vcl::csDesigning)) FillWithBackground();
  updateKind_ = 4;
  Update();
  ImageChange();
}

TIEBitmap* TImageView::GetAlphaChannel() { return ieBitmap_->GetAlphaChannel(); }

bool TImageView::HasAlphaChannel() { return ieBitmap_->HasAlphaChannel(); }

void TImageView::RemoveAlphaChannel(bool merge) { ieBitmap_->RemoveAlphaChannel(merge, Background()); }

void TImageView::ImageChange() {
  TIEView::ImageChange();
  if (OnImageChange) OnImageChange(this);
}

void TImageView::ClearImage() {
  ieBitmap_->SetWidth(1);
  ieBitmap_->SetHeight(1);
  FillWithBackground();
}

void TImageView::FillWithBackground() {
  ieBitmap_->Fill(static_cast<double>(vcl::ColorToRGB(Background())));
  RemoveAlphaChannel(false);
  Update();
}

void TImageView::Assign(vcl::TPersistent* source) {
  if (!source) {
    FillWithBackground();
  } else if (auto* view = dynamic_cast<TImageView*>(source)) {
    ieBitmap_->Assign(view->GetIEBitmap());
    TIEView::SetBackground(view->Background());
    SetDPI(view->GetDpiX(), view->GetDpiY());
    Update();
    ImageChange();
  } else if (auto* bitmap = dynamic_cast<vcl::TBitmap*>(source)) {
    ieBitmap_->CopyFromVclBitmap(bitmap);
    if (ieBitmap_->PixelFormat() != ie1g && ieBitmap_->PixelFormat() != ie24RGB) ieBitmap_->SetPixelFormat(ie24RGB);
    Update();
    ImageChange();
  }
}

void TImageView::SetBounds(int left, int top, int width, int height) {
  TIEView::SetBounds(left, top, width, height);
  vcl::TComponentState state = ComponentState();
  if (!state.Contains(vcl::csReading) && !state.Contains(vcl::csLoading) && !state.Contains(vcl::csDesigning)) return;
  if (!ieBitmap_) return;
  ieBitmap_->SetWidth(Width());
  ieBitmap_->SetHeight(Height());
  FillWithBackground();
}

void TImageView::ViewChange(int32_t change) {
  if (OnViewChange) OnViewChange(this, change);
  if (navigator_) SyncNavigator();
}

void TImageView::ViewChanging(int32_t change, double newValue) {
  if (OnViewChanging) OnViewChanging(this, change, newValue);
}

// Each event runs between two swaps of the selection base; the second swap also runs when the
// handler raises.
void TImageView::LayerNotify(int32_t layer, int32_t event) {
  SwapSelectionBase();
  try {
    if (OnLayerNotify) OnLayerNotify(this, layer, event);
  } catch (...) {
    SwapSelectionBase();
    throw;
  }
  SwapSelectionBase();
}

void TImageView::FireZoomIn(double& zoom) {
  SwapSelectionBase();
  try {
    if (OnZoomIn) OnZoomIn(this, zoom);
  } catch (...) {
    SwapSelectionBase();
    throw;
  }
  SwapSelectionBase();
}

void TImageView::FireZoomOut(double& zoom) {
  SwapSelectionBase();
  try {
    if (OnZoomOut) OnZoomOut(this, zoom);
  } catch (...) {
    SwapSelectionBase();
    throw;
  }
  SwapSelectionBase();
}

void TImageView::FireMouseInResizingGrip(int32_t grip) {
  SwapSelectionBase();
  try {
    if (OnMouseInResizingGrip) OnMouseInResizingGrip(this, grip);
  } catch (...) {
    SwapSelectionBase();
    throw;
  }
  SwapSelectionBase();
}

void TImageView::FireMouseInSel() {
  SwapSelectionBase();
  try {
    if (OnMouseInSel) OnMouseInSel(this);
  } catch (...) {
    SwapSelectionBase();
    throw;
  }
  SwapSelectionBase();
}

void TImageView::Notification(vcl::TComponent* component, vcl::TOperation operation) {
  TIEView::Notification(component, operation);
  if (operation != vcl::opRemove) return;
  if (component == navigator_) {
    navigator_ = nullptr;
    RemoveBitmapChangeHandler(navigatorHandle_);
    navigatorHandle_ = 0;
  }
  if (component == io_) io_ = nullptr;
  if (component == smoothTimer_) smoothTimer_ = nullptr;
  if (component == selectionTimer_) selectionTimer_ = nullptr;
  if (component == proc_) proc_ = nullptr;
}

// ---- window messages ----

void TImageView::Dispatch(vcl::TMessage& message) {
  switch (message.Msg) {
    case IEM_UPDATE:
      Update();
      return;
    case IEM_PROGRESS:
      if (OnProgress) OnProgress(this, static_cast<int32_t>(message.WParam));
      return;
    case IEM_FINISHWORK:
      if (OnFinishWork) OnFinishWork(this);
      return;
    case WM_MOUSEHWHEEL:
      DefaultHandler(message);
      return;
    case WM_HSCROLL:
      vcl::CallMessageHandler<vcl::TWMScroll>(message, this, &TImageView::WMHScroll);
      return;
    case WM_VSCROLL:
      vcl::CallMessageHandler<vcl::TWMScroll>(message, this, &TImageView::WMVScroll);
      return;
    case vcl::CM_WANTSPECIALKEY: {
      TIEView::Dispatch(message);
      if (OnSpecialKey) {
        WORD key = static_cast<WORD>(message.WParam);
        bool handled = false;
        OnSpecialKey(this, key, vcl::KeyDataToShiftState(message.LParam), handled);
        if (handled) message.Result = 1;
      }
      return;
    }
    case vcl::CN_KEYDOWN:
    case WM_SYSKEYDOWN:
    case vcl::CN_KEYUP:
    case WM_SYSKEYUP: {
      TIEView::Dispatch(message);
      bool down = message.Msg == vcl::CN_KEYDOWN || message.Msg == WM_SYSKEYDOWN;
      if (OnVirtualKey)
        OnVirtualKey(this, static_cast<DWORD>(message.WParam), static_cast<DWORD>(message.LParam), down);
      return;
    }
    default:
      TIEView::Dispatch(message);
  }
}

void TImageView::WMSize(vcl::TWMSize& message) {
  TIEView::WMSize(message);
  if (!updateRunning_) SizeChanged();
}

void TImageView::WMEraseBkgnd(vcl::TWMEraseBkgnd& message) { message.Result = 0; }

void TImageView::WMSetFocus(vcl::TWMSetFocus& message) {
  TIEView::WMSetFocus(message);
  Invalidate();
}

void TImageView::WMKillFocus(vcl::TWMKillFocus& message) {
  TIEView::WMKillFocus(message);
  Invalidate();
}

void TImageView::SizeChanged() {
  updateKind_ = 4;
  Update();
}

// ---- published properties ----

VCL_PUBLISHED(TIEView, p) {
  p.Enum("BorderStyle", &TIEView::BorderStyle, &TIEView::SetBorderStyle,
         {"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"}, vcl::bsSingle)
      .Integer("Background", &TIEView::Background, &TIEView::SetBackground, static_cast<vcl::TColor>(0x8000000F))
      .Idents(vcl::ColorToIdent, vcl::IdentToColor);
}

VCL_PUBLISHED(TImageView, p) {
  p.Bool("LegacyBitmap", &TImageView::LegacyBitmap, &TImageView::SetLegacyBitmap, true)
      .Integer("Cursor", &TImageView::Cursor, &TImageView::SetCursor, crIECross)
      .Bool("Center", &TImageView::Center, &TImageView::SetCenter, true)
      .Enum("ZoomFilter", &TImageView::ZoomFilter, &TImageView::SetZoomFilter,
            {"rfNone", "rfTriangle", "rfHermite", "rfBell", "rfBSpline", "rfLanczos3", "rfMitchell", "rfNearest",
             "rfLinear", "rfFastLinear", "rfBilinear", "rfBicubic", "rfProjectBW", "rfProjectWB"},
            rfNone)
      .Bool("DelayZoomFilter", &TImageView::DelayZoomFilter, &TImageView::SetDelayZoomFilter, false)
      .Bool("DrawVersion", &TImageView::DrawVersion, &TImageView::SetDrawVersion, false)
      .Bool("FlatScrollBars", &TImageView::FlatScrollBars, &TImageView::SetFlatScrollBars, false)
      .Bool("EnableInteractionHints", &TImageView::EnableInteractionHints, &TImageView::SetEnableInteractionHints,
            true)
      .Enum("ScrollBars", &TImageView::ScrollBars, &TImageView::SetScrollBars,
            {"ssNone", "ssHorizontal", "ssVertical", "ssBoth"}, vcl::ssBoth)
      .Bool("DoubleBuffer", &TImageView::DoubleBuffer, &TImageView::SetDoubleBuffer, true)
      .Bool("AutoFit", &TImageView::AutoFit, &TImageView::SetAutoFit, false)
      .Bool("AutoStretch", &TImageView::AutoStretch, &TImageView::SetAutoStretch, false)
      .Bool("AutoShrink", &TImageView::AutoShrink, &TImageView::SetAutoShrink, false)
      .Bool("EnableAlphaChannel", &TImageView::EnableAlphaChannel, &TImageView::SetEnableAlphaChannel, true)
      .String("ImageVersion", &TImageView::ImageVersion, &TImageView::SetImageVersion)
      .Event("OnImageChange", &TImageView::OnImageChange)
      .Event("OnViewChange", &TImageView::OnViewChange)
      .Event("OnViewChanging", &TImageView::OnViewChanging)
      .Event("OnLayerNotify", &TImageView::OnLayerNotify)
      .Event("OnSpecialKey", &TImageView::OnSpecialKey)
      .Event("OnVirtualKey", &TImageView::OnVirtualKey)
      .Enum("SelectionBase", &TImageView::SelectionBase, &TImageView::SetSelectionBase, {"iesbClientArea", "iesbBitmap"},
            iesbClientArea)
      .Set("MouseInteract", &TImageView::MouseInteract, &TImageView::SetMouseInteract,
           {"miZoom", "miScroll", "miSelect", "miSelectPolygon", "miSelectCircle", "miSelectZoom",
            "miSelectMagicWand", "miSelectLasso", "miMoveLayers", "miResizeLayers", "miRotateLayers",
            "miMovingScroll"},
           0)
      .Set("SelectionOptions", &TImageView::SelectionOptions, &TImageView::SetSelectionOptions,
           {"iesoAnimated", "iesoSizeable", "iesoMoveable", "iesoFilled", "iesoCutBorders", "iesoMarkOuter",
            "iesoCanScroll", "iesoSelectTranspLayers", "iesoRightButtonSelectLayers",
            "iesoRightButtonTerminatePolySelect"},
           iesoAnimated | iesoSizeable | iesoMoveable | iesoCanScroll)
      .Event("OnProgress", &TImageView::OnProgress)
      .Event("OnFinishWork", &TImageView::OnFinishWork)
      .Event("OnSaveUndo", &TImageView::OnSaveUndo)
      .Event("OnZoomIn", &TImageView::OnZoomIn)
      .Event("OnZoomOut", &TImageView::OnZoomOut)
      .Event("OnMouseInResizingGrip", &TImageView::OnMouseInResizingGrip)
      .Event("OnMouseInSel", &TImageView::OnMouseInSel)
      .Event("OnSelectionChanging", &TImageView::OnSelectionChanging)
      .Event("OnSelectionChange", &TImageView::OnSelectionChange)
      .Event("OnBeforeSelectionChange", &TImageView::OnBeforeSelectionChange)
      .Event("OnDrawPolygon", &TImageView::OnDrawPolygon)
      .Event("OnDShowNewFrame", &TImageView::OnDShowNewFrame)
      .Event("OnDShowEvent", &TImageView::OnDShowEvent)
      .Enum("BackgroundStyle", &TImageView::BackgroundStyle, &TImageView::SetBackgroundStyle,
            {"iebsSolid", "iebsHorizontal", "iebsVertical", "iebsFDiagonal", "iebsBDiagonal", "iebsCross",
             "iebsDiagCross", "iebsChessboard", "iebsDiagonals", "iebsCropped", "iebsCropShadow", "iebsGradient",
             "iebsSoftShadow", "iebsPhotoLike"},
            iebsSolid)
      .Enum("WallPaperStyle", &TImageView::WallPaperStyle, &TImageView::SetWallPaperStyle,
            {"iewoNormal", "iewoStretch", "iewoTile"}, iewoNormal)
      .Event("OnDrawBackBuffer", &TImageView::OnDrawBackBuffer)
      .Event("OnDrawCanvas", &TImageView::OnDrawCanvas)
      .Event("OnDrawBackground", &TImageView::OnDrawBackground)
      .Event("OnPaint", &TImageView::OnPaint);
}

}  // namespace imaging

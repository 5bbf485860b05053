// The single-image view: one image made of layers, shown at a zoom per axis, scrolled to a view
// origin (in zoomed pixels) and centred when it is smaller than the client area. This header
// holds the class; its aspects live in image_view_*.cpp (geometry, layers, coordinate
// mapping, services) and layer_stream.cpp.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "imaging/base/defs.h"
#include "imaging/model/bitmap_render.h"
#include "imaging/proc/image_proc.h"
#include "imaging/view/view_background.h"
#include "imaging/view/ie_view.h"
#include "imaging/view/layer.h"
#include "vcl/stdctrls/stdctrls.h"

namespace vcl {
class TBitmap;
class TStream;
class TMemoryStream;
class TTimer;
class TPicture;
}  // namespace vcl

namespace imaging {

class TIEMask;
class TImageIO;
class TIEScrollBarParams;
class TIEMouseWheelParams;

using TViewChangeEvent = std::function<void(vcl::TObject* sender, int32_t change)>;
using TViewChangingEvent = std::function<void(vcl::TObject* sender, int32_t change, double newValue)>;
// (Sender, layer, event)
using TIELayerNotify = std::function<void(vcl::TObject* sender, int32_t layer, int32_t event)>;
using TIESpecialKeyEvent = std::function<void(vcl::TObject* sender, WORD& key, vcl::TShiftState shift, bool& handled)>;
using TIEVirtualKeyEvent = std::function<void(vcl::TObject* sender, DWORD key, DWORD keyData, bool keyDown)>;

// What the mouse does in a view (MouseInteract is a set of these bits).
enum TIEMouseInteractItems : int32_t {
  miZoom = 0x0001,
  miScroll = 0x0002,
  miSelect = 0x0004,
  miSelectPolygon = 0x0008,
  miSelectCircle = 0x0010,
  miSelectZoom = 0x0020,
  miSelectMagicWand = 0x0040,
  miSelectLasso = 0x0080,
  miMoveLayers = 0x0100,
  miResizeLayers = 0x0200,
  miRotateLayers = 0x0400,
  miMovingScroll = 0x0800,
};

// How selections look and behave (SelectionOptions is a set of these bits).
enum TIESelectionOptionItems : int32_t {
  iesoAnimated = 0x0001,
  iesoSizeable = 0x0002,
  iesoMoveable = 0x0004,
  iesoFilled = 0x0008,
  iesoCutBorders = 0x0010,
  iesoMarkOuter = 0x0020,
  iesoCanScroll = 0x0040,
  iesoSelectTranspLayers = 0x0080,
  iesoRightButtonSelectLayers = 0x0100,
  iesoRightButtonTerminatePolySelect = 0x0200,
};

// How a navigator serves its target (the options of SetNavigator, a set of these bits).
enum TIENavigatorOptions : uint8_t {
  ienoMouseWheelZoom = 0x01,  // the wheel over the navigator zooms the target
  ienoShadeOutside = 0x02,    // the navigator darkens what lies outside the rectangle it selects
};

// Whether selection coordinates are client or bitmap pixels.
enum TIESelectionBase : uint8_t { iesbClientArea, iesbBitmap };

// (Sender, bitmap, layer) and (Sender, bitmap, layer, grip, rectangle): drawn by the application
// instead of the view.
using TIEDrawLayerBoxEvent = std::function<void(vcl::TObject* sender, vcl::TBitmap* bitmap, int32_t layer)>;
using TIEDrawLayerGripEvent =
    std::function<void(vcl::TObject* sender, vcl::TBitmap* bitmap, int32_t layer, int32_t grip, vcl::TRect rect)>;
using TIEZoomEvent = std::function<void(vcl::TObject* sender, double& newZoom)>;
using TIEMouseInResizingGripEvent = std::function<void(vcl::TObject* sender, int32_t grip)>;
// (Sender, canvas, rectangle): after the back buffer has been copied to the window.
using TIEOnDrawCanvas = std::function<void(vcl::TObject* sender, vcl::TCanvas* canvas, vcl::TRect rect)>;
// (Sender, canvas, rectangle, handled): the application paints the background itself.
using TIEOnDrawBackground =
    std::function<void(vcl::TObject* sender, vcl::TCanvas* canvas, vcl::TRect rect, bool& handled)>;

// The cursor numbers of the view's cursor table; the view starts with crIECross.
constexpr vcl::TCursor crIEFirstCursor = 1778;
constexpr vcl::TCursor crIECross = 1785;

// Display facts read once at start-up, and the resolution new views get.
struct TIEDisplayMetrics {
  int32_t BitsPerPixel = 24;
  bool RemoteSession = false;
  int32_t ScreenDpiX = 96;
  int32_t ScreenDpiY = 96;
  int32_t DefaultDpiX = 300;
  int32_t DefaultDpiY = 300;
  bool HasMMX = true;
  int32_t EdgeX = 2, EdgeY = 2, BorderX = 1, BorderY = 1;
  int32_t HScrollHeight = 16, VScrollWidth = 16;
  int32_t PixelGridZoom = 400;
};
// The metrics; the first call reads them (ReadDisplayMetrics).
const TIEDisplayMetrics& DisplayMetrics();
void ReadDisplayMetrics();
// Registers the view's 37 cursors with the screen under crIEFirstCursor onwards; every view
// does it again when it is made.
void LoadViewCursors();

// A layer stream starts at the stream's position and holds at least one layer; the position is
// left where it was.
bool IsLayersStream(vcl::TStream* stream);

class TImageView : public TIEView {
  VCL_CLASS(TImageView, TIEView)
  explicit TImageView(vcl::TComponent* owner);
  ~TImageView() override;

  // ---- geometry (image_view_geometry.cpp) ----
  // Recomputes the geometry from the current bitmap and repaints. Does nothing while locked or
  // while the component is loading, reading, writing or being destroyed.
  void Update() override;
  virtual void UpdateExtents();
  virtual void UpdateViewRect();
  void LockUpdate() { ++updateLock_; }
  void UnlockUpdate();
  void UnlockUpdateNoRefresh();
  int32_t UpdateLockCount() const { return updateLock_; }
  void LockPaint() override { ++paintLock_; }
  int32_t UnlockPaint() override;
  int32_t UnlockPaintNoUpdate() override;
  int32_t PaintLockCount() const { return paintLock_; }
  virtual int32_t GetViewWidth();
  virtual int32_t GetViewHeight();
  bool HasParentWindow() override;
  // Width and height both below 2.
  virtual bool IsEmpty();
  virtual void SetScrollBars(vcl::TScrollStyle value);
  vcl::TScrollStyle ScrollBars() const { return scrollBars_; }

  double ZoomX() const { return zoomX_; }
  double ZoomY() const { return zoomY_; }
  double Zoom() const { return zoomX_; }
  double ZoomFactorX() const { return zoomFactorX_; }
  double ZoomFactorY() const { return zoomFactorY_; }
  // Zoom keeping the bitmap point at the client centre in place (no effect for z <= 0).
  void SetZoom(double zoom);
  void SetZoomX(double zoom);
  void SetZoomY(double zoom);

  // ---- zoom and scrolling (image_view_scrolling.cpp) ----
  // Zooms keeping the bitmap point under the client point (x, y) in place, or bringing it to
  // the centre.
  void ZoomAt(int32_t x, int32_t y, double zoom, bool centre);
  // Fits the whole image into the control.
  void Fit();
  // Zooms so that the selection fills the control, then removes it.
  void ZoomSelection(bool uniform, bool fireEvents);
  void HideHorzScrollBar();
  void HideVertScrollBar();
  // A WM_HSCROLL / WM_VSCROLL code with its 16-bit thumb position.
  void HScrollAction(int32_t code, uint16_t position);
  void VScrollAction(int32_t code, uint16_t position);
  // A wheel turn at the client point (x, y): scrolls or zooms as MouseWheelParams say.
  void HandleMouseWheel(int32_t delta, int32_t x, int32_t y, bool controlDown);
  // Scrolls towards the origin (x, y) in steps every 30 ms; a call while scrolling only moves
  // the target. A divisor of 0 goes there at once.
  void SmoothScrollTo(int32_t x, int32_t y);
  void SmoothScrollStep();
  void StopSmoothScroll();
  bool SmoothScrolling() const;
  int32_t SmoothScrollDivisor() const { return smoothDivisor_; }
  void SetSmoothScrollDivisor(int32_t value) { smoothDivisor_ = value; }
  // A bar that is not needed is shown disabled instead of hidden.
  bool KeepScrollBars() const { return keepScrollBars_; }
  void SetKeepScrollBars(bool value) { keepScrollBars_ = value; }
  TIEScrollBarParams* HScrollBarParams() const { return hScrollParams_.get(); }
  TIEScrollBarParams* VScrollBarParams() const { return vScrollParams_.get(); }
  TIEMouseWheelParams* MouseWheelParams() const { return wheelParams_.get(); }
  double HorzScrollRatio() const { return hRatio_; }
  double VertScrollRatio() const { return vRatio_; }
  virtual void ApplyZoom(double zoom);
  virtual void ApplyZoomX(double zoom);
  virtual void ApplyZoomY(double zoom);
  int32_t ViewX() const { return viewX_; }
  int32_t ViewY() const { return viewY_; }
  // Scrolls to a view origin in zoomed pixels, clamped to 0 .. GetMaxViewXY.
  void SetViewXY(int32_t x, int32_t y);
  // One axis: one OnViewChanging call and only that axis's scroll bar.
  void SetViewX(int32_t x);
  void SetViewY(int32_t y);
  void GetMaxViewXY(int32_t& maxX, int32_t& maxY);
  // The zoom that fits the whole image into the control, inside its frame.
  double GetFitZoom();
  void GetFrameMargins(int32_t& mx, int32_t& my);
  // The fitting zoom when the image must shrink (shrink) or may grow (stretch), else 100.
  double GetOptimalZoom(int32_t iw, int32_t ih, int32_t aw, int32_t ah, bool stretch, bool shrink);
  bool CanScroll();
  int32_t OffsetX() const { return offsetX_; }
  int32_t OffsetY() const { return offsetY_; }
  int32_t ExtentX() const { return extentX_; }
  int32_t ExtentY() const { return extentY_; }
  int32_t ZoomedWidth() const { return zoomedWidth_; }
  int32_t ZoomedHeight() const { return zoomedHeight_; }
  int32_t ImageWidth() const { return imageWidth_; }
  int32_t ImageHeight() const { return imageHeight_; }
  // The visible source rectangle (bitmap pixels) and its destination size (client pixels).
  int32_t ViewSourceX() const { return srcX_; }
  int32_t ViewSourceY() const { return srcY_; }
  int32_t ViewSourceWidth() const { return srcWidth_; }
  int32_t ViewSourceHeight() const { return srcHeight_; }
  int32_t ViewDestWidth() const { return destWidth_; }
  int32_t ViewDestHeight() const { return destHeight_; }

  bool Center() const { return center_; }
  void SetCenter(bool value);
  bool AutoFit() const { return autoFit_; }
  void SetAutoFit(bool value) { autoFit_ = value; }
  bool AutoStretch() const { return autoStretch_; }
  void SetAutoStretch(bool value) { autoStretch_ = value; }
  bool AutoShrink() const { return autoShrink_; }
  void SetAutoShrink(bool value) { autoShrink_ = value; }
  void SetBackground(vcl::TColor colour) override;
  bool LegacyBitmap() const { return legacyBitmap_; }
  virtual void SetLegacyBitmap(bool value);
  TResampleFilter ZoomFilter() const { return zoomFilter_; }
  void SetZoomFilter(TResampleFilter value);
  bool DelayZoomFilter() const { return delayZoomFilter_; }
  void SetDelayZoomFilter(bool value) { delayZoomFilter_ = value; }
  bool EnableAlphaChannel() const { return enableAlphaChannel_; }
  void SetEnableAlphaChannel(bool value);
  bool DoubleBuffer() const { return doubleBuffer_; }
  void SetDoubleBuffer(bool value) { doubleBuffer_ = value; }
  bool FlatScrollBars() const { return flatScrollBars_; }
  // Switching the flat bars on hides both bars until the next Update shows them as needed.
  void SetFlatScrollBars(bool value);
  bool EnableInteractionHints() const { return enableInteractionHints_; }
  void SetEnableInteractionHints(bool value) { enableInteractionHints_ = value; }
  bool DrawVersion() const { return drawVersion_; }
  void SetDrawVersion(bool value);
  std::string ImageVersion() const { return "3.1.1"; }
  void SetImageVersion(const std::string&) {}
  // The cursor shown now; the setter also makes it the cursor the view comes back to.
  vcl::TCursor Cursor() const { return cursorShown_; }
  void SetCursor(vcl::TCursor value);
  void SetCurrentCursor(vcl::TCursor number);
  void RestoreCursor() { SetCurrentCursor(cursorSetting_); }
  uint8_t UpdateKind() const { return updateKind_; }
  void SetUpdateKind(uint8_t kind) { updateKind_ = kind; }
  int32_t MouseInteract() const { return mouseInteract_; }
  // Trims the set to modes that go together (see image_view_mouse.cpp); bakes or crops the
  // layers' rotation as the rotate mode comes or goes.
  virtual void SetMouseInteract(int32_t value);

  // ---- the image ----
  TIEBitmap* GetIEBitmap() override { return ieBitmap_; }
  vcl::TBitmap* GetTBitmap() override { return legacyBitmap_ ? vclBitmap_ : nullptr; }
  TIEBitmap* GetAlphaChannel() override;
  bool HasAlphaChannel() override;
  void RemoveAlphaChannel(bool merge) override;
  void ImageChange() override;
  void ClearImage();
  void FillWithBackground();
  // Makes the current layer show a bitmap owned elsewhere; nil gives it a bitmap of its own.
  void AttachExternalBitmap(TIEBitmap* bitmap);
  void Assign(vcl::TPersistent* source) override;
  // While form data is read (or at design time) the image takes the control's size.
  void SetBounds(int left, int top, int width, int height) override;
  // The back buffer's platform bitmap (nil at design time).
  vcl::TBitmap* GetBackBuffer();
  // Stores the hint the paint code draws: its text, position and a template for its size.
  void SetInteractionHint(const std::string& text, int32_t x, int32_t y, const std::string& templ);

  // ---- painting (image_view_paint.cpp) ----
  // Copies the back buffer (rebuilt first when dirty) to the window, then the overlays.
  void Paint() override;
  void CopyBackBufferToCanvas(const vcl::TRect& rect);
  void CopyShadedBackBuffer(const vcl::TRect& rect);
  void DrawVersionText();
  // Marks the back buffer dirty and invalidates rect of the window without erasing.
  void InvalidateImageRect(const vcl::TRect& rect);
  // The background of the whole control without an image.
  void PaintBackgroundTo(vcl::TCanvas* canvas);
  TIEBackgroundStyle BackgroundStyle() const { return backgroundStyle_; }
  void SetBackgroundStyle(TIEBackgroundStyle value);
  int32_t ChessboardSize() const { return chessboardSize_; }
  vcl::TBrushStyle ChessboardBrushStyle() const { return chessboardBrushStyle_; }
  // Stored only; the next repaint uses them.
  void SetChessboardParams(int32_t cellSize, vcl::TBrushStyle brushStyle);
  vcl::TColor GradientEndColor() const { return gradientEndColour_; }
  void SetGradientEndColor(vcl::TColor value);
  vcl::TPicture* WallPaper() const { return wallPaper_.get(); }
  void SetWallPaper(vcl::TPicture* value);
  TIEWallPaperStyle WallPaperStyle() const { return wallPaperStyle_; }
  void SetWallPaperStyle(TIEWallPaperStyle value);
  bool DrawDibPreferred() const { return drawDibPreferred_; }
  void SetDrawDibPreferred(bool value) { drawDibPreferred_ = value; }
  // Paints without a parent window, at Width x Height.
  bool FixedSizeMode() const { return fixedSize_; }
  void SetFixedSizeMode(bool value) { fixedSize_ = value; }
  bool BackBufferDirty() const { return backBufferDirty_; }
  vcl::TNotifyEvent OnDrawBackBuffer;
  TIEOnDrawCanvas OnDrawCanvas;
  vcl::TNotifyEvent OnPaint;
  TIEOnDrawBackground OnDrawBackground;

  // ---- the layer compositor (image_view_compositor.cpp) ----
  // Composes the visible part of every layer at the current zoom and origin into the 24-bit
  // dest; clip (inclusive) limits the drawing.
  virtual void PaintToBackBuffer(TIEBitmap* dest, TIERowAddressTable* destRows, bool drawOverlays,
                                 bool drawBackground, const RECT* clip);
  // Composes all layers at zoom 100 into bitmap, grown to hold every uncropped layer. The view's
  // zoom, origin and image size come back also when the composition fails.
  void RenderLayersTo(TIEBitmap* bitmap);
  // Replaces the layers by their composition in one layer.
  void FlattenLayers();
  // 0 none; 1 layers above layer 0 faded outside it; 2 greyed checker; 3 lightened.
  int32_t LayersDisplayMode() const { return layersDisplayMode_; }
  void SetLayersDisplayMode(int32_t mode, int32_t amount);
  int32_t LayersDisplayAmount() const { return layersDisplayAmount_; }
  bool DrawAllLayerBoxes() const { return drawAllBoxes_; }
  void SetDrawAllLayerBoxes(bool value) { drawAllBoxes_ = value; }
  // The pixel grid drawn from 400 % up.
  bool DisplayGrid() const { return displayGrid_; }
  void SetDisplayGrid(bool value) { displayGrid_ = value; }
  vcl::TPoint MarkedPixel() const { return markedPixel_; }
  void SetMarkedPixel(vcl::TPoint value) { markedPixel_ = value; }
  int32_t MinLayerSize() const { return minLayerSize_; }
  bool SelectionVisible() const { return selectionVisible_; }
  void SetSelectionVisible(bool value) { selectionVisible_ = value; }

  // ---- I/O (image_view_services.cpp) ----
  // Created on first use, attached to this view.
  TImageIO* GetIO();
  // Created on first use, owned by and attached to this view.
  TImageProc* GetProc();
  // The I/O and processing objects report through these whatever they hold when they report.
  virtual void SetOnProgress(TIEProgressEvent event) { OnProgress = std::move(event); }
  virtual void SetOnFinishWork(vcl::TNotifyEvent event) { OnFinishWork = std::move(event); }
  virtual const TIEProgressEvent& GetOnProgress() const { return OnProgress; }
  virtual const vcl::TNotifyEvent& GetOnFinishWork() const { return OnFinishWork; }
  TIEProgressEvent OnProgress;
  vcl::TNotifyEvent OnFinishWork;
  // Fired by the processing object after it saved an undo entry.
  void SetOnSaveUndo(TIESaveUndoEvent event) { OnSaveUndo = std::move(event); }
  const TIESaveUndoEvent& GetOnSaveUndo() const { return OnSaveUndo; }
  TIESaveUndoEvent OnSaveUndo;
  // The selection and the layers, for the processing object's undo.
  TIEProcSingleImageView* SingleImageView() override;

  // ---- layers (image_view_layers.cpp) ----
  int32_t LayersCount() const { return static_cast<int32_t>(layers_.size()); }
  // Raises EListError for an index outside the list.
  TIELayer* GetLayer(int32_t index) const;
  int32_t GetLayerCount() const { return LayersCount(); }
  int32_t LayersCurrent() const { return layersCurrent_; }
  TIELayer* CurrentLayer() const { return GetLayer(layersCurrent_); }
  TIELayer* GetCurrentLayer() const { return CurrentLayer(); }
  virtual void SetLayersCurrent(int32_t index);
  int32_t AddLayer();
  void RemoveLayer(int32_t index);
  void ClearLayers();
  void SyncLayerSizes();
  bool LayersSync() const { return layersSync_; }
  void SetLayersSync(bool value) { layersSync_ = value; }
  bool SkipUnselectableLayers() const { return skipUnselectable_; }
  void SetSkipUnselectableLayers(bool value) { skipUnselectable_ = value; }
  int32_t FindLayerAt(int32_t x, int32_t y, bool selectableOnly);
  bool IsPointInLayer(int32_t x, int32_t y, int32_t index);
  virtual void LayerNotify(int32_t layer, int32_t event);

  // ---- baking layer geometry into pixels (image_view_layer_bake.cpp) ----
  // Each works through a private processing object without undo; index -1 means every layer.
  // Resamples each layer with a width or height override to its shown size; the overrides
  // become 0.
  void ResampleLayers(int32_t index);
  // Crops each layer to its non-transparent pixels; layer positions stay.
  void CropLayersToAlpha(int32_t index);
  // Turns the pixels of each rotated layer by its rotation, moves the layer so that the turned
  // image stays where it was shown, crops the transparent margin and sets the rotation to 0.
  void ApplyLayersRotation(int32_t index);
  bool LayersRotationAntialias() const { return layersRotationAntialias_; }
  void SetLayersRotationAntialias(bool value) { layersRotationAntialias_ = value; }
  TRotateQuality LayersRotationQuality() const { return layersRotationQuality_; }
  void SetLayersRotationQuality(TRotateQuality value) { layersRotationQuality_ = value; }

  // ---- layer grips (image_view_layer_grips.cpp) ----
  // The nine grip rectangles of a layer: corners 0-3, edge middles 4-7, the rotation centre 8.
  void GetLayerGrips(int32_t index, vcl::TRect (&grips)[9]);
  // 1 + the grip of the current layer under the point (bounds included), 0 for none; the
  // rotation grip counts only with miRotateLayers.
  uint8_t FindLayerGrip(int32_t x, int32_t y);
  // Darkens a 24-bit platform bitmap outside the layer's drawn rectangle with a checker.
  void DimOutsideLayer(vcl::TBitmap* bitmap, int32_t index);
  // The box (dotted, inverting) and the grips of a layer on a platform bitmap, unless the
  // application draws them (OnDrawLayerBox, OnDrawLayerGrip).
  void DrawLayerBox(vcl::TBitmap* bitmap, int32_t index);
  void DrawLayerGrips(vcl::TBitmap* bitmap, int32_t index);
  void DrawRotationGrip(vcl::TBitmap* bitmap, int32_t index);
  int32_t LayerGripSize() const { return layerGripSize_; }
  void SetLayerGripSize(int32_t value) { layerGripSize_ = value; }
  TIEDrawLayerBoxEvent OnDrawLayerBox;
  TIEDrawLayerGripEvent OnDrawLayerGrip;

  // ---- the layer stream (layer_stream.cpp) ----
  void SaveLayersToStream(vcl::TStream* stream, int32_t imageFormat);
  // False for a stream without the signature or with a version below 1, leaving the layers.
  // Damaged data raises EReadError (or the codec's error) and leaves the layers as they were.
  bool LoadLayersFromStream(vcl::TStream* stream);
  bool LoadLayersFromFile(const std::string& fileName);

  // ---- coordinate mapping (image_view_mapping.cpp) ----
  virtual void UpdateZoomTables();
  int32_t SnapViewX(int32_t x);
  int32_t SnapViewY(int32_t y);
  int32_t ClientToBitmapX(int32_t x);
  int32_t ClientToBitmapY(int32_t y);
  int32_t BitmapToClientX(int32_t x);
  int32_t BitmapToClientY(int32_t y);

  // ---- selection stack (image_view_selection_stack.cpp) ----
  bool Selected() const { return selected_; }
  TIEMask* SelectionMask() const { return mask_.get(); }
  void SaveSelectionToStream(vcl::TStream* stream);
  // Raises EReadError for a record cut short or out of range, leaving the selection.
  bool LoadSelectionFromStream(vcl::TStream* stream, int32_t mode);
  void PushSelection();
  bool PopSelection(bool remove, int32_t mode);
  int32_t SelectionStackCount() const { return static_cast<int32_t>(selectionStack_.size()); }

  // ---- selections (image_view_selection.cpp) ----
  // A rectangle (x2, y2 one past the last column and row); operation 0 replaces, 1 adds. The
  // coordinates are client or bitmap pixels as SelectionBase says.
  virtual void Select(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t operation = 0);
  // Appends a vertex to the polygon being built, then repaints.
  virtual void AddSelectionPoint(int32_t x, int32_t y);
  // Fills the mask from the polygons; a selection that covers nothing ends as none.
  virtual void EndSelect();
  void AddPolygonPoint(int32_t x, int32_t y);
  void ClearSelection();
  // The vertices in bitmap pixels, polygons apart by a separator whose x is 0xFFFFF.
  const POINT* GetSelectionPolygon() const { return polygon_.empty() ? nullptr : polygon_.data(); }
  int32_t GetSelectionPolygonCount() const { return static_cast<int32_t>(polygon_.size()); }
  // The selection's bounds (inclusive): the polygon's box while it is drawn, dragged or moved,
  // else the mask's.
  int32_t GetSelX1();
  int32_t GetSelY1();
  int32_t GetSelX2();
  int32_t GetSelY2();
  int32_t SelectionOptions() const { return selectionOptions_; }
  virtual void SetSelectionOptions(int32_t value);
  vcl::TColor SelectionColor1() const { return selection_.colour1; }
  vcl::TColor SelectionColor2() const { return selection_.colour2; }
  void SetSelectionColor1(vcl::TColor colour);
  void SetSelectionColor2(vcl::TColor colour);
  void ShowSelection(bool redraw);
  void HideSelection(bool repaint);
  bool SelectionShown() const { return selection_.visible; }
  // Moves the selection (bitmap pixels), clipped at the borders, and fills the mask again.
  void MoveSelectionBy(int32_t dx, int32_t dy);
  // -1 free, 0 fixed size, above 0 height = width x ratio; a nonzero ratio makes the selection
  // sizeable, 0 fixes its size.
  double FixedSelectionRatio() const { return selectionAspectRatio_; }
  void SetFixedSelectionRatio(double ratio);
  // The size of a fixed-size selection, bitmap pixels.
  void SetFixedSelectionSize(int32_t width, int32_t height);
  int32_t SelectionGridSize() const { return selectionGridSize_; }
  void SetSelectionGridSize(int32_t value);
  int32_t SelectionIntensity() const { return selectionIntensity_; }
  void SetSelectionIntensity(int32_t value) { selectionIntensity_ = value; }
  bool MultiSelecting() const { return multiSelect_; }
  void SetMultiSelecting(bool value) { multiSelect_ = value; }
  // 0 outline, 1 flood fill, 2 every similar colour.
  int32_t MagicWandMode() const { return magicWandMode_; }
  void SetMagicWandMode(int32_t value) { magicWandMode_ = value; }
  int32_t MagicWandTolerance() const { return magicWandTolerance_; }
  void SetMagicWandTolerance(int32_t value) { magicWandTolerance_ = value; }
  bool MagicWandMaxFilter() const { return magicWandMaxFilter_; }
  void SetMagicWandMaxFilter(bool value) { magicWandMaxFilter_ = value; }
  // Acts as if Alt were held: squares, circles and kept aspect ratios.
  bool ForceAlt() const { return forceAlt_; }
  void SetForceAlt(bool value) { forceAlt_ = value; }
  int32_t SelectionGripSize() const { return selGripSize_; }
  void SetSelectionGripSize(int32_t value) { selGripSize_ = value; }
  bool SelectionEdgeGrips() const { return selEdgeGrips_; }
  void SetSelectionEdgeGrips(bool value) { selEdgeGrips_ = value; }
  vcl::TRect ShownSelectionRect() const { return shownRect_; }
  int32_t SelectionAnimationPhase() const { return selection_.phase; }
  vcl::TTimer* SelectionTimer() const { return selectionTimer_; }

  // Point-list operations.
  void ClearPolygon();
  void AppendPolygonPoint(int32_t x, int32_t y);
  void AppendPolygonPointAndPaint(int32_t x, int32_t y);
  void AddPolygonSeparator();
  void StartNewSubPolygon();
  void DropLastPolygonPoint();
  void RemoveLastSubPolygon();
  void MovePolygon(int32_t dx, int32_t dy, bool cutBorders, int32_t width, int32_t height);

  // The shapes the mouse draws (client coordinates while the mouse works).
  void DragRectSelection(int32_t x, int32_t y, vcl::TShiftState shift);
  void DragCircleSelection(int32_t x, int32_t y, vcl::TShiftState shift);
  void SelectMagicWand(int32_t x, int32_t y, bool add);
  // Returns the grip to drag from now on (mirrored when the rectangle turned over).
  int32_t ResizeSelectionByGrip(int32_t grip, int32_t x, bool keepAspect, int32_t y);
  void MoveSelection(int32_t dx, int32_t dy, bool cutBorders);
  void EndPolygonSelection(bool add, bool dropLastPoint);
  void DrawPolygonRubberLine();
  // 1-4 the corners (top-left, top-right, bottom-right, bottom-left), 5-8 the edges (left,
  // right, top, bottom) of a rectangular selection; 0 none.
  int32_t GripAtPoint(int32_t x, int32_t y);
  int32_t GripAtPointUnlessShift(int32_t x, int32_t y, vcl::TShiftState shift);
  // 0 when a press at the client point starts moving the selection, else -1.
  int32_t MoveHitTest(int32_t x, int32_t y, vcl::TShiftState shift);
  void DoSelectionChanging();
  void DoBeforeSelectionChange();
  void DoSelectionChange();

  // ---- drawing the selection (image_view_selection_draw.cpp) ----
  // The outline (marching ants), the grips and the grid on the window; a timer as sender
  // advances the animation.
  void DrawSelection(vcl::TObject* sender, bool checkCanvasLock);
  void AnimationTimerTick(vcl::TObject* sender);
  virtual void DrawSelectionGrid(int32_t x1, int32_t y1, int32_t x2, int32_t y2);

  // ---- mouse interaction (image_view_mouse.cpp) ----
  // Scrolls while the cursor is past the image during a drag; true when it scrolled.
  bool DragAutoScroll();
  virtual void OffsetMousePoints(int32_t dx, int32_t dy);
  // Resizes the current layer by the dragged layer grip (raw client point).
  void ResizeLayerByGrip(int32_t x, int32_t y, bool aspectKey);
  double MouseScrollRate() const { return scrollSpeed_; }
  void SetMouseScrollRate(double value) { scrollSpeed_ = value; }
  int32_t LayersRotationStep() const { return rotationSnap_; }
  void SetLayersRotationStep(int32_t value) { rotationSnap_ = value; }
  // 1 keep the aspect while Alt is down, 2 always, 3 for corner grips, else never.
  int32_t LayersResizeAspect() const { return layerResizeAspect_; }
  void SetLayersResizeAspect(int32_t value) { layerResizeAspect_ = value; }
  bool LayersAutoUndo() const { return layerUndo_; }
  void SetLayersAutoUndo(bool value) { layerUndo_ = value; }
  bool LayersCropOnRotate() const { return cropOnRotate_; }
  void SetLayersCropOnRotate(bool value) { cropOnRotate_ = value; }
  // The uniform flag of the zoom that ends a zoom selection.
  bool ZoomSelectionUniform() const { return zoomSelectionUniform_; }
  void SetZoomSelectionUniform(bool value) { zoomSelectionUniform_ = value; }
  const std::string& InteractionHint() const { return hintText_; }

  // ---- the navigator ----
  TImageView* Navigator() const { return navigator_; }
  // options: TIENavigatorOptions bits.
  void SetNavigator(TImageView* navigator, uint8_t options);
  bool IsNavigator() const { return isNavigator_; }
  uint8_t NavigatorOptions() const { return navigatorOptions_; }
  // Selects in the navigator the bitmap rectangle this view shows.
  void SyncNavigator();
  // The navigator's selection was dragged: this view scrolls to it.
  void NavigatorSelectionChanging(vcl::TObject* sender);
  // The wheel over the navigator zooms this view.
  void NavigatorMouseWheel(vcl::TObject* sender, vcl::TShiftState shift, int wheelDelta, vcl::TPoint mousePos,
                           bool& handled);

  // ---- events ----
  TIESelectionBase SelectionBase() const { return selectionBase_; }
  void SetSelectionBase(TIESelectionBase value) { selectionBase_ = value; }
  // Each fires its event with the event-time selection base in SelectionBase (see
  // SwapSelectionBase).
  void FireZoomIn(double& zoom);
  void FireZoomOut(double& zoom);
  void FireMouseInResizingGrip(int32_t grip);
  void FireMouseInSel();
  virtual void ViewChange(int32_t change);
  virtual void ViewChanging(int32_t change, double newValue);
  vcl::TNotifyEvent OnImageChange;
  TViewChangeEvent OnViewChange;
  TViewChangingEvent OnViewChanging;
  TIELayerNotify OnLayerNotify;
  TIESpecialKeyEvent OnSpecialKey;
  TIEVirtualKeyEvent OnVirtualKey;
  TIEZoomEvent OnZoomIn;
  TIEZoomEvent OnZoomOut;
  TIEMouseInResizingGripEvent OnMouseInResizingGrip;
  vcl::TNotifyEvent OnMouseInSel;
  vcl::TNotifyEvent OnSelectionChanging;
  vcl::TNotifyEvent OnSelectionChange;
  vcl::TNotifyEvent OnBeforeSelectionChange;
  // (Sender, polygon record, point index, canvas, x, y) after each drawn edge.
  std::function<void(vcl::TObject*, int32_t, int32_t, vcl::TCanvas*, int32_t, int32_t)> OnDrawPolygon;
  vcl::TNotifyEvent OnDShowNewFrame;
  vcl::TNotifyEvent OnDShowEvent;

 protected:
  void Dispatch(vcl::TMessage& message) override;
  void WMSize(vcl::TWMSize& message) override;
  void WMEraseBkgnd(vcl::TWMEraseBkgnd& message) override;
  void WMSetFocus(vcl::TWMSetFocus& message) override;
  void WMKillFocus(vcl::TWMKillFocus& message) override;
  void Notification(vcl::TComponent* component, vcl::TOperation operation) override;
  virtual void SizeChanged();
  // Shows, hides and sets the bars for the largest view origin (maxX, maxY).
  virtual void ConfigureScrollBars(int32_t maxX, int32_t maxY);
  void WMHScroll(vcl::TWMScroll& message);
  void WMVScroll(vcl::TWMScroll& message);
  void WMMouseWheel(vcl::TWMMouseWheel& message) override;
  void MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
  void MouseMove(vcl::TShiftState shift, int x, int y) override;
  void MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
  void KeyDown(WORD& key, vcl::TShiftState shift) override;
  void KeyUp(WORD& key, vcl::TShiftState shift) override;
  void WMLButtonDblClk(vcl::TWMMouse& message) override;
  // The mouse code works in client coordinates; the user's base comes back after each message
  // and around each event.
  void BeginClientBase();
  void EndClientBase();

  // Gesture state the vector view reads.
  vcl::TPoint mouseDown_{0, 0};       // raw press
  vcl::TPoint mouseDownClamped_{0, 0};  // press clamped to the image area
  vcl::TPoint anchor_{0, 0};          // press clamped to the current layer's drawn rectangle
  vcl::TPoint previous_{0, 0}, previousRaw_{0, 0}, lastPoint_{0, 0};
  vcl::TPoint originAtDown_{0, 0};
  int32_t countAtDown_ = 0;
  TIESelectionBase savedSelectionBase_ = iesbClientArea;
  int32_t baseNesting_ = 0;
  bool polygonDrawing_ = false, lassoDrawing_ = false, rectDrawing_ = false, circleDrawing_ = false;
  int32_t selGrip_ = 0;      // selection grip being dragged
  int32_t moveState_ = -1;   // 0 while the selection moves
  bool movingRect_ = false;  // a rectangular selection is being moved
  bool forceAlt_ = false;

  // Geometry state the scrolling, painting and vector layers read.
  double zoomX_ = 100, zoomY_ = 100;
  double zoomFactorX_ = 1, zoomFactorInvX_ = 1, zoomFactorY_ = 1, zoomFactorInvY_ = 1;
  int32_t viewX_ = 0, viewY_ = 0;
  int32_t offsetX_ = 0, offsetY_ = 0;
  int32_t extentX_ = 0, extentY_ = 0;
  int32_t zoomedWidth_ = 0, zoomedHeight_ = 0;
  int32_t imageWidth_ = 0, imageHeight_ = 0;
  int32_t srcX_ = 0, srcY_ = 0, srcWidth_ = 0, srcHeight_ = 0, destWidth_ = 0, destHeight_ = 0;

 private:
  // The compositor's steps (image_view_compositor.cpp).
  struct TMaskStep;
  struct TLayerRects;
  struct TRotatedDraw;
  // Nothing is composed at design time, without an image, or with an alpha channel of another size.
  bool CanCompose();
  void PrepareMaskStep(int32_t index, TMaskStep& step);
  void ApplyMaskLayer(TIELayer* layer, TMaskStep& step);
  void RestoreMaskAlpha(TIELayer* layer, TMaskStep& step);
  // One layer at the origin, or all layers of one size.
  bool UsesFastPath(TIELayer* layer) const;
  TResampleFilter LayerFilter(TIELayer* layer) const;
  void DrawLayerFast(TIELayer* layer, TIEBitmap* dest, TIERowAddressTable* destRows, const RECT* clip,
                     bool overSolid);
  void DrawLayerGeneral(int32_t index, TIEBitmap* dest, TIERowAddressTable* destRows, const RECT* clip,
                        bool overSolid);
  void MakeRotatedCopy(TIELayer* layer, TRotatedDraw& rotated);
  void CropToLayerZero(TIELayer* layer, TIEBitmap* source, int32_t w, int32_t h, TLayerRects& r);
  void BuildLayerIndexTables(TIELayer* layer, TIEBitmap* source, const TLayerRects& r, TIEIndexTable& columns,
                             TIEIndexTable& rows);
  void DrawLayerOverlays(int32_t index, TIEBitmap* dest, const RECT* clip);
  // firstLayer: the index of the first layer drawn (-1 none).
  void PaintBufferBackground(TIEBitmap* dest, const RECT* clip, int32_t firstLayer, bool force);
  bool FirstLayerCoversDestination(TIEBitmap* dest, int32_t index);
  void DrawSelectionMarks(vcl::TBitmap* bitmap);
  void DrawPixelGrid(vcl::TBitmap* bitmap);
  void DrawMagnifier(TIELayer* layer, TIEBitmap* dest);
  void ApplyDisplayMode(TIEBitmap* dest);
  // Index tables of the fast path, read from the zoom tables.
  void BuildFastIndexTables();
  // The client column (row) of bitmap column x, moved by one where the tables round it off.
  int32_t LayerClientX(int32_t x);
  int32_t LayerClientY(int32_t y);
  void ScrollAction(bool horizontal, int32_t code, uint16_t position);
  // The origin clamped and set; repaints, tells, and moves the named axes' scroll bars.
  void MoveOrigin(int32_t x, int32_t y, bool horizontal, bool vertical);
  // Paints now unless painting is locked.
  void PaintNow();
  // Moves the composed back buffer by (dx, dy) client pixels (the picture moves left and up)
  // and composes the strips that come into view; false when the view's look does not allow it
  // (then the whole buffer must be composed again).
  bool ScrollBackBuffer(int32_t dx, int32_t dy);
  void SetFactors();
  void FollowCurrentBitmap();
  // The selection record's drawing pieces (image_view_selection_draw.cpp).
  void DrawMarchingLine(vcl::TCanvas* canvas, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
  void DrawSelectionGrips(vcl::TCanvas* canvas);
  void EnsureSelectionTimer();
  void PaintUnlessLocked();
  bool IsAxisRectangle() const;
  void SelectRectCore(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t operation, bool square, bool moveInside);
  // A client point clamped to the current layer's drawn rectangle (right and bottom edge + 1).
  vcl::TPoint ClampToLayer(int32_t x, int32_t y);
  int32_t ToBitmapX(int32_t x);
  int32_t ToBitmapY(int32_t y);
  bool AltHeld(vcl::TShiftState shift) const;
  void SelectionMouseMove(vcl::TShiftState shift, int32_t x, int32_t y, int32_t rawX, int32_t rawY);
  void IdleMouseMove(vcl::TShiftState shift, int32_t x, int32_t y, int32_t rawX, int32_t rawY);
  void LayerMouseMove(vcl::TShiftState shift, int32_t x, int32_t y, int32_t rawX, int32_t rawY);
  void ApplyPendingRotations();
  vcl::TCursor GripCursor(int32_t grip) const;
  // SetZoomX (horizontal) or SetZoomY: one axis zoomed, the other left as it is.
  void SetAxisZoom(double zoom, bool horizontal);
  // Exchanges SelectionBase with the event-time base: a handler sees (and may set) the base of
  // events, and the view's own setting comes back after it.
  void SwapSelectionBase() { std::swap(selectionBase_, eventSelectionBase_); }
  void RefreshViewRect();
  void FreeZoomTables();
  void DetachNavigator();
  void NavigatorBitmapChanged();

  bool legacyBitmap_ = true;
  vcl::TBitmap* vclBitmap_ = nullptr;  // owned through layer 0's bitmap while legacy
  TIEBitmap* ieBitmap_ = nullptr;      // the current layer's bitmap
  std::vector<std::unique_ptr<TIELayer>> layers_;
  int32_t layersCurrent_ = 0;
  bool layersSync_ = false;
  bool skipUnselectable_ = true;
  int32_t layerToRefresh_ = -1;

  int32_t updateLock_ = 1;
  int32_t paintLock_ = 0;
  bool updateRunning_ = false;
  bool updateReentry_ = false;
  bool invalidateOnUpdate_ = true;
  bool invalidateSuppress_ = false;
  uint8_t updateKind_ = 0;
  int32_t lastImageWidth_ = 0, lastImageHeight_ = 0;
  bool backBufferDirty_ = true;
  bool fullRepaint_ = true;

  bool center_ = true;
  bool autoFit_ = false, autoStretch_ = false, autoShrink_ = false;
  TResampleFilter zoomFilter_ = rfNone;
  TResampleFilter savedZoomFilter_ = rfNone;
  bool delayZoomFilter_ = false;
  bool enableAlphaChannel_ = true;
  bool doubleBuffer_ = true;
  bool flatScrollBars_ = false;
  bool enableInteractionHints_ = true;
  bool drawVersion_ = false;
  vcl::TScrollStyle scrollBars_ = vcl::ssBoth;
  vcl::TCursor cursorSetting_ = 0;
  vcl::TCursor cursorShown_ = crIECross;
  bool hasOwner_ = false;
  int32_t mouseInteract_ = 0;
  int32_t delayedFilterTicks_ = 4, outlinePauseTicks_ = 2;
  int32_t delayedFilterCountdown_ = 0, outlinePauseCountdown_ = 0;

  // Zoom tables, per axis: zoomed-to-bitmap (Z) and bitmap-to-zoomed (B), the snapped origin
  // they are read from, and the key they were built for.
  std::vector<int32_t> zTableX_, zTableY_, bTableX_, bTableY_;
  int32_t zWindowX_ = 0, zWindowY_ = 0;
  int32_t tableDestWidth_ = 0, tableDestHeight_ = 0, tableExtentX_ = 0, tableExtentY_ = 0;
  double keyZoomX_ = -1, keyZoomY_ = -1;
  int32_t keyDestWidth_ = -1, keyDestHeight_ = -1, keyImageWidth_ = -1, keyImageHeight_ = -1;

  int32_t selectionOptions_ = iesoAnimated | iesoSizeable | iesoMoveable | iesoCanScroll;
  // The selection record: how the outline of the point list is drawn.
  struct TSelectionRecord {
    vcl::TColor colour1 = 0, colour2 = 0xFFFFFF;
    bool animated = true;
    int32_t phase = 0;
    int32_t dashCounter = 0;
    bool visible = false;
    bool sizeable = true;
  } selection_;
  vcl::TTimer* selectionTimer_ = nullptr;  // owned (component owner: this view)
  int32_t selectionIntensity_ = 1;
  bool multiSelect_ = true;
  int32_t fixedSelWidth_ = 100, fixedSelHeight_ = 100;
  int32_t selectionGridSize_ = 1;
  vcl::TColor selGripPen_ = 0, selGripBrush_ = 0xBAFFFF;
  vcl::TBrushStyle selGripBrushStyle_ = vcl::bsSolid;
  int32_t selGripSize_ = 5;
  uint8_t selGripShape_ = 1;  // 0 box, 1 circle
  bool selEdgeGrips_ = true;
  int32_t magicWandMode_ = 0, magicWandTolerance_ = 15;
  bool magicWandMaxFilter_ = false;
  int32_t maskOutlinePhase_ = 0;
  bool skipOutlineWhileMoving_ = true;
  int32_t animationBudget_ = -20;
  bool autoScrolling_ = false;
  vcl::TRect gripBox_{0, 0, 0, 0};  // the selection box when a grip drag started
  bool navigatorSync_ = false;
  // Mouse settings and layer gestures.
  double scrollSpeed_ = 1.0;
  int32_t rotationSnap_ = 45;
  int32_t layerResizeAspect_ = 1;
  bool layerUndo_ = false;
  bool cropOnRotate_ = true;
  bool zoomSelectionUniform_ = true;
  TResampleFilter filterAtDown_ = rfNone;
  int32_t movingLayer_ = -1, rotatingLayer_ = -1, centreLayer_ = -1;
  int32_t layerGrip_ = 0;
  bool layerUndoSaved_ = false, layerMoved_ = false;
  double accumulatedRotation_ = 0;
  vcl::TRect layerRectAtGrip_{0, 0, 0, 0};
  double layerAspect_ = 1;
  double selectionAspectRatio_ = -1;
  TIESelectionBase selectionBase_ = iesbClientArea;
  TIESelectionBase eventSelectionBase_ = iesbClientArea;
  int32_t layerGripSize_ = 5;
  vcl::TColor layerGripPenColour_ = 0;
  vcl::TColor layerGripBrushColour_ = 0xBAFFFF;
  vcl::TBrushStyle layerGripBrushStyle_ = vcl::bsSolid;
  uint8_t layerGripShape_ = 1;  // 0 rectangle, 1 ellipse
  std::unique_ptr<vcl::TPen> layerBoxPen_;
  std::unique_ptr<TIEMask> mask_;
  bool selected_ = false;
  std::vector<std::unique_ptr<vcl::TMemoryStream>> selectionStack_;
  std::vector<vcl::TPoint> polygon_;
  vcl::TRect polygonBox_{0, 0, 0, 0};

  TImageView* navigator_ = nullptr;
  uint8_t linkOptions_ = 0;        // as a target: the options its navigator was linked with
  uint8_t navigatorOptions_ = 0;   // as a navigator: the options its target gave it
  bool isNavigator_ = false;
  // This view's bitmap-change handler that keeps the navigator on the current bitmap.
  int32_t navigatorHandle_ = 0;

  std::string hintText_, hintTemplate_;
  int32_t hintX_ = 0, hintY_ = 0;
  std::unique_ptr<TIEBitmap> backBuffer_;
  TIERowAddressTable backRows_;
  TIEIndexTable fastColumns_, fastRows_;
  std::unique_ptr<TIEBitmap> shadeBuffer_;
  HANDLE drawDib_ = nullptr;  // the DrawDib context, opened on first use
  HWND lastWindow_ = nullptr;
  bool initialCursor_ = true;
  bool fixedSize_ = false;
  bool drawDibPreferred_ = false;
  TIEBackgroundStyle backgroundStyle_ = iebsSolid;
  int32_t chessboardSize_ = 16;
  vcl::TBrushStyle chessboardBrushStyle_ = vcl::bsSolid;
  vcl::TColor gradientEndColour_ = 0xFF0000;
  std::unique_ptr<vcl::TPicture> wallPaper_;
  TIEWallPaperStyle wallPaperStyle_ = iewoNormal;
  int32_t layersDisplayMode_ = 0, layersDisplayAmount_ = 60;
  bool drawAllBoxes_ = false;
  bool displayGrid_ = false;
  vcl::TPoint markedPixel_{-1, -1};
  int32_t minLayerSize_ = 2;
  bool selectionVisible_ = true;
  int32_t outerMarkOpacity_ = -1;
  vcl::TColor outerMarkColour_ = 0xFFFFFF;
  vcl::TRect shownRect_{0, 0, 0, 0};  // the selection's last outline rectangle (navigator shading)
  bool gripDragging_ = false;  // set by the mouse code while a layer grip is dragged
  double hRatio_ = 1, vRatio_ = 1;
  bool hBarShown_ = false, vBarShown_ = false;
  bool keepScrollBars_ = false;
  vcl::TTimer* smoothTimer_ = nullptr;  // owned (component owner: this view)
  int32_t smoothTargetX_ = 0, smoothTargetY_ = 0;
  int32_t smoothDivisor_ = 8;
  std::unique_ptr<TIEScrollBarParams> vScrollParams_, hScrollParams_;
  std::unique_ptr<TIEMouseWheelParams> wheelParams_;
  TImageIO* io_ = nullptr;  // owned (component owner: this view)
  TImageProc* proc_ = nullptr;  // owned (component owner: this view)
  bool layersRotationAntialias_ = false;
  TRotateQuality layersRotationQuality_ = rqShear;

  // The view's selection and layers as the processing object sees them (image_view_proc_access.cpp).
  // A member rather than a base: the view's own selection and layer members keep their names
  // and results.
  class TProcAccess;
  std::unique_ptr<TProcAccess> procAccess_;
};

}  // namespace imaging

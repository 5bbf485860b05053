// TImageVect: an image view that keeps vector objects over its image. Objects live in bitmap
// pixels, are drawn over the composed layers on every paint and into bitmaps, and are created,
// selected, moved and resized with the mouse. This header holds the class; its aspects live in
// image_vect_*.cpp (objects and shared bitmaps, drawing, mouse editing, hit tests).
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "imaging/model/ie_bitmap.h"
#include "imaging/vect/vect_object.h"
#include "imaging/view/image_view.h"
#include "vcl/runtime/streams.h"

namespace vcl {
class TPicture;
class TTimer;
}  // namespace vcl

namespace imaging {

class TIECanvas;
class TIEEdit;
class TIETextControl;

// The four bytes at the position are "IEV" and a version this system reads; the position stays.
bool IsIEVStream(vcl::TStream* stream);
// An offset inside the stream, a layer stream, and an IEV stream at the offset; the position stays.
bool IsLayersAndObjectsStream(vcl::TStream* stream);

enum TIEVUndoMode : uint8_t { ieumSeparated, ieumShared };

// Units of measurement (the view's MUnit and a ruler's RulerUnit).
enum TIEUnits : uint8_t {
  ieuPIXELS, ieuINCHES, ieuKM, ieuMETERS, ieuCENTIMETERS, ieuMILLIMETERS, ieuMICRONS, ieuNANOMETERS, ieuFEET,
  ieuYARDS, ieuMILES
};
// Units per pixel for a resolution (before the view's scale) and the unit's name.
double UnitsPerPixel(TIEUnits unit, int32_t dpi);
const char* UnitText(TIEUnits unit);

using TIEMeasureHintEvent = std::function<void(vcl::TObject* sender, std::string& text, double value)>;
// valType: 0 an area, 1 a length.
using TIEPresentMeasureEvent =
    std::function<void(vcl::TObject* sender, std::string& text, double value, int32_t valType)>;
using TIEDragLenEndEvent = std::function<void(vcl::TObject* sender, double value)>;

// What the mouse does in a vector view (a set of these bits).
enum TIEVectMouseMode : int32_t {
  vmMeasureArea = 1 << 0,
  vmMeasurePerimeter = 1 << 1,
  vmDrawLine = 1 << 2,
  vmDrawBox = 1 << 3,
  vmDrawEllipse = 1 << 4,
  vmDrawBitmap = 1 << 5,
  vmDrawText = 1 << 6,
  vmSelectObjects = 1 << 7,
  vmMeasureLength = 1 << 8,
  vmDrawRuler = 1 << 9,
  vmDrawPolyline = 1 << 10,
  vmDrawAngle = 1 << 11,
  vmDrawMemo = 1 << 12,
  vmDrawLineLabel = 1 << 13,
  vmEditPolyline = 1 << 14,
  vmNoClickCreate = 1 << 15,
  vmDrawExtended = 1 << 16,
};
using TIEVectMouseModes = int32_t;

using TIEVNewObject = std::function<void(vcl::TObject* sender, int32_t hobj)>;
using TIEUserSelectObject = std::function<void(vcl::TObject* sender, int32_t hobj)>;
using TIEVObjectClickEvent = std::function<void(vcl::TObject* sender, int32_t hobj)>;
using TIEVObjectMoveResizeEvent =
    std::function<void(vcl::TObject* sender, int32_t hobj, int32_t grip, int32_t& offsetX, int32_t& offsetY)>;
using TIEDrawObjectEvent = std::function<void(vcl::TObject* sender, int32_t hobj, vcl::TBitmap* destination,
                                              vcl::TRect destRect, bool drawingAlpha, bool& handled)>;

// How DrawObjects converts coordinates: through the view's zoom and scroll (client) or 1:1.
enum TIEVectCoords : uint8_t { iecClient, iecBitmap };

class TImageVect : public TImageView {
  VCL_CLASS(TImageVect, TImageView)
  explicit TImageVect(vcl::TComponent* owner);
  ~TImageVect() override;

  // ---- objects (image_vect_objects.cpp) ----
  // The record of a handle: -1 the template, -2 the last object, an index of the storage;
  // nil for -3, -4 and every handle that names no object.
  TIEVectorObject* GetObjectRecord(int32_t hobj);
  int32_t ObjectsCount() const { return static_cast<int32_t>(storage_.size()); }
  // The handles back to front.
  const std::vector<int32_t>& DrawingOrder() const { return drawOrder_; }
  int32_t GetObjFromIndex(int32_t index) const;
  TIEVectorObject& Template() { return template_; }
  // Appends a copy of the record (usually the template) and gives its handle.
  int32_t AddNewObject(const TIEVectorObject& record);
  int32_t AddNewObject() { return AddNewObject(template_); }
  void RemoveAllObjects();
  // The LOGFONTA of the font and its colour as the pen colour.
  void SetObjFont(int32_t hobj, vcl::TFont* font);
  vcl::TFontStyles GetObjFontStyles(int32_t hobj);
  void SetObjUserData(int32_t hobj, const void* data, int32_t length);
  // (0, 0, one past the largest x, one past the largest y) over every object.
  vcl::TRect GetObjectsExtent();
  void AddPolylinePoint(int32_t hobj, int32_t x, int32_t y);

  // ---- the view's operations it overrides ----
  // Also Paint (protected, below). Select and AddSelectionPoint only pass to the view's; they are
  // listed so that the set of overrides stays whole.
  void Assign(vcl::TPersistent* source) override;
  // The view's update, then the editor follows its object.
  void Update() override;
  // The view's setters, then the measure hint and the rulers follow the new resolution.
  void SetDpiX(int32_t value) override;
  void SetDpiY(int32_t value) override;
  void SetMouseInteract(int32_t value) override;
  // A zoom or scroll: the open editor follows its object.
  void ViewChange(int32_t change) override;
  // The view scrolled under a drag by (dx, dy): the point being dragged stays on the picture.
  void OffsetMousePoints(int32_t dx, int32_t dy) override;
  void PaintToBackBuffer(TIEBitmap* dest, TIERowAddressTable* destRows, bool drawOverlays, bool drawBackground,
                         const RECT* clip) override;
  void Select(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t operation = 0) override;
  void AddSelectionPoint(int32_t x, int32_t y) override;

  // ---- IEV streams (image_vect_stream.cpp) ----
  // Writes every object at the stream's position: "IEV", the version, the shared bitmaps as
  // PNG and the zlib-compressed object records.
  void SaveObjectsToStream(vcl::TStream* stream);
  // False (the four bytes consumed, the objects untouched) for another magic or version; true
  // after a complete load. A stream that ends early or holds values no writer makes raises
  // EReadError (or the zlib or codec error) and leaves the objects as they were.
  bool LoadObjectsFromStream(vcl::TStream* stream);
  // False for an empty name; a missing file raises the file stream's error.
  bool LoadObjectsFromFile(const std::string& fileName);
  // An int32 offset, the layer stream, then the IEV stream at that offset.
  void SaveLayersAndObjectsToStream(vcl::TStream* stream, int32_t layerFormat);
  bool LoadLayersAndObjectsFromStream(vcl::TStream* stream);
  bool LoadLayersAndObjectsFromFile(const std::string& fileName);

  // ---- undo snapshots (image_vect_undo.cpp) ----
  TIEVUndoMode ObjUndoMode() const { return undoMode_; }
  void SetObjUndoMode(TIEVUndoMode value) { undoMode_ = value; }
  bool ObjAutoUndo() const { return objAutoUndo_; }
  void SetObjAutoUndo(bool value) { objAutoUndo_ = value; }
  int32_t ObjUndoLimit() const { return undoLimit_; }
  void SetObjUndoLimit(int32_t value) { undoLimit_ = std::max(0, value); }
  // Takes a snapshot when ObjAutoUndo is set (into the own list or the processing undo).
  void SaveUndoAtPress();
  bool UndoSavedAtPress() const { return undoSavedAtPress_; }
  // Writes every object into a new snapshot of the own list (nothing when the limit is 0).
  void SaveObjUndo();
  void DropLastObjUndo();
  void ClearObjUndo();
  int32_t ObjUndoCount() const { return static_cast<int32_t>(objUndo_.size()); }
  // Removes the newest snapshot of the own list and loads it; false when there is none.
  bool ObjUndo();

  // ---- clipboard (image_vect_clipboard.cpp) ----
  // Puts the selected objects on the clipboard as an IEV stream in the "IMAGING VECT" format.
  void CopyObjectsToClipboard();
  // Adds the objects the clipboard holds in that format and selects them; false when it holds
  // none. A damaged block raises the stream's error and adds nothing.
  bool PasteObjectsFromClipboard();

  // ---- selection ----
  // A handle already selected is not added again.
  void SelObject(int32_t hobj);
  bool IsSelObject(int32_t hobj);
  void UnSelObject(int32_t hobj);
  void UnSelAllObjects();
  int32_t SelObjectsCount() const { return static_cast<int32_t>(selection_.size()); }
  int32_t SelObjects(int32_t index) const { return selection_.at(index); }

  // ---- shared bitmaps ----
  void SetObjBitmap(int32_t hobj, TIEBitmap* bitmap);
  // An index outside the table stores -1.
  void SetObjBitmapIndex(int32_t hobj, int32_t index);
  void SetObjBitmapFromIcon(int32_t hobj, const char* iconName, int32_t width, int32_t height);
  // The bitmap of an object, nil for none.
  TIEBitmap* GetObjBitmap(int32_t hobj);
  int32_t BitmapTableCount() const { return static_cast<int32_t>(bitmaps_.size()); }
  TIEBitmap* BitmapTableBitmap(int32_t index) const;
  int32_t BitmapTableRefCount(int32_t index) const;
  // Removes empty entries and renumbers the references.
  void CompactBitmaps();
  bool ShareBitmaps() const { return shareBitmaps_; }
  void SetShareBitmaps(bool value) { shareBitmaps_ = value; }

  // ---- properties ----
  TIEVectMouseModes MouseInteractVt() const { return vectModes_; }
  // A change ends any running creation or drag.
  void SetMouseInteractVt(TIEVectMouseModes value);
  bool ZoomObjectsWidth() const { return zoomObjectsWidth_; }
  void SetZoomObjectsWidth(bool value);
  TResampleFilter BitmapResampleFilter() const { return bitmapFilter_; }
  void SetBitmapResampleFilter(TResampleFilter value);
  bool ObjAntialias() const { return objAntialias_; }
  void SetObjAntialias(bool value);
  bool SelectOnMouseDown() const { return selectOnMouseDown_; }
  void SetSelectOnMouseDown(bool value) { selectOnMouseDown_ = value; }
  vcl::TPicture* ObjGripImage() const { return gripImage_.get(); }
  void SetObjGripImage(vcl::TPicture* value);
  int32_t ObjGripSize() const { return gripSize_; }
  void SetObjGripSize(int32_t value) { gripSize_ = value; }
  uint8_t ObjGripShape() const { return gripShape_; }
  void SetObjGripShape(uint8_t value) { gripShape_ = value; }
  double Scale() const { return scale_; }
  // Stores the scale, recomputes the units per pixel, refreshes the measure hint and updates.
  void SetScale(double value);
  int32_t MaxSelectionDistance() const { return maxSelDistance_; }
  void SetMaxSelectionDistance(int32_t value) { maxSelDistance_ = value; }
  int32_t ObjBodyTolerance() const { return bodyTolerance_; }
  void SetObjBodyTolerance(int32_t value) { bodyTolerance_ = value; }
  bool CenterNewObjects() const { return centreOnClick_; }
  void SetCenterNewObjects(bool value) { centreOnClick_ = value; }
  bool EnableRangeObjectsSelection() const { return rubberBandSelect_; }
  void SetEnableRangeObjectsSelection(bool value) { rubberBandSelect_ = value; }
  bool AllowOutOfBitmapMoving() const { return allowMoveOutside_; }
  void SetAllowOutOfBitmapMoving(bool value) { allowMoveOutside_ = value; }
  bool AllowOutOfBitmapPolylines() const { return polylineLeaves_; }
  void SetAllowOutOfBitmapPolylines(bool value) { polylineLeaves_ = value; }
  // 0 a double click ends a polyline, 1 the application does, 2 the release does.
  uint8_t PolylineEndingMode() const { return polylineEndMode_; }
  void SetPolylineEndingMode(uint8_t value) { polylineEndMode_ = value; }
  bool BoxInsideSelects() const { return boxInsideSelects_; }
  void SetBoxInsideSelects(bool value) { boxInsideSelects_ = value; }
  bool CenterGrip() const { return centreGrip_; }
  void SetCenterGrip(bool value) { centreGrip_ = value; }
  bool BitmapAlphaHitTest() const { return alphaHitTest_; }
  void SetBitmapAlphaHitTest(bool value) { alphaHitTest_ = value; }
  bool ObjectsHidden() const { return objectsHidden_ != 0; }
  void SetObjectsHidden(bool value);
  bool FastDrawingEnabled() const { return fastDrawingEnabled_; }
  void SetFastDrawingEnabled(bool value) { fastDrawingEnabled_ = value; }
  // The kind being created (0 none) and the grip being dragged (0 none).
  uint8_t CurrentAction() const { return action_; }
  uint8_t CurrentGrip() const { return grip_; }
  int32_t DrawnObjectsCount() const { return drawnCount_; }
  // Ends any running creation or drag at once.
  void CancelInteraction();

  // ---- in-place text editing (image_vect_text_edit.cpp) ----
  // Opens the editor of its kind on a text or memo whose TextEditable is set.
  void ActivateTextEdit(int32_t hobj);
  // Gives the edited text back to its object and hides the editor.
  void DeactivateTextEdit();
  bool IsTextEditing() const { return editedHandle_ >= 0; }
  // A text or memo created with the mouse opens its editor at once (default on).
  bool EditAfterCreate() const { return editAfterCreate_; }
  void SetEditAfterCreate(bool value) { editAfterCreate_ = value; }
  int32_t EditedHandle() const { return editedHandle_; }
  // Places the open editor over its object (after every update and view change).
  virtual void RepositionTextEdit();
  TIEEdit* TextEditor() const { return textEdit_; }
  TIETextControl* MemoEditor() const { return memoEdit_; }
  vcl::TKeyEvent OnTextKeyDown;
  vcl::TNotifyEvent OnActivateTextEdit;
  vcl::TNotifyEvent OnDeactivateTextEdit;
  vcl::TNotifyEvent OnTextEditCursorMoved;

  // ---- measurement (image_vect_measure.cpp) ----
  TIEUnits MUnit() const { return mUnit_; }
  // Also the template's RulerUnit.
  void SetMUnit(TIEUnits value);
  int32_t FloatDigits() const { return floatDigits_; }
  void SetFloatDigits(int32_t value);
  int32_t FloatPrecision() const { return floatPrecision_; }
  void SetFloatPrecision(int32_t value);
  // Units per pixel of MUnit along each axis, the view's DPI and Scale applied.
  double UnitsPerPixelX();
  double UnitsPerPixelY();
  // The value in fixed-point notation, a blank and the unit's name ("²" after an area).
  std::string MeasureText(double value, TIEUnits unit, bool area) const;
  // The hint near the mouse while a length is dragged; -1000000 means the last position.
  void ShowMeasureHint(int32_t x, int32_t y);
  void HideMeasureHint();
  bool MeasureHintActive() const { return hintActive_; }
  double LastMeasure() const { return lastMeasure_; }
  // The selection polygon's perimeter and area in units and square units; without a
  // polygon the area counts the selection mask's set pixels.
  double GetSelectionPerimeter();
  double GetSelectionArea();
  // Rulers keep their length text readable from left to right (default on).
  bool KeepRulerTextUpright() const { return keepRulerTextUpright_; }
  void SetKeepRulerTextUpright(bool value) { keepRulerTextUpright_ = value; }
  // Angles of 180 degrees or more show 360 minus the angle (default off).
  bool ReflexAngleComplement() const { return reflexAngleComplement_; }
  void SetReflexAngleComplement(bool value) { reflexAngleComplement_ = value; }
  // While a polygon selection is drawn, its perimeter runs on to the mouse (default on).
  bool MeasureIncludesMouse() const { return measureIncludesMouse_; }
  void SetMeasureIncludesMouse(bool value) { measureIncludesMouse_ = value; }
  TIEMeasureHintEvent OnMeasureHint;
  TIEPresentMeasureEvent OnPresentMeasure;
  TIEDragLenEndEvent OnDragLenEnd;

  // ---- drawing (image_vect_draw.cpp) ----
  // Draws all objects (hobj -3) or one into a platform bitmap; clip limits client-mode drawing.
  void DrawObjects(vcl::TBitmap* destination, int32_t hobj, TIEVectCoords coords, bool antialias,
                   const RECT* clip = nullptr);
  // Draws into an image bitmap of any pixel format, 1:1.
  void DrawObjectsToBitmap(TIEBitmap* bitmap, bool antialias, int32_t hobj = hobjAll);
  // Draws all objects into the current image, then updates.
  void DrawObjectsOnBackground(bool antialias);
  void DrawSelectionGrips(vcl::TBitmap* destination);
  // Draws objects at twice the size and scales them down where GDI+ cannot antialias.
  bool AntialiasedDrawing() const { return supersampling_; }
  virtual void SetAntialiasedDrawing(bool value);
  // The pen width drawn for a record at the current scale.
  int32_t ZoomedPenWidth(const TIEVectorObject& record, double sx, double sy) const;

  // ---- hit tests (image_vect_hit.cpp) ----
  // Distance of a bitmap point to the object; a negative result means "cannot be hit".
  double DistanceToObject(int32_t hobj, int32_t x, int32_t y);
  // The nearest visible object at a bitmap point, or -3.
  int32_t FindObjectAt(int32_t x, int32_t y, bool selectableOnly, double& distance);
  int32_t FindObjectAtClient(int32_t x, int32_t y, double& distance);
  // The selection index of the object with a grip under the client point, or -4.
  int32_t GripAtPoint(int32_t x, int32_t y, int32_t& grip);
  // The object's rectangle in client pixels (corners ordered).
  RECT ObjectClientRect(const TIEVectorObject& record);

  // ---- events ----
  vcl::TNotifyEvent OnSelectObject;
  TIEUserSelectObject OnUserSelectObject;
  TIEUserSelectObject OnUserDeselectObject;
  vcl::TNotifyEvent OnVectorialChanged;
  vcl::TNotifyEvent OnBeforeVectorialChanged;
  TIEVNewObject OnNewObject;
  TIEVObjectMoveResizeEvent OnObjectMoveResize;
  TIEVObjectClickEvent OnObjectClick;
  TIEVObjectClickEvent OnObjectDblClick;
  TIEVObjectClickEvent OnObjectOver;
  TIEDrawObjectEvent OnBeforeDrawObject;
  TIEDrawObjectEvent OnAfterDrawObject;

 protected:
  virtual void DoVectorialChanged();
  virtual void DoVectorialChangedOnce();
  virtual void DoObjectMoveResize(int32_t hobj, int32_t grip, int32_t& offsetX, int32_t& offsetY);
  virtual void DoObjectClick(int32_t hobj);
  virtual void DoObjectDblClick(int32_t hobj);
  virtual void DoObjectOver(int32_t hobj);
  virtual void DoNewObject(int32_t hobj);
  virtual void DoUserSelectObject(int32_t hobj);
  virtual void DoUserDeselectObject(int32_t hobj);
  void DoSelectObject();

  void MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
  void MouseMove(vcl::TShiftState shift, int x, int y) override;
  void MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
  // Esc closes the text editor; F2 opens it on the first selected text or memo.
  void KeyDown(WORD& key, vcl::TShiftState shift) override;
  void WMSize(vcl::TWMSize& message) override;
  void WMSetFocus(vcl::TWMSetFocus& message) override;
  void WMKillFocus(vcl::TWMKillFocus& message) override;
  void Dispatch(vcl::TMessage& message) override;
  // Starts fast drawing while the left button is held, then paints as the view does.
  void Paint() override;
  bool FastDrawingActive() const { return fastDrawingActive_; }
  // Fast drawing ends once the button is up; the view then repaints at full quality.
  void FastDrawingTimer();

  // Rubber bands on the window while creating: drawn with an inverting pen, so drawing the
  // same band again removes it. InvalidateRubberBand with erase puts the back buffer's pixels
  // back over the band's rectangle (for a band drawn without inverting), else it draws the
  // inverting line from the press to the current point.
  virtual void InvalidateRubberBand(bool erase);
  virtual void DrawRubberBox();
  virtual void DrawRubberEllipse();
  virtual void DrawRubberLine(int32_t fromX, int32_t fromY);
  // The polyline or angle under creation followed to the mouse, over the composed picture.
  virtual void DrawRubberAngle(vcl::TBitmap* destination);
  void DrawRubberPolyline(vcl::TBitmap* destination);

  // A ruler from P to Q in destination pixels (sx, sy: destination pixels per bitmap pixel):
  // ticks with unit labels, or end bars with its length (-1: measured from P and Q).
  virtual void DrawRuler(TIECanvas& canvas, TIEVectorObject& record, POINT p, POINT q, double sx, double sy,
                         double length = -1);
  // An angle through up to three points: its legs, and with three its arc and degrees.
  virtual void DrawAngle(TIECanvas& canvas, TIEVectorObject& record, const POINT* points, int32_t count, double sx,
                         double sy);

 private:
  struct TBitmapEntry {
    std::unique_ptr<TIEBitmap> bitmap;
    int32_t count = 0;
  };
  struct TDrawState;

  // Everything an IEV stream holds, read completely before any of it replaces objects.
  struct TLoadedObjects {
    double scale = 1.0;
    std::vector<std::unique_ptr<TIEBitmap>> table;  // nil for entries without image
    std::vector<TIEVectorObject> records;
  };
  // Reads a whole IEV stream without touching the objects; false for another magic or version.
  bool ReadObjectsStream(vcl::TStream* stream, TLoadedObjects& loaded);
  // Appends what was read (replace: after removing every object) and gives the new handles.
  std::vector<int32_t> InstallObjects(TLoadedObjects& loaded, bool replace);
  // The stream of the given objects; only their bitmaps are written.
  void WriteObjects(vcl::TStream* stream, const std::vector<int32_t>& handles, bool subset);
  void WithdrawUndoAtRelease();
  void TextEditKeyDown(vcl::TObject* sender, WORD& key, vcl::TShiftState shift);
  void MemoEditKeyDown(vcl::TObject* sender, WORD& key, vcl::TShiftState shift);
  void TextEditChange();
  // Loads a memo's look and content into a text control.
  void ConfigureMemoControl(TIETextControl& control, const TIEVectorObject& record);
  TIEProcVectorView* VectorView() override;

  // Appends the record as a new object (AddNewObject's work without the copy).
  int32_t AdoptNewObject(TIEVectorObject&& record);
  void ReleaseBitmapEntry(int32_t index);
  int32_t FindSharedBitmap(TIEBitmap* bitmap);
  int32_t NewBitmapEntry(std::unique_ptr<TIEBitmap> bitmap);
  void MakeTemplateBitmap();
  void AppendHandle(std::vector<int32_t>& list, int32_t hobj);

  // Drawing one object; false when it was not drawn (invisible or outside).
  bool DrawObject(TIEVectorObject& record, int32_t hobj, TDrawState& state);
  // Soft shadows, blend operations and transparent texts go through a buffer with a coverage
  // alpha channel that is then rendered onto the destination.
  bool NeedsCompositing(const TIEVectorObject& record) const;
  void CompositeObject(TIEVectorObject& record, int32_t hobj, TDrawState& state, int32_t factor);
  void DrawLineEndShape(TIECanvas& canvas, TIEVectorObject& record, POINT end, POINT other, uint8_t shape,
                        double width, double length);
  void DrawLineLabel(TIECanvas& canvas, TIEVectorObject& record, TDrawState& state, POINT p1, POINT p2);
  void DrawBitmapObject(TIECanvas& canvas, TIEVectorObject& record, TDrawState& state, RECT r, int32_t w);
  void DrawTextObject(TIECanvas& canvas, TIEVectorObject& record, TDrawState& state, RECT r);
  void DrawMemoObject(TIECanvas& canvas, TIEVectorObject& record, TDrawState& state, RECT r);
  void HighlightRect(vcl::TBitmap* destination, RECT r, vcl::TColor colour, uint8_t transparency, const RECT* clip);
  void DrawGrip(vcl::TCanvas* canvas, int32_t x, int32_t y, bool diamond);

  // The mouse (image_vect_mouse.cpp).
  POINT ClampToImage(int32_t x, int32_t y);
  void SelectAtPoint(vcl::TShiftState shift, int32_t x, int32_t y, bool atPress);
  void CreateAtRelease();
  void MoveByGrip(vcl::TShiftState shift, int32_t x, int32_t y);
  void ResizeObjectByGrip(TIEVectorObject& record, int32_t grip, int32_t dx, int32_t dy, bool keepAspect);
  void RubberBandSelect(vcl::TShiftState shift);
  void PressAngle(vcl::TShiftState shift, int32_t x, int32_t y);
  void PressPolyline(vcl::TShiftState shift, int32_t x, int32_t y, bool doubleClick);
  void FindPolylinePointAtPress(int32_t x, int32_t y);
  void ReleasePolylineEdit(vcl::TShiftState shift, int32_t x, int32_t y);
  void DragPolylinePoint(int32_t x, int32_t y);
  void SetModeCursor(vcl::TShiftState shift, int32_t x, int32_t y);
  int32_t BitmapOffsetX(int32_t x) const;
  int32_t BitmapOffsetY(int32_t y) const;

  vcl::TTimer* fastTimer_ = nullptr;  // owned (component owner: this view)
  std::unique_ptr<TIEBitmap> compBuffer_, compCoverage_;  // kept while the destination size stays
  TIEVectorObject template_;
  std::vector<std::unique_ptr<TIEVectorObject>> storage_;
  std::vector<int32_t> drawOrder_;
  std::vector<int32_t> selection_;
  std::vector<TBitmapEntry> bitmaps_;

  std::unique_ptr<TIEProcVectorView> vectorAccess_;
  TIEEdit* textEdit_ = nullptr;           // owned (component owner: this view)
  TIETextControl* memoEdit_ = nullptr;    // owned (component owner: this view)
  std::unique_ptr<TIETextControl> memoRenderer_;  // windowless: lays out memos not being edited
  int32_t editedHandle_ = -1;
  bool destroying_ = false;
  std::vector<std::unique_ptr<vcl::TMemoryStream>> objUndo_;
  TIEVUndoMode undoMode_ = ieumSeparated;
  bool objAutoUndo_ = false;
  int32_t undoLimit_ = 1;
  bool undoSavedAtPress_ = false;

  TIEUnits mUnit_ = ieuPIXELS;
  int32_t floatDigits_ = 2;
  int32_t floatPrecision_ = 15;
  bool keepRulerTextUpright_ = true;
  bool reflexAngleComplement_ = false;
  bool measureIncludesMouse_ = true;
  bool editAfterCreate_ = true;
  bool hintActive_ = false;
  double lastMeasure_ = 0;
  POINT hintPosition_{0, 0};
  std::unique_ptr<vcl::TBitmap> hintBackup_;
  std::unique_ptr<vcl::TFont> hintFont_;
  std::unique_ptr<vcl::TBrush> hintBrush_;

  TIEVectMouseModes vectModes_ = 0;
  double scale_ = 1.0;
  bool zoomObjectsWidth_ = true;
  TResampleFilter bitmapFilter_ = rfNone;
  bool objAntialias_ = true;
  bool shareBitmaps_ = true;
  bool selectOnMouseDown_ = true;
  std::unique_ptr<vcl::TPicture> gripImage_;
  uint8_t gripShape_ = 1;
  int32_t gripSize_ = 5;
  vcl::TColor gripPenColour_ = 0;
  vcl::TColor gripBrushColour_ = 0xBAFFFF;  // RGB(255, 255, 186)
  int32_t maxSelDistance_ = -1;
  int32_t bodyTolerance_ = 1;
  bool centreOnClick_ = false;
  bool rubberBandSelect_ = true;
  bool allowMoveOutside_ = true;
  bool polylineLeaves_ = false;
  uint8_t polylineEndMode_ = 0;
  bool boxInsideSelects_ = false;
  bool centreGrip_ = false;
  bool alphaHitTest_ = true;
  int32_t objectsHidden_ = 0;
  bool fastDrawingActive_ = false;
  bool fastDrawingEnabled_ = true;
  bool supersampling_ = false;
  int32_t drawnCount_ = 0;
  int32_t interactionChanged_ = 0;

  // Interaction state.
  uint8_t action_ = 0;
  uint8_t grip_ = 0;
  POINT press_{0, 0};
  POINT current_{0, 0};
  POINT lastMouse_{-1, -1};
  int32_t dragOffsetX_ = 0, dragOffsetY_ = 0;
  int32_t polylineHandle_ = -1;
  POINT polylineLast_{0, 0};
  int32_t angleHandle_ = -1;
  int32_t polylinePoint_ = -1;
  int32_t polylineSegment_ = -1;
  bool changed_ = false;
  bool changedOnce_ = false;
  bool changedDuringInteraction_ = false;
  bool deferredSelect_ = false;
  bool doubleClick_ = false;
  bool skipMoveAfterDouble_ = false;
  bool pressed_ = false;
  bool rubberShown_ = false;
  bool rubberBand_ = false;  // a selection rubber band is being dragged
  int32_t extendedUnderMouse_ = -1;
};

}  // namespace imaging

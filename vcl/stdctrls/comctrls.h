// The common controls over comctl32's window classes: track bar, up-down, progress bar, tab
// control and page control, status bar, tool bar, list view, tree view and header. The
// windows draw and take input; their notifications come back reflected (CN_NOTIFY,
// CN_HSCROLL, CN_COMMAND) and become the controls' events.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "vcl/classes/collection.h"
#include "vcl/controls/controls.h"
#include "vcl/graphics/imagelist.h"
#include "vcl/stdctrls/stdctrls.h"
#include "vcl/classes/stringlist.h"

namespace vcl {

class TPopupMenu;

// Registers the common control classes with the platform once.
void InitCommonControlClasses();

// ---- TTrackBar -------------------------------------------------------------------------------

enum TTrackBarOrientation { trHorizontal, trVertical };
enum TTickMark { tmBottomRight, tmTopLeft, tmBoth };
enum TTickStyle { tsNone, tsAuto, tsManual };

class TTrackBar : public TWinControl {
  VCL_CLASS(TTrackBar, TWinControl)
  explicit TTrackBar(TComponent* owner);

  int Min() const { return min_; }
  void SetMin(int value) { SetRange(value, max_); }
  int Max() const { return max_; }
  void SetMax(int value) { SetRange(min_, value); }
  // The thumb's place; follows the window (keyboard, mouse, TBM_SETPOS). Setting it from code
  // fires no OnChange.
  int Position();
  void SetPosition(int value);
  int Frequency() const { return frequency_; }
  void SetFrequency(int value);
  int LineSize() const { return lineSize_; }
  void SetLineSize(int value);
  int PageSize() const { return pageSize_; }
  void SetPageSize(int value);
  TTrackBarOrientation Orientation() const { return orientation_; }
  void SetOrientation(TTrackBarOrientation value);
  TTickMark TickMarks() const { return tickMarks_; }
  void SetTickMarks(TTickMark value);
  TTickStyle TickStyle() const { return tickStyle_; }
  void SetTickStyle(TTickStyle value);
  int ThumbLength() const { return thumbLength_; }
  void SetThumbLength(int value);
  bool SliderVisible() const { return sliderVisible_; }
  void SetSliderVisible(bool value);
  int SelStart() const { return selStart_; }
  void SetSelStart(int value);
  int SelEnd() const { return selEnd_; }
  void SetSelEnd(int value);
  // A tick at a position (tsManual).
  void SetTick(int value);

  void Dispatch(TMessage& message) override;

  TNotifyEvent OnChange;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  virtual void Changed();

 private:
  void SetRange(int min, int max);
  void UpdateSelection();

  int min_ = 0, max_ = 10, position_ = 0;
  int frequency_ = 1, lineSize_ = 1, pageSize_ = 2;
  TTrackBarOrientation orientation_ = trHorizontal;
  TTickMark tickMarks_ = tmBottomRight;
  TTickStyle tickStyle_ = tsAuto;
  int thumbLength_ = 20;
  bool sliderVisible_ = true;
  int selStart_ = 0, selEnd_ = 0;
};

// ---- TUpDown ---------------------------------------------------------------------------------

enum TUDAlignButton { udLeft, udRight };
enum TUDOrientation { udHorizontal, udVertical };
enum TUDBtnType { btNext, btPrev };
using TUDClickEvent = std::function<void(TObject* Sender, TUDBtnType Button)>;
using TUDChangingEvent = std::function<void(TObject* Sender, bool& AllowChange)>;

class TUpDown : public TWinControl {
  VCL_CLASS(TUpDown, TWinControl)
  explicit TUpDown(TComponent* owner);

  int Min() const { return min_; }
  void SetMin(int value);
  int Max() const { return max_; }
  void SetMax(int value);
  int Position();
  void SetPosition(int value);
  int Increment() const { return increment_; }
  void SetIncrement(int value);
  TUDOrientation Orientation() const { return orientation_; }
  void SetOrientation(TUDOrientation value);
  TUDAlignButton AlignButton() const { return alignButton_; }
  void SetAlignButton(TUDAlignButton value);
  // The control whose text shows the position (a buddy window).
  TWinControl* Associate() const { return associate_; }
  void SetAssociate(TWinControl* value);
  bool ArrowKeys() const { return arrowKeys_; }
  void SetArrowKeys(bool value);
  bool Thousands() const { return thousands_; }
  void SetThousands(bool value);
  bool Wrap() const { return wrap_; }
  void SetWrap(bool value);

  void Dispatch(TMessage& message) override;

  TUDClickEvent OnClick;
  TUDChangingEvent OnChanging;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void Notification(TComponent* component, TOperation operation) override;
  virtual bool CanChange();
  virtual void Click(TUDBtnType button);

 private:
  int min_ = 0, max_ = 100, position_ = 0, increment_ = 1;
  TUDOrientation orientation_ = udVertical;
  TUDAlignButton alignButton_ = udRight;
  TWinControl* associate_ = nullptr;
  bool arrowKeys_ = true, thousands_ = true, wrap_ = false;
};

// ---- TProgressBar ----------------------------------------------------------------------------

enum TProgressBarOrientation { pbHorizontal, pbVertical };

class TProgressBar : public TWinControl {
  VCL_CLASS(TProgressBar, TWinControl)
  explicit TProgressBar(TComponent* owner);

  int Min() const { return min_; }
  void SetMin(int value);
  int Max() const { return max_; }
  void SetMax(int value);
  int Position();
  void SetPosition(int value);
  int Step() const { return step_; }
  void SetStep(int value);
  TProgressBarOrientation Orientation() const { return orientation_; }
  void SetOrientation(TProgressBarOrientation value);
  bool Smooth() const { return smooth_; }
  void SetSmooth(bool value);
  void StepIt();
  void StepBy(int delta);

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void DestroyWnd() override;

 private:
  int min_ = 0, max_ = 100, position_ = 0, step_ = 10;
  TProgressBarOrientation orientation_ = pbHorizontal;
  bool smooth_ = false;
};

// ---- TCustomTabControl, TTabControl, TPageControl, TTabSheet ---------------------------------

enum TTabPosition { tpTop, tpBottom, tpLeft, tpRight };
enum TTabStyle { tsTabs, tsButtons, tsFlatButtons };
using TTabChangingEvent = std::function<void(TObject* Sender, bool& AllowChange)>;

class TCustomTabControl : public TWinControl, public TListControlItems::TWindowSide {
  VCL_CLASS(TCustomTabControl, TWinControl)
  explicit TCustomTabControl(TComponent* owner);
  ~TCustomTabControl() override;

  // The selected tab, -1 for none. Setting it from code fires no event.
  int TabIndex();
  void SetTabIndex(int value);
  bool MultiLine() const { return multiLine_; }
  void SetMultiLine(bool value);
  TTabPosition TabPosition() const { return tabPosition_; }
  void SetTabPosition(TTabPosition value);
  TTabStyle Style() const { return style_; }
  void SetStyle(TTabStyle value);
  bool HotTrack() const { return hotTrack_; }
  void SetHotTrack(bool value);
  TCustomImageList* Images() const { return images_; }
  void SetImages(TCustomImageList* value);
  // The area inside the tabs and the frame, in client coordinates.
  TRect DisplayRect();
  // The tab at a client point, -1 for none.
  int IndexOfTabAt(int x, int y);
  int RowCount();

  void Dispatch(TMessage& message) override;

  TNotifyEvent OnChange;
  TTabChangingEvent OnChanging;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void AdjustClientRect(TRect& rect) override;
  void Notification(TComponent* component, TOperation operation) override;
  virtual bool CanChange();
  virtual void Change();
  // The tab list that the window shows.
  TListControlItems* TabItems() const { return tabs_.get(); }
  void ItemInserted(int index, const std::string& text) override;
  void ItemDeleted(int index) override;
  void ItemsCleared() override;

 private:
  std::unique_ptr<TListControlItems> tabs_;
  int tabIndex_ = -1;
  bool multiLine_ = false;
  bool hotTrack_ = false;
  TTabPosition tabPosition_ = tpTop;
  TTabStyle style_ = tsTabs;
  TCustomImageList* images_ = nullptr;
};

class TTabControl : public TCustomTabControl {
  VCL_CLASS(TTabControl, TCustomTabControl)
  explicit TTabControl(TComponent* owner) : TCustomTabControl(owner) {}
  TStrings* Tabs() const { return TabItems(); }
  void SetTabs(TStrings* value) { TabItems()->Assign(value); }
};

class TPageControl;

class TTabSheet : public TWinControl {
  VCL_CLASS(TTabSheet, TWinControl)
  explicit TTabSheet(TComponent* owner);
  ~TTabSheet() override;

  TPageControl* PageControl() const { return pageControl_; }
  void SetPageControl(TPageControl* value);
  // The sheet's place among the pages.
  int PageIndex() const;
  void SetPageIndex(int value);
  // Its place among the visible tabs, -1 when its tab is hidden.
  int TabIndex() const;
  bool TabVisible() const { return tabVisible_; }
  void SetTabVisible(bool value);
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int value);

  void SetParent(TWinControl* parent) override;
  void Dispatch(TMessage& message) override;

  TNotifyEvent OnShow;
  TNotifyEvent OnHide;

 protected:
  void ReadState(TReader* reader) override;

 private:
  friend class TPageControl;
  TPageControl* pageControl_ = nullptr;
  bool tabVisible_ = true;
  int imageIndex_ = 0;
};

class TPageControl : public TCustomTabControl {
  VCL_CLASS(TPageControl, TCustomTabControl)
  explicit TPageControl(TComponent* owner);
  ~TPageControl() override;

  int PageCount() const { return static_cast<int>(pages_.size()); }
  TTabSheet* Pages(int index) const;
  TTabSheet* ActivePage() const { return activePage_; }
  void SetActivePage(TTabSheet* page);
  int ActivePageIndex() const;
  void SetActivePageIndex(int value);
  // The next visible page after `current` (wrapping round), or nullptr.
  TTabSheet* FindNextPage(TTabSheet* current, bool goForward, bool checkTabVisible);
  void SelectNextPage(bool goForward);

  void GetChildren(const TGetChildProc& proc, TComponent* root) override;
  void Dispatch(TMessage& message) override;

 protected:
  void Change() override;
  void Loaded() override;

 private:
  friend class TTabSheet;
  void InsertPage(TTabSheet* page);
  void RemovePage(TTabSheet* page);
  void UpdateTabs();
  void ShowPage(TTabSheet* page);

  std::vector<TTabSheet*> pages_;
  TTabSheet* activePage_ = nullptr;
  bool updatingTabs_ = false;
};

// ---- TStatusBar ------------------------------------------------------------------------------

enum TStatusPanelStyle { psText, psOwnerDraw };
enum TStatusPanelBevel { pbNone, pbLowered, pbRaised };

// An entry of a bar of text entries (status panels, header sections): its text, width and
// alignment. A change reaches the bar through the collection's Update.
class TTextSection : public TCollectionItem {
  VCL_CLASS(TTextSection, TCollectionItem)
  explicit TTextSection(TCollection* collection) : TCollectionItem(collection) {}

  const std::string& Text() const { return text_; }
  void SetText(const std::string& value);
  int Width() const { return width_; }
  void SetWidth(int value);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);

 private:
  std::string text_;
  int width_ = 50;
  TAlignment alignment_ = taLeftJustify;
};

class TStatusPanel : public TTextSection {
  VCL_CLASS(TStatusPanel, TTextSection)
  explicit TStatusPanel(TCollection* collection) : TTextSection(collection) {}

  TStatusPanelBevel Bevel() const { return bevel_; }
  void SetBevel(TStatusPanelBevel value);
  TStatusPanelStyle Style() const { return style_; }
  void SetStyle(TStatusPanelStyle value);

 private:
  TStatusPanelBevel bevel_ = pbLowered;
  TStatusPanelStyle style_ = psText;
};

class TStatusBar;

class TStatusPanels : public TTypedCollection<TStatusPanel, TStatusBar> {
  VCL_CLASS(TStatusPanels, TCollection)
  explicit TStatusPanels(TStatusBar* bar);

 protected:
  void Update(TCollectionItem* item) override;
};

using TDrawPanelEvent = std::function<void(TStatusBar* StatusBar, TStatusPanel* Panel, const TRect& Rect)>;

class TStatusBar : public TWinControl {
  VCL_CLASS(TStatusBar, TWinControl)
  explicit TStatusBar(TComponent* owner);
  ~TStatusBar() override;

  TStatusPanels* Panels() const { return panels_.get(); }
  void SetPanels(TStatusPanels* value) { panels_->Assign(value); }
  // One panel across the bar showing SimpleText.
  bool SimplePanel() const { return simplePanel_; }
  void SetSimplePanel(bool value);
  const std::string& SimpleText() const { return simpleText_; }
  void SetSimpleText(const std::string& value);
  bool SizeGrip() const { return sizeGrip_; }
  void SetSizeGrip(bool value);
  TCanvas* Canvas() const { return canvas_.get(); }

  void Dispatch(TMessage& message) override;

  TDrawPanelEvent OnDrawPanel;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;

 private:
  friend class TStatusPanels;
  void UpdatePanels();

  std::unique_ptr<TStatusPanels> panels_;
  std::unique_ptr<TControlCanvas> canvas_;
  bool simplePanel_ = false;
  std::string simpleText_;
  bool sizeGrip_ = true;
};

// ---- TToolBar, TToolButton -------------------------------------------------------------------

enum TToolButtonStyle { tbsButton, tbsCheck, tbsDropDown, tbsSeparator, tbsDivider };
enum TCustomDrawStage { cdPrePaint, cdPostPaint, cdPreErase, cdPostErase };
enum TCustomDrawStateItem {
  cdsSelected, cdsGrayed, cdsDisabled, cdsChecked, cdsFocused, cdsDefault, cdsHot, cdsMarked, cdsIndeterminate
};
using TCustomDrawState = TEnumSet<TCustomDrawStateItem>;
enum TTBCustomDrawFlagsItem { tbNoEdges, tbHiliteHotTrack, tbNoOffset, tbNoMark, tbNoEtchedEffect };
using TTBCustomDrawFlags = TEnumSet<TTBCustomDrawFlagsItem>;

class TToolBar;

// A button of a tool bar: an entry of the bar's window, with the place the window gave it.
class TToolButton : public TGraphicControl {
  VCL_CLASS(TToolButton, TGraphicControl)
  explicit TToolButton(TComponent* owner);
  ~TToolButton() override;

  TToolButtonStyle Style() const { return style_; }
  void SetStyle(TToolButtonStyle value);
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int value);
  bool Down() const { return down_; }
  void SetDown(bool value);
  bool Grouped() const { return grouped_; }
  void SetGrouped(bool value);
  bool Marked() const { return marked_; }
  void SetMarked(bool value);
  bool Indeterminate() const { return indeterminate_; }
  void SetIndeterminate(bool value);
  bool AllowAllUp() const { return allowAllUp_; }
  void SetAllowAllUp(bool value) { allowAllUp_ = value; }
  TPopupMenu* DropdownMenu() const { return dropdownMenu_; }
  void SetDropdownMenu(TPopupMenu* value);
  // The position among the bar's buttons.
  int Index() const;
  TToolBar* ToolBar() const;

  void SetParent(TWinControl* parent) override;
  void Click() override;

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TToolBar;
  void Changed();
  TToolButtonStyle style_ = tbsButton;
  int imageIndex_ = -1;
  bool down_ = false, grouped_ = false, marked_ = false, indeterminate_ = false, allowAllUp_ = false;
  TPopupMenu* dropdownMenu_ = nullptr;
};

enum TEdgeBorder { ebLeft, ebTop, ebRight, ebBottom };
using TEdgeBorders = TEnumSet<TEdgeBorder, uint8_t>;
enum TEdgeStyle { esNone, esRaised, esLowered };

using TTBAdvancedCustomDrawEvent =
    std::function<void(TToolBar* Sender, const TRect& ARect, TCustomDrawStage Stage, bool& DefaultDraw)>;
using TTBAdvancedCustomDrawBtnEvent =
    std::function<void(TToolBar* Sender, TToolButton* Button, TCustomDrawState State, TCustomDrawStage Stage,
                       TTBCustomDrawFlags& Flags, bool& DefaultDraw)>;

class TToolBar : public TWinControl {
  VCL_CLASS(TToolBar, TWinControl)
  explicit TToolBar(TComponent* owner);
  ~TToolBar() override;

  int ButtonCount() const { return static_cast<int>(buttons_.size()); }
  TToolButton* Buttons(int index) const;
  int ButtonHeight() const { return buttonHeight_; }
  void SetButtonHeight(int value);
  int ButtonWidth() const { return buttonWidth_; }
  void SetButtonWidth(int value);
  bool Flat() const { return flat_; }
  void SetFlat(bool value);
  bool List() const { return list_; }
  void SetList(bool value);
  bool ShowCaptions() const { return showCaptions_; }
  void SetShowCaptions(bool value);
  bool Wrapable() const { return wrapable_; }
  void SetWrapable(bool value);
  TCustomImageList* Images() const { return images_; }
  void SetImages(TCustomImageList* value);
  TEdgeBorders EdgeBorders() const { return edgeBorders_; }
  void SetEdgeBorders(TEdgeBorders value) { edgeBorders_ = value; }
  TEdgeStyle EdgeInner() const { return edgeInner_; }
  void SetEdgeInner(TEdgeStyle value) { edgeInner_ = value; }
  TEdgeStyle EdgeOuter() const { return edgeOuter_; }
  void SetEdgeOuter(TEdgeStyle value) { edgeOuter_ = value; }
  TCanvas* Canvas() const { return canvas_.get(); }

  void WndProc(TMessage& message) override;
  void Dispatch(TMessage& message) override;
  void GetChildren(const TGetChildProc& proc, TComponent* root) override;

  TTBAdvancedCustomDrawEvent OnAdvancedCustomDraw;
  TTBAdvancedCustomDrawBtnEvent OnAdvancedCustomDrawButton;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void Notification(TComponent* component, TOperation operation) override;
  void AlignControls(TControl* control, TRect& rect) override;

 private:
  friend class TToolButton;
  void InsertButton(TToolButton* button);
  void RemoveButton(TToolButton* button);
  void RecreateButtons();
  void UpdateButton(TToolButton* button);
  void UpdateButtonBounds();
  LRESULT CustomDraw(NMTBCUSTOMDRAW* draw);

  std::vector<TToolButton*> buttons_;
  std::unique_ptr<TControlCanvas> canvas_;
  int buttonHeight_ = 22, buttonWidth_ = 23;
  bool flat_ = false, list_ = false, showCaptions_ = false, wrapable_ = true;
  TCustomImageList* images_ = nullptr;
  TEdgeBorders edgeBorders_{ebTop};
  TEdgeStyle edgeInner_ = esRaised, edgeOuter_ = esLowered;
};

// ---- TListView, TTreeView, THeaderControl ----------------------------------------------------

enum TViewStyle { vsIcon, vsSmallIcon, vsList, vsReport };

// A list view over SysListView32: items are captions with sub-item texts in columns.
class TListView : public TWinControl {
  VCL_CLASS(TListView, TWinControl)
  explicit TListView(TComponent* owner);

  TViewStyle ViewStyle() const { return viewStyle_; }
  void SetViewStyle(TViewStyle value);
  TCustomImageList* SmallImages() const { return smallImages_; }
  void SetSmallImages(TCustomImageList* value);
  TCustomImageList* LargeImages() const { return largeImages_; }
  void SetLargeImages(TCustomImageList* value);
  bool RowSelect() const { return rowSelect_; }
  void SetRowSelect(bool value);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool value) { readOnly_ = value; }
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle value);

  // Columns (report view) and items, kept by the control and mirrored into the window.
  int AddColumn(const std::string& caption, int width);
  int ColumnCount() const { return static_cast<int>(columns_.size()); }
  int AddItem(const std::string& caption, const std::vector<std::string>& subItems = {});
  int ItemCount() const { return static_cast<int>(items_.size()); }
  std::string ItemCaption(int index) const;
  void ClearItems();
  // The selected item, -1 for none.
  int ItemIndex();
  void SetItemIndex(int value);

  void Dispatch(TMessage& message) override;

  TNotifyEvent OnChange;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  struct TColumn {
    std::string caption;
    int width;
  };
  struct TItem {
    std::string caption;
    std::vector<std::string> subItems;
  };
  void InsertColumnIntoWindow(int index);
  void InsertItemIntoWindow(int index);

  std::vector<TColumn> columns_;
  std::vector<TItem> items_;
  TViewStyle viewStyle_ = vsIcon;
  TCustomImageList* smallImages_ = nullptr;
  TCustomImageList* largeImages_ = nullptr;
  bool rowSelect_ = false, readOnly_ = false;
  TBorderStyle borderStyle_ = bsSingle;
  int itemIndex_ = -1;
};

// A tree view over SysTreeView32: nodes are captions under a parent node.
class TTreeView : public TWinControl {
  VCL_CLASS(TTreeView, TWinControl)
  explicit TTreeView(TComponent* owner);
  ~TTreeView() override;

  // Adds a node under `parent` (-1: at the top); the node's number comes back.
  int AddNode(int parent, const std::string& text);
  int NodeCount() const { return static_cast<int>(nodes_.size()); }
  std::string NodeText(int node) const;
  int NodeParent(int node) const;
  void ClearNodes();
  // The selected node, -1 for none.
  int Selected();
  void SetSelected(int node);
  bool ShowLines() const { return showLines_; }
  void SetShowLines(bool value);
  bool ShowButtons() const { return showButtons_; }
  void SetShowButtons(bool value);
  bool ShowRoot() const { return showRoot_; }
  void SetShowRoot(bool value);
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle value);

  void Dispatch(TMessage& message) override;

  TNotifyEvent OnChange;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void DestroyWnd() override;

 private:
  struct TNode {
    std::string text;
    int parent;
    HTREEITEM handle = nullptr;
  };
  void InsertNodeIntoWindow(int node);

  std::vector<TNode> nodes_;
  bool showLines_ = true, showButtons_ = true, showRoot_ = true;
  TBorderStyle borderStyle_ = bsSingle;
  int selected_ = -1;
};

enum THeaderSectionStyle { hsText, hsOwnerDraw };

class THeaderSection : public TTextSection {
  VCL_CLASS(THeaderSection, TTextSection)
  explicit THeaderSection(TCollection* collection) : TTextSection(collection) {}
  THeaderSectionStyle Style() const { return style_; }
  void SetStyle(THeaderSectionStyle value);

 private:
  THeaderSectionStyle style_ = hsText;
};

class THeaderControl;

class THeaderSections : public TTypedCollection<THeaderSection, THeaderControl> {
  VCL_CLASS(THeaderSections, TCollection)
  explicit THeaderSections(THeaderControl* header);

 protected:
  void Update(TCollectionItem* item) override;
};

using TSectionNotifyEvent = std::function<void(THeaderControl* HeaderControl, THeaderSection* Section)>;

class THeaderControl : public TWinControl {
  VCL_CLASS(THeaderControl, TWinControl)
  explicit THeaderControl(TComponent* owner);
  ~THeaderControl() override;

  THeaderSections* Sections() const { return sections_.get(); }
  void SetSections(THeaderSections* value) { sections_->Assign(value); }
  bool HotTrack() const { return hotTrack_; }
  void SetHotTrack(bool value);

  void Dispatch(TMessage& message) override;

  TSectionNotifyEvent OnSectionClick;
  TSectionNotifyEvent OnSectionResize;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;

 private:
  friend class THeaderSections;
  void UpdateSections();

  std::unique_ptr<THeaderSections> sections_;
  bool hotTrack_ = false;
};

}  // namespace vcl

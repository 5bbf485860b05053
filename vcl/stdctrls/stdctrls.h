// The standard controls: thin components over the platform's own window classes (BUTTON,
// EDIT, COMBOBOX, LISTBOX, SCROLLBAR, STATIC), whose windows do the drawing and the input,
// plus the library's own label and group box. Notifications of the windows come back to the
// controls reflected (CN_COMMAND, CN_DRAWITEM, CN_HSCROLL, ...) and become their events.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "vcl/controls/controls.h"
#include "vcl/controls/forms.h"
#include "vcl/controls/modalresult.h"
#include "vcl/controls/ownerdraw.h"
#include "vcl/classes/stringlist.h"

namespace vcl {

// ---- Shared small types ----------------------------------------------------------------------

using TLeftRight = TAlignment;
enum TTextLayout { tlTop, tlCenter, tlBottom };
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };

// Whether `charCode` is the key marked with "&" in the caption (compared without case).
bool IsAccel(WORD charCode, const std::string& caption);
// The size of a text in a font, measured on the screen (for controls that may have no window yet).
TSize ScreenTextExtent(TFont* font, const std::string& text);

// ---- TButtonControl --------------------------------------------------------------------------

// A control over a BUTTON window: clicks made by focusing it with the mouse are held back so
// that one press is one click.
class TButtonControl : public TWinControl {
  VCL_CLASS(TButtonControl, TWinControl)
  explicit TButtonControl(TComponent* owner);

  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool value);

  void WndProc(TMessage& message) override;

 protected:
  friend class TButtonActionLink;

  void CreateParams(TCreateParams& params) override;
  virtual bool GetChecked() { return false; }
  virtual void SetChecked(bool value) {}
  // The action's Checked goes to the button's too (action_links.cpp).
  void ActionChange(TObject* sender, bool checkDefaults) override;
  std::unique_ptr<TControlActionLink> CreateActionLink() override;
  // While true, a BN_CLICKED is ignored (the button is only being focused).
  bool ClicksDisabled() const { return clicksDisabled_; }
  void SetClicksDisabled(bool value) { clicksDisabled_ = value; }

 private:
  bool clicksDisabled_ = false;
  bool wordWrap_ = false;
};

// ---- TButton ---------------------------------------------------------------------------------

class TButton : public TButtonControl {
  VCL_CLASS(TButton, TButtonControl)
  explicit TButton(TComponent* owner);

  // Pressed by Enter anywhere on the form (unless another button has the focus).
  bool Default() const { return default_; }
  void SetDefault(bool value);
  // Pressed by Escape anywhere on the form.
  bool Cancel() const { return cancel_; }
  void SetCancel(bool value) { cancel_ = value; }
  // Set as the form's ModalResult when the button is clicked.
  TModalResult ModalResult() const { return modalResult_; }
  void SetModalResult(TModalResult value) { modalResult_ = value; }

  void Click() override;
  void Dispatch(TMessage& message) override;

  // Shows the button as the default one (a bold frame) or not.
  virtual void SetButtonStyle(bool isDefault);

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  virtual void CNCommand(TWMCommand& message);
  void CMDialogKey(TCMDialogKey& message) override;
  void CMDialogChar(TCMDialogChar& message) override;
  void CMFocusChanged(TCMFocusChanged& message) override;
  // Whether the button is the one Enter presses now.
  bool Active() const { return active_; }

 private:
  bool default_ = false;
  bool cancel_ = false;
  bool active_ = false;
  TModalResult modalResult_ = mrNone;
};

// ---- TCheckBox -------------------------------------------------------------------------------

enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

class TCustomCheckBox : public TButtonControl {
  VCL_CLASS(TCustomCheckBox, TButtonControl)
  explicit TCustomCheckBox(TComponent* owner);

  // Where the text goes beside the box: taRightJustify puts it right of the box.
  TLeftRight Alignment() const { return alignment_; }
  void SetAlignment(TLeftRight value);
  bool AllowGrayed() const { return allowGrayed_; }
  void SetAllowGrayed(bool value) { allowGrayed_ = value; }
  TCheckBoxState State() const { return state_; }
  // A change fires OnClick.
  void SetState(TCheckBoxState value);
  bool Checked() { return GetChecked(); }
  void SetChecked(bool value) override;
  bool GetChecked() override { return state_ == cbChecked; }
  // The box is left of the text (taRightJustify) unless right-to-left alignment is in use.
  TAlignment GetControlsAlignment() override;

  void Dispatch(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  // The next state for a click: unchecked, checked, then grayed when allowed.
  virtual void Toggle();

 private:
  TLeftRight alignment_ = taRightJustify;
  bool allowGrayed_ = false;
  TCheckBoxState state_ = cbUnchecked;
};

class TCheckBox : public TCustomCheckBox {
  VCL_CLASS(TCheckBox, TCustomCheckBox)
  explicit TCheckBox(TComponent* owner) : TCustomCheckBox(owner) {}
};

// ---- TRadioButton ----------------------------------------------------------------------------

class TRadioButton : public TButtonControl {
  VCL_CLASS(TRadioButton, TButtonControl)
  explicit TRadioButton(TComponent* owner);

  TLeftRight Alignment() const { return alignment_; }
  void SetAlignment(TLeftRight value);
  bool Checked() { return GetChecked(); }
  // Checking unchecks the radio buttons of the same parent and fires OnClick.
  void SetChecked(bool value) override;
  bool GetChecked() override { return checked_; }
  TAlignment GetControlsAlignment() override;

  void Dispatch(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void CMDialogChar(TCMDialogChar& message) override;

 private:
  TLeftRight alignment_ = taRightJustify;
  bool checked_ = false;
};

// ---- Item lists of list and combo boxes ------------------------------------------------------

// The items of a list box or combo box: kept by the control and mirrored into its window
// while it has one, so that items can be set before the window exists and survive its
// re-creation.
class TListControlItems : public TStrings {
  VCL_CLASS(TListControlItems, TStrings)
  // The window side of the list: what the control does with each change.
  struct TWindowSide {
    virtual ~TWindowSide() = default;
    virtual void ItemInserted(int index, const std::string& text) = 0;
    virtual void ItemDeleted(int index) = 0;
    virtual void ItemsCleared() = 0;
  };
  explicit TListControlItems(TWindowSide* side) : side_(side) {}

  int Add(const std::string& s) override;
  int AddObject(const std::string& s, TObject* object) override;
  void Insert(int index, const std::string& s) override;
  void InsertObject(int index, const std::string& s, TObject* object) override;
  void Delete(int index) override;
  void Clear() override;
  int IndexOf(const std::string& s) const override;
  // Kept in order without case (the window sorts the same way).
  bool Sorted() const { return sorted_; }
  void SetSorted(bool value);
  // Keeps a remembered selection on its item when an item is inserted or deleted at `index`
  // (a deleted selected item leaves none selected).
  static void FollowInsert(int& selected, int index);
  static void FollowDelete(int& selected, int index);

 protected:
  std::string Get(int index) const override;
  int GetCount() const override { return static_cast<int>(items_.size()); }
  TObject* GetObject(int index) const override;
  void Put(int index, const std::string& s) override;
  void PutObject(int index, TObject* object) override;

 private:
  void CheckIndex(int index) const;
  int SortedPosition(const std::string& s) const;

  struct TItem {
    std::string text;
    TObject* object = nullptr;
  };
  TWindowSide* side_;
  std::vector<TItem> items_;
  bool sorted_ = false;
};

using TDrawItemEvent = std::function<void(TWinControl* Control, int Index, TRect Rect, TOwnerDrawState State)>;
using TMeasureItemEvent = std::function<void(TWinControl* Control, int Index, int& Height)>;

// ---- TCustomEdit, TEdit, TMemo ---------------------------------------------------------------

class TCustomEdit : public TWinControl {
  VCL_CLASS(TCustomEdit, TWinControl)
  explicit TCustomEdit(TComponent* owner);

  bool AutoSelect() const { return autoSelect_; }
  void SetAutoSelect(bool value) { autoSelect_ = value; }
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle value);
  TEditCharCase CharCase() const { return charCase_; }
  void SetCharCase(TEditCharCase value);
  bool HideSelection() const { return hideSelection_; }
  void SetHideSelection(bool value);
  // 0 is no limit.
  int MaxLength() const { return maxLength_; }
  void SetMaxLength(int value);
  bool OEMConvert() const { return oemConvert_; }
  void SetOEMConvert(bool value);
  char PasswordChar() const { return passwordChar_; }
  void SetPasswordChar(char value);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool value);
  bool Modified();
  void SetModified(bool value);

  int SelStart();
  void SetSelStart(int value);
  int SelLength();
  void SetSelLength(int value);
  std::string SelText();
  void SetSelText(const std::string& value);
  void SelectAll();
  void Clear();
  void ClearSelection();
  void CopyToClipboard();
  void CutToClipboard();
  void PasteFromClipboard();
  bool CanUndo();
  void Undo();
  void ClearUndo();

  void Dispatch(TMessage& message) override;

  TNotifyEvent OnChange;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  // Fires OnChange; not while the form is being read.
  virtual void Change();
  void CMEnter(TMessage& message) override;
  // A multi-line window (and a control without one) tells no change of a text set from code.
  void CMTextChanged(TMessage& message) override;
  // AutoSize gives an edit the height of a line of its font; the width stays.
  bool CanAutoSize(int& newWidth, int& newHeight) override;
  void AdjustHeight();

 private:
  bool autoSelect_ = true;
  TBorderStyle borderStyle_ = bsSingle;
  TEditCharCase charCase_ = ecNormal;
  bool hideSelection_ = true;
  int maxLength_ = 0;
  bool oemConvert_ = false;
  char passwordChar_ = '\0';
  bool readOnly_ = false;
  bool modified_ = false;
  bool creating_ = false;
};

class TEdit : public TCustomEdit {
  VCL_CLASS(TEdit, TCustomEdit)
  explicit TEdit(TComponent* owner) : TCustomEdit(owner) {}
};

class TMemo : public TCustomEdit {
  VCL_CLASS(TMemo, TCustomEdit)
  explicit TMemo(TComponent* owner);
  ~TMemo() override;

  // The text as lines.
  TStrings* Lines() const { return lines_.get(); }
  void SetLines(TStrings* value) { lines_->Assign(value); }
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);
  TScrollStyle ScrollBars() const { return scrollBars_; }
  void SetScrollBars(TScrollStyle value);
  bool WantReturns() const { return wantReturns_; }
  void SetWantReturns(bool value) { wantReturns_ = value; }
  bool WantTabs() const { return wantTabs_; }
  void SetWantTabs(bool value) { wantTabs_ = value; }
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool value);

  void Dispatch(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;

 private:
  std::unique_ptr<TStrings> lines_;
  TAlignment alignment_ = taLeftJustify;
  TScrollStyle scrollBars_ = ssNone;
  bool wantReturns_ = true;
  bool wantTabs_ = false;
  bool wordWrap_ = true;
};

// ---- TCustomComboBox, TComboBox --------------------------------------------------------------

enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };

class TCustomComboBox : public TWinControl, public TListControlItems::TWindowSide {
  VCL_CLASS(TCustomComboBox, TWinControl)
  explicit TCustomComboBox(TComponent* owner);
  ~TCustomComboBox() override;

  TComboBoxStyle Style() const { return style_; }
  void SetStyle(TComboBoxStyle value);
  TStrings* Items() const { return items_.get(); }
  void SetItems(TStrings* value);
  // The selected item, -1 for none. Setting it fires no event.
  int ItemIndex();
  void SetItemIndex(int value);
  int ItemHeight();
  void SetItemHeight(int value);
  // Rows the dropped list shows before it scrolls.
  int DropDownCount() const { return dropDownCount_; }
  virtual void SetDropDownCount(int value);
  bool DroppedDown();
  void SetDroppedDown(bool value);
  bool Sorted() const { return items_->Sorted(); }
  void SetSorted(bool value);
  int MaxLength() const { return maxLength_; }
  void SetMaxLength(int value);
  TEditCharCase CharCase() const { return charCase_; }
  void SetCharCase(TEditCharCase value);
  bool AutoDropDown() const { return autoDropDown_; }
  void SetAutoDropDown(bool value) { autoDropDown_ = value; }
  // The edit of a csDropDown/csSimple box and the list (once it was made), 0 otherwise.
  HWND EditHandle() const { return editHandle_; }
  HWND ListHandle() const { return listHandle_; }
  // The drawing surface of owner-drawn items (bound to the item's DC while it is drawn).
  TCanvas* Canvas() const { return canvas_.get(); }

  void SelectAll();
  void Clear();
  bool Focused() override;
  void Dispatch(TMessage& message) override;

  TNotifyEvent OnChange;
  TNotifyEvent OnSelect;
  TNotifyEvent OnDropDown;
  TNotifyEvent OnCloseUp;
  TDrawItemEvent OnDrawItem;
  TMeasureItemEvent OnMeasureItem;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  virtual void Change();
  virtual void Select();
  virtual void DropDown();
  virtual void CloseUp();
  virtual void DrawItem(int index, const TRect& rect, TOwnerDrawState state);
  virtual void MeasureItem(int index, int& height);
  virtual void CNCommand(TWMCommand& message);
  virtual void CNDrawItem(TWMDrawItem& message);
  virtual void CNMeasureItem(TWMMeasureItem& message);
  // The procedure of the child edit and list windows; overridable to watch their messages.
  virtual void ComboWndProc(TMessage& message, HWND comboWnd, WNDPROC comboProc);

 private:
  friend LRESULT CALLBACK ComboChildProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
  void ItemInserted(int index, const std::string& text) override;
  void ItemDeleted(int index) override;
  void ItemsCleared() override;
  void AdjustDropDown();
  void HookChild(HWND child);

  std::unique_ptr<TListControlItems> items_;
  std::unique_ptr<TControlCanvas> canvas_;
  TComboBoxStyle style_ = csDropDown;
  int itemIndex_ = -1;
  int itemHeight_ = 16;
  int dropDownCount_ = 8;
  int maxLength_ = 0;
  TEditCharCase charCase_ = ecNormal;
  bool autoDropDown_ = false;
  HWND editHandle_ = nullptr;
  HWND listHandle_ = nullptr;
  std::string savedText_;
};

class TComboBox : public TCustomComboBox {
  VCL_CLASS(TComboBox, TCustomComboBox)
  explicit TComboBox(TComponent* owner) : TCustomComboBox(owner) {}
};

// ---- TListBox --------------------------------------------------------------------------------

enum TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable };

class TCustomListBox : public TWinControl, public TListControlItems::TWindowSide {
  VCL_CLASS(TCustomListBox, TWinControl)
  explicit TCustomListBox(TComponent* owner);
  ~TCustomListBox() override;

  TListBoxStyle Style() const { return style_; }
  void SetStyle(TListBoxStyle value);
  TStrings* Items() const { return items_.get(); }
  void SetItems(TStrings* value);
  // The focused item (the selected one without MultiSelect), -1 for none. Setting fires no event.
  int ItemIndex();
  void SetItemIndex(int value);
  int ItemHeight();
  void SetItemHeight(int value);
  bool MultiSelect() const { return multiSelect_; }
  void SetMultiSelect(bool value);
  bool ExtendedSelect() const { return extendedSelect_; }
  void SetExtendedSelect(bool value);
  bool Selected(int index);
  void SetSelected(int index, bool value);
  int SelCount();
  bool Sorted() const { return items_->Sorted(); }
  void SetSorted(bool value);
  bool IntegralHeight() const { return integralHeight_; }
  void SetIntegralHeight(bool value);
  int Columns() const { return columns_; }
  void SetColumns(int value);
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle value);
  int TopIndex();
  void SetTopIndex(int value);
  TCanvas* Canvas() const { return canvas_.get(); }
  // The item at a point of the client area, -1 (or the nearest with existing false).
  int ItemAtPos(const TPoint& pos, bool existing);
  TRect ItemRect(int index);

  void Clear();
  void Dispatch(TMessage& message) override;

  TDrawItemEvent OnDrawItem;
  TMeasureItemEvent OnMeasureItem;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  virtual void DrawItem(int index, const TRect& rect, TOwnerDrawState state);
  virtual void MeasureItem(int index, int& height);

 private:
  void ItemInserted(int index, const std::string& text) override;
  void ItemDeleted(int index) override;
  void ItemsCleared() override;

  std::unique_ptr<TListControlItems> items_;
  std::unique_ptr<TControlCanvas> canvas_;
  std::vector<int> savedSelection_;
  TListBoxStyle style_ = lbStandard;
  int itemIndex_ = -1;
  int itemHeight_ = 16;
  bool multiSelect_ = false;
  bool extendedSelect_ = true;
  bool integralHeight_ = false;
  int columns_ = 0;
  TBorderStyle borderStyle_ = bsSingle;
};

class TListBox : public TCustomListBox {
  VCL_CLASS(TListBox, TCustomListBox)
  explicit TListBox(TComponent* owner) : TCustomListBox(owner) {}
};

// ---- TScrollBar ------------------------------------------------------------------------------

enum TScrollCode { scLineUp, scLineDown, scPageUp, scPageDown, scPosition, scTrack, scTop, scBottom, scEndScroll };
using TScrollEvent = std::function<void(TObject* Sender, TScrollCode ScrollCode, int& ScrollPos)>;

class TScrollBar : public TWinControl {
  VCL_CLASS(TScrollBar, TWinControl)
  explicit TScrollBar(TComponent* owner);

  TScrollBarKind Kind() const { return kind_; }
  void SetKind(TScrollBarKind value);
  int Min() const { return min_; }
  void SetMin(int value) { SetParams(position_, value, max_); }
  int Max() const { return max_; }
  void SetMax(int value) { SetParams(position_, min_, value); }
  int Position() const { return position_; }
  void SetPosition(int value) { SetParams(value, min_, max_); }
  int PageSize() const { return pageSize_; }
  void SetPageSize(int value);
  int SmallChange() const { return smallChange_; }
  void SetSmallChange(int value) { smallChange_ = value; }
  int LargeChange() const { return largeChange_; }
  void SetLargeChange(int value) { largeChange_ = value; }
  // Sets the three at once; Min above Max raises EInvalidOperation "Scroll bar property out of
  // range". The position is kept within Min..Max; a change fires OnChange.
  void SetParams(int position, int min, int max);

  void Dispatch(TMessage& message) override;

  TNotifyEvent OnChange;
  TScrollEvent OnScroll;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  virtual void Change();
  virtual void Scroll(TScrollCode scrollCode, int& scrollPos);

 private:
  void DoScroll(TWMScroll& message);
  void UpdateWindow();

  TScrollBarKind kind_ = sbHorizontal;
  int min_ = 0;
  int max_ = 100;
  int position_ = 0;
  int pageSize_ = 0;
  int smallChange_ = 1;
  int largeChange_ = 1;
};

// ---- TCustomGroupBox, TGroupBox --------------------------------------------------------------

class TCustomGroupBox : public TCustomControl {
  VCL_CLASS(TCustomGroupBox, TCustomControl)
  explicit TCustomGroupBox(TComponent* owner);

  // Read by skinned descendants that measure the caption's place.
  int BevelWidth() const { return bevelWidth_; }
  void SetBevelWidth(int value);

  void Dispatch(TMessage& message) override;

 protected:
  void AdjustClientRect(TRect& rect) override;
  void Paint() override;

 private:
  int bevelWidth_ = 1;
};

class TGroupBox : public TCustomGroupBox {
  VCL_CLASS(TGroupBox, TCustomGroupBox)
  explicit TGroupBox(TComponent* owner) : TCustomGroupBox(owner) {}
};

// ---- TCustomLabel, TLabel --------------------------------------------------------------------

class TCustomLabel : public TGraphicControl {
  VCL_CLASS(TCustomLabel, TGraphicControl)
  explicit TCustomLabel(TComponent* owner);

  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);
  TTextLayout Layout() const { return layout_; }
  void SetLayout(TTextLayout value);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool value);
  bool ShowAccelChar() const { return showAccelChar_; }
  void SetShowAccelChar(bool value);
  // Transparent labels leave the parent's background; opaque ones fill with Color.
  bool Transparent() const { return !ControlStyle().Contains(csOpaque); }
  void SetTransparent(bool value);
  TWinControl* FocusControl() const { return focusControl_; }
  void SetFocusControl(TWinControl* value);
  void SetAutoSize(bool value) override;

  void Dispatch(TMessage& message) override;

 protected:
  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;
  void Paint() override;
  // Draws the caption in `rect` with DrawText flags; with DT_CALCRECT it only measures.
  virtual void DoDrawText(TRect& rect, UINT flags);
  // Sizes the label to its text when AutoSize is on.
  virtual void AdjustBounds();
  std::string GetLabelText() { return Caption(); }

 private:
  TAlignment alignment_ = taLeftJustify;
  TTextLayout layout_ = tlTop;
  bool wordWrap_ = false;
  bool showAccelChar_ = true;
  TWinControl* focusControl_ = nullptr;
};

class TLabel : public TCustomLabel {
  VCL_CLASS(TLabel, TCustomLabel)
  explicit TLabel(TComponent* owner) : TCustomLabel(owner) {}
};

// ---- TStaticText -----------------------------------------------------------------------------

enum TStaticBorderStyle { sbsNone, sbsSingle, sbsSunken };

class TStaticText : public TWinControl {
  VCL_CLASS(TStaticText, TWinControl)
  explicit TStaticText(TComponent* owner);

  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);
  TStaticBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TStaticBorderStyle value);
  bool ShowAccelChar() const { return showAccelChar_; }
  void SetShowAccelChar(bool value);
  TWinControl* FocusControl() const { return focusControl_; }
  void SetFocusControl(TWinControl* value);

  void Dispatch(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  TAlignment alignment_ = taLeftJustify;
  TStaticBorderStyle borderStyle_ = sbsNone;
  bool showAccelChar_ = true;
  TWinControl* focusControl_ = nullptr;
};

}  // namespace vcl

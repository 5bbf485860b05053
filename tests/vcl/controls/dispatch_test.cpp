// Message dispatch: WindowProc as the first stop of every message (chained and unchained in
// any order), the library's notifications on property changes with their numbers, the
// reflection of child notifications (CN_*), and exceptions in handlers.
#include <gtest/gtest.h>

#include "tests/vcl/controls/controls_test_util.h"

using namespace vcl;
using namespace controls_test;

namespace {

class DispatchTest : public ControlsTest {};

TEST(MessageNumbers, AgreeWithThePlatform) {
  struct Case {
    UINT value, expected;
  } cases[] = {
      {CM_ACTIVATE, 0xB000},       {CM_DIALOGKEY, 0xB005},       {CM_DIALOGCHAR, 0xB006},
      {CM_FOCUSCHANGED, 0xB007},   {CM_VISIBLECHANGED, 0xB00B},  {CM_ENABLEDCHANGED, 0xB00C},
      {CM_COLORCHANGED, 0xB00D},   {CM_FONTCHANGED, 0xB00E},     {CM_TEXTCHANGED, 0xB012},
      {CM_MOUSEENTER, 0xB013},     {CM_MOUSELEAVE, 0xB014},      {CM_MENUCHANGED, 0xB015},
      {CM_BUTTONPRESSED, 0xB018},  {CM_SHOWINGCHANGED, 0xB019},  {CM_ENTER, 0xB01A},
      {CM_EXIT, 0xB01B},           {CM_WANTSPECIALKEY, 0xB01E},  {CM_UIACTIVATE, 0xB029},
      {CM_CONTROLLISTCHANGE, 0xB02C}, {CM_INVALIDATE, 0xB034},   {CM_CONTROLCHANGE, 0xB036},
      {CM_CHANGED, 0xB037},        {CM_FLOAT, 0xB03A},           {CM_BIDIMODECHANGED, 0xB03C},
      {CM_ACTIONUPDATE, 0xB03F},   {CM_MOUSEWHEEL, 0xB043},      {CN_DRAWITEM, 0xBC2B},
      {CN_MEASUREITEM, 0xBC2C},    {CN_KEYDOWN, 0xBD00},         {CN_KEYUP, 0xBD01},
      {CN_COMMAND, 0xBD11},        {CN_NOTIFY, 0xBC4E},
  };
  for (const Case& c : cases) EXPECT_EQ(c.value, c.expected) << std::hex << c.expected;
}

TEST(MessageRecords, DecodeSignedPositionsAndWheelDelta) {
  TMessage m(WM_MOUSEWHEEL, MAKEWPARAM(MK_SHIFT, static_cast<WORD>(-240)), PointToLParam(-5, 7));
  auto wheel = MessageAs<TWMMouseWheel>(m);
  EXPECT_EQ(wheel.WheelDelta(), -240);
  EXPECT_EQ(wheel.XPos(), -5);
  EXPECT_EQ(wheel.YPos(), 7);
  EXPECT_EQ(wheel.Keys(), static_cast<UINT>(MK_SHIFT));
}

// Records every message that reaches a control's WindowProc and passes it on.
struct DispatchRecorder {
  std::vector<UINT> seen;
  TWndMethod previous;
  void Attach(TControl* control) {
    previous = control->WindowProc;
    control->WindowProc = [this](TMessage& m) {
      seen.push_back(m.Msg);
      previous(m);
    };
  }
  void Detach(TControl* control) { control->WindowProc = previous; }
  bool Saw(UINT msg) const { return std::find(seen.begin(), seen.end(), msg) != seen.end(); }
};

TEST_F(DispatchTest, WindowProcSeesWindowMessagesAndPerformFirst) {
  auto form = NewTestForm();
  DispatchRecorder recorder;
  recorder.Attach(form.get());
  form->Show();
  EXPECT_TRUE(recorder.Saw(WM_SIZE));
  recorder.seen.clear();
  SendMessageA(form->Handle(), WM_USER + 7, 0, 0);
  form->Perform(WM_USER + 8, 0, 0);
  EXPECT_TRUE(recorder.Saw(WM_USER + 7));
  EXPECT_TRUE(recorder.Saw(WM_USER + 8));
  recorder.Detach(form.get());
}

TEST_F(DispatchTest, ChainsUnhookInAnyOrder) {
  auto form = NewTestForm();
  auto* control = new TSolidGraphic(form.get());
  control->SetParent(form.get());
  // Three hooks stacked; each passes on. Removing the middle one first must leave a chain
  // that still reaches the control and the remaining hooks.
  std::vector<int> order;
  TWndMethod base = control->WindowProc;
  TWndMethod h1prev = control->WindowProc;
  control->WindowProc = [&](TMessage& m) { order.push_back(1); h1prev(m); };
  TWndMethod h2prev = control->WindowProc;
  control->WindowProc = [&](TMessage& m) { order.push_back(2); h2prev(m); };
  TWndMethod h3prev = control->WindowProc;
  control->WindowProc = [&](TMessage& m) { order.push_back(3); h3prev(m); };

  control->Perform(CM_HITTEST, 0, 0);
  EXPECT_EQ(order, (std::vector<int>{3, 2, 1}));

  // The middle hook goes: its successor now passes to what it passed to.
  h3prev = h2prev;
  order.clear();
  EXPECT_EQ(control->Perform(CM_HITTEST, 0, 0), HTCLIENT);
  EXPECT_EQ(order, (std::vector<int>{3, 1}));
  // The top one restores its saved procedure, then the bottom one.
  control->WindowProc = h3prev;
  control->WindowProc = base;
  order.clear();
  EXPECT_EQ(control->Perform(CM_HITTEST, 0, 0), HTCLIENT);
  EXPECT_TRUE(order.empty());
}

TEST_F(DispatchTest, PropertyChangesSendTheirNotifications) {
  auto form = NewTestForm();
  auto* control = new TSolidGraphic(form.get());
  control->SetParent(form.get());
  struct Note {
    UINT msg;
    WPARAM wParam;
  };
  std::vector<Note> notes;
  TWndMethod previous = control->WindowProc;
  control->WindowProc = [&](TMessage& m) {
    if (m.Msg >= CM_BASE && m.Msg < CN_BASE) notes.push_back({m.Msg, m.WParam});
    previous(m);
  };
  struct Case {
    std::function<void()> change;
    UINT msg;
  } cases[] = {
      {[&] { control->SetVisible(false); }, CM_VISIBLECHANGED},
      {[&] { control->SetEnabled(false); }, CM_ENABLEDCHANGED},
      {[&] { control->SetColor(clLime); }, CM_COLORCHANGED},
      {[&] { control->Font()->SetSize(14); }, CM_FONTCHANGED},
      {[&] { control->SetText("new"); }, CM_TEXTCHANGED},
      {[&] { control->SetCursor(crHandPoint); }, CM_CURSORCHANGED},
  };
  for (const Case& c : cases) {
    notes.clear();
    c.change();
    ASSERT_FALSE(notes.empty()) << std::hex << c.msg;
    EXPECT_EQ(notes.front().msg, c.msg);
  }
  notes.clear();
  control->SetVisible(true);
  EXPECT_EQ(notes.front().wParam, 1u);  // the new visibility
  // Setting a property to its current value sends nothing.
  notes.clear();
  control->SetColor(clLime);
  EXPECT_TRUE(notes.empty());
  control->WindowProc = previous;
}

TEST_F(DispatchTest, ParentChangesReachChildrenThatFollowTheirParent) {
  auto form = NewTestForm();
  auto* panel = new TTestPanel(form.get());
  panel->SetParent(form.get());
  auto* child = new TSolidGraphic(form.get());
  child->SetParent(panel);
  panel->SetColor(clYellow);
  panel->Font()->SetName("Arial");
  EXPECT_EQ(child->Color(), clYellow);
  EXPECT_TRUE(child->ParentColor());
  EXPECT_EQ(child->Font()->Name(), "Arial");
  child->SetColor(clRed);  // its own colour from now on
  panel->SetColor(clAqua);
  EXPECT_EQ(child->Color(), clRed);
  EXPECT_FALSE(child->ParentColor());
}

TEST_F(DispatchTest, ControlListChangeCarriesTheControlAndDirection) {
  auto form = NewTestForm();
  std::vector<std::pair<WPARAM, LPARAM>> changes;
  TWndMethod previous = form->WindowProc;
  form->WindowProc = [&](TMessage& m) {
    if (m.Msg == CM_CONTROLLISTCHANGE) changes.emplace_back(m.WParam, m.LParam);
    previous(m);
  };
  auto* control = new TSolidGraphic(form.get());
  control->SetParent(form.get());
  control->SetParent(nullptr);
  ASSERT_EQ(changes.size(), 2u);
  EXPECT_EQ(changes[0].first, reinterpret_cast<WPARAM>(control));
  EXPECT_EQ(changes[0].second, 1);
  EXPECT_EQ(changes[1].first, reinterpret_cast<WPARAM>(control));
  EXPECT_EQ(changes[1].second, 0);
  form->WindowProc = previous;
}

// A windowed child learns of its own notifications: the parent reflects WM_COMMAND as
// CN_COMMAND and WM_NOTIFY as CN_NOTIFY.
TEST_F(DispatchTest, NotificationsAreReflectedToTheChild) {
  auto form = NewTestForm();
  auto* child = new TSolidControl(form.get());
  child->SetParent(form.get());
  form->HandleNeeded();
  std::vector<TMessage> reflected;
  TWndMethod previous = child->WindowProc;
  child->WindowProc = [&](TMessage& m) {
    if (m.Msg == CN_COMMAND || m.Msg == CN_NOTIFY) {
      reflected.push_back(m);
      m.Result = 42;
      return;
    }
    previous(m);
  };
  HWND childWnd = child->Handle();
  LRESULT r = SendMessageA(form->Handle(), WM_COMMAND, MAKEWPARAM(5, BN_CLICKED), reinterpret_cast<LPARAM>(childWnd));
  EXPECT_EQ(r, 42);
  NMHDR header{childWnd, 9, static_cast<UINT>(NM_CLICK)};
  r = SendMessageA(form->Handle(), WM_NOTIFY, 9, reinterpret_cast<LPARAM>(&header));
  EXPECT_EQ(r, 42);
  ASSERT_EQ(reflected.size(), 2u);
  EXPECT_EQ(reflected[0].Msg, CN_COMMAND);
  EXPECT_EQ(HIWORD(reflected[0].WParam), BN_CLICKED);
  EXPECT_EQ(reflected[1].Msg, CN_NOTIFY);
  child->WindowProc = previous;
}

TEST_F(DispatchTest, ExceptionInAHandlerReachesHandleExceptionAndTheLoopGoesOn) {
  auto form = NewTestForm();
  TWndMethod previous = form->WindowProc;
  form->WindowProc = [&](TMessage& m) {
    if (m.Msg == WM_USER + 1) throw EInvalidOperation("handler failed");
    if (m.Msg == WM_USER + 2) throw EAbort("silent");
    if (m.Msg == WM_USER + 3) throw std::runtime_error("plain");
    previous(m);
  };
  form->HandleNeeded();
  PostMessageA(form->Handle(), WM_USER + 1, 0, 0);
  PostMessageA(form->Handle(), WM_USER + 2, 0, 0);
  PostMessageA(form->Handle(), WM_USER + 3, 0, 0);
  bool later = false;
  PostMessageA(form->Handle(), WM_USER + 4, 0, 0);
  TWndMethod reporting = form->WindowProc;
  form->WindowProc = [&](TMessage& m) {
    if (m.Msg == WM_USER + 4) later = true;
    reporting(m);
  };
  ASSERT_TRUE(PumpUntil([&] { return later; }));
  EXPECT_EQ(errors, (std::vector<std::string>{"handler failed", "plain"}));
  form->WindowProc = previous;
}

TEST_F(DispatchTest, CreateWindowStepsReachTheControlBeforeHandleReturns) {
  // The first messages of a new window arrive while CreateWindowEx runs; the control already
  // has its handle then, and its text is the window's.
  auto form = NewTestForm();
  form->SetCaption("Created");
  HWND seenInCreate = nullptr;
  TWndMethod previous = form->WindowProc;
  form->WindowProc = [&](TMessage& m) {
    if (m.Msg == WM_CREATE) seenInCreate = form->WindowHandle();
    previous(m);
  };
  HWND wnd = form->Handle();
  EXPECT_EQ(seenInCreate, wnd);
  EXPECT_EQ(form->Caption(), "Created");
  char registered[64] = {};
  GetClassNameA(wnd, registered, sizeof(registered));
  EXPECT_STREQ(registered, "TForm");
  EXPECT_EQ(FindControl(wnd), form.get());
  form->WindowProc = previous;
}

// A list window that draws its items itself: the platform asks the parent for the item
// height (WM_MEASUREITEM) while the window is being created, and then per item for a
// variable height; the parent reflects the question to the control as CN_MEASUREITEM.
class TMeasuredList : public TWinControl {
  VCL_CLASS(TMeasuredList, TWinControl)
  TMeasuredList(TComponent* owner, DWORD ownerDrawStyle, UINT itemHeight)
      : TWinControl(owner), ownerDrawStyle_(ownerDrawStyle), itemHeight_(itemHeight) {}

  struct Question {
    UINT ctlId;
    bool handleReturned;  // false while CreateWindowEx had not returned yet
  };
  std::vector<Question> questions;

  void Dispatch(TMessage& message) override {
    if (message.Msg != CN_MEASUREITEM) return TWinControl::Dispatch(message);
    auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(message.LParam);
    questions.push_back({item->CtlID, created_});
    item->itemHeight = itemHeight_;
    message.Result = TRUE;
  }

 protected:
  void CreateParams(TCreateParams& params) override {
    TWinControl::CreateParams(params);
    CreateSubClass(params, "LISTBOX");
    params.Style |= ownerDrawStyle_ | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT | WS_VSCROLL;
  }
  void CreateWnd() override {
    created_ = false;
    TWinControl::CreateWnd();
    created_ = true;
  }

 private:
  DWORD ownerDrawStyle_;
  UINT itemHeight_;
  bool created_ = false;
};

TEST_F(DispatchTest, ChildrenHaveUniqueIdentifiersFromTheirCreation) {
  auto form = NewTestForm();
  auto* first = new TMeasuredList(form.get(), LBS_OWNERDRAWFIXED, 23);
  first->SetParent(form.get());
  auto* second = new TMeasuredList(form.get(), LBS_OWNERDRAWFIXED, 31);
  second->SetParent(form.get());
  auto* panel = new TTestPanel(form.get());
  panel->SetParent(form.get());
  auto* nested = new TSolidControl(form.get());
  nested->SetParent(panel);
  form->Show();

  std::vector<int> ids;
  for (TWinControl* c : std::initializer_list<TWinControl*>{first, second, panel, nested}) {
    int id = GetDlgCtrlID(c->Handle());
    EXPECT_NE(id, 0) << c->ClassName();
    EXPECT_EQ(id & ~0xFFFF, 0) << "identifiers fit in the word of WM_COMMAND";
    EXPECT_EQ(GetDlgItem(GetParent(c->Handle()), id), c->Handle());
    ids.push_back(id);
  }
  EXPECT_NE(ids[0], ids[1]);
  EXPECT_NE(ids[0], ids[2]);
  EXPECT_NE(ids[1], ids[2]);
  EXPECT_EQ(GetDlgCtrlID(form->Handle()), 0);  // a top-level window has a menu there, not an identifier

  // A window made anew gets an identifier again, still unique among its siblings.
  first->RecreateWnd();
  int again = GetDlgCtrlID(first->Handle());
  EXPECT_NE(again, 0);
  EXPECT_NE(again, ids[1]);
  EXPECT_NE(again, ids[2]);
}

TEST_F(DispatchTest, ItemHeightsAreAskedOfTheControlWhileItsWindowIsBeingCreated) {
  auto form = NewTestForm();
  auto* fixed = new TMeasuredList(form.get(), LBS_OWNERDRAWFIXED, 23);
  fixed->SetParent(form.get());
  auto* variable = new TMeasuredList(form.get(), LBS_OWNERDRAWVARIABLE, 17);
  variable->SetParent(form.get());
  form->Show();

  // The fixed list asked once, before CreateWindowEx returned, and took the answer.
  ASSERT_EQ(fixed->questions.size(), 1u);
  EXPECT_FALSE(fixed->questions[0].handleReturned);
  EXPECT_EQ(static_cast<int>(fixed->questions[0].ctlId), GetDlgCtrlID(fixed->Handle()));
  EXPECT_EQ(SendMessageA(fixed->Handle(), LB_GETITEMHEIGHT, 0, 0), 23);

  // The variable list asks per item; each question reaches this list and no other.
  size_t asked = variable->questions.size();
  SendMessageA(variable->Handle(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("one"));
  SendMessageA(variable->Handle(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("two"));
  ASSERT_EQ(variable->questions.size(), asked + 2);
  EXPECT_TRUE(variable->questions.back().handleReturned);
  EXPECT_EQ(SendMessageA(variable->Handle(), LB_GETITEMHEIGHT, 1, 0), 17);
  EXPECT_EQ(fixed->questions.size(), 1u);
}

TEST_F(DispatchTest, RecreateWndKeepsTheControlsState) {
  auto form = NewTestForm();
  auto* child = new TSolidControl(form.get());
  child->SetParent(form.get());
  child->SetBounds(7, 8, 30, 20);
  child->SetText("kept");
  form->Show();
  HWND before = child->Handle();
  child->RecreateWnd();
  HWND after = child->Handle();
  EXPECT_NE(before, after);
  EXPECT_FALSE(IsWindow(before));
  EXPECT_EQ(child->Text(), "kept");
  EXPECT_EQ(child->Left(), 7);
  EXPECT_TRUE(IsWindowVisible(after));
  EXPECT_EQ(FindControl(after), child);
}

TEST_F(DispatchTest, FreeingAChildTakesItOutOfItsParent) {
  auto form = NewTestForm();
  auto* panel = new TTestPanel(form.get());
  panel->SetParent(form.get());
  auto* windowed = new TSolidControl(form.get());
  windowed->SetParent(panel);
  auto* graphic = new TSolidGraphic(form.get());
  graphic->SetParent(panel);
  form->Show();
  HWND wnd = windowed->Handle();
  delete windowed;
  delete graphic;
  EXPECT_EQ(panel->ControlCount(), 0);
  EXPECT_FALSE(IsWindow(wnd));
  // The parent goes on working with what is left.
  TMessage probe(CM_FOCUSCHANGED, 0, 0);
  panel->Broadcast(probe);
  auto* again = new TSolidControl(form.get());
  again->SetParent(panel);
  EXPECT_EQ(panel->ControlCount(), 1);
}

TEST_F(DispatchTest, ParentRejectsLoopsAndItself) {
  auto form = NewTestForm();
  auto* outer = new TTestPanel(form.get());
  outer->SetParent(form.get());
  auto* inner = new TTestPanel(form.get());
  inner->SetParent(outer);
  EXPECT_THROW(outer->SetParent(outer), EInvalidOperation);
  EXPECT_THROW(outer->SetParent(inner), EInvalidOperation);
  EXPECT_EQ(outer->Parent(), form.get());
  // A windowed control without a parent cannot make its window.
  auto orphan = std::make_unique<TTestPanel>(nullptr);
  EXPECT_THROW(orphan->HandleNeeded(), EInvalidOperation);
}

}  // namespace

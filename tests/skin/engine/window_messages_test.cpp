// Skinning messages sent down trees of real windows and windowless controls, with recorders
// that note what each control receives, and the colour and geometry look-ups.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "skin/engine/window_messages.h"
#include "vcl/controls/forms.h"
#include "vcl/stdctrls/extctrls.h"

using namespace skin;

namespace {

std::vector<std::string> received;

// Records every skinning command it gets; answers cmdIsSkinned with 1 when `skinned`.
template <class Base>
class TRecorder : public Base {
 public:
  TRecorder(vcl::TComponent* owner, std::string name, bool skinned) : Base(owner), name_(std::move(name)), skinned_(skinned) {}
  void WndProc(vcl::TMessage& message) override {
    if (message.Msg == SM_ALPHACMD) {
      uint16_t command = HIWORD(message.WParam);
      if (command == cmdIsSkinned) {
        if (skinned_) message.Result = 1;
        return;
      }
      received.push_back(name_ + ":" + std::to_string(command));
      if (command == cmdGetBgColor && skinned_) {
        message.Result = 0x123456;
        return;
      }
    }
    if (message.Msg == WM_USER + 7) received.push_back(name_ + ":user");
    Base::WndProc(message);
  }

 private:
  std::string name_;
  bool skinned_;
};

using TPanelRecorder = TRecorder<vcl::TPanel>;
using TBevelRecorder = TRecorder<vcl::TBevel>;

struct TTree {
  std::unique_ptr<vcl::TForm> form;
  TPanelRecorder* a;  // skinned window
  TPanelRecorder* b;  // unskinned window holding c and d
  TBevelRecorder* c;  // windowless
  TPanelRecorder* d;  // unskinned window
  TBevelRecorder* e;  // windowless, directly on the form

  TTree() : form(new vcl::TForm(nullptr)) {
    form->SetBounds(0, 0, 300, 200);
    a = Add<TPanelRecorder>(form.get(), "a", true);
    b = Add<TPanelRecorder>(form.get(), "b", false);
    c = Add<TBevelRecorder>(b, "c", false);
    d = Add<TPanelRecorder>(b, "d", false);
    e = Add<TBevelRecorder>(form.get(), "e", false);
    form->HandleNeeded();
    for (vcl::TWinControl* w : {static_cast<vcl::TWinControl*>(a), static_cast<vcl::TWinControl*>(b),
                                static_cast<vcl::TWinControl*>(d)})
      w->HandleNeeded();
    received.clear();
  }
  template <class T>
  T* Add(vcl::TWinControl* parent, const char* name, bool skinned) {
    auto* control = new T(form.get(), name, skinned);
    control->SetParent(parent);
    control->SetBounds(0, 0, 20, 20);
    return control;
  }
};

TEST(WindowMessages, MessagesPassDownTheTreeToWhoeverMustHandleThem) {
  TTree tree;
  vcl::TMessage message(WM_USER + 7, 0, 0);
  PassMessageToChildControls(tree.form.get(), message);
  // Windowless controls come first. The skinned window takes the message itself; the
  // unskinned ones are walked into, so the empty one hears nothing.
  EXPECT_EQ(received, (std::vector<std::string>{"e:user", "a:user", "c:user"}));

  // A child on its way out is skipped, and the siblings after it still hear the message.
  received.clear();
  tree.a->Destroying();
  PassMessageToChildControls(tree.form.get(), message);
  EXPECT_EQ(received, (std::vector<std::string>{"e:user", "c:user"}));
}

TEST(WindowMessages, RepaintGoesToWindowedChildrenUnlessAnAnimationRuns) {
  TTree tree;
  tree.form->Show();
  SendRepaintToChildren(tree.form.get());
  EXPECT_EQ(received, (std::vector<std::string>{"a:6", "b:6"}));
  received.clear();
  AnimationInProgress = true;
  SendRepaintToChildren(tree.form.get());
  AnimationInProgress = false;
  EXPECT_TRUE(received.empty());
  received.clear();
  SendRepaintToChildWindows(tree.form->Handle());
  EXPECT_EQ(received.size(), 2u);
  tree.form->Hide();
}

TEST(WindowMessages, SendersReachWindowsAndWindowlessControls) {
  TTree tree;
  EXPECT_EQ(SendAlphaCmdCtrl(tree.a, cmdIsSkinned, 0), 1);
  EXPECT_EQ(SendAlphaCmdCtrl(tree.c, cmdInvalidate, 0), 0);
  EXPECT_EQ(SendAlphaCmdCtrl(nullptr, cmdIsSkinned, 0), 0);
  EXPECT_EQ(received, (std::vector<std::string>{"c:17"}));
  EXPECT_TRUE(WndAnswersAlphaCmd(tree.a->Handle(), cmdIsSkinned));
  EXPECT_FALSE(WndAnswersAlphaCmd(tree.b->Handle(), cmdIsSkinned));
  EXPECT_FALSE(WndAnswersAlphaCmd(tree.form->Handle(), cmdIsSkinned));
  // A control created or loaded is announced to its top-level form.
  received.clear();
  SendControlLoaded(tree.d);
  EXPECT_TRUE(received.empty());  // the form is no recorder; nothing else hears it
}

TEST(WindowMessages, BackgroundColoursOfControlsAndWindows) {
  TTree tree;
  tree.b->SetColor(vcl::TColor(0x00AA00));
  EXPECT_EQ(GetControlBgColor(tree.a), 0x123456);
  EXPECT_EQ(GetControlBgColor(tree.b), 0x00AA00);
  EXPECT_EQ(GetControlBgColor(nullptr), 0xFF00FF);
  EXPECT_EQ(GetWindowBgColor(nullptr), 0xFF00FF);
  EXPECT_EQ(GetWindowBgColor(tree.a->Handle()), 0x123456);
  // An unskinned window is not taken for black: its class brush, or the button face.
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "SkinPlainWindow";
  wc.hbrBackground = HBRUSH(COLOR_WINDOW + 1);
  RegisterClassA(&wc);
  wc.lpszClassName = "SkinBrushlessWindow";
  wc.hbrBackground = nullptr;
  RegisterClassA(&wc);
  HWND plain = CreateWindowExA(0, "SkinPlainWindow", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, nullptr);
  HWND brushless =
      CreateWindowExA(0, "SkinBrushlessWindow", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, nullptr);
  EXPECT_EQ(uint32_t(GetWindowBgColor(plain)), uint32_t(GetSysColor(COLOR_WINDOW)));
  EXPECT_EQ(uint32_t(GetWindowBgColor(brushless)), uint32_t(GetSysColor(COLOR_BTNFACE)));
  DestroyWindow(plain);
  DestroyWindow(brushless);
}

TEST(WindowMessages, TreeAndGeometryLookUps) {
  TTree tree;
  EXPECT_TRUE(ControlReadyToPaint(tree.a));
  EXPECT_FALSE(ControlReadyToPaint(nullptr));
  EXPECT_FALSE(ControlReadyToPaint(tree.form.get()));  // no parent
  vcl::TPanel loose(nullptr);
  EXPECT_FALSE(ControlReadyToPaint(&loose));  // no window
  EXPECT_EQ(GetOwnerForm(tree.c), tree.form.get());
  EXPECT_EQ(GetOwnerForm(&loose), nullptr);
  EXPECT_EQ(GetOwnerFrame(tree.c), nullptr);

  tree.a->SetAlign(vcl::alTop);
  tree.a->SetHeight(30);
  tree.e->SetAlign(vcl::alTop);
  tree.e->SetHeight(7);
  tree.b->SetAlign(vcl::alLeft);
  tree.b->SetWidth(40);
  struct Case {
    vcl::TAlign align;
    bool graphic;
    int32_t sum;
  } cases[] = {{vcl::alTop, false, 30}, {vcl::alTop, true, 37}, {vcl::alLeft, true, 40},
               {vcl::alClient, true, 0}, {vcl::alNone, true, 0}, {vcl::alBottom, true, 0}};
  for (const Case& c : cases) EXPECT_EQ(SumAlignedControlsSize(tree.form.get(), c.align, c.graphic), c.sum) << c.align;

  EXPECT_EQ(AlignToDrawTextFlags(tree.a, vcl::taCenter), DT_CENTER | DT_EXPANDTABS | DT_VCENTER);
  EXPECT_EQ(AlignToDrawTextFlags(tree.a, vcl::taRightJustify), DT_RIGHT | DT_EXPANDTABS | DT_VCENTER);
  EXPECT_EQ(GetTopParentWindow(tree.d->Handle()), tree.form->Handle());
  vcl::TRect client;
  GetClientRectInWindow(tree.form->Handle(), client);
  RECT window;
  GetWindowRect(tree.form->Handle(), &window);
  EXPECT_GE(client.left, 0);
  EXPECT_LE(client.right, window.right - window.left);
  EXPECT_EQ(client.right - client.left, tree.form->ClientWidth());
}

}  // namespace

namespace {

uint32_t PixelOf(vcl::TBitmap* b, int x, int y) {
  const uint8_t* p = static_cast<uint8_t*>(b->ScanLine(y)) + x * 3;
  return p[2] | (p[1] << 8) | (p[0] << 16);
}

std::unique_ptr<vcl::TBitmap> WindowBlackBitmap(int w, int h) {
  auto b = std::make_unique<vcl::TBitmap>();
  b->SetPixelFormat(vcl::pf24bit);
  b->SetSize(w, h);
  RECT all{0, 0, w, h};
  FillRect(b->Canvas()->Handle(), &all, HBRUSH(GetStockObject(BLACK_BRUSH)));
  GdiFlush();
  return b;
}

vcl::TShape* AddShape(vcl::TWinControl* parent, vcl::TRect bounds, vcl::TColor colour) {
  auto* shape = new vcl::TShape(parent);
  shape->SetParent(parent);
  shape->SetBoundsRect(bounds);
  shape->Brush()->SetColor(colour);
  shape->Pen()->SetColor(colour);
  return shape;
}

TEST(WindowMessages, GraphicChildrenArePaintedOverTheirBackgroundAtTheOffset) {
  TTree tree;
  tree.b->SetColor(vcl::TColor(0x00FF00));
  tree.b->SetBounds(0, 0, 60, 40);
  AddShape(tree.b, {20, 10, 30, 20}, vcl::TColor(0x0000FF));
  vcl::TShape* hidden = AddShape(tree.b, {40, 10, 50, 20}, vcl::TColor(0xFF0000));
  hidden->SetVisible(false);
  tree.c->SetVisible(false);
  auto target = WindowBlackBitmap(80, 60);
  PaintGraphicControlsToDC(target->Canvas()->Handle(), tree.b, {3, 4});
  GdiFlush();
  EXPECT_EQ(PixelOf(target.get(), 25 + 3, 15 + 4), 0x0000FFu);
  EXPECT_EQ(PixelOf(target.get(), 45 + 3, 15 + 4), 0u);  // hidden: nothing
  EXPECT_EQ(PixelOf(target.get(), 10, 10), 0u);          // the container itself is not painted

  // A DC that shows nothing marks the container partly hidden.
  received.clear();
  HDC dc = target->Canvas()->Handle();
  int saved = SaveDC(dc);
  IntersectClipRect(dc, 0, 0, 0, 0);
  PaintGraphicControlsToDC(dc, tree.b, {0, 0});
  RestoreDC(dc, saved);
  EXPECT_EQ(received, (std::vector<std::string>{"b:22"}));
}

TEST(WindowMessages, ControlsArePaintedIntoBitmapsWithTheirWindowedChildren) {
  TTree tree;
  tree.form->SetColor(vcl::TColor(0x0000AA));
  tree.b->SetColor(vcl::TColor(0x00AA00));
  tree.b->SetBevelOuter(vcl::bvNone);
  tree.b->SetBounds(10, 10, 40, 30);
  tree.d->SetColor(vcl::TColor(0xAA0000));
  tree.d->SetBevelOuter(vcl::bvNone);
  tree.d->SetBounds(5, 5, 10, 10);
  tree.a->SetVisible(false);
  tree.e->SetVisible(false);
  tree.c->SetVisible(false);
  auto target = WindowBlackBitmap(40, 30);
  PaintControlToBitmap(target.get(), tree.b, 0, nullptr, 0);
  GdiFlush();
  EXPECT_EQ(PixelOf(target.get(), 2, 2), 0x00AA00u);
  EXPECT_EQ(PixelOf(target.get(), 8, 8), 0xAA0000u);  // the windowed child at its place

  // An invisible control leaves its parent's background in its place.
  auto hiddenTarget = WindowBlackBitmap(30, 30);
  tree.d->SetVisible(false);
  PaintControlToBitmap(hiddenTarget.get(), tree.d, 2, nullptr, 3);
  GdiFlush();
  EXPECT_EQ(PixelOf(hiddenTarget.get(), 2, 3), 0x00AA00u);
  EXPECT_EQ(PixelOf(hiddenTarget.get(), 11, 12), 0x00AA00u);
  EXPECT_EQ(PixelOf(hiddenTarget.get(), 1, 1), 0u);
}

TEST(WindowMessages, TheOutputWindowIsAPopupThatNeverErases) {
  TOutputWindow window(nullptr);
  EXPECT_FALSE(window.Visible());
  EXPECT_EQ(window.Color(), vcl::TColor(0x800080));
  HWND handle = window.Handle();
  EXPECT_EQ(uint32_t(GetWindowLongA(handle, GWL_STYLE)) & (WS_POPUP | WS_CHILD), uint32_t(WS_POPUP));
  auto target = WindowBlackBitmap(4, 4);
  EXPECT_EQ(SendMessageA(handle, WM_ERASEBKGND, WPARAM(target->Canvas()->Handle()), 0), 1);
  GdiFlush();
  EXPECT_EQ(PixelOf(target.get(), 1, 1), 0u);
  EXPECT_EQ(SetWindowThemeFunc != nullptr, UxThemeLibrary != nullptr);
}

}  // namespace

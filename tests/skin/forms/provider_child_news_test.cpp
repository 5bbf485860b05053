// What a skinned form tells its children when windows or controls come and go (they read again
// whether they paint from their parent's image), and which window a page asks to adapt a new
// control: the form itself, never the window that owns the form.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>

#include "skin/engine/window_messages.h"
#include "skin/forms/adapters/main_wnd.h"
#include "tests/skin/forms/provider_fixture.h"
#include "vcl/stdctrls/extctrls.h"

using namespace skin;
using namespace provider_test;

namespace {

// A panel that counts the requests to read its fast-paint flags again, and says it is skinned
// so that the form's broadcasts reach it.
class TFlagsRecorder : public vcl::TPanel {
 public:
  explicit TFlagsRecorder(vcl::TComponent* owner) : vcl::TPanel(owner) {}
  void WndProc(vcl::TMessage& message) override {
    if (message.Msg == SM_ALPHACMD && HIWORD(message.WParam) == cmdIsSkinned) {
      message.Result = 1;
      return;
    }
    if (message.Msg == SM_ALPHACMD && HIWORD(message.WParam) == cmdFastFlags && message.LParam == 1) ++rereads;
    vcl::TPanel::WndProc(message);
  }
  int rereads = 0;
};

class ProviderChildNews : public ProviderTest {};

TEST_F(ProviderChildNews, ChildrenReadTheirFastFlagsAgainWhenChildrenComeAndGo) {
  struct Case {
    const char* what;
    // Does the change on the shown form; returns the recorder that must hear of it.
    std::function<TFlagsRecorder*(vcl::TForm*, TFlagsRecorder* onForm)> change;
  };
  const Case cases[] = {
      {"a control joins the form",
       [](vcl::TForm* form, TFlagsRecorder*) {
         auto* joining = new TFlagsRecorder(form);
         joining->SetParent(form);
         return joining;
       }},
      {"a container joins the form: its children hear of it",
       [](vcl::TForm* form, TFlagsRecorder*) {
         auto* box = new vcl::TPanel(form);
         auto* inner = new TFlagsRecorder(form);
         inner->SetParent(box);
         box->SetParent(form);
         return inner;
       }},
      {"a child window is made",
       [](vcl::TForm* form, TFlagsRecorder* onForm) {
         CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 10, 10, form->Handle(), nullptr, nullptr, nullptr);
         return onForm;
       }},
      {"a child window goes",
       [](vcl::TForm* form, TFlagsRecorder* onForm) {
         HWND child = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 10, 10, form->Handle(), nullptr, nullptr, nullptr);
         onForm->rereads = 0;
         DestroyWindow(child);
         return onForm;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    vcl::TForm* form = NewSkinnedForm(300, 200);
    auto* onForm = new TFlagsRecorder(form);
    onForm->SetParent(form);
    ShowForm(form);
    onForm->rereads = 0;
    TFlagsRecorder* told = c.change(form, onForm);
    EXPECT_GT(told->rereads, 0);
    forms.clear();
  }
}

// Records which windows are asked to adapt their new controls.
std::map<HWND, int> adaptRequests;

LRESULT CALLBACK AdaptRecorderProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == SM_ALPHACMD && HIWORD(wParam) == cmdControlLoaded) {
    ++adaptRequests[wnd];
    return 0;
  }
  return DefWindowProcA(wnd, msg, wParam, lParam);
}

TEST(TopLevelAdapt, TheTopLevelWindowIsAskedNotItsOwner) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = AdaptRecorderProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "MergeonAdaptRecorder";
  RegisterClassA(&wc);
  auto make = [](DWORD style, HWND parent) {
    return CreateWindowExA(0, "MergeonAdaptRecorder", "", style, 0, 0, 100, 100, parent, nullptr, nullptr, nullptr);
  };
  struct Case {
    const char* what;
    DWORD formStyle;
  };
  // A dialog or borderless form is a popup, whose GetParent answers its owner.
  for (const Case& c : {Case{"popup form", WS_POPUP | WS_CAPTION}, Case{"overlapped form", WS_OVERLAPPEDWINDOW}}) {
    SCOPED_TRACE(c.what);
    HWND owner = make(WS_OVERLAPPEDWINDOW, nullptr);
    HWND form = make(c.formStyle, owner);
    HWND page = make(WS_CHILD, form);
    HWND control = make(WS_CHILD, page);
    adaptRequests.clear();
    RequestTopLevelAdapt(control);
    EXPECT_EQ(adaptRequests[form], 1);
    EXPECT_EQ(adaptRequests[owner], 0);
    EXPECT_EQ(adaptRequests[page], 0);
    adaptRequests.clear();
    RequestTopLevelAdapt(form);
    EXPECT_EQ(adaptRequests[form], 1);
    EXPECT_EQ(adaptRequests[owner], 0);
    DestroyWindow(owner);
  }
}

}  // namespace

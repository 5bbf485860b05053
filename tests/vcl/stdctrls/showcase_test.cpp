// A form holding one of each standard control. The test builds and paints it; with
// MERGEON_SHOWCASE_SECONDS set it also stays on screen that long, so that a screenshot under a
// real display shows how the controls look:
//   MERGEON_SHOWCASE_SECONDS=8 shared/tools/screenshot out.png 6 build-X/tests/vcl_stdctrls_tests.exe --gtest_filter=Showcase.*
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/vcl/stdctrls/stdctrls_test_util.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/stdctrls/buttons.h"
#include "vcl/stdctrls/comctrls.h"
#include "vcl/stdctrls/extctrls.h"
#include "vcl/stdctrls/mask.h"
#include "vcl/controls/menus.h"
#include "vcl/stdctrls/spin.h"

using namespace vcl;

namespace {

template <class T>
T* ShowcasePlace(TWinControl* parent, int left, int top, int width, int height, const std::string& caption = {}) {
  auto* control = new T(parent->Owner() ? parent->Owner() : parent);
  control->SetParent(parent);
  control->SetBounds(left, top, width, height);
  if (!caption.empty()) control->SetCaption(caption);
  return control;
}

void BuildShowcase(TForm* form) {
  form->SetCaption("Standard controls");
  form->SetBounds(40, 40, 760, 560);

  auto* menu = new TMainMenu(form);
  for (const char* caption : {"&File", "&Edit", "&Help"}) {
    auto* item = new TMenuItem(form);
    item->SetCaption(caption);
    menu->Items()->Add(item);
  }
  form->SetMenu(menu);

  auto* tools = new TToolBar(form);
  tools->SetParent(form);
  tools->SetFlat(true);
  tools->SetShowCaptions(true);
  tools->SetButtonWidth(50);
  for (const char* caption : {"New", "Open", "Save"}) {
    auto* button = new TToolButton(form);
    button->SetCaption(caption);
    button->SetParent(tools);
  }

  auto* status = new TStatusBar(form);
  status->SetParent(form);
  status->Panels()->Add()->SetText("Ready");
  status->Panels()->Items(0)->SetWidth(200);
  status->Panels()->Add()->SetText("640 x 480");

  ShowcasePlace<TButton>(form, 10, 40, 75, 25, "Button");
  auto* bitBtn = ShowcasePlace<TBitBtn>(form, 95, 40, 75, 25);
  bitBtn->SetKind(bkOK);
  auto* speed = ShowcasePlace<TSpeedButton>(form, 180, 40, 25, 25, "S");
  speed->SetGroupIndex(1);
  speed->SetDown(true);
  auto* flat = ShowcasePlace<TSpeedButton>(form, 210, 40, 25, 25, "F");
  flat->SetFlat(true);
  auto* check = ShowcasePlace<TCheckBox>(form, 10, 75, 100, 17, "Check box");
  check->SetChecked(true);
  auto* radio = ShowcasePlace<TRadioButton>(form, 120, 75, 110, 17, "Radio button");
  radio->SetChecked(true);
  ShowcasePlace<TEdit>(form, 10, 100, 121, 21)->SetText("Edit");
  auto* masked = ShowcasePlace<TMaskEdit>(form, 140, 100, 90, 21);
  masked->SetEditMask("000-00;1;_");
  auto* spin = ShowcasePlace<TSpinEdit>(form, 240, 100, 57, 21);
  spin->SetValue(640);
  auto* memo = ShowcasePlace<TMemo>(form, 10, 130, 185, 60);
  memo->Lines()->Add("Memo line one");
  memo->Lines()->Add("Memo line two");
  auto* combo = ShowcasePlace<TComboBox>(form, 205, 130, 120, 21);
  for (const char* item : {"Normal", "Multiply", "Screen"}) combo->Items()->Add(item);
  combo->SetItemIndex(0);
  auto* list = ShowcasePlace<TListBox>(form, 205, 160, 120, 60);
  for (const char* item : {"Linear", "Diagonal", "Radial", "Diamond"}) list->Items()->Add(item);
  list->SetItemIndex(1);
  ShowcasePlace<TScrollBar>(form, 10, 200, 185, 17);
  ShowcasePlace<TLabel>(form, 10, 225, 60, 13, "Label");
  auto* staticText = ShowcasePlace<TStaticText>(form, 80, 225, 80, 17, "Static text");
  staticText->SetBorderStyle(sbsSunken);

  auto* group = ShowcasePlace<TGroupBox>(form, 340, 40, 180, 80, " Group box ");
  ShowcasePlace<TButton>(group, 10, 25, 75, 25, "Inside");
  auto* radioGroup = ShowcasePlace<TRadioGroup>(form, 340, 125, 180, 65, "Radio group");
  radioGroup->Items()->Add("Stretch To Fit");
  radioGroup->Items()->Add("Tile Image");
  radioGroup->SetItemIndex(0);

  auto* panel = ShowcasePlace<TPanel>(form, 530, 40, 200, 40, "Panel");
  panel->SetBevelInner(bvLowered);
  auto* bevel = ShowcasePlace<TBevel>(form, 530, 85, 200, 4);
  bevel->SetShape(bsTopLine);
  auto* shape = ShowcasePlace<TShape>(form, 530, 95, 60, 40);
  shape->SetShape(stRoundRect);
  shape->Brush()->SetColor(clSkyBlue);
  auto* image = ShowcasePlace<TImage>(form, 600, 95, 40, 40);
  TBitmap picture;
  picture.SetSize(40, 40);
  picture.Canvas()->Brush()->SetColor(clMoneyGreen);
  picture.Canvas()->FillRect(TRect{0, 0, 40, 40});
  picture.Canvas()->Ellipse(5, 5, 35, 35);
  image->Picture()->SetGraphic(&picture);
  auto* paintBox = ShowcasePlace<TPaintBox>(form, 650, 95, 80, 40);
  paintBox->OnPaint = [paintBox](TObject*) {
    paintBox->Canvas()->Brush()->SetColor(clCream);
    paintBox->Canvas()->Rectangle(0, 0, paintBox->Width(), paintBox->Height());
    paintBox->Canvas()->TextOut(6, 12, "Paint box");
  };

  auto* track = ShowcasePlace<TTrackBar>(form, 530, 145, 200, 30);
  track->SetMax(255);
  track->SetPosition(128);
  track->SetFrequency(32);
  auto* progress = ShowcasePlace<TProgressBar>(form, 530, 180, 200, 16);
  progress->SetPosition(60);
  auto* updownEdit = ShowcasePlace<TEdit>(form, 530, 202, 50, 21);
  auto* updown = ShowcasePlace<TUpDown>(form, 580, 202, 16, 21);
  updown->SetAssociate(updownEdit);
  updown->SetPosition(3);

  auto* pages = ShowcasePlace<TPageControl>(form, 10, 250, 320, 200);
  for (const char* caption : {"Page one", "Page two"}) {
    auto* sheet = new TTabSheet(form);
    sheet->SetPageControl(pages);
    sheet->SetCaption(caption);
  }
  pages->SetActivePageIndex(0);
  auto* listView = ShowcasePlace<TListView>(pages->Pages(0), 5, 5, 300, 80);
  listView->SetViewStyle(vsReport);
  listView->AddColumn("Name", 150);
  listView->AddColumn("Size", 80);
  listView->AddItem("base.jpg", {"640 x 480"});
  listView->AddItem("overlay.png", {"320 x 200"});
  auto* tree = ShowcasePlace<TTreeView>(pages->Pages(0), 5, 90, 300, 75);
  int layers = tree->AddNode(-1, "Layers");
  tree->AddNode(layers, "Base");
  tree->AddNode(layers, "Overlay");

  auto* tabs = ShowcasePlace<TTabControl>(form, 340, 250, 390, 100);
  tabs->Tabs()->Add("Source");
  tabs->Tabs()->Add("Result");
  auto* header = ShowcasePlace<THeaderControl>(form, 340, 360, 390, 20);
  header->SetAlign(alNone);
  header->SetBounds(340, 360, 390, 20);
  header->Sections()->Add()->SetText("Section");
  header->Sections()->Items(0)->SetWidth(150);
  header->Sections()->Add()->SetText("Another");
  auto* splitterHost = ShowcasePlace<TPanel>(form, 340, 390, 390, 60);
  auto* left = ShowcasePlace<TPanel>(splitterHost, 0, 0, 120, 60, "Left");
  left->SetAlign(alLeft);
  auto* splitter = ShowcasePlace<TSplitter>(splitterHost, 120, 0, 4, 60);
  splitter->SetAlign(alLeft);
  splitter->SetBeveled(true);
  auto* right = ShowcasePlace<TPanel>(splitterHost, 130, 0, 100, 60, "Right");
  right->SetAlign(alClient);
}

}  // namespace

class Showcase : public StdCtrlsTest {};

TEST_F(Showcase, AFormWithOneOfEachControlPaints) {
  TForm* form = NewForm();
  BuildShowcase(form);
  form->Show();
  UpdateWindow(form->Handle());
  // Painting everything (with every child window) into a bitmap raises nothing.
  TBitmap shot;
  shot.SetSize(form->ClientWidth(), form->ClientHeight());
  form->PaintTo(shot.Canvas()->Handle(), 0, 0);
  Pump();
  EXPECT_GE(form->ControlCount(), 30);

  if (const char* seconds = std::getenv("MERGEON_SHOWCASE_SECONDS")) {
    DWORD until = GetTickCount() + static_cast<DWORD>(std::atoi(seconds)) * 1000;
    PumpUntil([until] { return GetTickCount() >= until; }, std::atoi(seconds) * 1000 + 1000);
  }
  form->Hide();
}

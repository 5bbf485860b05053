// A tree of another component set that draws its own column header, under the virtual-tree
// adapter: the header is painted from the skin through the tree's header events, which the
// adapter takes only when empty and gives back only when still its own; the tree's designed
// colours and options come back when the skin goes.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "skin/forms/adapters/control_adapters.h"
#include "skin/forms/adapters/virtual_tree_wnd.h"
#include "tests/skin/forms/adapter_skin_fixture.h"
#include "tests/skin/forms/provider_fixture.h"
#include "vcl/classes/typeinfo.h"
#include "vcl/controls/forms.h"

using namespace skin;

// ---- A tree that behaves as the adapter expects (by its published names) ----------------------

class TVTHeader : public vcl::TPersistent {
  VCL_CLASS(TVTHeader, vcl::TPersistent)
  TVTHeader();
  ~TVTHeader() override;
  uint32_t Options() const { return options_; }
  void SetOptions(uint32_t value) { options_ = value; }
  int64_t Color() const { return colour_; }
  void SetColor(int64_t value) { colour_ = value; }
  int64_t SortDirection() const { return sort_; }
  void SetSortDirection(int64_t value) { sort_ = value; }
  vcl::TFont* Font() const { return font_.get(); }

 private:
  uint32_t options_ = 2;  // hoVisible
  int64_t colour_ = 0x123456, sort_ = 0;
  std::unique_ptr<vcl::TFont> font_ = std::make_unique<vcl::TFont>();
};
TVTHeader::TVTHeader() { font_->SetColor(0x654321); }
TVTHeader::~TVTHeader() = default;
VCL_PUBLISHED(TVTHeader, p) {
  p.Set("Options", &TVTHeader::Options, &TVTHeader::SetOptions, {"hoOwnerDraw", "hoVisible"})
      .Integer("Color", &TVTHeader::Color, &TVTHeader::SetColor)
      .Integer("SortDirection", &TVTHeader::SortDirection, &TVTHeader::SetSortDirection)
      .Object("Font", &TVTHeader::Font);
}

class TVTColumn : public vcl::TPersistent {
  VCL_CLASS(TVTColumn, vcl::TPersistent)
  TVTColumn();
  ~TVTColumn() override;
  const std::string& Text() const { return text_; }
  void SetText(const std::string& value) { text_ = value; }
  uint32_t Options() const { return options_; }
  void SetOptions(uint32_t value) { options_ = value; }

 private:
  std::string text_ = "Name";
  uint32_t options_ = 0;
};
TVTColumn::TVTColumn() = default;
TVTColumn::~TVTColumn() = default;
VCL_PUBLISHED(TVTColumn, p) {
  p.String("Text", &TVTColumn::Text, &TVTColumn::SetText).Set("Options", &TVTColumn::Options, &TVTColumn::SetOptions,
                                                              {"coWrapCaption"});
}

class TVETColors : public vcl::TPersistent {
  VCL_CLASS(TVETColors, vcl::TPersistent)
  TVETColors();
  ~TVETColors() override;
  int64_t values[3] = {0x0000AA, 0x00AA00, 0xAA0000};
};
TVETColors::TVETColors() = default;
TVETColors::~TVETColors() = default;
VCL_PUBLISHED(TVETColors, p) {
  p.Integer("CompressedTextColor", [](TVETColors* c) { return c->values[0]; }, [](TVETColors* c, int64_t v) { c->values[0] = v; })
      .Integer("FileTextColor", [](TVETColors* c) { return c->values[1]; }, [](TVETColors* c, int64_t v) { c->values[1] = v; })
      .Integer("FolderTextColor", [](TVETColors* c) { return c->values[2]; }, [](TVETColors* c, int64_t v) { c->values[2] = v; });
}

class TVirtualStringTree : public vcl::TCustomControl, public IacVirtualTreeHeader {
  VCL_CLASS(TVirtualStringTree, vcl::TCustomControl)
  explicit TVirtualStringTree(vcl::TComponent* owner);
  ~TVirtualStringTree() override;
  TVTHeader* Header() const { return header_.get(); }
  TVETColors* VETColors() const { return colours_.get(); }
  TVTColumn* Column() const { return column_.get(); }
  TVETColors* PaintInfoColumn() const { return paintInfoColumn_.get(); }
  bool Themed() const { return themed_; }
  void SetThemed(bool value) { themed_ = value; }
  TacAdvancedHeaderPaintEvent& AdvancedHeaderDrawEvent() override { return OnAdvancedHeaderDraw; }
  TacHeaderPaintQueryElementsEvent& HeaderDrawQueryElementsEvent() override { return OnHeaderDrawQueryElements; }

  // The header as the tree paints it: its own plain look, or its owner's drawing.
  void PaintHeader(vcl::TCanvas* canvas, int width, int height, uint32_t elements) {
    TacHeaderPaintInfo info;
    info.TargetCanvas = canvas;
    info.Column = column_.get();
    info.PaintRectangle = vcl::TRect{0, 0, width / 2, height};
    info.TextRectangle = vcl::TRect{4, 0, width / 2 - 4, height};
    info.IsHoverIndex = true;
    const bool ownerDraw = (header_->Options() & 1) != 0;
    if (ownerDraw && OnHeaderDrawQueryElements) OnHeaderDrawQueryElements(this, info, elements);
    if (ownerDraw && OnAdvancedHeaderDraw) {
      OnAdvancedHeaderDraw(this, info, elements);
      info.Column = nullptr;
      info.PaintRectangle = vcl::TRect{width / 2, 0, width, height};
      OnAdvancedHeaderDraw(this, info, elements);
    }
  }

  TacAdvancedHeaderPaintEvent OnAdvancedHeaderDraw;
  TacHeaderPaintQueryElementsEvent OnHeaderDrawQueryElements;

 private:
  std::unique_ptr<TVTHeader> header_ = std::make_unique<TVTHeader>();
  std::unique_ptr<TVETColors> colours_ = std::make_unique<TVETColors>();
  std::unique_ptr<TVTColumn> column_ = std::make_unique<TVTColumn>();
  // The painting column of this set: present, so the adapter also sets the header colours.
  std::unique_ptr<TVETColors> paintInfoColumn_ = std::make_unique<TVETColors>();
  bool themed_ = true;
};
TVirtualStringTree::TVirtualStringTree(vcl::TComponent* owner) : vcl::TCustomControl(owner) {}
TVirtualStringTree::~TVirtualStringTree() = default;
VCL_PUBLISHED(TVirtualStringTree, p) {
  p.Object("Header", &TVirtualStringTree::Header)
      .Object("VETColors", &TVirtualStringTree::VETColors)
      .Object("PaintInfoColumn", &TVirtualStringTree::PaintInfoColumn)
      .Bool("Themed", &TVirtualStringTree::Themed, &TVirtualStringTree::SetThemed);
}

namespace {

class VirtualTreeAdapter : public ::testing::Test {
 protected:
  void SetUp() override {
    manager = adapter_test::LoadInternalSkin();
    ASSERT_TRUE(manager->SkinData()->Active) << manager->LastLoadError();
    manager->ThirdPartyLists[12]->Add("TVirtualStringTree");
    form.reset(new vcl::TForm(nullptr));
    form->SetBounds(0, 0, 300, 200);
    tree = new TVirtualStringTree(form.get());
    tree->SetParent(form.get());
    tree->SetBounds(10, 10, 240, 150);
    form->Show();
  }
  std::unique_ptr<TsSkinManager> manager;
  std::unique_ptr<vcl::TForm> form;
  TVirtualStringTree* tree = nullptr;
};

TEST_F(VirtualTreeAdapter, HeaderEventsAreTakenOnlyWhenEmptyAndGivenBackOnlyWhenOurs) {
  struct {
    const char* name;
    bool drawSet, querySet;
    bool adapterDraws;
  } const cases[] = {
      {"none set", false, false, true}, {"draw set", true, false, false}, {"both set", true, true, false},
      {"query set", false, true, true}};
  for (const auto& c : cases) {
    int appCalls = 0;
    tree->OnAdvancedHeaderDraw = nullptr;
    tree->OnHeaderDrawQueryElements = nullptr;
    if (c.drawSet) tree->OnAdvancedHeaderDraw = [&](vcl::TObject*, TacHeaderPaintInfo&, uint32_t) { ++appCalls; };
    if (c.querySet) tree->OnHeaderDrawQueryElements = [&](vcl::TObject*, TacHeaderPaintInfo&, uint32_t&) { ++appCalls; };
    const uint32_t options = tree->Header()->Options();
    TacCtrlAdapter* adapters = adapter_test::AdaptFormControls(form.get(), manager.get());
    auto* adapter = dynamic_cast<TacVirtualTreeViewWnd*>(adapter_test::ItemAdapterOf(adapters, tree));
    ASSERT_NE(adapter, nullptr) << c.name;
    EXPECT_EQ(adapter->OwnsHeaderDraw(), c.adapterDraws) << c.name;
    EXPECT_EQ(adapter->OwnsQueryElements(), c.adapterDraws && !c.querySet) << c.name;
    EXPECT_EQ((tree->Header()->Options() & 1) != 0, c.adapterDraws || (options & 1)) << c.name;
    EXPECT_FALSE(tree->Themed());
    EXPECT_NE(tree->VETColors()->values[0], 0x0000AA);

    adapter_test::RemoveFormProvider(form.get());
    EXPECT_EQ(static_cast<bool>(tree->OnAdvancedHeaderDraw), c.drawSet) << c.name << ": the application's stays";
    EXPECT_EQ(static_cast<bool>(tree->OnHeaderDrawQueryElements), c.querySet) << c.name;
    EXPECT_EQ(tree->Header()->Options(), options) << c.name;
    // The designed colours come back, not fixed system colours.
    EXPECT_EQ(tree->Header()->Color(), 0x123456);
    EXPECT_EQ(tree->Header()->Font()->Color(), 0x654321);
    EXPECT_EQ(tree->VETColors()->values[0], 0x0000AA);
    EXPECT_EQ(tree->VETColors()->values[2], 0xAA0000);
    EXPECT_TRUE(tree->Themed());
    if (c.drawSet || c.querySet) {
      auto surface = provider_test::NewSurface(200, 24);
      tree->Header()->SetOptions(tree->Header()->Options() | 1);
      tree->PaintHeader(surface->Canvas(), 200, 24, kAllHeaderElements);
      tree->Header()->SetOptions(options);
      EXPECT_GT(appCalls, 0) << c.name;
    }
  }
}

TEST_F(VirtualTreeAdapter, HeaderSectionsArePaintedFromTheSkin) {
  TacCtrlAdapter* adapters = adapter_test::AdaptFormControls(form.get(), manager.get());
  ASSERT_NE(adapter_test::ItemAdapterOf(adapters, tree), nullptr);
  const uint32_t kMarker = 0x00FF00;  // green, in the platform's order
  struct {
    uint32_t elements;
    bool backgroundPainted;
  } const cases[] = {{hpeBackground, true}, {hpeText | hpeSortGlyph, false}, {kAllHeaderElements, true}};
  for (const auto& c : cases) {
    auto surface = provider_test::NewSurface(200, 24);
    PatBlt(surface->Canvas()->Handle(), 0, 0, 200, 24, BLACKNESS);
    HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
    RECT all{0, 0, 200, 24};
    FillRect(surface->Canvas()->Handle(), &all, green);
    DeleteObject(green);
    // The adapter answers every element; the tree passes what the test asks for.
    TacHeaderPaintQueryElementsEvent query = tree->OnHeaderDrawQueryElements;
    tree->OnHeaderDrawQueryElements = nullptr;
    tree->PaintHeader(surface->Canvas(), 200, 24, c.elements);
    tree->OnHeaderDrawQueryElements = query;
    // The column's corner pixel shows the skin's item, or what the tree drew before.
    EXPECT_EQ(provider_test::PixelAt(surface.get(), 1, 12) != kMarker, c.backgroundPainted) << c.elements;
    // The area beyond the last column takes the section colour.
    EXPECT_NE(provider_test::PixelAt(surface.get(), 150, 12), kMarker) << c.elements;
  }
  uint32_t answered = 0;
  TacHeaderPaintInfo info;
  tree->OnHeaderDrawQueryElements(tree, info, answered);
  EXPECT_EQ(answered, 27u);
}

}  // namespace

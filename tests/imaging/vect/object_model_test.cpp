// The object model: the template, handles, the selection, shared bitmaps, polyline points,
// copies between views and the modes that survive the view's own mouse modes.
#include <gtest/gtest.h>

#include <numbers>

#include "imaging/vect/image_vect.h"
#include "imaging/vect/vect_startup.h"
#include "tests/imaging/vect/vect_fixture.h"

using namespace imaging;
using namespace vect_test;

namespace {

using ObjectModel = VectWindow;

void ExpectExtent(const vcl::TRect& r, int32_t right, int32_t bottom) {
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.right, right);
  EXPECT_EQ(r.bottom, bottom);
}

TEST_F(ObjectModel, ANewViewHasTheTemplatesDefaultsAndNoObject) {
  MakeView();
  EXPECT_EQ(view->ObjectsCount(), 0);
  ExpectExtent(view->GetObjectsExtent(), 0, 0);
  TIEVectorObject& t = view->Template();
  EXPECT_EQ(RECT({t.X1, t.Y1, t.X2, t.Y2}).right, 63);
  EXPECT_EQ(t.Transparency, 255);
  EXPECT_EQ(t.ShapeWidth, 10);
  EXPECT_EQ(t.ShapeLength, 20);
  EXPECT_EQ(t.LabelPosition, 1);
  EXPECT_EQ(t.BrushStyle, vcl::bsClear);
  EXPECT_DOUBLE_EQ(t.ArcEnd, 2 * std::numbers::pi);
  EXPECT_EQ(t.Style, 15);
  EXPECT_EQ(t.RulerType, 2);
  EXPECT_EQ(t.CurveCharAngle, -10);
  ASSERT_TRUE(t.Font.has_value());
  EXPECT_STREQ(t.Font->lfFaceName, "Arial");
  EXPECT_EQ(t.AnglePoints[2].x, 50);
  EXPECT_EQ(t.SoftShadow.Radius, 3.0);
  EXPECT_EQ(t.SoftShadow.Intensity, 100);
  TIEBitmap* icon = view->GetObjBitmap(hobjTemplate);
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(icon->Width(), 64);
  EXPECT_EQ(icon->PixelFormat(), ie24RGB);
}

TEST_F(ObjectModel, HandlesThatNameNoObjectAreIgnored) {
  MakeView();
  view->Template().Kind = vkBox;
  view->AddNewObject();
  EXPECT_EQ(view->GetObjectRecord(hobjLast), view->GetObjectRecord(0));
  EXPECT_EQ(view->GetObjectRecord(hobjAll), nullptr);
  EXPECT_EQ(view->GetObjectRecord(hobjNoGrip), nullptr);
  for (int32_t bad : {1, 7, 1000000, -5, INT32_MIN}) {
    EXPECT_EQ(view->GetObjectRecord(bad), nullptr) << bad;
    view->SelObject(bad);
    view->SetObjBitmap(bad, view->GetObjBitmap(hobjTemplate));
    view->SetObjBitmapIndex(bad, 0);
    view->AddPolylinePoint(bad, 1, 2);
    view->SetObjUserData(bad, "x", 1);
    EXPECT_LT(view->DistanceToObject(bad, 0, 0), 0) << bad;
  }
  EXPECT_EQ(view->SelObjectsCount(), 0);
  EXPECT_EQ(view->BitmapTableRefCount(0), 1);
}

TEST_F(ObjectModel, SelectingTwiceKeepsOneEntrySoUnselectingRemovesIt) {
  MakeView();
  view->Template().Kind = vkBox;
  view->AddNewObject();
  int32_t notified = 0;
  view->OnSelectObject = [&](vcl::TObject*) { ++notified; };
  view->SelObject(0);
  view->SelObject(0);
  view->SelObject(hobjLast);
  EXPECT_EQ(view->SelObjectsCount(), 1);
  view->UnSelObject(0);
  EXPECT_FALSE(view->IsSelObject(0));
  EXPECT_EQ(notified, 4);

  view->GetObjectRecord(0)->Style &= ~iestSelectable;
  view->SelObject(0);
  EXPECT_EQ(view->SelObjectsCount(), 0) << "an object that is not selectable stays out";
}

TEST_F(ObjectModel, EqualBitmapsShareOneEntryOnlyWhileSharing) {
  MakeView();
  view->Template().Kind = vkBitmap;
  auto a = WhiteBitmap(8, 6), b = WhiteBitmap(8, 6);
  const int32_t first = view->AddNewObject(), second = view->AddNewObject();
  const int32_t templateCount = view->BitmapTableRefCount(view->Template().BitmapIndex);
  EXPECT_EQ(templateCount, 3) << "both objects share the template's bitmap";
  view->SetObjBitmap(first, a.get());
  view->SetObjBitmap(second, b.get());
  EXPECT_EQ(view->GetObjectRecord(first)->BitmapIndex, view->GetObjectRecord(second)->BitmapIndex);
  EXPECT_EQ(view->BitmapTableRefCount(view->GetObjectRecord(first)->BitmapIndex), 2);
  EXPECT_EQ(view->BitmapTableRefCount(view->Template().BitmapIndex), 1);

  view->SetShareBitmaps(false);
  const int32_t third = view->AddNewObject(), fourth = view->AddNewObject();
  view->SetObjBitmap(third, a.get());
  view->SetObjBitmap(fourth, b.get());
  EXPECT_NE(view->GetObjectRecord(third)->BitmapIndex, view->GetObjectRecord(fourth)->BitmapIndex);
  EXPECT_EQ(view->BitmapTableRefCount(view->GetObjectRecord(third)->BitmapIndex), 1);
}

TEST_F(ObjectModel, GivingAnObjectTheBitmapItAlreadyShowsKeepsIt) {
  MakeView();
  view->SetShareBitmaps(false);
  view->Template().Kind = vkBitmap;
  const int32_t hobj = view->AddNewObject();
  auto red = WhiteBitmap(4, 4);
  red->Fill(0);
  view->SetObjBitmap(hobj, red.get());
  TIEBitmap* own = view->GetObjBitmap(hobj);
  view->SetObjBitmap(hobj, own);  // its only reference
  ASSERT_NE(view->GetObjBitmap(hobj), nullptr);
  EXPECT_EQ(view->GetObjBitmap(hobj)->Width(), 4);
  EXPECT_EQ(PixelAt(view->GetObjBitmap(hobj), 1, 1), 0u);
  view->SetShareBitmaps(true);
  view->SetObjBitmap(hobj, view->GetObjBitmap(hobj));
  EXPECT_EQ(view->BitmapTableRefCount(view->GetObjectRecord(hobj)->BitmapIndex), 1);
}

TEST_F(ObjectModel, ABitmapIndexOutsideTheTableBecomesNone) {
  MakeView();
  view->Template().Kind = vkBitmap;
  const int32_t hobj = view->AddNewObject();
  const int32_t count = view->BitmapTableCount();
  for (int32_t index : {count, count + 10, 1 << 30, -7}) {
    view->SetObjBitmapIndex(hobj, index);
    EXPECT_EQ(view->GetObjectRecord(hobj)->BitmapIndex, -1) << index;
  }
  EXPECT_EQ(view->BitmapTableCount(), count);
  EXPECT_EQ(view->BitmapTableRefCount(view->Template().BitmapIndex), 1);
}

TEST_F(ObjectModel, RemovingAllObjectsKeepsOnlyTheTemplatesBitmap) {
  MakeView();
  view->Template().Kind = vkBitmap;
  auto other = WhiteBitmap(3, 3);
  view->SetObjBitmap(view->AddNewObject(), other.get());
  view->SelObject(0);
  int32_t changes = 0;
  view->OnVectorialChanged = [&](vcl::TObject*) { ++changes; };
  view->RemoveAllObjects();
  EXPECT_EQ(view->ObjectsCount(), 0);
  EXPECT_EQ(view->SelObjectsCount(), 0);
  EXPECT_EQ(view->BitmapTableCount(), 1);
  EXPECT_EQ(view->Template().BitmapIndex, 0);
  EXPECT_EQ(view->BitmapTableRefCount(0), 1);
  EXPECT_EQ(view->GetObjBitmap(hobjTemplate)->Width(), 64);
  EXPECT_EQ(changes, 1);
}

TEST_F(ObjectModel, CompactingRenumbersTheReferences) {
  MakeView();
  view->SetShareBitmaps(false);
  view->Template().Kind = vkBitmap;
  auto a = WhiteBitmap(2, 2), b = WhiteBitmap(5, 5);
  const int32_t first = view->AddNewObject(), second = view->AddNewObject();
  view->SetObjBitmap(first, a.get());
  view->SetObjBitmap(second, b.get());
  view->SetObjBitmap(first, nullptr);  // leaves an empty entry in the table
  view->CompactBitmaps();
  for (int32_t i = 0; i < view->BitmapTableCount(); ++i) EXPECT_NE(view->BitmapTableBitmap(i), nullptr);
  EXPECT_EQ(view->GetObjBitmap(second)->Width(), 5);
  EXPECT_EQ(view->GetObjBitmap(hobjTemplate)->Width(), 64);
  EXPECT_EQ(view->GetObjectRecord(first)->BitmapIndex, -1);
}

TEST_F(ObjectModel, APolylinePointEqualToTheLastIsStoredOnceAndTheRectangleFollows) {
  MakeView();
  view->Template().Kind = vkPolyline;
  view->Template().X1 = view->Template().Y1 = 1000000;
  view->Template().X2 = view->Template().Y2 = -1000000;
  const int32_t hobj = view->AddNewObject();
  view->AddPolylinePoint(hobj, 5, 7);
  view->AddPolylinePoint(hobj, 5, 7);
  view->AddPolylinePoint(hobj, 25, 3);
  TIEVectorObject* r = view->GetObjectRecord(hobj);
  EXPECT_EQ(r->PointCount(), 2);
  EXPECT_EQ(RECT({r->X1, r->Y1, r->X2, r->Y2}).left, 5);
  EXPECT_EQ(r->Y1, 3);
  EXPECT_EQ(r->X2, 25);
  EXPECT_EQ(r->Y2, 7);
  EXPECT_EQ(r->BaseRect.right, 25);
  // Resizing only changes the rectangle: the points map into it.
  r->X2 = 45;
  const POINT mapped = r->MapPolylinePoint(r->Points[1]);
  EXPECT_EQ(mapped.x, 45);
  ExpectExtent(view->GetObjectsExtent(), 46, 8);
}

TEST_F(ObjectModel, TheViewsMouseModesLeaveOnlyTheMeasuringModes) {
  MakeView();
  view->SetMouseInteractVt(vmDrawBox | vmMeasureArea | vmMeasurePerimeter | vmNoClickCreate | vmSelectObjects |
                           vmDrawExtended);
  view->SetMouseInteract(miZoom);
  EXPECT_EQ(view->MouseInteractVt(), vmMeasureArea | vmMeasurePerimeter | vmNoClickCreate);
  view->SetMouseInteractVt(vmDrawLine);
  view->SetMouseInteract(0);
  EXPECT_EQ(view->MouseInteractVt(), vmDrawLine) << "an empty set keeps every mode";
}

TEST_F(ObjectModel, ACopiedMemoOwnsItsFormatsAndCornersAreOrderedExceptForLines) {
  MakeView();
  TIEVectorObject memo = view->Template();
  memo.Kind = vkMemo;
  memo.Text = "abc";
  memo.CharFormats.assign(2, std::vector<uint8_t>(280, 1));
  memo.CharFormatIndex = {0, 1, 1};
  memo.X1 = 50, memo.X2 = 10;
  const int32_t first = view->AddNewObject(memo);
  const int32_t second = view->AddNewObject(*view->GetObjectRecord(first));
  view->GetObjectRecord(second)->CharFormats[1][0] = 9;
  view->GetObjectRecord(second)->Text[0] = 'z';
  EXPECT_EQ(view->GetObjectRecord(first)->CharFormats[1][0], 1);
  EXPECT_EQ(view->GetObjectRecord(first)->Text, "abc");
  EXPECT_EQ(view->GetObjectRecord(first)->X1, 10);

  TIEVectorObject line = view->Template();
  line.Kind = vkLine;
  line.X1 = 50, line.X2 = 10;
  line.Text = "dropped";
  line.UserData = {1, 2, 3};
  const int32_t l = view->AddNewObject(line);
  EXPECT_EQ(view->GetObjectRecord(l)->X1, 50);
  EXPECT_TRUE(view->GetObjectRecord(l)->Text.empty()) << "a line keeps no text";
  EXPECT_TRUE(view->GetObjectRecord(l)->UserData.empty()) << "user data is not copied";
}

TEST_F(ObjectModel, AssigningAViewCopiesItsObjectsWithBitmapsOfTheirOwn) {
  MakeView();
  view->Template().Kind = vkBitmap;
  view->AddNewObject();
  view->AddNewObject();
  view->Template().Kind = vkBox;
  view->AddNewObject();
  TImageVect copy(nullptr);
  copy.Assign(view);
  ASSERT_EQ(copy.ObjectsCount(), 3);
  EXPECT_EQ(copy.GetObjectRecord(2)->Kind, vkBox);
  const int32_t a = copy.GetObjectRecord(0)->BitmapIndex, b = copy.GetObjectRecord(1)->BitmapIndex;
  EXPECT_NE(a, b);
  EXPECT_EQ(copy.BitmapTableRefCount(a), 1);
  EXPECT_EQ(copy.GetObjBitmap(1)->Width(), 64);
}

class MarkedObject : public TIEVectExtendedObject {
 public:
  explicit MarkedObject(int32_t mark) : mark_(mark) {}
  std::unique_ptr<TIEVectExtendedObject> Clone() const override { return std::make_unique<MarkedObject>(mark_); }
  int32_t mark_;
};

TEST_F(ObjectModel, AnAddedExtendedObjectIsACloneThatKnowsItsHandleAndRecord) {
  MakeView();
  TIEVectorObject record = view->Template();
  record.Kind = vkExtended;
  record.Extended = std::make_unique<MarkedObject>(7);
  view->AddNewObject();
  const int32_t hobj = view->AddNewObject(record);
  TIEVectorObject* stored = view->GetObjectRecord(hobj);
  auto* object = dynamic_cast<MarkedObject*>(stored->Extended.get());
  ASSERT_NE(object, nullptr);
  EXPECT_NE(object, record.Extended.get());
  EXPECT_EQ(object->mark_, 7);
  EXPECT_EQ(object->Handle(), hobj);
  EXPECT_EQ(object->Record(), stored);
  EXPECT_EQ(object->Owner(), view);

  RegisterVectExtendedClass("TMarkedObject", [] { return std::make_unique<MarkedObject>(3); });
  EXPECT_NE(CreateVectExtendedObject("TMarkedObject"), nullptr);
  EXPECT_EQ(CreateVectExtendedObject("TUnknown"), nullptr);
  IEVectStaticFinalize();
  EXPECT_EQ(CreateVectExtendedObject("TMarkedObject"), nullptr);
}

}  // namespace

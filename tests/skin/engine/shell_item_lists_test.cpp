#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "skin/engine/graphics/shell_item_lists.h"

using namespace skin;

namespace {

// A list in the shell allocator made of items of the given sizes, each filled with a byte
// that tells the items apart.
PItemIdList ShellMakeList(const std::vector<uint16_t>& itemSizes) {
  uint32_t total = 2;
  for (uint16_t size : itemSizes) total += size;
  PItemIdList list = AllocItemIdList(total);
  auto* bytes = reinterpret_cast<uint8_t*>(list);
  uint8_t fill = 0xA0;
  for (uint16_t size : itemSizes) {
    std::memcpy(bytes, &size, 2);
    std::memset(bytes + 2, fill++, size - 2);
    bytes += size;
  }
  return list;
}

std::vector<uint8_t> ItemListBytes(PItemIdList list) {
  auto* bytes = reinterpret_cast<uint8_t*>(list);
  return std::vector<uint8_t>(bytes, bytes + ItemIdListSize(list));
}

struct ListHolder {
  PItemIdList list;
  ~ListHolder() { FreeItemIdList(list); }
};

}  // namespace

TEST(ShellItemLists, SizeCountsItemsAndTerminator) {
  struct Case {
    std::vector<uint16_t> items;
    int32_t size;
  } cases[] = {{{20}, 22}, {{}, 2}, {{4, 10, 3}, 19}};
  for (const Case& c : cases) {
    ListHolder h{ShellMakeList(c.items)};
    EXPECT_EQ(ItemIdListSize(h.list), c.size);
  }
  EXPECT_EQ(ItemIdListSize(nullptr), 0);
}

TEST(ShellItemLists, AllocatedListsAreZeroFilled) {
  ListHolder h{AllocItemIdList(64)};
  ASSERT_NE(h.list, nullptr);
  const auto* bytes = reinterpret_cast<const uint8_t*>(h.list);
  for (int i = 0; i < 64; ++i) EXPECT_EQ(bytes[i], 0) << i;
}

TEST(ShellItemLists, NextItemStepsByTheItemsOwnSize) {
  ListHolder h{ShellMakeList({6, 9})};
  PItemIdList second = NextItemId(h.list);
  EXPECT_EQ(reinterpret_cast<uint8_t*>(second) - reinterpret_cast<uint8_t*>(h.list), 6);
  EXPECT_EQ(reinterpret_cast<uint8_t*>(NextItemId(second)) - reinterpret_cast<uint8_t*>(h.list), 15);
}

TEST(ShellItemLists, CloneCopiesEveryByte) {
  ListHolder original{ShellMakeList({5, 12})};
  ListHolder copy{CloneItemIdList(original.list)};
  ASSERT_NE(copy.list, original.list);
  EXPECT_EQ(ItemListBytes(copy.list), ItemListBytes(original.list));
  EXPECT_EQ(CloneItemIdList(nullptr), nullptr);
}

TEST(ShellItemLists, JoinPutsTheSecondAfterTheFirst) {
  ListHolder a{ShellMakeList({20})};
  ListHolder b{ShellMakeList({7, 4})};
  ListHolder empty{ShellMakeList({})};
  std::vector<uint8_t> ab = ItemListBytes(a.list);
  ab.resize(ab.size() - 2);
  const std::vector<uint8_t> bBytes = ItemListBytes(b.list);
  ab.insert(ab.end(), bBytes.begin(), bBytes.end());

  struct Case {
    const char* name;
    PItemIdList first, second;
    std::vector<uint8_t> expected;
  } cases[] = {
      {"both", a.list, b.list, ab},
      // A missing first list must not make the result two bytes short of its terminator.
      {"no first", nullptr, a.list, ItemListBytes(a.list)},
      {"no second", b.list, nullptr, ItemListBytes(b.list)},
      {"empty first", empty.list, b.list, ItemListBytes(b.list)},
      {"empty second", a.list, empty.list, ItemListBytes(a.list)},
      {"neither", nullptr, nullptr, {0, 0}},
  };
  for (const Case& c : cases) {
    ListHolder joined{JoinItemIdLists(c.first, c.second)};
    ASSERT_NE(joined.list, nullptr) << c.name;
    EXPECT_EQ(ItemListBytes(joined.list), c.expected) << c.name;
  }
}

static bool ThreadHasApartment() {
  APTTYPE type;
  APTTYPEQUALIFIER qualifier;
  return SUCCEEDED(CoGetApartmentType(&type, &qualifier));
}

TEST(ShellItemLists, StartUpKeepsTheDesktopNodeAndTheMainThreadsOle) {
  // Other code of the process may have entered the apartment already; the unit's own
  // initialisation is balanced at shut-down either way.
  const bool before = ThreadHasApartment();
  ShellItemsStartUp();
  EXPECT_TRUE(ThreadHasApartment());
  TacShellFolder* desktop = DesktopShellFolder();
  ASSERT_NE(desktop, nullptr);
  EXPECT_EQ(desktop->ParentFolder, nullptr);
  EXPECT_NE(desktop->FolderIntf, nullptr);
  EXPECT_EQ(desktop->Level, 0);
  EXPECT_EQ(ItemIdListSize(desktop->AbsoluteIdList), ItemIdListSize(desktop->RelativeIdList));

  // Nodes below: a top node hangs under the desktop; levels count the ancestors above the
  // given parent, and absolute paths grow by each relative path.
  ListHolder relative{ShellMakeList({10})};
  TacShellFolder top(nullptr, desktop->FolderIntf, relative.list);
  EXPECT_EQ(top.ParentFolder, desktop);
  EXPECT_EQ(top.Level, 0);
  EXPECT_TRUE(top.Names && top.Names->Count() == 0);
  EXPECT_EQ(ItemListBytes(top.RelativeIdList), ItemListBytes(relative.list));
  EXPECT_EQ(ItemIdListSize(top.AbsoluteIdList), ItemIdListSize(desktop->AbsoluteIdList) + 10);

  TacShellFolder child(&top, desktop->FolderIntf, relative.list);
  TacShellFolder grandchild(&child, desktop->FolderIntf, relative.list);
  EXPECT_EQ(child.ParentFolder, &top);
  EXPECT_EQ(child.Level, 1);  // the desktop above the top node
  EXPECT_EQ(grandchild.Level, 2);
  EXPECT_EQ(ItemIdListSize(grandchild.AbsoluteIdList), ItemIdListSize(top.AbsoluteIdList) + 20);
  EXPECT_EQ(grandchild.DetailsIntf, nullptr);
  EXPECT_EQ(grandchild.ExtraIntf, nullptr);

  ShellItemsShutDown();
  EXPECT_EQ(DesktopShellFolder(), nullptr);
  EXPECT_EQ(ThreadHasApartment(), before);
}

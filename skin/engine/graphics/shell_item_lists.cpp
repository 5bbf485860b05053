#include "skin/engine/graphics/shell_item_lists.h"

#include <cstring>

#include "vcl/runtime/sysutils.h"

namespace skin {

namespace {

TacShellFolder* desktopFolder = nullptr;
CRITICAL_SECTION shellLock;
bool started = false;
bool oleStarted = false;

uint16_t ItemSize(const void* item) {
  uint16_t size;
  std::memcpy(&size, item, sizeof(size));  // items are not aligned
  return size;
}

// Runs `use` with the shell's allocator, which every list of the shell comes from.
template <typename Use>
auto WithShellAllocator(Use use) {
  IMalloc* malloc = nullptr;
  vcl::OleCheck(SHGetMalloc(&malloc));
  struct Release {
    IMalloc* m;
    ~Release() { m->Release(); }
  } release{malloc};
  return use(malloc);
}

}  // namespace

PItemIdList AllocItemIdList(uint32_t size) {
  return WithShellAllocator([size](IMalloc* malloc) {
    auto* list = static_cast<PItemIdList>(malloc->Alloc(size));
    if (list) std::memset(list, 0, size);
    return list;
  });
}

PItemIdList NextItemId(PItemIdList item) {
  return reinterpret_cast<PItemIdList>(reinterpret_cast<uint8_t*>(item) + ItemSize(item));
}

int32_t ItemIdListSize(PItemIdList list) {
  if (!list) return 0;
  int32_t size = 0;
  for (PItemIdList item = list; ItemSize(item) != 0; item = NextItemId(item)) size += ItemSize(item);
  return size + 2;
}

PItemIdList CloneItemIdList(PItemIdList list) {
  if (!list) return nullptr;
  const int32_t size = ItemIdListSize(list);
  PItemIdList copy = AllocItemIdList(size);
  if (copy) std::memcpy(copy, list, size);
  return copy;
}

PItemIdList JoinItemIdLists(PItemIdList first, PItemIdList second) {
  // A missing list is an empty one (just its terminator): joining must never lose the
  // terminator or copy a negative length.
  const int32_t firstItems = first ? ItemIdListSize(first) - 2 : 0;
  const int32_t secondSize = second ? ItemIdListSize(second) : 2;
  PItemIdList joined = AllocItemIdList(firstItems + secondSize);
  if (!joined) return nullptr;
  auto* bytes = reinterpret_cast<uint8_t*>(joined);
  if (firstItems > 0) std::memcpy(bytes, first, firstItems);
  if (second) std::memcpy(bytes + firstItems, second, secondSize);  // else the zero fill ends it
  return joined;
}

void FreeItemIdList(PItemIdList list) {
  WithShellAllocator([list](IMalloc* malloc) {
    malloc->Free(list);
    return 0;
  });
}

void GetDesktopFolderIntf(IShellFolder*& folder) {
  folder = nullptr;
  vcl::OleCheck(SHGetDesktopFolder(&folder));
}

PItemIdList DesktopItemIdList() {
  PItemIdList list = nullptr;
  vcl::OleCheck(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &list));
  return list;
}

TacShellFolder::TacShellFolder(TacShellFolder* parent, IShellFolder* folder, PItemIdList relative)
    : ParentFolder(parent), FolderIntf(folder), Names(std::make_unique<vcl::TStringList>()) {
  if (FolderIntf) FolderIntf->AddRef();
  try {
    RelativeIdList = CloneItemIdList(relative);
    if (parent) {
      AbsoluteIdList = JoinItemIdLists(parent->AbsoluteIdList, relative);
    } else {
      PItemIdList desktop = DesktopItemIdList();
      AbsoluteIdList = JoinItemIdLists(desktop, relative);
      FreeItemIdList(desktop);
      ParentFolder = desktopFolder;  // none while the desktop node itself is made
    }
  } catch (...) {
    FreeItemIdList(RelativeIdList);
    FreeItemIdList(AbsoluteIdList);
    if (FolderIntf) FolderIntf->Release();
    throw;
  }
  for (TacShellFolder* above = parent ? parent->ParentFolder : nullptr; above; above = above->ParentFolder) ++Level;
}

TacShellFolder::~TacShellFolder() {
  Names.reset();
  try {
    FreeItemIdList(RelativeIdList);
    FreeItemIdList(AbsoluteIdList);
  } catch (...) {
    // The allocator cannot be had: the lists are lost, but a destructor may not throw.
  }
  if (FolderIntf) FolderIntf->Release();
  if (DetailsIntf) DetailsIntf->Release();
  if (ExtraIntf) ExtraIntf->Release();
}

TacShellFolder* DesktopShellFolder() { return desktopFolder; }

void ShellItemsStartUp() {
  if (started) return;
  started = true;
  // The node is a convenience: a shell without a desktop location must not stop the program.
  PItemIdList desktop = nullptr;
  if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &desktop)) && desktop) {
    IShellFolder* folder = nullptr;
    try {
      GetDesktopFolderIntf(folder);
      desktopFolder = new TacShellFolder(nullptr, folder, desktop);
    } catch (const vcl::Exception&) {
      desktopFolder = nullptr;
    }
    if (folder) folder->Release();
    try {
      FreeItemIdList(desktop);
    } catch (const vcl::Exception&) {
    }
  }
  InitializeCriticalSection(&shellLock);
  oleStarted = SUCCEEDED(OleInitialize(nullptr));
}

void ShellItemsShutDown() {
  if (!started) return;
  started = false;
  delete desktopFolder;
  desktopFolder = nullptr;
  DeleteCriticalSection(&shellLock);
  // Only a successful initialisation is balanced: another one on this thread is not ours.
  if (oleStarted) OleUninitialize();
  oleStarted = false;
}

}  // namespace skin

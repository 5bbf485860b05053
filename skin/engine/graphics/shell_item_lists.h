// Item identifier lists of the platform shell's namespace and the folder node that holds them.
// No control of this program browses the shell; the unit's lasting effect is its start-up,
// which initialises OLE for the main thread and keeps a node for the desktop folder.
#pragma once

#include <cstdint>
#include <memory>

#include "vcl/runtime/win.h"

#include <shlobj.h>

#include "vcl/classes/stringlist.h"
#include "vcl/runtime/system.h"

namespace skin {

// A list is a run of items, each starting with its own 16-bit size (those two bytes
// included); a size of 0 ends it. Lists live in the shell's task allocator.
using PItemIdList = LPITEMIDLIST;

// A zero-filled list of `size` bytes from the shell allocator; nullptr when the allocation
// fails. Raises EOleSysError when the allocator itself cannot be had.
PItemIdList AllocItemIdList(uint32_t size);
// The item after `item`.
PItemIdList NextItemId(PItemIdList item);
// The bytes of the list, terminator included; 0 for no list.
int32_t ItemIdListSize(PItemIdList list);
// A copy of the list; nullptr for no list.
PItemIdList CloneItemIdList(PItemIdList list);
// A new list of the first list's items followed by the second's. A missing list counts as
// an empty one, so joining to nothing is a copy of the other list.
PItemIdList JoinItemIdLists(PItemIdList first, PItemIdList second);
void FreeItemIdList(PItemIdList list);
// The shell's desktop folder (its reference is the caller's) and the desktop's location
// (freed by the caller); both raise EOleSysError when the shell refuses.
void GetDesktopFolderIntf(IShellFolder*& folder);
PItemIdList DesktopItemIdList();

// One node of the shell namespace: a folder, its paths and its interface.
class TacShellFolder : public vcl::TObject {
  VCL_CLASS(TacShellFolder, vcl::TObject)
 public:
  // Takes a reference on `folder`; copies `relative`. Without a parent the node hangs under
  // the process-wide desktop node and its full path starts at the desktop.
  TacShellFolder(TacShellFolder* parent, IShellFolder* folder, PItemIdList relative);
  ~TacShellFolder() override;
  TacShellFolder(const TacShellFolder&) = delete;
  TacShellFolder& operator=(const TacShellFolder&) = delete;

  PItemIdList RelativeIdList = nullptr;  // owned
  PItemIdList AbsoluteIdList = nullptr;  // owned
  TacShellFolder* ParentFolder = nullptr;
  IShellFolder* FolderIntf = nullptr;  // reference held
  IUnknown* DetailsIntf = nullptr;     // empty at creation, released with the node
  IUnknown* ExtraIntf = nullptr;       // empty at creation, released with the node
  int32_t Level = 0;                   // ancestors above the given parent
  std::unique_ptr<vcl::TStringList> Names;
};

// The process-wide desktop node; nullptr outside start-up and shut-down or when the shell
// has no desktop location.
TacShellFolder* DesktopShellFolder();

// Run once on the main thread at program start and end: the desktop node, the unit's lock
// and the main thread's OLE apartment.
void ShellItemsStartUp();
void ShellItemsShutDown();

}  // namespace skin

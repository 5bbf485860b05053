#include "vcl/graphics/clipboard.h"

#include <cstring>

#include "vcl/graphics/bitmap.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/graphics/metafile.h"
#include "vcl/graphics/picture.h"
#include "vcl/runtime/sysutils.h"

namespace vcl {

namespace {

constexpr int kOpenTries = 10;
constexpr DWORD kOpenRetryMs = 20;

// The clipboard belongs to a window: EmptyClipboard makes the opener's window the owner, and
// without one nothing can be put on the clipboard.
HWND CreateOwnerWindow() {
  static const char* const kClassName = "MergeonClipboardOwner";
  static const bool registered = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kClassName;
    return RegisterClassA(&wc) != 0;
  }();
  (void)registered;
  return CreateWindowExA(0, kClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleA(nullptr), nullptr);
}

// Keeps the clipboard open for the length of a block.
class OpenClipboardScope {
 public:
  explicit OpenClipboardScope(TClipboard* clipboard) : clipboard_(clipboard) { clipboard_->Open(); }
  ~OpenClipboardScope() { clipboard_->Close(); }
  OpenClipboardScope(const OpenClipboardScope&) = delete;
  OpenClipboardScope& operator=(const OpenClipboardScope&) = delete;

 private:
  TClipboard* clipboard_;
};

TClipboard*& CurrentClipboard() {
  static TClipboard* clipboard = nullptr;
  return clipboard;
}

}  // namespace

TClipboard::TClipboard() = default;

TClipboard::~TClipboard() {
  if (openCount_ > 0) CloseClipboard();
  if (window_) DestroyWindow(window_);
}

void TClipboard::Open() {
  if (openCount_ == 0) {
    if (!window_) window_ = CreateOwnerWindow();
    bool opened = false;
    for (int attempt = 0; attempt < kOpenTries && !opened; ++attempt) {
      if (attempt) Sleep(kOpenRetryMs);
      opened = OpenClipboard(window_);
    }
    if (!opened) throw EClipboardException("Cannot open clipboard");
    emptied_ = false;
  }
  ++openCount_;
}

void TClipboard::Close() {
  if (openCount_ == 0) return;
  if (--openCount_ == 0) CloseClipboard();
}

void TClipboard::Clear() {
  OpenClipboardScope open(this);
  EmptyClipboard();
}

void TClipboard::Adding() {
  if (openCount_ != 0 && !emptied_) {
    Clear();
    emptied_ = true;
  }
}

bool TClipboard::HasFormat(UINT format) const { return IsClipboardFormatAvailable(format); }

int TClipboard::FormatCount() const { return CountClipboardFormats(); }

UINT TClipboard::Formats(int index) {
  OpenClipboardScope open(this);
  if (index < 0 || index >= FormatCount()) throw EListError(Format("List index out of bounds (%d)", index));
  UINT format = 0;
  for (int i = 0; i <= index; ++i) format = EnumClipboardFormats(format);
  return format;
}

HANDLE TClipboard::GetAsHandle(UINT format) {
  OpenClipboardScope open(this);
  return GetClipboardData(format);
}

void TClipboard::SetAsHandle(UINT format, HANDLE value) {
  OpenClipboardScope open(this);
  Adding();
  SetClipboardData(format, value);
}

void TClipboard::SetBuffer(UINT format, const void* buffer, size_t size) {
  OpenClipboardScope open(this);
  Adding();
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
  if (!memory) throw EOutOfMemory("Out of memory");
  if (size) std::memcpy(GlobalLock(memory), buffer, size);
  GlobalUnlock(memory);
  if (!SetClipboardData(format, memory)) GlobalFree(memory);
}

std::string TClipboard::AsText() {
  OpenClipboardScope open(this);
  HANDLE data = GetClipboardData(CF_TEXT);
  if (!data) return {};
  const char* text = static_cast<const char*>(GlobalLock(data));
  std::string result = text ? std::string(text, strnlen(text, GlobalSize(data))) : std::string();
  GlobalUnlock(data);
  return result;
}

void TClipboard::SetAsText(const std::string& text) { SetBuffer(CF_TEXT, text.c_str(), text.size() + 1); }

// ---- pictures --------------------------------------------------------------------------------

void TClipboard::Assign(TPersistent* source) {
  if (auto* picture = dynamic_cast<TPicture*>(source)) {
    if (picture->Graphic()) return AssignGraphic(picture->Graphic());
  } else if (auto* graphic = dynamic_cast<TGraphic*>(source)) {
    return AssignGraphic(graphic);
  }
  inherited::Assign(source);
}

void TClipboard::AssignGraphic(TGraphic* graphic) {
  OpenClipboardScope open(this);
  UINT format = 0;
  HANDLE data = nullptr;
  HPALETTE palette = nullptr;
  graphic->SaveToClipboardFormat(format, data, palette);
  Adding();
  if (data) SetClipboardData(format, data);
  if (palette) SetClipboardData(CF_PALETTE, palette);
  // The packed DIB as well: it keeps every bit of the pixels, 32-bit alpha included.
  if (auto* bitmap = dynamic_cast<TBitmap*>(graphic))
    if (HGLOBAL dib = bitmap->CreatePackedDib()) SetClipboardData(CF_DIB, dib);
}

void TClipboard::AssignTo(TPersistent* dest) {
  std::vector<UINT> formats;
  if (dynamic_cast<TPicture*>(dest)) formats = PictureClipboardFormats();
  else if (dynamic_cast<TBitmap*>(dest)) formats = {CF_DIB, CF_BITMAP};
  else if (dynamic_cast<TMetafile*>(dest)) formats = {CF_ENHMETAFILE, CF_METAFILEPICT};
  else return inherited::AssignTo(dest);

  OpenClipboardScope open(this);
  for (UINT format : formats) {
    if (!IsClipboardFormatAvailable(format)) continue;
    HANDLE data = GetClipboardData(format);
    if (!data) continue;
    HPALETTE palette = static_cast<HPALETTE>(GetClipboardData(CF_PALETTE));
    if (auto* picture = dynamic_cast<TPicture*>(dest)) picture->LoadFromClipboardFormat(format, data, palette);
    else static_cast<TGraphic*>(dest)->LoadFromClipboardFormat(format, data, palette);
    return;
  }
  throw EInvalidGraphic("Unsupported clipboard format");
}

TClipboard* Clipboard() {
  TClipboard*& clipboard = CurrentClipboard();
  if (!clipboard) clipboard = new TClipboard;
  return clipboard;
}

TClipboard* SetClipboard(TClipboard* clipboard) {
  TClipboard* previous = CurrentClipboard();
  CurrentClipboard() = clipboard;
  return previous;
}

}  // namespace vcl

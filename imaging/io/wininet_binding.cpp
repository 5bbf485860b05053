#include "imaging/io/wininet_binding.h"
#include "vcl/runtime/proc_address.h"

#include <mutex>

namespace imaging {

namespace {

struct TBinding {
  std::mutex lock;
  TWinInet entries;
};

TBinding& Binding() {
  static TBinding binding;
  return binding;
}

template <class Entry>
void Take(HMODULE module, const char* name, Entry& entry) {
  entry = vcl::GetProcAddressAs<Entry>(module, name);
}

}  // namespace

bool TWinInet::Complete() const {
  return InternetOpenA && InternetCloseHandle && InternetConnectA && HttpOpenRequestA && HttpSendRequestA &&
         HttpQueryInfoA && InternetReadFile && InternetSetOptionA && FtpOpenFileA;
}

void LoadWinInet() {
  TBinding& binding = Binding();
  std::lock_guard<std::mutex> guard(binding.lock);
  if (binding.entries.Module) return;
  HMODULE module = LoadLibraryA("wininet.dll");
  if (!module) return;
  TWinInet& e = binding.entries;
  e.Module = module;
  Take(module, "InternetOpenA", e.InternetOpenA);
  Take(module, "InternetCloseHandle", e.InternetCloseHandle);
  Take(module, "InternetConnectA", e.InternetConnectA);
  Take(module, "HttpOpenRequestA", e.HttpOpenRequestA);
  Take(module, "HttpSendRequestA", e.HttpSendRequestA);
  Take(module, "HttpQueryInfoA", e.HttpQueryInfoA);
  Take(module, "InternetReadFile", e.InternetReadFile);
  Take(module, "InternetReadFileExA", e.InternetReadFileExA);
  Take(module, "InternetQueryOptionA", e.InternetQueryOptionA);
  Take(module, "InternetSetOptionA", e.InternetSetOptionA);
  Take(module, "InternetGetLastResponseInfoA", e.InternetGetLastResponseInfoA);
  Take(module, "FtpOpenFileA", e.FtpOpenFileA);
}

void UnloadWinInet() {
  TBinding& binding = Binding();
  std::lock_guard<std::mutex> guard(binding.lock);
  if (binding.entries.Module) FreeLibrary(binding.entries.Module);
  binding.entries = TWinInet();
}

TWinInet WinInet() {
  TBinding& binding = Binding();
  std::lock_guard<std::mutex> guard(binding.lock);
  return binding.entries;
}

}  // namespace imaging

// TImageIO's URL loading: the resource is downloaded whole into memory, then loaded by content.
#include <string>

#include "imaging/io/image_io.h"
#include "imaging/io/url_download.h"
#include "vcl/runtime/streams.h"
#include "vcl/runtime/sysutils.h"

namespace imaging {

void TImageIO::LoadFromURL(const std::u16string& url) {
  if (HandToWorker([this, url] { LoadFromURL(url); })) return;
  // A flag left by an earlier failure would end this transfer after its first block.
  SetAborting(false);
  vcl::TMemoryStream data;
  TIEDownloadSettings settings;
  settings.Proxy = vcl::Utf16ToAnsi(ProxyAddress);
  settings.ProxyUser = vcl::Utf16ToAnsi(ProxyUser);
  settings.ProxyPassword = vcl::Utf16ToAnsi(ProxyPassword);
  settings.TimeoutMs = urlTimeout_;
  std::string contentKind;
  bool complete = false;
  try {
    complete = DownloadURL(vcl::Utf16ToAnsi(url), &data, settings, contentKind, &aborting_,
                           [this](int32_t percent) { DoProgress(this, percent); });
  } catch (...) {
    // A stream that could not grow: the download failed like a broken transfer.
    complete = false;
  }
  if (!complete) {
    SetAborting(true);
    DoFinishWork();
    return;
  }
  data.SetPosition(0);
  LoadFromStream(&data);
}

}  // namespace imaging

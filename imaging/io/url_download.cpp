#include "imaging/io/url_download.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "imaging/base/text_helpers.h"
#include "vcl/runtime/streams.h"
#include "vcl/runtime/sysutils.h"
#include "imaging/io/wininet_binding.h"
#include "vcl/runtime/win.h"

namespace imaging {

namespace {

constexpr DWORD kBufferSize = 0x10000;
constexpr const char* kUserAgent = "Mozilla/4.*";
// Reload, no cache write, keep the connection.
constexpr DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_KEEP_CONNECTION;

// Closes an internet handle when it goes.
class TInternetHandle {
 public:
  TInternetHandle(const TWinInet& net, HINTERNET handle) : close_(net.InternetCloseHandle), handle_(handle) {}
  ~TInternetHandle() {
    if (handle_) close_(handle_);
  }
  TInternetHandle(const TInternetHandle&) = delete;
  TInternetHandle& operator=(const TInternetHandle&) = delete;
  HINTERNET get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }

 private:
  decltype(&::InternetCloseHandle) close_;
  HINTERNET handle_;
};

bool IsAborting(const std::atomic<bool>* aborting) { return aborting && aborting->load(); }

void SetTimeouts(const TWinInet& net, HINTERNET handle, uint32_t ms) {
  DWORD value = ms;
  net.InternetSetOptionA(handle, INTERNET_OPTION_CONNECT_TIMEOUT, &value, sizeof value);
  net.InternetSetOptionA(handle, INTERNET_OPTION_SEND_TIMEOUT, &value, sizeof value);
  net.InternetSetOptionA(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, &value, sizeof value);
  net.InternetSetOptionA(handle, INTERNET_OPTION_DATA_RECEIVE_TIMEOUT, &value, sizeof value);
}

// A text header of the answer; false when the server sent none.
bool QueryText(const TWinInet& net, HINTERNET request, DWORD query, std::string& text) {
  std::vector<char> buffer(1024);
  DWORD length = static_cast<DWORD>(buffer.size());
  DWORD index = 0;
  if (!net.HttpQueryInfoA(request, query, buffer.data(), &length, &index)) return false;
  text.assign(buffer.data(), std::min<DWORD>(length, static_cast<DWORD>(buffer.size())));
  return true;
}

// Reads until the end of the data (or the announced length), appending to the stream. False
// when a read failed, the flag was set, or the byte count does not match a known length.
bool Transfer(const TWinInet& net, HINTERNET source, vcl::TStream* stream, int64_t length, const std::atomic<bool>* aborting,
              const TIEDownloadProgress& progress) {
  std::vector<uint8_t> buffer(kBufferSize);
  int64_t received = 0;
  for (;;) {
    if (IsAborting(aborting)) return false;
    DWORD want = kBufferSize;
    // Never more than announced: a longer answer is as wrong as a shorter one, and is found by
    // the read after the last expected byte.
    if (length > 0 && length - received < want) want = static_cast<DWORD>(std::max<int64_t>(length - received, 1));
    DWORD got = 0;
    if (!net.InternetReadFile(source, buffer.data(), want, &got)) return false;
    if (got == 0) break;
    received += got;
    if (length > 0 && received > length) return false;
    stream->WriteBuffer(buffer.data(), static_cast<int32_t>(got));
    if (length > 0 && progress) progress(static_cast<int32_t>(received * (100.0 / length)));
  }
  return length <= 0 || received == length;
}

}  // namespace

bool ParseURL(const std::string& url, TIEURLParts& parts) {
  parts = TIEURLParts();
  parts.Protocol = GetURLProtocol(url);
  static const size_t kPrefix[] = {0, 7, 8, 6};
  if (parts.Protocol < 1 || parts.Protocol > 3) return false;
  const std::string rest = url.substr(kPrefix[parts.Protocol]);
  const size_t slash = rest.find('/');
  if (slash == std::string::npos) return false;
  std::string host = rest.substr(0, slash);
  parts.Path = rest.substr(slash);
  // The login ends at the last "@": a password may itself hold one.
  const size_t at = host.rfind('@');
  if (at != std::string::npos) {
    const std::string login = host.substr(0, at);
    const size_t colon = login.find(':');
    parts.User = login.substr(0, colon);
    if (colon != std::string::npos) parts.Password = login.substr(colon + 1);
    host = host.substr(at + 1);
  }
  const size_t colon = host.find(':');
  if (colon != std::string::npos) {
    const int32_t port = vcl::StrToIntDef(host.substr(colon + 1), 80);
    parts.Port = port >= 1 && port <= 65535 ? port : 80;
    host = host.substr(0, colon);
  } else {
    static const int32_t kDefaultPort[] = {0, 80, 443, 21};
    parts.Port = kDefaultPort[parts.Protocol];
  }
  if (host.empty()) return false;
  parts.Host = host;
  return true;
}

bool DownloadURL(const std::string& url, vcl::TStream* stream, const TIEDownloadSettings& settings,
                 std::string& contentKind, const std::atomic<bool>* aborting, const TIEDownloadProgress& progress) {
  contentKind.clear();
  TIEURLParts parts;
  if (!ParseURL(url, parts)) return false;
  const bool ftp = parts.Protocol == 3;
  // Without the platform's internet library nothing can be downloaded.
  const TWinInet net = WinInet();
  if (!net.Complete()) return false;

  TInternetHandle session(
      net, settings.Proxy.empty()
               ? net.InternetOpenA(kUserAgent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0)
               : net.InternetOpenA(kUserAgent, INTERNET_OPEN_TYPE_PROXY, settings.Proxy.c_str(), nullptr, 0));
  if (!session) return false;
  SetTimeouts(net, session.get(), settings.TimeoutMs);
  TInternetHandle connection(net, net.InternetConnectA(session.get(), parts.Host.c_str(), static_cast<INTERNET_PORT>(parts.Port),
                                              parts.User.empty() ? nullptr : parts.User.c_str(),
                                              parts.User.empty() ? nullptr : parts.Password.c_str(),
                                              ftp ? INTERNET_SERVICE_FTP : INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection) return false;
  SetTimeouts(net, connection.get(), settings.TimeoutMs);
  if (IsAborting(aborting)) return false;

  if (ftp) {
    TInternetHandle file(
        net, net.FtpOpenFileA(connection.get(), parts.Path.substr(1).c_str(), GENERIC_READ, FTP_TRANSFER_TYPE_BINARY, 0));
    if (!file) return false;
    contentKind = ExtractFileExtLower(parts.Path, false).substr(0, 10);
    return Transfer(net, file.get(), stream, 0, aborting, progress);
  }

  DWORD flags = kRequestFlags;
  // Certificates are checked as the platform checks them.
  if (parts.Protocol == 2) flags |= INTERNET_FLAG_SECURE;
  TInternetHandle request(
      net, net.HttpOpenRequestA(connection.get(), "GET", parts.Path.c_str(), "HTTP/1.1", nullptr, nullptr, flags, 0));
  if (!request) return false;
  SetTimeouts(net, request.get(), settings.TimeoutMs);
  if (!settings.Proxy.empty() && !settings.ProxyUser.empty()) {
    net.InternetSetOptionA(request.get(), INTERNET_OPTION_PROXY_USERNAME, const_cast<char*>(settings.ProxyUser.c_str()),
                       static_cast<DWORD>(settings.ProxyUser.size()));
    net.InternetSetOptionA(request.get(), INTERNET_OPTION_PROXY_PASSWORD,
                       const_cast<char*>(settings.ProxyPassword.c_str()),
                       static_cast<DWORD>(settings.ProxyPassword.size()));
  }
  if (!net.HttpSendRequestA(request.get(), nullptr, 0, nullptr, 0)) return false;
  // An error page is not the picture asked for.
  std::string status;
  if (!QueryText(net, request.get(), HTTP_QUERY_STATUS_CODE, status)) return false;
  const int32_t code = vcl::StrToIntDef(status, 0);
  if (code < 200 || code > 299) return false;
  std::string type;
  if (QueryText(net, request.get(), HTTP_QUERY_CONTENT_TYPE, type)) {
    const size_t slash = type.find('/');
    if (slash != std::string::npos) contentKind = type.substr(slash + 1);
  }
  int64_t length = 0;
  std::string lengthText;
  if (QueryText(net, request.get(), HTTP_QUERY_CONTENT_LENGTH, lengthText)) {
    char* end = nullptr;
    const long long value = std::strtoll(lengthText.c_str(), &end, 10);
    // A length that is no number, or negative, is no length.
    if (end != lengthText.c_str() && value > 0) length = value;
  }
  return Transfer(net, request.get(), stream, length, aborting, progress);
}

}  // namespace imaging

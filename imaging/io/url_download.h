// Downloading a picture by its address (http, https or ftp) through the platform's internet
// library, into a stream, for the I/O object's URL loading.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace vcl {
class TStream;
}

namespace imaging {

// The parts of an address: "scheme://[user[:password]@]host[:port]/path".
struct TIEURLParts {
  int32_t Protocol = 0;  // 1 HTTP, 2 HTTPS, 3 FTP (GetURLProtocol)
  std::string Host;
  int32_t Port = 0;
  std::string User;
  std::string Password;
  std::string Path;  // starts with "/"
};

// False for an unknown scheme or an address without a path. The login is what precedes the last
// "@" of the host part, split at its first ":" (the password may be absent). Without a port the
// scheme's own is taken (80, 443, 21); a port that is not a number in 1..65535 becomes 80.
bool ParseURL(const std::string& url, TIEURLParts& parts);

struct TIEDownloadSettings {
  // A named proxy ("host:port"); empty: a direct connection.
  std::string Proxy;
  // Sent to the proxy only, never to the server the address names.
  std::string ProxyUser;
  std::string ProxyPassword;
  // Connecting, sending and waiting for each block of data; a silent server ends the download
  // after this long.
  uint32_t TimeoutMs = 30000;
};

// (per cent) while the length is known.
using TIEDownloadProgress = std::function<void(int32_t percent)>;

// Appends the resource to `stream`. True only when the whole resource arrived: the server
// answered with a 2xx status (HTTP), no read failed, and with an announced length exactly that
// many bytes came. `aborting` set by another thread stops it at the next block (false then).
// `contentKind` receives the subtype of the content type ("png" of "image/png"), or for FTP the
// extension of the path.
bool DownloadURL(const std::string& url, vcl::TStream* stream, const TIEDownloadSettings& settings,
                 std::string& contentKind, const std::atomic<bool>* aborting, const TIEDownloadProgress& progress);

}  // namespace imaging

#include "tests/support/loopback_http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "vcl/runtime/win.h"

namespace {

// Upper bounds that keep a test from hanging whatever the client does.
constexpr int kHttpPollMs = 50;
constexpr int kRequestWaitMs = 5000;
constexpr DWORD kHttpStopWaitMs = 10000;

DWORD WINAPI ServerThread(LPVOID server) {
  try {
    static_cast<LoopbackHttpServer*>(server)->Run();
  } catch (...) {
  }
  return 0;
}

bool SendAll(int connection, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t sent = send(connection, data, size, MSG_NOSIGNAL);
    if (sent <= 0) return false;
    data += sent;
    size -= static_cast<size_t>(sent);
  }
  return true;
}

const char* Reason(int status) {
  switch (status) {
    case 200: return "OK";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
  }
}

}  // namespace

LoopbackHttpServer::LoopbackHttpServer() {
  listener_ = socket(AF_INET, SOCK_STREAM, 0);
  if (listener_ < 0) return;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t length = sizeof address;
  if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listener_, 8) != 0 ||
      getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    close(listener_);
    listener_ = -1;
    return;
  }
  port_ = ntohs(address.sin_port);
  thread_ = CreateThread(nullptr, 0, ServerThread, this, 0, nullptr);
}

LoopbackHttpServer::~LoopbackHttpServer() {
  stopping_ = true;
  if (thread_) {
    WaitForSingleObject(thread_, kHttpStopWaitMs);
    CloseHandle(thread_);
  }
  if (listener_ >= 0) close(listener_);
}

std::string LoopbackHttpServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void LoopbackHttpServer::Serve(const std::string& path, Reply reply) {
  std::lock_guard<std::mutex> guard(lock_);
  replies_[path] = std::move(reply);
}

std::vector<std::string> LoopbackHttpServer::Requests() {
  std::lock_guard<std::mutex> guard(lock_);
  return requests_;
}

void LoopbackHttpServer::Run() {
  while (!stopping_) {
    pollfd waiting{listener_, POLLIN, 0};
    if (poll(&waiting, 1, kHttpPollMs) <= 0) continue;
    const int connection = accept(listener_, nullptr, nullptr);
    if (connection < 0) continue;
    Answer(connection);
    close(connection);
  }
}

void LoopbackHttpServer::Answer(int connection) {
  // The request head, up to its blank line.
  std::string head;
  for (int waited = 0; head.find("\r\n\r\n") == std::string::npos;) {
    if (stopping_ || waited > kRequestWaitMs || head.size() > 65536) return;
    pollfd readable{connection, POLLIN, 0};
    if (poll(&readable, 1, kHttpPollMs) <= 0) {
      waited += kHttpPollMs;
      continue;
    }
    char buffer[1024];
    const ssize_t got = recv(connection, buffer, sizeof buffer, 0);
    if (got <= 0) return;
    head.append(buffer, static_cast<size_t>(got));
  }
  head.resize(head.find("\r\n\r\n"));
  std::string path;
  const size_t space = head.find(' ');
  if (space != std::string::npos) path = head.substr(space + 1, head.find(' ', space + 1) - space - 1);
  Reply reply;
  bool found = false;
  {
    std::lock_guard<std::mutex> guard(lock_);
    requests_.push_back(head);
    auto it = replies_.find(path);
    if (it != replies_.end()) {
      reply = it->second;
      found = true;
    }
  }
  if (!found) {
    reply.status = 404;
    reply.contentType = "text/html";
    const std::string page = "<html><body>not here</body></html>";
    reply.body.assign(page.begin(), page.end());
  }
  std::string answer = "HTTP/1.1 " + std::to_string(reply.status) + " " + Reason(reply.status) + "\r\n";
  answer += "Content-Type: " + reply.contentType + "\r\n";
  if (reply.announcedLength == -1)
    answer += "Content-Length: " + std::to_string(reply.body.size()) + "\r\n";
  else if (reply.announcedLength >= 0)
    answer += "Content-Length: " + std::to_string(reply.announcedLength) + "\r\n";
  answer += "Connection: close\r\n\r\n";
  if (!SendAll(connection, answer.data(), answer.size())) return;
  const size_t toSend = reply.sendBytes < 0 ? reply.body.size()
                                            : std::min(reply.body.size(), static_cast<size_t>(reply.sendBytes));
  for (size_t sent = 0; sent < toSend && !stopping_;) {
    const size_t block = std::min<size_t>(4096, toSend - sent);
    if (!SendAll(connection, reinterpret_cast<const char*>(reply.body.data()) + sent, block)) return;
    sent += block;
    if (reply.pauseMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(reply.pauseMs));
  }
  // A stalled server holds the connection, silent, until the client gives up or it stops.
  while (reply.stall && !stopping_) {
    pollfd closed{connection, POLLIN, 0};
    if (poll(&closed, 1, kHttpPollMs) > 0) {
      char buffer[256];
      if (recv(connection, buffer, sizeof buffer, 0) <= 0) return;
    }
  }
}

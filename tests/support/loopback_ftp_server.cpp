#include "tests/support/loopback_ftp_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>

#include "vcl/runtime/win.h"

namespace {

constexpr int kFtpPollMs = 50;
constexpr int kWaitMs = 5000;
constexpr DWORD kFtpStopWaitMs = 10000;

DWORD WINAPI FtpThread(LPVOID server) {
  try {
    static_cast<LoopbackFtpServer*>(server)->Run();
  } catch (...) {
  }
  return 0;
}

bool SendText(int socket, const std::string& text) {
  const std::string line = text + "\r\n";
  return send(socket, line.data(), line.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(line.size());
}

// A socket listening on a free loopback port; -1 when none could be had.
int Listen(int& port) {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  if (s < 0) return -1;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(s, 4) != 0 ||
      getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    close(s);
    return -1;
  }
  port = ntohs(address.sin_port);
  return s;
}

// Waits (bounded) for a connection on a listening socket.
int AcceptWithin(int listener, const std::atomic<bool>& stopping) {
  for (int waited = 0; waited < kWaitMs && !stopping; waited += kFtpPollMs) {
    pollfd ready{listener, POLLIN, 0};
    if (poll(&ready, 1, kFtpPollMs) > 0) return accept(listener, nullptr, nullptr);
  }
  return -1;
}

}  // namespace

LoopbackFtpServer::LoopbackFtpServer() {
  listener_ = Listen(port_);
  if (listener_ >= 0) thread_ = CreateThread(nullptr, 0, FtpThread, this, 0, nullptr);
}

LoopbackFtpServer::~LoopbackFtpServer() {
  stopping_ = true;
  if (thread_) {
    WaitForSingleObject(thread_, kFtpStopWaitMs);
    CloseHandle(thread_);
  }
  if (listener_ >= 0) close(listener_);
}

void LoopbackFtpServer::Serve(const std::string& path, std::vector<uint8_t> data) {
  std::lock_guard<std::mutex> guard(lock_);
  files_[path] = std::move(data);
}

std::vector<std::string> LoopbackFtpServer::Commands() {
  std::lock_guard<std::mutex> guard(lock_);
  return commands_;
}

void LoopbackFtpServer::Run() {
  while (!stopping_) {
    pollfd waiting{listener_, POLLIN, 0};
    if (poll(&waiting, 1, kFtpPollMs) <= 0) continue;
    const int control = accept(listener_, nullptr, nullptr);
    if (control < 0) continue;
    Session(control);
    close(control);
  }
}

void LoopbackFtpServer::Session(int control) {
  if (!SendText(control, "220 ready")) return;
  std::string pending;
  sockaddr_in active{};  // the client's PORT address
  bool haveActive = false;
  int passive = -1;
  auto dataConnection = [&]() -> int {
    if (passive >= 0) {
      const int s = AcceptWithin(passive, stopping_);
      close(passive);
      passive = -1;
      return s;
    }
    if (!haveActive) return -1;
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    if (s >= 0 && connect(s, reinterpret_cast<sockaddr*>(&active), sizeof active) != 0) {
      close(s);
      return -1;
    }
    return s;
  };
  for (int idle = 0; !stopping_ && idle < kWaitMs;) {
    const size_t end = pending.find("\r\n");
    if (end == std::string::npos) {
      pollfd readable{control, POLLIN, 0};
      if (poll(&readable, 1, kFtpPollMs) <= 0) {
        idle += kFtpPollMs;
        continue;
      }
      char buffer[512];
      const ssize_t got = recv(control, buffer, sizeof buffer, 0);
      if (got <= 0) break;
      pending.append(buffer, static_cast<size_t>(got));
      idle = 0;
      continue;
    }
    const std::string line = pending.substr(0, end);
    pending.erase(0, end + 2);
    {
      std::lock_guard<std::mutex> guard(lock_);
      commands_.push_back(line);
    }
    const std::string verb = line.substr(0, line.find(' '));
    const std::string argument = line.find(' ') == std::string::npos ? "" : line.substr(line.find(' ') + 1);
    std::vector<uint8_t> file;
    bool found = false;
    {
      std::lock_guard<std::mutex> guard(lock_);
      auto it = files_.find(argument.size() > 0 && argument[0] == '/' ? argument.substr(1) : argument);
      if (it != files_.end()) {
        file = it->second;
        found = true;
      }
    }
    if (verb == "USER") {
      SendText(control, "331 password please");
    } else if (verb == "PASS") {
      SendText(control, "230 logged in");
    } else if (verb == "TYPE") {
      SendText(control, "200 type set");
    } else if (verb == "PWD") {
      SendText(control, "257 \"/\" is the folder");
    } else if (verb == "CWD") {
      SendText(control, "250 ok");
    } else if (verb == "SIZE") {
      SendText(control, found ? "213 " + std::to_string(file.size()) : "550 no such file");
    } else if (verb == "PORT") {
      unsigned h1, h2, h3, h4, p1, p2;
      if (std::sscanf(argument.c_str(), "%u,%u,%u,%u,%u,%u", &h1, &h2, &h3, &h4, &p1, &p2) == 6) {
        active = sockaddr_in{};
        active.sin_family = AF_INET;
        active.sin_addr.s_addr = htonl((h1 << 24) | (h2 << 16) | (h3 << 8) | h4);
        active.sin_port = htons(static_cast<uint16_t>(p1 * 256 + p2));
        haveActive = true;
        SendText(control, "200 port set");
      } else {
        SendText(control, "501 bad port");
      }
    } else if (verb == "PASV") {
      int port = 0;
      passive = Listen(port);
      SendText(control, "227 Entering Passive Mode (127,0,0,1," + std::to_string(port / 256) + "," +
                            std::to_string(port % 256) + ")");
    } else if (verb == "RETR") {
      if (!found) {
        SendText(control, "550 no such file");
        continue;
      }
      SendText(control, "150 sending");
      const int data = dataConnection();
      if (data < 0) {
        SendText(control, "425 no data connection");
        continue;
      }
      size_t sent = 0;
      while (sent < file.size()) {
        const ssize_t n = send(data, file.data() + sent, file.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) break;
        sent += static_cast<size_t>(n);
      }
      close(data);
      SendText(control, "226 done");
    } else if (verb == "QUIT") {
      SendText(control, "221 bye");
      break;
    } else {
      SendText(control, "502 not implemented");
    }
  }
  if (passive >= 0) close(passive);
}

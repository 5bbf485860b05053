// A small FTP server on 127.0.0.1 for tests of downloads: it logs any user in and hands out
// the files it was given, in binary, over data connections of either direction (PORT or
// PASV). One control connection at a time, on a thread of its own; every wait is bounded and
// stopping takes at most a few seconds.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

class LoopbackFtpServer {
 public:
  LoopbackFtpServer();
  ~LoopbackFtpServer();
  LoopbackFtpServer(const LoopbackFtpServer&) = delete;
  LoopbackFtpServer& operator=(const LoopbackFtpServer&) = delete;

  int Port() const { return port_; }
  // `path` as the client names it ("pub/a.bmp", without a leading "/").
  void Serve(const std::string& path, std::vector<uint8_t> data);
  // The commands received so far, one per entry, in order.
  std::vector<std::string> Commands();

  // The body of the server's thread.
  void Run();

 private:
  void Session(int control);

  int listener_ = -1;
  int port_ = 0;
  void* thread_ = nullptr;
  std::atomic<bool> stopping_{false};
  std::mutex lock_;
  std::map<std::string, std::vector<uint8_t>> files_;
  std::vector<std::string> commands_;
};

// A small HTTP server on 127.0.0.1 for tests of downloads: it answers each path with a canned
// reply, and can misbehave (stall, close early, announce another length). It serves one
// connection at a time on a thread of its own, and never waits longer than its bound: a
// stalled reply is cut when the server stops, and stopping takes at most a few seconds.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

class LoopbackHttpServer {
 public:
  struct Reply {
    int status = 200;
    std::string contentType = "application/octet-stream";
    std::vector<uint8_t> body;
    // The length announced; -1 announces the body's own, -2 announces none (the end of the
    // data is the end of the connection).
    int64_t announcedLength = -1;
    // Sends only this many bytes of the body (-1: all of it).
    int64_t sendBytes = -1;
    // After the bytes sent: keep the connection open without sending anything until the
    // server stops (a stalled server), instead of closing it.
    bool stall = false;
    // Pauses between blocks of 4096 bytes, so that a download takes several reads.
    int pauseMs = 0;
  };

  // Listens on a free port of 127.0.0.1; Port() is 0 when that failed.
  LoopbackHttpServer();
  // Stops serving; a stalled connection is closed.
  ~LoopbackHttpServer();
  LoopbackHttpServer(const LoopbackHttpServer&) = delete;
  LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

  int Port() const { return port_; }
  std::string Url(const std::string& path) const;
  void Serve(const std::string& path, Reply reply);
  // The request heads received so far (request line and headers), in order.
  std::vector<std::string> Requests();

  // The body of the server's thread.
  void Run();

 private:
  void Answer(int connection);

  int listener_ = -1;
  int port_ = 0;
  void* thread_ = nullptr;
  std::atomic<bool> stopping_{false};
  std::mutex lock_;
  std::map<std::string, Reply> replies_;
  std::vector<std::string> requests_;
};

// Test support: a named pipe that serves fixed bytes once, for readers given a file whose size
// cannot be known in advance and which cannot seek (ftell fails, fstat says it is no regular
// file).
//
// A thread opens the write end (which waits for a reader), writes the bytes and closes it. A
// reader that stops early and closes the file makes the writer's next write fail with EPIPE
// (SIGPIPE is ignored from the first pipe on); the destructor opens the read end itself and
// drains it until the writer is done, so the thread always ends.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace brevra::test {

class PipeFile {
 public:
  PipeFile(std::string path, std::vector<std::uint8_t> bytes) : path_(std::move(path)) {
    std::signal(SIGPIPE, SIG_IGN);
    ::unlink(path_.c_str());
    if (::mkfifo(path_.c_str(), 0600) != 0) {
      done_ = true;
      return;
    }
    writer_ = std::thread([this, b = std::move(bytes)] {
      const int fd = ::open(path_.c_str(), O_WRONLY);
      if (fd < 0) {
        done_ = true;
        return;
      }
      std::size_t done = 0;
      while (done < b.size()) {
        const ssize_t n = ::write(fd, b.data() + done, b.size() - done);
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
      }
      ::close(fd);
      done_ = true;
    });
  }
  ~PipeFile() {
    if (writer_.joinable()) {
      // Unblocks a writer still waiting for a reader, or for room in the pipe.
      const int fd = ::open(path_.c_str(), O_RDONLY | O_NONBLOCK);
      char sink[4096];
      while (!done_) {
        if (fd >= 0 && ::read(fd, sink, sizeof sink) > 0) continue;
        ::usleep(1000);
      }
      writer_.join();
      if (fd >= 0) ::close(fd);
    }
    ::unlink(path_.c_str());
  }
  PipeFile(const PipeFile&) = delete;
  PipeFile& operator=(const PipeFile&) = delete;

  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::atomic<bool> done_{false};
  std::thread writer_;
};

}  // namespace brevra::test

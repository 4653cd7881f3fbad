// Test support: a private temporary directory for fixture files, removed with its contents.
//
// The directory is readable and enterable by every user, so a child process that drops its
// privileges (to test unreadable files as root) can still reach the files it is meant to.
#pragma once

#include <stdlib.h>  // Required for: mkdtemp

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

namespace brevra::test {

class TempDir {
 public:
  explicit TempDir(const char* stem = "brevra-test") {
    std::string pattern = (std::filesystem::temp_directory_path() / stem).string() + "-XXXXXX";
    if (mkdtemp(pattern.data()) != nullptr) {
      path_ = pattern;
      namespace fs = std::filesystem;
      fs::permissions(path_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                 fs::perms::others_read | fs::perms::others_exec);
    }
  }
  ~TempDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // Empty when the directory could not be made.
  const std::filesystem::path& path() const { return path_; }

  // Writes `bytes` to the file `name` in the directory and returns its path.
  std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
    const std::string file = (path_ / name).string();
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return file;
  }

 private:
  std::filesystem::path path_;
};

}  // namespace brevra::test

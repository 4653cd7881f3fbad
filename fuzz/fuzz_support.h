// Shared by the fuzz targets: checks that abort with a message (libFuzzer reports an abort as a
// crash and keeps the input), and one scratch file per process for the readers that take a
// file name.
//
// The scratch file lives in a private directory under /dev/shm (memory, so a run does no disk
// I/O) or $TMPDIR, removed when the process ends normally.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace brevra::fuzz {

[[noreturn]] inline void Fail(const char* what, const char* file, int line) {
  std::fprintf(stderr, "fuzz check failed: %s (%s:%d)\n", what, file, line);
  std::abort();
}

#define FUZZ_CHECK(cond) ((cond) ? (void)0 : ::brevra::fuzz::Fail(#cond, __FILE__, __LINE__))

namespace detail {
inline std::filesystem::path& ScratchDir() {
  static std::filesystem::path dir = [] {
    std::error_code ec;
    std::filesystem::path base = "/dev/shm";
    if (!std::filesystem::is_directory(base, ec)) base = std::filesystem::temp_directory_path();
    std::filesystem::path d = base / ("brevra-fuzz-" + std::to_string(::getpid()));
    std::filesystem::create_directories(d, ec);
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(ScratchDir(), ignored);
    });
    return d;
  }();
  return dir;
}
}  // namespace detail

// Writes the input to the process's scratch file `name` and returns its path.
inline std::string WriteScratch(const char* name, const std::uint8_t* data, std::size_t size) {
  const std::string path = (detail::ScratchDir() / name).string();
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) Fail("cannot write the scratch file", __FILE__, __LINE__);
  if (size > 0 && std::fwrite(data, 1, size, f) != size) {
    Fail("short write of the scratch file", __FILE__, __LINE__);
  }
  std::fclose(f);
  return path;
}

inline std::uint16_t Le16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t Le32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// A BMP whose headers announce run-length data for more than `maxPixels` pixels. A few bytes
// of such data stand for up to 256 MiB of picture (the loader's cap; an end marker fills the
// rest), which costs seconds and hundreds of MiB per input under the sanitizers: the targets
// skip them so that a run measures the code, not the machine (see docs/reliability.md).
inline bool HugeRleBmp(const std::uint8_t* data, std::size_t size, std::int64_t maxPixels) {
  if (size < 34 || data[0] != 'B' || data[1] != 'M') return false;
  const std::uint32_t compression = Le32(data + 30);
  if (compression != 1 && compression != 2) return false;
  const std::int64_t w = static_cast<std::int32_t>(Le32(data + 18));
  const std::int64_t h = static_cast<std::int32_t>(Le32(data + 22));
  return w * (h < 0 ? -h : h) > maxPixels;
}

}  // namespace brevra::fuzz

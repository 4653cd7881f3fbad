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

// The largest picture (width x height, as the headers announce it) a fuzz input may ask for.
// A few bytes of run-length data stand for a picture of up to 256 MiB (the BMP loader's cap; an
// end marker fills the rest), and even a picture whose pixels are all in a 64 KiB input costs
// milliseconds per run under the sanitizers: above this size a run measures the machine, not
// the code. The fault tests (tests/faults) give the readers the huge and absurd sizes instead.
constexpr std::uint64_t kMaxFuzzPixels = 1u << 14;

// Width x height as a BMP's headers announce them (an information header of 40 bytes or more,
// or the 12-byte core header), 0 when the input is too short to say or is no BMP.
inline std::uint64_t BmpPixels(const std::uint8_t* data, std::size_t size) {
  if (size < 26 || data[0] != 'B' || data[1] != 'M') return 0;
  if (Le32(data + 14) == 12) return std::uint64_t{Le16(data + 18)} * Le16(data + 20);
  const std::int64_t w = static_cast<std::int32_t>(Le32(data + 18));
  const std::int64_t h = static_cast<std::int32_t>(Le32(data + 22));
  return static_cast<std::uint64_t>(w < 0 ? -w : w) * static_cast<std::uint64_t>(h < 0 ? -h : h);
}

// Width x height as a TGA's information block announces them, 0 when the input is too short.
inline std::uint64_t TgaPixels(const std::uint8_t* data, std::size_t size) {
  if (size < 16) return 0;
  return std::uint64_t{Le16(data + 12)} * Le16(data + 14);
}

// True for an input whose headers, read as a BMP or as a TGA, announce a picture larger than
// kMaxFuzzPixels: the targets return -1 for it (run no further, keep it out of the corpus).
inline bool TooBigToFuzz(const std::uint8_t* data, std::size_t size) {
  return BmpPixels(data, size) > kMaxFuzzPixels || TgaPixels(data, size) > kMaxFuzzPixels;
}

}  // namespace brevra::fuzz

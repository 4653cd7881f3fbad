// Fault tests of the image readers with real files: missing, empty, a directory, unreadable
// (permissions, and a file whose reads fail), truncated at every byte, absurd dimensions, the
// 65535 x 65535 TGA header; and region building on a 4096 x 4096 noise picture.
//
// Every reader is given every damaged file: LoadTGA (one message, false), GetBMPDepth (0), the
// platform's bitmap loader (no bitmap), LoadBMPFromFile (no bitmap, palette untouched) and
// BitmapToRegion (no region). Nothing may stay allocated: the platform's live-object count comes
// back to where it was, and the sanitizer build checks the heap.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include "tests/support/child_checks.h"
#include "tests/support/pipe_file.h"
#include "tests/support/temp_dir.h"
#include "brevra/imagebutton/bitmap_region.h"
#include "brevra/platform/bitmap.h"
#include "brevra/platform/gdi.h"
#include "brevra/platform/headless.h"
#include "brevra/platform/platform.h"
#include "brevra/textures/tga.h"
#include "brevra/textures/textures.h"

namespace {

namespace fs = std::filesystem;
namespace pf = brevra::platform;
namespace hl = brevra::platform::headless;
using Bytes = std::vector<std::uint8_t>;

// ---------------------------------------------------------------------------------------------
// Files
// ---------------------------------------------------------------------------------------------
void Put16(Bytes& b, std::uint32_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(Bytes& b, std::uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

Bytes Tga(std::uint8_t type, std::uint32_t width, std::uint32_t height, std::uint8_t depth,
          const Bytes& data) {
  Bytes b = {0, 0, type, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  Put16(b, width);
  Put16(b, height);
  b.push_back(depth);
  b.push_back(0);
  b.insert(b.end(), data.begin(), data.end());
  return b;
}

// A BMP file with a 40-byte info header; `pixels` as stored, `colors` the table.
Bytes Bmp(std::int32_t width, std::int32_t height, std::uint16_t bpp, const Bytes& pixels,
          std::uint32_t compression = 0, const std::vector<std::uint32_t>& colors = {}) {
  const std::uint32_t offset = 14 + 40 + static_cast<std::uint32_t>(colors.size()) * 4;
  Bytes b = {'B', 'M'};
  Put32(b, offset + static_cast<std::uint32_t>(pixels.size()));
  Put32(b, 0);
  Put32(b, offset);
  Put32(b, 40);
  Put32(b, static_cast<std::uint32_t>(width));
  Put32(b, static_cast<std::uint32_t>(height));
  Put16(b, 1);
  Put16(b, bpp);
  Put32(b, compression);
  Put32(b, static_cast<std::uint32_t>(pixels.size()));
  Put32(b, 2835);
  Put32(b, 2835);
  Put32(b, static_cast<std::uint32_t>(colors.size()));
  Put32(b, 0);
  for (std::uint32_t c : colors) Put32(b, c);
  b.insert(b.end(), pixels.begin(), pixels.end());
  return b;
}

// A private directory (readable by every user, so an unprivileged child can enter it).
class FaultFiles : public ::testing::Test {
 public:
  void SetUp() override {
    ASSERT_TRUE(pf::Init(pf::Backend::Headless));
    hl::AnswerMessageBoxes(pf::IDOK);
    // Stock objects are made on first use and live for the process: make them before counting.
    pf::DeleteDC(pf::CreateCompatibleDC(0));
    pf::ReleaseDC(0, pf::GetDC(0));
    ASSERT_FALSE(temp_.path().empty());
    dir_ = temp_.path();
  }
  void TearDown() override { pf::Shutdown(); }
  std::string Write(const std::string& name, const Bytes& bytes) {
    return temp_.Write(name, bytes);
  }
  brevra::test::TempDir temp_{"brevra-faults"};
  fs::path dir_;
};

// ---------------------------------------------------------------------------------------------
// What each reader makes of a file
// ---------------------------------------------------------------------------------------------
// LoadTGA's outcome: "ok" or the one message it showed ("<caption>: <text>").
std::string TgaOutcome(const std::string& path) {
  hl::ClearMessageBoxLog();
  brevra::TGATexture t;
  const bool ok = brevra::LoadTGA(t, path);
  const auto& log = hl::MessageBoxLog();
  std::string outcome;
  if (ok && log.empty() && t.ImageData != nullptr)
    outcome = "ok";
  else if (!ok && log.size() == 1 && t.ImageData == nullptr)
    outcome = log[0].caption + ": " + log[0].text;
  else
    outcome = "inconsistent (" + std::to_string(log.size()) + " messages)";
  if (brevra::FTGA != nullptr) outcome += " [file left open]";
  brevra::FreeTGAImage(t);
  return outcome;
}

// The BMP readers of a file that none of them may accept: none shows a message, none leaves an
// object behind, LoadBMPFromFile leaves the palette alone.
void ExpectNoBitmapReaderAccepts(const std::string& path, const std::string& what) {
  SCOPED_TRACE(what);
  hl::ClearMessageBoxLog();
  const std::size_t live = hl::LiveObjectCount();
  EXPECT_EQ(pf::LoadImage(pf::GetModuleHandle(nullptr), path.c_str(), pf::IMAGE_BITMAP, 0, 0,
                          pf::LR_LOADFROMFILE | pf::LR_LOADTRANSPARENT | pf::LR_CREATEDIBSECTION),
            0u);
  pf::HPALETTE pal = 0xBEEF;
  EXPECT_EQ(brevra::LoadBMPFromFile(path, pal), 0u);
  EXPECT_EQ(pal, 0xBEEFu);
  EXPECT_EQ(brevra::BitmapToRegion(path, 0xFF00FF, 1), 0u);
  EXPECT_EQ(hl::LiveObjectCount(), live);
  EXPECT_TRUE(hl::MessageBoxLog().empty());
}

// ---------------------------------------------------------------------------------------------
// Missing, empty, a directory
// ---------------------------------------------------------------------------------------------
struct BadFile {
  const char* name;
  std::function<std::string(FaultFiles&, const fs::path&)> make;  // returns the path
  const char* tgaOutcome;
};

TEST_F(FaultFiles, MissingEmptyAndDirectoryAreRefusedByEveryReader) {
  const BadFile cases[] = {
      {"missing", [](FaultFiles&, const fs::path& d) { return (d / "nothing.tga").string(); },
       "ERROR: Could not open texture file"},
      {"empty", [](FaultFiles& f, const fs::path&) { return f.Write("empty.tga", {}); },
       "ERROR: Could not read file header"},
      {"directory",
       [](FaultFiles&, const fs::path& d) {
         fs::create_directory(d / "folder.tga");
         return (d / "folder.tga").string();
       },
       "ERROR: Could not open texture file"},
  };
  for (const BadFile& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = c.make(*this, dir_);
    EXPECT_EQ(TgaOutcome(path), c.tgaOutcome);
    EXPECT_EQ(brevra::GetBMPDepth(path.c_str()), 0);
    ExpectNoBitmapReaderAccepts(path, c.name);
  }
}

// ---------------------------------------------------------------------------------------------
// Unreadable
// ---------------------------------------------------------------------------------------------
// A file the user may not read. CI runs as root, whom permissions do not stop, so the readers
// run in a child process that has given up root for the "nobody" user first.
TEST_F(FaultFiles, UnreadableByPermissionsIsRefusedByEveryReader) {
  Bytes good = Tga(2, 1, 1, 24, {1, 2, 3});
  const std::string tga = Write("locked.tga", good);
  const std::string bmp = Write("locked.bmp", Bmp(1, 1, 24, {1, 2, 3, 0}));
  fs::permissions(tga, fs::perms::none);
  fs::permissions(bmp, fs::perms::none);
  EXPECT_EXIT(
      {
        if (geteuid() == 0) REQUIRE(setgid(65534) == 0 && setuid(65534) == 0);
        REQUIRE(std::fopen(tga.c_str(), "rb") == nullptr);  // really unreadable now
        REQUIRE(TgaOutcome(tga) == "ERROR: Could not open texture file");
        REQUIRE(brevra::GetBMPDepth(bmp.c_str()) == 0);
        const std::size_t live = hl::LiveObjectCount();
        REQUIRE(pf::LoadImage(pf::GetModuleHandle(nullptr), bmp.c_str(), pf::IMAGE_BITMAP, 0, 0,
                              pf::LR_LOADFROMFILE) == 0);
        pf::HPALETTE pal = 0;
        REQUIRE(brevra::LoadBMPFromFile(bmp, pal) == 0 && pal == 0);
        REQUIRE(brevra::BitmapToRegion(bmp, 0xFF00FF, 1) == 0);
        REQUIRE(hl::LiveObjectCount() == live);
        std::fprintf(stderr, "unreadable refused\n");
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "unreadable refused");
}

// A file that opens but whose reads fail (reading /proc/self/mem at offset 0 gives EIO): the
// TGA reader does not treat a device error as a short file; it reaches the caller as an
// input/output error, after the file has been closed. The BMP readers just refuse it.
TEST_F(FaultFiles, ReadErrorReachesTheTgaCallerAsAnExceptionWithTheFileClosed) {
  const std::string path = "/proc/self/mem";
  brevra::TGATexture t;
  hl::ClearMessageBoxLog();
  EXPECT_THROW(brevra::LoadTGA(t, path), std::system_error);
  EXPECT_EQ(brevra::FTGA, nullptr);
  EXPECT_EQ(t.ImageData, nullptr);
  EXPECT_TRUE(hl::MessageBoxLog().empty());
  EXPECT_EQ(brevra::GetBMPDepth(path.c_str()), 0);
  ExpectNoBitmapReaderAccepts(path, "read error");
}

// ---------------------------------------------------------------------------------------------
// Truncated at every byte
// ---------------------------------------------------------------------------------------------
// A type 10 file described by its packets, so that the failure of every prefix can be told.
struct Packet {
  bool run;
  int pixels;
};

// The outcome LoadTGA must give for the first `n` bytes of a file of `packets` (type 10) or of
// plain pixel data (no packets, type 2).
std::string ExpectedTga(std::size_t n, std::size_t full, const std::vector<Packet>& packets,
                        unsigned bytesPerPixel) {
  if (n < 12) return "ERROR: Could not read file header";
  if (n < 18) return "ERROR: Could not read info header";
  if (packets.empty()) return n < full ? "ERROR: Could not read image data" : "ok";
  std::size_t at = 18;
  for (const Packet& p : packets) {
    if (n <= at) return "ERROR: Could not read RLE header";
    at += 1;
    if (p.run) {
      at += bytesPerPixel;
      if (n < at) return "ERROR: Could not read from file";
    } else {
      at += bytesPerPixel * p.pixels;
      if (n < at) return "ERROR: Could not read image data";
    }
  }
  return "ok";
}

Bytes Packets(const std::vector<Packet>& packets, unsigned bytesPerPixel) {
  Bytes data;
  std::uint8_t value = 1;
  for (const Packet& p : packets) {
    data.push_back(static_cast<std::uint8_t>(p.run ? 127 + p.pixels : p.pixels - 1));
    const int stored = p.run ? 1 : p.pixels;
    for (int i = 0; i < stored * static_cast<int>(bytesPerPixel); ++i) data.push_back(value++);
  }
  return data;
}

TEST_F(FaultFiles, TgaTruncatedAtEveryByteGivesTheMessageOfTheReadThatCameShort) {
  struct Case {
    const char* name;
    std::uint8_t type, depth;
    std::uint32_t width, height;
    std::vector<Packet> packets;  // empty: type 2
  };
  const Case cases[] = {
      {"type 2, 24 bits, 3 x 2", 2, 24, 3, 2, {}},
      {"type 2, 32 bits, 2 x 2", 2, 32, 2, 2, {}},
      {"type 10, 24 bits, raw run raw", 10, 24, 5, 2, {{false, 3}, {true, 5}, {false, 2}}},
      {"type 10, 32 bits, run across rows", 10, 32, 3, 3, {{true, 4}, {false, 1}, {true, 4}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const unsigned bpp = c.depth / 8u;
    const Bytes body =
        c.packets.empty() ? Bytes(c.width * c.height * bpp, 0x5A) : Packets(c.packets, bpp);
    const Bytes file = Tga(c.type, c.width, c.height, c.depth, body);
    for (std::size_t n = 0; n <= file.size(); ++n) {
      SCOPED_TRACE("first " + std::to_string(n) + " of " + std::to_string(file.size()) + " bytes");
      const Bytes prefix(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(n));
      const std::string path = Write("cut.tga", prefix);
      ASSERT_EQ(TgaOutcome(path), ExpectedTga(n, file.size(), c.packets, bpp));
      brevra::TGATexture t;  // the memory core agrees
      const bool ok = brevra::DecodeTGA(prefix.data(), prefix.size(), t) == brevra::TgaStatus::Ok;
      EXPECT_EQ(ok, n == file.size());
      brevra::FreeTGAImage(t);
    }
  }
}

TEST_F(FaultFiles, BmpTruncatedAtEveryByteIsRefusedWithoutLeavingAnything) {
  const Bytes rows24(2 * 12, 0x40);  // 3 x 2 at 24 bits: rows of 9 bytes padded to 12
  const Bytes rows8(2 * 4, 3);       // 4 x 2 at 8 bits
  struct Case {
    const char* name;
    Bytes file;
    std::int32_t depth;
  };
  const Case cases[] = {
      {"24 bits, 3 x 2", Bmp(3, 2, 24, rows24), 24},
      {"8 bits, 4 x 2, 16 colours",
       Bmp(4, 2, 8, rows8, 0, std::vector<std::uint32_t>(16, 0xFF00FF)), 8},
      {"32 bits, 2 x 2", Bmp(2, 2, 32, Bytes(16, 0x77)), 32},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (std::size_t n = 0; n < c.file.size(); ++n) {
      const Bytes prefix(c.file.begin(), c.file.begin() + static_cast<std::ptrdiff_t>(n));
      const std::string path = Write("cut.bmp", prefix);
      SCOPED_TRACE("first " + std::to_string(n) + " bytes");
      ASSERT_EQ(brevra::GetBMPDepth(path.c_str()), n >= 54 ? c.depth : 0);
      ExpectNoBitmapReaderAccepts(path, "truncated");
      if (HasFailure()) return;
    }
    // The whole file loads and gives a region.
    const std::string path = Write("whole.bmp", c.file);
    const pf::HRGN region = brevra::BitmapToRegion(path, 0x000000, 0);
    EXPECT_NE(region, 0u);
    pf::DeleteObject(region);
  }
}

// ---------------------------------------------------------------------------------------------
// Absurd dimensions
// ---------------------------------------------------------------------------------------------
// Runs `body` in a child whose address space is limited to what it uses now plus 192 MiB, so
// that an attempt to allocate for an absurd picture fails visibly (with the allocation message,
// or a crash) instead of passing unnoticed. The sanitizer build reserves terabytes of shadow
// memory, which no such limit allows: there the child runs without the limit.
void LimitAddressSpace() {
#if !defined(__SANITIZE_ADDRESS__)
  std::uint64_t used = 0;
  if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
    unsigned long pages = 0;
    if (std::fscanf(f, "%lu", &pages) == 1) used = std::uint64_t{pages} * 4096;
    std::fclose(f);
  }
  const rlim_t limit = used + (192u << 20);
  rlimit r;
  r.rlim_cur = r.rlim_max = limit;
  REQUIRE(setrlimit(RLIMIT_AS, &r) == 0);
#endif
}

void WithLittleMemory(const std::function<void()>& body) {
  EXPECT_EXIT(
      {
        LimitAddressSpace();
        body();
        std::fprintf(stderr, "refused before allocating\n");
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "refused before allocating");
}

TEST_F(FaultFiles, TgaOfAbsurdSizeIsRefusedBeforeAllocating) {
  struct Case {
    const char* name;
    std::uint8_t type, depth;
    std::uint32_t width, height;
    std::size_t bodyBytes;
    const char* outcome;
  };
  const Case cases[] = {
      // 65535 x 65535: a pixel block beyond 32 bits, whatever follows.
      {"65535 x 65535, type 2, 24 bits", 2, 24, 65535, 65535, 0,
       "ERROR: Invalid texture information"},
      {"65535 x 65535, type 2, 32 bits", 2, 32, 65535, 65535, 4096,
       "ERROR: Invalid texture information"},
      {"65535 x 65535, type 10, 24 bits", 10, 24, 65535, 65535, 4096,
       "ERROR: Invalid texture information"},
      {"65535 x 65535, type 10, 32 bits", 10, 32, 65535, 65535, 0,
       "ERROR: Invalid texture information"},
      {"32768 x 32768 x 4 bytes = 2^32", 2, 32, 32768, 32768, 16,
       "ERROR: Invalid texture information"},
      // Sizes that fit 32 bits but not the data that follow.
      {"40000 x 25000, type 2, 32 bits, 1 KiB of data", 2, 32, 40000, 25000, 1024,
       "ERROR: Could not read image data"},
      {"40000 x 25000, type 10, 32 bits, 1 KiB of packets", 10, 32, 40000, 25000, 1024,
       "ERROR: Could not read RLE header"},
      {"65535 x 16384, type 10, 24 bits, nothing", 10, 24, 65535, 16384, 0,
       "ERROR: Could not read RLE header"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // A type 10 body of whole run packets of 128 pixels: well formed as far as it goes.
    Bytes body(c.type == 2 ? c.bodyBytes : 0, 0x33);
    while (c.type == 10 && body.size() + 1 + c.depth / 8 <= c.bodyBytes) {
      body.push_back(0xFF);
      body.insert(body.end(), c.depth / 8, 0x33);
    }
    const std::string path = Write("huge.tga", Tga(c.type, c.width, c.height, c.depth, body));
    WithLittleMemory([&] {
      const std::string got = TgaOutcome(path);
      if (got != c.outcome) std::fprintf(stderr, "got %s\n", got.c_str());
      REQUIRE(got == c.outcome);
    });
  }
}

// From a pipe the reader cannot know that the data will come short, so it allocates for the
// picture its header announces: 40000 x 25000 x 4 bytes (just under 2^32) cannot be had in the
// limited child, and the reader says so, allocates nothing more and closes the file.
TEST_F(FaultFiles, TgaFromAPipeTooLargeForMemoryGivesTheAllocationMessage) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer build runs its children without the memory limit";
#endif
  for (const std::uint8_t type : {2, 10}) {
    SCOPED_TRACE(type);
    const Bytes file = Tga(type, 40000, 25000, 32, Bytes(64, 0x33));
    WithLittleMemory([&] {
      const brevra::test::PipeFile pipe((dir_ / "huge-pipe.tga").string(), file);
      const std::string got = TgaOutcome(pipe.path());
      if (got != "ERROR: Could not allocate memory for image") {
        std::fprintf(stderr, "got %s\n", got.c_str());
      }
      REQUIRE(got == "ERROR: Could not allocate memory for image");
    });
  }
}

TEST_F(FaultFiles, BmpOfAbsurdSizeIsRefusedBeforeAllocating) {
  struct Case {
    const char* name;
    std::int32_t width, height;
    std::uint16_t bpp;
    std::uint32_t compression;
  };
  const Case cases[] = {
      {"2^31 - 1 square, 24 bits", 0x7FFFFFFF, 0x7FFFFFFF, 24, 0},
      {"30000 x 30000, 24 bits (2.7 GB)", 30000, 30000, 24, 0},
      {"20000 x 20000, 24 bits, pixels missing", 20000, 20000, 24, 0},
      {"65535 x -65535 (top-down), 32 bits", 65535, -65535, 32, 0},
      {"1 x 2^31 - 1, 1 bit", 1, 0x7FFFFFFF, 1, 0},
      {"30000 x 30000, 8-bit run-length data", 30000, 30000, 8, 1},
      {"width 0", 0, 10, 24, 0},
      {"height of -2^31", 10, INT32_MIN, 24, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes pixels = {0, 1};  // an RLE end marker; far too little for anything else
    const std::vector<std::uint32_t> colors(c.bpp <= 8 ? 2 : 0, 0x00FF00);
    const std::string path =
        Write("huge.bmp", Bmp(c.width, c.height, c.bpp, pixels, c.compression, colors));
    WithLittleMemory([&] {
      REQUIRE(brevra::GetBMPDepth(path.c_str()) == c.bpp);
      REQUIRE(pf::LoadImage(pf::GetModuleHandle(nullptr), path.c_str(), pf::IMAGE_BITMAP, 0, 0,
                            pf::LR_LOADFROMFILE) == 0);
      pf::HPALETTE pal = 0;
      REQUIRE(brevra::LoadBMPFromFile(path, pal) == 0 && pal == 0);
      REQUIRE(brevra::BitmapToRegion(path, 0xFF00FF, 1) == 0);
    });
  }
}

// A legal run-length picture of 16384 x 16384 (256 MiB once decoded, the most the loader
// accepts) in a child that may have 192 MiB more: the allocation fails, and the loader gives no
// bitmap instead of letting the failure out.
TEST_F(FaultFiles, BmpTooLargeForMemoryGivesNoBitmap) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer build runs its children without the memory limit";
#endif
  const std::string path =
      Write("big-rle.bmp", Bmp(16384, 16384, 8, {0, 1}, 1, {0x00FF00, 0xFF00FF}));
  WithLittleMemory([&] {
    const std::size_t live = hl::LiveObjectCount();
    REQUIRE(pf::LoadImage(pf::GetModuleHandle(nullptr), path.c_str(), pf::IMAGE_BITMAP, 0, 0,
                          pf::LR_LOADFROMFILE) == 0);
    REQUIRE(brevra::BitmapToRegion(path, 0xFF00FF, 1) == 0);
    REQUIRE(hl::LiveObjectCount() == live);
  });
}

// ---------------------------------------------------------------------------------------------
// A region of a 4096 x 4096 noise picture
// ---------------------------------------------------------------------------------------------
// Half the pixels magenta (transparent with tolerance 1), half random colours: about four
// million opaque runs, so about two thousand full batches. The region must be exactly the
// runs of the picture, rows from the top, as y-x bands.
TEST_F(FaultFiles, RegionOfA4096SquareNoisePictureIsExactlyItsOpaqueRuns) {
  constexpr int kSide = 4096;
  std::mt19937 random(20240611);
  std::vector<std::uint8_t> opaque(static_cast<std::size_t>(kSide) * kSide);  // top row first
  Bytes pixels(static_cast<std::size_t>(kSide) * kSide * 3);
  for (int y = 0; y < kSide; ++y) {
    // Stored bottom row first.
    std::uint8_t* row = pixels.data() + static_cast<std::size_t>(kSide - 1 - y) * kSide * 3;
    for (int x = 0; x < kSide; ++x) {
      const std::uint32_t r = random();
      const bool isOpaque = (r & 1) != 0;
      opaque[static_cast<std::size_t>(y) * kSide + x] = isOpaque;
      std::uint8_t* p = row + x * 3;
      if (isOpaque) {
        p[0] = static_cast<std::uint8_t>(r >> 8);
        p[1] = static_cast<std::uint8_t>(r >> 16) | 0x04;  // green 4 or more: never transparent
        p[2] = static_cast<std::uint8_t>(r >> 24);
      } else {
        p[0] = 255;                                    // blue
        p[1] = static_cast<std::uint8_t>(r >> 8) & 1;  // green 0 or 1
        p[2] = 255;                                    // red
      }
    }
  }
  const std::string path = Write("noise.bmp", Bmp(kSide, kSide, 24, pixels));
  pixels = {};

  // The expected bands: each row's runs; equal neighbouring rows become one band.
  std::vector<pf::RECT> want;
  std::size_t bandStart = 0;
  std::vector<std::pair<int, int>> previous;
  for (int y = 0; y < kSide; ++y) {
    std::vector<std::pair<int, int>> runs;
    const std::uint8_t* row = opaque.data() + static_cast<std::size_t>(y) * kSide;
    for (int x = 0; x < kSide;) {
      if (!row[x]) {
        ++x;
        continue;
      }
      const int x0 = x;
      while (x < kSide && row[x]) ++x;
      runs.emplace_back(x0, x);
    }
    if (y > 0 && runs == previous && !runs.empty()) {
      for (std::size_t i = bandStart; i < want.size(); ++i) want[i].bottom = y + 1;
      continue;
    }
    bandStart = want.size();
    for (const auto& [x0, x1] : runs) want.push_back(pf::RECT{x0, y, x1, y + 1});
    previous = std::move(runs);
  }
  ASSERT_GT(want.size(), 3'000'000u);

  const std::size_t live = hl::LiveObjectCount();
  const pf::HRGN region = brevra::BitmapToRegion(path, 0xFF00FF, 1);
  ASSERT_NE(region, 0u);
  EXPECT_EQ(hl::LiveObjectCount(), live + 1);
  const std::vector<pf::RECT> got = pf::RegionRects(region);
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t i = 0; i < got.size(); ++i) {
    const pf::RECT& g = got[i];
    const pf::RECT& w = want[i];
    ASSERT_TRUE(g.left == w.left && g.top == w.top && g.right == w.right && g.bottom == w.bottom)
        << "rectangle " << i;
  }
  pf::RECT box{};
  pf::GetRgnBox(region, &box);
  EXPECT_TRUE(box.left >= 0 && box.top == 0 && box.right <= kSide && box.bottom == kSide);
  EXPECT_TRUE(pf::DeleteObject(region));
  EXPECT_EQ(hl::LiveObjectCount(), live);
}

}  // namespace

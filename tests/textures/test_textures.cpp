// The image readers without GL: the TGA reader through real files (results, decoded bytes, the one
// message shown, the file closed, nothing left allocated) and on memory buffers, and the BMP
// loader with its bitmap objects and GetBMPDepth.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "brevra/platform/bitmap.h"
#include "brevra/platform/gdi.h"
#include "brevra/platform/headless.h"
#include "brevra/platform/platform.h"
#include "brevra/textures/textures.h"
#include "brevra/textures/tga.h"
#include "tests/support/pipe_file.h"
#include "tests/textures/fixtures.h"

namespace {

namespace platform = brevra::platform;
namespace headless = brevra::platform::headless;
using brevra::test::Append;
using brevra::test::Bmp;
using brevra::test::BmpSpec;
using brevra::test::Bytes;
using brevra::test::Tga;
using brevra::test::TgaHeader;
using brevra::test::WriteFile;

class HeadlessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(platform::Init(platform::Backend::Headless));
    headless::AnswerMessageBoxes(platform::IDOK);
    headless::ClearMessageBoxLog();
  }
  void TearDown() override { platform::Shutdown(); }
};

// =============================================================================================
// TGA reader
// =============================================================================================

// How far a failed load got: which fields of the record it wrote.
enum class Wrote { Nothing, Dimensions, AllButImage };

struct TgaCase {
  std::string name;
  Bytes file;
  bool ok;
  Bytes pixels;         // the decoded image when ok
  const char* message;  // the one message shown on failure
  const char* caption;
  Wrote wrote = Wrote::Nothing;
};

constexpr std::uint32_t kUnset = 0xDEADBEEF;

Bytes With(Bytes b, std::size_t at, std::uint8_t value) {
  b.at(at) = value;
  return b;
}
Bytes Prefix(const Bytes& b, std::size_t n) { return Bytes(b.begin(), b.begin() + n); }

std::vector<TgaCase> TgaCases() {
  const Bytes px3 = {1, 2, 3, 4, 5, 6};
  std::vector<TgaCase> c;
  const auto ok = [&](std::string name, Bytes file, Bytes pixels) {
    c.push_back(
        {name, std::move(file), true, std::move(pixels), nullptr, nullptr, Wrote::AllButImage});
  };
  const auto fail = [&](std::string name, Bytes file, const char* message, Wrote wrote,
                        const char* caption = "ERROR") {
    c.push_back({name, std::move(file), false, {}, message, caption, wrote});
  };
  const char* kType = "TGA file be type 2 or type 10";

  // ---- decoding ----
  ok("raw24", Tga(2, 2, 1, 24, px3), {3, 2, 1, 6, 5, 4});
  ok("raw32", Tga(2, 1, 1, 32, {1, 2, 3, 4}), {3, 2, 1, 4});
  ok("raw24_two_rows", Tga(2, 1, 2, 24, px3), {3, 2, 1, 6, 5, 4});
  ok("rle_run", Tga(10, 4, 1, 24, {0x83, 0x10, 0x20, 0x30}),
     {0x30, 0x20, 0x10, 0x30, 0x20, 0x10, 0x30, 0x20, 0x10, 0x30, 0x20, 0x10});
  ok("rle_raw_then_run_exact_fill", Tga(10, 4, 1, 24, {0x01, 1, 2, 3, 4, 5, 6, 0x81, 7, 8, 9}),
     {3, 2, 1, 6, 5, 4, 9, 8, 7, 9, 8, 7});
  ok("rle_run_across_rows", Tga(10, 2, 2, 24, {0x83, 1, 2, 3}),
     {3, 2, 1, 3, 2, 1, 3, 2, 1, 3, 2, 1});
  ok("rle_raw_across_rows", Tga(10, 1, 2, 32, {0x01, 1, 2, 3, 4, 5, 6, 7, 8}),
     {3, 2, 1, 4, 7, 6, 5, 8});
  ok("rle32_alpha_stays_fourth", Tga(10, 2, 1, 32, {0x81, 10, 20, 30, 40}),
     {30, 20, 10, 40, 30, 20, 10, 40});
  ok("descriptor_top_to_bottom_ignored", Tga(2, 1, 2, 24, px3, 0x20), {3, 2, 1, 6, 5, 4});
  ok("descriptor_attribute_bits_ignored", Tga(2, 1, 1, 32, {1, 2, 3, 4}, 0x08), {3, 2, 1, 4});
  {
    Bytes f = Tga(2, 2, 1, 24, px3);
    Append(f, Bytes(495, 0xAB));  // an extension area
    Append(f, {0, 0, 0, 0, 0, 0, 0, 0});
    const char sig[] = "TRUEVISION-XFILE.";
    f.insert(f.end(), sig, sig + sizeof sig);
    ok("bytes_after_data_ignored", f, {3, 2, 1, 6, 5, 4});
    Bytes r = Tga(10, 2, 1, 24, {0x81, 1, 2, 3});
    Append(r, {0x85, 9, 9, 9});  // a further packet is never read
    ok("rle_bytes_after_last_packet_ignored", r, {3, 2, 1, 3, 2, 1});
  }

  // ---- type 10 failures ----
  fail("rle_too_many_pixels_run", Tga(10, 2, 2, 24, {0x84, 1, 2, 3}), "Too many pixels read",
       Wrote::AllButImage);
  fail("rle_too_many_pixels_raw", Tga(10, 1, 1, 24, {0x01, 1, 2, 3, 4, 5, 6}),
       "Too many pixels read", Wrote::AllButImage);
  fail("rle_raw_overflow_pixel_short", Tga(10, 1, 1, 24, {0x01, 1, 2, 3, 4}),
       "Could not read image data", Wrote::AllButImage);
  fail("rle_ends_early", Tga(10, 2, 2, 24, {0x82, 1, 2, 3}), "Could not read RLE header",
       Wrote::AllButImage);
  fail("rle_no_packet", Tga(10, 1, 1, 24, {}), "Could not read RLE header", Wrote::AllButImage);
  fail("rle_raw_pixel_short", Tga(10, 2, 1, 32, {0x01, 1, 2, 3, 4, 5, 6}),
       "Could not read image data", Wrote::AllButImage);
  fail("rle_run_value_short", Tga(10, 4, 1, 24, {0x83, 1, 2}), "Could not read from file",
       Wrote::AllButImage);

  // ---- type 2 failures ----
  fail("raw_data_short", Tga(2, 2, 2, 24, Bytes(11, 7)), "Could not read image data",
       Wrote::AllButImage);
  fail("raw_no_data", Tga(2, 2, 2, 32, {}), "Could not read image data", Wrote::AllButImage);

  // ---- refused headers ----
  const Bytes good = Tga(2, 2, 1, 24, px3);
  fail("image_id_length_1", With(good, 0, 1), kType, Wrote::Nothing, "Invalid Image");
  fail("colour_map_type_1", With(good, 1, 1), kType, Wrote::Nothing, "Invalid Image");
  fail("colour_map_spec_nonzero", With(good, 5, 1), kType, Wrote::Nothing, "Invalid Image");
  fail("x_origin_nonzero", With(good, 8, 1), kType, Wrote::Nothing, "Invalid Image");
  fail("y_origin_nonzero", With(good, 11, 1), kType, Wrote::Nothing, "Invalid Image");
  for (int type : {0, 1, 3, 9, 11}) {
    fail("image_type_" + std::to_string(type), With(good, 2, static_cast<std::uint8_t>(type)),
         kType, Wrote::Nothing, "Invalid Image");
  }
  fail("depth_16", Tga(2, 2, 1, 16, {1, 2, 3, 4}), "Invalid texture information",
       Wrote::Dimensions);
  fail("depth_8", Tga(2, 2, 1, 8, {1, 2}), "Invalid texture information", Wrote::Dimensions);
  fail("rle_depth_16", Tga(10, 2, 1, 16, {0x81, 1, 2}), "Invalid texture information",
       Wrote::Dimensions);
  fail("width_0", Tga(2, 0, 1, 24, px3), "Invalid texture information", Wrote::Dimensions);
  fail("height_0", Tga(10, 1, 0, 32, {0x80, 1, 2, 3, 4}), "Invalid texture information",
       Wrote::Dimensions);
  // A pixel block over 32 bits is refused before anything is allocated.
  fail("oversize_65535_square_32", TgaHeader(2, 65535, 65535, 32), "Invalid texture information",
       Wrote::Dimensions);
  fail("oversize_65535_square_24_rle", TgaHeader(10, 65535, 65535, 24),
       "Invalid texture information", Wrote::Dimensions);
  // Under 32 bits but far more than the file holds: the read's own failure, nothing allocated.
  fail("huge_raw_short_file", TgaHeader(2, 37837, 37837, 24), "Could not read image data",
       Wrote::AllButImage);
  fail("huge_rle_short_file", Tga(10, 32768, 32767, 32, {0xFF, 1, 2, 3, 4, 0x7F, 1}),
       "Could not read image data", Wrote::AllButImage);

  // ---- short files ----
  fail("empty_file", {}, "Could not read file header", Wrote::Nothing);
  fail("file_of_11_bytes", Prefix(good, 11), "Could not read file header", Wrote::Nothing);
  for (int n : {12, 13, 15, 17}) {
    fail("file_of_" + std::to_string(n) + "_bytes", Prefix(good, n), "Could not read info header",
         Wrote::Nothing);
  }
  fail("rle_file_of_14_bytes", Prefix(Tga(10, 1, 1, 24, {}), 14), "Could not read info header",
       Wrote::Nothing);
  return c;
}

class TgaFileTable : public HeadlessTest, public ::testing::WithParamInterface<TgaCase> {};

TEST_P(TgaFileTable, LoadTGAGivesResultBytesAndOneMessage) {
  const TgaCase& tc = GetParam();
  const std::string path = WriteFile(tc.name + ".tga", tc.file);
  const std::size_t filesBefore = brevra::test::OpenFileCount();

  brevra::TGATexture t;
  t.Width = t.Height = t.Bpp = t.Typ = t.TexID = kUnset;
  const bool result = brevra::LoadTGA(t, path);

  EXPECT_EQ(result, tc.ok);
  EXPECT_EQ(brevra::FTGA, nullptr) << "the file is closed before LoadTGA returns";
  EXPECT_EQ(brevra::test::OpenFileCount(), filesBefore);
  EXPECT_EQ(t.TexID, kUnset) << "TexID is never touched";
  const auto& log = headless::MessageBoxLog();
  if (tc.ok) {
    EXPECT_TRUE(log.empty());
    ASSERT_NE(t.ImageData, nullptr);
    EXPECT_EQ(Bytes(t.ImageData, t.ImageData + tc.pixels.size()), tc.pixels);
    const std::uint32_t depth = tc.file[16];
    EXPECT_EQ(t.Bpp, depth);
    EXPECT_EQ(t.Width, tc.file[12] + 256u * tc.file[13]);
    EXPECT_EQ(t.Height, tc.file[14] + 256u * tc.file[15]);
    EXPECT_EQ(tc.pixels.size(), std::size_t{t.Width} * t.Height * depth / 8);
    EXPECT_EQ(t.Typ, depth == 24 ? 0x1907u : 0x1908u);
    EXPECT_EQ(brevra::TGA.ImageSize, tc.pixels.size());
    EXPECT_EQ(brevra::TGA.BytesPerPixel, depth / 8);
    brevra::FreeTGAImage(t);
  } else {
    ASSERT_EQ(log.size(), 1u) << "exactly one message per failed load";
    EXPECT_EQ(log[0].text, tc.message);
    EXPECT_EQ(log[0].caption, tc.caption);
    EXPECT_EQ(log[0].owner, 0u);
    EXPECT_EQ(log[0].type, platform::MB_OK);
    EXPECT_EQ(t.ImageData, nullptr) << "no block stays allocated";
    switch (tc.wrote) {
      case Wrote::Nothing:
        EXPECT_EQ(t.Width, kUnset);
        EXPECT_EQ(t.Bpp, kUnset);
        EXPECT_EQ(t.Typ, kUnset);
        break;
      case Wrote::Dimensions:
        EXPECT_EQ(t.Width, tc.file[12] + 256u * tc.file[13]);
        EXPECT_EQ(t.Height, tc.file[14] + 256u * tc.file[15]);
        EXPECT_EQ(t.Bpp, tc.file[16]);
        EXPECT_EQ(t.Typ, kUnset);
        break;
      case Wrote::AllButImage:
        EXPECT_EQ(t.Bpp, tc.file[16]);
        EXPECT_EQ(t.Typ, tc.file[16] == 24 ? 0x1907u : 0x1908u);
        break;
    }
  }
  // The module state keeps what was read.
  if (tc.file.size() >= 12) {
    EXPECT_EQ(Bytes(brevra::TGAHeader.Header.begin(), brevra::TGAHeader.Header.end()),
              Bytes(tc.file.begin(), tc.file.begin() + 12));
  }
  if (tc.file.size() >= 18 && tc.wrote != Wrote::Nothing) {
    EXPECT_EQ(Bytes(brevra::TGA.Header.begin(), brevra::TGA.Header.end()),
              Bytes(tc.file.begin() + 12, tc.file.begin() + 18));
    EXPECT_EQ(brevra::TGA.Width, t.Width);
    EXPECT_EQ(brevra::TGA.Heigh, t.Height);
    EXPECT_EQ(brevra::TGA.Bpp, t.Bpp);
  }
}

TEST_P(TgaFileTable, MemoryDecoderAgreesWithTheFileReader) {
  const TgaCase& tc = GetParam();
  brevra::TGATexture t;
  const brevra::TgaStatus s = brevra::DecodeTGA(tc.file.data(), tc.file.size(), t);
  EXPECT_EQ(s == brevra::TgaStatus::Ok, tc.ok);
  if (tc.ok) {
    ASSERT_NE(t.ImageData, nullptr);
    EXPECT_EQ(Bytes(t.ImageData, t.ImageData + tc.pixels.size()), tc.pixels);
    brevra::FreeTGAImage(t);
  } else {
    const brevra::TgaMessage m = brevra::TgaStatusMessage(s);
    EXPECT_STREQ(m.text, tc.message);
    EXPECT_STREQ(m.caption, tc.caption);
    EXPECT_EQ(t.ImageData, nullptr);
  }
  EXPECT_TRUE(headless::MessageBoxLog().empty()) << "the core shows nothing";
}

INSTANTIATE_TEST_SUITE_P(Tga, TgaFileTable, ::testing::ValuesIn(TgaCases()),
                         [](const auto& info) { return info.param.name; });

TEST_F(HeadlessTest, TgaMissingFileOrDirectoryCannotBeOpened) {
  for (const std::string& path : {brevra::test::MissingFile(), brevra::test::TempDir().string()}) {
    headless::ClearMessageBoxLog();
    brevra::TGATexture t;
    EXPECT_FALSE(brevra::LoadTGA(t, path));
    ASSERT_EQ(headless::MessageBoxLog().size(), 1u);
    EXPECT_EQ(headless::MessageBoxLog()[0].text, "Could not open texture file");
    EXPECT_EQ(headless::MessageBoxLog()[0].caption, "ERROR");
    EXPECT_EQ(brevra::FTGA, nullptr);
  }
}

TEST_F(HeadlessTest, TgaTemplatesAreTheTwelveByteHeaders) {
  const Bytes u = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  const Bytes c = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(Bytes(brevra::UTGACompare.Header.begin(), brevra::UTGACompare.Header.end()), u);
  EXPECT_EQ(Bytes(brevra::CTGACompare.Header.begin(), brevra::CTGACompare.Header.end()), c);
}

// Larger images read through the block buffer: packets that straddle the 64 KiB refills, mixed
// run lengths, both depths; the file reader and the memory decoder give the same bytes as a
// straightforward reference decoder.
TEST_F(HeadlessTest, TgaLargeRleImagesMatchAReferenceDecoding) {
  for (int bytes : {3, 4}) {
    const std::uint32_t w = 301, h = 257;
    Bytes data, expect;
    std::uint32_t seed = 12345;
    auto next = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
    std::uint64_t left = std::uint64_t{w} * h;
    while (left > 0) {
      const unsigned n = static_cast<unsigned>(std::min<std::uint64_t>(1 + next() % 128, left));
      std::uint8_t px[4];
      if (next() % 2 == 0) {
        data.push_back(static_cast<std::uint8_t>(0x80 + n - 1));
        for (int k = 0; k < bytes; ++k) px[k] = static_cast<std::uint8_t>(next());
        Append(data, Bytes(px, px + bytes));
        for (unsigned i = 0; i < n; ++i) {
          Append(expect, {px[2], px[1], px[0]});
          if (bytes == 4) expect.push_back(px[3]);
        }
      } else {
        data.push_back(static_cast<std::uint8_t>(n - 1));
        for (unsigned i = 0; i < n; ++i) {
          for (int k = 0; k < bytes; ++k) px[k] = static_cast<std::uint8_t>(next());
          Append(data, Bytes(px, px + bytes));
          Append(expect, {px[2], px[1], px[0]});
          if (bytes == 4) expect.push_back(px[3]);
        }
      }
      left -= n;
    }
    const Bytes file = Tga(10, w, h, static_cast<std::uint8_t>(bytes * 8), data);
    brevra::TGATexture t;
    ASSERT_TRUE(brevra::LoadTGA(t, WriteFile("large.tga", file)));
    EXPECT_TRUE(std::memcmp(t.ImageData, expect.data(), expect.size()) == 0);
    brevra::FreeTGAImage(t);
    ASSERT_EQ(brevra::DecodeTGA(file.data(), file.size(), t), brevra::TgaStatus::Ok);
    EXPECT_TRUE(std::memcmp(t.ImageData, expect.data(), expect.size()) == 0);
    brevra::FreeTGAImage(t);
  }
  EXPECT_TRUE(headless::MessageBoxLog().empty());
}

// Every prefix of a valid file fails cleanly with one message, and never decodes.
TEST_F(HeadlessTest, TgaEveryTruncationFailsWithOneMessage) {
  const Bytes files[] = {
      Tga(2, 3, 2, 24, Bytes(18, 9)),
      Tga(10, 3, 2, 32, {0x02, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 0x82, 1, 2, 3, 4})};
  for (const Bytes& full : files) {
    for (std::size_t n = 0; n < full.size(); ++n) {
      headless::ClearMessageBoxLog();
      brevra::TGATexture t;
      EXPECT_FALSE(brevra::LoadTGA(t, WriteFile("cut.tga", Bytes(full.begin(), full.begin() + n))))
          << n;
      EXPECT_EQ(headless::MessageBoxLog().size(), 1u) << n;
      EXPECT_EQ(t.ImageData, nullptr);
    }
    brevra::TGATexture t;
    ASSERT_TRUE(brevra::LoadTGA(t, WriteFile("whole.tga", full)));
    brevra::FreeTGAImage(t);
  }
}

// The file reader on a regular file and on a pipe (no size known in advance, no seeking): for
// whole, short and large files of both types, the same verdict, pixels and message as the memory
// decoder, and the file closed. The large uncompressed block (over the 64 KiB read buffer) is
// read straight into place.
TEST_F(HeadlessTest, TgaFromARegularFileOrAPipeReadsLikeTheMemoryDecoder) {
  Bytes large;
  for (std::size_t i = 0; i < 200 * 150 * 3; ++i)
    large.push_back(static_cast<std::uint8_t>(i % 251));
  const Bytes rle = {0x82, 1, 2, 3, 4, 0x01, 5, 6, 7, 8, 9, 10, 11, 12};
  struct Case {
    const char* name;
    Bytes file;
  };
  const Case cases[] = {
      {"type 2, whole", Tga(2, 3, 2, 24, Bytes(18, 9))},
      {"type 2, 200 x 150, larger than the read buffer", Tga(2, 200, 150, 24, large)},
      {"type 2, short", Tga(2, 3, 2, 24, Bytes(17, 9))},
      {"type 10, whole", Tga(10, 5, 1, 32, rle)},
      {"type 10, short packet", Tga(10, 5, 1, 32, Bytes(rle.begin(), rle.end() - 2))},
      {"type 10, no packets", Tga(10, 5, 1, 32, {})},
      {"header only", TgaHeader(2, 3, 2, 24)},
  };
  for (const Case& c : cases) {
    brevra::TGATexture want;
    const brevra::TgaStatus status = brevra::DecodeTGA(c.file.data(), c.file.size(), want);
    const std::size_t bytes = std::size_t{want.Width} * want.Height * (want.Bpp / 8);
    for (const bool pipe : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (pipe ? ", from a pipe" : ", from a file"));
      headless::ClearMessageBoxLog();
      brevra::TGATexture got;
      bool ok = false;
      if (pipe) {
        const brevra::test::PipeFile fifo((brevra::test::TempDir() / "pipe.tga").string(), c.file);
        ok = brevra::LoadTGA(got, fifo.path());
      } else {
        ok = brevra::LoadTGA(got, WriteFile("file.tga", c.file));
      }
      EXPECT_EQ(brevra::FTGA, nullptr);
      ASSERT_EQ(ok, status == brevra::TgaStatus::Ok);
      if (ok) {
        EXPECT_TRUE(headless::MessageBoxLog().empty());
        EXPECT_TRUE(std::memcmp(got.ImageData, want.ImageData, bytes) == 0);
        brevra::FreeTGAImage(got);
      } else {
        ASSERT_EQ(headless::MessageBoxLog().size(), 1u);
        EXPECT_EQ(headless::MessageBoxLog()[0].text, brevra::TgaStatusMessage(status).text);
        EXPECT_EQ(got.ImageData, nullptr);
      }
    }
    brevra::FreeTGAImage(want);
  }
}

// The body readers called on their own read from wherever FTGA stands: with no file open they
// fail at the information block, and a device that reads as zeros (no regular file, so no size
// known) gives a zero-sized picture.
TEST_F(HeadlessTest, TgaBodyReadersWithoutAFileOrOnADevice) {
  using Reader = bool (*)(brevra::TGATexture&);
  for (const Reader read :
       {Reader{&brevra::LoadUncompressedTGA}, Reader{&brevra::LoadCompressedTGA}}) {
    for (const char* device : {static_cast<const char*>(nullptr), "/dev/zero"}) {
      SCOPED_TRACE(device != nullptr ? device : "no file");
      headless::ClearMessageBoxLog();
      brevra::FTGA = device != nullptr ? std::fopen(device, "rb") : nullptr;
      brevra::TGATexture t;
      EXPECT_FALSE(read(t));
      ASSERT_EQ(headless::MessageBoxLog().size(), 1u);
      EXPECT_EQ(headless::MessageBoxLog()[0].text,
                device != nullptr ? "Invalid texture information" : "Could not read info header");
      EXPECT_EQ(t.ImageData, nullptr);
      if (brevra::FTGA != nullptr) std::fclose(brevra::FTGA);
      brevra::FTGA = nullptr;
    }
  }
}

// =============================================================================================
// BMP loading
// =============================================================================================

Bytes Rows(std::size_t count, std::size_t stride, std::uint8_t start = 1) {
  Bytes b(count * stride);
  for (std::size_t i = 0; i < b.size(); ++i) b[i] = static_cast<std::uint8_t>(start + i);
  return b;
}

struct BmpCase {
  const char* name;
  Bytes file;
  std::int32_t depth;  // GetBMPDepth
  bool loads;          // LoadImage gives a bitmap
  std::int32_t width = 0, height = 0, stride = 0;
  bool topDown = false;
  std::size_t colors = 0;
};

std::vector<BmpCase> BmpCases() {
  std::vector<BmpCase> c;
  auto layout = [](std::int32_t w, std::int32_t h, std::uint16_t bpp, Bytes px) {
    BmpSpec s;
    s.width = w;
    s.height = h;
    s.bpp = bpp;
    s.pixels = std::move(px);
    return s;
  };
  c.push_back({"bpp24_3x2", Bmp(layout(3, 2, 24, Rows(2, 12))), 24, true, 3, 2, 12});
  c.push_back({"bpp24_4x4", Bmp(layout(4, 4, 24, Rows(4, 12))), 24, true, 4, 4, 12});
  c.push_back({"bpp32_2x2", Bmp(layout(2, 2, 32, Rows(2, 8))), 32, true, 2, 2, 8});
  c.push_back({"top_down_24", Bmp(layout(3, -2, 24, Rows(2, 12))), 24, true, 3, 2, 12, true});
  {
    BmpSpec s = layout(5, 2, 8, Rows(2, 8, 0));
    for (auto& b : s.pixels) b %= 16;
    for (std::uint32_t i = 0; i < 16; ++i) s.colors.push_back(i * 0x111111u);
    s.clrUsed = 16;
    c.push_back({"bpp8_16_colours", Bmp(s), 8, true, 5, 2, 8, false, 16});
  }
  {
    BmpSpec s = layout(9, 1, 1, Rows(1, 4, 0));
    s.colors = {0x000000, 0xFFFFFF};
    c.push_back({"bpp1", Bmp(s), 1, true, 9, 1, 4, false, 2});
    BmpSpec f = layout(3, 2, 4, Rows(2, 4, 0));
    f.colors.assign(16, 0x123456);
    c.push_back({"bpp4", Bmp(f), 4, true, 3, 2, 4, false, 16});
  }
  {
    BmpSpec s = layout(3, 1, 16, Rows(1, 8));
    c.push_back({"bpp16_555", Bmp(s), 16, true, 3, 1, 8});
    s.compression = platform::BI_BITFIELDS;
    s.masks = {0xF800, 0x07E0, 0x001F};
    c.push_back({"bpp16_565_bitfields", Bmp(s), 16, true, 3, 1, 8});
  }
  {
    BmpSpec s = layout(2, 1, 32, Rows(1, 8));
    s.compression = platform::BI_BITFIELDS;
    s.masks = {0x00FF0000, 0x0000FF00, 0x000000FF};
    c.push_back({"bpp32_bitfields", Bmp(s), 32, true, 2, 1, 8});
    s.headerSize = 108;
    s.masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
    c.push_back({"v4_header", Bmp(s), 32, true, 2, 1, 8});
    s.headerSize = 124;
    c.push_back({"v5_header", Bmp(s), 32, true, 2, 1, 8});
  }
  {
    BmpSpec s = layout(4, 2, 8, {3, 7, 0, 0, 4, 9, 0, 1});  // run, end of line, run, end
    s.compression = platform::BI_RLE8;
    s.colors.assign(256, 0);
    c.push_back({"rle8", Bmp(s), 8, true, 4, 2, 4, false, 256});
  }
  {
    BmpSpec core = layout(1, 1, 24, Rows(1, 4));
    Bytes f = Bmp(core);
    f[14] = 12;  // the old core header
    c.push_back({"core_header", f, 0, false});
  }
  {
    Bytes f = Bmp(layout(2, 2, 24, Rows(2, 8)));
    f[0] = 'X';
    c.push_back({"not_bm", f, 0, false});
    Bytes shortFile(f.begin(), f.begin() + 30);
    shortFile[0] = 'B';
    c.push_back({"short_file_30_bytes", shortFile, 0, false});
    c.push_back(
        {"short_file_14_bytes", Bytes(shortFile.begin(), shortFile.begin() + 14), 0, false});
    c.push_back({"empty_file", {}, 0, false});
    Bytes cut = Bmp(layout(2, 2, 24, Rows(2, 8)));
    cut.resize(cut.size() - 1);
    c.push_back({"truncated_pixels", cut, 24, false});
  }
  {
    BmpSpec s = layout(2, 2, 24, Rows(2, 8));
    s.offBits = 20;  // inside the headers
    c.push_back({"pixel_offset_in_header", Bmp(s), 24, false});
    BmpSpec huge = layout(0x7FFFFFFF, 0x7FFFFFFF, 32, Rows(1, 8));
    c.push_back({"absurd_size", Bmp(huge), 32, false});
    BmpSpec zero = layout(0, 2, 24, {});
    c.push_back({"width_0", Bmp(zero), 24, false});
    BmpSpec bad = layout(2, 1, 24, Rows(1, 8));
    bad.compression = platform::BI_BITFIELDS;
    bad.masks = {1, 2, 4};
    c.push_back({"bitfields_at_24_bits", Bmp(bad), 24, false});
    BmpSpec jpeg = layout(2, 1, 0, Rows(1, 8));
    c.push_back({"depth_0", Bmp(jpeg), 0, false});
  }
  return c;
}

class BmpTable : public HeadlessTest, public ::testing::WithParamInterface<BmpCase> {};

TEST_P(BmpTable, GetBMPDepthAndLoadImage) {
  const BmpCase& tc = GetParam();
  const std::string path = WriteFile(std::string(tc.name) + ".bmp", tc.file);
  EXPECT_EQ(brevra::GetBMPDepth(path.c_str()), tc.depth);

  const std::size_t before = headless::LiveObjectCount();
  const platform::HBITMAP h =
      platform::LoadImage(platform::GetModuleHandle(nullptr), path.c_str(), platform::IMAGE_BITMAP,
                          0, 0, platform::LR_LOADFROMFILE | platform::LR_CREATEDIBSECTION);
  platform::DibImage dib;
  const bool decoded =
      platform::DecodeBmp(tc.file.data(), tc.file.size(), dib) == platform::BmpError::None;
  EXPECT_EQ(decoded, tc.loads);
  if (!tc.loads) {
    EXPECT_EQ(h, 0u);
    EXPECT_EQ(headless::LiveObjectCount(), before);
    EXPECT_TRUE(dib.pixels.empty());
    return;
  }
  ASSERT_NE(h, 0u);
  platform::BITMAP bm;
  ASSERT_EQ(platform::GetObject(h, sizeof bm, &bm), static_cast<std::int32_t>(sizeof bm));
  EXPECT_EQ(bm.bmType, 0);
  EXPECT_EQ(bm.bmWidth, tc.width);
  EXPECT_EQ(bm.bmHeight, tc.height);
  EXPECT_EQ(bm.bmWidthBytes, tc.stride);
  EXPECT_EQ(bm.bmPlanes, 1);
  EXPECT_EQ(bm.bmBitsPixel, tc.depth);
  ASSERT_NE(bm.bmBits, nullptr);
  platform::DibImage* live = platform::GetDib(h);
  ASSERT_NE(live, nullptr);
  EXPECT_EQ(live->pixels.data(), bm.bmBits);
  EXPECT_EQ(live->topDown, tc.topDown);
  EXPECT_EQ(live->colors.size(), tc.colors);
  EXPECT_EQ(live->pixels, dib.pixels);
  if (std::string(tc.name) != "rle8") {  // the file's own bytes, in the file's row order
    const std::size_t size = static_cast<std::size_t>(tc.stride) * tc.height;
    EXPECT_EQ(Bytes(live->pixels.begin(), live->pixels.end()),
              Bytes(tc.file.end() - static_cast<std::ptrdiff_t>(size), tc.file.end()));
  }
  EXPECT_TRUE(platform::DeleteObject(h));
  EXPECT_FALSE(platform::DeleteObject(h));
  EXPECT_EQ(platform::GetObject(h, sizeof bm, &bm), 0);
  EXPECT_EQ(headless::LiveObjectCount(), before);
}

INSTANTIATE_TEST_SUITE_P(Bmp, BmpTable, ::testing::ValuesIn(BmpCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(HeadlessTest, BmpMissingFileGivesNoDepthAndNoBitmap) {
  const std::string missing = brevra::test::MissingFile();
  EXPECT_EQ(brevra::GetBMPDepth(missing.c_str()), 0);
  EXPECT_EQ(brevra::GetBMPDepth(brevra::test::TempDir().c_str()), 0);
  EXPECT_EQ(platform::LoadImage(0, missing.c_str(), platform::IMAGE_BITMAP, 0, 0,
                                platform::LR_LOADFROMFILE),
            0u);
}

TEST_F(HeadlessTest, BmpColourTableAndRleDecodeToPlainRows) {
  BmpSpec s;
  s.width = 4;
  s.height = 2;
  s.bpp = 8;
  s.compression = platform::BI_RLE8;
  s.colors = {0x0000FF, 0x00FF00, 0xFF0000};
  s.clrUsed = 3;
  // row 0: run of 3 x index 2, then 1 x index 1; end of line; row 1: absolute 0 1 2; end.
  s.pixels = {3, 2, 1, 1, 0, 0, 0, 3, 0, 1, 2, 0, 0, 1};
  platform::DibImage dib;
  ASSERT_EQ(platform::DecodeBmp(Bmp(s).data(), Bmp(s).size(), dib), platform::BmpError::None);
  EXPECT_EQ(dib.compression, platform::BI_RGB);
  EXPECT_EQ(dib.pixels, (Bytes{2, 2, 2, 1, 0, 1, 2, 0}));
  ASSERT_EQ(dib.colors.size(), 3u);
  EXPECT_EQ(dib.colors[2].rgbRed, 0xFF);
  EXPECT_EQ(dib.colors[0].rgbBlue, 0xFF);

  BmpSpec f = s;
  f.bpp = 4;
  f.compression = platform::BI_RLE4;
  f.pixels = {4, 0x12, 0, 0, 0, 3, 0x34, 0x50, 0, 1};  // 1 2 1 2 | 3 4 5 (0)
  ASSERT_EQ(platform::DecodeBmp(Bmp(f).data(), Bmp(f).size(), dib), platform::BmpError::None);
  EXPECT_EQ(dib.stride, 4);
  EXPECT_EQ(dib.pixels, (Bytes{0x12, 0x12, 0, 0, 0x34, 0x50, 0, 0}));
}

TEST_F(HeadlessTest, Bmp32BitFieldsInAnotherOrderBecomeBlueGreenRedAlpha) {
  BmpSpec s;
  s.width = 1;
  s.height = 1;
  s.bpp = 32;
  s.compression = platform::BI_BITFIELDS;
  s.headerSize = 56;
  s.masks = {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000};  // bytes red, green, blue, alpha
  s.pixels = {10, 20, 30, 40};
  platform::DibImage dib;
  ASSERT_EQ(platform::DecodeBmp(Bmp(s).data(), Bmp(s).size(), dib), platform::BmpError::None);
  EXPECT_EQ(dib.pixels, (Bytes{30, 20, 10, 40}));
  EXPECT_EQ(dib.compression, platform::BI_RGB);
}

TEST_F(HeadlessTest, BmpLoadOptionsStretchAndTransparentEntry) {
  BmpSpec s;
  s.width = 2;
  s.height = 2;
  s.bpp = 8;
  s.colors = {0x102030, 0x405060};
  s.pixels = {1, 0, 0, 0, 0, 1, 0, 0};
  const std::string path = WriteFile("stretch.bmp", Bmp(s));
  const platform::HBITMAP h =
      platform::LoadImage(0, path.c_str(), platform::IMAGE_BITMAP, 4, 4,
                          platform::LR_LOADFROMFILE | platform::LR_LOADTRANSPARENT);
  ASSERT_NE(h, 0u);
  const platform::DibImage* dib = platform::GetDib(h);
  ASSERT_NE(dib, nullptr);
  EXPECT_EQ(dib->width, 4);
  EXPECT_EQ(dib->height, 4);
  EXPECT_EQ(dib->pixels, (Bytes{1, 1, 0, 0, 1, 1, 0, 0, 0, 0, 1, 1, 0, 0, 1, 1}));
  // The first pixel's entry (index 1) becomes the window colour; the other stays.
  EXPECT_EQ(dib->colors[1].rgbRed, 255);
  EXPECT_EQ(dib->colors[1].rgbGreen, 255);
  EXPECT_EQ(dib->colors[0].rgbRed, 0x10);
  platform::DeleteObject(h);

  EXPECT_EQ(
      platform::LoadImage(0, path.c_str(), platform::IMAGE_ICON, 0, 0, platform::LR_LOADFROMFILE),
      0u);
  EXPECT_EQ(platform::LoadImage(0, path.c_str(), platform::IMAGE_BITMAP, 0, 0, 0), 0u)
      << "without LR_LOADFROMFILE the name is a resource, and there are none";
}

// Every decoding failure has its own text for diagnostics; a value outside the list says so.
TEST_F(HeadlessTest, BmpErrorTextsAreDistinct) {
  using E = platform::BmpError;
  std::set<std::string> texts;
  for (const E e :
       {E::None, E::TooShort, E::NotBitmap, E::CoreHeader, E::UnsupportedHeader, E::BadGeometry,
        E::UnsupportedFormat, E::Truncated, E::BadPixelOffset, E::TooLarge}) {
    const std::string text = platform::BmpErrorText(e);
    EXPECT_FALSE(text.empty());
    EXPECT_NE(text, "unknown error");
    EXPECT_TRUE(texts.insert(text).second) << text;
  }
  EXPECT_STREQ(platform::BmpErrorText(static_cast<E>(99)), "unknown error");
}

// Loads the loader refuses from its arguments, and edge cases of what it gives back: nothing is
// left behind by a refusal.
TEST_F(HeadlessTest, BmpLoaderArgumentsAndEdgeCases) {
  BmpSpec s;
  s.width = 2;
  s.height = 1;
  s.bpp = 8;
  s.colors = {0x102030, 0x405060};
  s.pixels = {5, 1, 0, 0};  // the first pixel's index lies beyond the two-entry table
  const std::string path = WriteFile("edge.bmp", Bmp(s));
  const auto load = [](const char* name, std::int32_t cx, std::int32_t cy, platform::UINT flags) {
    return platform::LoadImage(0, name, platform::IMAGE_BITMAP, cx, cy,
                               platform::LR_LOADFROMFILE | flags);
  };
  struct Refusal {
    const char* name;
    const char* file;
    std::int32_t cx, cy;
  };
  const Refusal refusals[] = {
      {"no file name", nullptr, 0, 0},
      {"negative width", path.c_str(), -1, 0},
      {"negative height", path.c_str(), 0, -1},
      {"stretched beyond 2^31 - 1 bytes", path.c_str(), 0x10000, 0x10000},
  };
  // A memory DC's stock objects are made on first use and live on: made before counting.
  platform::DeleteDC(platform::CreateCompatibleDC(0));
  const std::size_t live = headless::LiveObjectCount();
  for (const Refusal& r : refusals) {
    EXPECT_EQ(load(r.file, r.cx, r.cy, 0), 0u) << r.name;
    EXPECT_EQ(headless::LiveObjectCount(), live) << r.name;
  }

  // LR_LOADTRANSPARENT with a first index outside the table changes no entry.
  const platform::HBITMAP h = load(path.c_str(), 0, 0, platform::LR_LOADTRANSPARENT);
  ASSERT_NE(h, 0u);
  const platform::DibImage* dib = platform::GetDib(h);
  ASSERT_NE(dib, nullptr);
  ASSERT_EQ(dib->colors.size(), 2u);
  EXPECT_EQ(dib->colors[0].rgbRed, 0x10);
  EXPECT_EQ(dib->colors[1].rgbRed, 0x40);

  // GetDib and DeleteObject know what is no bitmap.
  const platform::HDC dc = platform::CreateCompatibleDC(0);
  ASSERT_NE(dc, 0u);
  EXPECT_EQ(platform::GetDib(0), nullptr);
  EXPECT_EQ(platform::GetDib(dc), nullptr);
  EXPECT_FALSE(platform::DeleteObject(dc)) << "a DC is released with DeleteDC";
  EXPECT_TRUE(platform::DeleteDC(dc));
  EXPECT_TRUE(platform::DeleteObject(h));
  EXPECT_EQ(headless::LiveObjectCount(), live);
}

// Damaged run-length data and bit masks: a delta cut short, green and blue masks overlapping.
TEST_F(HeadlessTest, BmpDamagedRleDeltaAndOverlappingMasksAreRefused) {
  BmpSpec rle;
  rle.width = 4;
  rle.height = 2;
  rle.bpp = 8;
  rle.compression = platform::BI_RLE8;
  rle.colors = {0, 0xFFFFFF};
  rle.pixels = {2, 1, 0, 2};  // a run, then a delta whose two offset bytes are missing
  BmpSpec masks;
  masks.width = 1;
  masks.height = 1;
  masks.bpp = 32;
  masks.compression = platform::BI_BITFIELDS;
  masks.masks = {0x00FF0000, 0x0000FF00, 0x00000FFF};
  masks.pixels = {1, 2, 3, 4};
  struct Case {
    const char* name;
    Bytes file;
    platform::BmpError error;
  };
  const Case cases[] = {
      {"delta cut short", Bmp(rle), platform::BmpError::Truncated},
      {"green and blue masks overlap", Bmp(masks), platform::BmpError::UnsupportedFormat},
  };
  for (const Case& c : cases) {
    platform::DibImage dib;
    EXPECT_EQ(platform::DecodeBmp(c.file.data(), c.file.size(), dib), c.error) << c.name;
    EXPECT_TRUE(dib.pixels.empty()) << c.name;
    const std::string path = WriteFile("damaged.bmp", c.file);
    EXPECT_EQ(platform::LoadImage(0, path.c_str(), platform::IMAGE_BITMAP, 0, 0,
                                  platform::LR_LOADFROMFILE),
              0u)
        << c.name;
  }
}

// An alpha mask that does not fit a 16-bit pixel is no alpha channel: the picture loads without.
TEST_F(HeadlessTest, Bmp16BitAlphaMaskBeyondThePixelIsIgnored) {
  BmpSpec s;
  s.width = 2;
  s.height = 1;
  s.bpp = 16;
  s.compression = platform::BI_BITFIELDS;
  s.headerSize = 56;
  s.masks = {0xF800, 0x07E0, 0x001F, 0x00FF0000};
  s.pixels = {0x1F, 0x00, 0xE0, 0x07};
  const Bytes file = Bmp(s);
  platform::DibImage dib;
  ASSERT_EQ(platform::DecodeBmp(file.data(), file.size(), dib), platform::BmpError::None);
  EXPECT_EQ(dib.alphaMask, 0u);
  EXPECT_EQ(dib.width, 2);
}

TEST_F(HeadlessTest, GetObjectChecksItsBuffer) {
  BmpSpec s;
  s.pixels = {1, 2, 3, 0};
  const std::string path = WriteFile("one.bmp", Bmp(s));
  const platform::HBITMAP h =
      platform::LoadImage(0, path.c_str(), platform::IMAGE_BITMAP, 0, 0, platform::LR_LOADFROMFILE);
  ASSERT_NE(h, 0u);
  platform::BITMAP bm;
  EXPECT_EQ(platform::GetObject(h, 0, nullptr),
            static_cast<std::int32_t>(sizeof(platform::BITMAP)));
  bm.bmWidth = 77;
  EXPECT_EQ(platform::GetObject(h, sizeof bm - 1, &bm), 0);
  EXPECT_EQ(bm.bmWidth, 77) << "a short buffer is not written";
  EXPECT_EQ(platform::GetObject(0, sizeof bm, &bm), 0);
  EXPECT_EQ(platform::GetObject(h, sizeof bm, &bm), static_cast<std::int32_t>(sizeof bm));
  EXPECT_EQ(bm.bmWidth, 1);
  EXPECT_FALSE(platform::DeleteObject(0));
  EXPECT_TRUE(platform::DeleteObject(h));
}

TEST_F(HeadlessTest, DeleteObjectRefusesStockObjects) {
  const platform::HGDIOBJ brush = platform::GetStockObject(platform::WHITE_BRUSH);
  ASSERT_NE(brush, 0u);
  EXPECT_FALSE(platform::DeleteObject(brush));
  EXPECT_EQ(platform::GetStockObject(platform::WHITE_BRUSH), brush);
  EXPECT_FALSE(platform::DeleteObject(brush)) << "still there, still refused";
}

// Files larger than the header block the loader reads first: the pixel rows (after a gap, and
// past the first 64 KiB) and every truncation behave as in the memory decoder.
TEST_F(HeadlessTest, BmpLargeFilesLoadLikeTheMemoryDecoder) {
  BmpSpec s;
  s.width = 150;
  s.height = -151;
  s.pixels = Rows(151, 452);
  Bytes plain = Bmp(s);
  const std::size_t headers = plain.size() - s.pixels.size();
  Bytes gap = plain;
  gap.insert(gap.begin() + static_cast<std::ptrdiff_t>(headers), 70000, 0x55);
  const std::uint32_t off = static_cast<std::uint32_t>(headers + 70000);
  for (int i = 0; i < 4; ++i) gap[10 + i] = static_cast<std::uint8_t>(off >> (8 * i));
  for (const Bytes& file : {plain, gap}) {
    const std::string path = WriteFile("large.bmp", file);
    const platform::HBITMAP h = platform::LoadImage(0, path.c_str(), platform::IMAGE_BITMAP, 0, 0,
                                                    platform::LR_LOADFROMFILE);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(platform::GetDib(h)->pixels, s.pixels);
    EXPECT_TRUE(platform::GetDib(h)->topDown);
    platform::DeleteObject(h);
    for (std::size_t cut : {std::size_t{0}, std::size_t{20}, headers, file.size() - 1}) {
      const std::string c = WriteFile("cut.bmp", Bytes(file.begin(), file.begin() + cut));
      EXPECT_EQ(platform::LoadImage(0, c.c_str(), platform::IMAGE_BITMAP, 0, 0,
                                    platform::LR_LOADFROMFILE),
                0u)
          << cut;
    }
  }
}

// Every prefix of valid files is refused without reading past the prefix (the copy is exactly
// the prefix's size, so a sanitizer build catches any overread).
TEST_F(HeadlessTest, BmpEveryTruncationIsRefused) {
  for (const BmpCase& tc : BmpCases()) {
    if (!tc.loads || std::string(tc.name) == "rle8") continue;
    for (std::size_t n = 0; n < tc.file.size(); ++n) {
      Bytes cut(tc.file.begin(), tc.file.begin() + n);
      platform::DibImage dib;
      EXPECT_NE(platform::DecodeBmp(cut.data(), cut.size(), dib), platform::BmpError::None)
          << tc.name << " cut at " << n;
    }
  }
}

}  // namespace

// bench-images: image decoding and bitmap regions, each beside its yardstick in the same run.
//
//   TGA: LoadTGA (file) and DecodeTGA (memory) against stb_image's stbi_load and
//        stbi_load_from_memory on the same bytes, and against reading the file into memory.
//   BMP: LoadImage (file to bitmap object) against reading the file into memory.
//   Regions: BitmapToRegion (file to region) and the bare run scan against a loop that only
//        classifies the same pixels as transparent or opaque.
//
// Before anything is timed, every TGA input is decoded by both decoders and the pixels are
// compared byte for byte, and every region's area is checked against the classifying loop;
// a mismatch ends the program with status 1. Inputs are made by bench_data.cpp on first use.
// Extra option (before the benchmark library's own): --quick keeps only the 256 and 1024 sizes.
#include <benchmark/benchmark.h>

#include <stb/stb_image.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_data.h"
#include "brevra/imagebutton/bitmap_region.h"
#include "brevra/platform/bitmap.h"
#include "brevra/platform/gdi.h"
#include "brevra/platform/headless.h"
#include "brevra/platform/platform.h"
#include "brevra/textures/tga.h"
#include "brevra/textures/tga_core.h"

namespace {

namespace pf = brevra::platform;
namespace bb = brevra::bench;

// ---- the floor: the file into freshly allocated memory, as a decoder needs it ----
std::size_t ReadIntoMemory(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return 0;
  std::fseek(f, 0, SEEK_END);
  const long size = std::ftell(f);
  std::fseek(f, 0, SEEK_SET);
  auto* block = static_cast<std::uint8_t*>(std::malloc(static_cast<std::size_t>(size)));
  const std::size_t got = std::fread(block, 1, static_cast<std::size_t>(size), f);
  std::fclose(f);
  benchmark::DoNotOptimize(block);
  benchmark::ClobberMemory();
  std::free(block);
  return got;
}

void ReadFloor(benchmark::State& state, const std::string& path) {
  std::size_t bytes = 0;
  for (auto _ : state) bytes = ReadIntoMemory(path);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

// ---- TGA ----
struct TgaCase {
  int size;
  int bpp;
  bb::Rle rle;
  std::string path;
};

bool DecodersAgree(const TgaCase& c, std::string& why) {
  brevra::TGATexture ours;
  if (!brevra::LoadTGA(ours, c.path)) {
    why = "LoadTGA failed";
    return false;
  }
  int w = 0, h = 0, n = 0;
  stbi_uc* theirs = stbi_load(c.path.c_str(), &w, &h, &n, 0);
  bool same = theirs != nullptr && w == static_cast<int>(ours.Width) &&
              h == static_cast<int>(ours.Height) && n * 8 == static_cast<int>(ours.Bpp) &&
              std::memcmp(theirs, ours.ImageData, static_cast<std::size_t>(w) * h * n) == 0;
  if (!same) why = theirs == nullptr ? stbi_failure_reason() : "pixels differ";
  // The memory decoder must give the same bytes as the file reader.
  const std::vector<std::uint8_t> file = bb::ReadWholeFile(c.path);
  brevra::TGATexture mem;
  if (same &&
      (brevra::DecodeTGA(file.data(), file.size(), mem) != brevra::TgaStatus::Ok ||
       std::memcmp(mem.ImageData, ours.ImageData, static_cast<std::size_t>(w) * h * n) != 0)) {
    same = false;
    why = "DecodeTGA differs from LoadTGA";
  }
  brevra::FreeTGAImage(mem);
  stbi_image_free(theirs);
  brevra::FreeTGAImage(ours);
  return same;
}

void RegisterTga(const TgaCase& c) {
  const std::string base = "tga/" + std::to_string(c.bpp) + "/" + bb::RleName(c.rle) + "/" +
                           std::to_string(c.size) + "/";
  const std::int64_t pixels = static_cast<std::int64_t>(c.size) * c.size;
  const std::string path = c.path;
  auto ms = benchmark::kMillisecond;
  const double minTime = c.size >= 4096 ? 0.5 : 0.2;

  benchmark::RegisterBenchmark((base + "LoadTGA").c_str(),
                               [path, pixels](benchmark::State& s) {
                                 for (auto _ : s) {
                                   brevra::TGATexture t;
                                   if (!brevra::LoadTGA(t, path)) s.SkipWithError("LoadTGA failed");
                                   benchmark::DoNotOptimize(t.ImageData);
                                   brevra::FreeTGAImage(t);
                                 }
                                 s.SetItemsProcessed(s.iterations() * pixels);
                               })
      ->Unit(ms)
      ->MinTime(minTime);

  benchmark::RegisterBenchmark((base + "stbi_load").c_str(),
                               [path, pixels](benchmark::State& s) {
                                 for (auto _ : s) {
                                   int w, h, n;
                                   stbi_uc* p = stbi_load(path.c_str(), &w, &h, &n, 0);
                                   if (p == nullptr) s.SkipWithError("stbi_load failed");
                                   benchmark::DoNotOptimize(p);
                                   stbi_image_free(p);
                                 }
                                 s.SetItemsProcessed(s.iterations() * pixels);
                               })
      ->Unit(ms)
      ->MinTime(minTime);

  // From memory: the decoders alone, without the file system.
  auto file = std::make_shared<std::vector<std::uint8_t>>(bb::ReadWholeFile(path));
  benchmark::RegisterBenchmark(
      (base + "DecodeTGA").c_str(),
      [file, pixels](benchmark::State& s) {
        for (auto _ : s) {
          brevra::TGATexture t;
          if (brevra::DecodeTGA(file->data(), file->size(), t) != brevra::TgaStatus::Ok) {
            s.SkipWithError("DecodeTGA failed");
          }
          benchmark::DoNotOptimize(t.ImageData);
          brevra::FreeTGAImage(t);
        }
        s.SetItemsProcessed(s.iterations() * pixels);
      })
      ->Unit(ms)
      ->MinTime(minTime);

  benchmark::RegisterBenchmark((base + "stbi_load_from_memory").c_str(),
                               [file, pixels](benchmark::State& s) {
                                 for (auto _ : s) {
                                   int w, h, n;
                                   stbi_uc* p = stbi_load_from_memory(
                                       file->data(), static_cast<int>(file->size()), &w, &h, &n, 0);
                                   if (p == nullptr)
                                     s.SkipWithError("stbi_load_from_memory failed");
                                   benchmark::DoNotOptimize(p);
                                   stbi_image_free(p);
                                 }
                                 s.SetItemsProcessed(s.iterations() * pixels);
                               })
      ->Unit(ms)
      ->MinTime(minTime);

  benchmark::RegisterBenchmark((base + "read_file").c_str(),
                               [path](benchmark::State& s) { ReadFloor(s, path); })
      ->Unit(ms)
      ->MinTime(minTime);
}

// ---- BMP ----
void RegisterBmp(const std::string& path, int size, int bpp) {
  const std::string base = "bmp/" + std::to_string(bpp) + "/" + std::to_string(size) + "/";
  const std::int64_t pixels = static_cast<std::int64_t>(size) * size;
  const double minTime = size >= 4096 ? 0.5 : 0.2;
  benchmark::RegisterBenchmark((base + "LoadImage").c_str(),
                               [path, pixels](benchmark::State& s) {
                                 for (auto _ : s) {
                                   const pf::HBITMAP b =
                                       pf::LoadImage(0, path.c_str(), pf::IMAGE_BITMAP, 0, 0,
                                                     pf::LR_LOADFROMFILE | pf::LR_CREATEDIBSECTION);
                                   if (b == 0) s.SkipWithError("LoadImage failed");
                                   pf::DeleteObject(b);
                                 }
                                 s.SetItemsProcessed(s.iterations() * pixels);
                               })
      ->Unit(benchmark::kMillisecond)
      ->MinTime(minTime);
  benchmark::RegisterBenchmark((base + "read_file").c_str(),
                               [path](benchmark::State& s) { ReadFloor(s, path); })
      ->Unit(benchmark::kMillisecond)
      ->MinTime(minTime);
}

// ---- Regions ----
constexpr std::uint32_t kMagenta = 0x00FF00FFu;  // as the image button uses it, tolerance 1
constexpr std::uint8_t kTolerance = 1;

// The 32-bit working image BitmapToRegion scans (bottom-up rows of 0x00RRGGBB).
struct Working {
  int width = 0, height = 0;
  std::vector<std::uint32_t> pixels;
};

Working MakeWorking(const std::string& path) {
  const std::vector<std::uint8_t> file = bb::ReadWholeFile(path);
  pf::DibImage dib;
  if (pf::DecodeBmp(file.data(), file.size(), dib) != pf::BmpError::None) std::abort();
  Working w{dib.width, dib.height, {}};
  w.pixels.resize(static_cast<std::size_t>(dib.width) * dib.height);
  const int bytes = dib.bitsPerPixel / 8;
  for (int y = 0; y < dib.height; ++y) {
    const std::uint8_t* row = dib.pixels.data() + static_cast<std::size_t>(y) * dib.stride;
    for (int x = 0; x < dib.width; ++x) {
      const std::uint8_t* p = row + x * bytes;
      w.pixels[static_cast<std::size_t>(y) * dib.width + x] =
          p[0] | (static_cast<std::uint32_t>(p[1]) << 8) | (static_cast<std::uint32_t>(p[2]) << 16);
    }
  }
  return w;
}

// The floor: every pixel classified once; opaque runs counted, nothing stored.
std::int64_t ClassifyRuns(const Working& w, const brevra::TransparentRange& range,
                          std::int64_t& opaque) {
  std::int64_t runs = 0;
  opaque = 0;
  for (int y = 0; y < w.height; ++y) {
    const std::uint32_t* row = w.pixels.data() + static_cast<std::size_t>(y) * w.width;
    bool inRun = false;
    for (int x = 0; x < w.width; ++x) {
      const bool solid = !range.contains(row[x]);
      runs += solid && !inRun;
      opaque += solid;
      inRun = solid;
    }
  }
  return runs;
}

std::int64_t RegionArea(pf::HRGN rgn) {
  std::int64_t area = 0;
  for (const pf::RECT& r : pf::RegionRects(rgn)) {
    area += static_cast<std::int64_t>(r.right - r.left) * (r.bottom - r.top);
  }
  return area;
}

bool RegionAgrees(const std::string& path, std::string& why) {
  const Working w = MakeWorking(path);
  std::int64_t opaque = 0;
  ClassifyRuns(w, brevra::MakeTransparentRange(kMagenta, kTolerance), opaque);
  const pf::HRGN rgn = brevra::BitmapToRegion(path, kMagenta, kTolerance);
  const std::int64_t area = rgn != 0 ? RegionArea(rgn) : -1;
  pf::DeleteObject(rgn);
  if (area != opaque) {
    why = "region area " + std::to_string(area) + " but " + std::to_string(opaque) + " opaque";
    return false;
  }
  return true;
}

void RegisterRegion(const std::string& path, int size, bb::Picture picture) {
  const std::string base =
      "region/" + std::string(bb::PictureName(picture)) + "/" + std::to_string(size) + "/";
  auto working = std::make_shared<Working>(MakeWorking(path));
  const brevra::TransparentRange range = brevra::MakeTransparentRange(kMagenta, kTolerance);
  std::int64_t opaque = 0;
  const std::int64_t runs = ClassifyRuns(*working, range, opaque);
  const std::int64_t pixels = static_cast<std::int64_t>(size) * size;
  auto counters = [runs, pixels](benchmark::State& s) {
    s.SetItemsProcessed(s.iterations() * pixels);  // items: pixels
    s.counters["rects"] = static_cast<double>(runs);
    s.counters["rects_per_s"] =
        benchmark::Counter(static_cast<double>(runs) * s.iterations(), benchmark::Counter::kIsRate);
  };
  const double minTime = size >= 4096 ? 0.5 : 0.2;

  benchmark::RegisterBenchmark((base + "BitmapToRegion").c_str(),
                               [path, counters](benchmark::State& s) {
                                 for (auto _ : s) {
                                   const pf::HRGN rgn =
                                       brevra::BitmapToRegion(path, kMagenta, kTolerance);
                                   if (rgn == 0) s.SkipWithError("BitmapToRegion failed");
                                   pf::DeleteObject(rgn);
                                 }
                                 counters(s);
                               })
      ->Unit(benchmark::kMillisecond)
      ->MinTime(minTime);

  // The run scan alone over the working image, with the rectangles stored as BitmapToRegion
  // stores them (no region made).
  benchmark::RegisterBenchmark(
      (base + "scan").c_str(),
      [working, range, counters](benchmark::State& s) {
        std::vector<pf::RECT> rects;
        for (auto _ : s) {
          rects.clear();
          const auto* top = reinterpret_cast<const std::uint8_t*>(working->pixels.data()) +
                            static_cast<std::ptrdiff_t>(working->height - 1) * working->width * 4;
          brevra::ScanOpaqueRuns(top, -static_cast<std::ptrdiff_t>(working->width) * 4,
                                 working->width, working->height, range,
                                 [&](std::int32_t x0, std::int32_t y, std::int32_t x1) {
                                   rects.push_back(pf::RECT{x0, y, x1, y + 1});
                                   return true;
                                 });
          benchmark::DoNotOptimize(rects.data());
        }
        counters(s);
      })
      ->Unit(benchmark::kMillisecond)
      ->MinTime(minTime);

  benchmark::RegisterBenchmark((base + "classify").c_str(),
                               [working, range, counters](benchmark::State& s) {
                                 for (auto _ : s) {
                                   std::int64_t opaque = 0;
                                   benchmark::DoNotOptimize(ClassifyRuns(*working, range, opaque));
                                   benchmark::DoNotOptimize(opaque);
                                 }
                                 counters(s);
                               })
      ->Unit(benchmark::kMillisecond)
      ->MinTime(minTime);
}

}  // namespace

int main(int argc, char** argv) {
  bool quick = false;
  std::vector<char*> args;
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--quick") == 0) {
      quick = true;
    } else {
      args.push_back(argv[i]);
    }
  }
  int n = static_cast<int>(args.size());
  benchmark::Initialize(&n, args.data());

  // The image loaders take the screen's device context: the headless platform provides it.
  if (!pf::Init(pf::Backend::Headless)) {
    std::fprintf(stderr, "bench-images: the headless platform cannot start\n");
    return 1;
  }
  pf::headless::AnswerMessageBoxes(pf::IDOK);
  const std::string dir = bb::DataDir(argv[0]);

  const std::vector<int> sizes =
      quick ? std::vector<int>{256, 1024} : std::vector<int>{256, 1024, 4096};
  int checked = 0;
  for (int bpp : {24, 32}) {
    for (bb::Rle rle : {bb::Rle::None, bb::Rle::Realistic, bb::Rle::Worst}) {
      for (int size : sizes) {
        TgaCase c{size, bpp, rle, bb::TgaFile(dir, size, bpp, rle)};
        std::string why;
        if (!DecodersAgree(c, why)) {
          std::fprintf(stderr, "bench-images: %s: LoadTGA and stbi_load disagree: %s\n",
                       c.path.c_str(), why.c_str());
          return 1;
        }
        ++checked;
        RegisterTga(c);
      }
    }
  }
  std::fprintf(stderr, "bench-images: %d TGA inputs decode to byte-identical pixels in both\n",
               checked);

  for (int bpp : {24, 32}) {
    for (int size : sizes) RegisterBmp(bb::BmpFile(dir, size, bpp, bb::Picture::Photo), size, bpp);
  }

  const std::vector<int> regionSizes =
      quick ? std::vector<int>{1024} : std::vector<int>{1024, 2048, 4096};
  for (bb::Picture p : {bb::Picture::Solid, bb::Picture::HalfNoise, bb::Picture::MagentaBorder}) {
    for (int size : regionSizes) {
      const std::string path = bb::BmpFile(dir, size, 24, p);
      std::string why;
      if (!RegionAgrees(path, why)) {
        std::fprintf(stderr, "bench-images: %s: %s\n", path.c_str(), why.c_str());
        return 1;
      }
      RegisterRegion(path, size, p);
    }
  }
  std::fprintf(stderr, "bench-images: every region covers exactly the opaque pixels\n");

  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  pf::Shutdown();
  return 0;
}

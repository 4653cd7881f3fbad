// Brevra textures: the TGA file reader. See tga.h.
//
// The file is read through a block-buffered source (64 KiB reads, large pixel blocks straight
// into the image), so the run-length decoder never calls the C library per pixel.
#include "brevra/textures/tga.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <system_error>

#include <sys/stat.h>  // Required for: fstat (file size; a directory is not a file)

#include "brevra/platform/platform.h"

namespace brevra {

TTGAHeader TGAHeader;
TTGA TGA;
std::FILE* FTGA = nullptr;
const TTGAHeader UTGACompare{kTgaUncompressedTemplate};
const TTGAHeader CTGACompare{kTgaCompressedTemplate};

namespace {

constexpr std::uint64_t kUnknown = std::numeric_limits<std::uint64_t>::max();
constexpr std::size_t kBlock = 64 * 1024;

// fread until `n` bytes or the end; a device error is not an end.
std::size_t Fetch(std::FILE* file, std::uint8_t* dst, std::size_t n) {
  if (file == nullptr) return 0;
  std::size_t got = 0;
  while (got < n) {
    const std::size_t r = std::fread(dst + got, 1, n - got, file);
    got += r;
    if (r == 0) break;
  }
  if (got < n && std::ferror(file)) {
    const int code = errno != 0 ? errno : EIO;
    throw std::system_error(code, std::generic_category(), "reading a TGA file");
  }
  return got;
}

// The open file from its current position.
class TgaFileSource final : public TgaSource {
 public:
  explicit TgaFileSource(std::FILE* file) : file_(file) {
    struct stat st {};
    const long at = file != nullptr ? std::ftell(file) : -1;
    if (file != nullptr && at >= 0 && fstat(fileno(file), &st) == 0 && S_ISREG(st.st_mode)) {
      const auto size = static_cast<std::uint64_t>(st.st_size);
      unfetched_ = size > static_cast<std::uint64_t>(at) ? size - at : 0;
    }
  }
  std::uint64_t Remaining() const override {
    if (unfetched_ == kUnknown) return kUnknown;
    return unfetched_ + static_cast<std::uint64_t>(end_ - pos_);
  }

 protected:
  std::size_t ReadSlow(std::uint8_t* dst, std::size_t n) override {
    std::size_t got = static_cast<std::size_t>(end_ - pos_);
    if (got > 0) std::memcpy(dst, pos_, got);
    pos_ = end_;
    dst += got;
    n -= got;
    if (n >= kBlock) return got + Take(dst, n);  // large blocks go straight to their place
    if (!buffer_) buffer_ = std::make_unique<std::uint8_t[]>(kBlock);
    const std::size_t r = Take(buffer_.get(), kBlock);
    pos_ = buffer_.get();
    end_ = pos_ + r;
    const std::size_t take = std::min(n, r);
    std::memcpy(dst, pos_, take);
    pos_ += take;
    return got + take;
  }

 private:
  std::size_t Take(std::uint8_t* dst, std::size_t n) {
    const std::size_t r = Fetch(file_, dst, n);
    if (unfetched_ != kUnknown) unfetched_ -= std::min<std::uint64_t>(unfetched_, r);
    return r;
  }

  std::FILE* file_;
  std::uint64_t unfetched_ = kUnknown;
  std::unique_ptr<std::uint8_t[]> buffer_;
};

void Show(TgaStatus status) {
  const TgaMessage m = TgaStatusMessage(status);
  platform::MessageBox(0, m.text, m.caption, platform::MB_OK);
}

void CloseFTGA() {
  if (FTGA != nullptr) {
    std::fclose(FTGA);
    FTGA = nullptr;
  }
}

// Opens a regular file for reading (a directory cannot be opened as a texture file).
std::FILE* OpenForReading(const char* name) {
  std::FILE* f = std::fopen(name, "rb");
  if (f == nullptr) return nullptr;
  struct stat st {};
  if (fstat(fileno(f), &st) != 0 || S_ISDIR(st.st_mode)) {
    std::fclose(f);
    return nullptr;
  }
  return f;
}

// Closes the file when an input/output error unwinds through LoadTGA.
struct CloseOnUnwind {
  ~CloseOnUnwind() { CloseFTGA(); }
};

bool ReadBody(TGATexture& texture, TgaKind kind) {
  TgaFileSource source(FTGA);
  const TgaStatus s = kind == TgaKind::Uncompressed ? TgaReadUncompressed(source, texture, TGA)
                                                    : TgaReadCompressed(source, texture, TGA);
  if (s != TgaStatus::Ok) {
    Show(s);
    return false;
  }
  CloseFTGA();
  return true;
}

}  // namespace

bool LoadTGA(TGATexture& Texture, const std::string& Filename) {
  FTGA = OpenForReading(Filename.c_str());
  if (FTGA == nullptr) {
    Show(TgaStatus::CannotOpen);
    return false;
  }
  CloseOnUnwind guard;
  std::uint8_t first[12];
  TgaMemorySource head(first, Fetch(FTGA, first, sizeof first));
  TgaKind kind{};
  if (TgaStatus s = TgaReadHeader(head, TGAHeader, kind); s != TgaStatus::Ok) {
    Show(s);
    CloseFTGA();
    return false;
  }
  const bool ok =
      kind == TgaKind::Uncompressed ? LoadUncompressedTGA(Texture) : LoadCompressedTGA(Texture);
  if (!ok) CloseFTGA();
  return ok;
}

bool LoadUncompressedTGA(TGATexture& Texture) { return ReadBody(Texture, TgaKind::Uncompressed); }

bool LoadCompressedTGA(TGATexture& Texture) { return ReadBody(Texture, TgaKind::Compressed); }

}  // namespace brevra

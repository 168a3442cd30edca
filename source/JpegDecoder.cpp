#include "source/JpegDecoder.h"

#include <turbojpeg.h>

#include <vector>

#include "source/ByteOrder.h"
#include "source/ColourConversion.h"
#include "source/FileBytes.h"

namespace selvo {
namespace {

class DecompressHandle {
 public:
  DecompressHandle() : handle_(tjInitDecompress()) {}
  ~DecompressHandle() {
    if (handle_ != nullptr) tjDestroy(handle_);
  }
  DecompressHandle(const DecompressHandle&) = delete;
  DecompressHandle& operator=(const DecompressHandle&) = delete;
  tjhandle Get() const { return handle_; }

 private:
  tjhandle handle_;
};

enum class DamageRule {
  kKeepWarned,  // a picture the library could finish, complaints and all, stays
  kKeepAll,     // whatever was decoded before even a fatal error stays
};

struct JpegHeader {
  int width = 0;
  int height = 0;
  int colorspace = 0;
};

// A file cut short before its frame header reads as a header without a
// size; the library's warning about it is then its message.
bool ReadHeader(tjhandle handle, const std::uint8_t* bytes, std::size_t length, JpegHeader& header) {
  int subsampling = 0;
  return tjDecompressHeader3(handle, bytes, static_cast<unsigned long>(length), &header.width, &header.height,
                             &subsampling, &header.colorspace) == 0 &&
         header.width > 0 && header.height > 0;
}

// Each scan of a progressive file is a pass over the whole picture, so a
// small file of many tiny scans can cost minutes. Beyond a real camera's
// needs (a few scans, a few megapixels) the file is refused before decoding.
constexpr int kMaxScans = 500;
constexpr std::int64_t kMaxScanPixels = std::int64_t{1} << 30;

bool IsStandaloneMarker(std::uint8_t code) { return code == 0x01 || (code >= 0xD0 && code <= 0xD7); }

// Index just past the entropy-coded data that starts at i: the next marker
// other than a stuffed 0xFF 0x00 or a restart marker.
std::size_t SkipEntropyData(const std::uint8_t* bytes, std::size_t length, std::size_t i) {
  while (i + 1 < length) {
    if (bytes[i] == 0xFF && bytes[i + 1] != 0x00 && !IsStandaloneMarker(bytes[i + 1])) return i;
    ++i;
  }
  return length;
}

// The number of start-of-scan markers, walking the marker segments by their
// lengths so that bytes inside other segments are never taken for one.
// Stops at the end of the image or at the first thing that is not a marker.
int CountScans(const std::uint8_t* bytes, std::size_t length) {
  int scans = 0;
  std::size_t i = 2;  // past the start-of-image marker
  while (i + 1 < length && scans <= kMaxScans) {
    if (bytes[i] != 0xFF) break;
    const std::uint8_t code = bytes[i + 1];
    if (code == 0xFF) {  // fill byte
      ++i;
      continue;
    }
    i += 2;
    if (code == 0xD9) break;
    if (IsStandaloneMarker(code)) continue;
    if (i + 2 > length) break;
    const std::size_t segment = ReadBe16(bytes + i);
    if (segment < 2) break;
    i += segment;
    if (code == 0xDA) {
      ++scans;
      i = SkipEntropyData(bytes, length, i);
    }
  }
  return scans;
}

bool WithinScanBudget(const std::uint8_t* bytes, std::size_t length, const JpegHeader& header) {
  const std::int64_t scans = CountScans(bytes, length);
  return scans <= kMaxScans && scans * header.width * header.height <= kMaxScanPixels;
}

bool IsFourChannel(int colorspace) { return colorspace == TJCS_CMYK || colorspace == TJCS_YCCK; }

// Four-channel pixels arrive as C, M, Y, K in the inverted form common to
// such files (255 = no ink), so multiplying each of the first three by the
// fourth gives red, green and blue; stored as B, G, R with K kept last. The
// product is scaled by 255, not 256, so that no ink at all stays white.
void FourChannelToBgr(DibBlock& block) {
  const std::size_t pixelsPerRow = static_cast<std::size_t>(block.Width());
  for (int row = 0; row < block.Height(); ++row) {
    std::uint8_t* p = block.Pixels() + block.Stride() * static_cast<std::size_t>(row);
    for (std::size_t x = 0; x < pixelsPerRow; ++x, p += 4) {
      const std::uint8_t red = p[0];
      const std::uint8_t green = p[1];
      const std::uint8_t blue = p[2];
      const std::uint8_t fourth = p[3];
      p[0] = MultiplyBytes(blue, fourth);
      p[1] = MultiplyBytes(green, fourth);
      p[2] = MultiplyBytes(red, fourth);
    }
  }
}

// The library's own words for what stopped it, kept for whoever must say
// why an image could not be decoded.
void NoteLibraryFailure(tjhandle handle, std::string* failure) {
  if (failure == nullptr) return;
  const char* text = tjGetErrorStr2(handle);
  *failure = text != nullptr && *text != '\0' ? text : "the JPEG library gave no reason";
}

void NoteFailure(const char* text, std::string* failure) {
  if (failure != nullptr) *failure = text;
}

// An MCU spans 8 chroma pixels a side: 8, 16 or 32 luma pixels.
int ChromaShift(int mcuPixels) { return mcuPixels >= 32 ? 2 : mcuPixels >= 16 ? 1 : 0; }

DibPtr Decode(const std::uint8_t* bytes, std::size_t length, DamageRule damage, std::uint32_t* sizeOut,
              std::string* failure) {
  if (bytes == nullptr || length == 0) {
    NoteFailure("empty file", failure);
    return nullptr;
  }
  DecompressHandle handle;
  if (handle.Get() == nullptr) {
    NoteLibraryFailure(nullptr, failure);
    return nullptr;
  }
  JpegHeader header;
  if (!ReadHeader(handle.Get(), bytes, length, header)) {
    NoteLibraryFailure(handle.Get(), failure);
    return nullptr;
  }
  if (!WithinScanBudget(bytes, length, header)) {
    NoteFailure("more scans than a camera writes, refused", failure);
    return nullptr;
  }

  const bool fourChannel = IsFourChannel(header.colorspace);
  // A fatal error may stop the library partway; only a block it may leave
  // half written is cleared first. A warning still has every row written.
  DibPtr block = damage == DamageRule::kKeepWarned
                     ? DibBlock::CreateForOverwrite(header.width, header.height, fourChannel ? 4 : 3)
                     : DibBlock::Create(header.width, header.height, fourChannel ? 4 : 3);
  if (!block) {
    NoteFailure("picture too large to decode", failure);
    return nullptr;
  }
  // Greyscale is widened to BGR by the library itself.
  const int pixelFormat = fourChannel ? TJPF_CMYK : TJPF_BGR;
  const int result = tjDecompress2(handle.Get(), bytes, static_cast<unsigned long>(length), block->Pixels(),
                                   header.width, static_cast<int>(block->Stride()), header.height, pixelFormat,
                                   TJFLAG_BOTTOMUP | TJFLAG_LIMITSCANS);
  // A changed byte in the compressed data costs a few blocks of the picture
  // and a warning; the picture is still what an investigator must see.
  const bool fatal = result != 0 && tjGetErrorCode(handle.Get()) != TJERR_WARNING;
  if (fatal && damage == DamageRule::kKeepWarned) {
    NoteLibraryFailure(handle.Get(), failure);
    return nullptr;
  }
  if (fourChannel) FourChannelToBgr(*block);
  if (sizeOut != nullptr) *sizeOut = static_cast<std::uint32_t>(block->Size());
  return block;
}

}  // namespace

bool DecodeJpegPlanes(const std::uint8_t* bytes, std::size_t length, JpegPlanes& out) {
  if (bytes == nullptr || length == 0) return false;
  DecompressHandle handle;
  JpegHeader header;
  int subsampling = -1;
  if (handle.Get() == nullptr ||
      tjDecompressHeader3(handle.Get(), bytes, static_cast<unsigned long>(length), &header.width, &header.height,
                          &subsampling, &header.colorspace) != 0 ||
      header.width <= 0 || header.height <= 0) {
    return false;
  }
  if (header.colorspace != TJCS_YCbCr || subsampling < 0 || subsampling >= TJ_NUMSAMP || subsampling == TJSAMP_GRAY) {
    return false;
  }
  if (!WithinScanBudget(bytes, length, header)) return false;
  int sizes[3] = {0, 0, 0};
  std::size_t total = 0;
  for (int plane = 0; plane < 3; ++plane) {
    out.strides[plane] = tjPlaneWidth(plane, header.width, subsampling);
    const int rows = tjPlaneHeight(plane, header.height, subsampling);
    if (out.strides[plane] <= 0 || rows <= 0) return false;
    sizes[plane] = out.strides[plane] * rows;
    total += static_cast<std::size_t>(sizes[plane]);
  }
  out.memory.resize(total);
  std::uint8_t* at = out.memory.data();
  for (int plane = 0; plane < 3; ++plane) {
    out.planes[plane] = at;
    at += sizes[plane];
  }
  out.width = header.width;
  out.height = header.height;
  out.chromaWidth = out.strides[1];
  out.chromaHeight = sizes[1] / out.strides[1];
  out.chromaShiftX = ChromaShift(tjMCUWidth[subsampling]);
  out.chromaShiftY = ChromaShift(tjMCUHeight[subsampling]);
  // A warning leaves a picture the library finished; DecodeJpegMemory keeps
  // even what a fatal error left. Either way the caller takes that one.
  return tjDecompressToYUVPlanes(handle.Get(), bytes, static_cast<unsigned long>(length), out.planes, header.width,
                                 out.strides, header.height, TJFLAG_LIMITSCANS) == 0;
}

DibPtr DecodeJpegFile(const std::string& path, std::uint32_t* sizeOut, std::string* failure) {
  std::vector<std::uint8_t> bytes;
  if (!ReadWholeFile(path, bytes)) {
    NoteFailure("the file cannot be read", failure);
    return nullptr;
  }
  return Decode(bytes.data(), bytes.size(), DamageRule::kKeepWarned, sizeOut, failure);
}

DibPtr DecodeJpegMemory(const std::uint8_t* bytes, std::size_t length, std::uint32_t* sizeOut, std::string* failure) {
  return Decode(bytes, length, DamageRule::kKeepAll, sizeOut, failure);
}

}  // namespace selvo

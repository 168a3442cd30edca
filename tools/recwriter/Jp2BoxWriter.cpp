#include "tools/recwriter/Jp2BoxWriter.h"

#include <lcms2.h>

#include <memory>

#include "source/ByteOrder.h"

namespace selvo {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kLabSpace = 14;
constexpr std::uint32_t kDaylight50 = 0x00443530;  // "D50" as the box stores the illuminant

void AppendBe32(Bytes& out, std::uint32_t value) {
  const std::size_t at = out.size();
  out.resize(at + 4);
  WriteBe32(&out[at], value);
}

void AppendBe16(Bytes& out, std::uint16_t value) {
  const std::size_t at = out.size();
  out.resize(at + 2);
  WriteBe16(&out[at], value);
}

void AppendType(Bytes& out, const char* type) { out.insert(out.end(), type, type + 4); }

Bytes Box(const char* type, const Bytes& payload) {
  Bytes box;
  AppendBe32(box, static_cast<std::uint32_t>(8 + payload.size()));
  AppendType(box, type);
  box.insert(box.end(), payload.begin(), payload.end());
  return box;
}

Bytes EnumeratedPayload(std::uint32_t space) {
  Bytes payload = {1, 0, 0};  // method, precedence, approximation
  AppendBe32(payload, space);
  return payload;
}

Bytes ImageHeaderBox(int width, int height, int components) {
  Bytes payload;
  AppendBe32(payload, static_cast<std::uint32_t>(height));
  AppendBe32(payload, static_cast<std::uint32_t>(width));
  AppendBe16(payload, static_cast<std::uint16_t>(components));
  payload.push_back(7);  // 8 bits, unsigned
  payload.push_back(7);  // wavelet coded
  payload.push_back(0);  // colour space known
  payload.push_back(0);  // no intellectual property box
  return Box("ihdr", payload);
}

struct ProfileCloser {
  void operator()(void* profile) const { cmsCloseProfile(profile); }
};
using ProfilePtr = std::unique_ptr<void, ProfileCloser>;

struct CurveFreer {
  void operator()(cmsToneCurve* curve) const { cmsFreeToneCurve(curve); }
};
using CurvePtr = std::unique_ptr<cmsToneCurve, CurveFreer>;

Bytes SavedProfile(const ProfilePtr& profile) {
  cmsUInt32Number size = 0;
  if (!profile || !cmsSaveProfileToMem(profile.get(), nullptr, &size) || size == 0) return {};
  Bytes bytes(size);
  if (!cmsSaveProfileToMem(profile.get(), bytes.data(), &size)) return {};
  return bytes;
}

}  // namespace

Bytes EnumeratedColourBox(std::uint32_t enumeratedSpace) { return Box("colr", EnumeratedPayload(enumeratedSpace)); }

Bytes DefaultLabColourBox() { return EnumeratedColourBox(kLabSpace); }

Bytes LabColourBox(const LabRanges& ranges) {
  Bytes payload = EnumeratedPayload(kLabSpace);
  for (std::uint32_t value :
       {ranges.rangeL, ranges.offsetL, ranges.rangeA, ranges.offsetA, ranges.rangeB, ranges.offsetB, kDaylight50}) {
    AppendBe32(payload, value);
  }
  return Box("colr", payload);
}

Bytes IccColourBox(const Bytes& profile) {
  Bytes payload = {2, 0, 0};
  payload.insert(payload.end(), profile.begin(), profile.end());
  return Box("colr", payload);
}

Bytes WrapCodestream(const Bytes& codestream, int width, int height, int components, const Bytes& colourBox) {
  static const std::uint8_t kSignature[] = {0, 0, 0, 12, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A};
  Bytes file(kSignature, kSignature + sizeof kSignature);
  Bytes fileType;
  AppendType(fileType, "jp2 ");
  AppendBe32(fileType, 0);
  AppendType(fileType, "jp2 ");
  const Bytes typeBox = Box("ftyp", fileType);
  Bytes header = ImageHeaderBox(width, height, components);
  header.insert(header.end(), colourBox.begin(), colourBox.end());
  const Bytes headerBox = Box("jp2h", header);
  const Bytes codestreamBox = Box("jp2c", codestream);
  for (const Bytes* part : {&typeBox, &headerBox, &codestreamBox}) file.insert(file.end(), part->begin(), part->end());
  return file;
}

Bytes WideGamutRgbProfile() {
  const cmsCIExyY white = {0.3127, 0.3290, 1.0};
  const cmsCIExyYTRIPLE primaries = {{0.6400, 0.3300, 1.0}, {0.2100, 0.7100, 1.0}, {0.1500, 0.0600, 1.0}};
  const CurvePtr gamma(cmsBuildGamma(nullptr, 2.2));
  cmsToneCurve* curves[3] = {gamma.get(), gamma.get(), gamma.get()};
  return SavedProfile(ProfilePtr(cmsCreateRGBProfile(&white, &primaries, curves)));
}

Bytes LinearGreyProfile() {
  const CurvePtr linear(cmsBuildGamma(nullptr, 1.0));
  return SavedProfile(ProfilePtr(cmsCreateGrayProfile(cmsD50_xyY(), linear.get())));
}

}  // namespace selvo

#include "source/ColourTransform.h"

#include <lcms2.h>

#include <limits>

namespace selvo {
namespace {

struct ProfileCloser {
  void operator()(void* profile) const { cmsCloseProfile(profile); }
};
using ProfilePtr = std::unique_ptr<void, ProfileCloser>;

// One grey byte followed by two bytes to pass over: a grey picture already
// spread into blue, green and red is converted where it lies.
constexpr cmsUInt32Number kGreyInBgrFormat = COLORSPACE_SH(PT_GRAY) | EXTRA_SH(2) | CHANNELS_SH(1) | BYTES_SH(1);

cmsColorSpaceSignature DeviceSpaceFor(ColourTransform::Input input) {
  return input == ColourTransform::Input::kGreyInBgr ? cmsSigGrayData : cmsSigRgbData;
}

cmsUInt32Number FormatFor(ColourTransform::Input input) {
  switch (input) {
    case ColourTransform::Input::kGreyInBgr:
      return kGreyInBgrFormat;
    case ColourTransform::Input::kBgr:
      return TYPE_BGR_8;
    case ColourTransform::Input::kLab:
      return TYPE_Lab_DBL;
  }
  return 0;
}

cmsUInt32Number UsableIntent(cmsHPROFILE profile) {
  const cmsUInt32Number intent = cmsGetHeaderRenderingIntent(profile);
  return intent <= INTENT_ABSOLUTE_COLORIMETRIC ? intent : INTENT_PERCEPTUAL;
}

}  // namespace

std::unique_ptr<ColourTransform> ColourTransform::FromIccProfile(const std::uint8_t* profile, std::size_t size,
                                                                 Input input) {
  if (profile == nullptr || size == 0 || size > std::numeric_limits<cmsUInt32Number>::max()) return nullptr;
  if (input == Input::kLab) return nullptr;
  ProfilePtr source(cmsOpenProfileFromMem(profile, static_cast<cmsUInt32Number>(size)));
  if (!source || cmsGetColorSpace(source.get()) != DeviceSpaceFor(input)) return nullptr;
  const cmsProfileClassSignature kind = cmsGetDeviceClass(source.get());
  if (kind == cmsSigLinkClass || kind == cmsSigAbstractClass || kind == cmsSigNamedColorClass) return nullptr;
  ProfilePtr screen(cmsCreate_sRGBProfile());
  if (!screen) return nullptr;
  cmsHTRANSFORM transform =
      cmsCreateTransform(source.get(), FormatFor(input), screen.get(), TYPE_BGR_8, UsableIntent(source.get()), 0);
  if (transform == nullptr) return nullptr;
  return std::unique_ptr<ColourTransform>(new ColourTransform(transform, input));
}

std::unique_ptr<ColourTransform> ColourTransform::FromLab() {
  ProfilePtr lab(cmsCreateLab4Profile(nullptr));
  ProfilePtr screen(cmsCreate_sRGBProfile());
  if (!lab || !screen) return nullptr;
  cmsHTRANSFORM transform = cmsCreateTransform(lab.get(), TYPE_Lab_DBL, screen.get(), TYPE_BGR_8, INTENT_PERCEPTUAL, 0);
  if (transform == nullptr) return nullptr;
  return std::unique_ptr<ColourTransform>(new ColourTransform(transform, Input::kLab));
}

ColourTransform::~ColourTransform() { cmsDeleteTransform(transform_); }

void ColourTransform::Convert(const void* in, std::uint8_t* bgrOut, int pixels) const {
  if (pixels <= 0) return;
  cmsDoTransform(transform_, in, bgrOut, static_cast<cmsUInt32Number>(pixels));
}

}  // namespace selvo

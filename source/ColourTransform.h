#pragma once
// A colour transform into sRGB, over Little CMS: an image's own ICC profile,
// or CIELab. Created per image; rows are converted one at a time.
#include <cstddef>
#include <cstdint>
#include <memory>

namespace selvo {

class ColourTransform {
 public:
  // What one input pixel is.
  enum class Input {
    kGreyInBgr,  // 3 bytes, the grey level in the first
    kBgr,        // 3 bytes, blue, green, red
    kLab,        // 3 doubles: L 0..100, a and b around 0
  };

  // Null when the profile is damaged or empty, is not a device profile for
  // the input's colour (grey or RGB), or Little CMS cannot build the
  // transform. The profile's own rendering intent is used.
  static std::unique_ptr<ColourTransform> FromIccProfile(const std::uint8_t* profile, std::size_t size, Input input);
  // Lab with the D50 white, as JPEG 2000 files define it by default.
  static std::unique_ptr<ColourTransform> FromLab();

  ~ColourTransform();
  ColourTransform(const ColourTransform&) = delete;
  ColourTransform& operator=(const ColourTransform&) = delete;

  Input InputKind() const { return input_; }

  // pixels input pixels in, pixels BGR sRGB pixels (3 bytes each) out; the
  // two must not overlap.
  void Convert(const void* in, std::uint8_t* bgrOut, int pixels) const;

 private:
  ColourTransform(void* transform, Input input) : transform_(transform), input_(input) {}

  void* transform_;
  Input input_;
};

}  // namespace selvo

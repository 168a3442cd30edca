#pragma once
// The saved picture: a 24-bit bottom-up Windows bitmap file, built from a
// composed picture and written so that a failure never leaves half a file.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include <QImage>
#include <QString>

namespace selvo {

struct BitmapFileParts {
  static constexpr std::size_t kFileHeaderBytes = 14;
  static constexpr std::size_t kInfoHeaderBytes = 40;

  std::array<std::uint8_t, kFileHeaderBytes> fileHeader{};
  std::array<std::uint8_t, kInfoHeaderBytes> infoHeader{};
  std::vector<std::uint8_t> bits;  // bottom row first, rows padded to 4 bytes
};

std::size_t BitmapStride(int width);

// Headers and pixel rows for a picture; empty bits for a null picture.
BitmapFileParts EncodeBitmap(const QImage& picture);

// Writes the parts to path through a temporary file in the same folder that
// replaces path only once everything is written. On failure path is left as
// it was and reason says why. A path inside evidence (the recording on
// screen), a link, a folder, a FIFO or a device is refused unwritten.
bool WriteBitmapFile(const QString& path, const BitmapFileParts& parts, QString& reason,
                     const std::vector<std::string>& evidence = {});

}  // namespace selvo

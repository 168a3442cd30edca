#include "view/render/BitmapFileWriter.h"

#include "source/ByteOrder.h"
#include "source/OutputFile.h"
#include "source/OutputRefusal.h"

namespace selvo {

std::size_t BitmapStride(int width) { return (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3}; }

BitmapFileParts EncodeBitmap(const QImage& picture) {
  BitmapFileParts parts;
  if (picture.isNull()) return parts;
  const QImage rgb = picture.convertToFormat(QImage::Format_BGR888);
  const int width = rgb.width();
  const int height = rgb.height();
  const std::size_t stride = BitmapStride(width);
  const std::size_t imageBytes = stride * static_cast<std::size_t>(height);

  std::uint8_t* info = parts.infoHeader.data();
  WriteLe32(info + 0, static_cast<std::uint32_t>(BitmapFileParts::kInfoHeaderBytes));
  WriteLe32(info + 4, static_cast<std::uint32_t>(width));
  WriteLe32(info + 8, static_cast<std::uint32_t>(height));
  WriteLe16(info + 12, 1);   // planes
  WriteLe16(info + 14, 24);  // bits per pixel
  WriteLe32(info + 20, static_cast<std::uint32_t>(imageBytes));

  std::uint8_t* file = parts.fileHeader.data();
  file[0] = 'B';
  file[1] = 'M';
  const std::size_t headers = BitmapFileParts::kFileHeaderBytes + BitmapFileParts::kInfoHeaderBytes;
  WriteLe32(file + 2, static_cast<std::uint32_t>(imageBytes + headers));
  WriteLe32(file + 10, static_cast<std::uint32_t>(headers));

  parts.bits.assign(imageBytes, 0);
  const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
  for (int y = 0; y < height; ++y) {
    const uchar* src = rgb.constScanLine(height - 1 - y);
    std::copy(src, src + rowBytes, parts.bits.begin() + static_cast<std::ptrdiff_t>(stride * y));
  }
  return parts;
}

bool WriteBitmapFile(const QString& path, const BitmapFileParts& parts, QString& reason,
                     const std::vector<std::string>& evidence) {
  const std::string target = path.toStdString();
  const std::string refusal = OutputRefusal({{"The picture", target}}, evidence);
  if (!refusal.empty()) {
    reason = QString::fromStdString(refusal);
    return false;
  }
  OutputFile file;
  const bool written = file.Create(target) && file.Write(parts.fileHeader.data(), parts.fileHeader.size()) &&
                       file.Write(parts.infoHeader.data(), parts.infoHeader.size()) &&
                       file.Write(parts.bits.data(), parts.bits.size()) && file.Commit();
  if (!written) reason = QString::fromStdString(file.ErrorText());
  return written;
}

}  // namespace selvo

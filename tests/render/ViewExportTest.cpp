// The saved picture: the bitmap file's bytes, and a failed write that leaves
// nothing behind.
#include <gtest/gtest.h>

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "source/ByteOrder.h"
#include "tests/TestFolder.h"
#include "view/render/BitmapFileWriter.h"
#include "view/render/PaneRenderer.h"

namespace selvo {
namespace {

// A 720 x 480 picture, red in its top half and blue below, composed the way
// the save command does: its own width and a 4:3 height.
QImage ComposedExport() {
  DibPtr dib = DibBlock::Create(720, 480, 3);
  for (int y = 0; y < 480; ++y) {
    std::uint8_t* row = dib->RowFromTop(y);
    for (int x = 0; x < 720; ++x) {
      row[3 * x] = y < 240 ? 0 : 255;      // blue
      row[3 * x + 1] = 0;                  // green
      row[3 * x + 2] = y < 240 ? 255 : 0;  // red
    }
  }
  PaneDrawRequest request;
  request.image = dib.get();
  return ComposeSinglePane(720, static_cast<int>(720 * 0.75), Qt::lightGray, request, PaneOverlayStyle());
}

std::vector<std::uint8_t> FileBytes(const BitmapFileParts& parts) {
  std::vector<std::uint8_t> bytes(parts.fileHeader.begin(), parts.fileHeader.end());
  bytes.insert(bytes.end(), parts.infoHeader.begin(), parts.infoHeader.end());
  bytes.insert(bytes.end(), parts.bits.begin(), parts.bits.end());
  return bytes;
}

TEST(BitmapExport, A720WidePictureBecomesA720By540File0f1166454Bytes) {
  const QImage picture = ComposedExport();
  ASSERT_EQ(picture.size(), QSize(720, 540));
  const BitmapFileParts parts = EncodeBitmap(picture);
  const std::vector<std::uint8_t> file = FileBytes(parts);
  ASSERT_EQ(file.size(), 1166454u);
  const std::uint8_t* p = file.data();
  EXPECT_EQ(p[0], 'B');
  EXPECT_EQ(p[1], 'M');
  EXPECT_EQ(ReadLe32(p + 2), 1166454u);
  EXPECT_EQ(ReadLe32(p + 6), 0u);  // reserved
  EXPECT_EQ(ReadLe32(p + 10), 54u);
  const std::uint8_t* info = p + 14;
  EXPECT_EQ(ReadLe32(info), 40u);
  EXPECT_EQ(ReadLe32Signed(info + 4), 720);
  EXPECT_EQ(ReadLe32Signed(info + 8), 540);
  EXPECT_EQ(ReadLe16(info + 12), 1);
  EXPECT_EQ(ReadLe16(info + 14), 24);
  EXPECT_EQ(ReadLe32(info + 16), 0u);  // uncompressed
  EXPECT_EQ(ReadLe32(info + 20), 540u * 2160u);
  for (int offset = 24; offset < 40; offset += 4) EXPECT_EQ(ReadLe32(info + offset), 0u) << offset;

  // Rows run bottom up in blue-green-red order: the file's first row is the
  // blue bottom of the picture, its last row the red top.
  const std::uint8_t* bits = p + 54;
  EXPECT_EQ(bits[0], 255);
  EXPECT_EQ(bits[2], 0);
  const std::uint8_t* lastRow = bits + 539u * 2160u;
  EXPECT_EQ(lastRow[0], 0);
  EXPECT_EQ(lastRow[2], 255);
}

TEST(BitmapExport, RowsArePaddedToFourBytes) {
  for (int width : {1, 2, 3, 4, 5, 703}) {
    const BitmapFileParts parts = EncodeBitmap(QImage(width, 3, QImage::Format_RGB32));
    EXPECT_EQ(BitmapStride(width) % 4, 0u);
    EXPECT_GE(BitmapStride(width), 3u * width);
    EXPECT_LT(BitmapStride(width), 3u * width + 4);
    EXPECT_EQ(parts.bits.size(), BitmapStride(width) * 3) << width;
    EXPECT_EQ(ReadLe32(parts.fileHeader.data() + 2), 54 + parts.bits.size()) << width;
  }
}

TEST(BitmapFileWrite, WritesTheWholeFileOrNothingAndSaysWhy) {
  const test::TestFolder folder;
  const BitmapFileParts parts = EncodeBitmap(ComposedExport());
  QString reason;
  const QString path = QString::fromStdString(folder / "shot.bmp");
  ASSERT_TRUE(WriteBitmapFile(path, parts, reason)) << reason.toStdString();
  EXPECT_EQ(test::ReadFileBytes(path.toStdString()), FileBytes(parts));

  const QString missingFolder = QString::fromStdString(folder / "no/such/folder/shot.bmp");
  EXPECT_FALSE(WriteBitmapFile(missingFolder, parts, reason));
  EXPECT_FALSE(reason.isEmpty());
  EXPECT_FALSE(QFileInfo::exists(missingFolder));

  // A folder standing where the file should go: the write fails and the
  // folder holds nothing new, no temporary file left behind.
  const QString blocked = QString::fromStdString(folder.MakeDir("taken.bmp"));
  reason.clear();
  EXPECT_FALSE(WriteBitmapFile(blocked, parts, reason));
  EXPECT_FALSE(reason.isEmpty());
  EXPECT_EQ(QDir(QString::fromStdString(folder.Path())).entryList(QDir::Files),
            QStringList{QStringLiteral("shot.bmp")});
}

// The recording on screen is evidence, and a link at the chosen name points
// somewhere the user did not choose: both are refused, nothing written.
TEST(BitmapFileWrite, RefusesTheRecordingOnScreenAndALink) {
  const test::TestFolder folder;
  const BitmapFileParts parts = EncodeBitmap(ComposedExport());
  const std::string recording = folder.MakeDir("ev");
  const std::string image = folder.Write("ev/IMG00001/IMG00000001.jpg", std::string("evidence"));
  const std::string target = folder / "elsewhere.bmp";
  ASSERT_EQ(::symlink(target.c_str(), (folder / "link.bmp").c_str()), 0);
  QString reason;
  EXPECT_FALSE(WriteBitmapFile(QString::fromStdString(image), parts, reason, {recording}));
  EXPECT_TRUE(reason.contains(QStringLiteral("lies inside"))) << reason.toStdString();
  EXPECT_EQ(test::ReadFileBytes(image), (std::vector<std::uint8_t>{'e', 'v', 'i', 'd', 'e', 'n', 'c', 'e'}));
  EXPECT_FALSE(WriteBitmapFile(QString::fromStdString(folder / "link.bmp"), parts, reason, {recording}));
  EXPECT_TRUE(reason.contains(QStringLiteral("symbolic link"))) << reason.toStdString();
  EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(target)));
}

}  // namespace
}  // namespace selvo

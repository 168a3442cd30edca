#include "tools/selvo-check/CheckReport.h"

#include <QColor>
#include <QFile>
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QString>
#include <QStringList>

#include <algorithm>

#include "source/FileBytes.h"
#include "source/ImageDecoder.h"
#include "source/TrailerParser.h"
#include "source/StatusVerdict.h"
#include "source/OutputFile.h"
#include "source/text/TimeText.h"
#include "view/render/PaneRenderer.h"

namespace selvo {

namespace {

// Points on an A4 page.
constexpr double kMargin = 42;
constexpr int kPointsPerInch = 72;
const QColor kAlteredRed(200, 0, 0);
const QColor kGapAmber(230, 150, 0);
// A bookmark's picture beside its text, in points, and the pixels kept of
// it: enough to recognise the scene without a page of pixels per bookmark.
constexpr double kBookmarkPictureWidth = 160;
constexpr int kBookmarkPicturePixels = 320;

QString Text(const std::string& utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

enum class Face { Sans, Mono };

// Camera titles are often Japanese; the Latin faces have no kana or kanji.
// Figures, hashes and paths are set in the fixed face, which has no
// ligatures: a hash copied from the page must be the hash.
QFont ReportFont(double points, bool bold, Face face) {
  QFont font;
  font.setFamilies({face == Face::Mono ? QStringLiteral("DejaVu Sans Mono") : QStringLiteral("DejaVu Sans"),
                    QStringLiteral("IPAGothic"), QStringLiteral("IPAPGothic")});
  font.setPointSizeF(points);
  font.setBold(bold);
  return font;
}

QString CameraName(int channel, const std::string& title) {
  QString name = channel >= 0 ? QStringLiteral("Camera %1").arg(channel + 1) : QStringLiteral("No camera");
  if (!title.empty()) name += QStringLiteral(" ") + Text(title);
  return name;
}

// The picture as the viewer draws it with "check": time text, camera title
// and alteration boxes; the file read again, as a print would.
QImage ViewerPicture(const CheckedImage& image) {
  // A disc record's "disc.img#3" names no codec: a disc holds JPEG images.
  const ImageCodec codec = ImageCodecOfPath(image.path).value_or(ImageCodec::Jpeg);
  const DibPtr block = DecodeImageFile(image.path, codec).block;
  PaneOverlayStyle style;
  style.alterationMarks = true;
  style.cameraTitleShown = true;
  PaneDrawRequest request;
  request.time = image.time;
  request.title = Text(image.title);
  request.status = image.status < 0 ? 0 : image.status;
  if (block) {
    request.image = block.get();
    const int width = block->Width();
    return ComposeSinglePane(width, static_cast<int>(width * 0.75), Qt::white, request, style);
  }
  QImage placeholder(704, 528, QImage::Format_RGB32);
  placeholder.fill(Qt::white);
  DrawInvalidImage(placeholder, {0, 0, placeholder.width(), placeholder.height()}, Qt::lightGray, request.status,
                   style);
  return placeholder;
}

// A bookmark's file as the case file keeps it, relative to the recording;
// one that would lead outside the folder is not followed.
std::string BookmarkedFile(const std::string& folder, const std::string& file) {
  if (file.empty() || file.front() == '/' || file == ".." || file.compare(0, 3, "../") == 0 ||
      file.find("/../") != std::string::npos || (file.size() >= 3 && file.compare(file.size() - 3, 3, "/..") == 0)) {
    return {};
  }
  return folder + "/" + file;
}

// The bookmarked image as the viewer draws it with "check", made small;
// null when the file cannot be read.
QImage BookmarkPicture(const std::string& folder, const Bookmark& bookmark) {
  CheckedImage image;
  image.path = BookmarkedFile(folder, bookmark.place.file);
  std::vector<std::uint8_t> bytes;
  if (image.path.empty() || !ReadWholeFile(image.path, bytes)) return {};
  ImageInfo info;
  const ImageCodec codec = ImageCodecOfPath(image.path).value_or(ImageCodec::Jpeg);
  if (ParseImageInfo(bytes.data(), bytes.size(), codec, info)) image.status = info.status;
  image.time = bookmark.place.recordTime;
  return ViewerPicture(image).scaledToWidth(kBookmarkPicturePixels, Qt::SmoothTransformation);
}

QString BookmarkCamera(int camera) {
  return camera > 0 ? QStringLiteral("Camera %1").arg(camera) : QStringLiteral("No camera");
}

class ReportPages {
 public:
  ReportPages(QPdfWriter& writer, const ReportFindings& findings, const CaseBookmarks& reportCase)
      : writer_(writer), findings_(findings), reportCase_(reportCase), painter_(&writer) {
    width_ = writer.width();
    height_ = writer.height();
  }

  bool Started() const { return painter_.isActive(); }

  void Draw() {
    DrawSummary();
    NewPage();
    DrawStrips();
    if (!reportCase_.bookmarks.empty()) {
      NewPage();
      DrawBookmarks();
    }
    for (std::size_t i = 0; i < findings_.problems.size(); ++i) {
      NewPage();
      DrawProblem(findings_.problems[i], i + 1);
    }
    painter_.end();
  }

 private:
  void NewPage() {
    writer_.newPage();
    y_ = kMargin;
  }

  // Long lines wrap, never elide: a path or a hash on a filed report must
  // be whole. Paths and hashes break anywhere, prose between words.
  void Line(const QString& text, double points = 10, bool bold = false, double indent = 0, Face face = Face::Sans,
            const QColor& colour = Qt::black) {
    const QFont font = ReportFont(points, bold, face);
    painter_.setFont(font);
    painter_.setPen(colour);
    const int wrap = face == Face::Mono ? Qt::TextWrapAnywhere : Qt::TextWordWrap;
    const QRectF room(kMargin + indent, y_, width_ - 2 * kMargin - indent, height_);
    QRectF used;
    painter_.drawText(room, Qt::AlignLeft | Qt::AlignTop | wrap, text, &used);
    y_ += std::max(used.height(), QFontMetricsF(font, &writer_).height()) + points * 0.3;
  }

  bool Room(double needed) const { return y_ + needed < height_ - kMargin; }

  void DrawSummary() {
    const ReportFindings& f = findings_;
    Line(QStringLiteral("Recording check report"), 18, true);
    y_ += 6;
    Line(QStringLiteral("Folder: ") + Text(f.path));
    Line(QStringLiteral("Checked: ") + Text(f.checkedAt) + QStringLiteral(" by selvo-check ") + Text(f.version));
    Line(QStringLiteral("Manifest SHA-256: ") + Text(HexDigest(f.manifestDigest)), 9, false, 0, Face::Mono);
    Line(f.manifestFile.empty() ? QStringLiteral("(the list selvo-check --manifest writes for this folder)")
                                : QStringLiteral("(of ") + Text(f.manifestFile) + QStringLiteral(")"),
         8);
    DrawCaseFileLine();
    y_ += 8;
    Line(QStringLiteral("Other files in the folder"), 12, true);
    Line(QStringLiteral("Neither images nor the recording's index, time list or sound; the manifest covers them."),
         8);
    if (f.otherFiles.empty()) Line(QStringLiteral("none"), 10, false, 8);
    for (const std::string& file : f.otherFiles) Line(Text(file), 9, false, 8, Face::Mono);
    if (f.otherFilesLeftOut > 0) {
      Line(QStringLiteral("... and %1 more (the manifest lists them all)").arg(f.otherFilesLeftOut), 10, false, 8);
    }
    y_ += 8;
    Line(QStringLiteral("Verdicts"), 12, true);
    const CheckCounts& c = f.counts;
    const std::pair<const char*, long> counts[] = {
        {"images", c.images},           {"ok", c.ok},
        {"image altered", c.imageAltered}, {"time altered", c.timeAltered},
        {"without valid time", c.noValidTime}, {"without recorder trailer", c.noTrailer},
        {"not recorder images", c.notRecorder}, {"undecodable", c.undecodable},
        {"unreadable", c.unreadable},   {"unreadable folders", c.unreadableFolders},
        {"other files unreadable", c.unreadableOtherFiles},
        {"time-line anomalies", c.anomalies}};
    for (const auto& count : counts) {
      Line(QStringLiteral("%1  %2").arg(count.second, 8).arg(QString::fromLatin1(count.first)), 9, false, 8, Face::Mono);
    }
    y_ += 8;
    Line(QStringLiteral("Cameras"), 12, true);
    for (const auto& [channel, camera] : f.cameras) {
      Line(CameraName(channel, camera.title) +
               QStringLiteral(": images %1, problems %2, gaps %3").arg(camera.images).arg(camera.problems).arg(camera.gaps),
           10, false, 8);
    }
    y_ += 8;
    Line(QStringLiteral("Time-line anomalies"), 12, true);
    if (f.anomalies.empty()) Line(QStringLiteral("none"), 10, false, 8);
    for (std::size_t i = 0; i < f.anomalies.size(); ++i) {
      if (!Room(40)) {
        const long more = static_cast<long>(f.anomalies.size() - i) + f.anomaliesLeftOut;
        Line(QStringLiteral("... and %1 more (selvo-check --json lists them all)").arg(more), 10, false, 8);
        break;
      }
      const TimelineAnomaly& a = f.anomalies[i];
      Line(QStringLiteral("%1, images %2 to %3: %4")
               .arg(CameraName(a.channel, f.cameras.count(a.channel) ? f.cameras.at(a.channel).title : std::string()))
               .arg(a.from)
               .arg(a.to)
               .arg(QString::fromLatin1(TimelineAnomalyName(a.kind))),
           9, false, 8);
      Line(Text(a.detail), 8, false, 20);
    }
  }

  void DrawStrips() {
    Line(QStringLiteral("Time line per camera"), 16, true);
    Line(QStringLiteral("Images in list order, 1 to %1: red marks a problem image, amber a gap.")
             .arg(findings_.lastNumber),
         9);
    y_ += 10;
    const double left = kMargin;
    const double span = width_ - 2 * kMargin;
    const double scale = findings_.lastNumber > 1 ? span / (findings_.lastNumber - 1) : 0;
    const auto x = [&](int number) { return left + (number - 1) * scale; };
    for (const auto& [channel, camera] : findings_.cameras) {
      if (!Room(50)) {
        NewPage();
      }
      Line(CameraName(channel, camera.title) +
               QStringLiteral(" (images %1, problems %2, gaps %3)").arg(camera.images).arg(camera.problems).arg(camera.gaps),
           10, true);
      const QRectF bar(left, y_, span, 16);
      painter_.fillRect(bar, QColor(225, 225, 225));
      for (const auto& [from, to] : camera.gapSpans) {
        painter_.fillRect(QRectF(x(from), bar.top(), std::max(2.0, x(to) - x(from)), bar.height()), kGapAmber);
      }
      for (int number : camera.problemNumbers) {
        painter_.fillRect(QRectF(x(number) - 0.75, bar.top() - 2, 1.5, bar.height() + 4), kAlteredRed);
      }
      painter_.setPen(QColor(120, 120, 120));
      painter_.drawRect(bar);
      y_ += bar.height() + 14;
    }
  }

  // Whether the bookmarks could be read is said on page 1, so that a report
  // without a bookmarks page is never taken for a recording without any.
  void DrawCaseFileLine() {
    // Paths go in the fixed face, as on the rest of the report.
    const CaseBookmarks& c = reportCase_;
    if (c.path.empty()) return;
    if (!c.problem.empty()) {
      Line(QStringLiteral("Bookmarks cannot be listed:"), 9, false, 0, Face::Sans, kAlteredRed);
      Line(Text(c.problem), 8, false, 8, Face::Mono, kAlteredRed);
      return;
    }
    const long count = static_cast<long>(c.bookmarks.size());
    Line(count == 0 ? QStringLiteral("Case file (no bookmarks of this recording):")
                    : QStringLiteral("Case file (%1 %2 of this recording, listed after the time lines):")
                          .arg(count)
                          .arg(count == 1 ? QStringLiteral("bookmark") : QStringLiteral("bookmarks")),
         9);
    Line(Text(c.path), 8, false, 8, Face::Mono);
  }

  void DrawBookmarksHeading(bool continued) {
    Line(continued ? QStringLiteral("Bookmarks (continued)") : QStringLiteral("Bookmarks"), 16, true);
    Line(QStringLiteral("By camera and number, each picture drawn from the file as it is now; from the case file"), 9);
    Line(Text(reportCase_.path), 8, false, 0, Face::Mono);
    y_ += 6;
  }

  void DrawBookmarks() {
    DrawBookmarksHeading(false);
    const double pictureHeight = kBookmarkPictureWidth * 3 / 4;
    for (const Bookmark& bookmark : reportCase_.bookmarks) {
      if (!Room(pictureHeight + 10)) {
        NewPage();
        DrawBookmarksHeading(true);
      }
      const double top = y_;
      const QImage picture = BookmarkPicture(reportCase_.folder, bookmark);
      const QRectF box(kMargin, top, kBookmarkPictureWidth, pictureHeight);
      if (picture.isNull()) {
        painter_.setPen(QColor(120, 120, 120));
        painter_.drawRect(box);
        painter_.setFont(ReportFont(8, false, Face::Sans));
        painter_.drawText(box, Qt::AlignCenter | Qt::TextWordWrap, QStringLiteral("the image file cannot be read"));
      } else {
        const double h = std::min(pictureHeight, kBookmarkPictureWidth * picture.height() / picture.width());
        painter_.drawImage(QRectF(kMargin, top, kBookmarkPictureWidth, h), picture);
      }
      DrawBookmarkText(bookmark, kBookmarkPictureWidth + 12);
      y_ = std::max(y_, top + pictureHeight) + 12;
    }
  }

  void DrawBookmarkText(const Bookmark& bookmark, double indent) {
    const BookmarkPlace& place = bookmark.place;
    Line(QStringLiteral("%1, image %2").arg(BookmarkCamera(place.camera)).arg(place.number), 10, true, indent);
    if (bookmark.differs) {
      Line(QStringLiteral("Made while this folder held other content: the recording differs from it"), 9, true,
           indent, Face::Sans, kAlteredRed);
    }
    Line(QStringLiteral("Time: ") +
             (place.recordTime != 0 ? Text(FormatIsoTime(place.recordTime)) : QStringLiteral("none")),
         9, false, indent);
    Line(QStringLiteral("Note: ") + (bookmark.note.empty() ? QStringLiteral("(none)") : Text(bookmark.note)), 9,
         false, indent);
    QString made = QStringLiteral("By %1, %2").arg(Text(bookmark.author), Text(bookmark.created));
    if (!bookmark.edited.empty()) made += QStringLiteral(", note edited ") + Text(bookmark.edited);
    Line(made, 8, false, indent);
    Line(QStringLiteral("File: ") + Text(place.file), 8, false, indent, Face::Mono);
  }

  void DrawProblem(const ProblemImage& problem, std::size_t ordinal) {
    const CheckedImage& image = problem.image;
    Line(QStringLiteral("Problem %1 of %2: image %3 - %4")
             .arg(ordinal)
             .arg(static_cast<long>(findings_.problems.size()) + findings_.problemsLeftOut)
             .arg(image.number)
             .arg(Text(problem.verdict)),
         14, true);
    y_ += 4;
    const QImage picture = ViewerPicture(image);
    if (!picture.isNull()) {
      const double w = width_ - 2 * kMargin;
      const double h = std::min(w * picture.height() / picture.width(), height_ * 0.55);
      const QRectF target(kMargin, y_, h * picture.width() / picture.height(), h);
      painter_.drawImage(target, picture);
      y_ += h + 14;
    }
    const auto field = [&](const char* name, const QString& value) {
      Line(QString::fromLatin1(name).leftJustified(9, QLatin1Char(' ')) + value, 9, false, 0, Face::Mono);
    };
    // The viewer's summary counts files, its panel places in a camera's list.
    QString number = QString::number(image.number);
    if (image.cameraNumber > 0) {
      number += QStringLiteral(" (image %1 of %2)").arg(image.cameraNumber).arg(CameraName(image.channel, {}));
    }
    field("Number", number);
    field("Camera", CameraName(image.channel, image.title));
    field("File", Text(image.path));
    field("Status", QStringLiteral("%1 (%2)").arg(image.status).arg(Text(problem.verdict)));
    field("Time", image.time != 0 ? Text(FormatIsoTime(image.time)) : QStringLiteral("none"));
    field("Stamp", image.stampKnown ? QStringLiteral("%1 ms").arg(image.stamp) : QStringLiteral("unknown"));
    field("SHA-256", image.hashed ? Text(HexDigest(image.sha256)) : QStringLiteral("file could not be read"));
  }

  QPdfWriter& writer_;
  const ReportFindings& findings_;
  const CaseBookmarks& reportCase_;
  QPainter painter_;
  double width_ = 0;
  double height_ = 0;
  double y_ = kMargin;
};

}  // namespace

bool WriteCheckReport(const std::string& file, const ReportFindings& findings, const CaseBookmarks& reportCase,
                      std::string& error) {
  OutputFile output;
  if (!output.Create(file)) {
    error = output.ErrorText();
    return false;
  }
  // The painter writes through Qt's file on our descriptor, which keeps the
  // cause of a failed write; the temporary takes the name only when whole.
  QFile device;
  if (!device.open(output.Descriptor(), QIODevice::WriteOnly, QFileDevice::DontCloseHandle)) {
    error = device.errorString().toStdString();
    return false;
  }
  {
    QPdfWriter writer(&device);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setResolution(kPointsPerInch);
    writer.setTitle(QStringLiteral("Recording check report: ") + Text(findings.path));
    writer.setCreator(QStringLiteral("selvo-check ") + Text(findings.version));
    ReportPages pages(writer, findings, reportCase);
    if (!pages.Started()) {
      error = device.error() != QFileDevice::NoError ? device.errorString().toStdString() : "cannot draw the report";
      return false;
    }
    pages.Draw();
  }
  device.flush();
  if (device.error() != QFileDevice::NoError || device.size() <= 0) {
    error = device.error() != QFileDevice::NoError ? device.errorString().toStdString() : "nothing was drawn";
    return false;
  }
  device.close();
  if (!output.Commit()) {
    error = output.ErrorText();
    return false;
  }
  return true;
}

}  // namespace selvo

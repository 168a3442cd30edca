// The recording identity: a copy elsewhere is the same recording; a file
// changed, added, removed or renamed makes another; and the full identity
// is the one the documented shell line computes.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "case/RecordingIdentity.h"
#include "tests/CommandRun.h"
#include "tests/SmallRecording.h"

namespace selvo {
namespace {

using test::TestFolder;
namespace fs = std::filesystem;

// Forty images (more than the sample of sixteen), an INFO index and time.txt.
std::string WriteRecording(const TestFolder& scratch, const std::string& name) {
  std::vector<test::SmallFrame> frames(40);
  for (std::size_t i = 0; i < frames.size(); ++i) frames[i].channel = static_cast<int>(i % 4);
  return test::WriteSmallRecording(scratch, name, frames, true, 16, 16, true);
}

void FlipByte(const std::string& path, std::size_t offsetFromEnd) {
  std::vector<std::uint8_t> bytes = test::ReadFileBytes(path);
  bytes[bytes.size() - 1 - offsetFromEnd] ^= 0x01;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

std::string Quick(const std::string& folder) {
  auto identity = RecordingIdentity::Of(folder);
  EXPECT_TRUE(identity) << identity.message();
  return identity ? identity.value().quick : std::string();
}

std::string Full(const std::string& folder) {
  auto full = RecordingIdentity::FullOf(folder);
  EXPECT_TRUE(full) << full.message();
  return full ? full.value() : std::string();
}

TEST(RecordingIdentity, ACopyAtAnotherPathIsTheSameRecording) {
  TestFolder scratch;
  const std::string original = WriteRecording(scratch, "original");
  const std::string copy = scratch / "elsewhere/copy";
  fs::create_directories(copy);
  fs::copy(original, copy, fs::copy_options::recursive);
  auto a = RecordingIdentity::Of(original);
  auto b = RecordingIdentity::Of(copy + "/.");
  ASSERT_TRUE(a && b);
  EXPECT_EQ(a.value().quick, b.value().quick);
  EXPECT_EQ(a.value().quick.substr(0, 2), "1:");
  EXPECT_EQ(a.value().files, 42);
  EXPECT_EQ(b.value().folder, fs::canonical(copy).string());
  EXPECT_EQ(Full(original), Full(copy));
}

TEST(RecordingIdentity, AnyFileChangedAddedRemovedOrRenamedIsToldApart) {
  struct Change {
    const char* what;
    std::function<void(const TestFolder&, const std::string& folder)> apply;
    bool quickSees;  // false: only the full identity is claimed to see it
  };
  const Change changes[] = {
      {"a byte of time.txt", [](const TestFolder&, const std::string& f) { FlipByte(f + "/time.txt", 2); }, true},
      {"a byte of the INFO index", [](const TestFolder&, const std::string& f) { FlipByte(f + "/INFO/REC.INF", 3); },
       true},
      {"a byte of the first image", [](const TestFolder&, const std::string& f) { FlipByte(f + "/IMG00001/IMG00001.jpg", 40); },
       true},
      {"a byte of the last image", [](const TestFolder&, const std::string& f) { FlipByte(f + "/IMG00001/IMG00040.jpg", 0); },
       true},
      {"an image outside the sample grown by a byte",
       [](const TestFolder&, const std::string& f) {
         std::FILE* file = std::fopen((f + "/IMG00001/IMG00002.jpg").c_str(), "ab");
         std::fputc(0, file);
         std::fclose(file);
       },
       true},
      {"a file added", [](const TestFolder& s, const std::string&) { s.Write("rec/IMG00001/notes.txt", ""); }, true},
      {"an image removed", [](const TestFolder&, const std::string& f) { fs::remove(f + "/IMG00001/IMG00017.jpg"); },
       true},
      {"an image renamed",
       [](const TestFolder&, const std::string& f) {
         fs::rename(f + "/IMG00001/IMG00017.jpg", f + "/IMG00001/IMG00099.jpg");
       },
       true},
      // Same size, outside the sample: what the quick identity does not read.
      // The trailer check names the image altered; the full identity differs.
      {"a byte of an image outside the sample, same size",
       [](const TestFolder&, const std::string& f) { FlipByte(f + "/IMG00001/IMG00002.jpg", 40); }, false},
  };
  for (const Change& change : changes) {
    SCOPED_TRACE(change.what);
    TestFolder scratch;
    const std::string folder = WriteRecording(scratch, "rec");
    const std::string quickBefore = Quick(folder);
    const std::string fullBefore = Full(folder);
    change.apply(scratch, folder);
    EXPECT_EQ(Quick(folder) != quickBefore, change.quickSees);
    EXPECT_NE(Full(folder), fullBefore);
  }
}

TEST(RecordingIdentity, FullIdentityIsTheDocumentedShellLineAndLinksAreNotFollowed) {
  TestFolder scratch;
  const std::string folder = WriteRecording(scratch, "rec");
  scratch.Write("rec/odd\\name.txt", "backslash");
  scratch.Write("rec/line\nbreak.txt", "newline");
  const std::string outside = scratch.Write("outside.txt", "outside the recording");
  fs::create_symlink(outside, folder + "/link.txt");
  const auto shell = test::RunCommand("cd '" + folder +
                                      "' && find . -type f -printf '%P\\0' | LC_ALL=C sort -z | xargs -0 sha256sum "
                                      "| sha256sum");
  ASSERT_EQ(shell.exitCode, 0);
  EXPECT_EQ(Full(folder), shell.out.substr(0, 64));

  const std::string quick = Quick(folder);
  scratch.Write("outside.txt", "changed, but outside the recording");
  EXPECT_EQ(Quick(folder), quick);
  fs::remove(folder + "/link.txt");
  fs::create_symlink(scratch / "elsewhere.txt", folder + "/link.txt");
  EXPECT_NE(Quick(folder), quick);
}

TEST(RecordingIdentity, WhatIsNoRecordingFolderIsAFailureWithAMessage) {
  TestFolder scratch;
  const std::string file = scratch.Write("file.jpg", "not a folder");
  for (const std::string& path : {scratch / "missing", file}) {
    auto identity = RecordingIdentity::Of(path);
    ASSERT_FALSE(identity);
    EXPECT_NE(identity.message().find(path), std::string::npos) << identity.message();
    EXPECT_FALSE(RecordingIdentity::FullOf(path));
  }
}

}  // namespace
}  // namespace selvo

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "source/MediaProbe.h"
#include "source/SoundFile.h"
#include "tests/TestFolder.h"

namespace selvo {
namespace {

using test::TestFolder;
using Names = std::vector<std::string>;

void Touch(const TestFolder& folder, const Names& names) {
  for (const std::string& name : names) folder.Write(name, "x");
}

TEST(MediaProbe, CombinesSoundAndImageKinds) {
  struct Case {
    const char* what;
    Names files;
    bool result;
    MediaKind kind;  // jp2, jpeg, jp2Wave
  } cases[] = {
      {"JPEG alone", {"a.jpg"}, true, {0, 1, 0}},
      {"JPEG 2000 alone", {"a.jp2"}, true, {1, 0, 0}},
      {"wave and JPEG", {"sound.wav", "IMG00001/a.jpg"}, true, {0, 1, 0}},
      {"wave and JPEG 2000", {"SOUND/sound.wav", "IMG00001/a.jp2"}, true, {0, 0, 1}},
      {"mp3 decides JPEG 2000 whatever the images", {"SOUND/sound.mp3", "IMG00001/a.jpg"}, true, {1, 0, 0}},
      {"wave without images: done, nothing to open", {"sound.wav"}, true, {0, 0, 0}},
      {"both sounds: wave wins", {"sound.mp3", "sound.wav", "a.jp2"}, true, {0, 0, 1}},
      {"first subfolder before the folder itself", {"IMG00001/a.jp2", "b.jpg"}, true, {1, 0, 0}},
      {"images only in a second subfolder", {"IMG00002/a.jpg"}, false, {0, 0, 0}},
      {"names in any case", {"Sound/SOUND.WAV", "img00001/IMG0001.JPG"}, true, {0, 1, 0}},
      {"a folder named like an image", {"x.jpg/inside.txt"}, false, {0, 0, 0}},
      {"nothing", {"notes.txt"}, false, {0, 0, 0}},
  };
  for (const Case& c : cases) {
    TestFolder folder;
    Touch(folder, c.files);
    MediaProbe probe(folder.Path());
    EXPECT_EQ(probe.Probe(), c.result) << c.what;
    const MediaKind& kind = probe.Kind();
    EXPECT_EQ((std::vector<int>{kind.jp2, kind.jpeg, kind.jp2Wave}),
              (std::vector<int>{c.kind.jp2, c.kind.jpeg, c.kind.jp2Wave}))
        << c.what;
  }
  MediaProbe missing("/no/such/folder");
  EXPECT_FALSE(missing.Probe());
}

TEST(FindSoundFile, TakesTheFirstOfWaveBesideWaveInSoundMp3BesideMp3InSound) {
  struct Case {
    Names files;
    SoundKind kind;
    const char* found;
  } cases[] = {
      {{"SOUND/sound.wav", "sound.wav", "sound.mp3"}, kWaveSound, "sound.wav"},
      {{"SOUND/sound.mp3", "SOUND/Sound.WAV", "sound.mp3"}, kWaveSound, "SOUND/Sound.WAV"},
      {{"SOUND/sound.mp3", "sound.MP3"}, kMp3Sound, "sound.MP3"},
      {{"sound/SOUND.mp3"}, kMp3Sound, "sound/SOUND.mp3"},
      {{"music.wav", "sound.wav/x"}, kNoSound, ""},
  };
  for (const Case& c : cases) {
    TestFolder folder;
    Touch(folder, c.files);
    std::string path = "stale";
    EXPECT_EQ(FindSoundFile(folder.Path(), path), c.kind) << c.found;
    EXPECT_EQ(path, c.kind == kNoSound ? std::string() : folder / c.found);
  }
}

}  // namespace
}  // namespace selvo

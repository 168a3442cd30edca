#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "source/ByteOrder.h"
#include "source/DiscDriveList.h"
#include "source/DiscImageFileDevice.h"
#include "source/DiscReader.h"
#include "source/Notifier.h"
#include "source/SgIoDiscDevice.h"
#include "source/text/UiLanguage.h"
#include "tests/BoundedRun.h"
#include "tests/TestFolder.h"

namespace selvo {
namespace {

// A scripted drive: answers TEST UNIT READY with "not ready" a set number of
// times, fails reads of chosen blocks, and keeps every command it was sent.
struct DriveScript {
  int openError = 0;
  int commandError = 0;  // the system call fails with this errno for every command
  int notReadyAnswers = 0;
  std::map<std::uint32_t, int> readFailures;  // block -> failures left (-1: always)
  bool shortTransfer = false;
  std::string inquiryName = "VENDOR  PRODUCT NAME    ";
  std::vector<std::vector<std::uint8_t>> commands;
  std::vector<std::uint32_t> dataLengths;
  std::vector<unsigned> readTimeouts;
  std::vector<std::string> opened;
};

class FakeTransport : public ScsiTransport {
 public:
  explicit FakeTransport(DriveScript& script) : script_(script) {}
  int Open(const std::string& path) override {
    script_.opened.push_back(path);
    open_ = script_.openError == 0;
    return script_.openError;
  }
  void Close() override { open_ = false; }
  bool IsOpen() const override { return open_; }
  ScsiReply Execute(const ScsiCommand& command, std::uint8_t* data) override {
    script_.commands.emplace_back(command.Cdb(), command.Cdb() + command.CdbLength());
    script_.dataLengths.push_back(command.DataLength());
    ScsiReply reply;
    if (script_.commandError != 0) {
      reply.error = script_.commandError;
      return reply;
    }
    reply.delivered = true;
    reply.good = true;
    switch (command.Opcode()) {
      case ScsiCommand::kOpTestUnitReady:
        if (script_.notReadyAnswers > 0) {
          --script_.notReadyAnswers;
          FailWithSense(reply, 0x02, 0x04);
        }
        break;
      case ScsiCommand::kOpRead10:
        script_.readTimeouts.push_back(command.TimeoutMs());
        Read(ReadBe32(command.Cdb() + 2), data, reply);
        break;
      case ScsiCommand::kOpInquiry:
        std::memset(data, 0, command.DataLength());
        data[4] = 31;
        std::memcpy(data + 8, script_.inquiryName.data(), script_.inquiryName.size());
        break;
      default: break;
    }
    return reply;
  }

 private:
  static void FailWithSense(ScsiReply& reply, std::uint8_t key, std::uint8_t asc) {
    reply.good = false;
    reply.scsiStatus = 2;
    reply.sense[0] = 0x70;
    reply.sense[2] = key;
    reply.sense[12] = asc;
    reply.senseLength = 18;
  }
  void Read(std::uint32_t lba, std::uint8_t* data, ScsiReply& reply) {
    auto failure = script_.readFailures.find(lba);
    if (failure != script_.readFailures.end() && failure->second != 0) {
      if (failure->second > 0) --failure->second;
      FailWithSense(reply, 0x03, 0x11);
      return;
    }
    std::memset(data, static_cast<int>(lba & 0xFF), 2048);
    if (script_.shortTransfer) reply.residual = 1024;
  }

  DriveScript& script_;
  bool open_ = false;
};

struct FakeDrive {
  DriveScript script;
  std::vector<int> waits;
  std::unique_ptr<SgIoDiscDevice> Device(std::vector<std::string> drives = {"/dev/sr0"}) {
    return std::make_unique<SgIoDiscDevice>(std::make_unique<FakeTransport>(script),
                                            [this](int ms) { waits.push_back(ms); }, std::move(drives));
  }
  int CountOpcode(std::uint8_t opcode) const {
    int count = 0;
    for (const auto& cdb : script.commands) count += cdb[0] == opcode ? 1 : 0;
    return count;
  }
};

TEST(SgIoDiscDevice, ReadsEachBlockWithItsOwnOneBlockRead10) {
  FakeDrive drive;
  auto device = drive.Device();
  std::vector<std::uint8_t> dest(3 * 2048, 0xAA);
  EXPECT_EQ(device->Read(dest.data(), 1), RawDiscDevice::kNotAvailable);  // not open yet

  ASSERT_EQ(device->OpenByPath("/dev/sr0"), RawDiscDevice::kSuccess);
  drive.script.commands.clear();
  drive.script.dataLengths.clear();
  device->SetLba(0x010200FF);
  ASSERT_EQ(device->Read(dest.data(), 2), RawDiscDevice::kSuccess);
  ASSERT_EQ(drive.script.commands.size(), 2u);
  EXPECT_EQ(drive.script.commands[0], (std::vector<std::uint8_t>{0x28, 0, 0x01, 0x02, 0x00, 0xFF, 0, 0, 1, 0}));
  EXPECT_EQ(drive.script.commands[1], (std::vector<std::uint8_t>{0x28, 0, 0x01, 0x02, 0x01, 0x00, 0, 0, 1, 0}));
  EXPECT_EQ(drive.script.dataLengths, (std::vector<std::uint32_t>{2048, 2048}));
  EXPECT_EQ(dest[0], 0xFF);
  EXPECT_EQ(dest[2048], 0x00);
  EXPECT_EQ(dest[4096], 0xAA);
  EXPECT_EQ(device->Lba(), 0x01020101u);

  // Counts the interface does not allow are refused before anything is sent.
  for (int count : {0, RawDiscDevice::kMaxBlocksPerRead + 1, -1}) EXPECT_EQ(device->Read(dest.data(), count), RawDiscDevice::kCommandFailed) << count;
  EXPECT_EQ(drive.script.commands.size(), 2u);
}

TEST(SgIoDiscDevice, FailedOrShortReadLeavesDestinationAndAddressAlone) {
  for (bool shortTransfer : {false, true}) {
    FakeDrive drive;
    drive.script.readFailures[7] = -1;
    drive.script.shortTransfer = shortTransfer;
    auto device = drive.Device();
    ASSERT_EQ(device->OpenByPath("/dev/sr0"), RawDiscDevice::kSuccess);
    std::vector<std::uint8_t> dest(2048, 0xAA);
    device->SetLba(shortTransfer ? 3 : 7);
    EXPECT_EQ(device->Read(dest.data(), 1), RawDiscDevice::kCommandFailed);
    EXPECT_EQ(dest, std::vector<std::uint8_t>(2048, 0xAA));
    EXPECT_EQ(device->Lba(), shortTransfer ? 3u : 7u);
  }
}

TEST(SgIoDiscDevice, DriveThatBecomesReadyAfterTenTriesIsOpened) {
  FakeDrive drive;
  drive.script.notReadyAnswers = 10;
  auto device = drive.Device();
  EXPECT_EQ(device->OpenByPath("/dev/sr0"), RawDiscDevice::kSuccess);
  EXPECT_EQ(drive.CountOpcode(ScsiCommand::kOpTestUnitReady), 11);
  EXPECT_EQ(drive.waits, std::vector<int>(10, 1000));
  EXPECT_EQ(device->Lba(), 0u);
}

TEST(SgIoDiscDevice, DriveThatNeverBecomesReadyIsGivenUpAsNotReady) {
  struct Case {
    bool byIndex;
    int tries;
  } cases[] = {{false, 26}, {true, 28}};
  for (const Case& c : cases) {
    FakeDrive drive;
    drive.script.notReadyAnswers = 1000;
    auto device = drive.Device();
    const int result = c.byIndex ? device->OpenByIndex(0) : device->OpenByPath("/dev/sr0");
    EXPECT_EQ(result, RawDiscDevice::kOpenFailed);
    EXPECT_EQ(device->LastError(), RawDiscDevice::kErrorNotReady);
    EXPECT_EQ(drive.CountOpcode(ScsiCommand::kOpTestUnitReady), c.tries);
    EXPECT_EQ(drive.waits.size(), static_cast<std::size_t>(c.tries - 1));
    EXPECT_FALSE(device->IsOpen());
  }
}

// /dev/null or a loop device answers SG_IO with ENOTTY; no drive answers
// so, and no wait makes one of it.
TEST(SgIoDiscDevice, DeviceThatTakesNoScsiCommandIsNoDriveAndIsNotWaitedOn) {
  for (int error : {ENOTTY, ENOSYS, EIO}) {
    FakeDrive drive;
    drive.script.commandError = error;
    auto device = drive.Device();
    EXPECT_EQ(device->OpenByPath("/dev/null"), RawDiscDevice::kOpenFailed);
    const bool noDrive = error != EIO;
    EXPECT_EQ(device->LastError(), noDrive ? RawDiscDevice::kErrorNotADrive : EIO) << error;
    EXPECT_EQ(drive.waits.size(), noDrive ? 0u : 25u) << error;
  }
}

TEST(SgIoDiscDevice, OpenByIndexCountsInTheDriveListAndStartsTheDisc) {
  FakeDrive drive;
  auto device = drive.Device({"/dev/sr0", "/dev/sr3"});
  EXPECT_EQ(device->OpenByIndex(2), RawDiscDevice::kOpenFailed);
  EXPECT_TRUE(drive.script.opened.empty());
  ASSERT_EQ(device->OpenByIndex(1), RawDiscDevice::kSuccess);
  EXPECT_EQ(drive.script.opened, std::vector<std::string>{"/dev/sr3"});
  EXPECT_EQ(drive.CountOpcode(ScsiCommand::kOpStartStopUnit), 1);

  FakeDrive empty;
  empty.script.openError = ENOMEDIUM;
  auto noDisc = empty.Device();
  EXPECT_EQ(noDisc->OpenByPath("/dev/sr0"), RawDiscDevice::kOpenFailed);
  EXPECT_EQ(noDisc->LastError(), RawDiscDevice::kErrorNotReady);
}

TEST(SgIoDiscDevice, ReaderTriesAFailingBlockFourTimesBeforeGivingUp) {
  struct Case {
    int failures;
    bool read;
  } cases[] = {{3, true}, {-1, false}};
  for (const Case& c : cases) {
    FakeDrive drive;
    drive.script.readFailures[600] = c.failures;  // logical sector 600 lies in block 600
    RecordingNotifier notifier;
    DiscReader reader(notifier, [&drive](const std::string&) { return drive.Device(); });
    ASSERT_TRUE(reader.OpenByPath("/dev/sr0"));
    EXPECT_EQ(reader.SeekTo(600 * 2048, DiscReader::kSeekFromStart), c.read);
    EXPECT_EQ(drive.CountOpcode(ScsiCommand::kOpRead10), 4);
    EXPECT_EQ(reader.IsNotReady(), !c.read);
    EXPECT_EQ(notifier.Count(), c.read ? 0 : 1);
  }
}

// A scratched sector must not hold the window for the full command timeout
// on every try: only the first may wait for a disc spinning up.
TEST(SgIoDiscDevice, RetriesOfAFailedSectorWaitFiveSecondsNotTheFullTimeout) {
  FakeDrive drive;
  drive.script.readFailures[600] = -1;
  RecordingNotifier notifier;
  DiscReader reader(notifier, [&drive](const std::string&) { return drive.Device(); });
  ASSERT_TRUE(reader.OpenByPath("/dev/sr0"));
  drive.script.readTimeouts.clear();
  EXPECT_FALSE(reader.SeekTo(600 * 2048, DiscReader::kSeekFromStart));
  EXPECT_EQ(drive.script.readTimeouts, (std::vector<unsigned>{200000, 5000, 5000, 5000}));

  // The next sector is a fresh read: the full wait again.
  drive.script.readTimeouts.clear();
  EXPECT_TRUE(reader.SeekTo(601 * 2048, DiscReader::kSeekFromStart));
  EXPECT_EQ(drive.script.readTimeouts, std::vector<unsigned>{200000});
}

// "Drive not ready" is only one reason an open fails; every other one is
// told too, with the device or file it concerns.
TEST(DiscReader, OpenThatFailsSaysWhyAndNamesTheDriveOrFile) {
  test::TestFolder folder;
  const std::string missing = folder / "missing.img";
  struct Case {
    std::string path;
    int openError;  // -1: the real file device
    std::string expected;
  } cases[] = {
      {"/dev/null", EACCES,
       "Cannot open \"/dev/null\": " + std::string(std::strerror(EACCES)) +
           "\nReading the drive needs membership of the group that owns it (usually \"cdrom\"); log in again after "
           "joining it."},
      {"/dev/sr9", ENXIO, "Cannot open \"/dev/sr9\": " + std::string(std::strerror(ENXIO))},
      {missing, -1, "Cannot open \"" + missing + "\": " + std::string(std::strerror(ENOENT))},
      {folder.Path(), -1, "Cannot open \"" + folder.Path() + "\": " + std::string(std::strerror(EISDIR))},
      {"/dev/sr0", ENOMEDIUM, "drive not ready"},
  };
  for (const Case& c : cases) {
    FakeDrive drive;
    drive.script.openError = c.openError;
    RecordingNotifier notifier;
    DiscReader reader(notifier, [&](const std::string&) -> std::unique_ptr<RawDiscDevice> {
      if (c.openError < 0) return std::make_unique<DiscImageFileDevice>();
      return drive.Device();
    });
    EXPECT_FALSE(reader.OpenByPath(c.path)) << c.path;
    EXPECT_EQ(notifier.Count(), 1) << c.path;
    EXPECT_EQ(notifier.Last(), c.expected);
  }

  // Opened by its place in the drive list, the message names the device.
  FakeDrive listed;
  listed.script.openError = EACCES;
  RecordingNotifier notifier;
  DiscReader reader(notifier, [&](const std::string&) { return listed.Device({"/dev/sr0", "/dev/sr1"}); });
  EXPECT_FALSE(reader.OpenByIndex(1));
  EXPECT_EQ(notifier.Last(), "Cannot open \"/dev/sr1\": " + std::string(std::strerror(EACCES)));
}

TEST(DiscImageFileDevice, ReadsBlocksByAddressAndFailsWhatTheFileDoesNotHold) {
  test::TestFolder folder;
  std::vector<std::uint8_t> bytes(3 * 2048 + 100);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i / 2048 + 1);
  const std::string path = folder.Write("disc.img", bytes);

  DiscImageFileDevice device({1});
  EXPECT_EQ(device.OpenByIndex(0), RawDiscDevice::kOpenFailed);
  ASSERT_EQ(device.OpenByPath(path), RawDiscDevice::kSuccess);
  std::vector<std::uint8_t> block(2 * 2048, 0);
  struct Case {
    std::uint32_t lba;
    int count;
    int result;
    std::uint8_t firstByte;
  } cases[] = {
      {0, 1, RawDiscDevice::kSuccess, 1},
      {2, 1, RawDiscDevice::kSuccess, 3},
      {1, 1, RawDiscDevice::kCommandFailed, 0},  // listed as unreadable
      {3, 1, RawDiscDevice::kCommandFailed, 0},  // only part of it is in the file
      {9, 1, RawDiscDevice::kCommandFailed, 0},  // past the end
      {0, 2, RawDiscDevice::kCommandFailed, 0},  // the second block is unreadable
  };
  for (const Case& c : cases) {
    block.assign(block.size(), 0);
    device.SetLba(c.lba);
    EXPECT_EQ(device.Read(block.data(), c.count), c.result) << c.lba;
    if (c.result == RawDiscDevice::kSuccess) {
      EXPECT_EQ(block[0], c.firstByte) << c.lba;
      EXPECT_EQ(block[2047], c.firstByte) << c.lba;
      EXPECT_EQ(device.Lba(), c.lba + 1);
    } else {
      EXPECT_EQ(device.Lba(), c.lba);
    }
  }

  DiscImageFileDevice missing;
  EXPECT_EQ(missing.OpenByPath(folder / "none.img"), RawDiscDevice::kOpenFailed);
  EXPECT_EQ(missing.LastError(), ENOENT);
  EXPECT_EQ(missing.OpenByPath(folder.Path()), RawDiscDevice::kOpenFailed);
  EXPECT_EQ(missing.LastError(), EISDIR);
}

// A FIFO would block the open until a writer came, then feed endless bytes.
TEST(DiscImageFileDevice, FifoIsRefusedWithoutBlocking) {
  test::TestFolder folder;
  const std::string fifo = folder / "disc.img";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const test::BoundedOutcome outcome = test::RunBounded(
      [&] {
        DiscImageFileDevice device;
        return device.OpenByPath(fifo) == RawDiscDevice::kOpenFailed && device.LastError() == ENOTBLK &&
               !device.IsOpen();
      },
      std::chrono::seconds(1));
  EXPECT_TRUE(outcome.finished && outcome.passed);
}

TEST(DiscDriveList, ListsSrNodesInNumericOrderWithTheirNames) {
  test::TestFolder folder;
  for (const char* name : {"sr10", "sr2", "sr0", "sda", "srx", "sr", "sg1"}) folder.Write(name, std::string());
  EXPECT_EQ(DiscDriveList::FindDrivePaths(folder.Path()),
            (std::vector<std::string>{folder / "sr0", folder / "sr2", folder / "sr10"}));

  DriveScript script;
  const std::vector<DiscDrive> drives =
      DiscDriveList::Scan(folder.Path(), [&script] { return std::make_unique<FakeTransport>(script); });
  ASSERT_EQ(drives.size(), 3u);
  EXPECT_EQ(drives[2].path, folder / "sr10");
  EXPECT_EQ(drives[2].name, "VENDOR  PRODUCT NAME    ");
}

TEST(DiscDriveList, NameFromInquiryKeepsToTheAdditionalLengthAndTheDataReceived) {
  auto inquiry = [](int additionalLength, const std::string& text, std::size_t size) {
    std::vector<std::uint8_t> data(size, 'Z');
    data[4] = static_cast<std::uint8_t>(additionalLength);
    std::memcpy(data.data() + 8, text.data(), std::min(text.size(), size - 8));
    return data;
  };
  const std::string longText(40, 'A');
  struct Case {
    std::vector<std::uint8_t> data;
    bool named;
    std::string name;
  } cases[] = {
      {inquiry(31, "HL-DT-STDVD-RAM GH22NS50", 32), true, "HL-DT-STDVD-RAM GH22NS50"},  // all 32 bytes received
      {inquiry(5, "ABCDEF", 32), true, "AB"},                                             // additional length - 3
      {inquiry(31, std::string("DRIVE\x01XYZ", 9), 32), true, "DRIVE"},                   // stops at a control byte
      {inquiry(60, longText, 48), true, std::string(33, 'A')},                           // never more than 33
      {inquiry(2, "ABCDEF", 32), false, "old"},                                           // too short to hold a name
  };
  for (const Case& c : cases) {
    std::string name = "old";
    EXPECT_EQ(DiscDriveList::NameFromInquiry(c.data.data(), c.data.size(), name), c.named) << c.name;
    EXPECT_EQ(name, c.name);
  }
}

}  // namespace
}  // namespace selvo

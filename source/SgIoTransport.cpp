#include "source/SgIoTransport.h"

#include <fcntl.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

namespace selvo {

SgIoTransport::~SgIoTransport() { Close(); }

int SgIoTransport::Open(const std::string& devicePath) {
  Close();
  const int fd = ::open(devicePath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno != 0 ? errno : EIO;
  fd_ = FileDescriptor(fd);
  return 0;
}

void SgIoTransport::Close() {
  fd_.Close();
}

ScsiReply SgIoTransport::Execute(const ScsiCommand& command, std::uint8_t* data) {
  ScsiReply reply;
  if (!fd_.IsOpen()) return reply;
  sg_io_hdr_t header{};
  header.interface_id = 'S';
  header.cmd_len = static_cast<unsigned char>(command.CdbLength());
  header.cmdp = const_cast<unsigned char*>(command.Cdb());
  header.mx_sb_len = static_cast<unsigned char>(reply.sense.size());
  header.sbp = reply.sense.data();
  header.timeout = command.TimeoutMs();
  if (command.Direction() == ScsiDirection::FromDevice && command.DataLength() > 0) {
    header.dxfer_direction = SG_DXFER_FROM_DEV;
    header.dxfer_len = command.DataLength();
    header.dxferp = data;
  } else {
    header.dxfer_direction = SG_DXFER_NONE;
  }
  int result;
  do {
    result = ::ioctl(fd_.Get(), SG_IO, &header);
  } while (result < 0 && errno == EINTR);
  if (result < 0) {
    reply.error = errno;
    return reply;
  }
  reply.delivered = true;
  reply.scsiStatus = header.status;
  reply.residual = header.resid;
  reply.senseLength = header.sb_len_wr;
  reply.good = (header.info & SG_INFO_OK_MASK) == SG_INFO_OK && header.status == 0 &&
               header.host_status == 0 && header.driver_status == 0;
  return reply;
}

}  // namespace selvo

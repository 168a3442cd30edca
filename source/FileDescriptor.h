#pragma once
// The one owner of an open file descriptor: whatever path a function leaves
// by, the descriptor is closed exactly once. A writer that must know whether
// its data reached the file calls Close and reads the answer; a reader lets
// the destructor close.
namespace selvo {

class FileDescriptor {
 public:
  FileDescriptor() = default;
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor();
  FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.Release()) {}
  FileDescriptor& operator=(FileDescriptor&& other) noexcept;
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;

  bool IsOpen() const { return fd_ >= 0; }
  int Get() const { return fd_; }
  // Closes now; false when the close reported an error (errno says which).
  // Closing a descriptor that is not open succeeds.
  bool Close();
  // Gives up ownership without closing.
  int Release();

 private:
  int fd_ = -1;
};

}  // namespace selvo

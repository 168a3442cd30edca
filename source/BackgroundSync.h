#pragma once
// Syncs a file's written data to the disk on a thread of its own while its
// writer goes on making more, so that the sync at the end, the one an
// investigator waits on before the file counts as kept, is left with only
// the last stretch. One sync at a time: a request while one runs is
// dropped, as the next sync, or the final one, covers those bytes too.
#include <atomic>
#include <thread>

namespace selvo {

class BackgroundSync {
 public:
  BackgroundSync() = default;
  ~BackgroundSync() { Finish(); }
  BackgroundSync(const BackgroundSync&) = delete;
  BackgroundSync& operator=(const BackgroundSync&) = delete;

  // Starts syncing fd's data unless a sync is still running. fd must stay
  // open until Finish.
  void Start(int fd);
  // Waits for a running sync. The errno of the first that failed, 0 when
  // all succeeded; a failure is reported once, as the kernel reports a lost
  // write only once to the descriptor that syncs.
  int Finish();

 private:
  std::thread thread_;                // owned by the writer's thread
  std::atomic<bool> running_{false};  // written by both threads
  std::atomic<int> error_{0};         // first failure, set by the sync thread
};

}  // namespace selvo

#include "source/motion/MotionSearch.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>

#include "source/FileBytes.h"
#include "source/motion/LumaDecoder.h"
#include "source/motion/MotionModel.h"

namespace selvo {

namespace {

constexpr unsigned kMostThreads = 8;
// Small pictures held between two rounds of judging: enough to keep every
// core busy, few enough to keep memory flat. A picture is guessed at full
// HD to size the batch before any is seen.
constexpr std::size_t kBatchBytes = std::size_t{8} << 20;
constexpr std::size_t kGuessedPixels = 1920 * 1080;
constexpr int kMostBatch = 64;

struct Slot {
  std::string path;
  bool done = false;
  bool read = false;
  std::string readProblem;
  LumaOutcome outcome = LumaOutcome::kUndecodable;
  LumaPicture picture;
};

std::string ReadProblemOf(const std::string& path, int error) {
  std::string problem = FileReadProblem(path);
  if (problem.empty()) problem = std::strerror(error != 0 ? error : EIO);
  return problem;
}

}  // namespace

// The decoding threads. Each keeps its own decoder and file buffer; the
// thread that runs the search works too.
class MotionSearch::Workers {
 public:
  Workers(int threads, int scale, MotionRect window) : scale_(scale), window_(window) {
    unsigned count = threads > 0 ? static_cast<unsigned>(threads) : std::thread::hardware_concurrency();
    count = std::max(1u, std::min(count, kMostThreads));
    try {
      for (unsigned i = 1; i < count; ++i) threads_.emplace_back([this] { Loop(); });
    } catch (const std::system_error&) {
      // Fewer threads only make the search slower.
    }
  }

  ~Workers() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& thread : threads_) thread.join();
  }

  int Threads() const { return static_cast<int>(threads_.size()) + 1; }

  // Hands the threads a batch and returns at once: the calling thread
  // judges the batch before while they decode this one.
  void Start(std::vector<Slot>& slots, const std::atomic<bool>* cancel) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      slots_ = &slots;
      cancel_ = cancel;
      next_ = 0;
      busy_ = static_cast<int>(threads_.size());
      ++round_;
    }
    wake_.notify_all();
  }

  // Decodes what is left of the batch on the calling thread too, and
  // returns when every image of it is done.
  void Finish() {
    Work(ownDecoder_, ownBytes_);
    std::unique_lock<std::mutex> lock(mutex_);
    finished_.wait(lock, [this] { return busy_ == 0; });
    slots_ = nullptr;
  }

 private:
  void Loop() {
    LumaDecoder decoder;
    std::vector<std::uint8_t> bytes;
    unsigned seen = 0;
    for (;;) {
      {
        std::unique_lock<std::mutex> lock(mutex_);
        wake_.wait(lock, [&] { return stopping_ || round_ != seen; });
        if (stopping_) return;
        seen = round_;
      }
      Work(decoder, bytes);
      std::lock_guard<std::mutex> lock(mutex_);
      if (--busy_ == 0) finished_.notify_one();
    }
  }

  void Work(LumaDecoder& decoder, std::vector<std::uint8_t>& bytes) {
    std::vector<Slot>& slots = *slots_;
    for (std::size_t i = next_++; i < slots.size(); i = next_++) {
      if (cancel_ != nullptr && cancel_->load()) return;
      Decode(decoder, bytes, slots[i]);
    }
  }

  void Decode(LumaDecoder& decoder, std::vector<std::uint8_t>& bytes, Slot& slot) const {
    try {
      errno = 0;
      slot.read = ReadWholeFile(slot.path, bytes);
      if (!slot.read) {
        slot.readProblem = ReadProblemOf(slot.path, errno);
      } else {
        slot.outcome = decoder.Decode(bytes.data(), bytes.size(), scale_, window_, slot.picture);
      }
    } catch (const std::exception&) {
      // Out of memory for one image: that image is skipped, the search goes on.
      slot.read = false;
      slot.readProblem = "out of memory";
    }
    slot.done = true;
  }

  const int scale_;
  const MotionRect window_;
  LumaDecoder ownDecoder_;
  std::vector<std::uint8_t> ownBytes_;
  std::vector<std::thread> threads_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable finished_;
  std::vector<Slot>* slots_ = nullptr;
  const std::atomic<bool>* cancel_ = nullptr;
  std::atomic<std::size_t> next_{0};
  unsigned round_ = 0;
  int busy_ = 0;
  bool stopping_ = false;
};

std::string MotionAreaProblem(const MotionSettings& settings, int pictureWidth, int pictureHeight) {
  for (const MotionRect& area : settings.areas) {
    if (!area.FitsIn(pictureWidth, pictureHeight)) {
      return "the area " + MotionRectText(area) + " does not lie on the " + std::to_string(pictureWidth) + " x " +
             std::to_string(pictureHeight) + " picture";
    }
  }
  return {};
}

MotionSearch::MotionSearch(MotionSettings settings, int threads)
    : settings_(std::move(settings)),
      workers_(std::make_unique<Workers>(threads, MotionScaleFor(settings_.areas), MotionWindowFor(settings_.areas))) {}

MotionSearch::~MotionSearch() = default;

MotionSearchResult MotionSearch::Run(const MotionImageList& images, int first, int last,
                                     MotionSearchObserver* observer, const std::atomic<bool>* cancel) {
  MotionSearchResult result;
  result.first = first;
  result.scale = MotionScaleFor(settings_.areas);
  last = std::min(last, images.Count() - 1);
  if (first < 0 || first > last || settings_.areas.empty()) return result;
  const int total = last - first + 1;
  const std::size_t pictureBytes = kGuessedPixels / static_cast<std::size_t>(result.scale * result.scale);
  const int batchSize =
      std::clamp(static_cast<int>(kBatchBytes / pictureBytes), 2 * workers_->Threads(), kMostBatch);

  MotionModel model(settings_);
  MotionEventGrouper grouper(settings_.sensitivity);
  MotionEvent ended;
  int done = 0;
  auto note = [&](int index, MotionActivity activity) {
    if (keepActivity_) result.activity.push_back(activity);
    if (grouper.Add(index, activity, ended)) {
      result.events.push_back(ended);
      if (observer != nullptr) observer->OnEvent(ended);
    }
    ++done;
  };
  auto skip = [&](int index, const Slot& slot, std::string reason) {
    ++result.skipped;
    if (observer != nullptr) observer->OnSkipped(MotionSkip{index, slot.path, std::move(reason)});
    note(index, kSkippedActivity);
  };
  // Judges one decoded image; false when the areas do not lie on the first
  // picture, which ends the search before anything was found.
  auto judge = [&](int index, const Slot& slot) {
    if (!slot.read) {
      skip(index, slot, slot.readProblem);
      return true;
    }
    if (slot.outcome != LumaOutcome::kDecoded) {
      skip(index, slot, LumaOutcomeText(slot.outcome));
      return true;
    }
    const LumaPicture& picture = slot.picture;
    std::string problem = MotionAreaProblem(settings_, picture.pictureWidth, picture.pictureHeight);
    if (!problem.empty() && result.searched == 0) {
      result.areaProblem = problem;
      return false;
    }
    if (!problem.empty()) {
      skip(index, slot, problem);
      return true;
    }
    if (result.searched++ == 0) {
      result.pictureWidth = picture.pictureWidth;
      result.pictureHeight = picture.pictureHeight;
    }
    note(index, ActivityOfShare(model.Judge(picture)));
    return true;
  };
  auto fill = [&](std::vector<Slot>& slots, int start) {
    const int count = std::min(batchSize, last - start + 1);
    slots.resize(static_cast<std::size_t>(count));
    for (int k = 0; k < count; ++k) {
      Slot& slot = slots[static_cast<std::size_t>(k)];
      slot.path = images.PathAt(start + k);
      slot.done = slot.read = false;
      slot.readProblem.clear();
    }
  };
  auto cancelled = [cancel] { return cancel != nullptr && cancel->load(); };

  std::vector<Slot> current, following;
  fill(current, first);
  workers_->Start(current, cancel);
  workers_->Finish();
  for (int start = first;;) {
    const int next = start + static_cast<int>(current.size());
    const bool more = next <= last && !cancelled();
    if (more) {
      fill(following, next);
      workers_->Start(following, cancel);
    }
    bool going = true;
    for (std::size_t k = 0; k < current.size() && going; ++k) {
      if (!current[k].done || cancelled()) {
        result.cancelled = true;
        going = false;
      } else {
        going = judge(start + static_cast<int>(k), current[k]);
      }
    }
    if (more) workers_->Finish();
    if (!result.areaProblem.empty()) return result;
    if (observer != nullptr) observer->OnProgress(done, total);
    if (!going || !more) {
      result.cancelled = result.cancelled || (next <= last && cancelled());
      break;
    }
    std::swap(current, following);
    start = next;
  }
  if (grouper.Finish(ended)) {
    result.events.push_back(ended);
    if (observer != nullptr) observer->OnEvent(ended);
  }
  result.sceneChanges = model.SceneChanges();
  return result;
}

}  // namespace selvo

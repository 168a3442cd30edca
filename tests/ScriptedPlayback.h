#pragma once
// Stand-ins for the play loops' clock and sound track, so that tests time
// play without sleeping. The clock's time moves only while a loop waits:
// actions scheduled for a moment run as events would, in the middle of the
// wait that reaches them.
#include <QCoreApplication>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>

#include "doc/PlaybackClock.h"
#include "doc/PlaybackSound.h"

namespace selvo::test {

class ScriptedClock : public PlaybackClock {
 public:
  std::int64_t NowMs() override { return now_; }
  void HandlePendingEvents() override {
    QCoreApplication::processEvents();
    if (!input_) return;
    auto input = std::move(input_);
    input_ = nullptr;
    input();
  }
  void WaitForEventsUntil(std::int64_t dueMs) override {
    QCoreApplication::processEvents();
    auto next = actions_.begin();
    if (next != actions_.end() && next->first <= dueMs) {
      now_ = std::max(now_, next->first);
      auto action = std::move(next->second);
      actions_.erase(next);
      action();
      return;
    }
    now_ = std::max(now_, dueMs);
  }
  void At(std::int64_t ms, std::function<void()> action) { actions_.emplace(ms, std::move(action)); }
  // A wait that should end at ms ends at untilMs, as on a busy machine.
  void WakeLate(std::int64_t ms, std::int64_t untilMs) {
    At(ms, [this, untilMs] { now_ = std::max(now_, untilMs); });
  }
  // Input from the window system at ms: handled where a loop handles its
  // pending events, after the events already posted, so that what the
  // input posts waits for the next pass, as with a real window system.
  void InputAt(std::int64_t ms, std::function<void()> input) {
    At(ms, [this, input = std::move(input)]() mutable { input_ = std::move(input); });
  }
  // Time spent working, with no event handled.
  void Spend(std::int64_t ms) { now_ += ms; }

 private:
  std::int64_t now_ = 0;
  std::multimap<std::int64_t, std::function<void()>> actions_;
  std::function<void()> input_;
};

// A sound track that starts lateMs behind the pictures (negative: ahead)
// and stands at its end once it has played lengthMs.
class ScriptedSound : public PlaybackSound {
 public:
  ScriptedSound(PlaybackClock& clock, std::int64_t lateMs, std::int64_t lengthMs = 1000000)
      : clock_(clock), lateMs_(lateMs), lengthMs_(lengthMs) {}
  bool Play(std::int64_t offsetMs, int) override {
    ++plays;
    playing_ = true;
    startedAt_ = clock_.NowMs();
    offset_ = offsetMs;
    return true;
  }
  bool Pause() override {
    paused_ = GetPosition();
    playing_ = false;
    ++pauses;
    return true;
  }
  bool Stop() override {
    playing_ = false;
    paused_ = 0;
    ++stops;
    return true;
  }
  bool SeekToStart() override { return true; }
  bool SeekToEnd() override { return true; }
  std::int64_t GetLength() override { return lengthMs_; }
  std::int64_t GetPosition() override {
    if (!playing_) return paused_;
    return std::min(lengthMs_, offset_ + std::max<std::int64_t>(0, clock_.NowMs() - startedAt_ - lateMs_));
  }

  int plays = 0;
  int pauses = 0;
  int stops = 0;

 private:
  PlaybackClock& clock_;
  std::int64_t lateMs_;
  std::int64_t lengthMs_;
  bool playing_ = false;
  std::int64_t startedAt_ = 0;
  std::int64_t offset_ = 0;
  std::int64_t paused_ = 0;
};

}  // namespace selvo::test

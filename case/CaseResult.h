#pragma once
// What every case-file operation answers: a value, or a message for the
// user saying what went wrong. Nothing here throws: a case file that cannot
// be used must leave the viewer working, only without bookmarks.
#include <optional>
#include <string>
#include <utility>

namespace selvo {

// Success, or a failure with its message.
class CaseStatus {
 public:
  CaseStatus() = default;
  static CaseStatus Failure(std::string message) {
    CaseStatus status;
    status.message_ = std::move(message);
    status.failed_ = true;
    return status;
  }
  bool ok() const { return !failed_; }
  explicit operator bool() const { return ok(); }
  const std::string& message() const { return message_; }

 private:
  std::string message_;
  bool failed_ = false;
};

// A value, or a failure with its message.
template <class T>
class CaseResult {
 public:
  CaseResult(T value) : value_(std::move(value)) {}  // NOLINT: a value is a success
  CaseResult(CaseStatus failure) : failure_(std::move(failure)) {}  // NOLINT: so is a failure passed on
  static CaseResult Failure(std::string message) { return CaseResult(CaseStatus::Failure(std::move(message))); }

  bool ok() const { return value_.has_value(); }
  explicit operator bool() const { return ok(); }
  const std::string& message() const { return failure_.message(); }
  CaseStatus status() const { return failure_; }
  // Only after ok().
  T& value() { return *value_; }
  const T& value() const { return *value_; }

 private:
  std::optional<T> value_;
  CaseStatus failure_;
};

}  // namespace selvo

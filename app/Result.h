#pragma once
// A value, or the reason there is none: what an operation that may fail for
// the user's input returns, so the caller decides what to tell and nothing
// is lost in a catch. (std::expected is not in our compiler yet.)

#include <string>
#include <utility>
#include <variant>

namespace velmora {

// What kind of failure, for callers that act on it (an exit code, a message
// box's kind); the message says the rest.
enum class ErrorKind {
  NotFound,    // what was asked for does not exist
  Unreadable,  // it exists but could not be read
  TooLarge,    // it, or what it would make, is over a limit
  Invalid,     // it was read but makes no sense
  Unwritable,  // it could not be written or put in place
};

// Why there is no value: a kind and a message for the user; for a file,
// the system's own reason as well, for callers that word their own message.
struct Error {
  ErrorKind kind;
  std::string message;
  std::string reason = {};
};

template <class T>
class [[nodiscard]] Result {
public:
  Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
  Result(Error error) : state_(std::in_place_index<1>, std::move(error)) {}

  bool ok() const { return state_.index() == 0; }
  explicit operator bool() const { return ok(); }

  // Only when ok().
  T& value() & { return std::get<0>(state_); }
  const T& value() const& { return std::get<0>(state_); }
  T&& value() && { return std::get<0>(std::move(state_)); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }

  // Only when !ok().
  const Error& error() const { return std::get<1>(state_); }

  // A value that equals `other`; a failure equals nothing.
  friend bool operator==(const Result& result, const T& other) { return result.ok() && result.value() == other; }

private:
  std::variant<T, Error> state_;
};

// For operations that give nothing back but may fail.
template <>
class [[nodiscard]] Result<void> {
public:
  Result() = default;
  Result(Error error) : error_(std::move(error)), failed_(true) {}

  bool ok() const { return !failed_; }
  explicit operator bool() const { return ok(); }
  // Only when !ok().
  const Error& error() const { return error_; }

private:
  Error error_{};
  bool failed_ = false;
};

}  // namespace velmora

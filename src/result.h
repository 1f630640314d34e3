// Value-or-error results. Errors are one line of text that travels upward unchanged; nothing
// throws across modules. The member names follow std::expected so that a later move to it is
// mechanical.
#pragma once

#include <string>
#include <type_traits>
#include <utility>
#include <variant>

namespace pellix {

struct Error {
  std::string message;
};

// Wraps an error so that it converts into any Result<T, E>.
template <typename E>
struct Unexpected {
  E error;
};

template <typename E>
Unexpected<std::decay_t<E>> unexpected(E&& error) {
  return {std::forward<E>(error)};
}

inline Unexpected<Error> fail(std::string message) { return {Error{std::move(message)}}; }

template <typename T, typename E = Error>
class [[nodiscard]] Result {
 public:
  using value_type = T;
  using error_type = E;

  Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
  template <typename F>
  Result(Unexpected<F> error) : state_(std::in_place_index<1>, std::move(error.error)) {}

  bool has_value() const { return state_.index() == 0; }
  explicit operator bool() const { return has_value(); }

  T& value() & { return std::get<0>(state_); }
  const T& value() const& { return std::get<0>(state_); }
  T&& value() && { return std::get<0>(std::move(state_)); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }
  T&& operator*() && { return std::move(*this).value(); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }

  E& error() & { return std::get<1>(state_); }
  const E& error() const& { return std::get<1>(state_); }
  E&& error() && { return std::get<1>(std::move(state_)); }

 private:
  std::variant<T, E> state_;
};

// A Result that carries no value on success.
template <typename E>
class [[nodiscard]] Result<void, E> {
 public:
  using error_type = E;

  Result() = default;
  template <typename F>
  Result(Unexpected<F> error) : error_(std::move(error.error)), has_error_(true) {}

  bool has_value() const { return !has_error_; }
  explicit operator bool() const { return has_value(); }
  const E& error() const& { return error_; }
  E&& error() && { return std::move(error_); }

 private:
  E error_{};
  bool has_error_ = false;
};

}  // namespace pellix

#define PX_CONCAT_INNER(a, b) a##b
#define PX_CONCAT(a, b) PX_CONCAT_INNER(a, b)

// PX_TRY(auto x, f()); binds the value of f() to x, or returns its error from the caller.
#define PX_TRY(declaration, expression)                                              \
  auto PX_CONCAT(px_result_, __LINE__) = (expression);                               \
  if (!PX_CONCAT(px_result_, __LINE__).has_value())                                  \
    return ::pellix::unexpected(std::move(PX_CONCAT(px_result_, __LINE__)).error()); \
  declaration = std::move(PX_CONCAT(px_result_, __LINE__)).value()

// PX_CHECK(f()); returns the error of a Result<void> from the caller.
#define PX_CHECK(expression)                                                                   \
  do {                                                                                         \
    auto px_checked_ = (expression);                                                           \
    if (!px_checked_.has_value()) return ::pellix::unexpected(std::move(px_checked_).error()); \
  } while (false)

// Box<T>: the owner of one required child node, copied deeply, so that tree nodes stay plain
// values. It is never empty, except once moved from: then it may only be assigned or destroyed.
#pragma once

#include <memory>
#include <utility>

namespace pellix {

template <typename T>
class Box {
 public:
  Box(T value) : value_(std::make_unique<T>(std::move(value))) {}  // NOLINT: implicit on purpose
  Box(const Box& other) : value_(std::make_unique<T>(*other.value_)) {}
  Box(Box&&) noexcept = default;
  Box& operator=(const Box& other) {
    if (this != &other) value_ = std::make_unique<T>(*other.value_);
    return *this;
  }
  Box& operator=(Box&&) noexcept = default;
  ~Box() = default;

  T& operator*() { return *value_; }
  const T& operator*() const { return *value_; }
  T* operator->() { return value_.get(); }
  const T* operator->() const { return value_.get(); }

 private:
  std::unique_ptr<T> value_;
};

}  // namespace pellix

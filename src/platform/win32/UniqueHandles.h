#pragma once

#include <utility>

#include "platform/win32/Win32Api.h"

namespace platform::win32_impl {

// Owns one Windows object and releases it on every path. Traits name the
// invalid value(s) and the release call.
template <typename Traits>
class UniqueObject {
 public:
  using Type = typename Traits::Type;

  UniqueObject() = default;
  explicit UniqueObject(Type value) : value_(value) {}
  UniqueObject(const UniqueObject&) = delete;
  UniqueObject& operator=(const UniqueObject&) = delete;
  UniqueObject(UniqueObject&& other) noexcept : value_(std::exchange(other.value_, Traits::Invalid())) {}
  UniqueObject& operator=(UniqueObject&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.value_, Traits::Invalid()));
    return *this;
  }
  ~UniqueObject() { Reset(); }

  Type Get() const { return value_; }
  bool Valid() const { return Traits::IsValid(value_); }
  explicit operator bool() const { return Valid(); }
  void Reset(Type value = Traits::Invalid()) {
    if (Traits::IsValid(value_)) Traits::Release(value_);
    value_ = value;
  }
  // For calls that hand out the object through a pointer; releases the old one.
  Type* Receive() {
    Reset();
    return &value_;
  }

 private:
  Type value_ = Traits::Invalid();
};

// Kernel handles: OpenProcess answers NULL on failure, CreateToolhelp32Snapshot
// INVALID_HANDLE_VALUE; neither is closed.
struct HandleTraits {
  using Type = HANDLE;
  static Type Invalid() { return nullptr; }
  static bool IsValid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Release(Type h) { ::CloseHandle(h); }
};
using UniqueHandle = UniqueObject<HandleTraits>;

struct RegKeyTraits {
  using Type = HKEY;
  static Type Invalid() { return nullptr; }
  static bool IsValid(Type k) { return k != nullptr; }
  static void Release(Type k) { ::RegCloseKey(k); }
};
using UniqueRegKey = UniqueObject<RegKeyTraits>;

struct IconTraits {
  using Type = HICON;
  static Type Invalid() { return nullptr; }
  static bool IsValid(Type i) { return i != nullptr; }
  static void Release(Type i) { ::DestroyIcon(i); }
};
using UniqueIcon = UniqueObject<IconTraits>;

struct BitmapTraits {
  using Type = HBITMAP;
  static Type Invalid() { return nullptr; }
  static bool IsValid(Type b) { return b != nullptr; }
  static void Release(Type b) { ::DeleteObject(b); }
};
using UniqueBitmap = UniqueObject<BitmapTraits>;

struct ScreenDcTraits {
  using Type = HDC;
  static Type Invalid() { return nullptr; }
  static bool IsValid(Type d) { return d != nullptr; }
  static void Release(Type d) { ::ReleaseDC(nullptr, d); }
};
using UniqueScreenDc = UniqueObject<ScreenDcTraits>;

}  // namespace platform::win32_impl

// GDI objects and memory device contexts that delete themselves, and an
// object selected into a device context until the end of a scope.
#pragma once

#include <windows.h>

#include <utility>

namespace kestro {

// A pen, brush, region, bitmap or font (anything DeleteObject takes).
template <typename Object>
class UniqueGdiObject {
 public:
  UniqueGdiObject() = default;
  explicit UniqueGdiObject(Object object) : object_(object) {}
  ~UniqueGdiObject() { reset(); }
  UniqueGdiObject(UniqueGdiObject&& other) noexcept : object_(other.release()) {}
  UniqueGdiObject& operator=(UniqueGdiObject&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueGdiObject(const UniqueGdiObject&) = delete;
  UniqueGdiObject& operator=(const UniqueGdiObject&) = delete;

  Object get() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }
  Object release() { return std::exchange(object_, nullptr); }
  void reset(Object object = nullptr) {
    if (object_ != nullptr) DeleteObject(object_);
    object_ = object;
  }

 private:
  Object object_ = nullptr;
};

// A memory device context from CreateCompatibleDC.
class UniqueMemoryDc {
 public:
  explicit UniqueMemoryDc(HDC compatibleWith) : dc_(CreateCompatibleDC(compatibleWith)) {}
  ~UniqueMemoryDc() {
    if (dc_ != nullptr) DeleteDC(dc_);
  }
  UniqueMemoryDc(const UniqueMemoryDc&) = delete;
  UniqueMemoryDc& operator=(const UniqueMemoryDc&) = delete;

  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  HDC dc_;
};

// Selects an object into a device context and puts the old one back at the
// end of the scope, before the object itself is deleted (declare it after).
class ScopedSelection {
 public:
  ScopedSelection(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
  ~ScopedSelection() { SelectObject(dc_, old_); }
  ScopedSelection(const ScopedSelection&) = delete;
  ScopedSelection& operator=(const ScopedSelection&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

}  // namespace kestro

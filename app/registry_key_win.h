// A registry key handle that closes itself, with the value reads and writes the
// program uses. Every failure is returned as the Windows error code.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace kestro {

class RegistryKey {
 public:
  RegistryKey() = default;
  explicit RegistryKey(HKEY key) : key_(key) {}
  ~RegistryKey() { reset(); }
  RegistryKey(RegistryKey&& other) noexcept : key_(other.release()) {}
  RegistryKey& operator=(RegistryKey&& other) noexcept;
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  HKEY get() const { return key_; }
  explicit operator bool() const { return key_ != nullptr; }
  HKEY release();
  void reset();

  // Opens `path` under `root`; when it cannot be opened, creates it
  // (non-volatile, default security) with the same access.
  static LONG openOrCreate(HKEY root, const wchar_t* path, REGSAM access, RegistryKey& out);
  static LONG open(HKEY root, const wchar_t* path, REGSAM access, RegistryKey& out);

  // A text of at most 260 characters: REG_SZ or REG_EXPAND_SZ of even length
  // ending in NUL, else ERROR_INVALID_DATA (13); longer: ERROR_MORE_DATA.
  LONG readText(const wchar_t* name, std::wstring& out) const;
  // Accepted only when the query succeeds and the type is REG_DWORD.
  bool readDword(const wchar_t* name, DWORD& out) const;

  LONG writeDword(const wchar_t* name, DWORD value) const;
  // REG_SZ with its terminating NUL (byte length 2 x (characters + 1)).
  LONG writeText(const wchar_t* name, std::wstring_view value) const;
  LONG deleteValue(const wchar_t* name) const;

 private:
  HKEY key_ = nullptr;
};

}  // namespace kestro

#include "app/registry_key_win.h"

#include <utility>

namespace kestro {

namespace {
constexpr DWORD kTextCapacity = 260;  // characters, including the NUL
}

RegistryKey& RegistryKey::operator=(RegistryKey&& other) noexcept {
  if (this != &other) {
    reset();
    key_ = other.release();
  }
  return *this;
}

HKEY RegistryKey::release() { return std::exchange(key_, nullptr); }

void RegistryKey::reset() {
  if (key_ != nullptr) RegCloseKey(std::exchange(key_, nullptr));
}

LONG RegistryKey::open(HKEY root, const wchar_t* path, REGSAM access, RegistryKey& out) {
  HKEY key = nullptr;
  const LONG result = RegOpenKeyExW(root, path, 0, access, &key);
  if (result == ERROR_SUCCESS) out = RegistryKey(key);
  return result;
}

LONG RegistryKey::openOrCreate(HKEY root, const wchar_t* path, REGSAM access, RegistryKey& out) {
  if (open(root, path, access, out) == ERROR_SUCCESS) return ERROR_SUCCESS;
  HKEY key = nullptr;
  const LONG result =
      RegCreateKeyExW(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &key, nullptr);
  if (result == ERROR_SUCCESS) out = RegistryKey(key);
  return result;
}

LONG RegistryKey::readText(const wchar_t* name, std::wstring& out) const {
  wchar_t buffer[kTextCapacity] = {};
  DWORD type = 0;
  DWORD bytes = sizeof(buffer);
  const LONG result = RegQueryValueExW(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &bytes);
  if (result != ERROR_SUCCESS) return result;
  if ((type != REG_SZ && type != REG_EXPAND_SZ) || bytes % sizeof(wchar_t) != 0 || bytes == 0 ||
      buffer[bytes / sizeof(wchar_t) - 1] != L'\0') {
    return ERROR_INVALID_DATA;
  }
  out.assign(buffer, bytes / sizeof(wchar_t) - 1);
  return ERROR_SUCCESS;
}

bool RegistryKey::readDword(const wchar_t* name, DWORD& out) const {
  DWORD value = 0;
  DWORD type = 0;
  DWORD bytes = sizeof(value);
  if (RegQueryValueExW(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &bytes) != ERROR_SUCCESS ||
      type != REG_DWORD) {
    return false;
  }
  out = value;
  return true;
}

LONG RegistryKey::writeDword(const wchar_t* name, DWORD value) const {
  return RegSetValueExW(key_, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

LONG RegistryKey::writeText(const wchar_t* name, std::wstring_view value) const {
  const std::wstring terminated(value);
  const auto bytes = static_cast<DWORD>((terminated.size() + 1) * sizeof(wchar_t));
  return RegSetValueExW(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(terminated.c_str()), bytes);
}

LONG RegistryKey::deleteValue(const wchar_t* name) const { return RegDeleteValueW(key_, name); }

}  // namespace kestro

#include "tests/support/registry_values_win.h"

#include <gtest/gtest.h>

#include "app/settings_store_win.h"
#include "base/text_convert.h"

namespace kestro::test {

namespace {

void writeValue(HKEY root, const std::wstring& path, const wchar_t* name, DWORD type, const void* data, DWORD size) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr), ERROR_SUCCESS)
      << toUtf8(path);
  RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
  RegCloseKey(key);
}

}  // namespace

void writeRegistryText(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& value) {
  writeValue(root, path, name, REG_SZ, value.c_str(), static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void writeRegistryDword(HKEY root, const std::wstring& path, const wchar_t* name, DWORD value) {
  writeValue(root, path, name, REG_DWORD, &value, sizeof(value));
}

std::optional<std::wstring> registryText(HKEY root, const std::wstring& path, const wchar_t* name) {
  DWORD size = 0;
  if (RegGetValueW(root, path.c_str(), name, RRF_RT_REG_SZ, nullptr, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
  std::wstring value(size / sizeof(wchar_t), L'\0');
  if (RegGetValueW(root, path.c_str(), name, RRF_RT_REG_SZ, nullptr, value.data(), &size) != ERROR_SUCCESS)
    return std::nullopt;
  value.resize(wcsnlen(value.c_str(), value.size()));
  return value;
}

std::optional<DWORD> registryDword(HKEY root, const std::wstring& path, const wchar_t* name) {
  DWORD value = 0;
  DWORD size = sizeof(value);
  if (RegGetValueW(root, path.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
    return std::nullopt;
  return value;
}

void deleteSettingsKey() { RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKeyPath); }

std::optional<DWORD> settingsDword(const wchar_t* name) { return registryDword(HKEY_CURRENT_USER, kSettingsKeyPath, name); }

std::optional<std::wstring> settingsText(const wchar_t* name) {
  return registryText(HKEY_CURRENT_USER, kSettingsKeyPath, name);
}

}  // namespace kestro::test

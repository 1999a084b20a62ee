// Registry values as the tests write and read them, and the program's
// settings key (HKCU\Software\Kestro\Settings).
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace kestro::test {

// Writes a value, creating its key; a key that cannot be made fails the test.
void writeRegistryText(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& value);
void writeRegistryDword(HKEY root, const std::wstring& path, const wchar_t* name, DWORD value);
// A value; nothing when its key or the value is missing or of another type.
std::optional<std::wstring> registryText(HKEY root, const std::wstring& path, const wchar_t* name);
std::optional<DWORD> registryDword(HKEY root, const std::wstring& path, const wchar_t* name);

// Removes the settings key with everything in it.
void deleteSettingsKey();
std::optional<DWORD> settingsDword(const wchar_t* name);
std::optional<std::wstring> settingsText(const wchar_t* name);

}  // namespace kestro::test

// Folders a test works in: a fresh scratch folder, and a folder made the
// program's own for a while.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/program_folder_win.h"
#include "base/text_convert.h"
#include "tests/support/scoped_seam.h"
#include "tests/support/wine_host_win.h"

namespace kestro::test {

// Makes `folder` the program folder (and the current directory) for the life
// of the object, as if the program had been started from there.
class CurrentFolder {
 public:
  explicit CurrentFolder(const std::wstring& folder) : programFolder_(programFolderOverride(), folder) {
    GetCurrentDirectoryW(MAX_PATH, previous_);
    EXPECT_TRUE(SetCurrentDirectoryW(folder.c_str())) << toUtf8(folder);
  }
  ~CurrentFolder() { SetCurrentDirectoryW(previous_); }
  CurrentFolder(const CurrentFolder&) = delete;
  CurrentFolder& operator=(const CurrentFolder&) = delete;

 private:
  ScopedSeam<std::wstring> programFolder_;
  wchar_t previous_[MAX_PATH] = {};
};

// A fresh folder under the system's temporary folder, deleted with its files.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::wstring& name) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    path_ = std::filesystem::path(temp) / (name + L"-" + std::to_wstring(GetCurrentProcessId()));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  std::wstring path() const { return path_.wstring(); }
  // Copies a file of the program folder (dist/) here, under `as` when given.
  void copyFromProgramFolder(const std::wstring& relative, const std::wstring& as = {}) const {
    const std::filesystem::path target = path_ / (as.empty() ? relative : as);
    std::filesystem::create_directories(target.parent_path());
    std::filesystem::copy_file(std::filesystem::path(distFolder()) / relative, target,
                               std::filesystem::copy_options::overwrite_existing);
  }
  void write(const std::wstring& relative, const std::string& bytes) const {
    HANDLE file = CreateFileW((path_ / relative).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
  }

 private:
  std::filesystem::path path_;
};

}  // namespace kestro::test

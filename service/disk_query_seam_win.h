// The system calls of the machine identifier's disk queries, as a table whose
// defaults are the real functions, so tests can answer in place of a disk.
#pragma once

#include <windows.h>

namespace kestro {

struct DiskQuerySeam {
  BOOL(WINAPI* getVersionEx)(LPOSVERSIONINFOW) = nullptr;
  HANDLE(WINAPI* createFile)(LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE) = nullptr;
  BOOL(WINAPI* deviceIoControl)(HANDLE, DWORD, LPVOID, DWORD, LPVOID, DWORD, LPDWORD, LPOVERLAPPED) = nullptr;
  BOOL(WINAPI* closeHandle)(HANDLE) = nullptr;
};

// The table in use; starts with the real functions.
DiskQuerySeam& diskQuerySeam();
DiskQuerySeam realDiskQuerySeam();

}  // namespace kestro

// Runs a worker out of memory: while a FailingAllocations lives, every
// allocation of its thread from a given size on throws std::bad_alloc, as in
// a 32-bit process whose address space is used up. Include it in exactly one
// source file of a test program: it replaces the program's global operator
// new and delete (allocations of other threads, and smaller ones, go to the
// process heap).
#pragma once

#include <windows.h>

#include <cstddef>
#include <new>

namespace kestro::test {

inline thread_local size_t failingAllocationSize = 0;  // 0: none fails

class FailingAllocations {
 public:
  explicit FailingAllocations(size_t bytes) { failingAllocationSize = bytes; }
  ~FailingAllocations() { failingAllocationSize = 0; }
  FailingAllocations(const FailingAllocations&) = delete;
  FailingAllocations& operator=(const FailingAllocations&) = delete;
};

}  // namespace kestro::test

void* operator new(std::size_t size) {
  const size_t failing = kestro::test::failingAllocationSize;
  if (failing != 0 && size >= failing) throw std::bad_alloc();
  if (void* memory = HeapAlloc(GetProcessHeap(), 0, size == 0 ? 1 : size)) return memory;
  throw std::bad_alloc();
}

void operator delete(void* memory) noexcept {
  if (memory != nullptr) HeapFree(GetProcessHeap(), 0, memory);
}
void operator delete(void* memory, std::size_t) noexcept { operator delete(memory); }

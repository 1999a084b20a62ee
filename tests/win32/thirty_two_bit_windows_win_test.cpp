// The 32-bit program on 32-bit Windows: no WoW64, the i386 driver folder.
#include <gtest/gtest.h>

#include "app/client_state.h"
#include "app/entry/startup_win.h"
#include "tests/accel/accel_test_support_win.h"
#include "tests/support/wine_host_win.h"
#include "tests/win32/program_on_windows_win.h"

namespace kestro {
namespace {

// The faults a test provokes on purpose and the page it made faulting: the
// handler records each, makes that page readable and writable and lets the
// instruction run again, as a program's own handler may.
struct ProvokedFault {
  DWORD code = 0;
  ULONG_PTR access = ~ULONG_PTR{0};
  ULONG_PTR address = 0;
  int count = 0;
};
ProvokedFault provoked;
void* faultingPage = nullptr;

LONG CALLBACK mendFaultingPage(EXCEPTION_POINTERS* exception) {
  const EXCEPTION_RECORD& record = *exception->ExceptionRecord;
  const bool ours = faultingPage != nullptr && provoked.count == 0;
  if (!ours) return EXCEPTION_CONTINUE_SEARCH;
  provoked.code = record.ExceptionCode;
  if (record.NumberParameters >= 2) {
    provoked.access = record.ExceptionInformation[0];
    provoked.address = record.ExceptionInformation[1];
  }
  ++provoked.count;
  DWORD previous = 0;
  VirtualProtect(faultingPage, 4096, PAGE_READWRITE, &previous);
  return EXCEPTION_CONTINUE_EXECUTION;
}

class FaultHandler {
 public:
  FaultHandler() : handle_(AddVectoredExceptionHandler(1, mendFaultingPage)) {}
  ~FaultHandler() { RemoveVectoredExceptionHandler(handle_); }
  FaultHandler(const FaultHandler&) = delete;
  FaultHandler& operator=(const FaultHandler&) = delete;

 private:
  void* handle_;
};

// A committed page with `protection`, released at the end.
class Page {
 public:
  explicit Page(DWORD protection) : base_(VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE, protection)) {}
  ~Page() { VirtualFree(base_, 0, MEM_RELEASE); }
  Page(const Page&) = delete;
  Page& operator=(const Page&) = delete;
  volatile int* at(int index) const { return static_cast<volatile int*>(base_) + index; }
  void* base() const { return base_; }

 private:
  void* base_;
};

// Touches `cell` (a write or a read) of `page` with the handler in place;
// what the handler saw.
ProvokedFault provoke(const Page& page, volatile int* cell, bool write) {
  provoked = {};
  faultingPage = page.base();
  {
    FaultHandler handler;
    if (write) {
      *cell = 42;
    } else {
      const int value = *cell;
      EXPECT_EQ(value, 0);
    }
  }
  faultingPage = nullptr;
  return provoked;
}

TEST(ThirtyTwoBitWindows, AccessViolationsReachTheProgramsOwnHandlerAsOnWindows) {
  // Under an emulator the signal Wine turns into the exception must still say
  // a page fault, whether it wrote and where, or the program sees an illegal
  // instruction instead (scripts/emulation/trap_number_shim.c).
  const Page readOnly(PAGE_READONLY);
  ProvokedFault fault = provoke(readOnly, readOnly.at(3), true);
  EXPECT_EQ(fault.count, 1);
  EXPECT_EQ(fault.code, static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION));
  EXPECT_EQ(fault.access, 1u) << "a write";
  EXPECT_EQ(fault.address, reinterpret_cast<ULONG_PTR>(readOnly.at(3)));
  const int written = *readOnly.at(3);
  EXPECT_EQ(written, 42) << "the write ran again once the handler had mended the page";

  const Page noAccess(PAGE_NOACCESS);
  fault = provoke(noAccess, noAccess.at(5), false);
  EXPECT_EQ(fault.count, 1);
  EXPECT_EQ(fault.code, static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION));
  EXPECT_EQ(fault.access, 0u) << "a read";
  EXPECT_EQ(fault.address, reinterpret_cast<ULONG_PTR>(noAccess.at(5)));

  // A guard page is Wine's own page-fault work: the first touch raises the
  // guard's exception and lifts the guard.
  const Page guarded(PAGE_READWRITE | PAGE_GUARD);
  fault = provoke(guarded, guarded.at(0), true);
  EXPECT_EQ(fault.count, 1);
  EXPECT_EQ(fault.code, static_cast<DWORD>(STATUS_GUARD_PAGE_VIOLATION));
  const int guardedWritten = *guarded.at(0);
  EXPECT_EQ(guardedWritten, 42);
}

TEST(ThirtyTwoBitWindows, StartUpFindsNoWow64AndTheProgramShowsItsLoginWindow) {
  ClientState::instance().isWow64 = 5;
  probeWow64();
  EXPECT_EQ(ClientState::instance().isWow64, 0);
  test::startTheProgramToItsLoginWindow();
}

TEST(ThirtyTwoBitWindows, TheAdapterIsInstalledAndRemovedByTheI386Tool) {
  // The x86_64 tool cannot start on 32-bit Windows: success means i386's ran.
  test::removeTestAdapters();
  probeWow64();
  ASSERT_EQ(ClientState::instance().isWow64, 0);
  test::CurrentFolder folder(test::distFolder());
  test::installAndRemoveTheAdapter();
}

}  // namespace
}  // namespace kestro

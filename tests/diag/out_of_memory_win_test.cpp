// A diagnosis that runs out of memory (a catalogue far larger than the
// process can hold) ends with the failure's score instead of ending the
// program, so the page returns to its start view.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "app/window_handles.h"
#include "app/window_messages.h"
#include "diag/diagnosis_worker_win.h"
#include "tests/diag/scripted_scans_win.h"
#include "tests/nodes/scripted_icmp_win.h"
#include "tests/support/failing_allocations_win.h"
#include "tests/support/message_recorder_win.h"

namespace kestro {
namespace {

TEST(DiagnosisOutOfMemory, TheRunEndsWithTheFailuresScore) {
  test::ScriptedIcmp icmp;
  icmp.script("127.0.0.1", {test::ScriptedEcho::reply(1)});
  test::ScriptedProcesses processes({L"explorer.exe"});
  // Its entries' records are far larger than what the worker's thread may allocate.
  test::ScriptedCatalogue catalogue(std::vector<WSAPROTOCOL_INFOW>(2000, test::baseCatalogue()[0]));
  std::vector<LPARAM> scores;
  test::MessageRecorder recorder([&](UINT message, WPARAM, LPARAM lParam) -> std::wstring {
    if (message == WM_DIAG_DONE) scores.push_back(lParam);
    return L"";
  });
  WindowHandles::instance().mainWindow = recorder.window();
  std::thread worker([] {
    test::FailingAllocations failing(64 * 1024);
    runDiagnosisWorker();
  });
  EXPECT_TRUE(recorder.pumpUntilMessage(WM_DIAG_DONE, 240000));
  worker.join();
  WindowHandles::instance().mainWindow = nullptr;
  EXPECT_EQ(scores, std::vector<LPARAM>{kDiagnosisFailed});
}

}  // namespace
}  // namespace kestro

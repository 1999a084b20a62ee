// Progress records on their way from a worker to a window.
#include "service/progress_post_win.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/message_recorder_win.h"

namespace kestro {
namespace {

using test::MessageRecorder;

constexpr UINT kProgress = WM_GAME_PROGRESS;

std::wstring describe(UINT message, WPARAM, LPARAM lParam) {
  if (message != kProgress) return {};
  const auto record = adoptProgress(lParam);
  return std::to_wstring(record->percent) + L" " + record->text;
}

std::vector<std::wstring> shown(const MessageRecorder& recorder) {
  std::vector<std::wstring> lines;
  for (const auto& entry : recorder.entries()) lines.push_back(entry.detail);
  return lines;
}

// Everything already posted to the recorder arrives within this.
void drain(MessageRecorder& recorder) { recorder.pumpUntil([](const auto&) { return false; }, 50); }

// A null handle would post to the worker's own queue, where the record would
// wait for ever: nothing is posted, and the record is freed at once.
TEST(ProgressPost, NoWindowTakesNoRecord) {
  const std::atomic<WindowHandle> none{nullptr};
  EXPECT_FALSE(postProgress(none, kProgress, 5, L"正在获取"));
  EntryProgress entries(none, kProgress);
  entries.entry(20, L"正在添加");
  entries.flush();
  MSG message;
  EXPECT_FALSE(PeekMessageW(&message, reinterpret_cast<HWND>(-1), 0, 0, PM_REMOVE));
}

TEST(ProgressPost, AWindowThatIsGoneTakesNoRecord) {
  const HWND gone = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  DestroyWindow(gone);
  const std::atomic<WindowHandle> window{gone};
  EXPECT_FALSE(postProgress(window, kProgress, 5, L"正在获取"));
}

// A window that handles nothing while thousands of entries are reported gets
// a bounded number of messages, steps never held back, and the latest entry
// last.
TEST(ProgressPost, EntriesBeyondTheWaitingBoundAreCoalescedIntoTheLatest) {
  MessageRecorder recorder(describe);
  const std::atomic<WindowHandle> window{recorder.window()};
  EXPECT_TRUE(postProgress(window, kProgress, 5, L"step"));
  EntryProgress entries(window, kProgress);
  for (int i = 0; i < 20000; ++i) entries.entry(i / 200, L"entry " + std::to_wstring(i));
  entries.flush();
  EXPECT_TRUE(postProgress(window, kProgress, 100, L"last step"));
  drain(recorder);

  std::vector<std::wstring> expected = {L"5 step"};
  for (int i = 0; i < kProgressEntriesWaiting; ++i) expected.push_back(L"0 entry " + std::to_wstring(i));
  expected.push_back(L"99 entry 19999");
  expected.push_back(L"100 last step");
  EXPECT_EQ(shown(recorder), expected);

  // The window has caught up: the next entry goes at once.
  entries.entry(7, L"again");
  drain(recorder);
  EXPECT_EQ(shown(recorder).back(), L"7 again");
}

TEST(ProgressPost, AWindowThatKeepsUpSeesEveryEntry) {
  MessageRecorder recorder(describe);
  const std::atomic<WindowHandle> window{recorder.window()};
  EntryProgress entries(window, kProgress);
  std::vector<std::wstring> expected;
  for (int i = 0; i < 3 * kProgressEntriesWaiting; ++i) {
    entries.entry(i, L"entry");
    expected.push_back(std::to_wstring(i) + L" entry");
    recorder.pumpUntil([&](const auto& arrived) { return arrived.size() == expected.size(); }, 5000);
  }
  entries.flush();
  drain(recorder);
  EXPECT_EQ(shown(recorder), expected);
}

}  // namespace
}  // namespace kestro

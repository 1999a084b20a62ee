#include "accel/acceleration_start_win.h"

#include <windows.h>
#include <oleauto.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "accel/acc_step_record.h"
#include "accel/acceleration_texts.h"
#include "accel/clock_check.h"
#include "accel/game_server_figures.h"
#include "accel/game_server_probe_win.h"
#include "accel/main_window_reports_win.h"
#include "accel/routes_win.h"
#include "accel/tcp_tuning_win.h"
#include "accel/tunnel_library_win.h"
#include "accel/tunnel_params.h"
#include "accel/virtual_adapter_win.h"
#include "app/client_state.h"
#include "app/window_handles.h"
#include "app/window_messages.h"
#include "base/detached_worker.h"
#include "base/text_convert.h"
#include "base/unique_handle_win.h"
#include "service/service_exchange.h"

namespace kestro {
namespace {

// One record for all of the worker's reports; WM_ACC_STEP is sent, so the next
// report may rewrite it at once.
AccStepRecord& beginStep(uint32_t attempt, int32_t row, const wchar_t* title) {
  // Never destroyed: a worker may still report while the process exits.
  static AccStepRecord* record = new AccStepRecord;
  record->attempt = attempt;
  record->row = row;
  record->title = title;
  sendAccStep(*record, kStepRunning);
  return *record;
}

bool checkAdapter(uint32_t attempt, std::vector<std::wstring>& adapters) {
  AccStepRecord& step = beginStep(attempt, 0, acctext::kTitleAdapter);
  if (findVirtualAdapters(adapters)) {
    if (adapters.size() == 1) {
      sendAccStep(step, kStepOk);
    } else {
      sendAccStep(step, kStepWarn, acctext::kDuplicateAdapters);
    }
    return true;
  }
  std::wstring message;
  if (!installVirtualAdapterDriver(message)) {
    sendAccStep(step, kStepError, message);
    return false;
  }
  if (!findVirtualAdapters(adapters)) {
    sendAccStep(step, kStepError, acctext::kAdapterStillMissing);
    return false;
  }
  sendAccStep(step, kStepOk);
  return true;
}

bool checkNetworkParameters(uint32_t attempt, const std::vector<std::wstring>& adapters) {
  AccStepRecord& step = beginStep(attempt, 1, acctext::kTitleNetworkParameters);
  std::wstring message;
  int32_t restartNeeded = 0;
  if (!tuneTcpParameters(adapters, message, restartNeeded)) {
    sendAccStep(step, kStepError, message);
    return false;
  }
  if (restartNeeded != 0) {
    sendAccStep(step, kStepWarn, acctext::kRestartRecommended);
  } else {
    sendAccStep(step, kStepOk);
  }
  return true;
}

bool requestTunnelParams(const AccStartArgument& argument, TunnelParams& params) {
  AccStepRecord& step = beginStep(argument.attempt, 2, acctext::kTitleServiceRequest);
  ServiceReply reply = exchangeWithService(L"%sacc.php", HttpMethod::Post,
                                           {FormField("username", ClientState::instance().userName()),
                                            FormField("nodeid", argument.nodeId), FormField("gameid", argument.gameId),
                                            FormField("voiceid", argument.voiceId)},
                                           ReplyShape::Object);
  if (reply.ok()) reply.applyErrorMember();
  if (reply.ok()) params = readTunnelParams(reply.object());
  // Reading can still find a member of the wrong type.
  if (!reply.ok()) {
    sendAccStep(step, kStepError, reply.message());
    return false;
  }
  ClientState::instance().setRouteTargets(params.routes);
  ClientState::instance().setTunnelNode(fromAnsi(params.nodeIp));
  // The game's servers are measured directly while the tunnel comes up; the
  // route installation waits for the end of it.
  startDirectMeasurement(argument.attempt, chooseGameServers(params.routes, fromAnsi(params.nodeIp)));
  sendAccStep(step, kStepOk);
  return true;
}

bool checkClock(uint32_t attempt, const std::wstring& serverTime) {
  AccStepRecord& step = beginStep(attempt, 3, acctext::kTitleClock);
  // An unparseable or missing time stays at day 0, far outside the tolerance.
  DATE serverDate = 0;
  std::wstring text = serverTime;  // the parser's signature takes a mutable text
  if (FAILED(VarDateFromStr(text.data(), LOCALE_USER_DEFAULT, 0, &serverDate))) serverDate = 0;
  const std::time_t now = accelerationLocalClock()();
  std::tm local{};
  localtime_s(&local, &now);
  if (!clockWithinTolerance(clockDifferenceSeconds(serverDate, oleDateFromCalendar(local)))) {
    sendAccStep(step, kStepError, acctext::kClockOff);
    return false;
  }
  sendAccStep(step, kStepOk);
  return true;
}

bool loadTunnelLibrary(uint32_t attempt, TunnelLibrary& library) {
  AccStepRecord& step = beginStep(attempt, 4, acctext::kTitleLibrary);
  switch (library.load()) {
    case TunnelLibrary::Load::FileMissing:
      sendAccStep(step, kStepError, acctext::kLibraryMissing);
      return false;
    case TunnelLibrary::Load::EntryMissing:
      sendAccStep(step, kStepError, acctext::kLibraryEntryMissing);
      return false;
    case TunnelLibrary::Load::Loaded:
      break;
  }
  sendAccStep(step, kStepOk);
  return true;
}

// Markers posted after a tunnel library returned, and the last one the window
// answered (never destroyed: a late worker may still read them).
std::atomic<uint32_t>& postedMarkers() {
  static auto* count = new std::atomic<uint32_t>(0);
  return *count;
}
std::atomic<uint32_t>& answeredMarker() {
  static auto* marker = new std::atomic<uint32_t>(0);
  return *marker;
}

// The library's WM_TUNNEL_INFO texts live in its own memory until it is
// unloaded: the window is asked to handle everything the library posted (a
// marker posted after it is answered), for at most a few seconds (a window
// that is gone or does not answer).
void waitForTunnelPostsHandled() {
  constexpr ULONGLONG kWaitMs = 5000;
  const uint32_t marker = ++postedMarkers();
  const HWND window = static_cast<HWND>(WindowHandles::instance().mainWindow.load());
  if (window == nullptr || !PostMessageW(window, WM_TUNNEL_POSTS_HANDLED, marker, 0)) return;
  const ULONGLONG deadline = GetTickCount64() + kWaitMs;
  while (answeredMarker().load() != marker && GetTickCount64() < deadline) Sleep(10);
}

// Step 5: its outcome comes from the tunnel library, never from the worker.
// Returns when the tunnel has ended, with the stored stop event's handle.
HANDLE callTunnel(uint32_t attempt, const TunnelLibrary& library, const TunnelParams& params) {
  beginStep(attempt, 5, acctext::kTitleTunnel);
  std::srand(static_cast<unsigned>(std::time(nullptr)));
  char eventName[32];
  std::snprintf(eventName, sizeof(eventName), "KestroAcc%d", std::rand() % 1000);
  // The attempt keeps its own handle; the stop command takes the stored one.
  // Neither closes the other's, and no other attempt's.
  const UniqueHandle own(CreateEventA(nullptr, TRUE, FALSE, eventName));
  HANDLE shared = nullptr;
  if (own) DuplicateHandle(GetCurrentProcess(), own.get(), GetCurrentProcess(), &shared, 0, FALSE, DUPLICATE_SAME_ACCESS);
  ClientState& state = ClientState::instance();
  state.setStopEvent(shared);

  const std::string userName = toAnsi(state.userName());
  const std::string password = toAnsi(state.password());
  library.startTunnel()(WindowHandles::instance().mainWindow.load(), params.nodeIp.c_str(), userName.c_str(),
                        password.c_str(), eventName, params.nodePort);
  return shared;
}

void endTunnel(uint32_t attempt, TunnelLibrary& library, HANDLE shared) {
  waitForTunnelPostsHandled();
  library.unload();
  // A tunnel that ended without the stop command leaves its stored handle
  // and its routes behind.
  const UniqueHandle left(static_cast<HANDLE>(ClientState::instance().takeStopEventIf(shared)));
  removeRoutesOf(attempt);
  postAttemptReport(WM_TUNNEL_CLOSED, attempt);
}

// Runs `work` on a thread that has ended when this returns, or on this one
// when no thread can be had; what `work` throws is thrown here.
template <typename Work>
void onThreadOfItsOwn(Work&& work) {
  std::exception_ptr thrown;
  const auto guarded = [&] {
    try {
      work();
    } catch (...) {
      thrown = std::current_exception();
    }
  };
  try {
    std::thread(guarded).join();
  } catch (const std::system_error&) {
    guarded();
  }
  if (thrown) std::rethrow_exception(thrown);
}

}  // namespace

void acknowledgeTunnelPosts(uint32_t marker) { answeredMarker() = marker; }

std::function<std::time_t()>& accelerationLocalClock() {
  // Never destroyed: detached workers may still use it while the process exits.
  static auto* clock = new std::function<std::time_t()>([] { return std::time(nullptr); });
  return *clock;
}

std::function<bool(std::unique_ptr<AccStartArgument>)>& accelerationStarter() {
  static std::function<bool(std::unique_ptr<AccStartArgument>)> starter = startAccelerationWorker;
  return starter;
}

bool startAccelerationWorker(std::unique_ptr<AccStartArgument> argument) {
  ClientState::instance().startWorkerRunning = 1;
  if (!startDetachedWorker([argument = std::move(argument)] { runAccelerationStart(*argument); })) {
    ClientState::instance().startWorkerRunning = 0;
    return false;
  }
  return true;
}

namespace {

// Whether the worker should go on to its next step.
bool wanted(uint32_t attempt) {
  const ClientState& state = ClientState::instance();
  return state.cancelledAttempt != attempt && state.accelerationAttempt == attempt;
}

void runSteps(const AccStartArgument& argument) {
  const uint32_t attempt = argument.attempt;
  std::vector<std::wstring> adapters;
  if (!checkAdapter(attempt, adapters) || !wanted(attempt)) return;
  if (!checkNetworkParameters(attempt, adapters) || !wanted(attempt)) return;
  TunnelParams params;
  if (!requestTunnelParams(argument, params) || !wanted(attempt)) return;
  if (!checkClock(attempt, params.serverTime) || !wanted(attempt)) return;
  // The library is loaded and called on a thread that ends before it is
  // unloaded: a library's runtime may keep data for the thread that loaded it
  // and free it only when that thread ends while the library is still there
  // (the stand-in's does: a thread handle and an event each tunnel).
  TunnelLibrary library;
  bool called = false;
  HANDLE shared = nullptr;
  onThreadOfItsOwn([&] {
    if (!loadTunnelLibrary(attempt, library) || !wanted(attempt)) return;
    shared = callTunnel(attempt, library, params);
    called = true;
  });
  if (called) endTunnel(attempt, library, shared);
}

}  // namespace

void runAccelerationStart(const AccStartArgument& argument) {
  // Out of memory the step under way fails as any other does, and the worker
  // still ends as it always does.
  reportingExhaustion([&] { runSteps(argument); }, [&] {
    AccStepRecord failed{0, L"", kStepError, acctext::kAdapterStillMissing, argument.attempt};
    sendAccStep(failed, kStepError, acctext::kAdapterStillMissing);
  });
  // The game servers' direct measurement ends with the worker that started
  // it: whoever waits for the worker (a retry, the exit) leaves no echo behind.
  waitForDirectMeasurement(argument.attempt);
  ClientState::instance().startWorkerRunning = 0;
  postAttemptReport(WM_ACC_WORKER_ENDED, argument.attempt);
}

}  // namespace kestro

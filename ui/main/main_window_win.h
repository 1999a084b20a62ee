// The window the user works in after logging in: the tab view with the
// acceleration, node, game, voice, diagnosis and traffic panels, the account,
// network and announcement boxes on the right, the tray icon and the exit
// question. The node, game and voice panels live in their own files.
#pragma once

#include <windows.h>

#include <shellapi.h>

#include <cstdint>
#include <string>
#include <vector>

#include "accel/acc_step_record.h"
#include "accel/traffic_figures.h"
#include "app/catalogue_records.h"
#include "ui/host/html_window_win.h"
#include "ui/main/main_window_elements.h"

namespace kestro {

// The window class, by which other programs (and the tests) find the window.
inline constexpr wchar_t kMainWindowClass[] = L"KestroMainWindow";

// A local date-time as a day count, with whether it was ever set.
struct LocalDayTime {
  double days = 0.0;
  bool valid = false;
};
// Now, in local time, as days since 1601-01-01.
LocalDayTime localNow();

class CMainWindow : public HtmlWindow {
 public:
  CMainWindow();

  bool on_event(htmlayout::HELEMENT he, htmlayout::HELEMENT target, htmlayout::BEHAVIOR_EVENTS type,
                uintptr_t reason) override;
  bool handle_key(htmlayout::HELEMENT he, htmlayout::KEY_PARAMS& params) override;

  int32_t selectedNodeId = 0;
  int32_t selectedGameId = 0;
  int32_t selectedVoiceId = 0;

 protected:
  std::span<const std::wstring_view> elementIds() const override;
  void created() override;
  void initialise() override;
  void onWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  bool freedWithWindow() const override { return true; }
  void destroying() override;

 private:
  htmlayout::dom::element page(MainElement index) const { return element(index); }
  void show(MainElement index, const wchar_t* display) { setDisplay(index, display); }
  void setText(MainElement index, const std::wstring& text);
  void selectPanel(const wchar_t* panel);
  bool runCommand(MainElement index);
  bool runCommandById(const std::wstring& id);

  // Shell, tray and commands.
  void fillAccountBoxes();
  void restoreLastChoice();
  void closeWithConfirmation();
  void hideToTray();
  void onTrayNotify(LPARAM mouseMessage);
  bool onSystemMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void runGame();
  void chooseGamePath();
  void listAnnouncements();
  void offerAnnouncementRetry();
  void retryAnnouncements();

  // Node panel.
  void refreshNodeList();
  void refreshLatency();
  void showNodeProgress(bool running);
  void onNodeProgress(LPARAM record);
  void buildNodeTable();
  void markNodeProbing(int32_t nodeId);
  void showNodeLatency(LPARAM report);
  void onNodeRefreshDone();
  void onNodeFetchFailed();
  void useHighlightedNode();
  void chooseBestNode();
  void chooseNode(int32_t nodeId);

  // Game panel.
  void refreshGameList();
  void showGameTools(bool shown);
  void onGameProgress(LPARAM record);
  void onGameListReady();
  void onGameFetchFailed();
  void filterGamesByType(int32_t type);
  void filterGamesByInitial(wchar_t letter);
  void filterGamesByText();
  void showGames(const std::vector<GameRecord>& games);
  void appendGameEntry(const GameRecord& game);
  void chooseGame(int32_t gameId);

  // Voice panel.
  void chooseVoice(int32_t voiceId);
  void chooseNoVoice();

  // Acceleration panel: progress, traffic and stop.
  htmlayout::dom::element accTable() const;
  void startAcceleration();
  void onAccWorkerEnded();
  bool isCurrentAttempt(WPARAM attempt) const;
  void onAccStep(const AccStepRecord& record);
  void onTunnelError(int32_t code);
  void onTunnelConnected();
  void onTunnelInfo(WPARAM kind, LPARAM text);
  void onRoutesReady(WPARAM attempt);
  void onTunnelClosed(WPARAM attempt);
  // The stop's time bound (a window timer) has passed.
  void onStopOverdue();
  void showIdleView();
  // Before the window goes: the start worker is told to stop and given a
  // bounded time to end (its step reports are answered meanwhile).
  void endStartWorkerForExit();
  void onTunnelTraffic(WPARAM received, LPARAM sent);
  void onLinkQuality(uint32_t latencyMs, LPARAM lossHundredths);
  void showTrayTip(const std::wstring& tip);
  // A balloon on the notification icon while the window is hidden there.
  void showTrayBalloon(const wchar_t* title, const wchar_t* text);
  void stopAcceleration();
  TrafficCounters traffic_;
  bool pendingStart_ = false;  // a start waits for the previous worker's end
  bool stopping_ = false;      // the stop command ran; the tunnel has not closed yet
  uint32_t closedAttempt_ = 0;  // the attempt the page last returned to idle from
  uint32_t stoppedAttempt_ = 0;  // the attempt the last stop ended
  static constexpr UINT_PTR kStopBoundTimer = 0x4B53;

  // Diagnosis page.
  void startDiagnosis(float latency, float loss);
  void onLinkDegraded(WPARAM latency, LPARAM loss);
  void showDiagStep(LPARAM record);
  void showDiagScore(int32_t score);
  void showDiagStartView();
  void repairLsp();
  void removeAdapterCommand();
  int32_t diagnosisRunning = 0;  // from the start of a diagnosis until its score

  NOTIFYICONDATAW trayIcon_ = {};
  bool inTray_ = false;
  // The icon's tip while accelerating (state and latency); empty: the program's name.
  std::wstring trayTip_;
  int32_t nodeListRequested_ = 0;
  int32_t gameListRequested_ = 0;
  int32_t nodeListLoaded_ = 0;
  LocalDayTime nodeListTime_;
  int32_t gameListLoaded_ = 0;
  LocalDayTime gameListTime_;
};

// Stops a running acceleration before the program ends: routes removed, the
// flags cleared and the tunnel's stop event signalled and closed. Nothing
// happens when none runs.
void stopRunningAcceleration();

// Shows the main window and returns when it has closed.
void runMainWindow(HINSTANCE instance);

}  // namespace kestro

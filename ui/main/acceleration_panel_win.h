// The acceleration panel: the start command, the progress table fed by the
// start worker, the route installation and the tunnel library, the switch to
// the traffic view, the traffic figures, the link's quality, the game servers
// directly and through the tunnel (remembered per game) and the stop.
#pragma once

#include <cstdint>
#include <optional>

#include "accel/acc_step_record.h"
#include "accel/game_server_figures.h"
#include "accel/traffic_figures.h"
#include "ui/main/main_window_view.h"
#include "ui/main/tray_icon_win.h"

namespace kestro {

class AccelerationPanel : public MainPanel {
 public:
  AccelerationPanel(MainWindowView& view, MainSelection selection, TrayIcon& tray)
      : view_(view), selection_(selection), tray_(tray) {}

  bool onCommand(MainElement index) override;
  bool onCommandId(const std::wstring& id) override;
  bool onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void onDestroy() override;

  // Stop: the routes go, the tunnel's stop event is signalled, and the page
  // waits (within a bound) for the tunnel to close. Nothing when not accelerating.
  void stop();
  // Before the program ends: a start worker between its steps is told to stop
  // and given a bounded time to end (its step reports are answered meanwhile).
  void endStartWorkerForExit();

 private:
  htmlayout::dom::element stepTable() const;
  void start();
  void onWorkerEnded();
  bool isCurrentAttempt(WPARAM attempt) const;
  void onStep(const AccStepRecord& record);
  void onTunnelError(int32_t code);
  void onTunnelConnected();
  void onTunnelInfo(WPARAM kind, LPARAM text);
  void onRoutesReady(WPARAM attempt);
  void onTunnelClosed(WPARAM attempt);
  // The stop's time bound (a window timer) has passed.
  void onStopOverdue();
  void showIdleView();
  // Every start begins from zero figures and an empty chart.
  void resetFigures();
  void onTraffic(WPARAM received, LPARAM sent);
  void onLinkQuality(uint32_t latencyMs, LPARAM lossHundredths);
  void onGameServerEchoes(WPARAM attempt, LPARAM record);
  void showGameServers();
  void showAcceleratingTip();
  // Once per attempt, when it ends: the game's figures join its history.
  void recordSession();

  MainWindowView& view_;
  MainSelection selection_;
  TrayIcon& tray_;
  TrafficCounters traffic_;
  GameServerBoard gameServers_;
  std::optional<uint32_t> linkLatencyMs_;  // the latest sample's, kLinkEchoLost for a lost echo
  int32_t startedNodeId_ = 0;              // the choice the current attempt started with
  int32_t startedGameId_ = 0;
  uint32_t recordedAttempt_ = 0;
  bool pendingStart_ = false;    // a start waits for the previous worker's end
  bool stopping_ = false;        // the stop command ran; the tunnel has not closed yet
  uint32_t closedAttempt_ = 0;   // the attempt the page last returned to idle from
  uint32_t stoppedAttempt_ = 0;  // the attempt the last stop ended
  // Attempts count from 1: the attempt whose route run and whose link
  // monitor were started (each once).
  uint32_t connectedAttempt_ = 0;
  uint32_t monitoredAttempt_ = 0;
};

}  // namespace kestro

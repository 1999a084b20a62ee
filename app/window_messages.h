// The custom window messages by which workers, the tunnel library and the shell
// report to the windows: WM_USER + n, numbered in ranges by sender. Every
// sender and receiver uses these names. "Sent" messages block the worker until
// the window has handled them; all others are posted.
#pragma once

#include <cstdint>
#include <string>

namespace kestro {

inline constexpr uint32_t kWmUser = 0x0400;

// Login worker -> login window (posted).
inline constexpr uint32_t WM_LOGIN_PROGRESS = kWmUser + 200;         // lParam: new ProgressRecord*, freed by the receiver
inline constexpr uint32_t WM_LOGIN_NEW_VERSION = kWmUser + 201;
inline constexpr uint32_t WM_LOGIN_CONNECT_FAILED = kWmUser + 202;
inline constexpr uint32_t WM_LOGIN_BAD_CREDENTIALS = kWmUser + 203;
inline constexpr uint32_t WM_LOGIN_SUCCEEDED = kWmUser + 204;

// Shell and tunnel library -> main window.
inline constexpr uint32_t WM_TRAY_NOTIFY = kWmUser + 501;            // wParam: icon id 102; lParam: mouse message
inline constexpr uint32_t WM_TUNNEL_ERROR = kWmUser + 502;           // lParam: error code
inline constexpr uint32_t WM_TUNNEL_CONNECTED = kWmUser + 503;
inline constexpr uint32_t WM_TUNNEL_INFO = kWmUser + 504;            // wParam: kind 1..3; lParam: narrow text
inline constexpr uint32_t WM_TUNNEL_TRAFFIC = kWmUser + 505;         // wParam: bytes received; lParam: bytes sent

// Node list fetch and latency refresh -> main window (posted).
inline constexpr uint32_t WM_NODE_PROGRESS = kWmUser + 600;          // lParam: new ProgressRecord*, freed by the receiver
inline constexpr uint32_t WM_NODE_FETCH_FAILED = kWmUser + 601;
inline constexpr uint32_t WM_NODE_REFRESH_DONE = kWmUser + 602;
inline constexpr uint32_t WM_NODE_LATENCY = kWmUser + 603;           // lParam: new LatencyReport*, freed by the receiver
inline constexpr uint32_t WM_NODE_LIST_READY = kWmUser + 604;
inline constexpr uint32_t WM_NODE_PROBING = kWmUser + 605;           // lParam: 0 at the start, else a node id

// Game list fetch -> main window (posted).
inline constexpr uint32_t WM_GAME_PROGRESS = kWmUser + 700;          // lParam: new ProgressRecord*, freed by the receiver
inline constexpr uint32_t WM_GAME_FETCH_FAILED = kWmUser + 701;
inline constexpr uint32_t WM_GAME_LIST_READY = kWmUser + 702;

// Announcements fetch -> main window (posted).
inline constexpr uint32_t WM_ANNOUNCE_FAILED = kWmUser + 801;
inline constexpr uint32_t WM_ANNOUNCE_READY = kWmUser + 802;

// Acceleration start and route installation -> main window.
// wParam of the acceleration's own reports: the attempt they belong to.
inline constexpr uint32_t WM_ACC_STEP = kWmUser + 1001;              // sent; lParam: AccStepRecord*
inline constexpr uint32_t WM_TUNNEL_CLOSED = kWmUser + 1002;
inline constexpr uint32_t WM_ACC_WORKER_ENDED = kWmUser + 1003;      // the start worker's last act
// Posted by the start worker once the tunnel library returned, after all the
// library posted; wParam: a marker number. The window answers it with
// acknowledgeTunnelPosts, and the worker unloads the library only then.
inline constexpr uint32_t WM_TUNNEL_POSTS_HANDLED = kWmUser + 1004;
inline constexpr uint32_t WM_ROUTES_READY = kWmUser + 1101;
inline constexpr uint32_t WM_ACC_STOP = kWmUser + 1102;

// Link monitor -> main window.
inline constexpr uint32_t WM_LINK_DEGRADED = kWmUser + 1301;         // sent; wParam: latency ms; lParam: loss (accel/link_report.h)
// Live link probe -> main window, once a second while accelerating.
inline constexpr uint32_t WM_LINK_QUALITY = kWmUser + 1302;          // wParam: latency ms or kLinkEchoLost; lParam: loss (accel/link_quality.h)
// Game server echoes -> main window, directly once and through the tunnel every few seconds.
inline constexpr uint32_t WM_GAME_SERVER_ECHOES = kWmUser + 1303;    // wParam: attempt; lParam: new GameServerEchoes*, freed by the receiver
// The game's connections checked against the route table, every few seconds while accelerating.
inline constexpr uint32_t WM_GAME_CONNECTIONS = kWmUser + 1304;      // wParam: attempt; lParam: new GameConnectionReport*, freed by the receiver

// Diagnosis worker -> main window.
inline constexpr uint32_t WM_DIAG_STEP = kWmUser + 1401;             // sent; lParam: DiagStepRecord*
inline constexpr uint32_t WM_DIAG_DONE = kWmUser + 1402;             // sent; lParam: total score

// The record behind every progress message: one per message, allocated by
// the worker and freed by the window that handles it (service/progress_post_win.h).
struct ProgressRecord {
  int32_t percent = 0;
  std::wstring text;
};

}  // namespace kestro

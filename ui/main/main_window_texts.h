// The main window's texts and numbers that do not need a window: the account
// box, the latency cells of the node table, the refresh limit and the game
// entries' tooltips.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "app/catalogue_records.h"
#include "app/game_history.h"

namespace kestro {

// "%d天" for one day or more, else "0天".
std::wstring leaveDaysText(int32_t leaveDays);
// 4 domestic, 8 international; any other type has no text.
std::wstring accountTypeText(int32_t accountType);
// 3, 5, 6 and 7 have texts; any other status has none.
std::wstring accountStatusText(int32_t accountStatus);

// What the latency cell of a node shows for a three-echo result.
struct LatencyCell {
  std::wstring text;
  std::wstring value;  // the sort key of the cell
};
LatencyCell latencyCell(int32_t result);

// Local date-times as day counts (days since an epoch, fractions for the time).
// Whole minutes from `then` to `now`: the difference moved half a second away
// from zero, times 1440, truncated toward zero.
int32_t elapsedWholeMinutes(double thenDays, double nowDays);

// Lists may be fetched again 30 minutes after the last finished fetch. Within
// that time, the message naming the minutes still to wait; after it, nothing.
inline constexpr int32_t kRefreshIntervalMinutes = 30;
enum class RefreshedList { Nodes, Games };
std::optional<std::wstring> refreshRefusal(RefreshedList list, double thenDays, double nowDays);

// The tooltip of a game entry: abbreviation, short name, web site, operator.
std::wstring gameTooltip(const GameRecord& game);

// Beside the choice: the node that measured best for the chosen game,
// "本游戏实测最佳节点：浙江电信1区，加速后 38 毫秒（直连 162 毫秒）".
std::wstring bestNodeText(const GameSession& best, const std::wstring& nodeName);

}  // namespace kestro

#include "standins/game/held_rounds.h"

#include <cstdio>
#include <sstream>

namespace kestro::game {

std::string heldRoundLine(const HeldRound& round) {
  std::string line = "held " + round.server + " round " + std::to_string(round.round) + " ";
  if (!round.ms) return line + "lost";
  char ms[32];
  std::snprintf(ms, sizeof ms, "%.1f", *round.ms);
  return line + ms + " ms";
}

std::optional<HeldRound> readHeldRoundLine(std::string_view line) {
  std::istringstream in{std::string(line)};
  std::string held, word, value;
  HeldRound round;
  if (!(in >> held >> round.server >> word >> round.round >> value) || held != "held" || word != "round") {
    return std::nullopt;
  }
  std::string unit, rest;
  if (value == "lost") {
    if (in >> rest) return std::nullopt;
    return round;
  }
  std::istringstream number(value);
  double ms = 0;
  if (!(number >> ms) || !number.eof() || !(in >> unit) || unit != "ms" || in >> rest) return std::nullopt;
  round.ms = ms;
  return round;
}

}  // namespace kestro::game

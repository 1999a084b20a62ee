// The test world's relay (standins/relay), asked by development builds run in
// that world: one command line, one answer line, on a connection of its own.
// A release build has none of this (accel/CMakeLists.txt).
#pragma once

#include <optional>
#include <string>

namespace kestro {

// The relay's answer ("ok ..." or "error ..."); nothing outside the test world
// (worldRelayControl() empty) or when the relay could not be asked.
std::optional<std::string> askWorldRelay(const std::string& line);

}  // namespace kestro

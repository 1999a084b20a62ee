// The report record of the diagnosis worker: one process-wide instance that the
// worker rewrites for every report and hands to the main window by address.
// Reports are sent synchronously, so the window reads it while the worker waits.
#pragma once

#include <cstdint>
#include <string>

namespace kestro {

// Shared with the acceleration's step record: 0 running, 1 ok, 2 error, 3 warn.
enum class DiagStatus : int32_t { running = 0, ok = 1, error = 2, warn = 3 };

struct DiagStepRecord {
  std::wstring title;   // the same text in a check's start and verdict reports
  DiagStatus status = DiagStatus::running;
  std::wstring detail;  // empty for running and ok
};

// Created on first use, kept to process exit.
DiagStepRecord& diagStepRecord();

}  // namespace kestro

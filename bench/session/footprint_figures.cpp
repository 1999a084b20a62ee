#include "bench/session/footprint_figures.h"

#include <algorithm>
#include <cstdio>
#include <functional>

namespace kestro::bench {
namespace {

constexpr double kMb = 1024.0 * 1024.0;

std::string format(const char* pattern, auto... values) {
  char text[512];
  std::snprintf(text, sizeof text, pattern, values...);
  return text;
}

// Least-squares slope of `value` against the samples' hours.
double slopePerHour(const std::vector<TimedFootprint>& samples, const std::function<double(const Figures&)>& value) {
  if (samples.size() < 2) return 0;
  double meanT = 0, meanV = 0;
  for (const TimedFootprint& s : samples) {
    meanT += s.seconds / 3600.0;
    meanV += value(figuresOf(s.footprint));
  }
  meanT /= static_cast<double>(samples.size());
  meanV /= static_cast<double>(samples.size());
  double covariance = 0, variance = 0;
  for (const TimedFootprint& s : samples) {
    const double t = s.seconds / 3600.0 - meanT;
    covariance += t * (value(figuresOf(s.footprint)) - meanV);
    variance += t * t;
  }
  return variance > 0 ? covariance / variance : 0;
}

double spread(const std::vector<TimedFootprint>& samples, const std::function<double(const Figures&)>& value) {
  double low = value(figuresOf(samples.front().footprint)), high = low;
  for (const TimedFootprint& s : samples) {
    low = std::min(low, value(figuresOf(s.footprint)));
    high = std::max(high, value(figuresOf(s.footprint)));
  }
  return high - low;
}

}  // namespace

std::string sourcesText(const Footprint& first) {
  const auto from = [](bool windows, const char* api, const char* fallback) {
    return std::string(windows ? api : fallback) + (windows ? "" : " (Wine answered nothing)");
  };
  return "  private bytes: " +
         from(first.privateBytes > 0, "GetProcessMemoryInfo PrivateUsage", "VirtualQueryEx, committed MEM_PRIVATE") +
         "\n  working set: " + from(first.workingSet > 0, "GetProcessMemoryInfo WorkingSetSize", "/proc VmRSS") +
         "\n  handles: " + from(first.handles > 0, "GetProcessHandleCount", "the system's handle list (NtQuerySystemInformation)") +
         "\n  GDI objects: " + from(first.gdiObjects > 0, "GetGuiResources", "Wine's GDI handle table (PEB), stock objects left out") +
         "\n  USER objects: " + from(first.userObjects > 0, "GetGuiResources", "the process's windows (EnumWindows, message-only too)") +
         "\n  CPU: /proc stat utime+stime, every thread of the process (GetProcessTimes answers " +
         (first.cpuSeconds > 0 ? "less: printed beside it)" : "nothing)") + "\n";
}

Figures figuresOf(const Footprint& f) {
  return Figures{static_cast<double>(f.privateBytes > 0 ? f.privateBytes : f.committedPrivate) / kMb,
                 static_cast<double>(f.workingSet > 0 ? f.workingSet : f.vmRss) / kMb,
                 static_cast<double>(f.handles > 0 ? f.handles : f.systemHandles),
                 static_cast<double>(f.gdiObjects > 0 ? f.gdiObjects : f.gdiTableObjects),
                 static_cast<double>(f.userObjects > 0 ? f.userObjects : f.windows),
                 f.linuxCpuSeconds > 0 ? f.linuxCpuSeconds : f.cpuSeconds};
}

std::string sampleLine(const TimedFootprint& sample) {
  const Footprint& f = sample.footprint;
  const Figures shown = figuresOf(f);
  return format(
      "%6.1f min  private %6.2f MB  working set %6.2f MB  handles %4.0f  GDI %4.0f  USER %3.0f  CPU %7.2f s | "
      "Windows' answers: private %.2f MB, handles %u, GDI %u, USER %u, CPU %.2f s; threads' areas %.2f MB, image %.2f MB | "
      "Linux: VmData %.2f MB, private resident %.2f MB, fds %u, threads %u | load %.2f",
      sample.seconds / 60.0, shown.privateMb, shown.workingSetMb, shown.handles, shown.gdi, shown.user,
      shown.cpuSeconds, static_cast<double>(f.privateBytes) / kMb, f.handles, f.gdiObjects, f.userObjects,
      f.cpuSeconds, static_cast<double>(f.threadStacks) / kMb, static_cast<double>(f.committedImage) / kMb, static_cast<double>(f.vmData) / kMb,
      static_cast<double>(f.linuxPrivate) / kMb, f.fds, f.threads, sample.load);
}

std::string phaseSummary(const std::string& name, const std::vector<TimedFootprint>& samples) {
  if (samples.size() < 2) return name + ": too few samples\n";
  const Figures first = figuresOf(samples.front().footprint);
  const Figures last = figuresOf(samples.back().footprint);
  const double elapsed = samples.back().seconds - samples.front().seconds;
  double load = 0;
  for (const TimedFootprint& s : samples) load += s.load;
  load /= static_cast<double>(samples.size());
  const auto privateMb = [](const Figures& f) { return f.privateMb; };
  const auto workingSetMb = [](const Figures& f) { return f.workingSetMb; };
  const auto handles = [](const Figures& f) { return f.handles; };
  const auto gdi = [](const Figures& f) { return f.gdi; };
  const auto user = [](const Figures& f) { return f.user; };
  std::string text = format("%s: %.1f minutes, %zu samples, load average %.2f (2 cores)\n", name.c_str(),
                            elapsed / 60.0, samples.size(), load);
  text += format("  private bytes %.2f MB -> %.2f MB, growth %+.3f MB/hour (least squares), spread %.3f MB; "
                 "%.2f MB of it the threads' stacks and Wine's areas beside them, committed whole\n",
                 first.privateMb, last.privateMb, slopePerHour(samples, privateMb), spread(samples, privateMb),
                 static_cast<double>(samples.back().footprint.threadStacks) / kMb);
  text += format("  working set   %.2f MB -> %.2f MB, growth %+.3f MB/hour, spread %.3f MB\n", first.workingSetMb,
                 last.workingSetMb, slopePerHour(samples, workingSetMb), spread(samples, workingSetMb));
  text += format("  handles %.0f -> %.0f (%+.0f, spread %.0f); GDI %.0f -> %.0f (%+.0f, spread %.0f); USER %.0f -> %.0f "
                 "(%+.0f, spread %.0f)\n",
                 first.handles, last.handles, last.handles - first.handles, spread(samples, handles), first.gdi,
                 last.gdi, last.gdi - first.gdi, spread(samples, gdi), first.user, last.user, last.user - first.user,
                 spread(samples, user));
  text += format("  CPU %.2f s in %.1f s: %.3f %% of one core\n", last.cpuSeconds - first.cpuSeconds, elapsed,
                 elapsed > 0 ? 100.0 * (last.cpuSeconds - first.cpuSeconds) / elapsed : 0.0);
  return text;
}

std::string loopSummary(const std::string& name, const Footprint& before, const Footprint& after) {
  const Figures a = figuresOf(before);
  const Figures b = figuresOf(after);
  return format("%s: private %.2f -> %.2f MB (%+.3f), working set %.2f -> %.2f MB (%+.3f), handles %.0f -> %.0f (%+.0f), "
                "GDI %.0f -> %.0f (%+.0f), USER %.0f -> %.0f (%+.0f)\n",
                name.c_str(), a.privateMb, b.privateMb, b.privateMb - a.privateMb, a.workingSetMb, b.workingSetMb,
                b.workingSetMb - a.workingSetMb, a.handles, b.handles, b.handles - a.handles, a.gdi, b.gdi,
                b.gdi - a.gdi, a.user, b.user, b.user - a.user);
}

}  // namespace kestro::bench

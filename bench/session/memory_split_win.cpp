#include "bench/session/memory_split_win.h"

#include "tests/support/wine_host_win.h"

namespace kestro::bench {

std::string memorySplit(int unixPid) {
  // A mapping's kind from its path (field 6 on, empty for anonymous memory);
  // its Rss and Private_* lines follow it.
  static const char kAwk[] = R"awk(/^[0-9a-f]+-[0-9a-f]+ / {
  path = ""; for (i = 6; i <= NF; i++) path = path (i > 6 ? " " : "") $i
  if (path ~ /kestro-world/) kind = "the program folder (Kestro.exe, Viadex.dll)"
  else if (path ~ /wine/ && path ~ /\.so/) kind = "Wine's Linux libraries"
  else if (path ~ /\.(dll|drv|exe|sys|ocx)$/) kind = "Wine's Windows modules"
  else if (path ~ /\.so/) kind = "Linux libraries (libc, X11, FreeType, fontconfig)"
  else if (path ~ /\.(ttf|ttc|otf|pcf|pcf\.gz)$|fonts|fontconfig/) kind = "fonts and their caches"
  else if (path == "[heap]") kind = "the Linux heap (Wine's Linux side)"
  else if (path == "") kind = "anonymous: Windows heaps, stacks, Wine's mappings"
  else if (path ~ /^\[/) kind = "stacks and kernel pages"
  else kind = "other files (" path ")"
  next
}
/^Rss:/ { rss[kind] += $2 }
/^Private_(Clean|Dirty):/ { own[kind] += $2 }
END { for (k in rss) printf "%9d kB resident %9d kB private  %s\n", rss[k], own[k], k })awk";
  std::string output;
  const std::string command = "awk " + test::shellQuoted(kAwk) + " /proc/" + std::to_string(unixPid) +
                              "/smaps | sort -n -r";
  if (test::runOnLinux(command, &output, 20000) != 0) return {};
  return output;
}

}  // namespace kestro::bench

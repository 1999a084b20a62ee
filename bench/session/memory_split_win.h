// Where a Wine process's memory lies, as Linux maps it (/proc/<pid>/smaps):
// resident and private-resident kilobytes per kind of mapping, the
// program's own files apart from Wine's modules, Linux's libraries, fonts
// and the anonymous memory that holds the Windows heaps.
#pragma once

#include <string>

namespace kestro::bench {

// One line per kind, largest first: "<N> kB resident <N> kB private  <kind>"; empty when unreadable.
std::string memorySplit(int unixPid);

}  // namespace kestro::bench

// The programs the diagnosis looks for among the running processes: programs
// that use much bandwidth in the background and 802.1x dial-up clients that may
// block a second network adapter. Built fresh for every diagnosis run.
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace kestro {

// Process file name (lower case) -> the name shown to the user.
using ProgramTable = std::map<std::wstring, std::wstring>;

struct KnownProgramTables {
  KnownProgramTables();

  ProgramTable trafficPrograms;  // 50 video, music, download and peer-to-peer programs
  ProgramTable dialupClients;    // 6 dial-up clients
};

// The letters A to Z lowered; every other character is kept as it is.
std::wstring lowerAsciiLetters(std::wstring_view text);

// The file name of a process entry's executable, lowered as above. Windows gives
// the bare name; anything up to a last path separator is dropped all the same,
// so only the file name is ever compared.
std::wstring processFileName(std::wstring_view executable);

// Looks one running executable up as a whole key; on a match sets `found` and
// appends the line "display name<TAB>file name<CR><LF>".
void noteRunningProgram(const ProgramTable& table, std::wstring_view executable, std::wstring& listing,
                        bool& found);

// True for the driver firewall's process, "drvanti.exe" in any letter case.
bool isDriverFirewall(std::wstring_view executable);

}  // namespace kestro

// The ICMP echo functions the probes call, as a table that tests replace to
// script replies, time-outs and error statuses. By default every entry is the
// real IP Helper function. Replace entries only while no probe runs (before a
// worker starts and after it has ended).
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
#include <icmpapi.h>

namespace kestro {

struct IcmpFunctions {
  decltype(&::IcmpCreateFile) createFile = &::IcmpCreateFile;
  decltype(&::IcmpSendEcho2) sendEcho2 = &::IcmpSendEcho2;
  decltype(&::IcmpCloseHandle) closeHandle = &::IcmpCloseHandle;
  decltype(&::IcmpParseReplies) parseReplies = &::IcmpParseReplies;
};

// The completion routine's type differs between SDKs (PIO_APC_ROUTINE or
// FARPROC); what Windows calls is a routine of three arguments.
template <typename>
struct ThirdParameter;
template <typename R, typename A, typename B, typename C, typename... Rest>
struct ThirdParameter<R(WINAPI*)(A, B, C, Rest...)> {
  using type = C;
};
using EchoApcRoutine = ThirdParameter<decltype(&::IcmpSendEcho2)>::type;

// The table in use, shared by every thread of the process.
IcmpFunctions& icmpFunctions();

}  // namespace kestro

// The route journal against Wine's real registry, with the route seam
// standing for the system's forward table.
#include "accel/route_journal_win.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>

#include "accel/route_journal.h"
#include "accel/route_rows.h"
#include "accel/routes_win.h"
#include "app/client_state.h"
#include "app/registry_key_win.h"
#include "tests/accel/accel_test_support_win.h"

namespace kestro {
namespace {

void writeJournalValue(const wchar_t* name, const std::wstring& data) {
  RegistryKey key;
  ASSERT_EQ(RegistryKey::openOrCreate(HKEY_LOCAL_MACHINE, kRouteJournalKey, KEY_SET_VALUE, key), ERROR_SUCCESS);
  ASSERT_EQ(key.writeText(name, data), ERROR_SUCCESS);
}

ForwardRow routeTo(uint32_t destination) {
  return makeRouteRow(destination, 0xFFFFFFFF, inet_addr("203.0.113.249"), 12, 1);
}

class RouteJournal : public ::testing::Test {
 protected:
  void SetUp() override {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kRouteJournalKey);
    ClientState::instance().takeInstalledRoutes();
  }
  void TearDown() override {
    ClientState::instance().takeInstalledRoutes();
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kRouteJournalKey);
  }
};

TEST_F(RouteJournal, ARowIsJournalledBeforeItIsCreatedAndLeavesAfterItIsDeleted) {
  test::ScriptedRouteTable table;
  std::vector<std::wstring> atCreation;
  routeSystem().createIpForwardEntry = [&](MIB_IPFORWARDROW*) {
    atCreation = test::routeJournalEntries();
    return DWORD{ERROR_SUCCESS};
  };
  const ForwardRow row = routeTo(inet_addr("198.51.100.30"));
  claimRoutes(1);
  ASSERT_EQ(addRoute(1, row), DWORD{ERROR_SUCCESS});
  EXPECT_EQ(atCreation, std::vector<std::wstring>{journalValueName(row, thisProgram())});
  removeInstalledRoutes();
  EXPECT_TRUE(test::routeJournalEntries().empty());
  ASSERT_EQ(table.deletedRows().size(), 1u);
}

TEST_F(RouteJournal, TheRowsOfACrashedRunAreSweptAtTheNextStart) {
  // What a run killed in the middle of an acceleration leaves behind.
  const ForwardRow first = routeTo(inet_addr("198.51.100.30"));
  const ForwardRow second = routeTo(inet_addr("192.0.2.10"));
  writeJournalValue(journalEntryText(first).c_str(), journalEntryText(first));
  writeJournalValue(journalEntryText(second).c_str(), journalEntryText(second));
  writeJournalValue(L"not a row", L"nonsense");
  test::ScriptedRouteTable table;
  EXPECT_EQ(sweepRouteJournal(), 2u);
  const auto deleted = table.deletedRows();
  ASSERT_EQ(deleted.size(), 2u);
  std::set<uint32_t> destinations{deleted[0].dwForwardDest, deleted[1].dwForwardDest};
  EXPECT_EQ(destinations, (std::set<uint32_t>{first.forwardDest, second.forwardDest}));
  for (const auto& row : deleted) {
    EXPECT_EQ(row.dwForwardNextHop, inet_addr("203.0.113.249"));
    EXPECT_EQ(row.dwForwardIfIndex, 12u);
  }
  EXPECT_TRUE(test::routeJournalEntries().empty());
  EXPECT_EQ(sweepRouteJournal(), 0u) << "nothing is swept twice";
}

// The journal and the forward table are the machine's, the program runs once
// per user session: a start-up sweep leaves the rows of a program that still
// runs (here: this one, standing for the first user's) and takes those of one
// that ended.
TEST_F(RouteJournal, TheSweepLeavesTheRowsOfAProgramThatStillRuns) {
  const ForwardRow running = routeTo(inet_addr("198.51.100.30"));
  const ForwardRow ended = routeTo(inet_addr("192.0.2.10"));
  const ForwardRow reused = routeTo(inet_addr("192.0.2.11"));
  writeJournalValue(journalValueName(running, thisProgram()).c_str(), journalEntryText(running));
  // A program that has ended, and a later program with the same process id.
  writeJournalValue(journalValueName(ended, JournalOwner{0x7FFFFFF0, 1}).c_str(), journalEntryText(ended));
  writeJournalValue(journalValueName(reused, JournalOwner{thisProgram().processId, thisProgram().startTime + 1}).c_str(),
                    journalEntryText(reused));
  test::ScriptedRouteTable table;
  EXPECT_EQ(sweepRouteJournal(), 2u);
  std::set<uint32_t> deleted;
  for (const auto& row : table.deletedRows()) deleted.insert(row.dwForwardDest);
  EXPECT_EQ(deleted, (std::set<uint32_t>{ended.forwardDest, reused.forwardDest}));
  EXPECT_EQ(test::routeJournalEntries(), std::vector<std::wstring>{journalValueName(running, thisProgram())});
}

// The tunnel's end removes the routes on its own thread while the route thread
// is still creating one: the row it is creating is removed too, after its creation.
TEST(AccelerationLifecycle, ARowBeingCreatedWhenTheTunnelEndsIsRemovedAfterItsCreation) {
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, kRouteJournalKey);
  ClientState::instance().takeInstalledRoutes();
  test::ScriptedRouteTable table;
  std::mutex mutex;
  std::condition_variable changed;
  bool creating = false;
  bool release = false;
  std::vector<std::string> order;
  routeSystem().createIpForwardEntry = [&](MIB_IPFORWARDROW*) {
    std::unique_lock lock(mutex);
    creating = true;
    changed.notify_all();
    changed.wait(lock, [&] { return release; });
    order.push_back("created");
    return DWORD{ERROR_SUCCESS};
  };
  routeSystem().deleteIpForwardEntry = [&](MIB_IPFORWARDROW*) {
    std::lock_guard lock(mutex);
    order.push_back("deleted");
    return DWORD{ERROR_SUCCESS};
  };
  claimRoutes(1);
  std::thread routeThread([&] { addRoute(1, routeTo(inet_addr("198.51.100.30"))); });
  {
    std::unique_lock lock(mutex);
    changed.wait(lock, [&] { return creating; });
  }
  std::thread tunnelEnd([] { removeInstalledRoutes(); });
  Sleep(300);  // the removal now waits for the creation to finish
  {
    std::lock_guard lock(mutex);
    release = true;
    changed.notify_all();
  }
  routeThread.join();
  tunnelEnd.join();
  EXPECT_EQ(order, (std::vector<std::string>{"created", "deleted"}));
  EXPECT_TRUE(ClientState::instance().installedRoutes().empty());
  EXPECT_TRUE(test::routeJournalEntries().empty());
}

}  // namespace
}  // namespace kestro

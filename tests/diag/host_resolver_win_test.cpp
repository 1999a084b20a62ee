#include "diag/host_resolver_win.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/scoped_seam.h"

namespace kestro {
namespace {

class HostResolver : public ::testing::Test {
 protected:
  void SetUp() override {
    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    asked().clear();
  }
  void TearDown() override { WSACleanup(); }

  static std::vector<std::string>& asked() {
    static std::vector<std::string> names;
    return names;
  }

  // Stands in for a resolver that knows no name at all.
  static hostent* WSAAPI unknownName(const char* name) {
    asked().push_back(name);
    WSASetLastError(WSAHOST_NOT_FOUND);
    return nullptr;
  }

  // The resolver's entry, with the addresses of the null-ended `list`.
  static hostent* entryOf(char** list) {
    static char* noAliases[] = {nullptr};
    static hostent entry;
    entry.h_name = const_cast<char*>("scripted");
    entry.h_aliases = noAliases;
    entry.h_addrtype = AF_INET;
    entry.h_length = sizeof(in_addr);
    entry.h_addr_list = list;
    return &entry;
  }

  // Knows every name, at 127.0.0.5 and then 127.0.0.6.
  static hostent* WSAAPI twoAddresses(const char* name) {
    asked().push_back(name);
    static in_addr addresses[2];
    addresses[0].s_addr = inet_addr("127.0.0.5");
    addresses[1].s_addr = inet_addr("127.0.0.6");
    static char* list[] = {reinterpret_cast<char*>(&addresses[0]), reinterpret_cast<char*>(&addresses[1]), nullptr};
    return entryOf(list);
  }

  // An entry that holds no address.
  static hostent* WSAAPI emptyEntry(const char*) {
    static char* none[] = {nullptr};
    return entryOf(none);
  }

  test::ScopedSeam<HostResolverFunctions> resolver_{hostResolverFunctions()};
};

// "localhost" comes from the hosts file and a numeric address needs no lookup:
// neither asks a DNS server.
TEST_F(HostResolver, ResolvesLoopbackNamesForReal) {
  for (const wchar_t* host : {L"localhost", L"127.0.0.1"}) {
    std::wstring address;
    EXPECT_TRUE(resolveHostAddress(host, address)) << host;
    EXPECT_EQ(address, L"127.0.0.1");
  }
  std::wstring address;
  EXPECT_TRUE(resolveHostAddress(L"127.0.0.9", address));
  EXPECT_EQ(address, L"127.0.0.9");
}

TEST_F(HostResolver, ANameThatDoesNotResolveFailsAndLeavesTheAddress) {
  resolver_->getHostByName = &HostResolver::unknownName;
  std::wstring address = L"unchanged";
  EXPECT_FALSE(resolveHostAddress(L"www.example.invalid", address));
  EXPECT_EQ(address, L"unchanged");
  EXPECT_EQ(asked(), std::vector<std::string>{"www.example.invalid"});
}

TEST_F(HostResolver, TakesTheFirstAddressOfTheEntry) {
  resolver_->getHostByName = &HostResolver::twoAddresses;
  std::wstring address;
  EXPECT_TRUE(resolveHostAddress(L"probe.example", address));
  EXPECT_EQ(address, L"127.0.0.5");
}

TEST_F(HostResolver, AnEntryWithoutAddressesFails) {
  resolver_->getHostByName = &HostResolver::emptyEntry;
  std::wstring address;
  EXPECT_FALSE(resolveHostAddress(L"probe.example", address));
}

}  // namespace
}  // namespace kestro

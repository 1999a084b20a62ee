#include "accel/tcp_tuning_win.h"

#include <gtest/gtest.h>

#include <optional>

#include "accel/acceleration_texts.h"
#include "tests/accel/accel_test_support_win.h"
#include "tests/support/registry_values_win.h"

namespace kestro {
namespace {

constexpr wchar_t kFirst[] = L"{22222222-0000-0000-0000-000000000001}";
constexpr wchar_t kSecond[] = L"{22222222-0000-0000-0000-000000000002}";

using test::setDword;

void setText(const std::wstring& path, const wchar_t* name, const std::wstring& value) {
  test::writeRegistryText(HKEY_LOCAL_MACHINE, path, name, value);
}

std::optional<DWORD> dword(const std::wstring& path, const wchar_t* name) {
  return test::registryDword(HKEY_LOCAL_MACHINE, path, name);
}

class TcpTuning : public ::testing::Test {
 protected:
  void SetUp() override {
    test::removeTestAdapters();
    setDword(kTcpParametersKey, L"Tcp1323Opts", 1);
  }
  void TearDown() override { test::removeTestAdapters(); }

  static std::wstring interfaceKey(const wchar_t* instance) { return kTcpInterfacesKey + std::wstring(instance); }
};

TEST_F(TcpTuning, ThreeIsLeftAloneTwoIsRewritten) {
  test::addAdapter(L"9201", L"kestro", kFirst);
  setDword(interfaceKey(kFirst), L"TcpAckFrequency", 1);
  setDword(interfaceKey(kFirst), L"TCPInitialRtt", 300);
  const struct {
    DWORD before;
    DWORD after;
    int32_t restart;
  } rows[] = {{3, 3, 0}, {1, 1, 0}, {2, 1, 1}, {0, 1, 1}, {4, 1, 1}};
  for (const auto& row : rows) {
    setDword(kTcpParametersKey, L"Tcp1323Opts", row.before);
    std::wstring message;
    int32_t restart = 0;
    EXPECT_TRUE(tuneTcpParameters({kFirst}, message, restart));
    EXPECT_EQ(restart, row.restart) << row.before;
    EXPECT_EQ(dword(kTcpParametersKey, L"Tcp1323Opts"), row.after) << row.before;
  }
}

TEST_F(TcpTuning, MissingOrMistypedValuesAreWrittenOnceThenLeftAlone) {
  test::addAdapter(L"9201", L"kestro", kFirst);
  setText(kTcpParametersKey, L"Tcp1323Opts", L"3");
  setText(interfaceKey(kFirst), L"TCPInitialRtt", L"300");
  std::wstring message;
  int32_t restart = 0;
  EXPECT_TRUE(tuneTcpParameters({kFirst}, message, restart));
  EXPECT_EQ(restart, 1);
  EXPECT_EQ(dword(kTcpParametersKey, L"Tcp1323Opts"), 1);
  EXPECT_EQ(dword(interfaceKey(kFirst), L"TcpAckFrequency"), 1);
  EXPECT_EQ(dword(interfaceKey(kFirst), L"TCPInitialRtt"), 300);

  restart = 0;
  EXPECT_TRUE(tuneTcpParameters({kFirst}, message, restart));
  EXPECT_EQ(restart, 0);
}

TEST_F(TcpTuning, BothAdaptersAreTuned) {
  test::addAdapter(L"9201", L"kestro", kFirst);
  test::addAdapter(L"9202", L"kestro", kSecond);
  setDword(interfaceKey(kSecond), L"TcpAckFrequency", 2);
  setDword(interfaceKey(kSecond), L"TCPInitialRtt", 3000);
  std::wstring message;
  int32_t restart = 0;
  EXPECT_TRUE(tuneTcpParameters({kFirst, kSecond}, message, restart));
  EXPECT_EQ(restart, 1);
  for (const wchar_t* instance : {kFirst, kSecond}) {
    EXPECT_EQ(dword(interfaceKey(instance), L"TcpAckFrequency"), 1);
    EXPECT_EQ(dword(interfaceKey(instance), L"TCPInitialRtt"), 300);
  }
}

TEST_F(TcpTuning, AMissingInterfaceKeyFailsAfterTheEarlierAdapters) {
  test::addAdapter(L"9201", L"kestro", kFirst);
  test::addAdapter(L"9202", L"kestro", kSecond, false);
  std::wstring message;
  int32_t restart = 0;
  EXPECT_FALSE(tuneTcpParameters({kFirst, kSecond}, message, restart));
  EXPECT_EQ(message, acctext::kTcpKeyUnavailable);
  EXPECT_EQ(restart, 1);
  EXPECT_EQ(dword(interfaceKey(kFirst), L"TcpAckFrequency"), 1);
  EXPECT_EQ(dword(interfaceKey(kFirst), L"TCPInitialRtt"), 300);
}

TEST_F(TcpTuning, NoAdapterFailsAfterTheWindowScaling) {
  setDword(kTcpParametersKey, L"Tcp1323Opts", 2);
  std::wstring message;
  int32_t restart = 0;
  EXPECT_FALSE(tuneTcpParameters({}, message, restart));
  EXPECT_EQ(message, acctext::kNoUsableAdapter);
  EXPECT_EQ(dword(kTcpParametersKey, L"Tcp1323Opts"), 1);
}

}  // namespace
}  // namespace kestro

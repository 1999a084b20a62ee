// Against Wine's real registry: each test starts from a missing settings key.
#include "app/settings_store_win.h"

#include <gtest/gtest.h>

namespace kestro {
namespace {

class SettingsStore : public ::testing::Test {
 protected:
  void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKeyPath); }
  void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKeyPath); }

  static RegistryKey key() {
    RegistryKey k;
    EXPECT_EQ(openSettingsKey(k), ERROR_SUCCESS);
    return k;
  }
  static bool hasValue(const wchar_t* name) {
    return RegQueryValueExW(key().get(), name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  }
  static DWORD dword(const wchar_t* name) {
    DWORD value = 0xDEAD;
    EXPECT_TRUE(key().readDword(name, value)) << name;
    return value;
  }
  static std::wstring text(const wchar_t* name) {
    std::wstring value;
    EXPECT_EQ(key().readText(name, value), ERROR_SUCCESS) << name;
    return value;
  }
};

TEST_F(SettingsStore, FirstRunWritesTheDefaultsAndFillsNothing) {
  const LoginFormSettings form = loadLoginSettings();
  EXPECT_FALSE(form.userName.has_value());
  EXPECT_FALSE(form.saveUserName.has_value());
  EXPECT_FALSE(form.password.has_value());
  EXPECT_FALSE(form.savePassword.has_value());
  EXPECT_EQ(dword(L"SaveUsername"), 1u);
  EXPECT_EQ(text(L"Username"), L"kestro");
  EXPECT_EQ(dword(L"SavePassword"), 0u);
  EXPECT_FALSE(hasValue(L"Password"));

  // The second start shows the remembered name with its box ticked.
  const LoginFormSettings second = loadLoginSettings();
  EXPECT_EQ(second.userName, L"kestro");
  EXPECT_EQ(second.saveUserName, true);
  EXPECT_EQ(second.savePassword, false);
}

TEST_F(SettingsStore, SaveUsernameStoredAsTextCountsAsMissing) {
  key().writeText(L"SaveUsername", L"1");
  key().writeText(L"Username", L"someone");
  const LoginFormSettings form = loadLoginSettings();
  EXPECT_FALSE(form.userName.has_value());
  EXPECT_EQ(dword(L"SaveUsername"), 1u);
  EXPECT_EQ(text(L"Username"), L"kestro");
}

TEST_F(SettingsStore, LoginSuccessRemembersAndForgets) {
  saveLoginSettings(true, L"玩家一号", true, L"s3cret&=x");
  EXPECT_EQ(dword(L"SaveUsername"), 1u);
  EXPECT_EQ(text(L"Username"), L"玩家一号");
  EXPECT_EQ(dword(L"SavePassword"), 1u);
  EXPECT_EQ(text(L"Password"), L"czNjcmV0Jj14");

  const LoginFormSettings form = loadLoginSettings();
  EXPECT_EQ(form.userName, L"玩家一号");
  EXPECT_EQ(form.password, L"s3cret&=x");
  EXPECT_EQ(form.savePassword, true);

  saveLoginSettings(false, L"ignored", false, L"ignored");
  EXPECT_EQ(dword(L"SaveUsername"), 0u);
  EXPECT_FALSE(hasValue(L"Username"));
  EXPECT_EQ(dword(L"SavePassword"), 0u);
  EXPECT_FALSE(hasValue(L"Password"));
  const LoginFormSettings cleared = loadLoginSettings();
  EXPECT_EQ(cleared.saveUserName, false);
  EXPECT_EQ(cleared.savePassword, false);
  EXPECT_FALSE(cleared.userName.has_value());
}

TEST_F(SettingsStore, SixtyBytePasswordIsStoredWithOneLineBreak) {
  saveLoginSettings(true, L"kestro", true, std::wstring(60, L'k'));
  const std::wstring stored = text(L"Password");
  ASSERT_EQ(stored.size(), 82u);
  EXPECT_EQ(stored.find(L"\r\n"), 76u);
  EXPECT_EQ(loadLoginSettings().password, std::wstring(60, L'k'));
}

TEST_F(SettingsStore, TextValuesKeepTheirTerminatingNulInTheByteLength) {
  key().writeText(L"NodeName", L"abc");
  DWORD type = 0;
  DWORD bytes = 0;
  ASSERT_EQ(RegQueryValueExW(key().get(), L"NodeName", nullptr, &type, nullptr, &bytes), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(bytes, 8u);
}

TEST_F(SettingsStore, TextReadsRejectWrongTypesShapesAndLengths) {
  const RegistryKey k = key();
  std::wstring out = L"unchanged";

  const DWORD number = 1;
  RegSetValueExW(k.get(), L"Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof(number));
  EXPECT_EQ(k.readText(L"Number", out), ERROR_INVALID_DATA);

  // The system adds a forgotten NUL when the character after the data is one,
  // so the data is followed by a character that is not.
  const wchar_t unterminated[] = L"abX";
  RegSetValueExW(k.get(), L"NoNul", 0, REG_SZ, reinterpret_cast<const BYTE*>(unterminated), 2 * sizeof(wchar_t));
  EXPECT_EQ(k.readText(L"NoNul", out), ERROR_INVALID_DATA);

  const BYTE odd[] = {'a', 0, 0};
  RegSetValueExW(k.get(), L"Odd", 0, REG_SZ, odd, sizeof(odd));
  EXPECT_EQ(k.readText(L"Odd", out), ERROR_INVALID_DATA);

  k.writeText(L"Long", std::wstring(260, L'x'));  // 261 characters with the NUL
  EXPECT_EQ(k.readText(L"Long", out), ERROR_MORE_DATA);
  k.writeText(L"Fits", std::wstring(259, L'y'));
  EXPECT_EQ(k.readText(L"Fits", out), ERROR_SUCCESS);
  EXPECT_EQ(out, std::wstring(259, L'y'));

  const wchar_t expand[] = L"%TEMP%";
  RegSetValueExW(k.get(), L"Expand", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(expand), sizeof(expand));
  EXPECT_EQ(k.readText(L"Expand", out), ERROR_SUCCESS);
  EXPECT_EQ(out, L"%TEMP%");

  k.writeText(L"Empty", L"");
  EXPECT_EQ(k.readText(L"Empty", out), ERROR_SUCCESS);
  EXPECT_EQ(out, L"");

  DWORD value = 7;
  EXPECT_FALSE(k.readDword(L"Fits", value));
  EXPECT_EQ(value, 7u);
}

TEST_F(SettingsStore, SelectionsAreStoredAndZeroIdsMeanNothing) {
  SavedSelection empty = loadSavedSelection();
  EXPECT_EQ(empty.nodeId, 0u);
  EXPECT_EQ(empty.nodeName, L"");

  saveNodeSelection(0, L"");
  saveGameSelection(17, L"英雄联盟");
  saveVoiceSelection(1, L"多玩YY");
  SavedSelection saved = loadSavedSelection();
  EXPECT_EQ(saved.nodeId, 0u);
  EXPECT_EQ(saved.gameId, 17u);
  EXPECT_EQ(saved.gameName, L"英雄联盟");
  EXPECT_EQ(saved.voiceId, 1u);
  EXPECT_EQ(saved.voiceName, L"多玩YY");

  clearVoiceSelection();
  EXPECT_FALSE(hasValue(L"VoiceId"));
  EXPECT_FALSE(hasValue(L"VoiceName"));
  EXPECT_EQ(loadSavedSelection().voiceId, 0u);
}

TEST_F(SettingsStore, GamePathsAreStoredPerGame) {
  EXPECT_FALSE(readGamePath(12).has_value());
  ASSERT_TRUE(writeGamePath(12, L"C:\\Games\\LoL\\client.exe"));
  EXPECT_EQ(readGamePath(12), L"C:\\Games\\LoL\\client.exe");
  EXPECT_EQ(text(L"Game12"), L"C:\\Games\\LoL\\client.exe");
  EXPECT_FALSE(readGamePath(13).has_value());
}

}  // namespace
}  // namespace kestro

// The user's preferences under HKEY_CURRENT_USER\Software\Kestro\Settings.
// Every routine opens the key, does its work and closes it again. Registry
// failures are silent: what cannot be read leaves the caller's value alone.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "app/game_history.h"
#include "app/registry_key_win.h"

namespace kestro {

inline constexpr wchar_t kSettingsKeyPath[] = L"Software\\Kestro\\Settings";
inline constexpr REGSAM kSettingsAccess = 0x2001F;  // read + set value + create subkey

LONG openSettingsKey(RegistryKey& out);

// What the login window puts in its form when it loads. An empty optional
// leaves the control as the page defines it.
struct LoginFormSettings {
  std::optional<std::wstring> userName;
  std::optional<bool> saveUserName;
  std::optional<std::wstring> password;
  std::optional<bool> savePassword;
};

// Reads the remembered account, writing the first-run defaults where missing.
LoginFormSettings loadLoginSettings();

// After a successful login: remembers or forgets the name and the password.
void saveLoginSettings(bool saveUserName, const std::wstring& userName, bool savePassword,
                       const std::wstring& password);

// The last choice of node, game and voice application; ids of 0 and empty
// names mean "nothing stored".
struct SavedSelection {
  DWORD nodeId = 0;
  DWORD gameId = 0;
  DWORD voiceId = 0;
  std::wstring nodeName;
  std::wstring gameName;
  std::wstring voiceName;
};
SavedSelection loadSavedSelection();

void saveNodeSelection(DWORD nodeId, const std::wstring& name);
void saveGameSelection(DWORD gameId, const std::wstring& name);
void saveVoiceSelection(DWORD voiceId, const std::wstring& name);
void clearVoiceSelection();

// The path of a game's executable, "Game%d".
std::optional<std::wstring> readGamePath(int gameId);
bool writeGamePath(int gameId, const std::wstring& path);

// The last sessions measured for a game, "History%d" (empty when none or unreadable).
std::vector<GameSession> readGameHistory(int gameId);
// Adds a session as the newest, keeping the bound; false when the key refused it.
bool addGameSession(int gameId, const GameSession& session);

}  // namespace kestro

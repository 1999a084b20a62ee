#include "app/settings_store_win.h"

#include <string>

#include "app/password_codec.h"

namespace kestro {

namespace {

std::wstring gameValueName(int gameId) { return L"Game" + std::to_wstring(gameId); }
std::wstring historyValueName(int gameId) { return L"History" + std::to_wstring(gameId); }

void saveSelection(const wchar_t* idName, DWORD id, const wchar_t* nameName, const std::wstring& name) {
  RegistryKey key;
  if (openSettingsKey(key) != ERROR_SUCCESS) return;
  key.writeDword(idName, id);
  key.writeText(nameName, name);
}

}  // namespace

LONG openSettingsKey(RegistryKey& out) {
  return RegistryKey::openOrCreate(HKEY_CURRENT_USER, kSettingsKeyPath, kSettingsAccess, out);
}

LoginFormSettings loadLoginSettings() {
  LoginFormSettings form;
  RegistryKey key;
  if (openSettingsKey(key) != ERROR_SUCCESS) return form;

  DWORD saveUserName = 0;
  if (!key.readDword(L"SaveUsername", saveUserName)) {
    key.writeDword(L"SaveUsername", 1);
    key.writeText(L"Username", L"kestro");
  } else if (saveUserName == 1) {
    std::wstring name;
    if (key.readText(L"Username", name) == ERROR_SUCCESS) {
      form.userName = name;
      form.saveUserName = true;
    }
  } else {
    form.saveUserName = false;
  }

  DWORD savePassword = 0;
  if (!key.readDword(L"SavePassword", savePassword)) {
    key.writeDword(L"SavePassword", 0);
  } else if (savePassword == 1) {
    std::wstring stored;
    if (key.readText(L"Password", stored) == ERROR_SUCCESS) {
      form.password = decodeStoredPassword(stored);
      form.savePassword = true;
    }
  } else {
    form.savePassword = false;
  }
  return form;
}

void saveLoginSettings(bool saveUserName, const std::wstring& userName, bool savePassword,
                       const std::wstring& password) {
  RegistryKey key;
  if (openSettingsKey(key) != ERROR_SUCCESS) return;
  if (saveUserName) {
    key.writeDword(L"SaveUsername", 1);
    key.writeText(L"Username", userName);
  } else {
    key.writeDword(L"SaveUsername", 0);
    key.deleteValue(L"Username");
  }
  if (savePassword) {
    key.writeDword(L"SavePassword", 1);
    key.writeText(L"Password", encodeStoredPassword(password));
  } else {
    key.writeDword(L"SavePassword", 0);
    key.deleteValue(L"Password");
  }
}

SavedSelection loadSavedSelection() {
  SavedSelection selection;
  RegistryKey key;
  if (openSettingsKey(key) != ERROR_SUCCESS) return selection;
  key.readDword(L"NodeId", selection.nodeId);
  key.readDword(L"GameId", selection.gameId);
  key.readDword(L"VoiceId", selection.voiceId);
  key.readText(L"NodeName", selection.nodeName);
  key.readText(L"GameName", selection.gameName);
  key.readText(L"VoiceName", selection.voiceName);
  return selection;
}

void saveNodeSelection(DWORD nodeId, const std::wstring& name) { saveSelection(L"NodeId", nodeId, L"NodeName", name); }
void saveGameSelection(DWORD gameId, const std::wstring& name) { saveSelection(L"GameId", gameId, L"GameName", name); }
void saveVoiceSelection(DWORD voiceId, const std::wstring& name) {
  saveSelection(L"VoiceId", voiceId, L"VoiceName", name);
}

void clearVoiceSelection() {
  RegistryKey key;
  if (openSettingsKey(key) != ERROR_SUCCESS) return;
  key.deleteValue(L"VoiceId");
  key.deleteValue(L"VoiceName");
}

std::optional<std::wstring> readGamePath(int gameId) {
  RegistryKey key;
  if (openSettingsKey(key) != ERROR_SUCCESS) return std::nullopt;
  std::wstring path;
  if (key.readText(gameValueName(gameId).c_str(), path) != ERROR_SUCCESS) return std::nullopt;
  return path;
}

bool writeGamePath(int gameId, const std::wstring& path) {
  RegistryKey key;
  if (openSettingsKey(key) != ERROR_SUCCESS) return false;
  return key.writeText(gameValueName(gameId).c_str(), path) == ERROR_SUCCESS;
}

std::vector<GameSession> readGameHistory(int gameId) {
  RegistryKey key;
  std::wstring text;
  if (openSettingsKey(key) != ERROR_SUCCESS || key.readText(historyValueName(gameId).c_str(), text) != ERROR_SUCCESS) {
    return {};
  }
  return decodeGameHistory(text);
}

bool addGameSession(int gameId, const GameSession& session) {
  RegistryKey key;
  if (openSettingsKey(key) != ERROR_SUCCESS) return false;
  std::wstring text;
  if (key.readText(historyValueName(gameId).c_str(), text) != ERROR_SUCCESS) text.clear();
  const std::wstring updated = encodeGameHistory(withSession(decodeGameHistory(text), session));
  return key.writeText(historyValueName(gameId).c_str(), updated) == ERROR_SUCCESS;
}

}  // namespace kestro

// The login: checks the user name and password of the client state with the
// service and fills the account fields. Reports to the login window only by
// posted messages: WM_LOGIN_PROGRESS (0, 25, 50, 75, 100) and exactly one of
// WM_LOGIN_NEW_VERSION, WM_LOGIN_CONNECT_FAILED, WM_LOGIN_BAD_CREDENTIALS,
// WM_LOGIN_SUCCEEDED.
#pragma once

#include <string>
#include <vector>

#include "service/service_exchange.h"

namespace kestro {

// The login.php form: username, password, clientver, machineguid.
std::vector<FormField> loginForm(const std::wstring& userName, const std::wstring& password, int clientVersion,
                                 const std::string& machineGuid);

// Runs one login attempt on the calling thread.
void runLoginWorker();
// Starts runLoginWorker on a thread of its own that nobody joins.
void startLoginWorker();

}  // namespace kestro

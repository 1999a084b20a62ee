#include "service/login_worker.h"

namespace kestro {

std::vector<FormField> loginForm(const std::wstring& userName, const std::wstring& password, int clientVersion,
                                 const std::string& machineGuid) {
  return {{"username", userName}, {"password", password}, {"clientver", clientVersion}, {"machineguid", machineGuid}};
}

}  // namespace kestro

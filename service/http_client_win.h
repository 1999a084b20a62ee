// The HTTP client over Winsock, as workers make it on their stack:
//   ServiceHttpClient client;
//   if (client.navigate(url, options) && client.status() == 200) use(client.body());
#pragma once

#include <memory>

#include "service/http_client.h"
#include "service/zevt_sync_socket_win.h"

namespace kestro {

template <class TSocket>
class CAtlHttpClientT : public HttpClient {
 public:
  CAtlHttpClientT() : HttpClient(std::make_unique<TSocket>()) {}
};

using ServiceHttpClient = CAtlHttpClientT<ZEvtSyncSocket>;

}  // namespace kestro

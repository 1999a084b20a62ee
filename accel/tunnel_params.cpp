#include "accel/tunnel_params.h"

#include "base/text_convert.h"
#include "service/json_reply.h"

namespace kestro {

TunnelParams readTunnelParams(const JsonObjectReader& reply) {
  TunnelParams params;
  // The tunnel library takes narrow text in the ANSI code page.
  params.nodeIp = toAnsi(reply.text("nodeip"));
  params.nodePort = reply.integer("nodeport");
  for (const JsonObjectReader& entry : reply.objects("routeip")) {
    RouteTarget target;
    target.prefixLength = entry.integer("ipmask");
    target.address = entry.text("ipaddr");
    params.routes.push_back(std::move(target));
  }
  params.serverTime = reply.text("servertime");
  return params;
}

}  // namespace kestro

#include "standins/relay/route_table_posix.h"

#include <arpa/inet.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace kestro::relay {
namespace {

void appendAttribute(std::vector<char>& message, unsigned short type, const void* data, size_t size) {
  const size_t at = message.size();
  message.resize(at + RTA_SPACE(size));
  auto* attribute = reinterpret_cast<rtattr*>(message.data() + at);
  attribute->rta_type = type;
  attribute->rta_len = static_cast<unsigned short>(RTA_LENGTH(size));
  std::memcpy(RTA_DATA(attribute), data, size);
}

std::vector<char> requestFor(const RouteChange& route, uint32_t sequence) {
  std::vector<char> message(NLMSG_SPACE(sizeof(rtmsg)));
  auto* header = reinterpret_cast<nlmsghdr*>(message.data());
  header->nlmsg_type = route.add ? RTM_NEWROUTE : RTM_DELROUTE;
  header->nlmsg_flags = NLM_F_REQUEST | NLM_F_ACK | (route.add ? NLM_F_CREATE | NLM_F_EXCL : 0);
  header->nlmsg_seq = sequence;
  auto* row = static_cast<rtmsg*>(NLMSG_DATA(header));
  row->rtm_family = AF_INET;
  row->rtm_dst_len = static_cast<unsigned char>(route.prefixLength);
  row->rtm_table = RT_TABLE_MAIN;
  row->rtm_protocol = RTPROT_STATIC;
  row->rtm_scope = RT_SCOPE_UNIVERSE;
  row->rtm_type = RTN_UNICAST;
  const uint32_t destination = htonl(route.destination);
  const uint32_t gateway = htonl(route.gateway);
  const uint32_t interfaceIndex = route.interfaceIndex;
  appendAttribute(message, RTA_DST, &destination, sizeof destination);
  appendAttribute(message, RTA_GATEWAY, &gateway, sizeof gateway);
  appendAttribute(message, RTA_OIF, &interfaceIndex, sizeof interfaceIndex);
  if (route.add) appendAttribute(message, RTA_PRIORITY, &route.metric, sizeof route.metric);
  reinterpret_cast<nlmsghdr*>(message.data())->nlmsg_len = static_cast<uint32_t>(message.size());
  return message;
}

}  // namespace

std::optional<std::string> applyRoute(int netlink, const RouteChange& route) {
  static uint32_t sequence = 0;
  const std::vector<char> request = requestFor(route, ++sequence);
  sockaddr_nl kernel{};
  kernel.nl_family = AF_NETLINK;
  if (sendto(netlink, request.data(), request.size(), 0, reinterpret_cast<sockaddr*>(&kernel), sizeof kernel) < 0) {
    return std::string("cannot ask the routing table: ") + std::strerror(errno);
  }
  alignas(nlmsghdr) char answer[8192];
  for (;;) {
    const ssize_t got = recv(netlink, answer, sizeof answer, 0);
    if (got < 0) return std::string("no answer from the routing table: ") + std::strerror(errno);
    int left = static_cast<int>(got);
    for (auto* message = reinterpret_cast<nlmsghdr*>(answer); NLMSG_OK(message, left);
         message = NLMSG_NEXT(message, left)) {
      if (message->nlmsg_seq != sequence || message->nlmsg_type != NLMSG_ERROR) continue;
      const int error = -static_cast<const nlmsgerr*>(NLMSG_DATA(message))->error;
      if (error == 0) return std::nullopt;
      if (error == EEXIST) return std::string("exists");
      if (error == ESRCH) return std::string("no such route");
      return std::string(std::strerror(error));
    }
  }
}

}  // namespace kestro::relay

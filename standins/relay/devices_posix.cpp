#include "standins/relay/devices_posix.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/if.h>
#include <linux/if_tun.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>

#include "standins/posix/file_descriptor.h"

namespace kestro::relay {
namespace {

std::string namespacePath(pid_t process) { return "/proc/" + std::to_string(process) + "/ns/net"; }

bool sameFile(int a, int b) {
  struct stat first {
  }, second{};
  return fstat(a, &first) == 0 && fstat(b, &second) == 0 && first.st_dev == second.st_dev &&
         first.st_ino == second.st_ino;
}

// Runs `work` with the relay in the network namespace of `process`, then takes
// it back to its own. Refuses the relay's own namespace: the machine's network
// is never touched.
bool inNamespaceOf(pid_t process, const std::function<bool(std::string&)>& work, std::string& error) {
  const FileDescriptor own(open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC));
  const FileDescriptor target(open(namespacePath(process).c_str(), O_RDONLY | O_CLOEXEC));
  if (own.get() < 0 || target.get() < 0) {
    error = "cannot open the network namespace of process " + std::to_string(process) + ": " + std::strerror(errno);
    return false;
  }
  if (sameFile(own.get(), target.get())) {
    error =
        "process " + std::to_string(process) + " is in the relay's own network namespace, not a namespace of its own";
    return false;
  }
  if (setns(target.get(), CLONE_NEWNET) != 0) {
    error = "cannot enter the network namespace of process " + std::to_string(process) + ": " + std::strerror(errno);
    return false;
  }
  const bool done = work(error);
  if (setns(own.get(), CLONE_NEWNET) != 0) {
    error = std::string("cannot return to the relay's own network namespace: ") + std::strerror(errno);
    return false;
  }
  return done;
}

int openTun(const char* name, pid_t process, std::string& error) {
  const int fd = open("/dev/net/tun", O_RDWR | O_NONBLOCK | O_CLOEXEC);
  ifreq request{};
  std::strncpy(request.ifr_name, name, IFNAMSIZ - 1);
  request.ifr_flags = IFF_TUN | IFF_NO_PI;
  if (fd < 0 || ioctl(fd, TUNSETIFF, &request) != 0) {
    error = std::string("cannot make the TUN device ") + name + " in the network namespace of process " +
            std::to_string(process) + ": " + std::strerror(errno);
    if (fd >= 0) close(fd);
    return -1;
  }
  return fd;
}

// 127.0.0.1 may not exist yet (loopback still down): IP_FREEBIND lets the
// listener wait for it.
int openControlListener(uint16_t& port, std::string& error) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  const int on = 1;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (fd < 0 || setsockopt(fd, IPPROTO_IP, IP_FREEBIND, &on, sizeof on) != 0 ||
      bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd, 16) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    error = std::string("cannot open the control listener on 127.0.0.1: ") + std::strerror(errno);
    if (fd >= 0) close(fd);
    return -1;
  }
  port = ntohs(address.sin_port);
  return fd;
}

// A netlink socket belongs to the namespace it was made in: opened in the
// client's, it changes that namespace's routes alone.
int openRouteSocket(std::string& error) {
  const int fd = socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
  const timeval patience{2, 0};
  if (fd < 0 || setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience) != 0) {
    error = std::string("cannot open the client namespace's routing table: ") + std::strerror(errno);
    if (fd >= 0) close(fd);
    return -1;
  }
  return fd;
}

void closeDevices(Devices& devices) {
  for (int* fd : {&devices.clientWan, &devices.internetWan, &devices.adapter, &devices.control, &devices.routes}) {
    if (*fd >= 0) close(*fd);
    *fd = -1;
  }
}

}  // namespace

bool openDevices(pid_t clientProcess, pid_t internetProcess, Devices& out, std::string& error) {
  out = {};
  const FileDescriptor client(open(namespacePath(clientProcess).c_str(), O_RDONLY | O_CLOEXEC));
  const FileDescriptor internet(open(namespacePath(internetProcess).c_str(), O_RDONLY | O_CLOEXEC));
  if (client.get() >= 0 && internet.get() >= 0 && sameFile(client.get(), internet.get())) {
    error = "the client and the internet processes are in the same network namespace";
    return false;
  }
  const bool done =
      inNamespaceOf(
          clientProcess,
          [&](std::string& failure) {
            return (out.clientWan = openTun("wan0", clientProcess, failure)) >= 0 &&
                   (out.adapter = openTun("vadapter", clientProcess, failure)) >= 0 &&
                   (out.control = openControlListener(out.controlPort, failure)) >= 0 &&
                   (out.routes = openRouteSocket(failure)) >= 0;
          },
          error) &&
      inNamespaceOf(
          internetProcess,
          [&](std::string& failure) { return (out.internetWan = openTun("wan0", internetProcess, failure)) >= 0; },
          error);
  if (!done) closeDevices(out);
  return done;
}

}  // namespace kestro::relay

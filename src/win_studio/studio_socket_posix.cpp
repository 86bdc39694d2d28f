#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <limits>

#include "win_studio/studio_socket.h"

namespace tarovik {

namespace {
int fd(SocketHandle socket) { return static_cast<int>(socket); }

sockaddr_in loopback(std::uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}
}  // namespace

Result<Listener> listen_on_loopback(int backlog) {
  const int s = ::socket(AF_INET, SOCK_STREAM, 0);
  if (s < 0) return Error{last_socket_error()};
  sockaddr_in address = loopback(0);
  socklen_t length = sizeof address;
  if (::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(s, backlog) != 0 ||
      ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    Error error{last_socket_error()};
    ::close(s);
    return error;
  }
  return Listener{s, ntohs(address.sin_port)};
}

SocketHandle accept_connection(SocketHandle listener) {
  const int s = ::accept(fd(listener), nullptr, nullptr);
  return s < 0 ? kNoSocket : s;
}

void set_receive_timeout(SocketHandle socket, int milliseconds) {
  timeval timeout{milliseconds / 1000, (milliseconds % 1000) * 1000};
  ::setsockopt(fd(socket), SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
}

long receive_some(SocketHandle socket, std::span<char> buffer) {
  ssize_t n = 0;
  do {
    n = ::recv(fd(socket), buffer.data(), buffer.size(), 0);
  } while (n < 0 && errno == EINTR);  // a signal is no failure of the connection
  return n < 0 ? -1 : static_cast<long>(n);
}

long send_some(SocketHandle socket, std::span<const char> bytes) {
  const std::size_t piece = std::min<std::size_t>(bytes.size(), std::numeric_limits<int>::max());
  const ssize_t sent = ::send(fd(socket), bytes.data(), piece, MSG_NOSIGNAL);
  return sent < 0 ? -1 : static_cast<long>(sent);
}

void close_socket(SocketHandle socket) {
  if (socket != kNoSocket) ::close(fd(socket));
}

void shutdown_send(SocketHandle socket) { ::shutdown(fd(socket), SHUT_WR); }

SocketHandle connect_to_loopback(std::uint16_t port) {
  const int s = ::socket(AF_INET, SOCK_STREAM, 0);
  if (s < 0) return kNoSocket;
  sockaddr_in address = loopback(port);
  if (::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    const int error = errno;
    ::close(s);
    errno = error;
    return kNoSocket;
  }
  return s;
}

std::string last_socket_error() {
  const int code = errno;
  return std::string(std::strerror(code)) + " (os error " + std::to_string(code) + ")";
}

}  // namespace tarovik

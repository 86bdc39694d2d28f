#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "base/result.h"

namespace tarovik {

// A TCP socket as the server sees it: POSIX sockets in the Linux build, Winsock on Windows.
using SocketHandle = std::intptr_t;
inline constexpr SocketHandle kNoSocket = -1;

// A listener on 127.0.0.1 with a port the system picks; gives the socket and its port.
struct Listener {
  SocketHandle socket = kNoSocket;
  std::uint16_t port = 0;
};
Result<Listener> listen_on_loopback(int backlog);
SocketHandle accept_connection(SocketHandle listener);
void set_receive_timeout(SocketHandle socket, int milliseconds);
// Bytes received (0 when the peer closed), or -1 on an error or a time-out.
long receive_some(SocketHandle socket, std::span<char> buffer);
// Bytes sent, at most as many as fit one call, or -1 on an error.
long send_some(SocketHandle socket, std::span<const char> bytes);
// Sends everything in pieces; false when a send failed.
bool send_all(SocketHandle socket, std::span<const char> bytes);
void close_socket(SocketHandle socket);
// Tells the peer that nothing more will be sent.
void shutdown_send(SocketHandle socket);

// A client connection to 127.0.0.1:port, for the self-check and the tests.
SocketHandle connect_to_loopback(std::uint16_t port);

// The system's text for the last socket call of this thread that failed, with its code:
// "Connection refused (os error 111)".
std::string last_socket_error();

}  // namespace tarovik

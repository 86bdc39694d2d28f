#include <winsock2.h>
#include <ws2tcpip.h>

#include <limits>
#include <mutex>
#include <iterator>
#include <string>

#include "base/utf8.h"
#include "win_studio/studio_socket.h"

namespace tarovik {

namespace {

void start_winsock() {
  static std::once_flag once;
  std::call_once(once, [] {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
  });
}

SOCKET handle(SocketHandle socket) { return static_cast<SOCKET>(socket); }

sockaddr_in loopback(std::uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}


}  // namespace

Result<Listener> listen_on_loopback(int backlog) {
  start_winsock();
  const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return Error{last_socket_error()};
  sockaddr_in address = loopback(0);
  int length = sizeof address;
  if (::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(s, backlog) != 0 ||
      ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    Error error{last_socket_error()};
    ::closesocket(s);
    return error;
  }
  return Listener{static_cast<SocketHandle>(s), ntohs(address.sin_port)};
}

SocketHandle accept_connection(SocketHandle listener) {
  const SOCKET s = ::accept(handle(listener), nullptr, nullptr);
  return s == INVALID_SOCKET ? kNoSocket : static_cast<SocketHandle>(s);
}

void set_receive_timeout(SocketHandle socket, int milliseconds) {
  const DWORD timeout = static_cast<DWORD>(milliseconds);
  ::setsockopt(handle(socket), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
}

long receive_some(SocketHandle socket, std::span<char> buffer) {
  const int n = ::recv(handle(socket), buffer.data(), static_cast<int>(buffer.size()), 0);
  return n < 0 ? -1 : n;
}

long send_some(SocketHandle socket, std::span<const char> bytes) {
  const int piece = static_cast<int>(std::min<std::size_t>(bytes.size(), std::numeric_limits<int>::max()));
  const int sent = ::send(handle(socket), bytes.data(), piece, 0);
  return sent < 0 ? -1 : sent;
}

void close_socket(SocketHandle socket) {
  if (socket != kNoSocket) ::closesocket(handle(socket));
}

void shutdown_send(SocketHandle socket) { ::shutdown(handle(socket), SD_SEND); }

SocketHandle connect_to_loopback(std::uint16_t port) {
  start_winsock();
  const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return kNoSocket;
  sockaddr_in address = loopback(port);
  if (::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    const int error = WSAGetLastError();
    ::closesocket(s);
    WSASetLastError(error);
    return kNoSocket;
  }
  return static_cast<SocketHandle>(s);
}

std::string last_socket_error() {
  const DWORD code = static_cast<DWORD>(WSAGetLastError());
  wchar_t text[512];
  DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                                static_cast<DWORD>(std::size(text)), nullptr);
  while (length > 0 && (text[length - 1] == L'\r' || text[length - 1] == L'\n' || text[length - 1] == L' ')) --length;
  const std::string suffix = "(os error " + std::to_string(code) + ")";
  if (length == 0) return suffix;
  return utf8::from_utf16(std::u16string_view(reinterpret_cast<const char16_t*>(text), length)) + " " + suffix;
}

}  // namespace tarovik

#include "win_studio/studio_socket.h"

namespace tarovik {

bool send_all(SocketHandle socket, std::span<const char> bytes) {
  while (!bytes.empty()) {
    const long sent = send_some(socket, bytes);
    if (sent <= 0) return false;
    bytes = bytes.subspan(static_cast<std::size_t>(sent));
  }
  return true;
}

}  // namespace tarovik

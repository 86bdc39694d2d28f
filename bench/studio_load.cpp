// Load and fault figures of the Studio server, on loopback in one process:
// many concurrent clients, stalled clients, and random bytes as requests.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "win_studio/studio_server.h"

namespace {

using Clock = std::chrono::steady_clock;
using tarovik::SocketHandle;

std::string fetch(std::uint16_t port, std::string_view request, bool close_after_send = false) {
  const SocketHandle s = tarovik::connect_to_loopback(port);
  if (s == tarovik::kNoSocket) return {};
  tarovik::send_all(s, request);
  if (close_after_send) tarovik::shutdown_send(s);
  std::string answer;
  char block[8192];
  long n = 0;
  while ((n = tarovik::receive_some(s, block)) > 0) answer.append(block, static_cast<std::size_t>(n));
  tarovik::close_socket(s);
  return answer;
}

bool is_index(const std::string& answer) {
  return answer.starts_with("HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n") &&
         answer.find("<html") != std::string::npos;
}

double seconds_since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

}  // namespace

int main() {
  const tarovik::StudioRoutes routes{};
  const std::uint16_t port = tarovik::studio_port(routes);
  int failures = 0;

  // 10,000 requests from 64 concurrent clients.
  {
    std::atomic<int> next{0}, correct{0};
    const auto start = Clock::now();
    std::vector<std::thread> clients;
    for (int c = 0; c < 64; ++c) {
      clients.emplace_back([&] {
        while (next.fetch_add(1) < 10000) correct += is_index(fetch(port, "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"));
      });
    }
    for (auto& t : clients) t.join();
    const double elapsed = seconds_since(start);
    std::printf("concurrent\t10000 requests, 64 clients: %d answered correctly in %.2f s (%.0f requests/s)\n",
                correct.load(), elapsed, 10000 / elapsed);
    failures += correct.load() != 10000;
  }

  // 200 clients that send half a head and stall do not keep a later client waiting.
  {
    std::vector<SocketHandle> stalled;
    for (int i = 0; i < 200; ++i) {
      const SocketHandle s = tarovik::connect_to_loopback(port);
      tarovik::send_all(s, std::string_view("GET / HTTP/1.1\r\nHost: 127.0"));
      stalled.push_back(s);
    }
    const auto start = Clock::now();
    const bool served = is_index(fetch(port, "GET / HTTP/1.1\r\n\r\n"));
    std::printf("stalled\t200 stalled clients: a later client %s in %.3f s\n", served ? "served" : "NOT served",
                seconds_since(start));
    failures += !served;
    for (SocketHandle s : stalled) tarovik::close_socket(s);
  }

  // 10,000 random byte strings as requests, up to 70,000 bytes; then a normal request.
  {
    std::mt19937 random(70000);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> size(0, 70000);
    std::atomic<int> next{0}, answered{0};
    const auto start = Clock::now();
    std::vector<std::string> requests(10000);
    for (auto& r : requests) {
      r.resize(static_cast<std::size_t>(size(random) * (byte(random) < 32 ? 1 : 0) + byte(random) * 4));
      for (char& c : r) c = static_cast<char>(byte(random));
      if (byte(random) < 64) r.insert(0, "GET / HTTP/1.1\r\n\r\n");  // some with a well-formed head in front
    }
    std::vector<std::thread> clients;
    for (int c = 0; c < 32; ++c) {
      clients.emplace_back([&] {
        for (int i; (i = next.fetch_add(1)) < 10000;) answered += !fetch(port, requests[static_cast<std::size_t>(i)], true).empty();
      });
    }
    for (auto& t : clients) t.join();
    const bool alive = is_index(fetch(port, "GET / HTTP/1.1\r\n\r\n"));
    std::printf("random\t10000 random requests in %.2f s (%d got an answer); afterwards the server %s\n",
                seconds_since(start), answered.load(), alive ? "answers normally" : "DOES NOT ANSWER");
    failures += !alive;
  }
  std::printf("%d passed, %d failed\n", 3 - failures, failures);
  return failures == 0 ? 0 : 1;
}

// Load and fault figures of the Studio server, on loopback in one process:
// many concurrent clients, stalled clients, random bytes as requests, no descriptors left
// for accept, and a connection thread that cannot be created.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

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

double cpu_seconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](timeval t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

std::size_t address_space_bytes() {
  std::FILE* statm = std::fopen("/proc/self/statm", "r");
  unsigned long pages = 0;
  if (statm != nullptr) {
    if (std::fscanf(statm, "%lu", &pages) != 1) pages = 0;
    std::fclose(statm);
  }
  return pages * static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}

void set_soft_limit(int resource, rlim_t value) {
  rlimit limit{};
  getrlimit(resource, &limit);
  limit.rlim_cur = value;
  setrlimit(resource, &limit);
}

// Waits up to timeout_ms for text to arrive on fd; gives what arrived.
std::string read_until(int fd, std::string_view text, int timeout_ms) {
  std::string seen;
  const auto end = Clock::now() + std::chrono::milliseconds(timeout_ms);
  while (seen.find(text) == std::string::npos && Clock::now() < end) {
    pollfd ready{fd, POLLIN, 0};
    if (poll(&ready, 1, 50) <= 0) continue;
    char block[256];
    const ssize_t n = read(fd, block, sizeof block);
    if (n <= 0) break;
    seen.append(block, static_cast<std::size_t>(n));
  }
  return seen;
}

const std::string kStatusBody = R"({"status":"a reply long enough to be kept on the heap"})";

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif

// 10,000 requests from 64 concurrent clients.
bool concurrent_clients(std::uint16_t port) {
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
  return correct.load() == 10000;
}

// 200 clients that send half a head and stall do not keep a later client waiting.
bool stalled_clients(std::uint16_t port) {
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
  for (SocketHandle s : stalled) tarovik::close_socket(s);
  return served;
}

// 10,000 random byte strings as requests, up to 70,000 bytes; then a normal request.
bool random_requests(std::uint16_t port) {
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
  return alive;
}

// No descriptor left: accept fails at once, again and again. The loop must wait between
// tries rather than spin; once descriptors are free it serves again.
bool no_descriptors(std::uint16_t port) {
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // earlier connections close
  const int client = ::socket(AF_INET, SOCK_STREAM, 0);
  rlimit saved{};
  getrlimit(RLIMIT_NOFILE, &saved);
  set_soft_limit(RLIMIT_NOFILE, 64);
  std::vector<int> fillers;
  for (int fd; (fd = dup(0)) >= 0;) fillers.push_back(fd);
  // The accept already waiting holds a descriptor: it takes this client, whose connection
  // thread keeps it while the head is incomplete, and every accept after it fails.
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address);
  tarovik::send_all(client, std::string_view("GET / HTTP/1.1\r\n"));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  const double cpu_before = cpu_seconds();
  const auto start = Clock::now();
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  const double share = (cpu_seconds() - cpu_before) / seconds_since(start);
  tarovik::send_all(client, std::string_view("\r\n"));
  std::string answer;
  char block[8192];
  for (long n; (n = tarovik::receive_some(client, block)) > 0;) answer.append(block, static_cast<std::size_t>(n));
  ::close(client);
  for (int fd : fillers) ::close(fd);
  setrlimit(RLIMIT_NOFILE, &saved);
  const bool served = is_index(answer) && is_index(fetch(port, "GET / HTTP/1.1\r\n\r\n"));
  std::printf("accept-fails\tno descriptors left for 0.5 s: the server used %.0f %% of one core; afterwards it %s\n",
              share * 100, served ? "answers normally" : "DOES NOT ANSWER");
  return share <= 0.25 && served;
}

// A connection thread that cannot be created (no address space for its stack) stops the
// accept thread; the connections already accepted must still be answered from intact
// routes. This stops the server, so it comes last.
bool thread_creation_fails(std::uint16_t port) {
  constexpr int kPending = 8;
  int pipe_fds[2];
  if (pipe(pipe_fds) != 0) return false;
  std::fflush(stderr);
  const int saved_stderr = dup(2);
  dup2(pipe_fds[1], 2);
  std::vector<SocketHandle> pending;
  for (int i = 0; i < kPending; ++i) {
    const SocketHandle s = tarovik::connect_to_loopback(port);
    tarovik::send_all(s, std::string_view("GET /api/config HTTP/1.1\r\nHost: 127.0"));
    pending.push_back(s);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // their threads wait for the rest
  rlimit saved{};
  getrlimit(RLIMIT_AS, &saved);
  set_soft_limit(RLIMIT_AS, address_space_bytes() + (4u << 20));
  const SocketHandle refused = tarovik::connect_to_loopback(port);
  const std::string message = read_until(pipe_fds[0], "failed to spawn thread\n", 3000);
  setrlimit(RLIMIT_AS, &saved);
  std::fflush(stderr);
  dup2(saved_stderr, 2);
  ::close(saved_stderr);
  tarovik::close_socket(refused);

  int intact = 0;
  for (SocketHandle s : pending) {
    tarovik::send_all(s, std::string_view(".0.1\r\n\r\n"));
    std::string answer;
    char block[4096];
    for (long n; (n = tarovik::receive_some(s, block)) > 0;) answer.append(block, static_cast<std::size_t>(n));
    tarovik::close_socket(s);
    intact += answer.starts_with("HTTP/1.1 200 OK\r\n") && answer.ends_with("\r\n\r\n" + kStatusBody);
  }
  // The listener went with the accept thread: a new client is refused rather than left waiting.
  const SocketHandle late = tarovik::connect_to_loopback(port);
  tarovik::close_socket(late);
  const bool stopped = message.find("failed to spawn thread\n") != std::string::npos;
  std::printf("spawn-fails\tthread creation failed: accept thread %s; %d of %d pending requests answered intact; "
              "a later client %s\n",
              stopped ? "stopped" : "DID NOT STOP", intact, kPending, late == tarovik::kNoSocket ? "refused" : "ACCEPTED");
  return stopped && intact == kPending && late == tarovik::kNoSocket;
}

}  // namespace

int main() {
  // The status route answers from a captured text: a route whose owner is gone answers with
  // freed memory, or not at all.
  const tarovik::StudioRoutes routes{
      [body = kStatusBody] { return tarovik::HttpResponse{"200 OK", "application/json; charset=utf-8", body, {}}; },
      {}, {}, {}, {}};
  const std::uint16_t port = tarovik::studio_port(routes);
  int failures = 0;
  int run = 0;
  for (bool (*phase)(std::uint16_t) : {concurrent_clients, stalled_clients, random_requests, no_descriptors}) {
    failures += !phase(port);
    ++run;
  }
  if (kAddressSanitizer) {
    // Its allocator maps memory as it goes: a limit on the address space starves it, not only
    // the new thread's stack.
    std::printf("spawn-fails\tskipped under AddressSanitizer\n");
  } else {
    failures += !thread_creation_fails(port);
    ++run;
  }
  std::printf("%d passed, %d failed\n", run - failures, failures);
  return failures == 0 ? 0 : 1;
}

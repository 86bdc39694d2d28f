#include "main/self_check.h"

#include <array>
#include <string>

#include "phonetic/engine.h"
#include "phonetic/suggest.h"
#include "base/utf8.h"
#include "win_studio/studio_assets.h"

namespace tarovik {

namespace {

constexpr std::string_view kTestRoman = "kathmandu";
constexpr std::string_view kExpectedWord = "काठमाडौँ";
constexpr int kProbeTimeoutMs = 3000;

bool valid_utf8(std::string_view text) {
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t length = utf8::sequence_length(text, pos);
    if (length == 0) return false;
    pos += length;
  }
  return true;
}

int fail(std::FILE* err, const std::string& message) {
  std::fprintf(err, "%s\n", message.c_str());
  return 101;
}

}  // namespace

Result<std::size_t> studio_page_probe(std::uint16_t port, std::string_view path) {
  const SocketHandle socket = connect_to_loopback(port);
  if (socket == kNoSocket) return Error{"connect localhost:" + std::to_string(port) + ": " + last_socket_error()};
  set_receive_timeout(socket, kProbeTimeoutMs);
  const std::string request =
      "GET " + std::string(path) + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
  if (!send_all(socket, request)) {
    Error error{"write GET " + std::string(path) + ": " + last_socket_error()};
    close_socket(socket);
    return error;
  }
  std::string response;
  std::array<char, 4096> block{};
  while (true) {
    const long n = receive_some(socket, block);
    if (n == 0) break;
    if (n < 0) {
      Error error{"read response: " + last_socket_error()};
      close_socket(socket);
      return error;
    }
    response.append(block.data(), static_cast<std::size_t>(n));
  }
  close_socket(socket);
  if (!valid_utf8(response)) return Error{"read response: stream did not contain valid UTF-8"};
  if (response.size() < 15 || !response.starts_with("HTTP/1.1 200 OK") || response.find("<html") == std::string::npos) {
    return Error{"Unexpected Studio HTTP response (" + std::to_string(response.size()) + " bytes)"};
  }
  return response.size();
}

int run_self_check(const StudioRoutes& routes, std::FILE* out, std::FILE* err) {
  auto engine = engine_load();
  if (!engine) return fail(err, "Failed loading embedded Tarovik lexicon: \"" + engine.error() + "\"");
  const SuggestResult result = suggest(engine.value(), kTestRoman, {});
  const std::string found = result.candidates.empty() ? "(none)" : result.candidates.front().text;
  if (result.candidates.empty() || found != kExpectedWord) {
    return fail(err, "self-check failed: first candidate for \"" + std::string(kTestRoman) + "\" is \"" + found +
                         "\", expected \"" + std::string(kExpectedWord) + "\"");
  }
  const std::uint16_t port = studio_port(routes);
  auto probe = studio_page_probe(port, "/");
  if (!probe) return fail(err, "Studio localhost HTTP check failed: \"" + probe.error() + "\"");
  const int written = std::fprintf(out, "TAROVIK_WINDOWS_OK words=%u assets=%zu studio_bytes=%zu top1=%s bypassed=%s\n",
                                   engine.value().lexicon.word_count, studio_assets().size(), probe.value(),
                                   found.c_str(), result.bypassed ? "true" : "false");
  if (written < 0 || std::fflush(out) != 0) return fail(err, "failed printing to stdout");
  return 0;
}

}  // namespace tarovik

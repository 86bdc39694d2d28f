#include "win_studio/studio_server.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

#include "phonetic/embedded_data.h"
#include "win_studio/studio_assets.h"

namespace tarovik {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

const StudioRoutes& test_routes() {
  static const StudioRoutes routes{
      [] { return HttpResponse{"200 OK", "application/json; charset=utf-8", "{\"status\":1}", {}}; },
      [](std::string_view body) { return HttpResponse{"200 OK", "text/plain", "got:" + std::string(body), {}}; },
      [] { return HttpResponse{"200 OK", "application/json; charset=utf-8", "{\"ok\":true}", {}}; },
      "<html>preferences</html>",
      "PNGDATA",
  };
  return routes;
}

// Sends the request in pieces over a real loopback connection and reads the whole answer.
std::string exchange(std::initializer_list<std::string_view> pieces) {
  const SocketHandle client = connect_to_loopback(studio_port(test_routes()));
  EXPECT_NE(client, kNoSocket);
  for (std::string_view piece : pieces) {
    send_all(client, piece);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  std::string answer;
  char block[4096];
  long n = 0;
  while ((n = receive_some(client, block)) > 0) answer.append(block, static_cast<std::size_t>(n));
  close_socket(client);
  return answer;
}

std::string body_of(const std::string& answer) { return answer.substr(answer.find("\r\n\r\n") + 4); }

TEST(StudioServer, ServesTheIndexForRootUnknownPathsAndOtherMethods) {
  const std::string root = exchange({"GET / HTTP/1.1\r\n\r\n"});
  EXPECT_THAT(root, StartsWith("HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n"));
  EXPECT_THAT(root, HasSubstr("Cache-Control: no-store\r\nConnection: close\r\n\r\n"));
  EXPECT_EQ(body_of(exchange({"GET /index.html HTTP/1.1\r\n\r\n"})), body_of(root));
  EXPECT_EQ(body_of(exchange({"GET /no/such/page HTTP/1.1\r\n\r\n"})), body_of(root));
  EXPECT_EQ(body_of(exchange({"GET /preferences/ HTTP/1.1\r\n\r\n"})), body_of(root));
  EXPECT_EQ(body_of(exchange({"POST /index.html HTTP/1.1\r\n\r\n"})), body_of(root));
  EXPECT_EQ(body_of(exchange({"GET\r\n\r\n"})), body_of(root));
  EXPECT_THAT(body_of(root), HasSubstr("Tarovik"));
}

TEST(StudioServer, RoutesTheHostsOwnPagesAndTheInterface) {
  EXPECT_EQ(body_of(exchange({"GET /preferences HTTP/1.1\r\n\r\n"})), "<html>preferences</html>");
  EXPECT_THAT(exchange({"GET /brand-logo.png HTTP/1.1\r\n\r\n"}), HasSubstr("Content-Type: image/png\r\n"));
  EXPECT_EQ(body_of(exchange({"GET /api/config HTTP/1.1\r\n\r\n"})), "{\"status\":1}");
  // A query string makes it another path: the index page.
  EXPECT_THAT(body_of(exchange({"GET /api/config?x HTTP/1.1\r\n\r\n"})), HasSubstr("<html"));
  EXPECT_EQ(body_of(exchange({"POST /api/open-studio HTTP/1.1\r\n\r\n"})), "{\"ok\":true}");
  // A body announced in mixed case, with the head end split across two sends.
  EXPECT_EQ(body_of(exchange({"POST /api/config HTTP/1.1\r\ncontent-LENGTH: 5\r\n\r", "\nhello"})), "got:hello");
}

TEST(StudioServer, ServesEmbeddedFilesWithTheirTypes) {
  const std::string lexicon = exchange({"GET /assets/lexicon.tvtrie.gz HTTP/1.1\r\n\r\n"});
  EXPECT_THAT(lexicon, HasSubstr("Content-Type: application/gzip\r\n"));
  EXPECT_EQ(static_cast<unsigned char>(body_of(lexicon)[0]), 0x1F);
  // The page's lexicon is the engine's bytes, embedded once.
  const auto asset = std::find_if(studio_assets().begin(), studio_assets().end(),
                                  [](const StudioAsset& a) { return a.path == "/assets/lexicon.tvtrie.gz"; });
  ASSERT_NE(asset, studio_assets().end());
  EXPECT_EQ(static_cast<const void*>(asset->bytes.data()), static_cast<const void*>(embedded::lexicon_gz().data()));
  EXPECT_EQ(asset->bytes.size(), embedded::lexicon_gz().size());
  EXPECT_THAT(exchange({"DELETE /favicon.png HTTP/1.1\r\n\r\n"}), HasSubstr("Content-Type: image/png\r\n"));
  EXPECT_THAT(exchange({"GET /manifest.webmanifest HTTP/1.1\r\n\r\n"}),
              HasSubstr("Content-Type: application/manifest+json; charset=utf-8\r\n"));
}

TEST(StudioServer, RefusesRequestsFromOtherSites) {
  const std::uint16_t port = studio_port(test_routes());
  const std::string origin = "Origin: http://127.0.0.1:" + std::to_string(port) + "\r\n";
  EXPECT_THAT(exchange({"GET / HTTP/1.1\r\nHost: evil.example\r\n\r\n"}), StartsWith("HTTP/1.1 403 Forbidden\r\n"));
  EXPECT_THAT(exchange({"GET /api/config HTTP/1.1\r\nHost: evil.example:8080\r\n\r\n"}),
              StartsWith("HTTP/1.1 403 Forbidden\r\n"));
  EXPECT_EQ(body_of(exchange({"GET / HTTP/1.1\r\nHost: evil.example\r\n\r\n"})), "Forbidden");
  EXPECT_THAT(exchange({"GET / HTTP/1.1\r\nHost: localhost:1234\r\n\r\n"}), StartsWith("HTTP/1.1 200 OK"));
  EXPECT_THAT(exchange({"GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"}), StartsWith("HTTP/1.1 200 OK"));
  // A page of another site may not change the settings.
  EXPECT_THAT(exchange({"POST /api/config HTTP/1.1\r\nOrigin: https://evil.example\r\nContent-Length: 2\r\n\r\n{}"}),
              StartsWith("HTTP/1.1 403 Forbidden\r\n"));
  EXPECT_THAT(exchange({"POST /api/open-studio HTTP/1.1\r\nOrigin: null\r\n\r\n"}),
              StartsWith("HTTP/1.1 403 Forbidden\r\n"));
  EXPECT_THAT(exchange({"POST /api/config HTTP/1.1\r\n" + origin + "Content-Length: 2\r\n\r\n{}"}),
              StartsWith("HTTP/1.1 200 OK"));
  EXPECT_THAT(exchange({"POST /api/config HTTP/1.1\r\nContent-Length: 2\r\n\r\n{}"}), StartsWith("HTTP/1.1 200 OK"));
  // A second Host or Origin line, whatever its letter case, makes the head a bad one.
  const std::string own_host = "Host: 127.0.0.1:" + std::to_string(port) + "\r\n";
  const std::string bad = "HTTP/1.1 400 Bad Request\r\nContent-Type: text/plain\r\nContent-Length: 11\r\n";
  EXPECT_THAT(exchange({"GET / HTTP/1.1\r\nHost: evil.example\r\n" + own_host + "\r\n"}), StartsWith(bad));
  EXPECT_THAT(exchange({"GET / HTTP/1.1\r\n" + own_host + "hOST: localhost\r\n\r\n"}), StartsWith(bad));
  const std::string two_origins = exchange(
      {"POST /api/config HTTP/1.1\r\norigin: https://evil.example\r\n" + origin + "Content-Length: 2\r\n\r\n{}"});
  EXPECT_THAT(two_origins, StartsWith(bad));
  EXPECT_EQ(body_of(two_origins), "Bad Request");  // not the settings route's "got:{}"
}

TEST(StudioServer, AssetTableIsSortedByPath) {
  const auto assets = studio_assets();
  ASSERT_GE(assets.size(), 4u);
  for (std::size_t i = 1; i < assets.size(); ++i) EXPECT_LT(assets[i - 1].path, assets[i].path);
}

TEST(StudioServer, CarriesThePreferencesPage) {
  const std::string_view page = preferences_page_html();
  EXPECT_NE(page.find("<title>Tarovik Preferences &amp; Shortcuts</title>"), std::string_view::npos);
  // Every setting the page controls has its element, named by its key.
  for (const char* id : {"toggleShortcut", "alsoCtrlSpace", "numeralsMode", "maxCandidates", "periodPurnaBiram",
                         "numberKeyCommits", "learnPromotedWords", "devCorrectionLog", "themeMode", "uiScale",
                         "showFloatingPill", "showCandidatePopup", "showModeToast", "startEnabled", "autostart",
                         "statusLine", "studioBtn", "powerBtn", "savedToast", "lexStats"}) {
    EXPECT_NE(page.find("id=\"" + std::string(id) + "\""), std::string_view::npos) << id;
  }
}

TEST(StudioServer, CarriesTheBrandLogo) {
  const std::string_view logo = brand_logo_png();
  ASSERT_GT(logo.size(), 8u);
  EXPECT_EQ(logo.substr(0, 8), std::string_view("\x89PNG\r\n\x1a\n", 8));
}

TEST(StudioServer, OnePortForEveryCaller) {
  std::uint16_t seen[4] = {};
  std::thread threads[4];
  for (int i = 0; i < 4; ++i) threads[i] = std::thread([&seen, i] { seen[i] = studio_port(test_routes()); });
  for (auto& t : threads) t.join();
  for (std::uint16_t port : seen) EXPECT_EQ(port, seen[0]);
  EXPECT_NE(seen[0], 0);
}

TEST(StudioServer, AHeadThatNeverEndsIsClosedWithoutAnswer) {
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(exchange({"GET / HTTP/1.1\r\nHost: x\r\n"}), "");
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
}

}  // namespace
}  // namespace tarovik

#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "base/result.h"

namespace tarovik {

// A WebView2 web view that fills a window and shows one address. The runtime is reached
// through WebView2Loader.dll at run time, so the program starts without it.
//
// Creation finishes on the window thread's message loop (the runtime answers through COM
// callbacks), so `create` can succeed and the runtime still fail later: then `on_failure`
// runs on that thread with the error text. The thread must be a single-threaded COM
// apartment.
class WebView {
 public:
  using FailureHandler = std::function<void(const std::string& error)>;

  static Result<std::unique_ptr<WebView>> create(HWND parent, const std::u16string& address, FailureHandler on_failure);
  ~WebView();
  WebView(const WebView&) = delete;
  WebView& operator=(const WebView&) = delete;

  // Follows the parent's client area; call on WM_SIZE.
  void fit_to_parent();
  // Gives the page the keyboard focus; call when the parent is activated.
  void take_focus();

  struct Runtime;

 private:
  WebView() = default;
  std::shared_ptr<Runtime> runtime_;
};

}  // namespace tarovik

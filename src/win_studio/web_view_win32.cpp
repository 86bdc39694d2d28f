#include "win_studio/web_view_win32.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <utility>

#include "base/utf8.h"
#include "win_ime/registry_win32.h"

namespace tarovik {

// The WebView2 interfaces this window uses, declared from the runtime's public reference.
// Only the leading slots up to the last method called are declared; a slot's position is
// the runtime's vtable order, fixed for these published interfaces, so a slot we never call
// keeps a placeholder signature. They stay out of an unnamed namespace: nothing here
// implements them, and the compiler may treat calls on a type local to this file that has no
// implementation as unreachable.
namespace webview2 {
struct CoreWebView2;
struct CoreWebView2Controller;
struct CoreWebView2Environment;
using EventToken = std::int64_t;

struct EnvironmentCompletedHandler : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE invoke(HRESULT error, CoreWebView2Environment* environment) = 0;
};

struct ControllerCompletedHandler : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE invoke(HRESULT error, CoreWebView2Controller* controller) = 0;
};

struct CoreWebView2Environment : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE create_controller(HWND parent, ControllerCompletedHandler* handler) = 0;
};

struct CoreWebView2 : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE get_settings(void** settings) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_source(LPWSTR* address) = 0;
  virtual HRESULT STDMETHODCALLTYPE navigate(LPCWSTR address) = 0;
};

struct CoreWebView2Controller : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE get_is_visible(BOOL* visible) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_is_visible(BOOL visible) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_bounds(RECT* bounds) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_bounds(RECT bounds) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_zoom_factor(double* factor) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_zoom_factor(double factor) = 0;
  virtual HRESULT STDMETHODCALLTYPE add_zoom_factor_changed(IUnknown* handler, EventToken* token) = 0;
  virtual HRESULT STDMETHODCALLTYPE remove_zoom_factor_changed(EventToken token) = 0;
  virtual HRESULT STDMETHODCALLTYPE set_bounds_and_zoom_factor(RECT bounds, double factor) = 0;
  virtual HRESULT STDMETHODCALLTYPE move_focus(int reason) = 0;
  virtual HRESULT STDMETHODCALLTYPE add_move_focus_requested(IUnknown* handler, EventToken* token) = 0;
  virtual HRESULT STDMETHODCALLTYPE remove_move_focus_requested(EventToken token) = 0;
  virtual HRESULT STDMETHODCALLTYPE add_got_focus(IUnknown* handler, EventToken* token) = 0;
  virtual HRESULT STDMETHODCALLTYPE remove_got_focus(EventToken token) = 0;
  virtual HRESULT STDMETHODCALLTYPE add_lost_focus(IUnknown* handler, EventToken* token) = 0;
  virtual HRESULT STDMETHODCALLTYPE remove_lost_focus(EventToken token) = 0;
  virtual HRESULT STDMETHODCALLTYPE add_accelerator_key_pressed(IUnknown* handler, EventToken* token) = 0;
  virtual HRESULT STDMETHODCALLTYPE remove_accelerator_key_pressed(EventToken token) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_parent_window(HWND* parent) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_parent_window(HWND parent) = 0;
  virtual HRESULT STDMETHODCALLTYPE notify_parent_window_position_changed() = 0;
  virtual HRESULT STDMETHODCALLTYPE close() = 0;
  virtual HRESULT STDMETHODCALLTYPE get_core_web_view(CoreWebView2** view) = 0;
};

}  // namespace webview2

namespace {

using namespace webview2;

constexpr GUID kEnvironmentCompletedHandlerId = {
    0x4e8a3389, 0xc9d8, 0x4bd2, {0xb6, 0xb5, 0x12, 0x4f, 0xee, 0x6c, 0xc1, 0x4d}};
constexpr GUID kControllerCompletedHandlerId = {
    0x6c4819f3, 0xc9b7, 0x4260, {0x81, 0x27, 0xc9, 0xf5, 0xbd, 0xe7, 0xf6, 0x8c}};
constexpr int kMoveFocusProgrammatic = 0;

using CreateEnvironment = HRESULT(STDAPICALLTYPE*)(PCWSTR browser_folder, PCWSTR data_folder, IUnknown* options,
                                                    EnvironmentCompletedHandler* handler);

// A completion handler that the runtime calls once; it owns itself through its count.
template <typename Handler, typename Created>
class Completion final : public Handler {
 public:
  using Callback = std::function<void(HRESULT, Created*)>;
  Completion(const GUID& id, Callback callback) : id_(id), callback_(std::move(callback)) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID asked, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (IsEqualIID(asked, IID_IUnknown) || IsEqualIID(asked, id_)) {
      *out = static_cast<Handler*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++count_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --count_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE invoke(HRESULT error, Created* created) override {
    callback_(error, created);
    return S_OK;
  }

 private:
  GUID id_;
  Callback callback_;
  std::atomic<ULONG> count_{1};
};

std::string describe(HRESULT code) {
  char number[16];
  std::snprintf(number, sizeof number, "0x%08lX", static_cast<unsigned long>(code));
  std::string text = number;
  wchar_t* message = nullptr;
  const DWORD length =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<LPWSTR>(&message), 0, nullptr);
  if (length > 0 && message != nullptr) {
    const std::string readable(utf8::trim_whitespace(
        utf8::from_utf16(std::u16string_view(reinterpret_cast<const char16_t*>(message), length))));
    if (!readable.empty()) text += " (" + readable + ")";
  }
  if (message != nullptr) LocalFree(message);
  return text;
}

// %LOCALAPPDATA%\Tarovik\WebView2: the runtime's default, a folder beside the executable,
// is not writable when the program is installed for all users.
std::wstring data_folder() {
  const auto local_app_data = local_app_data_folder();
  if (!local_app_data) return {};
  const std::filesystem::path folder = std::filesystem::path(*local_app_data) / "Tarovik" / "WebView2";
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  return folder.wstring();
}

}  // namespace

struct WebView::Runtime : std::enable_shared_from_this<WebView::Runtime> {
  HWND parent = nullptr;
  std::wstring address;
  FailureHandler on_failure;
  CoreWebView2Controller* controller = nullptr;
  std::optional<std::string> failure;  // the first error; later ones are its consequences

  ~Runtime() {
    if (controller != nullptr) {
      controller->close();
      controller->Release();
    }
  }

  void fail(const std::string& error) {
    if (failure) return;
    failure = error;
    if (on_failure) on_failure(error);
  }

  void environment_ready(HRESULT error, CoreWebView2Environment* environment) {
    if (FAILED(error) || environment == nullptr) return fail("the WebView2 environment did not start: " + describe(error));
    std::weak_ptr<Runtime> weak = weak_from_this();
    auto* handler = new Completion<ControllerCompletedHandler, CoreWebView2Controller>(
        kControllerCompletedHandlerId, [weak](HRESULT result, CoreWebView2Controller* created) {
          if (auto self = weak.lock()) self->controller_ready(result, created);
        });
    const HRESULT started = environment->create_controller(parent, handler);
    handler->Release();
    if (FAILED(started)) fail("CreateCoreWebView2Controller: " + describe(started));
  }

  void controller_ready(HRESULT error, CoreWebView2Controller* created) {
    if (FAILED(error) || created == nullptr) return fail("the WebView2 controller was not created: " + describe(error));
    created->AddRef();
    controller = created;
    fit();
    CoreWebView2* view = nullptr;
    HRESULT result = controller->get_core_web_view(&view);
    if (SUCCEEDED(result) && view != nullptr) {
      result = view->navigate(address.c_str());
      view->Release();
    }
    if (FAILED(result) || view == nullptr) return fail("the page could not be opened: " + describe(result));
    controller->move_focus(kMoveFocusProgrammatic);
  }

  void fit() {
    if (controller == nullptr) return;
    RECT client{};
    GetClientRect(parent, &client);
    controller->put_bounds(client);
  }
};

Result<std::unique_ptr<WebView>> WebView::create(HWND parent, const std::u16string& address,
                                                 FailureHandler on_failure) {
  // The loader stays loaded for the life of the process: the runtime's objects outlive any
  // point where unloading it would be safe.
  HMODULE loader = LoadLibraryW(L"WebView2Loader.dll");
  if (loader == nullptr) {
    return Error{"WebView2Loader.dll could not be loaded: " + describe(HRESULT_FROM_WIN32(GetLastError()))};
  }
  auto create_environment = reinterpret_cast<CreateEnvironment>(
      reinterpret_cast<void*>(GetProcAddress(loader, "CreateCoreWebView2EnvironmentWithOptions")));
  if (create_environment == nullptr) {
    return Error{"WebView2Loader.dll has no CreateCoreWebView2EnvironmentWithOptions"};
  }

  std::unique_ptr<WebView> web_view(new WebView);
  auto runtime = std::make_shared<Runtime>();
  runtime->parent = parent;
  runtime->address.assign(address.begin(), address.end());
  web_view->runtime_ = runtime;

  std::weak_ptr<Runtime> weak = runtime;
  auto* handler = new Completion<EnvironmentCompletedHandler, CoreWebView2Environment>(
      kEnvironmentCompletedHandlerId, [weak](HRESULT result, CoreWebView2Environment* environment) {
        if (auto self = weak.lock()) self->environment_ready(result, environment);
      });
  const std::wstring folder = data_folder();
  const HRESULT started = create_environment(nullptr, folder.empty() ? nullptr : folder.c_str(), nullptr, handler);
  handler->Release();
  if (FAILED(started)) return Error{"CreateCoreWebView2EnvironmentWithOptions: " + describe(started)};
  // A failure reported while the loader was still being called is this call's error.
  if (runtime->failure) return Error{*runtime->failure};
  runtime->on_failure = std::move(on_failure);
  return web_view;
}

WebView::~WebView() = default;

void WebView::fit_to_parent() { runtime_->fit(); }

void WebView::take_focus() {
  if (runtime_->controller != nullptr) runtime_->controller->move_focus(kMoveFocusProgrammatic);
}

}  // namespace tarovik

// A stand-in for WebView2Loader.dll: answers like the runtime, asynchronously through the
// caller's message loop, and writes every call it receives to the file named by
// FAKE_WEBVIEW2_LOG. FAKE_WEBVIEW2_MODE picks the behaviour:
//   works   - environment, controller and view are created; calls are logged
//   fails   - the environment handler is called later with E_FAIL
//   refuses - the export itself fails with "file not found"
#include <windows.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <string>

// The caller's completion handlers: IUnknown, then Invoke(error, created). Declared outside
// the unnamed namespace, since nothing in this file implements it (see web_view_win32.cpp).
struct FakeHandler : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Invoke(HRESULT error, IUnknown* created) = 0;
};

namespace {

using Handler = FakeHandler;

std::string mode() {
  char buffer[32] = {};
  GetEnvironmentVariableA("FAKE_WEBVIEW2_MODE", buffer, sizeof buffer);
  return buffer;
}

void note(const char* format, ...) {
  char path[MAX_PATH] = {};
  if (GetEnvironmentVariableA("FAKE_WEBVIEW2_LOG", path, MAX_PATH) == 0) return;
  FILE* out = std::fopen(path, "ab");
  if (out == nullptr) return;
  va_list args;
  va_start(args, format);
  std::vfprintf(out, format, args);
  va_end(args);
  std::fputc('\n', out);
  std::fclose(out);
}

std::string narrow(const wchar_t* text) {
  if (text == nullptr) return "(null)";
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size > 0 ? size - 1 : 0), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
  return out;
}

// Reference counting shared by the fake objects; they are never freed before the process ends.
template <typename Interface>
struct Counted : Interface {
  std::atomic<ULONG> count{1};
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
    *out = this;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++count; }
  ULONG STDMETHODCALLTYPE Release() override { return --count; }
};

struct View : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE get_Settings(void**) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Source(LPWSTR*) = 0;
  virtual HRESULT STDMETHODCALLTYPE Navigate(LPCWSTR) = 0;
};
struct FakeView final : Counted<View> {
  HRESULT STDMETHODCALLTYPE get_Settings(void**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Source(LPWSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Navigate(LPCWSTR address) override {
    note("navigate %s", narrow(address).c_str());
    return S_OK;
  }
};

#define UNUSED_SLOT(name) \
  virtual HRESULT STDMETHODCALLTYPE name() { return E_NOTIMPL; }
struct FakeController final : Counted<IUnknown> {
  UNUSED_SLOT(get_IsVisible)
  UNUSED_SLOT(put_IsVisible)
  UNUSED_SLOT(get_Bounds)
  virtual HRESULT STDMETHODCALLTYPE put_Bounds(RECT bounds) {
    note("bounds %ld %ld %ld %ld", bounds.left, bounds.top, bounds.right, bounds.bottom);
    return S_OK;
  }
  UNUSED_SLOT(get_ZoomFactor)
  UNUSED_SLOT(put_ZoomFactor)
  UNUSED_SLOT(add_ZoomFactorChanged)
  UNUSED_SLOT(remove_ZoomFactorChanged)
  UNUSED_SLOT(SetBoundsAndZoomFactor)
  virtual HRESULT STDMETHODCALLTYPE MoveFocus(int reason) {
    note("focus %d", reason);
    return S_OK;
  }
  UNUSED_SLOT(add_MoveFocusRequested)
  UNUSED_SLOT(remove_MoveFocusRequested)
  UNUSED_SLOT(add_GotFocus)
  UNUSED_SLOT(remove_GotFocus)
  UNUSED_SLOT(add_LostFocus)
  UNUSED_SLOT(remove_LostFocus)
  UNUSED_SLOT(add_AcceleratorKeyPressed)
  UNUSED_SLOT(remove_AcceleratorKeyPressed)
  UNUSED_SLOT(get_ParentWindow)
  UNUSED_SLOT(put_ParentWindow)
  UNUSED_SLOT(NotifyParentWindowPositionChanged)
  virtual HRESULT STDMETHODCALLTYPE Close() {
    note("close");
    return S_OK;
  }
  virtual HRESULT STDMETHODCALLTYPE get_CoreWebView2(View** view) {
    static FakeView the_view;
    the_view.AddRef();
    *view = &the_view;
    return S_OK;
  }
};

// Answers a handler from the caller's message loop, as the runtime does.
Handler* pending_handler = nullptr;
HRESULT pending_error = S_OK;
IUnknown* pending_result = nullptr;
void CALLBACK answer(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  Handler* handler = pending_handler;
  pending_handler = nullptr;
  handler->Invoke(pending_error, pending_result);
  handler->Release();
}
void answer_later(Handler* handler, HRESULT error, IUnknown* result) {
  handler->AddRef();
  pending_handler = handler;
  pending_error = error;
  pending_result = result;
  SetTimer(nullptr, 0, 50, answer);
}

struct FakeEnvironment final : Counted<IUnknown> {
  virtual HRESULT STDMETHODCALLTYPE CreateCoreWebView2Controller(HWND parent, Handler* handler) {
    static FakeController controller;
    note("controller parent=%s", parent != nullptr && IsWindow(parent) ? "window" : "none");
    answer_later(handler, S_OK, &controller);
    return S_OK;
  }
};

}  // namespace

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE CreateCoreWebView2EnvironmentWithOptions(
    PCWSTR browser_folder, PCWSTR data_folder, IUnknown* options, Handler* handler) {
  note("environment browser=%s data=%s options=%s", narrow(browser_folder).c_str(), narrow(data_folder).c_str(),
       options == nullptr ? "none" : "some");
  const std::string how = mode();
  if (how == "refuses") return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  static FakeEnvironment environment;
  answer_later(handler, how == "fails" ? E_FAIL : S_OK, how == "fails" ? nullptr : &environment);
  return S_OK;
}

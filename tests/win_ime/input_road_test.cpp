#include "win_ime/input_road.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>

#include "test_engine.h"
#include "base/utf8.h"

namespace tarovik {
namespace {

constexpr WindowId kA = 1;
constexpr WindowId kB = 2;

// The system around the hooks: two edit windows with a caret each, the stream of input events
// in order, and the host window's message queue, which runs only when asked to, as it would
// behind fast typing. Events the drain sends go through the hooks at once, as under Wine. A
// click's x names its window and its y the caret position it gives there.
class Desktop {
 public:
  explicit Desktop(SharedState& shared) : shared_(shared), road_([this](HostPost post) { posts_.push_back(post); }) {
    fields_[kB].text = u"घर ";
    fields_[kB].caret = 3;
    out_.send = [this](const std::vector<InjectedInput>& events) {
      road_.order().injecting(events.size(), now_);
      for (const InjectedInput& e : events) deliver(e);
    };
    out_.log_path = [] { return std::filesystem::temp_directory_path() / "tarovik-road-unused.jsonl"; };
    out_.hide_popup = [] {};
    out_.foreground = [this] { return foreground_; };
  }

  void type(std::string_view text) {
    for (char c : text) press(key_of(c), c >= 'A' && c <= 'Z');
  }
  void press(std::uint32_t vk, bool shift = false) {
    if (shift) deliver(KeyEvent{KeyMessage::key_down, vk::lshift});
    deliver(KeyEvent{KeyMessage::key_down, vk});
    deliver(KeyEvent{KeyMessage::key_up, vk});
    if (shift) deliver(KeyEvent{KeyMessage::key_up, vk::lshift});
  }
  void hold(std::uint32_t vk, bool down) { deliver(KeyEvent{down ? KeyMessage::key_down : KeyMessage::key_up, vk}); }
  void alt_tab() {
    hold(vk::lmenu, true);
    press(vk::tab);
    hold(vk::lmenu, false);
  }
  void click(WindowId window, std::int32_t caret) {
    for (bool up : {false, true}) deliver(ButtonEvent{MouseButton::left, up, static_cast<std::int32_t>(window), caret});
  }
  void raise(WindowId window) { foreground_ = window; }
  // The host window handles its messages until none are left.
  void run() {
    while (!posts_.empty()) {
      const HostPost post = posts_.front();
      posts_.pop_front();
      if (post.message == WM_APP_COMMIT_READY) {
        ASSERT_TRUE(road_.drain(shared_, out_, now_));
      }
    }
  }
  std::string text(WindowId window) { return utf8::from_utf16(fields_[window].text); }

 private:
  struct Field {
    std::u16string text;
    std::size_t caret = 0;
  };

  static std::uint32_t key_of(char c) {
    if (c >= 'a' && c <= 'z') return static_cast<std::uint32_t>(c - 'a' + 'A');
    if (c == ' ') return vk::space;
    if (c == '.') return vk::oem_period;
    return static_cast<std::uint32_t>(c);  // capitals and digits are their own keys
  }
  std::optional<char32_t> character(std::uint32_t vk) {
    if (vk >= 'A' && vk <= 'Z') return static_cast<char32_t>(down_[vk::lshift] ? vk : vk - 'A' + 'a');
    if ((vk >= '0' && vk <= '9') || vk == vk::space || vk == vk::escape) return static_cast<char32_t>(vk);
    if (vk == vk::oem_period) return U'.';
    return std::nullopt;
  }
  static bool is_modifier(std::uint32_t vk) { return vk == vk::lshift || vk == vk::lcontrol || vk == vk::lmenu; }
  Modifiers modifiers() { return {down_[vk::lcontrol], down_[vk::lmenu], false, down_[vk::lshift]}; }

  void deliver(const InjectedInput& event) {
    if (const auto* key = std::get_if<InjectedKey>(&event)) {
      const KeyMessage message = key->key_up ? KeyMessage::key_up : KeyMessage::key_down;
      deliver(KeyEvent{message, key->unicode ? vk::packet : key->vk, key->scan, key->extra_info});
    } else {
      deliver(std::get<ButtonEvent>(event));
    }
  }
  void deliver(const KeyEvent& e) {
    ++now_;
    // As under Wine, a modifier counts as held from its own key-down on.
    if (is_modifier(e.vk) && e.message == KeyMessage::key_down) down_[e.vk] = true;
    const KeyPlatform platform{[this] { return modifiers(); }, [this] { return foreground_; },
                               [this, vk = e.vk] { return character(vk); }, now_};
    if (road_.on_key(&shared_, e, platform)) return;
    const bool down = e.message == KeyMessage::key_down;
    if (e.vk != vk::packet) down_[e.vk] = down;
    if (!down) return;
    Field& field = fields_[foreground_];
    if (e.vk == vk::tab && down_[vk::lmenu]) {
      foreground_ = foreground_ == kA ? kB : kA;
    } else if (e.vk == vk::back) {
      if (field.caret > 0) field.text.erase(--field.caret, 1);
    } else if (e.vk == vk::packet) {
      field.text.insert(field.caret++, 1, static_cast<char16_t>(e.scan));
    } else if (const auto c = character(e.vk); c && !down_[vk::lcontrol] && !down_[vk::lmenu]) {
      field.text.insert(field.caret++, 1, static_cast<char16_t>(*c));
    }
  }
  void deliver(const ButtonEvent& e) {
    ++now_;
    const ButtonPlatform platform{[] { return false; }, [this] { return foreground_; }, now_};
    if (road_.on_button(&shared_, e, platform) || e.up) return;
    foreground_ = static_cast<WindowId>(e.x);
    fields_[foreground_].caret = std::min<std::size_t>(static_cast<std::size_t>(e.y), fields_[foreground_].text.size());
  }

  SharedState& shared_;
  InputRoad road_;
  CommitOutput out_;
  std::deque<HostPost> posts_;
  std::map<WindowId, Field> fields_;
  std::map<std::uint32_t, bool> down_;
  WindowId foreground_ = kA;
  std::uint64_t now_ = 0;
};

// Scripts of key and mouse input, each with what the two windows hold at the end. Window B
// starts with "घर " and its caret at the end.
TEST(KeyboardRoad, TextGoesOnlyWhereItWasTyped) {
  struct Row {
    const char* what;
    std::function<void(Desktop&, ImeState&)> script;
    const char* a;
    const char* b;
  };
  const std::string letters29 = "abcdefghijklmnopqrstuvwxyzabc";
  const Row rows[] = {
      {"a click into B before the commit is typed waits for it",
       [](Desktop& d, ImeState&) { d.type("namaste "); d.click(kB, 3); d.type("ram "); d.run(); }, "नमस्ते ",
       "घर राम "},
      {"a window that comes to the front by itself gets no commit",
       [](Desktop& d, ImeState&) { d.type("namaste "); d.raise(kB); d.run(); d.type("ram "); d.run(); }, "namaste",
       "घर राम "},
      {"a click in the text ends the word",
       [](Desktop& d, ImeState&) { d.type("mero naam ram"); d.run(); d.click(kA, 0); d.type(" "); d.run(); },
       " मेरो नाम ram", "घर "},
      {"Backspace in another window undoes nothing there",
       [](Desktop& d, ImeState&) {
         d.type("ram ");
         d.run();
         d.alt_tab();
         d.press(vk::back);
         d.run();
       },
       "राम ", "घर"},
      {"a digit after a joined full stop picks no hidden row",
       [](Desktop& d, ImeState&) { d.type("www.1stbank.com "); d.run(); }, "www.1stbank.com ", ""},
      {"Esc keeps the word in English with the popup off",
       [](Desktop& d, ImeState& s) {
         s.config.show_candidate_popup = false;
         d.type("ram"); d.press(vk::escape); d.type(" "); d.run();
       },
       "ram ", ""},
      {"a shortcut ends an overlong word",
       [&](Desktop& d, ImeState&) {
         d.type(letters29);
         d.hold(vk::lcontrol, true);
         d.press('A');
         d.hold(vk::lcontrol, false);
         d.type("ram ");
         d.run();
       },
       "abcdefghijklmnopqrstuvwxyzabcराम ", ""},
      {"a held-back Alt+Tab moves the next word to the other window",
       [](Desktop& d, ImeState&) {
         d.type("namaste ");
         d.alt_tab();
         d.type("ram ");
         d.run();
       },
       "नमस्ते ", "घर राम "},
      {"a pick is learned before the next word is decided",
       [](Desktop& d, ImeState&) { d.type("jaanchhau2jaanchhau jaanchhau "); d.run(); },
       "जान्छउ जान्छउ जान्छउ ", ""},
  };
  for (const Row& row : rows) {
    SharedState shared{{}, ImeState(testing::build_engine({
                                        .words = {{"नमस्ते", 30000}, {"राम", 30000}, {"मेरो", 30000}, {"नाम", 30000}},
                                        .aliases = R"({"aliases": {"jaanchhau": ["जान्छौ", "जान्छउ"]}})",
                                    }),
                                    ImeConfig{})};
    Desktop desktop(shared);
    row.script(desktop, shared.state);
    const std::string b_text = desktop.text(kB);
    EXPECT_EQ(desktop.text(kA), row.a) << row.what;
    EXPECT_EQ(b_text, std::string(row.b).empty() ? "घर " : row.b) << row.what;
  }
}

}  // namespace
}  // namespace tarovik

#include "win_ime/input_road.h"

#include <gtest/gtest.h>

#include <deque>
#include <utility>
#include <map>

#include "test_engine.h"
#include "base/utf8.h"

namespace tarovik {
namespace {

constexpr WindowId kA = 1;
constexpr WindowId kB = 2;
constexpr WindowId kPopup = 3;

// The system around the hooks: two edit windows with a caret each, the popup, the stream of
// input events in order, and the host window's message queue, which runs only when asked to,
// as it would behind fast typing. Events the drain sends go through the hooks at once, as under
// Wine, or, lagging, one after each message the host window handles. A click's x names its
// window and its y the caret position it gives there, or the popup's row.
class Desktop {
 public:
  explicit Desktop(SharedState& shared) : shared_(shared), road_([this](HostPost post) { posts_.push_back(post); }) {
    fields_[kB].text = u"घर ";
    fields_[kB].caret = 3;
    out_.send = [this](const std::vector<InjectedInput>& events) { return send(events); };
    out_.log_path = [] { return std::filesystem::temp_directory_path() / "tarovik-road-unused.jsonl"; };
    out_.refresh_popup = [this] { refresh_popup(); };
    out_.foreground = [this] { return in_front(); };
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
  void wheel() { deliver(ButtonEvent{MouseButton::wheel, false, static_cast<std::int32_t>(foreground_), 0, 0, 120}); }
  void raise(WindowId window) { foreground_ = reported_ = window; }
  void lag() { lagging_ = true; }
  // The system reports a clicked window in front only once the host window has handled a
  // message since: the application reads the click in its own time.
  void lag_activation() { activation_lags_ = true; }
  void refuse_sends(int count) { refusals_ = count; }
  // Exit: the hooks go, then what they held goes out.
  void exit() {
    hooked_ = false;
    road_.release(shared_, out_);
  }
  // The host window handles its messages until none are left. A drain that must wait is tried
  // again on the timer, whose message comes only when no other is waiting, as on Windows.
  void run() {
    for (int turn = 0; turn < 10000 && (!posts_.empty() || !wire_.empty() || timer_); ++turn) {
      reported_ = foreground_;
      if (!posts_.empty()) {
        const HostPost post = posts_.front();
        posts_.pop_front();
        ++now_;
        if (post.message == WM_APP_POPUP_REFRESH) refresh_popup();
        if (post.message == WM_APP_COMMIT_READY) drain();
      } else if (std::exchange(timer_, false)) {
        now_ += 50;
        drain();
      }
      if (!wire_.empty()) {
        const InjectedInput event = wire_.front();
        wire_.pop_front();
        deliver(event);
      }
    }
  }
  std::string text(WindowId window) { return utf8::from_utf16(fields_[window].text); }
  const std::string& seen() const { return seen_; }
  int replays_sent() const { return replays_sent_; }
  // What the popup shows is what keys act on, once the host window is idle.
  bool popup_agrees() const { return !popup_rows_.empty() == rows_shown(shared_.state); }

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

  WindowId in_front() const { return activation_lags_ ? reported_ : foreground_; }
  void drain() { timer_ = timer_ || !road_.drain(shared_, out_, now_); }
  std::size_t send(const std::vector<InjectedInput>& events) {
    if (refusals_ > 0) {
      --refusals_;
      return 0;
    }
    road_.order().injecting(events.size(), now_);
    for (const InjectedInput& e : events) {
      replays_sent_ += std::visit([](const auto& one) { return replayed_sequence(one.extra_info).has_value(); }, e);
      if (lagging_) wire_.push_back(e);
      else deliver(e);
    }
    return events.size();
  }
  void refresh_popup() {
    popup_rows_.clear();
    if (!rows_shown(shared_.state)) return;
    for (const Candidate& c : shared_.state.candidates) popup_rows_.push_back(c.text);
  }
  OwnWindowHit own_window_at(const ButtonEvent& e) {
    if (static_cast<WindowId>(e.x) != kPopup) return {};
    const auto row = static_cast<std::size_t>(e.y);
    if (row >= popup_rows_.size()) return {true};
    return {true, PopupRowHit{row, popup_rows_[row]}};
  }

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
    const KeyPlatform platform{[this] { return modifiers(); }, [this] { return in_front(); },
                               [this, vk = e.vk] { return character(vk); }, now_};
    if (hooked_ && road_.on_key(&shared_, e, platform)) return;
    const bool down = e.message == KeyMessage::key_down;
    if (e.vk != vk::packet) down_[e.vk] = app_down_[e.vk] = down;
    if (down) type_into(fields_[foreground_], e);
  }
  // The application sees a key only once the hooks let it through.
  void type_into(Field& field, const KeyEvent& e) {
    if (e.vk == vk::tab && app_down_[vk::lmenu]) {
      foreground_ = foreground_ == kA ? kB : kA;
    } else if (e.vk == vk::back) {
      if (field.caret > 0) field.text.erase(--field.caret, 1);
    } else if (e.vk == vk::enter) {
      seen_ += "Enter ";  // a one-line field acts on the key
    } else if (e.vk == vk::packet) {
      field.text.insert(field.caret++, 1, static_cast<char16_t>(e.scan));
    } else if (const auto c = character(e.vk); c && !app_down_[vk::lcontrol] && !app_down_[vk::lmenu]) {
      field.text.insert(field.caret++, 1, static_cast<char16_t>(*c));
    }
  }
  void deliver(const ButtonEvent& e) {
    ++now_;
    const ButtonPlatform platform{[this, e] { return own_window_at(e); }, [this] { return in_front(); },
                                  [e] { return static_cast<WindowId>(e.x); }, now_};
    if (hooked_ && road_.on_button(&shared_, e, platform)) return;
    if (is_wheel(e.button)) {
      seen_ += app_down_[vk::lcontrol] ? "zoom " : "scroll ";
    } else if (!e.up && static_cast<WindowId>(e.x) != kPopup) {
      foreground_ = static_cast<WindowId>(e.x);
      fields_[foreground_].caret = std::min<std::size_t>(static_cast<std::size_t>(e.y), fields_[foreground_].text.size());
    }
  }

  SharedState& shared_;
  InputRoad road_;
  CommitOutput out_;
  std::deque<HostPost> posts_;
  std::deque<InjectedInput> wire_;
  std::map<WindowId, Field> fields_;
  std::map<std::uint32_t, bool> down_;
  std::map<std::uint32_t, bool> app_down_;
  std::vector<std::string> popup_rows_;
  std::string seen_;
  WindowId foreground_ = kA;
  WindowId reported_ = kA;
  std::uint64_t now_ = 0;
  bool lagging_ = false;
  bool activation_lags_ = false;
  bool timer_ = false;
  bool hooked_ = true;
  int refusals_ = 0;
  int replays_sent_ = 0;
};

// Scripts of key and mouse input, each with what the two windows hold at the end. Window B
// starts with "घर " and its caret at the end.
TEST(KeyboardRoad, TextGoesOnlyWhereItWasTyped) {
  struct Row {
    const char* what;
    std::function<void(Desktop&, ImeState&)> script;
    const char* a;
    const char* b;
    const char* seen = "";  // what the windows saw beyond their text
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
      {"Enter reaches the field as the Enter key after the word",
       [](Desktop& d, ImeState&) { d.type("namaste"); d.press(vk::enter); d.type("ram"); d.press(vk::enter); d.run(); },
       "नमस्तेराम", "", "Enter Enter "},
      {"a drain that waits shows the rows keys act on",
       [](Desktop& d, ImeState&) { d.lag(); d.type("ram sita "); d.run(); }, "राम सीता ", ""},
      {"a refused send is sent again, held keys and all",
       [](Desktop& d, ImeState&) { d.refuse_sends(1); d.type("namaste ok"); d.run(); }, "नमस्ते ok", ""},
      {"Exit sends what is held",
       [](Desktop& d, ImeState&) { d.type("namaste ok"); d.exit(); }, "नमस्ते ok", ""},
      {"the wheel waits behind a held Ctrl",
       [](Desktop& d, ImeState&) {
         d.type("namaste ");
         d.hold(vk::lcontrol, true);
         d.wheel();
         d.hold(vk::lcontrol, false);
         d.run();
       },
       "नमस्ते ", "", "zoom "},
      {"keys typed at once after a click wait for its window to come to the front",
       [](Desktop& d, ImeState&) {
         d.lag_activation();
         d.type("namaste ");
         d.run();
         d.click(kB, 3);
         d.type("ram ");
         d.click(kA, 7);
         d.type("mero ");
         d.run();
       },
       "नमस्ते मेरो ", "घर राम "},
      {"keys after a click on a popup row wait for its word",
       [](Desktop& d, ImeState&) { d.type("ram"); d.run(); d.click(kPopup, 1); d.type("sita "); d.run(); },
       "रम सीता ", ""},
      {"a held click on a row takes nothing once the row shows another word",
       [](Desktop& d, ImeState&) { d.type("sita"); d.run(); d.type(" "); d.click(kPopup, 0); d.run(); }, "सीता ", ""},
      {"giving up on a system that refuses our input leaves no key held down",
       [](Desktop& d, ImeState&) {
         d.refuse_sends(11);  // every retry for 500 ms, 50 ms apart
         d.type("namaste");
         d.hold(vk::lshift, true);
         d.press(vk::space);
         d.hold(vk::lshift, false);
         d.run();
         d.type("ok");
         d.run();
       },
       "namasteok", ""},
  };
  for (const Row& row : rows) {
    SharedState shared{{}, ImeState(testing::build_engine({
                                        .words = {{"नमस्ते", 30000}, {"राम", 30000}, {"मेरो", 30000}, {"नाम", 30000},
                                                  {"सीता", 30000}},
                                        .aliases = R"({"aliases": {"jaanchhau": ["जान्छौ", "जान्छउ"]}})",
                                        .bigrams = R"({"bigrams": {"सीता": {"राम": 40000}}})",
                                    }),
                                    ImeConfig{})};
    Desktop desktop(shared);
    row.script(desktop, shared.state);
    const std::string b_text = desktop.text(kB);
    EXPECT_EQ(desktop.text(kA), row.a) << row.what;
    EXPECT_EQ(b_text, std::string(row.b).empty() ? "घर " : row.b) << row.what;
    EXPECT_EQ(desktop.seen(), row.seen) << row.what;
    EXPECT_TRUE(desktop.popup_agrees()) << row.what;
  }
}

// Keys held behind a commit go out once each, however many words they hold: sent past a Space,
// they would come back behind its commit and be held and sent again, once a word.
TEST(KeyboardRoad, HeldKeysAreReplayedOnce) {
  SharedState shared{{}, ImeState(testing::build_engine({.words = {{"नमस्ते", 30000}, {"राम", 30000}, {"सीता", 30000}}}),
                                  ImeConfig{})};
  Desktop desktop(shared);
  desktop.type("namaste ram sita ");
  desktop.run();
  EXPECT_EQ(desktop.text(kA), "नमस्ते राम सीता ");
  EXPECT_EQ(desktop.replays_sent(), 19);  // the first Space's release, then "ram sita " down and up
}

}  // namespace
}  // namespace tarovik

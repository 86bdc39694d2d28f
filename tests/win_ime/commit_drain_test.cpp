#include "win_ime/commit_drain.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "test_engine.h"

namespace tarovik {
namespace {

std::vector<InjectedInput> inputs(const std::vector<InjectedKey>& keys) { return {keys.begin(), keys.end()}; }

class Commits : public ::testing::Test {
 protected:
  Commits()
      : shared_{{}, ImeState(testing::build_engine({
                                 .words = {{"नमस्ते", 30000}, {"राम", 30000}, {"घर", 30000}},
                                 .aliases = R"({"aliases": {"namaste": ["नमस्ते", "नमस्कार"]}})",
                                 .bigrams = R"({"bigrams": {"नमस्कार": {"दाइ": 40000, "हजुर": 30000}}})",
                             }),
                             ImeConfig{})} {
    std::filesystem::remove_all(folder_);
    output_.send = [this](const std::vector<InjectedInput>& events) {
      sent_.push_back(events);
      return events.size();
    };
    output_.log_path = [this] { return folder_ / "log.jsonl"; };
    output_.refresh_popup = [this] { ++refreshes_; };
  }
  ~Commits() override { std::filesystem::remove_all(folder_); }

  // Types roman, selects a row and commits it with a space, as the hook would.
  CommitAction commit(std::string_view roman, std::size_t row) {
    ImeState& s = shared_.state;
    for (char c : roman) s.composition_push_char(static_cast<unsigned char>(c));
    s.selected = row;
    return *s.commit_selection(" ");
  }
  std::string log() const {
    std::ifstream in(folder_ / "log.jsonl", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  bool learned(std::string_view roman) const { return shared_.state.engine.learned_aliases.contains(std::string(roman)); }

  // One folder a test: ctest runs the tests side by side.
  const std::filesystem::path folder_ =
      std::filesystem::temp_directory_path() /
      ("tarovik-drain-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
  SharedState shared_;
  CommitOutput output_;
  std::vector<std::vector<InjectedInput>> sent_;
  int refreshes_ = 0;
};

TEST_F(Commits, DrainTypesEverythingInQueueOrder) {
  CommitQueue queue;
  const InjectedKey held{'G', 0x22, false, false, false};
  queue.push({commit("namaste", 1), 1});
  queue.push({commit("ram", 0), 3});
  queue.push({held, 2});  // decided late, typed before the key after it
  drain_commit_queue(shared_, queue, output_);
  std::vector<InjectedInput> expected = inputs(build_injected_keys(7, "नमस्कार "));
  expected.push_back(InjectedKey{'G', 0x22, false, false, false, replay_extra_info(2)});
  for (const InjectedInput& key : inputs(build_injected_keys(3, "राम "))) expected.push_back(key);
  EXPECT_EQ(sent_, std::vector<std::vector<InjectedInput>>{expected});  // one send, in queue order
  EXPECT_EQ(refreshes_, 1);
  EXPECT_TRUE(queue.take_all().empty());
  queue.push({held});
  drain_commit_queue(shared_, queue, output_);
  EXPECT_EQ(refreshes_, 1);  // a replayed key alone leaves the popup as it is
}

TEST_F(Commits, OnlyPromotedPicksAreLearnedAndLoggedAsTheSettingsSay) {
  struct Row {
    bool learn, log;
    std::size_t row;
    bool learned, logged;
  };
  for (const Row r : {Row{true, true, 1, true, true}, Row{true, true, 0, false, false},
                      Row{true, false, 1, true, false}, Row{false, true, 1, false, false}}) {
    shared_.state.engine.learned_aliases.clear();
    shared_.state.previous_word = "राम";
    std::filesystem::remove_all(folder_);
    shared_.state.config.learn_promoted_words = r.learn;
    shared_.state.config.dev_correction_log = r.log;
    CommitQueue queue;
    queue.push({commit("namaste", r.row)});
    drain_commit_queue(shared_, queue, output_);
    EXPECT_EQ(learned("namaste"), r.learned) << r.learn << r.log << r.row;
    EXPECT_EQ(log(), r.logged ? R"({"prev_word":"राम","roman":"namaste","top1_shown":"नमस्ते","user_selected":"नमस्कार"})"
                                "\n"
                              : "")
        << r.learn << r.log << r.row;
  }
}

}  // namespace
}  // namespace tarovik

#include "memory.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace pellix {

// Readable failure messages: content, then the topic after " about ".
void PrintTo(const Fact& fact, std::ostream* out) {
  *out << '"' << fact.content << '"';
  if (fact.about) *out << " about \"" << *fact.about << '"';
}

namespace {

using Facts = std::vector<Fact>;

Fact fact(std::string content) { return Fact{std::move(content), std::nullopt}; }
Fact fact(std::string content, std::string about) { return Fact{std::move(content), about}; }

// A store with named facts, facts kept under their own content, topics, and a duplicate.
MemoryStore sample_store() {
  MemoryStore store;
  store.remember("blue", std::nullopt, "favorite_color");
  store.remember("green", std::nullopt, std::nullopt);
  store.remember("Paris", "capital", std::nullopt);
  store.remember("Rome", "capital", std::nullopt);
  store.remember("tea", "morning", "drink");
  store.remember("wine", "evening", "drink");
  store.remember("coffee", "morning", "drink");
  store.remember("green", std::nullopt, std::nullopt);
  store.remember("Lisbon", "drink", "city");
  store.remember("Madrid", "capital", "Spain");
  return store;
}

TEST(MemoryStoreTest, RecallTriesTheNameThenTheTopic) {
  struct Case {
    std::string_view what;
    std::optional<std::string_view> about;
    Facts expected;
  };
  const std::vector<Case> cases = {
      // The name is the key, not the content.
      {"favorite_color", std::nullopt, {fact("blue")}},
      {"blue", std::nullopt, {}},
      // Without a name the content is the key; remembering twice keeps both.
      {"green", std::nullopt, {fact("green"), fact("green")}},
      // All facts under a name, in the order remembered.
      {"drink",
       std::nullopt,
       {fact("tea", "morning"), fact("wine", "evening"), fact("coffee", "morning")}},
      // With a topic: only the facts under the name about it.
      {"drink", "morning", {fact("tea", "morning"), fact("coffee", "morning")}},
      // None about that topic: the facts about the asked name instead, not about the topic.
      {"drink", "night", {fact("Lisbon", "drink")}},
      // Facts without a topic never match one.
      {"favorite_color", "color", {}},
      // No such name: every fact about it, across names in the order they were created.
      {"capital",
       std::nullopt,
       {fact("Paris", "capital"), fact("Rome", "capital"), fact("Madrid", "capital")}},
      {"capital",
       "europe",
       {fact("Paris", "capital"), fact("Rome", "capital"), fact("Madrid", "capital")}},
      {"morning", std::nullopt, {fact("tea", "morning"), fact("coffee", "morning")}},
      // Names and topics compare exactly.
      {"Favorite_color", std::nullopt, {}},
      {"Capital", std::nullopt, {}},
      {"", std::nullopt, {}},
  };
  const MemoryStore store = sample_store();
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "recall " << c.what << " about " << c.about.value_or("-"));
    EXPECT_EQ(store.recall(c.what, c.about), c.expected);
  }
}

TEST(MemoryStoreTest, EmptyStoreYieldsNothingAndIgnoresForget) {
  MemoryStore store;
  EXPECT_EQ(store.recall("anything", std::nullopt), Facts{});
  EXPECT_EQ(store.recall("anything", "topic"), Facts{});
  store.forget("anything", std::nullopt);
  store.forget("anything", "topic");
  EXPECT_EQ(store.recall("anything", std::nullopt), Facts{});
}

TEST(MemoryStoreTest, ForgetWithoutTopicRemovesTheNameAndAllItsFacts) {
  MemoryStore store = sample_store();
  store.forget("drink", std::nullopt);
  // The name is gone, so recall falls back to the facts about "drink".
  EXPECT_EQ(store.recall("drink", std::nullopt), Facts{fact("Lisbon", "drink")});
  EXPECT_EQ(store.recall("morning", std::nullopt), Facts{});

  store.forget("no such name", std::nullopt);
  store.forget("capital", std::nullopt);  // a topic, not a name: nothing to remove
  EXPECT_EQ(store.recall("capital", std::nullopt),
            (Facts{fact("Paris", "capital"), fact("Rome", "capital"), fact("Madrid", "capital")}));
  // Names created before and after the removed one still reach their own facts.
  EXPECT_EQ(store.recall("green", std::nullopt), (Facts{fact("green"), fact("green")}));
  EXPECT_EQ(store.recall("city", std::nullopt), Facts{fact("Lisbon", "drink")});
  store.remember("purple", std::nullopt, "favorite_color");
  store.remember("Oslo", std::nullopt, "city");
  EXPECT_EQ(store.recall("favorite_color", std::nullopt), (Facts{fact("blue"), fact("purple")}));
  EXPECT_EQ(store.recall("city", std::nullopt), (Facts{fact("Lisbon", "drink"), fact("Oslo")}));
}

TEST(MemoryStoreTest, ForgetWithTopicRemovesOnlyThoseFactsAndKeepsTheName) {
  MemoryStore store = sample_store();
  store.forget("drink", "morning");
  EXPECT_EQ(store.recall("drink", std::nullopt), Facts{fact("wine", "evening")});

  store.forget("green", "morning");  // facts without a topic are not about any topic
  EXPECT_EQ(store.recall("green", std::nullopt), (Facts{fact("green"), fact("green")}));
  store.forget("capital", "capital");  // no such name
  EXPECT_EQ(store.recall("Rome", std::nullopt), Facts{fact("Rome", "capital")});

  // A name left without facts makes recall fall back to the topic search.
  store.forget("drink", "evening");
  EXPECT_EQ(store.recall("drink", std::nullopt), Facts{fact("Lisbon", "drink")});
  EXPECT_EQ(store.recall("drink", "evening"), Facts{fact("Lisbon", "drink")});
  store.remember("juice", std::nullopt, "drink");
  EXPECT_EQ(store.recall("drink", std::nullopt), Facts{fact("juice")});
}

TEST(MemoryStoreTest, SearchesAcrossNamesFollowTheOrderNamesWereCreated) {
  MemoryStore store;
  Facts expected;
  for (int i = 40; i > 0; --i) {
    const std::string name = "fact " + std::to_string(i);
    store.remember(name, "topic", std::nullopt);
    expected.push_back(fact(name, "topic"));
  }
  EXPECT_EQ(store.recall("topic", std::nullopt), expected);

  // A name emptied by a topic forget keeps its place; a forgotten name remembered again is new
  // and comes last.
  store.forget("fact 30", "topic");
  store.remember("fact 30", "topic", std::nullopt);
  store.forget("fact 20", std::nullopt);
  store.remember("fact 20", "topic", std::nullopt);
  expected.erase(expected.begin() + 20);
  expected.push_back(fact("fact 20", "topic"));
  EXPECT_EQ(store.recall("topic", std::nullopt), expected);
}

}  // namespace
}  // namespace pellix

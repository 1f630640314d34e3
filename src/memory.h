// The memory store: the facts a program keeps with `remember`, reads back with `recall` and
// drops with `forget`. It lives in memory only and lasts as long as the runtime that owns it.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace pellix {

// One remembered fact: the display text of the remembered value and its optional topic.
struct Fact {
  std::string content;
  std::optional<std::string> about;

  bool operator==(const Fact&) const = default;
};

// A table from names (compared exactly, letter case included) to facts in the order they were
// remembered. Names are visited in the order they were created (a name forgotten and then
// remembered again counts as new), so a search that spans names answers alike on every run.
class MemoryStore {
 public:
  // Appends the fact (`content`, `about`) under `as_name`, or under `content` itself when no
  // name is given; never fails and never merges equal facts.
  void remember(std::string content, std::optional<std::string> about,
                std::optional<std::string> as_name);

  // Yields the facts under the name `what` (only those about `about` when it is given); when
  // that finds nothing, yields every fact whose topic is `what`. Empty when nothing matches.
  std::vector<Fact> recall(std::string_view what, std::optional<std::string_view> about) const;

  // Removes the name `what` with all its facts, or, when `about` is given, only its facts about
  // `about` (the name stays, possibly empty); an unknown name changes nothing.
  void forget(std::string_view what, std::optional<std::string_view> about);

 private:
  // Lets the index be searched with a string_view without building a std::string.
  struct NameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view name) const {
      return std::hash<std::string_view>{}(name);
    }
  };

  // One list of facts per name, in the order the names were first created; `index_` maps each
  // name to its position.
  std::vector<std::vector<Fact>> lists_;
  std::unordered_map<std::string, std::size_t, NameHash, std::equal_to<>> index_;
};

}  // namespace pellix

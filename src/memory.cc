#include "memory.h"

#include <cstddef>
#include <utility>

namespace pellix {

void MemoryStore::remember(std::string content, std::optional<std::string> about,
                           std::optional<std::string> as_name) {
  std::string name = as_name ? std::move(*as_name) : content;
  const auto [slot, is_new] = index_.try_emplace(std::move(name), lists_.size());
  if (is_new) lists_.emplace_back();
  lists_[slot->second].push_back(Fact{std::move(content), std::move(about)});
}

std::vector<Fact> MemoryStore::recall(std::string_view what,
                                      std::optional<std::string_view> about) const {
  std::vector<Fact> found;
  if (const auto slot = index_.find(what); slot != index_.end() && !lists_[slot->second].empty()) {
    const std::vector<Fact>& facts = lists_[slot->second];
    if (!about) return facts;
    for (const Fact& fact : facts) {
      if (fact.about == about) found.push_back(fact);
    }
    if (!found.empty()) return found;
  }
  // Nothing stored under the name (or nothing about the asked topic): the name may instead be
  // the topic that facts were remembered about.
  for (const std::vector<Fact>& facts : lists_) {
    for (const Fact& fact : facts) {
      if (fact.about == what) found.push_back(fact);
    }
  }
  return found;
}

void MemoryStore::forget(std::string_view what, std::optional<std::string_view> about) {
  const auto slot = index_.find(what);
  if (slot == index_.end()) return;
  const std::size_t position = slot->second;
  if (about) {
    // The name itself stays, so a later recall of it falls back to the topic search.
    std::erase_if(lists_[position], [&](const Fact& fact) { return fact.about == about; });
    return;
  }
  index_.erase(slot);
  lists_.erase(lists_.begin() + static_cast<std::ptrdiff_t>(position));
  for (auto& [name, index] : index_) {
    if (index > position) --index;
  }
}

}  // namespace pellix

// The interpreter's executable form of a tree, private to the runtime. Each expression and
// statement is turned once into a node that holds what running it needs already resolved
// (variable slots, interpolation plans, compiled children), and the nodes run directly.
//
// Running a node writes its value into `out` and yields true, or records the error in the
// runtime (Runtime::fail_with) and yields false; errors are rare, so the common path carries
// nothing but a Value.
#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "runtime.h"

namespace pellix {

class CompiledNode {
 public:
  CompiledNode() = default;
  CompiledNode(const CompiledNode&) = delete;
  CompiledNode& operator=(const CompiledNode&) = delete;
  virtual ~CompiledNode() = default;

  virtual bool run(Runtime& runtime, Value& out) const = 0;
};

// A statement list: its value is that of its last statement, Nothing when empty. A `return`
// ends the list it stands in, so the statements after it are never compiled.
class BlockNode final : public CompiledNode {
 public:
  explicit BlockNode(std::vector<const CompiledNode*> statements)
      : statements_(std::move(statements)) {}

  bool run(Runtime& runtime, Value& out) const override {
    out = Value();
    for (const CompiledNode* statement : statements_) {
      if (!statement->run(runtime, out)) return false;
    }
    return true;
  }

 private:
  std::vector<const CompiledNode*> statements_;
};

template <typename Node, typename... Args>
const Node& Runtime::make_node(Args&&... args) {
  auto node = std::make_unique<Node>(std::forward<Args>(args)...);
  const Node& made = *node;
  nodes_.push_back(std::move(node));
  return made;
}

template <typename Tree>
const CompiledNode& Runtime::cached_node(const Tree& tree) {
  const InterpreterCache& cache = tree.compiled;
  if (cache.owner == id_) return *cache.node;
  const CompiledNode& node = compile(tree);
  cache.node = &node;
  cache.owner = id_;
  return node;
}

inline const CompiledNode& Runtime::node_for(const Expression& expression) {
  return cached_node(expression);
}

inline const CompiledNode& Runtime::node_for(const Statement& statement) {
  return cached_node(statement);
}

}  // namespace pellix

#pragma once
// Child rows sorted like their parents, handed out parent by parent. The run of a parent is
// the consecutive children from the cursor on that belong to it. A child that belongs to no
// parent stays at the cursor, so it ends every later run and the children after it are never
// handed out: the rows are read as one forward walk beside the parents, never searched.
#include <cstddef>
#include <span>
#include <vector>

namespace sollist {

template <class Child>
class TChildRuns {
public:
    explicit TChildRuns(const std::vector<Child>& children) : children_(children) {}

    // The children from the cursor on while belongsToParent(child) holds; the cursor moves
    // past them.
    template <class BelongsToParent>
    std::span<const Child> Next(BelongsToParent belongsToParent) {
        const std::size_t start = next_;
        while (next_ < children_.size() && belongsToParent(children_[next_])) ++next_;
        return {children_.data() + start, next_ - start};
    }

private:
    const std::vector<Child>& children_;
    std::size_t next_ = 0;
};

} // namespace sollist

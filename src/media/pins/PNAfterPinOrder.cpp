#include "media/pins/PNAfterPinOrder.h"

#include <cstdint>
#include <set>
#include <utility>
#include <vector>

namespace oculon::pins {

namespace {

using Links = std::vector<std::int32_t>;
constexpr std::int32_t kNone = -1;

// The pass runs row by row (entry i and the entries behind it); the same
// exchanges, taken column by column, are an insertion: link i meets the
// entries in front of it in order, and where an entry waits for the sink of
// the link it carries, the two change places and the carried link becomes
// that entry. What one arrival pushes along is a path of entries, each
// waiting for the one before, at places that rise: each moves into the
// place of the next, the last to the end, and the arrival takes the first.
//
// Such paths are kept as chains: a list of links beside the list of their
// places, so that a chain is pushed in two list steps (its link goes in
// front, the new place at the back). A chain only continues past a link
// whose sink has that one link and one entry waiting for it: there the way
// on is certain. Past any other sink ("shared": linked twice, or waited for
// twice) chains end, and the entries waiting for it are looked up by place
// among the chains' first links; each such look-up costs a logarithm. So a
// pass takes time linear in the links, plus a logarithm for every shared
// sink an arrival goes past.
class ChainedOrder {
public:
    ChainedOrder(const Links& sinks, const Links& afters)
        : n_(static_cast<std::int32_t>(sinks.size())),
          sinks_(sinks),
          afters_(afters),
          root_(n_),
          size_(n_, 1),
          head_(n_),
          tail_(n_),
          firstPlace_(n_),
          lastPlace_(n_),
          nextLink_(n_, kNone),
          nextPlace_(n_, kNone),
          soleLink_(n_, kNone),
          soleWaiter_(n_, kNone),
          shared_(n_, false) {
        std::vector<std::int32_t> links(n_, 0), waiting(n_, 0);
        for (std::int32_t i = 0; i < n_; ++i) {
            ++links[sinks[i]];
            soleLink_[sinks[i]] = i;
            if (afters[i] == kNoAfterPin) continue;
            ++waiting[afters[i]];
            soleWaiter_[afters[i]] = i;
        }
        for (std::int32_t p = 0; p < n_; ++p) shared_[p] = links[p] > 1 || waiting[p] > 1;
        for (std::int32_t i = 0; i < n_; ++i) arrive(i);
    }

    bool moved() const { return moved_; }

    Links order() {
        Links order(n_);
        for (std::int32_t c = 0; c < n_; ++c) {
            if (root_[c] != c) continue;
            for (std::int32_t link = head_[c], place = firstPlace_[c]; link != kNone;
                 link = nextLink_[link], place = nextPlace_[place])
                order[place] = link;
        }
        return order;
    }

private:
    // Link i arrives at place i and pushes what waits for it along.
    void arrive(std::int32_t i) {
        // The chains the arrival goes through, in place order.
        pushed_.clear();
        for (std::int32_t carried = i, behind = kNone;;) {
            const std::int32_t waiter = firstWaiting(sinks_[carried], behind, i);
            if (waiter == kNone) break;
            const std::int32_t chain = find(waiter);
            pushed_.push_back(chain);
            behind = lastPlace_[chain];
            carried = tail_[chain];
        }
        if (pushed_.empty()) {
            startChain(i, i);
        } else {
            shift(i);
            startChain(i, given_.front());
            joinPushed(i);
            moved_ = true;
        }
        // The arrival waits behind its notify-after pin's link when that is
        // the last of its chain and the way from it is certain.
        const std::int32_t pin = afters_[i];
        if (pin == kNoAfterPin) return;
        if (shared_[pin]) {
            waiting_.insert({key(pin, firstPlace_[find(i)]), i});
            return;
        }
        const std::int32_t after = soleLink_[pin];
        if (after == kNone || after >= i) return;
        const std::int32_t front = find(after), back = find(i);
        if (front != back && tail_[front] == after && lastPlace_[front] < firstPlace_[back]) join(front, back);
    }

    // Each pushed chain gives its first place to the link in front of it
    // (the first to the arrival) and takes the next chain's first place at
    // its back (the last takes the arrival's). Walked from the last chain,
    // so that a first place is read before it moves.
    void shift(std::int32_t arrival) {
        given_.resize(pushed_.size());
        std::int32_t taken = arrival;
        for (std::size_t k = pushed_.size(); k-- > 0;) {
            const std::int32_t chain = pushed_[k];
            const std::int32_t given = firstPlace_[chain];
            given_[k] = given;
            firstPlace_[chain] = nextPlace_[given];
            if (firstPlace_[chain] == kNone) firstPlace_[chain] = taken;
            else nextPlace_[lastPlace_[chain]] = taken;
            lastPlace_[chain] = taken;
            nextPlace_[taken] = kNone;
            taken = given;
        }
    }

    // The pushed chains join the arrival's where the way on is certain;
    // the first links of the others are found at their new places.
    void joinPushed(std::int32_t arrival) {
        std::int32_t front = arrival;
        for (std::size_t k = 0; k < pushed_.size(); ++k) {
            const std::int32_t chain = pushed_[k];
            const std::int32_t pin = sinks_[tail_[front]];
            if (!shared_[pin]) {
                front = join(front, chain);
                continue;
            }
            const std::int32_t first = head_[chain];
            waiting_.erase({key(pin, given_[k]), first});
            waiting_.insert({key(pin, firstPlace_[chain]), first});
            front = chain;
        }
    }

    void startChain(std::int32_t link, std::int32_t place) {
        root_[link] = link;
        head_[link] = tail_[link] = link;
        firstPlace_[link] = lastPlace_[link] = place;
        nextPlace_[place] = kNone;
    }

    // The first entry after place `behind` that waits for `pin`; only links
    // that arrived before `arrival` stand anywhere yet.
    std::int32_t firstWaiting(std::int32_t pin, std::int32_t behind, std::int32_t arrival) {
        if (shared_[pin]) {
            const auto it = waiting_.lower_bound({key(pin, behind + 1), kNone});
            return it != waiting_.end() && it->first >> 32 == static_cast<std::uint64_t>(pin) ? it->second : kNone;
        }
        const std::int32_t waiter = soleWaiter_[pin];
        if (waiter == kNone || waiter >= arrival) return kNone;
        const std::int32_t chain = find(waiter);
        return head_[chain] == waiter && firstPlace_[chain] > behind ? waiter : kNone;
    }

    static std::uint64_t key(std::int32_t pin, std::int32_t place) {
        return static_cast<std::uint64_t>(pin) << 32 | static_cast<std::uint32_t>(place);
    }

    std::int32_t find(std::int32_t link) {
        while (root_[link] != link) link = root_[link] = root_[root_[link]];
        return link;
    }

    // `front`'s chain, then `back`'s, as one; returns its root.
    std::int32_t join(std::int32_t front, std::int32_t back) {
        nextLink_[tail_[front]] = head_[back];
        nextPlace_[lastPlace_[front]] = firstPlace_[back];
        const std::int32_t into = size_[front] >= size_[back] ? front : back;
        const std::int32_t from = into == front ? back : front;
        head_[into] = head_[front];
        firstPlace_[into] = firstPlace_[front];
        tail_[into] = tail_[back];
        lastPlace_[into] = lastPlace_[back];
        size_[into] += size_[from];
        root_[from] = into;
        return into;
    }

    const std::int32_t n_;
    const Links& sinks_;
    const Links& afters_;
    bool moved_ = false;
    // Chains as sets (by link): the fields below are those of a set's root.
    Links root_, size_;
    Links head_, tail_, firstPlace_, lastPlace_;
    Links nextLink_, nextPlace_;  // the lists, by link and by place
    // By pin: its link and the entry waiting for it, when there is one.
    Links soleLink_, soleWaiter_;
    std::vector<bool> shared_;
    // The entries waiting for shared pins, each first of its chain, by pin
    // and place.
    std::set<std::pair<std::uint64_t, std::int32_t>> waiting_;
    // Of one arrival: the chains it pushes and their first places before.
    Links pushed_, given_;
};

}  // namespace

std::vector<std::int32_t> PNAfterPinsFirst(const std::vector<std::int32_t>& sinks,
                                           const std::vector<std::int32_t>& afters) {
    ChainedOrder chains(sinks, afters);
    return chains.moved() ? chains.order() : std::vector<std::int32_t>{};
}

}  // namespace oculon::pins

#include "media/pins/PNAfterPinOrder.h"

#include <numeric>
#include <set>
#include <utility>

namespace oculon::pins {

namespace {

using Links = std::vector<std::int32_t>;
constexpr std::int32_t kNone = -1;

// Every sink linked once and named by at most one entry: the pass in one
// walk. The pass runs row by row (entry i and the entries behind it); the
// same exchanges, taken column by column, are an insertion: link i meets
// the entries in front of it in order, and where an entry waits for link
// i's sink, the two change places and the entry goes on. With at most one
// entry waiting for each pin, what one arrival pushes along is a whole
// chain of entries, each waiting for the one before, at places that rise:
// each moves into the place of the next, the last to the end, and the
// arrival takes the first. Such a chain stays one when it is pushed, so it
// is kept as a list of links beside the list of its places, and an arrival
// costs two list steps: its link goes in front, the new place at the back.
// The arrival's own notify-after pin ends a chain; standing in front, it
// joins that chain and the arrival's into one.
class ChainedOrder {
public:
    ChainedOrder(const Links& sinks, const Links& afters)
        : n_(static_cast<std::int32_t>(sinks.size())),
          root_(n_),
          size_(n_, 1),
          head_(n_),
          tail_(n_),
          firstPlace_(n_),
          lastPlace_(n_),
          nextLink_(n_, kNone),
          nextPlace_(n_, kNone) {
        std::vector<std::int32_t> linkOfPin(n_, kNone), waiting(n_, kNone);
        for (std::int32_t i = 0; i < n_; ++i) {
            linkOfPin[sinks[i]] = i;
            if (afters[i] != kNoAfterPin) waiting[afters[i]] = i;
        }
        for (std::int32_t i = 0; i < n_; ++i) {
            // Link i takes the place of the first link that waits for its
            // sink, if that came before it; place i goes to the end of that chain.
            const std::int32_t first = waiting[sinks[i]];
            std::int32_t chain = i;
            if (first != kNone && first < i) {
                chain = find(first);
                nextLink_[i] = head_[chain];
                head_[chain] = i;
                nextPlace_[lastPlace_[chain]] = i;
                lastPlace_[chain] = i;
                root_[i] = chain;
                ++size_[chain];
                moved_ = true;
            } else {
                root_[i] = i;
                head_[i] = tail_[i] = i;
                firstPlace_[i] = lastPlace_[i] = i;
            }
            // Link i now waits behind its notify-after pin's link, the last of
            // its chain (nothing waited for that pin before link i came).
            const std::int32_t after = afters[i] == kNoAfterPin ? kNone : linkOfPin[afters[i]];
            if (after == kNone || after >= i) continue;
            const std::int32_t front = find(after);
            if (lastPlace_[front] < firstPlace_[chain]) join(front, chain);
        }
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
    std::int32_t find(std::int32_t link) {
        while (root_[link] != link) link = root_[link] = root_[root_[link]];
        return link;
    }
    // `front`'s chain, then `back`'s, as one.
    void join(std::int32_t front, std::int32_t back) {
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
    }

    const std::int32_t n_;
    bool moved_ = false;
    // Chains as sets (by link): the fields below are those of a set's root.
    Links root_, size_;
    Links head_, tail_, firstPlace_, lastPlace_;
    Links nextLink_, nextPlace_;  // the lists, by link and by place
};

// The pass as it reads, exchange by exchange; `behind(pin, from)` finds the
// first place at or after `from` whose link goes to `pin`, and `exchanged`
// hears of each exchange.
template <typename Behind, typename Exchanged>
Links exchangeByExchange(const Links& sinks, const Links& afters, Behind behind, Exchanged exchanged) {
    const auto n = static_cast<std::int32_t>(sinks.size());
    Links order(n);
    std::iota(order.begin(), order.end(), 0);
    bool moved = false;
    for (std::int32_t i = 0; i < n; ++i) {
        for (std::int32_t from = i + 1; afters[order[i]] != kNoAfterPin;) {
            const std::int32_t j = behind(afters[order[i]], from);
            if (j == kNone) break;
            exchanged(sinks[order[i]], i, sinks[order[j]], j);
            std::swap(order[i], order[j]);
            moved = true;
            from = j + 1;
        }
    }
    return moved ? order : Links{};
}

}  // namespace

std::vector<std::int32_t> PNAfterPinsFirst(const std::vector<std::int32_t>& sinks,
                                           const std::vector<std::int32_t>& afters) {
    const std::size_t n = sinks.size();
    std::vector<std::int32_t> links(n, 0), waiting(n, 0);
    bool linkedOnce = true, namedOnce = true;
    for (std::size_t i = 0; i < n; ++i) {
        linkedOnce = linkedOnce && ++links[sinks[i]] == 1;
        if (afters[i] != kNoAfterPin) namedOnce = namedOnce && ++waiting[afters[i]] == 1;
    }
    if (linkedOnce && namedOnce) {
        ChainedOrder chains(sinks, afters);
        return chains.moved() ? chains.order() : Links{};
    }
    if (linkedOnce) {
        Links place(n, kNone);
        for (std::size_t i = 0; i < n; ++i) place[sinks[i]] = static_cast<std::int32_t>(i);
        return exchangeByExchange(
            sinks, afters, [&](std::int32_t pin, std::int32_t from) { return place[pin] >= from ? place[pin] : kNone; },
            [&](std::int32_t a, std::int32_t i, std::int32_t b, std::int32_t j) {
                place[a] = j;
                place[b] = i;
            });
    }
    std::vector<std::set<std::int32_t>> places(n);
    for (std::size_t i = 0; i < n; ++i) places[sinks[i]].insert(static_cast<std::int32_t>(i));
    return exchangeByExchange(
        sinks, afters,
        [&](std::int32_t pin, std::int32_t from) {
            const auto it = places[pin].lower_bound(from);
            return it == places[pin].end() ? kNone : *it;
        },
        [&](std::int32_t a, std::int32_t i, std::int32_t b, std::int32_t j) {
            places[a].erase(i);
            places[b].erase(j);
            places[a].insert(j);
            places[b].insert(i);
        });
}

}  // namespace oculon::pins

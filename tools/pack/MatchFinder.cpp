#include "MatchFinder.h"

#include "PackFormat.h"

#include <algorithm>

namespace {

constexpr unsigned HASH_BITS = 20;
constexpr unsigned SHORT_PREFIX = 3;
constexpr unsigned LONG_PREFIX = 12;

uint32_t hashOf(const uint8_t* bytes, unsigned count) {
    uint32_t hash = 0;
    for (unsigned i = 0; i < count; ++i)
        hash = (hash ^ bytes[i]) * 2654435761u;
    return hash >> (32 - HASH_BITS);
}

} // namespace

MatchFinder::MatchFinder(const uint8_t* data, size_t size, size_t start, unsigned chainLimit,
                         unsigned niceLength)
    : data_(data), size_(size), chainLimit_(chainLimit),
      niceLength_(niceLength), shortChains_{std::vector<int32_t>(size_t{1} << HASH_BITS, -1),
                                            std::vector<int32_t>(size, -1)},
      longChains_{std::vector<int32_t>(size_t{1} << HASH_BITS, -1), std::vector<int32_t>(size, -1)},
      pairHead_(1u << 16, -1) {
    insertUpTo(start);
}

void MatchFinder::insertUpTo(size_t end) {
    for (; inserted_ < end; ++inserted_) {
        for (auto [chains, prefix] : {std::pair<Chains*, unsigned>{&shortChains_, SHORT_PREFIX},
                                      std::pair<Chains*, unsigned>{&longChains_, LONG_PREFIX}}) {
            if (inserted_ + prefix > size_)
                continue;
            int32_t& head = chains->head[hashOf(data_ + inserted_, prefix)];
            chains->previous[inserted_] = head;
            head = static_cast<int32_t>(inserted_);
        }
    }
}

void MatchFinder::walkChain(const Chains& chains, uint32_t hash, size_t at, unsigned maxLength,
                            unsigned& best, std::vector<Match>& out) const {
    unsigned tries = chainLimit_;
    for (int32_t candidate = chains.head[hash]; candidate >= 0 && tries > 0 && best < maxLength;
         candidate = chains.previous[candidate], --tries) {
        const size_t distance = at - static_cast<size_t>(candidate);
        if (distance >= WINDOW_SIZE)
            break;
        if (data_[candidate + best] != data_[at + best])
            continue;
        const unsigned length = matchLength(at, static_cast<uint32_t>(distance), maxLength);
        if (length <= best)
            continue;
        best = length;
        out.push_back({static_cast<uint32_t>(distance), length});
        if (length >= niceLength_)
            break;
    }
}

void MatchFinder::findMatches(size_t at, unsigned maxLength, std::vector<Match>& out) {
    out.clear();
    insertUpTo(at);
    maxLength = static_cast<unsigned>(std::min<size_t>(maxLength, size_ - at));
    if (maxLength < SHORT_PREFIX)
        return;
    unsigned best = SHORT_PREFIX - 1;
    walkChain(shortChains_, hashOf(data_ + at, SHORT_PREFIX), at, maxLength, best, out);
    if (maxLength >= LONG_PREFIX && best < niceLength_)
        walkChain(longChains_, hashOf(data_ + at, LONG_PREFIX), at, maxLength, best, out);
}
uint32_t MatchFinder::latestPair(size_t at, uint32_t maxDistance) {
    if (at + 2 > size_)
        return 0;
    for (; pairsInserted_ < at; ++pairsInserted_)
        pairHead_[data_[pairsInserted_] << 8 | data_[pairsInserted_ + 1]] =
            static_cast<int32_t>(pairsInserted_);
    const int32_t latest = pairHead_[data_[at] << 8 | data_[at + 1]];
    if (latest < 0 || at - static_cast<size_t>(latest) > maxDistance)
        return 0;
    return static_cast<uint32_t>(at - static_cast<size_t>(latest));
}

unsigned MatchFinder::matchLength(size_t at, uint32_t distance, unsigned maxLength) const {
    const size_t limit = std::min<size_t>(maxLength, size_ - at);
    const uint8_t* here = data_ + at;
    const uint8_t* there = here - distance;
    size_t length = 0;
    while (length < limit && here[length] == there[length])
        ++length;
    return static_cast<unsigned>(length);
}

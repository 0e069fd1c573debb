#include "MatchFinder.h"

#include "PackFormat.h"

#include <algorithm>

namespace {

constexpr unsigned HASH_BITS = 17;
constexpr unsigned HASH_PREFIX = 3;

} // namespace

MatchFinder::MatchFinder(const uint8_t* data, size_t size, size_t start, unsigned chainLimit,
                         unsigned niceLength)
    : data_(data), size_(size), chainLimit_(chainLimit), niceLength_(niceLength),
      head_(size_t{1} << HASH_BITS, -1), previous_(size, -1), pairHead_(1u << 16, -1) {
    insertUpTo(start);
}

uint32_t MatchFinder::hashAt(size_t at) const {
    const uint32_t prefix =
        uint32_t{data_[at]} << 16 | uint32_t{data_[at + 1]} << 8 | data_[at + 2];
    return (prefix * 2654435761u) >> (32 - HASH_BITS);
}

void MatchFinder::insertUpTo(size_t end) {
    const size_t last = size_ >= HASH_PREFIX ? std::min(end, size_ - HASH_PREFIX + 1) : 0;
    for (; inserted_ < last; ++inserted_) {
        int32_t& head = head_[hashAt(inserted_)];
        previous_[inserted_] = head;
        head = static_cast<int32_t>(inserted_);
    }
}

void MatchFinder::findMatches(size_t at, unsigned maxLength, std::vector<Match>& out) {
    out.clear();
    insertUpTo(at);
    maxLength = static_cast<unsigned>(std::min<size_t>(maxLength, size_ - at));
    if (maxLength < HASH_PREFIX)
        return;
    unsigned best = HASH_PREFIX - 1;
    unsigned tries = chainLimit_;
    for (int32_t candidate = head_[hashAt(at)]; candidate >= 0 && tries > 0;
         candidate = previous_[candidate], --tries) {
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
        if (length >= niceLength_ || length == maxLength)
            break;
    }
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

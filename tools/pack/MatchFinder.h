// Finds earlier occurrences of the bytes at a position, within the window, with
// hash chains over three-byte prefixes for near matches and over longer prefixes
// for long matches far back (and the latest two-byte pair for the short form).
// Positions must be asked in increasing order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct Match {
    uint32_t distance = 0;
    uint32_t length = 0;
};

class MatchFinder {
public:
    // data[0..size) is searched; positions below start are history that may be
    // matched but is not coded. chainLimit bounds the candidates tried per position,
    // and a match of niceLength ends the search early.
    MatchFinder(const uint8_t* data, size_t size, size_t start, unsigned chainLimit,
                unsigned niceLength);

    // Matches at position at, longest found so far first appended last: every
    // match in out is longer than the ones before it. Lengths are capped at maxLength.
    void findMatches(size_t at, unsigned maxLength, std::vector<Match>& out);

    // Distance of the latest earlier occurrence of the two bytes at at, 0 if none
    // lies within maxDistance.
    uint32_t latestPair(size_t at, uint32_t maxDistance);

    // Length of the match at at with the given distance, capped at maxLength.
    unsigned matchLength(size_t at, uint32_t distance, unsigned maxLength) const;

private:
    struct Chains {
        std::vector<int32_t> head;
        std::vector<int32_t> previous;
    };

    void insertUpTo(size_t end);
    void walkChain(const Chains& chains, uint32_t hash, size_t at, unsigned maxLength,
                   unsigned& best, std::vector<Match>& out) const;

    const uint8_t* data_;
    size_t size_;
    unsigned chainLimit_;
    unsigned niceLength_;
    size_t inserted_ = 0;
    Chains shortChains_;
    Chains longChains_;
    std::vector<int32_t> pairHead_;
    size_t pairsInserted_ = 0;
};

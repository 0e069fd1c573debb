#include "HuffmanEncoder.h"

#include "PackFormat.h"

#include <algorithm>

namespace {

// An item of the package-merge lists: a leaf (one symbol) or a package of two items.
struct Item {
    uint64_t weight;
    int symbol; // -1 for a package
    int left;
    int right;
};

// Adds one to the length of every symbol below item.
void countLeaves(const std::vector<Item>& items, int item, std::vector<uint8_t>& lengths) {
    std::vector<int> stack{item};
    while (!stack.empty()) {
        const Item& top = items[stack.back()];
        stack.pop_back();
        if (top.symbol >= 0) {
            ++lengths[top.symbol];
        } else {
            stack.push_back(top.left);
            stack.push_back(top.right);
        }
    }
}

} // namespace

std::vector<uint8_t> buildCodeLengths(const uint32_t* counts, unsigned symbolCount,
                                      unsigned maxLength) {
    std::vector<uint8_t> lengths(symbolCount, 0);
    std::vector<Item> items;
    for (unsigned symbol = 0; symbol < symbolCount; ++symbol)
        if (counts[symbol] > 0)
            items.push_back({counts[symbol], static_cast<int>(symbol), -1, -1});
    const size_t used = items.size();
    if (used == 0)
        return lengths;
    if (used == 1) {
        lengths[items[0].symbol] = 1;
        return lengths;
    }
    std::stable_sort(items.begin(), items.end(),
                     [](const Item& a, const Item& b) { return a.weight < b.weight; });
    // Each level pairs up the cheapest items of the level below and merges the
    // packages with the leaves; 2 * used - 2 items of the last level make the code.
    const size_t keep = 2 * used - 2;
    std::vector<int> level(used);
    for (size_t i = 0; i < used; ++i)
        level[i] = static_cast<int>(i);
    for (unsigned depth = 1; depth < maxLength; ++depth) {
        std::vector<int> packages;
        for (size_t i = 0; i + 1 < level.size(); i += 2) {
            items.push_back(
                {items[level[i]].weight + items[level[i + 1]].weight, -1, level[i], level[i + 1]});
            packages.push_back(static_cast<int>(items.size() - 1));
        }
        std::vector<int> merged;
        size_t leaf = 0;
        size_t package = 0;
        while (merged.size() < keep && (leaf < used || package < packages.size())) {
            const bool takeLeaf =
                package == packages.size() ||
                (leaf < used && items[leaf].weight <= items[packages[package]].weight);
            merged.push_back(takeLeaf ? static_cast<int>(leaf++) : packages[package++]);
        }
        level = std::move(merged);
    }
    for (size_t i = 0; i < keep && i < level.size(); ++i)
        countLeaves(items, level[i], lengths);
    return lengths;
}

uint64_t codedBits(const uint32_t* counts, const uint8_t* lengths, unsigned symbolCount) {
    uint64_t bits = 0;
    for (unsigned symbol = 0; symbol < symbolCount; ++symbol)
        bits += uint64_t{counts[symbol]} * lengths[symbol];
    return bits;
}

HuffmanEncoder::HuffmanEncoder(const uint8_t* lengths, unsigned symbolCount)
    : lengths_(lengths, lengths + symbolCount), codes_(symbolCount, 0) {
    unsigned countOfLength[MAX_CODE_LENGTH + 1] = {};
    for (unsigned symbol = 0; symbol < symbolCount; ++symbol)
        ++countOfLength[lengths[symbol]];
    countOfLength[0] = 0;
    unsigned next[MAX_CODE_LENGTH + 1] = {};
    unsigned code = 0;
    for (unsigned length = 1; length <= MAX_CODE_LENGTH; ++length) {
        code = (code + countOfLength[length - 1]) << 1;
        next[length] = code;
    }
    for (unsigned symbol = 0; symbol < symbolCount; ++symbol)
        if (lengths[symbol] > 0)
            codes_[symbol] = static_cast<uint16_t>(next[lengths[symbol]]++);
}

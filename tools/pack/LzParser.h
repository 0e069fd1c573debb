// Turns bytes into the main-alphabet symbols of the normal mode: literals and the
// four match forms (repeat the last match, a recent distance, the short form and
// the long form), chosen by estimated bit cost: greedily with one step of lazy
// evaluation, or as the cheapest path through spans of the input.
#pragma once

#include "MatchFinder.h"
#include "PackFormat.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// One coded step: a main symbol with its extra bits, then optionally a distance or
// repeat-length symbol with its extra bits, in the order the decoder reads them.
struct Token {
    enum Second : uint8_t { NONE, DISTANCE, REPEAT_LENGTH };

    uint16_t symbol = 0;
    uint8_t extraBits = 0;
    Second secondKind = NONE;
    uint8_t second = 0;
    uint8_t secondExtraBits = 0;
    uint32_t extra = 0;
    uint32_t secondExtra = 0;
};

// The match state the decoder keeps: the ring of recent distances and the last match.
struct MatchHistory {
    uint32_t recent[RECENT_DISTANCES] = {};
    uint32_t recentCount = 0;
    uint32_t lastDistance = 0;
    uint32_t lastLength = 0;

    // The distance placesBack pushes ago (1 = the latest).
    uint32_t recentAt(unsigned placesBack) const {
        return recent[(recentCount - placesBack) % RECENT_DISTANCES];
    }
    void push(uint32_t distance) { recent[recentCount++ % RECENT_DISTANCES] = distance; }
};

// Estimated bits per symbol, used to choose between literals and match forms.
struct CostModel {
    float literal[256];
    float main[MAIN_SYMBOLS];
    float distance[DISTANCE_SYMBOLS];
    float repeatLength[LENGTH_SYMBOLS];

    // A first guess from the byte statistics of data.
    static CostModel initial(const uint8_t* data, size_t size);
    // The code lengths an earlier parse would get.
    static CostModel fromTokens(const std::vector<Token>& tokens);
};

struct ParseEffort {
    unsigned chainLimit;
    unsigned niceLength;
    unsigned lazyLimit; // matches at least this long are taken without looking ahead
    bool optimal;       // search the cheapest path instead of parsing lazily
};

class LzParser {
public:
    // Parses data[start..size); data[0..start) is history earlier symbols produced.
    LzParser(const uint8_t* data, size_t size, size_t start, const ParseEffort& effort);

    // The tokens for the whole range; history is updated as the decoder will.
    std::vector<Token> parse(MatchHistory& history, const CostModel& model);

private:
    enum class Form { LITERAL, REPEAT_LAST, RECENT, SHORT, LONG };
    struct Choice {
        Form form = Form::LITERAL;
        unsigned recentIndex = 0;
        uint32_t distance = 0;
        unsigned length = 1;
        float savings = 0;
    };

    struct Node {
        float cost;
        uint32_t from; // offset of the step's start within the span
        Choice step;
        MatchHistory history;
    };

    std::vector<Token> parseLazy(MatchHistory& history, const CostModel& model);
    std::vector<Token> parseOptimal(MatchHistory& history, const CostModel& model);
    size_t cheapestPath(size_t at, size_t span, const CostModel& model, std::vector<Node>& nodes);
    Choice bestAt(size_t at, const MatchHistory& history, const CostModel& model);
    // True when the last match repeats in full at `at`.
    bool repeatsLastMatch(size_t at, const MatchHistory& history) const;
    // Length of the match at `at` with a recent distance, capped at what the form
    // codes; 0 when the distance is unused, reaches before the data or the match
    // is too short for the form.
    unsigned recentMatchLength(size_t at, uint32_t distance) const;
    void consider(Choice& best, const Choice& candidate, float cost, size_t at) const;
    float literalBits(size_t at, unsigned length) const;
    Token tokenFor(const Choice& choice, size_t at, MatchHistory& history) const;
    static void applyStep(const Choice& choice, MatchHistory& history);
    static float recentCost(const CostModel& model, unsigned index, uint32_t distance,
                            unsigned length);
    static float shortCost(const CostModel& model, uint32_t distance);
    static float longCost(const CostModel& model, uint32_t distance, unsigned length);

    const uint8_t* data_;
    size_t size_;
    size_t start_;
    ParseEffort effort_;
    MatchFinder finder_;
    std::vector<Match> matches_;
    std::vector<double> literalPrefix_;
};

// Slot of a length value (0..255) in the length table.
unsigned lengthSlot(unsigned value);
// Slot of a distance - 1 in the distance table.
unsigned distanceSlot(uint32_t value);

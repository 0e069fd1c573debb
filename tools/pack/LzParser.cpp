#include "LzParser.h"

#include "HuffmanEncoder.h"

#include <algorithm>
#include <cmath>

namespace {

// Input positions searched together for the cheapest path.
constexpr size_t OPTIMAL_SPAN = 4096;
// Guesses for a first parse, before any statistics exist.
constexpr float GUESS_REPEAT_LAST = 6;
constexpr float GUESS_LATEST_RECENT = 5;
constexpr float GUESS_OLDER_RECENT = 7;
constexpr float GUESS_SHORT = 7;
constexpr float GUESS_LONG = 6;
constexpr float GUESS_DISTANCE = 5;
constexpr float GUESS_REPEAT_LENGTH = 4;
// Bits assumed for a symbol an earlier parse never used.
constexpr float UNUSED_SYMBOL_BITS = 12;

struct LengthSlots {
    uint8_t slot[MAX_LENGTH_VALUE + 1];
};

constexpr LengthSlots makeLengthSlots() {
    LengthSlots slots{};
    unsigned slot = 0;
    for (unsigned value = 0; value <= MAX_LENGTH_VALUE; ++value) {
        while (slot + 1 < LENGTH_SYMBOLS && LENGTH_BASES[slot + 1] <= value)
            ++slot;
        slots.slot[value] = static_cast<uint8_t>(slot);
    }
    return slots;
}
constexpr LengthSlots LENGTH_SLOT_OF = makeLengthSlots();

unsigned shortSlot(uint32_t value) {
    unsigned slot = SHORT_SLOTS - 1;
    while (SHORT_BASES[slot] > value)
        --slot;
    return slot;
}

float lengthBits(const float* slotCosts, unsigned value) {
    const unsigned slot = lengthSlot(value);
    return slotCosts[slot] + LENGTH_EXTRA_BITS[slot];
}

void fillFromCode(float* costs, const uint32_t* counts, unsigned symbolCount) {
    const std::vector<uint8_t> lengths = buildCodeLengths(counts, symbolCount, MAX_CODE_LENGTH);
    for (unsigned symbol = 0; symbol < symbolCount; ++symbol)
        costs[symbol] = lengths[symbol] > 0 ? lengths[symbol] : UNUSED_SYMBOL_BITS;
}

} // namespace

unsigned lengthSlot(unsigned value) {
    return LENGTH_SLOT_OF.slot[value];
}

unsigned distanceSlot(uint32_t value) {
    return static_cast<unsigned>(
        std::upper_bound(DISTANCE_BASES.begin(), DISTANCE_BASES.end(), value) -
        DISTANCE_BASES.begin() - 1);
}

CostModel CostModel::initial(const uint8_t* data, size_t size) {
    CostModel model{};
    uint32_t counts[256] = {};
    for (size_t i = 0; i < size; ++i)
        ++counts[data[i]];
    for (unsigned byte = 0; byte < 256; ++byte)
        model.literal[byte] = static_cast<float>(
            std::min(15.0, -std::log2((counts[byte] + 0.5) / (static_cast<double>(size) + 1))));
    model.main[REPEAT_LAST_MATCH] = GUESS_REPEAT_LAST;
    model.main[FIRST_RECENT_MATCH] = GUESS_LATEST_RECENT;
    for (unsigned i = 1; i < RECENT_DISTANCES; ++i)
        model.main[FIRST_RECENT_MATCH + i] = GUESS_OLDER_RECENT;
    for (unsigned i = 0; i < SHORT_SLOTS; ++i)
        model.main[FIRST_SHORT_MATCH + i] = GUESS_SHORT;
    for (unsigned i = FIRST_LONG_MATCH; i < MAIN_SYMBOLS; ++i)
        model.main[i] = GUESS_LONG;
    std::fill(std::begin(model.distance), std::end(model.distance), GUESS_DISTANCE);
    std::fill(std::begin(model.repeatLength), std::end(model.repeatLength), GUESS_REPEAT_LENGTH);
    return model;
}

CostModel CostModel::fromTokens(const std::vector<Token>& tokens) {
    uint32_t mainCounts[MAIN_SYMBOLS] = {};
    uint32_t distanceCounts[DISTANCE_SYMBOLS] = {};
    uint32_t repeatCounts[LENGTH_SYMBOLS] = {};
    for (const Token& token : tokens) {
        ++mainCounts[token.symbol];
        if (token.secondKind == Token::DISTANCE)
            ++distanceCounts[token.second];
        else if (token.secondKind == Token::REPEAT_LENGTH)
            ++repeatCounts[token.second];
    }
    CostModel model{};
    fillFromCode(model.main, mainCounts, MAIN_SYMBOLS);
    std::copy(model.main, model.main + 256, model.literal);
    fillFromCode(model.distance, distanceCounts, DISTANCE_SYMBOLS);
    fillFromCode(model.repeatLength, repeatCounts, LENGTH_SYMBOLS);
    return model;
}

LzParser::LzParser(const uint8_t* data, size_t size, size_t start, const ParseEffort& effort)
    : data_(data), size_(size), start_(start), effort_(effort),
      finder_(data, size, start, effort.chainLimit, effort.niceLength) {}

float LzParser::literalBits(size_t at, unsigned length) const {
    return static_cast<float>(literalPrefix_[at + length - start_] - literalPrefix_[at - start_]);
}

void LzParser::consider(Choice& best, const Choice& candidate, float cost, size_t at) const {
    const float savings = literalBits(at, candidate.length) - cost;
    if (savings > best.savings) {
        best = candidate;
        best.savings = savings;
    }
}

float LzParser::recentCost(const CostModel& model, unsigned index, uint32_t distance,
                           unsigned length) {
    return model.main[FIRST_RECENT_MATCH + index] +
           lengthBits(model.repeatLength, length - recentLengthBonus(distance) - MIN_RECENT_LENGTH);
}

float LzParser::shortCost(const CostModel& model, uint32_t distance) {
    const unsigned slot = shortSlot(distance - 1);
    return model.main[FIRST_SHORT_MATCH + slot] + SHORT_EXTRA_BITS[slot];
}

float LzParser::longCost(const CostModel& model, uint32_t distance, unsigned length) {
    const unsigned slot = lengthSlot(length - longLengthBonus(distance) - MIN_LONG_LENGTH);
    const unsigned distanceCode = distanceSlot(distance - 1);
    return model.main[FIRST_LONG_MATCH + slot] + LENGTH_EXTRA_BITS[slot] +
           model.distance[distanceCode] + DISTANCE_EXTRA_BITS[distanceCode];
}

bool LzParser::repeatsLastMatch(size_t at, const MatchHistory& history) const {
    return history.lastLength > 0 && history.lastDistance <= at &&
           history.lastLength <= size_ - at &&
           finder_.matchLength(at, history.lastDistance, history.lastLength) == history.lastLength;
}

unsigned LzParser::recentMatchLength(size_t at, uint32_t distance) const {
    if (distance == 0 || distance > at)
        return 0;
    const unsigned bonus = recentLengthBonus(distance);
    const unsigned length =
        finder_.matchLength(at, distance, MIN_RECENT_LENGTH + MAX_LENGTH_VALUE + bonus);
    return length < MIN_RECENT_LENGTH + bonus ? 0 : length;
}

LzParser::Choice LzParser::bestAt(size_t at, const MatchHistory& history, const CostModel& model) {
    Choice best;
    if (repeatsLastMatch(at, history))
        consider(best, {Form::REPEAT_LAST, 0, history.lastDistance, history.lastLength, 0},
                 model.main[REPEAT_LAST_MATCH], at);
    for (unsigned index = 0; index < RECENT_DISTANCES; ++index) {
        const uint32_t distance = history.recentAt(index + 1);
        const unsigned length = recentMatchLength(at, distance);
        if (length == 0)
            continue;
        const float cost = recentCost(model, index, distance, length);
        consider(best, {Form::RECENT, index, distance, length, 0}, cost, at);
    }
    if (const uint32_t distance = finder_.latestPair(at, MAX_SHORT_DISTANCE))
        consider(best, {Form::SHORT, 0, distance, 2, 0}, shortCost(model, distance), at);
    finder_.findMatches(at, MAX_MATCH_LENGTH, matches_);
    for (const Match& match : matches_) {
        const unsigned bonus = longLengthBonus(match.distance);
        const unsigned length = std::min(match.length, MIN_LONG_LENGTH + MAX_LENGTH_VALUE + bonus);
        if (length < MIN_LONG_LENGTH + bonus)
            continue;
        const float cost = longCost(model, match.distance, length);
        consider(best, {Form::LONG, 0, match.distance, length, 0}, cost, at);
    }
    return best;
}

Token LzParser::tokenFor(const Choice& choice, size_t at, MatchHistory& history) const {
    Token token;
    switch (choice.form) {
    case Form::LITERAL:
        token.symbol = data_[at];
        return token;
    case Form::REPEAT_LAST:
        token.symbol = REPEAT_LAST_MATCH;
        break;
    case Form::RECENT: {
        const unsigned value =
            choice.length - recentLengthBonus(choice.distance) - MIN_RECENT_LENGTH;
        const unsigned slot = lengthSlot(value);
        token.symbol = static_cast<uint16_t>(FIRST_RECENT_MATCH + choice.recentIndex);
        token.secondKind = Token::REPEAT_LENGTH;
        token.second = static_cast<uint8_t>(slot);
        token.secondExtraBits = LENGTH_EXTRA_BITS[slot];
        token.secondExtra = value - LENGTH_BASES[slot];
        break;
    }
    case Form::SHORT: {
        const unsigned slot = shortSlot(choice.distance - 1);
        token.symbol = static_cast<uint16_t>(FIRST_SHORT_MATCH + slot);
        token.extraBits = SHORT_EXTRA_BITS[slot];
        token.extra = choice.distance - 1 - SHORT_BASES[slot];
        break;
    }
    case Form::LONG: {
        const unsigned value = choice.length - longLengthBonus(choice.distance) - MIN_LONG_LENGTH;
        const unsigned slot = lengthSlot(value);
        const unsigned distanceCode = distanceSlot(choice.distance - 1);
        token.symbol = static_cast<uint16_t>(FIRST_LONG_MATCH + slot);
        token.extraBits = LENGTH_EXTRA_BITS[slot];
        token.extra = value - LENGTH_BASES[slot];
        token.secondKind = Token::DISTANCE;
        token.second = static_cast<uint8_t>(distanceCode);
        token.secondExtraBits = DISTANCE_EXTRA_BITS[distanceCode];
        token.secondExtra = choice.distance - 1 - DISTANCE_BASES[distanceCode];
        break;
    }
    }
    applyStep(choice, history);
    return token;
}

void LzParser::applyStep(const Choice& choice, MatchHistory& history) {
    if (choice.form == Form::LITERAL)
        return;
    history.push(choice.distance);
    history.lastDistance = choice.distance;
    history.lastLength = choice.length;
}

std::vector<Token> LzParser::parse(MatchHistory& history, const CostModel& model) {
    return effort_.optimal ? parseOptimal(history, model) : parseLazy(history, model);
}

std::vector<Token> LzParser::parseLazy(MatchHistory& history, const CostModel& model) {
    literalPrefix_.assign(size_ - start_ + 1, 0.0);
    for (size_t i = start_; i < size_; ++i)
        literalPrefix_[i - start_ + 1] = literalPrefix_[i - start_] + model.literal[data_[i]];
    std::vector<Token> tokens;
    tokens.reserve((size_ - start_) / 2);
    size_t at = start_;
    Choice ahead;
    bool haveAhead = false;
    while (at < size_) {
        const Choice here = haveAhead ? ahead : bestAt(at, history, model);
        haveAhead = false;
        if (here.form != Form::LITERAL && here.length < effort_.lazyLimit && at + 1 < size_) {
            ahead = bestAt(at + 1, history, model);
            haveAhead = ahead.savings > here.savings;
        }
        const Choice taken = haveAhead ? Choice{} : here;
        tokens.push_back(tokenFor(taken, at, history));
        at += taken.length;
    }
    return tokens;
}

std::vector<Token> LzParser::parseOptimal(MatchHistory& history, const CostModel& model) {
    std::vector<Token> tokens;
    std::vector<Node> nodes(OPTIMAL_SPAN + MAX_MATCH_LENGTH + 1);
    std::vector<Choice> steps;
    size_t at = start_;
    while (at < size_) {
        nodes[0].history = history;
        const size_t end = cheapestPath(at, std::min(OPTIMAL_SPAN, size_ - at), model, nodes);
        steps.clear();
        for (size_t i = end; i > 0; i = nodes[i].from)
            steps.push_back(nodes[i].step);
        for (auto step = steps.rbegin(); step != steps.rend(); ++step) {
            tokens.push_back(tokenFor(*step, at, history));
            at += step->length;
        }
    }
    return tokens;
}

// Fills nodes with the cheapest way to reach each offset of the span from at and
// returns the offset where the path ends: the span's end, or the end of a match
// of at least the nice length, which is taken as soon as it is found.
size_t LzParser::cheapestPath(size_t at, size_t span, const CostModel& model,
                              std::vector<Node>& nodes) {
    const size_t reach = std::min(nodes.size() - 1, size_ - at);
    for (size_t i = 0; i <= reach; ++i)
        nodes[i].cost = HUGE_VALF;
    nodes[0].cost = 0;
    for (size_t i = 0; i < span; ++i) {
        Node& node = nodes[i];
        if (i > 0) {
            node.history = nodes[node.from].history;
            applyStep(node.step, node.history);
        }
        const size_t here = at + i;
        const MatchHistory& history = node.history;
        Choice longest;
        const auto relax = [&](const Choice& step, float cost) {
            Node& target = nodes[i + step.length];
            if (node.cost + cost < target.cost) {
                target.cost = node.cost + cost;
                target.from = static_cast<uint32_t>(i);
                target.step = step;
            }
            if (step.length > longest.length)
                longest = step;
        };
        relax({Form::LITERAL, 0, 0, 1, 0}, model.literal[data_[here]]);
        if (repeatsLastMatch(here, history))
            relax({Form::REPEAT_LAST, 0, history.lastDistance, history.lastLength, 0},
                  model.main[REPEAT_LAST_MATCH]);
        for (unsigned index = 0; index < RECENT_DISTANCES; ++index) {
            const uint32_t distance = history.recentAt(index + 1);
            const unsigned length = recentMatchLength(here, distance);
            if (length == 0)
                continue;
            for (unsigned l = MIN_RECENT_LENGTH + recentLengthBonus(distance); l <= length; ++l)
                relax({Form::RECENT, index, distance, l, 0}, recentCost(model, index, distance, l));
        }
        if (const uint32_t distance = finder_.latestPair(here, MAX_SHORT_DISTANCE))
            relax({Form::SHORT, 0, distance, 2, 0}, shortCost(model, distance));
        finder_.findMatches(here, MAX_MATCH_LENGTH, matches_);
        unsigned covered = 0; // lengths a nearer match already offers
        for (const Match& match : matches_) {
            const unsigned bonus = longLengthBonus(match.distance);
            const unsigned length =
                std::min(match.length, MIN_LONG_LENGTH + MAX_LENGTH_VALUE + bonus);
            for (unsigned l = std::max(covered + 1, MIN_LONG_LENGTH + bonus); l <= length; ++l)
                relax({Form::LONG, 0, match.distance, l, 0}, longCost(model, match.distance, l));
            covered = std::max(covered, length);
        }
        if (longest.length >= effort_.niceLength) {
            Node& target = nodes[i + longest.length];
            target.from = static_cast<uint32_t>(i);
            target.step = longest;
            return i + longest.length;
        }
    }
    return span;
}

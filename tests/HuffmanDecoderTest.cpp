#include "archive/HuffmanDecoder.h"
#include "archive/TokenDecoder.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

// Both decodes of every 16-bit field at the start of a stream must agree on the
// symbol and on the bits consumed; so must the byte-symbol decode of a decoder
// with the full table.
void expectFastEqualsSlow(const HuffmanDecoder& decoder, const std::string& what, bool fullTable) {
    for (unsigned field = 0; field < 0x10000; ++field) {
        const unsigned char bytes[3] = {static_cast<unsigned char>(field >> 8),
                                        static_cast<unsigned char>(field), 0x5A};
        BitInput fast;
        BitInput slow;
        BitInput byteSymbol;
        fast.reset(bytes, sizeof bytes);
        slow.reset(bytes, sizeof bytes);
        byteSymbol.reset(bytes, sizeof bytes);
        const unsigned fastSymbol = decoder.decode(fast);
        const unsigned slowSymbol = decoder.decodeSlow(slow);
        if (fastSymbol != slowSymbol || fast.consumedBits() != slow.consumedBits()) {
            ADD_FAILURE() << what << " field " << field << ": " << fastSymbol << "/"
                          << fast.consumedBits() << " against " << slowSymbol << "/"
                          << slow.consumedBits();
            return;
        }
        if (!fullTable)
            continue;
        unsigned symbol = 0;
        const bool low = decoder.decodeByteSymbol(byteSymbol, symbol);
        if (low != (slowSymbol < 256) || symbol != slowSymbol ||
            byteSymbol.consumedBits() != slow.consumedBits()) {
            ADD_FAILURE() << what << " field " << field << ": byte symbol " << low << "/" << symbol
                          << "/" << byteSymbol.consumedBits() << " against " << slowSymbol << "/"
                          << slow.consumedBits();
            return;
        }
    }
}

std::vector<unsigned> decodeAll(const HuffmanDecoder& decoder,
                                const std::vector<unsigned char>& bytes, unsigned count) {
    BitInput input;
    input.reset(bytes.data(), bytes.size());
    std::vector<unsigned> symbols;
    for (unsigned i = 0; i < count; ++i)
        symbols.push_back(decoder.decode(input));
    return symbols;
}

// Code lengths for count symbols. How many symbols get a code and how long the
// codes are vary, so that complete, incomplete and over-subscribed sets all occur.
std::vector<unsigned char> randomLengths(std::mt19937& random, unsigned count) {
    const unsigned maxLength = 1 + random() % MAX_CODE_LENGTH;
    const unsigned codedPercent = 5 + random() % 96;
    std::vector<unsigned char> lengths(count, 0);
    for (unsigned char& length : lengths)
        if (random() % 100 < codedPercent)
            length = static_cast<unsigned char>(1 + random() % maxLength);
    return lengths;
}

} // namespace

TEST(HuffmanDecoder, DecodesCanonicalCodesInLengthThenSymbolOrder) {
    // Codes: symbol 1 "0", symbol 0 "10", symbol 2 "110", symbol 3 "111".
    const unsigned char lengths[4] = {2, 1, 3, 3};
    HuffmanDecoder decoder;
    decoder.build(lengths, 4);
    // 0 10 110 111 0 111 -> 0101 1011 1011 1000
    EXPECT_EQ(decodeAll(decoder, {0x5B, 0xB8}, 6), (std::vector<unsigned>{1, 0, 2, 3, 1, 3}));
}

TEST(HuffmanDecoder, CodesPastTheSymbolsFallBackToTheFirstSymbol) {
    std::vector<unsigned char> lengths(20, 0);
    lengths[5] = 2; // the only code: "00"
    HuffmanDecoder decoder;
    decoder.build(lengths.data(), 20);
    BitInput input;
    const unsigned char bytes[] = {0x3F, 0xFF, 0xFF, 0xFF};
    input.reset(bytes, sizeof bytes);
    EXPECT_EQ(decoder.decode(input), 5u);
    EXPECT_EQ(input.consumedBits(), 2u);
    // "11..." lies past every code: the longest length is consumed, symbol 5 again.
    EXPECT_EQ(decoder.decode(input), 5u);
    EXPECT_EQ(input.consumedBits(), 17u);

    HuffmanDecoder empty; // never built: decodes symbol 0 without reading outside anything
    EXPECT_EQ(empty.decode(input), 0u);
}

TEST(HuffmanDecoder, LookupTableMatchesLimitSearchOnRandomLengthSets) {
    std::mt19937 random(20261208);
    const unsigned alphabets[] = {PRE_CODE_SYMBOLS, LENGTH_SYMBOLS, DISTANCE_SYMBOLS, AUDIO_SYMBOLS,
                                  MAIN_SYMBOLS};
    HuffmanDecoder decoder;
    for (int trial = 0; trial < 120; ++trial) {
        const unsigned count = alphabets[trial % 5];
        const std::vector<unsigned char> lengths = randomLengths(random, count);
        for (bool fullTable : {false, true}) {
            decoder.build(lengths.data(), count, fullTable);
            expectFastEqualsSlow(decoder, "trial " + std::to_string(trial), fullTable);
        }
    }
}

TEST(HuffmanDecoder, LookupTableMatchesLimitSearchOnCompleteLongCodes) {
    // A complete code with lengths 1..15 and two of 15: every length up to the
    // longest is in use, beyond the lookup table's reach.
    std::vector<unsigned char> lengths(MAIN_SYMBOLS, 0);
    for (unsigned i = 0; i < MAX_CODE_LENGTH; ++i)
        lengths[i * 7] = static_cast<unsigned char>(i + 1);
    lengths[200] = MAX_CODE_LENGTH;
    HuffmanDecoder decoder;
    decoder.build(lengths.data(), MAIN_SYMBOLS, true);
    expectFastEqualsSlow(decoder, "complete", true);
    // The all-ones code is the second length-15 code.
    EXPECT_EQ(decodeAll(decoder, {0xFF, 0xFE}, 1), (std::vector<unsigned>{200}));
}

TEST(TokenDecoder, TableMatchesLimitSearchWithExtraBits) {
    // Every 16-bit field at the start of a stream, followed by bits that vary
    // with it, so that every form's extra bits are read at every code length.
    // The table's decode must give the value and consume the bits that the
    // limit search and a plain read of the extra bits do; so must the lookup of
    // a decoder built with the full table.
    std::mt19937 random(20261210);
    std::vector<TokenForm> forms(MAIN_SYMBOLS);
    for (TokenForm& form : forms)
        form = {static_cast<uint32_t>(random() % (1u << 20)), static_cast<unsigned>(random() % 17)};
    const TokenDecoder unbuilt(forms.data());
    for (int trial = 0; trial < 24; ++trial) {
        const unsigned count = trial % 3 == 0 ? MAIN_SYMBOLS : 1 + random() % MAIN_SYMBOLS;
        const std::vector<unsigned char> lengths = randomLengths(random, count);
        TokenDecoder decoder(forms.data());
        const bool fullTable = trial % 2 == 1;
        decoder.build(lengths.data(), count, fullTable);
        for (unsigned field = 0; field < 0x10000; ++field) {
            const unsigned extra = field * 0x9E3779B1u;
            const unsigned char bytes[5] = {
                static_cast<unsigned char>(field >> 8), static_cast<unsigned char>(field),
                static_cast<unsigned char>(extra >> 24), static_cast<unsigned char>(extra >> 16),
                static_cast<unsigned char>(extra >> 8)};
            for (const TokenDecoder* tested :
                 {static_cast<const TokenDecoder*>(&decoder), &unbuilt}) {
                BitInput fast;
                BitInput slow;
                fast.reset(bytes, sizeof bytes);
                slow.reset(bytes, sizeof bytes);
                fast.refill();
                const uint32_t entry =
                    fullTable && tested == &decoder ? tested->peekFull(fast) : tested->peek(fast);
                const uint32_t fastValue = TokenDecoder::take(fast, tested->whole(fast, entry));
                const uint32_t slowValue = tested->decodeSlow(slow);
                if (fastValue != slowValue || fast.consumedBits() != slow.consumedBits()) {
                    ADD_FAILURE() << "trial " << trial << (tested == &unbuilt ? " unbuilt" : "")
                                  << " field " << field << ": " << fastValue << "/"
                                  << fast.consumedBits() << " against " << slowValue << "/"
                                  << slow.consumedBits();
                    return;
                }
            }
        }
    }
}

TEST(BitInput, RefillsAheadReadTheSameBitsAsCheckedOnes) {
    // Reads every bit of data of many sizes in random steps: while refills ahead
    // are allowed they top the buffer up, beyond that the checked refill takes
    // over. Each step must see the bits the data holds there, zeros past its end.
    std::mt19937 random(11);
    for (size_t size = 0; size < 48; ++size) {
        std::vector<unsigned char> data(size);
        for (unsigned char& byte : data)
            byte = static_cast<unsigned char>(random());
        const auto bitAt = [&](size_t bit) {
            return bit / 8 < size ? (data[bit / 8] >> (7 - bit % 8)) & 1 : 0;
        };
        BitInput input;
        input.reset(data.data(), data.size());
        size_t position = 0;
        unsigned sinceRefill = 56;
        while (position < size * 8 + 16) {
            const unsigned step = 1 + random() % 16;
            unsigned value;
            if (input.refillsAhead() > 0 && sinceRefill + step > 56) {
                input.refillAhead();
                sinceRefill = 0;
            }
            if (sinceRefill + step <= 56) {
                value = input.peekBuffered(step);
                sinceRefill += step;
            } else {
                value = input.peekBits(step);
                sinceRefill = 56; // the buffer's fill is no longer known
            }
            unsigned expected = 0;
            for (unsigned i = 0; i < step; ++i)
                expected = expected << 1 | bitAt(position + i);
            ASSERT_EQ(value, expected) << "size " << size << " at bit " << position;
            input.consume(step);
            position += step;
            ASSERT_EQ(input.consumedBits(), position);
        }
    }
}

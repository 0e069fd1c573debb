// Hand-made packed streams, written bit by bit, that pin down the decoder's
// behaviour on each form of the stream and on hostile input. The reference
// unpacker decodes every stream beside the fast one and must agree.
#include "AudioEncoder.h"
#include "PackedStreamWriter.h"
#include "archive/ReferenceUnpack.h"
#include "archive/UnpackState.h"

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = StreamBytes;

struct Unpacked {
    UnpackResult result = UnpackResult::Complete;
    std::string text;
};

// Both unpackers, each with its state kept for solid entries.
struct Unpackers {
    std::unique_ptr<UnpackState> fast = UnpackState::create();
    std::unique_ptr<ReferenceUnpackState> reference = createReferenceUnpackState();
};

// An entry that starts clean unpacked in its output buffer itself, given the
// room behind it, must come out as unpacked in a window of its own.
void expectSameInOutput(const Bytes& packed, uint32_t size, const Unpacked& expected) {
    const size_t capacity = size + UnpackState::OUTPUT_SLACK;
    std::vector<unsigned char> output(capacity + 1, 0xEE);
    uint32_t count = 0;
    const UnpackResult result =
        UnpackState::create()->unpackEntry(packed.data(), static_cast<uint32_t>(packed.size()),
                                           size, false, output.data(), count, capacity);
    EXPECT_EQ(output[capacity], 0xEE) << "written past the output's room";
    EXPECT_EQ(result, expected.result) << "in the output";
    EXPECT_TRUE(std::string(reinterpret_cast<const char*>(output.data()), count) == expected.text)
        << "in the output";
}

// The fast unpacker's result; the reference's must be the same.
Unpacked unpack(Unpackers& unpackers, const Bytes& packed, uint32_t size, bool solid = false) {
    Unpacked outs[2];
    for (int which = 0; which < 2; ++which) {
        std::vector<unsigned char> output(size + 1, 0xEE);
        uint32_t count = 0;
        const uint32_t packedSize = static_cast<uint32_t>(packed.size());
        outs[which].result =
            which == 0 ? unpackers.fast->unpackEntry(packed.data(), packedSize, size, solid,
                                                     output.data(), count)
                       : referenceUnpackEntry(*unpackers.reference, packed.data(), packedSize, size,
                                              solid, output.data(), count);
        EXPECT_LE(count, size);
        EXPECT_EQ(output[size], 0xEE) << "written past the output";
        outs[which].text.assign(reinterpret_cast<const char*>(output.data()), count);
    }
    EXPECT_EQ(outs[1].result, outs[0].result) << "the reference's result differs";
    EXPECT_TRUE(outs[1].text == outs[0].text) << "the reference's output differs";
    if (!solid)
        expectSameInOutput(packed, size, outs[0]);
    return outs[0];
}

Unpacked unpack(const Bytes& packed, uint32_t size) {
    Unpackers unpackers;
    return unpack(unpackers, packed, size);
}

const Bytes NO_CODES_48(DISTANCE_SYMBOLS, 0);
const Bytes NO_CODES_28(LENGTH_SYMBOLS, 0);

// Literals A..D, the repeat of the last match (256), a recent distance (259),
// short matches (261) and a long match (277) with distance symbol 0.
StreamWriter abcdStream() {
    StreamWriter stream;
    stream.normalTables(
        lengthsOf(MAIN_SYMBOLS,
                  {{'A', 3}, {'B', 3}, {'C', 3}, {'D', 3}, {256, 3}, {259, 3}, {261, 3}, {277, 3}}),
        lengthsOf(DISTANCE_SYMBOLS, {{0, 1}}), lengthsOf(LENGTH_SYMBOLS, {{1, 1}}));
    return stream;
}

// Unpacks a stream of size bytes that must come out whole as i % period.
void expectPeriodicBytes(const Bytes& packed, uint32_t size, unsigned period) {
    const Unpacked out = unpack(packed, size);
    EXPECT_EQ(out.result, UnpackResult::Complete);
    ASSERT_EQ(out.text.size(), size);
    size_t wrong = 0;
    for (size_t i = 0; i < size; ++i)
        wrong += static_cast<unsigned char>(out.text[i]) != i % period;
    EXPECT_EQ(wrong, 0u);
}

// Literals A..D, the repeat of the last match and long matches of the longest
// length slot at any distance (every distance slot has a code).
StreamWriter farMatchStream() {
    StreamWriter stream;
    stream.normalTables(
        lengthsOf(MAIN_SYMBOLS,
                  {{'A', 3}, {'B', 3}, {'C', 3}, {'D', 3}, {REPEAT_LAST_MATCH, 2}, {297, 2}}),
        Bytes(DISTANCE_SYMBOLS, 6), NO_CODES_28);
    return stream;
}

// A long match of 224 + 3 + extra bytes at distance; returns its length, which
// the far bonus makes longer.
uint32_t longMatch(StreamWriter& stream, uint32_t distance, unsigned extra) {
    stream.symbol(297);
    stream.bits.put(extra, 5);
    unsigned slot = DISTANCE_SYMBOLS - 1;
    while (DISTANCE_BASES[slot] + 1 > distance)
        --slot;
    stream.distanceSymbol(slot);
    stream.bits.put(distance - 1 - DISTANCE_BASES[slot], DISTANCE_EXTRA_BITS[slot]);
    return 227 + extra + longLengthBonus(distance);
}

} // namespace

TEST(UnpackStream, DistanceOneRepeatsTheLastByte) {
    StreamWriter stream = abcdStream();
    stream.literals("A");
    stream.symbol(277);       // length slot 7: 7 + 3 = 10, no extra bits
    stream.distanceSymbol(0); // distance 1
    const Unpacked out = unpack(stream.bits.bytes(), 11);
    EXPECT_EQ(out.result, UnpackResult::Complete);
    EXPECT_EQ(out.text, std::string(11, 'A'));
}

TEST(UnpackStream, RepeatAtTheStartCopiesNothingThenRepeatsAndRecentDistancesWork) {
    StreamWriter stream = abcdStream();
    stream.symbol(256); // no match yet: copies nothing
    stream.literals("ABCD");
    stream.symbol(261);
    stream.bits.put(3, 2); // distance 4, length 2: AB
    stream.symbol(256);    // again distance 4, length 2: CD
    stream.symbol(261);
    stream.bits.put(0, 2);  // distance 1, length 2: DD
    stream.symbol(259);     // three matches back: distance 4 (pushed by the repeat)
    stream.lengthSymbol(1); // length 1 + 2 = 3: CDD
    const Unpacked out = unpack(stream.bits.bytes(), 13);
    EXPECT_EQ(out.result, UnpackResult::Complete);
    EXPECT_EQ(out.text, "ABCDABCDDDCDD");
}

TEST(UnpackStream, FarMatchesGrowLongerExactlyFromTheirStepDistances) {
    // "A", a long match of length slot 0 at distance d, then the recent form at
    // the same distance with length slot 0: the entry is complete only when both
    // lengths grew as they must at d.
    Bytes distanceLengths(DISTANCE_SYMBOLS, 6);
    for (uint32_t distance : {256u, 257u, 8191u, 8192u, 262143u, 262144u}) {
        StreamWriter stream;
        stream.normalTables(lengthsOf(MAIN_SYMBOLS, {{'A', 2}, {FIRST_RECENT_MATCH, 2}, {270, 2}}),
                            distanceLengths, lengthsOf(LENGTH_SYMBOLS, {{0, 1}}));
        stream.literals("A");
        stream.symbol(270); // length 3
        unsigned slot = DISTANCE_SYMBOLS - 1;
        while (DISTANCE_BASES[slot] + 1 > distance)
            --slot;
        stream.distanceSymbol(slot);
        stream.bits.put(distance - 1 - DISTANCE_BASES[slot], DISTANCE_EXTRA_BITS[slot]);
        stream.symbol(FIRST_RECENT_MATCH);
        stream.lengthSymbol(0); // length 2
        const unsigned longBonus = (distance >= 8192) + (distance >= 262144);
        const uint32_t size = 1 + (3 + longBonus) + (2 + longBonus + (distance >= 257));
        EXPECT_EQ(unpack(stream.bits.bytes(), size).result, UnpackResult::Complete) << distance;
    }
}

TEST(UnpackStream, DistanceZeroReadsTheByteOneMebibyteBack) {
    // The repeat at the start enters distance 0 into the ring; after more than
    // the window of literals i % 251, a recent-distance match at that 0 copies
    // what the window holds where it writes: the bytes of 1 MiB before.
    std::map<unsigned, unsigned char> coded = {{REPEAT_LAST_MATCH, 8}, {FIRST_RECENT_MATCH, 8}};
    for (unsigned literal = 0; literal < 251; ++literal)
        coded[literal] = 8;
    StreamWriter stream;
    stream.normalTables(lengthsOf(MAIN_SYMBOLS, coded), NO_CODES_48,
                        lengthsOf(LENGTH_SYMBOLS, {{7, 1}}));
    stream.symbol(REPEAT_LAST_MATCH);
    const uint32_t literals = WINDOW_SIZE + 100;
    for (uint32_t i = 0; i < literals; ++i)
        stream.symbol(i % 251);
    stream.symbol(FIRST_RECENT_MATCH);
    stream.lengthSymbol(7); // length 7 + 2
    const Unpacked out = unpack(stream.bits.bytes(), literals + 9);
    EXPECT_EQ(out.result, UnpackResult::Complete);
    ASSERT_EQ(out.text.size(), literals + 9);
    for (uint32_t i = literals; i < literals + 9; ++i)
        EXPECT_EQ(static_cast<unsigned char>(out.text[i]), (i - WINDOW_SIZE) % 251) << i;
}

TEST(UnpackStream, DistancesBeyondWhatWasWrittenReadTheClearWindow) {
    StreamWriter stream = abcdStream();
    stream.literals("A");
    stream.symbol(261);
    stream.bits.put(3, 2); // distance 4 from position 1: wraps round to the window's end
    stream.literals("B");
    const Unpacked out = unpack(stream.bits.bytes(), 4);
    EXPECT_EQ(out.result, UnpackResult::Complete);
    EXPECT_EQ(out.text, std::string("A\0\0B", 4));
}

TEST(UnpackStream, KeptLengthsAreTheDeltaBaseClearedOnesAreNot) {
    const Bytes mainLengths = lengthsOf(MAIN_SYMBOLS, {{'A', 1}, {'B', 2}, {NEW_TABLES, 2}});
    auto streamWith = [&](bool keep, bool resend) {
        StreamWriter stream;
        stream.normalTables(mainLengths, NO_CODES_48, NO_CODES_28);
        stream.literals("A");
        stream.symbol(NEW_TABLES);
        stream.bits.put(keep ? 1 : 0, 2);
        stream.preCodeHeader();
        for (unsigned i = 0; i < NORMAL_TABLE_LENGTHS; ++i)
            stream.delta(resend && i < MAIN_SYMBOLS ? mainLengths[i] : 0);
        stream.literals("BA");
        return stream.bits.bytes();
    };
    // Zero deltas on kept lengths: the same code again.
    EXPECT_EQ(unpack(streamWith(true, false), 3).text, "ABA");
    // Cleared lengths: the lengths must be sent whole.
    EXPECT_EQ(unpack(streamWith(false, true), 3).text, "ABA");
    // Zero deltas on cleared lengths leave no codes: "BA" no longer decodes.
    EXPECT_NE(unpack(streamWith(false, false), 3).text, "ABA");
}

TEST(UnpackStream, TwoAudioChannelsKeepTheirOwnPredictors) {
    StreamWriter stream;
    stream.audioTables({lengthsOf(AUDIO_SYMBOLS, {{0x10, 1}, {0x30, 1}}),
                        lengthsOf(AUDIO_SYMBOLS, {{0x20, 2}, {0x40, 2}, {AUDIO_NEW_TABLES, 1}})});
    for (int i = 0; i < 4; ++i) {
        stream.audioSymbol(0, 0x10);
        stream.audioSymbol(1, 0x20);
    }
    // With zero weights each channel's byte is its own last byte minus the delta.
    const Unpacked out = unpack(stream.bits.bytes(), 8);
    EXPECT_EQ(out.result, UnpackResult::Complete);
    EXPECT_EQ(out.text, "\xF0\xE0\xE0\xC0\xD0\xA0\xC0\x80");
}

TEST(UnpackStream, AudioTablesSwitchBackToNormalMode) {
    StreamWriter stream;
    stream.audioTables({lengthsOf(AUDIO_SYMBOLS, {{0x10, 1}, {AUDIO_NEW_TABLES, 1}})});
    stream.audioSymbol(0, 0x10);
    stream.audioSymbol(0, AUDIO_NEW_TABLES);
    stream.normalTables(lengthsOf(MAIN_SYMBOLS, {{'A', 1}, {'B', 1}}), NO_CODES_48, NO_CODES_28);
    stream.literals("AB");
    EXPECT_EQ(unpack(stream.bits.bytes(), 3).text, "\xF0"
                                                   "AB");
}

TEST(UnpackStream, ZeroRunsPastTheLengthCountAreCut) {
    StreamWriter stream;
    stream.bits.put(2, 2);
    stream.bits.put(3, 2); // four channels: 1028 lengths, all the state holds
    stream.preCodeHeader();
    stream.delta(1); // channel 0: symbol 0 has the only code, "0"
    for (unsigned sent = 1; sent < MAX_TABLE_LENGTHS; sent += 138)
        stream.zeroRun(138); // the last run reaches 105 lengths past the end
    for (int i = 0; i < 4; ++i)
        stream.bits.put(0, 1);
    // Only channel 0 has a code; the others decode their first symbol, 0, with
    // the longest code length.
    EXPECT_EQ(unpack(stream.bits.bytes(), 1).text, std::string(1, '\0'));
}

TEST(UnpackStream, OverlongOutputIsDroppedNotWrittenPastTheBuffer) {
    StreamWriter stream = abcdStream();
    stream.literals("A");
    stream.symbol(277);
    stream.distanceSymbol(0);
    const Unpacked out = unpack(stream.bits.bytes(), 5); // the match makes 11 bytes
    EXPECT_EQ(out.result, UnpackResult::OutputOverrun);
    EXPECT_EQ(out.text, "");
}

TEST(UnpackStream, StreamsThatEndEarlyOrMakeNoProgressStop) {
    StreamWriter repeats; // only the repeat of a match that never was: no output at all
    repeats.normalTables(lengthsOf(MAIN_SYMBOLS, {{256, 1}}), NO_CODES_48, NO_CODES_28);
    for (int i = 0; i < 40; ++i)
        repeats.symbol(256);
    EXPECT_EQ(unpack(repeats.bits.bytes(), 100000).result, UnpackResult::InputExhausted);

    StreamWriter switches; // table sets, one after another, and nothing else
    for (int i = 0; i < 20; ++i) {
        switches.normalTables(lengthsOf(MAIN_SYMBOLS, {{'A', 1}, {NEW_TABLES, 1}}), NO_CODES_48,
                              NO_CODES_28);
        switches.symbol(NEW_TABLES);
    }
    EXPECT_EQ(unpack(switches.bits.bytes(), 100000).result, UnpackResult::InputExhausted);

    StreamWriter cut = abcdStream();
    cut.literals("ABCD");
    const Unpacked out = unpack(cut.bits.bytes(), 100000);
    EXPECT_EQ(out.result, UnpackResult::InputExhausted);
    EXPECT_EQ(out.text.substr(0, 4), "ABCD");

    EXPECT_EQ(unpack(Bytes(), 10).result, UnpackResult::InputExhausted);
}

TEST(UnpackStream, AudioBytesDecodeUntilTheDataIsUsedUpExactly) {
    // One-bit codes, and every bit past the symbols written (the padding and
    // what reads as zeros beyond the data) is the code of delta 0x10: each bit
    // the data holds makes one byte, and one more starts on its last bit.
    for (unsigned channels = 1; channels <= MAX_AUDIO_CHANNELS; ++channels) {
        for (unsigned extra = 0; extra < 40; ++extra) {
            StreamWriter stream;
            stream.audioTables(std::vector<Bytes>(
                channels, lengthsOf(AUDIO_SYMBOLS, {{0x10, 1}, {AUDIO_NEW_TABLES, 1}})));
            const size_t headerBits = stream.bits.bitCount();
            for (unsigned i = 0; i < extra; ++i)
                stream.audioSymbol(i % channels, 0x10);
            const Bytes packed = stream.bits.bytes();
            const Unpacked out = unpack(packed, 100000);
            EXPECT_EQ(out.result, UnpackResult::InputExhausted);
            EXPECT_EQ(out.text.size(), packed.size() * 8 - headerBits + 1)
                << channels << " channels, " << extra << " symbols";
        }
    }
}

TEST(UnpackStream, AudioCodesOfTheLongestLengthAreReadFromTheDataOnly) {
    // One to four channels whose every code is 15 bits long: four codes take
    // more bits than one refill of the input brings. The entry is larger than
    // the data, which is decoded to its end, and the data ends where a page
    // that cannot be read begins: a read past it stops the test.
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    const size_t pages = 4;
    void* mapped =
        mmap(nullptr, pages * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(mapped, MAP_FAILED);
    unsigned char* const guard = static_cast<unsigned char*>(mapped) + (pages - 1) * page;
    ASSERT_EQ(mprotect(guard, page, PROT_NONE), 0);
    for (unsigned channels = 1; channels <= MAX_AUDIO_CHANNELS; ++channels) {
        for (uint32_t count = 1000; count < 1064; ++count) {
            StreamWriter stream;
            stream.audioTables(std::vector<Bytes>(
                channels, lengthsOf(AUDIO_SYMBOLS, {{0x10, MAX_CODE_LENGTH},
                                                    {AUDIO_NEW_TABLES, MAX_CODE_LENGTH}})));
            for (uint32_t i = 0; i < count; ++i)
                stream.audioSymbol(i % channels, 0x10);
            const Bytes& packed = stream.bits.bytes();
            ASSERT_LE(packed.size(), (pages - 1) * page);
            unsigned char* const data = guard - packed.size();
            std::memcpy(data, packed.data(), packed.size());
            std::unique_ptr<UnpackState> state = UnpackState::create();
            std::vector<unsigned char> output(2 * count);
            uint32_t written = 0;
            EXPECT_EQ(state->unpackEntry(data, static_cast<uint32_t>(packed.size()), 2 * count,
                                         false, output.data(), written),
                      UnpackResult::InputExhausted);
            EXPECT_GE(written, count);
        }
    }
    munmap(mapped, pages * page);
}

TEST(UnpackStream, SolidEntryContinuesWindowAndTables) {
    StreamWriter first;
    first.normalTables(lengthsOf(MAIN_SYMBOLS, {{'A', 2}, {'B', 2}, {'C', 2}, {'D', 3}, {269, 3}}),
                       NO_CODES_48, NO_CODES_28);
    first.literals("ABCD");
    // The entry's last symbol announces the tables the next entry starts with.
    first.symbol(NEW_TABLES);
    first.normalTables(lengthsOf(MAIN_SYMBOLS, {{'A', 2}, {261, 2}, {277, 1}}),
                       lengthsOf(DISTANCE_SYMBOLS, {{4, 1}}), NO_CODES_28);
    StreamWriter second = first; // continue with the codes of the second table set
    second.bits = BitWriter();
    second.symbol(277); // length 10, distance symbol 4 with one extra bit: distance 5 + 1
    second.distanceSymbol(4);
    second.bits.put(1, 1);
    second.literals("A");

    Unpackers state;
    EXPECT_EQ(unpack(state, first.bits.bytes(), 4).text, "ABCD");
    const Unpacked out = unpack(state, second.bits.bytes(), 11, true);
    EXPECT_EQ(out.result, UnpackResult::Complete);
    // Distance 6 from position 4 reaches two bytes before the window's start.
    EXPECT_EQ(out.text, std::string("\0\0ABCD\0\0ABA", 11));

    // Without the solid flag the entry reads its own tables and clears the window.
    EXPECT_NE(unpack(state, second.bits.bytes(), 11).text, out.text);
}

TEST(UnpackStream, SolidEntriesGrowTheWindowKeepingWhatCameBefore) {
    // A 4-byte entry, then a solid one of 70,000 bytes and one of 1.2 MB, each
    // needing a larger window than the one before: matches from before the
    // call's first byte (some by more than the window then holds) and back to
    // that byte, and repeats until the last entry wraps the full window.
    StreamWriter stream = farMatchStream();
    uint32_t position = 0;
    auto match = [&](uint32_t distance, unsigned extra) {
        const uint32_t length = longMatch(stream, distance, extra);
        position += length;
        return length;
    };
    // An entry's stream, the first with the tables, and its size.
    auto entry = [&](auto&& write) {
        const uint32_t start = position;
        write();
        const auto packed = std::make_pair(stream.bits.bytes(), position - start);
        stream.bits = BitWriter();
        return packed;
    };
    const auto first = entry([&] {
        stream.literals("ABCD");
        position += 4;
    });
    const auto second = entry([&] {
        match(6, 31); // two clear bytes before "ABCD", then again
        const uint32_t length = match(position, 31);
        while (position < 70000) {
            stream.symbol(REPEAT_LAST_MATCH);
            position += length;
        }
        match(300000, 31); // clear bytes only, more than the window holds back
    });
    const auto third = entry([&] {
        const uint32_t length = match(position, 0);
        while (position < 1200000) {
            stream.symbol(REPEAT_LAST_MATCH);
            position += length;
        }
        match(WINDOW_SIZE, 31);
    });

    Unpackers state;
    EXPECT_EQ(unpack(state, first.first, first.second).text, "ABCD");
    const Unpacked two = unpack(state, second.first, second.second, true);
    EXPECT_EQ(two.result, UnpackResult::Complete);
    EXPECT_EQ(two.text.substr(0, 8), std::string("\0\0ABCD\0\0", 8));
    EXPECT_EQ(two.text.substr(258, 8), std::string("ABCD\0\0AB", 8));
    EXPECT_EQ(two.text.substr(two.text.size() - 260), std::string(260, '\0'));
    const Unpacked three = unpack(state, third.first, third.second, true);
    EXPECT_EQ(three.result, UnpackResult::Complete);
    EXPECT_EQ(three.text.substr(0, 4), "ABCD");
}

TEST(UnpackStream, AnEntryRunningPastItsSizeLeavesTheCallsFirstBytes) {
    // "ABCD", then matches of 258 at distance 1 past the entry's size, which
    // lies just below a size a window may have: nothing is written, and a solid
    // entry after it still finds "ABCD" at the call's first byte.
    for (const uint32_t size : {4000u, 4090u, 65500u, 131000u}) {
        StreamWriter first = farMatchStream();
        first.literals("ABCD");
        uint32_t position = 4;
        while (position < size)
            position += longMatch(first, 1, 31);
        StreamWriter second = first;
        second.bits = BitWriter();
        const uint32_t length = longMatch(second, position, 31); // from the call's first byte

        Unpackers state;
        const Unpacked out = unpack(state, first.bits.bytes(), size);
        EXPECT_EQ(out.result, UnpackResult::OutputOverrun) << size;
        EXPECT_EQ(out.text, "") << size;
        EXPECT_EQ(unpack(state, second.bits.bytes(), length, true).text.substr(0, 4), "ABCD")
            << size;
    }
}

TEST(UnpackStream, AnEntryLongerThanTheWindowRunningPastItsSizeKeepsTheEarlierFlushes) {
    // "ABCD", then matches of 258 at distance 1 past a size of one and a half
    // windows: the bytes flushed as the format's window filled come out, the
    // last flush does not fit.
    const uint32_t size = WINDOW_SIZE + WINDOW_SIZE / 2;
    StreamWriter stream = farMatchStream();
    stream.literals("ABCD");
    for (uint32_t position = 4; position <= size;)
        position += longMatch(stream, 1, 31);
    const Unpacked out = unpack(stream.bits.bytes(), size);
    EXPECT_EQ(out.result, UnpackResult::OutputOverrun);
    EXPECT_GT(out.text.size(), WINDOW_SIZE / 2);
    EXPECT_LT(out.text.size(), size);
    EXPECT_EQ(out.text.substr(0, 5), "ABCDD");
}

TEST(UnpackStream, LongOutputWrapsTheWindowAndFlushesEveryByteOnce) {
    // 255 distinct literals, one match of distance 255 and length 255, then
    // repeats of it: a period that does not divide the window size, so a byte
    // lost or doubled at a flush or at the window's end shows.
    std::map<unsigned, unsigned char> coded = {{REPEAT_LAST_MATCH, 9}, {297, 9}};
    for (unsigned literal = 0; literal < 255; ++literal)
        coded[literal] = 9;
    StreamWriter stream;
    stream.normalTables(lengthsOf(MAIN_SYMBOLS, coded), lengthsOf(DISTANCE_SYMBOLS, {{15, 1}}),
                        NO_CODES_28);
    for (unsigned literal = 0; literal < 255; ++literal)
        stream.symbol(literal);
    stream.symbol(297);     // length slot 27: 224 + 3 + extra
    stream.bits.put(28, 5); // length 255
    stream.distanceSymbol(15);
    stream.bits.put(62, 6); // distance 192 + 1 + 62 = 255
    const unsigned repeats = 12000;
    for (unsigned i = 0; i < repeats; ++i)
        stream.symbol(REPEAT_LAST_MATCH);

    const uint32_t size = 255 * (repeats + 2);
    ASSERT_GT(size, 2 * WINDOW_SIZE);
    expectPeriodicBytes(stream.bits.bytes(), size, 255);
}

TEST(UnpackStream, AMatchThatWouldReachUnflushedBytesWaitsForTheFlush) {
    // Bytes i % 100: 100 literals, matches of 258 at distance 100, then matches
    // of the longest length, 260, at a distance of 262200 (a multiple of 100).
    // The counts are chosen so that one 260-byte match comes when the write
    // position is exactly 260 bytes behind the unflushed start of the window:
    // only a flush before it keeps those bytes.
    StreamWriter stream;
    std::map<unsigned, unsigned char> coded = {{REPEAT_LAST_MATCH, 7}, {297, 7}};
    for (unsigned literal = 0; literal < 100; ++literal)
        coded[literal] = 7;
    stream.normalTables(lengthsOf(MAIN_SYMBOLS, coded),
                        lengthsOf(DISTANCE_SYMBOLS, {{13, 1}, {36, 1}}), NO_CODES_28);
    for (unsigned literal = 0; literal < 100; ++literal)
        stream.symbol(literal);
    auto longestMatch = [&](unsigned distanceSlot, unsigned distanceExtra) {
        stream.symbol(297);
        stream.bits.put(31, 5); // length 224 + 3 + 31, plus the far bonus
        stream.distanceSymbol(distanceSlot);
        stream.bits.put(distanceExtra, DISTANCE_EXTRA_BITS[distanceSlot]);
    };
    const unsigned nearMatches = 1092, farMatches = 2951;
    longestMatch(13, 3); // distance 96 + 1 + 3, length 258
    for (unsigned i = 1; i < nearMatches; ++i)
        stream.symbol(REPEAT_LAST_MATCH);
    longestMatch(36, 55); // distance 262144 + 1 + 55, length 260
    for (unsigned i = 1; i < farMatches; ++i)
        stream.symbol(REPEAT_LAST_MATCH);
    // The third far match from the end starts 260 bytes behind the window's end.
    ASSERT_EQ(WINDOW_SIZE - (100 + 258 * nearMatches + MAX_MATCH_LENGTH * (farMatches - 3)),
              MAX_MATCH_LENGTH);
    expectPeriodicBytes(stream.bits.bytes(),
                        100 + 258 * nearMatches + MAX_MATCH_LENGTH * farMatches, 100);
}

TEST(UnpackStream, TheLastSymbolIsReadOnlyWithFiveBytesLeft) {
    // An entry of "AAAA" that ends on a byte boundary, followed by `left` bytes
    // that start with the table switch and then read as a set that clears every
    // length. A solid entry of zero bits after it decodes "A"s with the entry's
    // own tables, or zeros once the switch was read.
    for (const unsigned left : {4u, 5u}) {
        StreamWriter first;
        first.normalTables(lengthsOf(MAIN_SYMBOLS, {{'A', 1}, {NEW_TABLES, 1}}), NO_CODES_48,
                           NO_CODES_28);
        first.literals("AAAA");
        ASSERT_EQ(first.bits.bitCount() % 8, 0u);
        Bytes packed = first.bits.bytes();
        packed.push_back(0x80); // the switch, code 1
        packed.resize(packed.size() + left - 1, 0);

        Unpackers state;
        EXPECT_EQ(unpack(state, packed, 4).text, "AAAA");
        const Unpacked out = unpack(state, Bytes(6, 0), 3, true);
        EXPECT_EQ(out.result, UnpackResult::Complete);
        EXPECT_EQ(out.text, left >= 5 ? std::string(3, '\0') : "AAA") << left << " bytes left";
    }
}

TEST(UnpackStream, ZeroRunsCutAtTheLengthCountLeaveTheLengthsBehindIt) {
    // Two audio channels set lengths up to 513; normal tables that keep them as
    // their base end in a zero run that would reach past 374; two audio channels
    // then keep every length, and channel 1 decodes with the codes it had at
    // 385 (0x80) and 513 (the switch), which the cut run left alone.
    StreamWriter stream;
    const Bytes channel0 = lengthsOf(AUDIO_SYMBOLS, {{0x10, 1}, {AUDIO_NEW_TABLES, 1}});
    const Bytes channel1 = lengthsOf(AUDIO_SYMBOLS, {{0x80, 2}, {AUDIO_NEW_TABLES, 2}});
    stream.audioTables({channel0, channel1});
    stream.audioSymbol(0, 0x10);
    stream.audioSymbol(1, 0x80);
    stream.audioSymbol(0, AUDIO_NEW_TABLES);

    // Normal tables as deltas to the audio lengths: 'A' and the switch, which
    // becomes channel 1's symbol 12 in the audio set after it.
    Bytes previous = channel0;
    previous.insert(previous.end(), channel1.begin(), channel1.end());
    const Bytes normal = lengthsOf(MAIN_SYMBOLS, {{'A', 1}, {NEW_TABLES, 1}});
    stream.bits.put(1, 2); // normal mode, keep the lengths
    stream.preCodeHeader();
    const unsigned runStart = NORMAL_TABLE_LENGTHS - 14;
    for (unsigned i = 0; i < runStart; ++i)
        stream.delta(((i < MAIN_SYMBOLS ? normal[i] : 0) - previous[i]) & 15);
    stream.zeroRun(138);
    stream.main = canonicalCodes(normal);
    stream.literals("A");
    stream.symbol(NEW_TABLES);

    stream.bits.put(0xD, 4); // audio mode, keep the lengths, two channels
    stream.preCodeHeader();
    for (unsigned i = 0; i < 2 * AUDIO_SYMBOLS; ++i)
        stream.delta(0);
    // Channel 0: 'A' alone, code 0. Channel 1: 12 (0), 0x80 (10), the switch (11).
    stream.bits.put(0, 1);
    stream.bits.put(2, 2);

    // With zero weights a channel's byte is its last byte minus the delta.
    const Unpacked out = unpack(stream.bits.bytes(), 5);
    EXPECT_EQ(out.result, UnpackResult::Complete);
    EXPECT_EQ(out.text, std::string("\xF0\x80"
                                    "A\xAF\0",
                                    5));
}

namespace {

// The byte that the packer's predictor, a separate implementation, turns into
// `symbol` on channel; its state moves on as the unpacker's must.
uint8_t referenceByte(AudioEncoderState& state, unsigned channel, uint8_t symbol) {
    ChannelPredictor probe = state.channels[channel];
    int probeDelta = state.channelDelta;
    const uint8_t prediction = AudioEncoder::encodeByte(probe, probeDelta, 0);
    const uint8_t byte = static_cast<uint8_t>(prediction - symbol);
    AudioEncoder::encodeByte(state.channels[channel], state.channelDelta, byte);
    return byte;
}

} // namespace

TEST(UnpackStream, MultimediaBytesMatchThePackersPredictorAsChannelCountsChange) {
    // Random errors in table sets of 1 to 4 channels. A set ends after any number
    // of bytes, so the next one starts mid-frame and the channels fall out of
    // step in their adaptation intervals; long sets run in whole frames, one
    // crosses the window's end. Codes of 8 to 13 bits take the lookup and the
    // limit search.
    Bytes lengths(AUDIO_SYMBOLS, 8);
    std::fill(lengths.begin() + 192, lengths.end(), 10);
    lengths[255] = 13;
    lengths[AUDIO_NEW_TABLES] = 12;
    std::mt19937 random(77);
    StreamWriter stream;
    AudioEncoderState reference;
    unsigned channel = 0;
    std::string expected;
    for (int set = 0; set < 40; ++set) {
        const unsigned channels = 1 + random() % MAX_AUDIO_CHANNELS;
        stream.audioTables(std::vector<Bytes>(channels, lengths));
        if (channel >= channels)
            channel = 0;
        const size_t count = set == 20 ? WINDOW_SIZE + 3000 : random() % 700;
        for (size_t i = 0; i < count; ++i) {
            const uint8_t symbol = static_cast<uint8_t>(random());
            stream.audioSymbol(channel, symbol);
            expected += static_cast<char>(referenceByte(reference, channel, symbol));
            channel = (channel + 1) % channels;
        }
        stream.audioSymbol(channel, AUDIO_NEW_TABLES);
    }
    stream.audioTables(std::vector<Bytes>(1, lengths)); // the last switch's tables
    const Unpacked out = unpack(stream.bits.bytes(), static_cast<uint32_t>(expected.size()));
    EXPECT_EQ(out.result, UnpackResult::Complete);
    ASSERT_EQ(out.text.size(), expected.size());
    EXPECT_TRUE(out.text == expected)
        << "first difference at "
        << std::mismatch(out.text.begin(), out.text.end(), expected.begin()).first -
               out.text.begin();
}

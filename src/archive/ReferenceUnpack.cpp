// The packed stream of an entry, step by step.
//
// An entry is a sequence of symbols. Normal mode: a main code gives literals,
// matches in three forms (long, one of the four recent distances, short), a
// repeat of the last match and a switch to new code tables; matches copy from a
// 1 MiB window of what was unpacked before. Multimedia mode: one code per
// channel gives the error of a per-channel linear prediction, or the switch to
// new tables. A table set sends its code lengths as deltas to the previous set,
// themselves coded with a small pre-code, and chooses the mode.
//
// Where the stream is damaged the format defines no error: this unpacker makes
// the same safe choices as UnpackState, and says so where it makes them.
#include "archive/ReferenceUnpack.h"

#include <algorithm>
#include <cstdlib>
#include <new>

namespace {

using State = ReferenceUnpackState;

// ---- Bit input ----

// The next 16 bits, most significant first: the three bytes at the current
// byte as a 24-bit number, shifted by the bit position. The data is read in
// place, so no input buffer and refills are needed; bytes past its end read as
// zero (the safe choice: the reads never leave the data).
unsigned peek16(const State& s) {
    const size_t byte = s.bitPosition / 8;
    uint32_t field = 0;
    for (size_t i = byte; i < byte + 3; ++i)
        field = field << 8 | (i < s.inputSize ? s.input[i] : 0u);
    return (field >> (8 - s.bitPosition % 8)) & 0xFFFF;
}

void consume(State& s, unsigned count) {
    s.bitPosition += count;
}

// An extra-bit value: the next count bits (0..16) as a number.
unsigned bits(State& s, unsigned count) {
    const unsigned value = peek16(s) >> (16 - count);
    consume(s, count);
    return value;
}

// More bits decoded than the data holds. The entry then stops where it is
// (the safe choice: a stream of empty symbols, such as repeats of a match of
// length 0, would otherwise decode zeros for ever).
bool exhausted(const State& s) {
    return s.bitPosition > uint64_t{s.inputSize} * 8;
}

// ---- Codes ----

// Builds a canonical code from lengths 0..15 (0: the symbol has no code). Codes
// are handed out by length, then by symbol. Any set of lengths is accepted.
void construct(ReferenceCode& code, const unsigned char* lengths, unsigned symbolCount) {
    code.symbolCount = symbolCount;
    std::array<uint32_t, MAX_CODE_LENGTH + 1> count{};
    for (unsigned symbol = 0; symbol < symbolCount; ++symbol)
        ++count[lengths[symbol]];
    count[0] = 0;
    uint32_t codes = 0; // codes of length L and shorter, in units of length L
    code.limit[0] = 0;
    code.first[0] = 0;
    for (unsigned length = 1; length <= MAX_CODE_LENGTH; ++length) {
        codes = 2 * (codes + count[length]);
        code.limit[length] = std::min<uint32_t>(codes << (MAX_CODE_LENGTH - length), 0xFFFF);
        code.first[length] = code.first[length - 1] + count[length - 1];
    }
    code.symbol.fill(0);
    std::array<uint32_t, MAX_CODE_LENGTH + 1> next = code.first;
    for (unsigned symbol = 0; symbol < symbolCount; ++symbol)
        if (lengths[symbol] != 0)
            code.symbol[next[lengths[symbol]]++] = static_cast<uint16_t>(symbol);
}

// Decodes one symbol by the limit search: the code's length is the shortest
// whose limit lies above the next 16 bits.
unsigned decode(State& s, const ReferenceCode& code) {
    // The lowest bit is cleared: no code is longer than 15 bits, so it never
    // belongs to the code, and with it cleared the all-ones code of a complete
    // set, whose limit 0x10000 is kept as 0xFFFF, still lies below its limit.
    const unsigned field = peek16(s) & 0xFFFE;
    unsigned length = 1;
    while (length < MAX_CODE_LENGTH && field >= code.limit[length])
        ++length;
    consume(s, length);
    uint32_t index = code.first[length] + ((field - code.limit[length - 1]) >> (16 - length));
    // Over-subscribed lengths can point past the symbols: the first symbol of
    // the list is taken (and a field no code covers finds a 0 slot).
    if (index >= code.symbolCount)
        index = 0;
    return code.symbol[index];
}

// ---- Table sets ----

// A pre-code run from position on: PRE_CODE_REPEAT repeats the length before,
// the others give zeros. Returns the run's length.
unsigned readRun(State& s, unsigned symbol, unsigned position, unsigned total) {
    const PreCodeRun& form = symbol == PRE_CODE_REPEAT  ? REPEAT_RUN
                             : symbol == PRE_CODE_ZEROS ? ZERO_RUN
                                                        : MANY_ZEROS_RUN;
    unsigned run = bits(s, form.extraBits) + form.minimum;
    unsigned char* lengths = s.previousLengths.data();
    // A repeat with nothing before it in the set repeats 0 (the format leaves it open).
    const unsigned char value =
        symbol == PRE_CODE_REPEAT && position > 0 ? lengths[position - 1] : 0;
    // A run never passes the number of lengths to read.
    run = std::min(run, total - position);
    std::fill(lengths + position, lengths + position + run, value);
    return run;
}

void buildCodes(State& s, unsigned total) {
    const unsigned char* lengths = s.previousLengths.data();
    if (s.audioMode) {
        for (unsigned channel = 0; channel * AUDIO_SYMBOLS < total; ++channel)
            construct(s.audioCodes[channel], lengths + channel * AUDIO_SYMBOLS, AUDIO_SYMBOLS);
        return;
    }
    construct(s.mainCode, lengths, MAIN_SYMBOLS);
    construct(s.distanceCode, lengths + MAIN_SYMBOLS, DISTANCE_SYMBOLS);
    construct(s.lengthCode, lengths + MAIN_SYMBOLS + DISTANCE_SYMBOLS, LENGTH_SYMBOLS);
}

// A table set: bit 15 of the header selects the multimedia mode, bit 14 keeps
// the previous lengths as the base of the deltas (else they count as 0); in the
// multimedia mode bits 13..12 are the channel count - 1. Then 19 pre-code
// lengths of 4 bits, then the lengths in pre-code. The new lengths replace the
// previous ones in place; lengths beyond those read stay as they were.
void readTables(State& s) {
    const unsigned header = peek16(s);
    s.audioMode = (header & TABLES_AUDIO_FLAG) != 0;
    if (!(header & TABLES_KEEP_LENGTHS_FLAG))
        s.previousLengths.fill(0);
    consume(s, 2);
    unsigned total = NORMAL_TABLE_LENGTHS;
    if (s.audioMode) {
        s.channelCount = ((header >> 12) & 3) + 1;
        if (s.currentChannel >= s.channelCount)
            s.currentChannel = 0;
        consume(s, 2);
        total = s.channelCount * AUDIO_SYMBOLS;
    }

    std::array<unsigned char, PRE_CODE_SYMBOLS> preCodeLengths;
    for (unsigned char& length : preCodeLengths)
        length = static_cast<unsigned char>(bits(s, 4));
    construct(s.preCode, preCodeLengths.data(), PRE_CODE_SYMBOLS);

    for (unsigned position = 0; position < total;) {
        const unsigned symbol = decode(s, s.preCode);
        if (symbol < PRE_CODE_REPEAT) {
            unsigned char& length = s.previousLengths[position++];
            length = static_cast<unsigned char>((symbol + length) % 16);
        } else {
            position += readRun(s, symbol, position, total);
        }
    }
    buildCodes(s, total);
}

// ---- Window and output ----

void putByte(State& s, unsigned byte) {
    s.window[s.writePosition] = static_cast<unsigned char>(byte);
    s.writePosition = (s.writePosition + 1) & WINDOW_MASK;
}

// Copies length bytes from distance back, one at a time, so an overlapping copy
// repeats what it has just written (distance 1 repeats one byte). Distance 0
// leaves the bytes as they are.
void copyMatch(State& s, uint32_t distance, uint32_t length) {
    for (uint32_t i = 0; i < length; ++i)
        putByte(s, s.window[(s.writePosition - distance) & WINDOW_MASK]);
}

// Before every symbol: output is due once the write position has come within
// FLUSH_MARGIN (270) bytes behind the unflushed bytes. The margin holds the
// longest match, MAX_MATCH_LENGTH (260: length base 224 + 3 + 31 extra + 2 for
// a far distance), with room to spare, so no symbol can overwrite them.
bool flushDue(const State& s) {
    const uint32_t gap = (s.flushPosition - s.writePosition) & WINDOW_MASK;
    return gap != 0 && gap < FLUSH_MARGIN;
}

// Moves the bytes written since the last flush to the output, wrapping round
// the window's end. Bytes that would not fit are not written at all, and the
// entry ends as overrun.
void flush(State& s) {
    const uint32_t count = (s.writePosition - s.flushPosition) & WINDOW_MASK;
    if (s.output && count != 0) {
        if (uint64_t{*s.outputCount} + count > s.outputSize) {
            s.overrun = true;
            s.outputLeft = -1;
        } else {
            for (uint32_t i = 0; i < count; ++i)
                s.output[*s.outputCount + i] = s.window[(s.flushPosition + i) & WINDOW_MASK];
            *s.outputCount += count;
        }
    }
    s.flushPosition = s.writePosition;
}

// ---- Normal mode ----

// Every match form enters its distance into the ring of recent distances.
void match(State& s, uint32_t distance, uint32_t length) {
    s.recentDistances[s.recentCount++ % 4] = distance;
    s.lastDistance = distance;
    s.lastLength = length;
    s.outputLeft -= length;
    copyMatch(s, distance, length);
}

// Far matches are never worth their bits when short, so the coded length of a
// long or recent-distance match grows by one from distance 8192 on and by one
// more from 262144 on.
uint32_t farMatchLength(uint32_t length, uint32_t distance) {
    return length + (distance >= 8192 ? 1 : 0) + (distance >= 262144 ? 1 : 0);
}

// Long form: a length slot (symbol - 270) with extra bits, then a distance
// symbol with extra bits.
void longMatch(State& s, unsigned symbol) {
    const unsigned slot = symbol - FIRST_LONG_MATCH;
    const uint32_t length = LENGTH_BASES[slot] + 3 + bits(s, LENGTH_EXTRA_BITS[slot]);
    const unsigned distanceSlot = decode(s, s.distanceCode);
    const uint32_t distance =
        DISTANCE_BASES[distanceSlot] + 1 + bits(s, DISTANCE_EXTRA_BITS[distanceSlot]);
    match(s, distance, farMatchLength(length, distance));
}

// Recent form: distance 1..4 places back in the ring (257 the latest), then a
// length slot with extra bits; from distance 257 on one longer still.
void recentMatch(State& s, unsigned symbol) {
    const uint32_t distance = s.recentDistances[(s.recentCount - (symbol - 256)) % 4];
    const unsigned slot = decode(s, s.lengthCode);
    const uint32_t length =
        LENGTH_BASES[slot] + 2 + bits(s, LENGTH_EXTRA_BITS[slot]) + (distance >= 257 ? 1 : 0);
    match(s, distance, farMatchLength(length, distance));
}

// Short form: length 2, a short distance slot (symbol - 261) with extra bits.
void shortMatch(State& s, unsigned symbol) {
    const unsigned slot = symbol - FIRST_SHORT_MATCH;
    match(s, SHORT_BASES[slot] + 1 + bits(s, SHORT_EXTRA_BITS[slot]), 2);
}

void normalSymbol(State& s) {
    const unsigned symbol = decode(s, s.mainCode);
    if (symbol < 256) {
        putByte(s, symbol);
        --s.outputLeft;
    } else if (symbol == REPEAT_LAST_MATCH) {
        // Before any match this copies nothing, yet still enters distance 0.
        match(s, s.lastDistance, s.lastLength);
    } else if (symbol < FIRST_SHORT_MATCH) {
        recentMatch(s, symbol);
    } else if (symbol < NEW_TABLES) {
        shortMatch(s, symbol);
    } else if (symbol == NEW_TABLES) {
        readTables(s);
    } else {
        longMatch(s, symbol);
    }
}

// ---- Multimedia mode ----

int asSignedByte(int value) {
    return static_cast<int8_t>(static_cast<uint8_t>(value));
}

// Every 32 bytes of a channel, the weight whose step of one would have made
// the 32 errors smallest takes that step: dif[0] is no change, dif[2k + 1] and
// dif[2k + 2] weight k down and up. On equal sums the lower index wins. A
// weight goes down only while at least -16 and up only while below 16, so
// the weights stay within -17..16.
void adaptWeights(ReferenceChannel& c) {
    unsigned best = 0;
    for (unsigned i = 1; i < c.dif.size(); ++i)
        if (c.dif[i] < c.dif[best])
            best = i;
    c.dif.fill(0);
    if (best == 0)
        return;
    int& weight = c.K[(best - 1) / 2];
    if (best % 2 == 1) {
        if (weight >= -16)
            --weight;
    } else {
        if (weight < 16)
            ++weight;
    }
}

} // namespace

// The prediction is the last byte plus the weighted deltas over 8; the stream
// codes the prediction minus the byte.
uint8_t predictChannelByte(ReferenceChannel& c, unsigned delta, int& channelDelta) {
    ++c.byteCount;
    c.D[3] = c.D[2];
    c.D[2] = c.D[1];
    c.D[1] = c.lastDelta - c.D[0];
    c.D[0] = c.lastDelta;
    const int weighted = 8 * static_cast<int>(c.lastByte) + c.K[0] * c.D[0] + c.K[1] * c.D[1] +
                         c.K[2] * c.D[2] + c.K[3] * c.D[3] + c.K[4] * channelDelta;
    const unsigned prediction = static_cast<unsigned>(weighted >> 3) & 0xFF;
    const unsigned result = (prediction - delta) & 0xFF;

    // How far the error, scaled as the weighted sum is, lay from each term
    // taken once more or once less: the sums the weights adapt by.
    const int e = asSignedByte(static_cast<int>(delta)) * 8;
    const int terms[5] = {c.D[0], c.D[1], c.D[2], c.D[3], channelDelta};
    c.dif[0] += static_cast<uint32_t>(std::abs(e));
    for (unsigned k = 0; k < 5; ++k) {
        c.dif[2 * k + 1] += static_cast<uint32_t>(std::abs(e - terms[k]));
        c.dif[2 * k + 2] += static_cast<uint32_t>(std::abs(e + terms[k]));
    }

    c.lastDelta = asSignedByte(static_cast<int>(result - c.lastByte));
    channelDelta = c.lastDelta;
    c.lastByte = result;
    if (c.byteCount % 32 == 0)
        adaptWeights(c);
    return static_cast<uint8_t>(result);
}

namespace {

void audioSymbol(State& s) {
    const unsigned symbol = decode(s, s.audioCodes[s.currentChannel]);
    if (symbol == AUDIO_NEW_TABLES) {
        readTables(s);
        return;
    }
    putByte(s, predictChannelByte(s.channels[s.currentChannel], symbol, s.channelDelta));
    --s.outputLeft;
    s.currentChannel = (s.currentChannel + 1) % s.channelCount;
}

// ---- Entries ----

// A non-solid entry starts from a clear state and reads its first tables.
void startClean(State& s) {
    s.channels = {};
    s.recentDistances = {};
    s.recentCount = 0;
    s.channelDelta = 0;
    s.currentChannel = 0;
    s.lastDistance = 0;
    s.lastLength = 0;
    s.window.fill(0);
    s.writePosition = 0;
    s.flushPosition = 0;
    s.previousLengths.fill(0);
    readTables(s);
}

// With at least 5 bytes of data left, the entry's last symbol may announce the
// tables that a following solid entry starts with.
void finishEntry(State& s) {
    const size_t byte = s.bitPosition / 8;
    if (byte < s.inputSize && s.inputSize - byte >= 5) {
        const unsigned symbol =
            s.audioMode ? decode(s, s.audioCodes[s.currentChannel]) : decode(s, s.mainCode);
        if (symbol == (s.audioMode ? AUDIO_NEW_TABLES : NEW_TABLES))
            readTables(s);
    }
    flush(s);
}

} // namespace

std::unique_ptr<ReferenceUnpackState> createReferenceUnpackState() {
    return std::unique_ptr<ReferenceUnpackState>(new (std::nothrow) ReferenceUnpackState());
}

UnpackResult referenceUnpackEntry(ReferenceUnpackState& s, const unsigned char* packed,
                                  uint32_t packedSize, uint32_t unpackedSize, bool solid,
                                  unsigned char* output, uint32_t& outputCount) {
    s.input = packed;
    s.inputSize = packedSize;
    s.bitPosition = 0;
    s.output = output;
    s.outputSize = unpackedSize;
    s.outputCount = &outputCount;
    s.overrun = false;
    // The first entry of a state starts clean even when it claims to be solid.
    if (!solid || !s.started)
        startClean(s);
    s.started = true;

    // One short: the loop ends once the last byte is written, and a last match
    // that runs past the entry's end leaves it below -1.
    s.outputLeft = int64_t{unpackedSize} - 1;
    while (s.outputLeft >= 0 && !exhausted(s)) {
        if (flushDue(s)) {
            flush(s);
            if (s.overrun)
                break;
        }
        if (s.audioMode)
            audioSymbol(s);
        else
            normalSymbol(s);
    }
    const bool incomplete = s.outputLeft >= 0;
    const bool overshot = s.outputLeft < -1;
    finishEntry(s);
    if (s.overrun || overshot)
        return UnpackResult::OutputOverrun;
    return incomplete ? UnpackResult::InputExhausted : UnpackResult::Complete;
}

#include "archive/UnpackState.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

// The most bits a normal-mode token takes: a long match's code, length extra
// bits, distance code and distance extra bits.
constexpr size_t MAX_TOKEN_BITS = MAX_CODE_LENGTH + 5 + MAX_CODE_LENGTH + 16;

// The match copy goes in chunks of 16 bytes, two of them at least, and may
// write up to COPY_SLACK - 1 bytes past a match's end; the window has this much
// room behind.
constexpr uint32_t COPY_CHUNK = 16;
constexpr uint32_t COPY_SLACK = 2 * COPY_CHUNK;
static_assert(UnpackState::OUTPUT_SLACK >= MAX_MATCH_LENGTH + COPY_SLACK,
              "room for the last match and its copy");

// Copies Size bytes, read whole before any is written: the two may overlap.
template <size_t Size>
inline __attribute__((always_inline)) void copyChunk(unsigned char* out,
                                                     const unsigned char* from) {
    unsigned char chunk[Size];
    std::memcpy(chunk, from, Size);
    std::memcpy(out, chunk, Size);
}

// Copies length bytes from distance back in a window of mask + 1 bytes, as if
// byte by byte, so an overlapping copy repeats the bytes just written. Returns
// the new write position. Inlined into the decoding loop, where it runs for
// every match. Away from the window's end the copy goes in chunks that may write
// up to COPY_SLACK - 1 bytes past the match: no match reads them before they are
// written again (see reserveWindow). Ring: the window may come round; else the
// match lies whole in the window, chunks and all, and mask has every bit set.
template <bool Ring = true>
inline __attribute__((always_inline)) uint32_t copyMatch(unsigned char* window, uint32_t mask,
                                                         uint32_t target, uint32_t distance,
                                                         uint32_t length) {
    constexpr uint32_t CHUNK = COPY_CHUNK;
    const uint32_t size = mask + 1;
    const uint32_t source = (target - distance) & mask;
    if (Ring && (target + length + COPY_SLACK > size || source + length + COPY_SLACK > size)) {
        for (uint32_t i = 0; i < length; ++i)
            window[(target + i) & mask] = window[(source + i) & mask];
        return (target + length) & mask;
    }
    unsigned char* out = window + target;
    const unsigned char* from = window + source;
    if (distance >= CHUNK || distance >= length) {
        // Every byte of the match is read final: a whole chunk back, or, for a
        // match no longer than its distance, from before the match; what a
        // chunk copies past the match's end is of no account. The first two
        // chunks go whatever the length: most matches are no longer, and the
        // loop's end is then no branch to guess.
        copyChunk<CHUNK>(out, from);
        copyChunk<CHUNK>(out + CHUNK, from + CHUNK);
        for (uint32_t i = 2 * CHUNK; i < length; i += CHUNK)
            copyChunk<CHUNK>(out + i, from + i);
    } else if (distance == 1) {
        std::memset(out, *from, (length + CHUNK - 1) / CHUNK * CHUNK);
    } else if (distance >= 8) {
        for (uint32_t i = 0; i < length; i += 8)
            copyChunk<8>(out + i, from + i);
    } else {
        for (uint32_t i = 0; i < length; ++i)
            out[i] = from[i];
    }
    return target + length;
}

// A match in a window that has not come round yet whose source lies before the
// window's first byte: the bytes there are clear, as the format's window
// starts, and the match reads zeros until its source comes to the first byte. The window itself is
// not cleared: nothing reads it beyond what was written. Rare, and kept out of line so that the
// match copy is inlined in the decoding loop.
__attribute__((noinline)) uint32_t copyFromBeforeStart(unsigned char* window, uint32_t mask,
                                                       uint32_t target, uint32_t distance,
                                                       uint32_t length) {
    const uint32_t zeros = std::min(length, distance - target);
    std::memset(window + target, 0, zeros);
    if (zeros == length)
        return target + length; // the copy's chunks would read from before the first byte
    return copyMatch(window, mask, target + zeros, distance, length - zeros);
}

// The normal mode's tokens. A main symbol's value is the symbol itself, but for
// the matches that read their length or distance straight after it: a short
// match's value is SHORT_MATCH_TOKENS plus its distance, a long match's
// LONG_MATCH_TOKENS plus its length as coded. The distance and length symbols'
// values are a distance and a recent-distance match's coded length.
constexpr uint32_t SHORT_MATCH_TOKENS = 512;
constexpr uint32_t LONG_MATCH_TOKENS = 1024;
static_assert(SHORT_MATCH_TOKENS > NEW_TABLES &&
                  SHORT_MATCH_TOKENS + SHORT_BASES[7] + (1u << SHORT_EXTRA_BITS[7]) <
                      LONG_MATCH_TOKENS,
              "the values of the main symbols' kinds do not overlap");

// The entries of literals lie below this one.
constexpr uint32_t LITERAL_ENTRIES = TokenDecoder::entryOf(256, 0);

constexpr std::array<TokenForm, MAIN_SYMBOLS> mainForms() {
    std::array<TokenForm, MAIN_SYMBOLS> forms{};
    for (unsigned symbol = 0; symbol < MAIN_SYMBOLS; ++symbol)
        forms[symbol].base = symbol;
    for (unsigned slot = 0; slot < SHORT_BASES.size(); ++slot)
        forms[FIRST_SHORT_MATCH + slot] = {SHORT_MATCH_TOKENS + SHORT_BASES[slot] + 1,
                                           SHORT_EXTRA_BITS[slot]};
    for (unsigned slot = 0; slot < LENGTH_SYMBOLS; ++slot)
        forms[FIRST_LONG_MATCH + slot] = {LONG_MATCH_TOKENS + LENGTH_BASES[slot] + MIN_LONG_LENGTH,
                                          LENGTH_EXTRA_BITS[slot]};
    return forms;
}

template <std::size_t N>
constexpr std::array<TokenForm, N> slotForms(const std::array<uint32_t, N>& bases,
                                             const std::array<uint8_t, N>& extraBits,
                                             uint32_t minimum) {
    std::array<TokenForm, N> forms{};
    for (std::size_t slot = 0; slot < N; ++slot)
        forms[slot] = {bases[slot] + minimum, extraBits[slot]};
    return forms;
}

constexpr std::array<TokenForm, MAIN_SYMBOLS> MAIN_FORMS = mainForms();
constexpr std::array<TokenForm, DISTANCE_SYMBOLS> DISTANCE_FORMS =
    slotForms(DISTANCE_BASES, DISTANCE_EXTRA_BITS, 1);
constexpr std::array<TokenForm, LENGTH_SYMBOLS> RECENT_LENGTH_FORMS =
    slotForms(LENGTH_BASES, LENGTH_EXTRA_BITS, MIN_RECENT_LENGTH);
static_assert(DISTANCE_FORMS[DISTANCE_SYMBOLS - 1].base < 1u << (32 - TokenDecoder::VALUE_SHIFT),
              "the largest base, the last distance slot's, fits a table entry");

} // namespace

void UnpackState::FreeWindow::operator()(unsigned char* window) const {
    std::free(window);
}

// Written out, so that making a state does not first clear all of it: every
// member has its own initial value or is given one here.
UnpackState::UnpackState()
    : mainDecoder_(MAIN_FORMS.data()), distanceDecoder_(DISTANCE_FORMS.data()),
      lengthDecoder_(RECENT_LENGTH_FORMS.data()) {}

std::unique_ptr<UnpackState> UnpackState::create() {
    return std::unique_ptr<UnpackState>(new (std::nothrow) UnpackState());
}

UnpackResult UnpackState::unpackEntry(const unsigned char* packed, uint32_t packedSize,
                                      uint32_t unpackedSize, bool solid, unsigned char* output,
                                      uint32_t& outputCount, uint64_t outputCapacity) {
    const bool continues = solid && started_;
    // Sizes whose window, a power of two, still fits 32 bits.
    const bool intoOutput = output && !continues && unpackedSize <= (1u << 31) - OUTPUT_SLACK &&
                            outputCapacity >= uint64_t{unpackedSize} + OUTPUT_SLACK;
    if (intoOutput)
        useOutputAsWindow(output, unpackedSize);
    else if (!reserveWindow(continues ? writePosition_ : 0, unpackedSize))
        return UnpackResult::OutOfMemory;
    input_.reset(packed, packedSize);
    output_ = output;
    outputSize_ = unpackedSize;
    outputCount_ = &outputCount;
    overrun_ = false;
    outputLeft_ = unpackedSize;
    startEntry(solid);

    --outputLeft_;
    // Every symbol consumes at least one bit, so the exhaustion check bounds the
    // decoding also of streams that produce nothing (table switches, empty repeats).
    while (outputLeft_ >= 0 && !input_.exhausted()) {
        if (flushDue()) {
            flush();
            if (overrun_)
                break;
        }
        if (audioMode_)
            decodeAudioRun();
        else if (windowComesRound())
            decodeNormalRun<true>();
        else
            decodeNormalRun<false>();
    }
    const bool incomplete = outputLeft_ >= 0;
    const bool overshot = outputLeft_ < -1;
    finishEntry();
    if (outputIsWindow_)
        endOutputWindow();
    if (overrun_ || overshot)
        return UnpackResult::OutputOverrun;
    return incomplete ? UnpackResult::InputExhausted : UnpackResult::Complete;
}

// The format's window is a ring of 1 MiB. A call that unpacks less needs only
// as much as it writes: with room for what the entry writes past its size (a
// last match) and for the flush margin behind it, such a window never comes
// round and never flushes before the entry's end. Its positions are masked as
// in a window of the next power of two, which nothing reaches. It grows for a
// solid entry that needs more, keeping what the call has written, which lies at
// the same places in the larger window. A call that unpacks more gets a ring of
// twice the format's size, whose bytes ahead of the write position no match
// reaches: the match copy may write past a match's end there. Flushes come when
// they would in the format's ring. kept: bytes the entry goes on from.
bool UnpackState::reserveWindow(uint32_t kept, uint32_t entrySize) {
    const uint64_t need = uint64_t{kept} + entrySize + MAX_MATCH_LENGTH + FLUSH_MARGIN;
    uint32_t size = MIN_WINDOW_SIZE;
    while (size < need && size < WINDOW_SIZE)
        size *= 2;
    if (need > WINDOW_SIZE)
        size = RING_SIZE;
    const uint64_t rounded = (need + MIN_WINDOW_SIZE - 1) / MIN_WINDOW_SIZE * MIN_WINDOW_SIZE;
    const uint32_t allocated =
        size == RING_SIZE ? RING_SIZE + COPY_SLACK : static_cast<uint32_t>(rounded);
    if (allocated <= windowAllocated_)
        return true;
    std::unique_ptr<unsigned char, FreeWindow> grown(
        static_cast<unsigned char*>(std::malloc(allocated)));
    if (!grown)
        return false;
    if (kept > 0)
        std::memcpy(grown.get(), window_.get(), kept);
    else
        writePosition_ = flushPosition_ = 0;
    window_ = std::move(grown);
    windowBytes_ = window_.get();
    windowSize_ = size;
    windowAllocated_ = allocated;
    return true;
}

// The output buffer as the window of an entry that starts clean: its positions
// are masked as in a window of the next power of two above the entry and its
// slack, which nothing reaches, so it never comes round, and flushes only count
// the bytes. A window that earlier entries used is given back.
void UnpackState::useOutputAsWindow(unsigned char* output, uint32_t entrySize) {
    window_.reset();
    windowAllocated_ = 0;
    windowBytes_ = output;
    outputIsWindow_ = true;
    windowSize_ = MIN_WINDOW_SIZE;
    while (windowSize_ < entrySize + OUTPUT_SLACK)
        windowSize_ *= 2;
}

// After an entry unpacked into its output, which the caller keeps: the next
// entry starts clean and makes a window of its own.
void UnpackState::endOutputWindow() {
    windowBytes_ = nullptr;
    outputIsWindow_ = false;
    windowSize_ = 0;
    started_ = false;
}

void UnpackState::startEntry(bool solid) {
    if (solid && started_)
        return; // goes on with the state and tables the previous entry left
    started_ = true;
    channels_ = {};
    recentDistances_ = {};
    recentCount_ = 0;
    channelDelta_ = 0;
    currentChannel_ = 0;
    lastDistance_ = 0;
    lastLength_ = 0;
    clearWindow();
    previousLengths_.fill(0);
    readTables();
}

// The window's bytes count as clear again (see copyFromBeforeStart).
void UnpackState::clearWindow() {
    writePosition_ = 0;
    flushPosition_ = 0;
    windowWrapped_ = false;
}

// A table set: a two-bit header (multimedia mode, keep the previous lengths as
// the delta base), the multimedia channel count, 19 four-bit pre-code lengths,
// then the code lengths in pre-code: deltas to the previous lengths, or runs.
void UnpackState::readTables() {
    // A local copy of the input, which the stores of the lengths cannot touch.
    BitInput in = input_;
    const unsigned header = in.peek16();
    audioMode_ = (header & TABLES_AUDIO_FLAG) != 0;
    if (!(header & TABLES_KEEP_LENGTHS_FLAG))
        previousLengths_.fill(0);
    in.consume(2);

    unsigned lengthCount = NORMAL_TABLE_LENGTHS;
    if (audioMode_) {
        channelCount_ = ((header >> 12) & 3) + 1;
        if (currentChannel_ >= channelCount_)
            currentChannel_ = 0;
        in.consume(2);
        lengthCount = channelCount_ * AUDIO_SYMBOLS;
    }

    std::array<unsigned char, PRE_CODE_SYMBOLS> preCodeLengths;
    for (unsigned char& length : preCodeLengths)
        length = static_cast<unsigned char>(in.readBits(4));
    preCodeDecoder_.build(preCodeLengths.data(), PRE_CODE_SYMBOLS);

    // The new lengths replace the previous ones in place; those beyond
    // lengthCount stay as they were.
    unsigned char* lengths = previousLengths_.data();
    for (unsigned i = 0; i < lengthCount;) {
        const unsigned symbol = preCodeDecoder_.decode(in);
        if (symbol < PRE_CODE_REPEAT) {
            lengths[i] = static_cast<unsigned char>((symbol + lengths[i]) & MAX_CODE_LENGTH);
            ++i;
            continue;
        }
        const PreCodeRun& form = symbol == PRE_CODE_REPEAT  ? REPEAT_RUN
                                 : symbol == PRE_CODE_ZEROS ? ZERO_RUN
                                                            : MANY_ZEROS_RUN;
        unsigned run = in.readBits(form.extraBits) + form.minimum;
        // Nothing before the first length: the repeat repeats 0.
        const unsigned char value = symbol == PRE_CODE_REPEAT && i > 0 ? lengths[i - 1] : 0;
        run = std::min(run, lengthCount - i);
        std::memset(lengths + i, value, run);
        i += run;
    }
    input_ = in;
    buildDecoders(lengthCount);
}

void UnpackState::buildDecoders(unsigned lengthCount) {
    const unsigned char* lengths = previousLengths_.data();
    if (audioMode_) {
        for (unsigned channel = 0; channel * AUDIO_SYMBOLS < lengthCount; ++channel)
            audioDecoders_[channel].build(lengths + channel * AUDIO_SYMBOLS, AUDIO_SYMBOLS, true);
        return;
    }
    // The main decoder's table is looked up for every token: always full, so
    // that its width is no load the lookup waits on. A normal-mode run only
    // ever follows the build of its tables.
    mainDecoder_.build(lengths, MAIN_SYMBOLS, true);
    distanceDecoder_.build(lengths + MAIN_SYMBOLS, DISTANCE_SYMBOLS);
    lengthDecoder_.build(lengths + MAIN_SYMBOLS + DISTANCE_SYMBOLS, LENGTH_SYMBOLS);
}

// Bytes that may still be written before a flush is due (see flushDue).
int64_t UnpackState::flushRoom() const {
    const uint32_t gap = (flushPosition_ - writePosition_) & flushMask();
    return int64_t{gap == 0 ? flushMask() + 1 : gap} - FLUSH_MARGIN;
}

// Stores the state a decoding run kept in locals. The input comes by value so
// that the run's own copy never has its address taken.
void UnpackState::endRun(BitInput input, uint32_t write, int64_t left) {
    input_ = input;
    // A run writes less than the window holds, so it wrapped when it ended lower.
    if (write < writePosition_)
        windowWrapped_ = true;
    writePosition_ = write;
    outputLeft_ = left;
}

// Decodes normal-mode symbols until the entry is complete, a flush is due, the
// input is used up or new tables switch to the multimedia mode. The hot state
// lives in locals for the run. Ring: the window may come round; else (a window
// as large as the call, or the output) positions need no masking, and a match
// reaches before the first byte exactly when its distance is beyond the write
// position.
template <bool Ring>
void UnpackState::decodeNormalRun() {
    unsigned char* const window = windowBytes_;
    const uint32_t mask = Ring ? windowMask() : ~0u;
    BitInput in = input_;
    // A run writes less than the window holds: it has come round once it is
    // below its start.
    const uint32_t start = writePosition_;
    uint32_t write = start;
    // The run ends once the entry is complete or a flush is due: both counts
    // fall by every byte written, so one budget, the smaller, stands for both.
    const int64_t left = outputLeft_;
    const int64_t firstBudget = std::min(left, flushRoom());
    int64_t budget = firstBudget;
    // Tokens still to come that can neither consume more bits than the data holds
    // nor refill past its end; they go without checks.
    size_t unchecked = 0;
    // The table entry of the next main token. It is looked up as soon as the
    // bits before it are consumed, so that the lookup overlaps the work on the
    // token before; a refill ahead keeps the bits it was looked up from.
    uint32_t entry = 0;
    while (budget >= 0) {
        // A refill is enough for the longest token with all its extra bits, so
        // the token's reads need no checks.
        if (unchecked != 0) {
            --unchecked;
            in.refillAhead();
        } else {
            if (in.exhausted())
                break;
            const size_t safe = std::min(in.refillsAhead(), in.bitsLeft() / MAX_TOKEN_BITS);
            unchecked = safe > 0 ? safe - 1 : 0;
            in.refill();
            entry = mainDecoder_.peekFull(in);
        }
        entry = mainDecoder_.whole(in, entry);
        if (entry < LITERAL_ENTRIES) {
            // A literal, and a second one where its code is in the table and
            // the data holds more tokens: two literals take no more bits than
            // the longest token.
            in.consume(entry & TokenDecoder::BITS_MASK);
            window[write] = static_cast<unsigned char>(entry >> TokenDecoder::VALUE_SHIFT);
            write = (write + 1) & mask;
            entry = mainDecoder_.peekFull(in);
            if (--budget >= 0 && entry < LITERAL_ENTRIES && unchecked != 0) {
                in.consume(entry & TokenDecoder::BITS_MASK);
                window[write] = static_cast<unsigned char>(entry >> TokenDecoder::VALUE_SHIFT);
                write = (write + 1) & mask;
                entry = mainDecoder_.peekFull(in);
                --budget;
            }
            continue;
        }
        const uint32_t value = TokenDecoder::take(in, entry);
        uint32_t distance = lastDistance_;
        uint32_t length = lastLength_;
        if (value >= LONG_MATCH_TOKENS) {
            distance = distanceDecoder_.decode<true>(in);
            length = value - LONG_MATCH_TOKENS + longLengthBonus(distance);
        } else if (value >= SHORT_MATCH_TOKENS) {
            distance = value - SHORT_MATCH_TOKENS;
            length = SHORT_MATCH_LENGTH;
        } else if (value == NEW_TABLES) {
            endRun(in, write, left - (firstBudget - budget));
            readTables();
            if (audioMode_)
                return;
            in = input_;
            unchecked = 0;
            continue;
        } else if (value != REPEAT_LAST_MATCH) {
            distance = recentDistances_[(recentCount_ - (value - REPEAT_LAST_MATCH)) & 3];
            length = lengthDecoder_.decode<true>(in) + recentLengthBonus(distance);
        }
        entry = mainDecoder_.peekFull(in);
        // The repeat keeps the last match as it was; every form enters the ring.
        recentDistances_[recentCount_++ & 3] = distance;
        lastDistance_ = distance;
        lastLength_ = length;
        // Distance 0 reads the byte the format's ring holds where the match
        // writes, from 1 MiB before. Before the window has come round, a source
        // before its first byte is clear.
        const uint32_t reach = distance == 0 ? WINDOW_SIZE : distance;
        const bool beforeStart = reach > write && (!Ring || (!windowWrapped_ && write >= start));
        write = (beforeStart ? copyFromBeforeStart(window, windowMask(), write, reach, length)
                             : copyMatch<Ring>(window, mask, write, reach, length)) &
                mask;
        budget -= length;
    }
    endRun(in, write, left - (firstBudget - budget));
}

// Decodes multimedia bytes, channel after channel, until the entry is complete,
// a flush is due, the input is used up or new tables switch to the normal mode.
// The bytes come in batches that no check can end early: no more than remain to
// be written before the entry is complete, a flush is due or the window wraps,
// and no more than the data holds symbols of the longest code.
void UnpackState::decodeAudioRun() {
    BitInput in = input_;
    uint32_t write = writePosition_;
    int64_t left = outputLeft_;
    int64_t room = flushRoom();
    while (left >= 0 && room >= 0 && !in.exhausted()) {
        const int64_t batch = std::min({left + 1, room + 1, int64_t{windowSize_ - write},
                                        static_cast<int64_t>(in.bitsLeft() / MAX_CODE_LENGTH) + 1});
        const uint32_t count =
            decodeAudioBatch(in, windowBytes_ + write, static_cast<uint32_t>(batch));
        write = (write + count) & windowMask();
        left -= count;
        room -= count;
        if (count == batch)
            continue;
        endRun(in, write, left);
        readTables();
        if (!audioMode_)
            return;
        in = input_;
    }
    endRun(in, write, left);
}

// The batch in the version the processor runs best: compiled for the AVX2
// instructions where it has them, and for the SSE2 every x86-64 processor has.
// Both are the same code; with AVX2 the compiler may use three-operand forms
// and a magnitude in one instruction, which spare the frame loop copies and
// spills to memory.
uint32_t UnpackState::decodeAudioBatch(BitInput& in, unsigned char* out, uint32_t count) {
    static const bool avx2 = __builtin_cpu_supports("avx2");
    return avx2 ? decodeAudioBatchAvx2(in, out, count) : decodeAudioBatchSse2(in, out, count);
}

// Everything the two versions call is inlined into them (flatten), to be
// compiled for their own instructions; that also keeps the input's state in
// registers, where a call that takes its address would hold it in memory.
__attribute__((target("avx2"), flatten)) uint32_t
UnpackState::decodeAudioBatchAvx2(BitInput& in, unsigned char* out, uint32_t count) {
    return decodeAudioChannels(in, out, count);
}

__attribute__((flatten)) uint32_t
UnpackState::decodeAudioBatchSse2(BitInput& in, unsigned char* out, uint32_t count) {
    return decodeAudioChannels(in, out, count);
}

uint32_t UnpackState::decodeAudioChannels(BitInput& in, unsigned char* out, uint32_t count) {
    switch (channelCount_) {
    case 1:
        return decodeAudioBytes<1>(in, out, count);
    case 2:
        return decodeAudioBytes<2>(in, out, count);
    case 3:
        return decodeAudioBytes<3>(in, out, count);
    default:
        return decodeAudioBytes<4>(in, out, count);
    }
}

// Decodes up to count bytes of Channels interleaved channels into out; fewer when
// the table switch comes first (it is consumed). The state lives in locals. While
// the channels are in step, whole frames run up to the end of their adaptation
// interval together (see AudioChannelState::decodeFrames); other bytes go one by
// one.
template <unsigned Channels>
uint32_t UnpackState::decodeAudioBytes(BitInput& input, unsigned char* out, uint32_t count) {
    BitInput in = input;
    std::array<AudioChannelState, MAX_AUDIO_CHANNELS> channels = channels_;
    int channelDelta = channelDelta_;
    unsigned channel = currentChannel_;
    unsigned char* next = out;
    unsigned char* const end = out + count;
    // The input is topped up ahead before every fourth code at most: three codes
    // of up to 15 bits and the lookup of a fourth fit in what a refill leaves.
    constexpr unsigned FRAMES_PER_REFILL = Channels < 4 ? 4 / Channels : 1;
    struct FrameSymbols {
        BitInput& in;
        const std::array<HuffmanDecoder, MAX_AUDIO_CHANNELS>& decoders;
        void startFrame(size_t frame) {
            if (frame % FRAMES_PER_REFILL == 0)
                in.refillAhead();
        }
        bool operator()(unsigned c, unsigned& symbol) {
            return decoders[c].template decodeByteSymbol<true>(in, symbol);
        }
    } symbols{in, audioDecoders_};
    // A frame consumes at most MAX_CODE_LENGTH bits a channel, and a refill
    // reads eight bytes from at most 63 bits past what was consumed: frames
    // whose refills all stay inside the data.
    constexpr size_t REFILL_REACH = 63 + 64;
    constexpr size_t FRAME_BITS = MAX_CODE_LENGTH * Channels;
    bool switched = false;
    while (!switched && next != end) {
        const size_t bits = in.bitsLeft();
        const size_t framesInData = bits > REFILL_REACH ? (bits - REFILL_REACH) / FRAME_BITS : 0;
        const size_t frames = std::min<size_t>(
            {static_cast<size_t>(end - next) / Channels,
             AudioChannelState::ADAPT_INTERVAL - channels[0].slot(), framesInData});
        if (channel != 0 || frames == 0 || !inStep<Channels>(channels.data(), channelDelta)) {
            unsigned symbol; // any symbol above the byte deltas switches the tables
            switched = !audioDecoders_[channel].decodeByteSymbol(in, symbol);
            if (!switched) {
                *next++ = channels[channel].decodeByte(symbol, channelDelta);
                channel = channel + 1 == Channels ? 0 : channel + 1;
            }
            continue;
        }
        const unsigned decoded = AudioChannelState::decodeFrames<Channels>(
            channels.data(), frames, channelDelta, next, symbols);
        if (decoded < Channels) {
            switched = true;
            channel = decoded;
        }
    }
    input = in;
    channels_ = channels;
    channelDelta_ = channelDelta;
    currentChannel_ = channel;
    return static_cast<uint32_t>(next - out);
}

// True when the channels stand at the same place in their adaptation interval
// and the channel delta is the last channel's, as they do when their bytes have
// come in whole frames (not so after a switch to another channel count).
template <unsigned Channels>
bool UnpackState::inStep(const AudioChannelState* channels, int channelDelta) {
    if (channelDelta != channels[Channels - 1].lastDelta())
        return false;
    for (unsigned c = 1; c < Channels; ++c)
        if (channels[c].slot() != channels[0].slot())
            return false;
    return true;
}

// The entry's last symbol may announce the tables that a following solid entry
// starts with.
void UnpackState::finishEntry() {
    if (input_.bytesLeft() >= 5) {
        const unsigned symbol = audioMode_ ? audioDecoders_[currentChannel_].decode(input_)
                                           : mainDecoder_.decode(input_);
        if (symbol == (audioMode_ ? AUDIO_NEW_TABLES : NEW_TABLES))
            readTables();
    }
    flush();
}

// Due when the write position has come within FLUSH_MARGIN bytes behind the
// unflushed bytes, so that no match can overwrite them.
bool UnpackState::flushDue() const {
    const uint32_t gap = (flushPosition_ - writePosition_) & flushMask();
    return gap != 0 && gap < FLUSH_MARGIN;
}

// Moves the bytes written since the last flush to the output, unless they would
// not fit: then nothing is written and the entry ends as overrun.
void UnpackState::flush() {
    const uint32_t count = (writePosition_ - flushPosition_) & flushMask();
    if (output_ && count != 0) {
        if (uint64_t{*outputCount_} + count > outputSize_) {
            overrun_ = true;
            outputLeft_ = -1;
        } else {
            if (!outputIsWindow_)
                copyOut(count);
            *outputCount_ += count;
        }
    }
    flushPosition_ = writePosition_;
}

// Copies count bytes from the flush position on to the output.
void UnpackState::copyOut(uint32_t count) {
    const uint32_t first = std::min(count, windowSize_ - flushPosition_);
    unsigned char* out = output_ + *outputCount_;
    std::memcpy(out, windowBytes_ + flushPosition_, first);
    std::memcpy(out + first, windowBytes_, count - first);
}

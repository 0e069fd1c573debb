#include "Compressor.h"

#include "TableSetWriter.h"
#include "archive/ArchiveFormat.h"

#include <algorithm>

namespace {

const ParseEffort NORMAL_EFFORT{64, 64, 32, false};
;
const ParseEffort BEST_EFFORT{64, 128, 128, true};
// Blocks are built from chunks of this many tokens (normal mode) or bytes (multimedia).
constexpr size_t NORMAL_CHUNK_TOKENS = 8192;
constexpr size_t BEST_CHUNK_TOKENS = 2048;
constexpr size_t AUDIO_CHUNK_BYTES = 16384;

using Counts = std::vector<uint32_t>;

// The alphabets of one table set, in the order their lengths are sent.
struct TableShape {
    bool audio = false;
    unsigned channels = 1;
    std::vector<unsigned> alphabets;

    static TableShape normal() {
        return {false, 1, {MAIN_SYMBOLS, DISTANCE_SYMBOLS, LENGTH_SYMBOLS}};
    }
    static TableShape multimedia(unsigned channels) {
        return {true, channels, std::vector<unsigned>(channels, AUDIO_SYMBOLS)};
    }
    unsigned lengthCount() const { return audio ? channels * AUDIO_SYMBOLS : NORMAL_TABLE_LENGTHS; }
};

// Code lengths for a block. Every table gets a code for its escape symbol, so the
// stream can switch tables after any block, also at the start of the next solid entry.
std::vector<uint8_t> blockLengths(Counts counts, const TableShape& shape) {
    if (shape.audio) {
        for (unsigned channel = 0; channel < shape.channels; ++channel)
            ++counts[channel * AUDIO_SYMBOLS + AUDIO_NEW_TABLES];
    } else {
        ++counts[NEW_TABLES];
    }
    std::vector<uint8_t> lengths;
    size_t offset = 0;
    for (unsigned size : shape.alphabets) {
        const std::vector<uint8_t> part = buildCodeLengths(&counts[offset], size, MAX_CODE_LENGTH);
        lengths.insert(lengths.end(), part.begin(), part.end());
        offset += size;
    }
    return lengths;
}

uint64_t blockBits(const Counts& counts, const TableShape& shape) {
    const std::vector<uint8_t> lengths = blockLengths(counts, shape);
    const TableSetLayout layout{shape.audio, shape.channels, shape.lengthCount()};
    return codedBits(counts.data(), lengths.data(), shape.lengthCount()) +
           tableSetBits(layout, lengths.data(), nullptr);
}

void addCounts(Counts& into, const Counts& from) {
    for (size_t i = 0; i < into.size(); ++i)
        into[i] += from[i];
}

// Groups consecutive chunks into blocks: a chunk joins the block before it when
// one table set for both costs no more than two. Returns the chunks per block.
std::vector<size_t> groupChunks(const std::vector<Counts>& chunks, const TableShape& shape) {
    std::vector<size_t> blocks;
    Counts block = chunks.front();
    uint64_t bits = blockBits(block, shape);
    size_t inBlock = 1;
    for (size_t i = 1; i < chunks.size(); ++i) {
        Counts joined = block;
        addCounts(joined, chunks[i]);
        const uint64_t joinedBits = blockBits(joined, shape);
        const uint64_t chunkBits = blockBits(chunks[i], shape);
        if (joinedBits <= bits + chunkBits) {
            block = std::move(joined);
            bits = joinedBits;
            ++inBlock;
        } else {
            blocks.push_back(inBlock);
            block = chunks[i];
            bits = chunkBits;
            inBlock = 1;
        }
    }
    blocks.push_back(inBlock);
    return blocks;
}

void countToken(Counts& counts, const Token& token) {
    ++counts[token.symbol];
    if (token.secondKind == Token::DISTANCE)
        ++counts[MAIN_SYMBOLS + token.second];
    else if (token.secondKind == Token::REPEAT_LENGTH)
        ++counts[MAIN_SYMBOLS + DISTANCE_SYMBOLS + token.second];
}

void writeToken(BitOutput& out, const Token& token, const HuffmanEncoder& main,
                const HuffmanEncoder& distance, const HuffmanEncoder& repeatLength) {
    main.write(out, token.symbol);
    out.write(token.extra, token.extraBits);
    if (token.secondKind == Token::NONE)
        return;
    (token.secondKind == Token::DISTANCE ? distance : repeatLength).write(out, token.second);
    out.write(token.secondExtra, token.secondExtraBits);
}

// Announces new tables with the escape of the tables in force; channel is the
// decoder's current channel in multimedia mode.
void writeEscape(BitOutput& out, const std::vector<HuffmanEncoder>& codes, bool audio,
                 unsigned channel) {
    if (audio)
        codes[channel].write(out, AUDIO_NEW_TABLES);
    else
        codes[0].write(out, NEW_TABLES);
}

} // namespace

Compressor::Compressor(const PackOptions& options) : options_(options) {}

void Compressor::writeTables(BitOutput& out, StreamState& state, bool audio, unsigned channels,
                             const std::vector<uint8_t>& lengths) const {
    const unsigned count = static_cast<unsigned>(lengths.size());
    const TableSetLayout layout{audio, channels, count};
    writeTableSet(out, layout, lengths.data(),
                  count <= state.knownLengths ? state.previousLengths : nullptr);
    std::copy(lengths.begin(), lengths.end(), state.previousLengths);
    state.knownLengths = count;
    state.audioMode = audio;
    state.escapeCodes.clear();
    if (audio) {
        for (unsigned channel = 0; channel < channels; ++channel)
            state.escapeCodes.emplace_back(&lengths[channel * AUDIO_SYMBOLS], AUDIO_SYMBOLS);
    } else {
        state.escapeCodes.emplace_back(lengths.data(), MAIN_SYMBOLS);
    }
}

// A quick lazy parse prices the symbols; the final parse uses those prices
// (cheapest paths with more effort, or lazily again).
std::vector<Token> Compressor::parse(StreamState& state, const Bytes& buffer, size_t start) const {
    CostModel prices;
    {
        MatchHistory history = state.matches;
        LzParser quick(buffer.data(), buffer.size(), start, NORMAL_EFFORT);
        prices = CostModel::fromTokens(
            quick.parse(history, CostModel::initial(buffer.data() + start, buffer.size() - start)));
    }
    LzParser parser(buffer.data(), buffer.size(), start,
                    options_.best ? BEST_EFFORT : NORMAL_EFFORT);
    return parser.parse(state.matches, prices);
}

Bytes Compressor::packNormal(StreamState& state, const Bytes& buffer, size_t start,
                             bool continuing) const {
    const std::vector<Token> tokens = parse(state, buffer, start);
    const TableShape shape = TableShape::normal();
    const size_t chunkTokens = options_.best ? BEST_CHUNK_TOKENS : NORMAL_CHUNK_TOKENS;
    std::vector<Counts> chunks;
    for (size_t i = 0; i < tokens.size(); ++i) {
        if (i % chunkTokens == 0)
            chunks.emplace_back(NORMAL_TABLE_LENGTHS, 0);
        countToken(chunks.back(), tokens[i]);
    }
    BitOutput out;
    size_t token = 0;
    size_t chunk = 0;
    for (size_t blockChunks : groupChunks(chunks, shape)) {
        Counts counts(NORMAL_TABLE_LENGTHS, 0);
        for (size_t i = 0; i < blockChunks; ++i)
            addCounts(counts, chunks[chunk + i]);
        if (continuing || chunk > 0)
            writeEscape(out, state.escapeCodes, state.audioMode, state.audio.currentChannel);
        const std::vector<uint8_t> lengths = blockLengths(counts, shape);
        writeTables(out, state, false, 1, lengths);
        const HuffmanEncoder main(lengths.data(), MAIN_SYMBOLS);
        const HuffmanEncoder distance(lengths.data() + MAIN_SYMBOLS, DISTANCE_SYMBOLS);
        const HuffmanEncoder repeatLength(lengths.data() + MAIN_SYMBOLS + DISTANCE_SYMBOLS,
                                          LENGTH_SYMBOLS);
        chunk += blockChunks;
        const size_t end = std::min(tokens.size(), chunk * chunkTokens);
        for (; token < end; ++token)
            writeToken(out, tokens[token], main, distance, repeatLength);
    }
    return out.finish();
}

Bytes Compressor::packAudio(StreamState& state, const Bytes& data, bool continuing,
                            unsigned channels) const {
    const unsigned escapeChannel = state.audio.currentChannel;
    const std::vector<uint8_t> symbols =
        AudioEncoder::encode(state.audio, channels, data.data(), data.size());
    const unsigned first = escapeChannel >= channels ? 0 : escapeChannel;
    const TableShape shape = TableShape::multimedia(channels);
    std::vector<Counts> chunks;
    for (size_t i = 0; i < symbols.size(); ++i) {
        if (i % AUDIO_CHUNK_BYTES == 0)
            chunks.emplace_back(shape.lengthCount(), 0);
        ++chunks.back()[(first + i) % channels * AUDIO_SYMBOLS + symbols[i]];
    }
    BitOutput out;
    size_t at = 0;
    size_t chunk = 0;
    for (size_t blockChunks : groupChunks(chunks, shape)) {
        Counts counts(shape.lengthCount(), 0);
        for (size_t i = 0; i < blockChunks; ++i)
            addCounts(counts, chunks[chunk + i]);
        if (continuing || chunk > 0)
            writeEscape(out, state.escapeCodes, state.audioMode,
                        chunk > 0 ? (first + at) % channels : escapeChannel);
        const std::vector<uint8_t> lengths = blockLengths(counts, shape);
        writeTables(out, state, true, channels, lengths);
        std::vector<HuffmanEncoder> codes;
        for (unsigned channel = 0; channel < channels; ++channel)
            codes.emplace_back(&lengths[channel * AUDIO_SYMBOLS], AUDIO_SYMBOLS);
        chunk += blockChunks;
        const size_t end = std::min(symbols.size(), chunk * AUDIO_CHUNK_BYTES);
        for (; at < end; ++at)
            codes[(first + at) % channels].write(out, symbols[at]);
    }
    return out.finish();
}

PackedEntry Compressor::pack(const Bytes& data) {
    PackedEntry stored{METHOD_STORED, false, data};
    if (data.empty())
        return stored;
    const bool continuing = options_.solid && started_;
    const StreamState base = continuing ? state_ : StreamState{};
    Bytes buffer = continuing ? history_ : Bytes();
    const size_t start = buffer.size();
    buffer.insert(buffer.end(), data.begin(), data.end());

    // The normal mode (unless the multimedia mode is forced), then the
    // multimedia mode with each channel count: the smallest stream wins.
    StreamState chosenState = base;
    Bytes chosen;
    if (!options_.forceAudio)
        chosen = packNormal(chosenState, buffer, start, continuing);
    for (unsigned channels = 1; channels <= MAX_AUDIO_CHANNELS; ++channels) {
        StreamState audioState = base;
        Bytes audio = packAudio(audioState, data, continuing, channels);
        if (chosen.empty() || audio.size() < chosen.size()) {
            chosen = std::move(audio);
            chosenState = std::move(audioState);
        }
    }
    if (chosen.size() >= data.size())
        return stored;
    state_ = std::move(chosenState);
    if (options_.solid) {
        started_ = true;
        history_.assign(buffer.end() - std::min<size_t>(buffer.size(), WINDOW_SIZE), buffer.end());
    }
    return {options_.best ? METHOD_BEST : METHOD_NORMAL, continuing, std::move(chosen)};
}

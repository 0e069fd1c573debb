// The compressing packer: its parts (codes, bit order, matches, predictors) and
// round trips of its archives through the program's own reader.
#include "ArchiveWriter.h"
#include "AudioEncoder.h"
#include "BitOutput.h"
#include "Compressor.h"
#include "HuffmanEncoder.h"
#include "LzParser.h"
#include "MatchFinder.h"
#include "TableSetWriter.h"
#include "TestSupport.h"
#include "archive/Crc32.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

namespace {

struct NamedData {
    std::string name;
    Bytes data;
};

Bytes packArchive(const std::vector<NamedData>& entries, const PackOptions& options) {
    ArchiveWriter writer(options.solid);
    Compressor compressor(options);
    for (const NamedData& entry : entries)
        writer.addFile(entry.name, entry.data, compressor.pack(entry.data));
    return writer.finish();
}

std::vector<ArchiveFileHeader> headersOf(const Bytes& archive) {
    std::vector<ArchiveFileHeader> headers;
    ResourceArchive view = viewOf(archive);
    forEachArchiveEntry(view, [&](const ArchiveFileHeader& header) { headers.push_back(header); });
    return headers;
}

// Packs the entries, then extracts each through the reader and compares.
std::vector<ArchiveFileHeader> expectRoundTrip(const std::vector<NamedData>& entries,
                                               const PackOptions& options = {}) {
    const Bytes archive = packArchive(entries, options);
    ResourceArchive view = viewOf(archive);
    for (const NamedData& entry : entries) {
        const Extracted out = extract(view, entry.name.c_str());
        EXPECT_EQ(out.result, 1) << entry.name;
        EXPECT_EQ(out.size, entry.data.size()) << entry.name;
        if (out.result == 1 && out.size == entry.data.size()) {
            EXPECT_TRUE(std::equal(entry.data.begin(), entry.data.end(), out.bytes.get()))
                << entry.name;
        }
    }
    return headersOf(archive);
}

// Words from a small vocabulary in random order, like prose or a script.
Bytes textLike(size_t size, uint32_t seed) {
    static const char* words[] = {"the ",   "layer ",  "fade ", "glimmer ", "of ",   "and ",
                                  "image ", "scroll ", "\r\n",  "0.5 ",     "1024 ", "butterflies ",
                                  "grass ", "time ",   "in ",   "warp ",    "cube ", "render "};
    std::mt19937 random(seed);
    Bytes out;
    while (out.size() < size) {
        const char* word = words[random() % (sizeof(words) / sizeof(words[0]))];
        out.insert(out.end(), word, word + std::strlen(word));
    }
    out.resize(size);
    return out;
}

Bytes randomBytes(size_t size, uint32_t seed) {
    std::mt19937 random(seed);
    Bytes out(size);
    for (unsigned char& byte : out)
        byte = static_cast<unsigned char>(random());
    return out;
}

// Interleaved 8-bit channels of slow tones with a little noise, like raw audio.
Bytes audioLike(size_t frames, unsigned channels, uint32_t seed) {
    std::mt19937 random(seed);
    Bytes out;
    for (size_t frame = 0; frame < frames; ++frame)
        for (unsigned channel = 0; channel < channels; ++channel) {
            const double tone = 90 * std::sin(frame * (0.011 + 0.007 * channel) + channel * 1.3);
            out.push_back(static_cast<unsigned char>(128 + static_cast<int>(tone) +
                                                     static_cast<int>(random() % 5) - 2));
        }
    return out;
}

Bytes sourceFileBytes() {
    return readWholeFile(__FILE__);
}

} // namespace

TEST(Crc32, MatchesTheBitwiseDefinitionAtEveryAlignment) {
    const auto bitwise = [](const unsigned char* bytes, size_t count) {
        uint32_t crc = 0xFFFFFFFFu;
        for (size_t i = 0; i < count; ++i) {
            crc ^= bytes[i];
            for (int bit = 0; bit < 8; ++bit)
                crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
        }
        return ~crc;
    };
    const Bytes data = randomBytes(5000, 30);
    for (size_t offset = 0; offset < 8; ++offset)
        for (size_t size : {0, 1, 7, 8, 9, 15, 16, 17, 63, 64, 65, 80, 127, 128, 129, 200, 4000})
            EXPECT_EQ(crc32Of(data.data() + offset, size), bitwise(data.data() + offset, size))
                << offset << " " << size;
}

TEST(BitOutput, WritesMostSignificantBitFirstAndPadsWithZeros) {
    BitOutput out;
    out.write(1, 1);
    out.write(0, 2);
    out.write(0x1F, 5);
    out.write(0xABCDE, 20);
    out.write(3, 2);
    EXPECT_EQ(out.bitCount(), 30u);
    const Bytes bytes = out.finish();
    EXPECT_EQ(bytes, (Bytes{0x9F, 0xAB, 0xCD, 0xEC}));
}

TEST(HuffmanCodes, LengthsAreOptimalAndCodesCanonical) {
    const uint32_t counts[5] = {10, 0, 1, 1, 2};
    const std::vector<uint8_t> lengths = buildCodeLengths(counts, 5, 15);
    EXPECT_EQ(lengths, (std::vector<uint8_t>{1, 0, 3, 3, 2}));
    EXPECT_EQ(codedBits(counts, lengths.data(), 5), 10u + 3 + 3 + 4);
    // Canonical: 0 -> 0, 4 -> 10, 2 -> 110, 3 -> 111.
    const HuffmanEncoder code(lengths.data(), 5);
    BitOutput out;
    for (unsigned symbol : {0, 4, 2, 3, 0})
        code.write(out, symbol);
    EXPECT_EQ(out.finish(), (Bytes{0b01011011, 0b10000000}));

    const uint32_t lone[3] = {0, 7, 0};
    EXPECT_EQ(buildCodeLengths(lone, 3, 15), (std::vector<uint8_t>{0, 1, 0}));
}

TEST(HuffmanCodes, SkewedCountsStayWithinTheLimitAndComplete) {
    // Fibonacci counts would need codes of 40 bits without the limit.
    std::vector<uint32_t> counts(40);
    counts[0] = counts[1] = 1;
    for (size_t i = 2; i < counts.size(); ++i)
        counts[i] = counts[i - 1] + counts[i - 2];
    for (unsigned limit : {15u, 7u}) {
        const std::vector<uint8_t> lengths =
            buildCodeLengths(counts.data(), static_cast<unsigned>(counts.size()), limit);
        double kraft = 0;
        for (uint8_t length : lengths) {
            EXPECT_GE(length, 1);
            EXPECT_LE(length, limit);
            kraft += std::ldexp(1.0, -length);
        }
        EXPECT_DOUBLE_EQ(kraft, 1.0) << limit;
        // The most frequent symbols get the shortest codes.
        EXPECT_LE(lengths.back(), lengths.front());
    }
}

TEST(TableSets, CountedBitsMatchTheWrittenOnesAndUnchangedTablesKeepTheBase) {
    std::vector<uint8_t> lengths(NORMAL_TABLE_LENGTHS, 0);
    for (size_t i = 0; i < lengths.size(); i += 3)
        lengths[i] = static_cast<uint8_t>(1 + i % 15);
    const TableSetLayout layout{false, 1, NORMAL_TABLE_LENGTHS};
    const uint8_t* base = lengths.data();
    for (const uint8_t* previous : {static_cast<const uint8_t*>(nullptr), base}) {
        BitOutput out;
        writeTableSet(out, layout, lengths.data(), previous);
        EXPECT_EQ(out.bitCount(), tableSetBits(layout, lengths.data(), previous));
        const Bytes bytes = out.finish();
        // The second header bit says whether the previous lengths are the base.
        EXPECT_EQ((bytes[0] >> 6) & 1, previous ? 1 : 0);
    }
    EXPECT_LT(tableSetBits(layout, lengths.data(), lengths.data()),
              tableSetBits(layout, lengths.data(), nullptr));

    std::vector<uint8_t> audioLengths(3 * AUDIO_SYMBOLS, 8);
    const TableSetLayout audio{true, 3, 3 * AUDIO_SYMBOLS};
    BitOutput out;
    writeTableSet(out, audio, audioLengths.data(), nullptr);
    EXPECT_EQ(out.bitCount(), tableSetBits(audio, audioLengths.data(), nullptr));
    EXPECT_EQ(out.finish()[0] >> 4, 0b1010); // multimedia, cleared base, three channels
}

TEST(MatchFinder, FindsTheLongestEarlierMatchAndStaysInTheWindow) {
    const std::string text = "abcdXabcdeYabcdefZabcdef";
    const auto* data = reinterpret_cast<const uint8_t*>(text.data());
    MatchFinder finder(data, text.size(), 0, 64, 258);
    std::vector<Match> matches;
    finder.findMatches(18, 258, matches); // "abcdef" at the end
    ASSERT_FALSE(matches.empty());
    EXPECT_EQ(matches.back().distance, 7u);
    EXPECT_EQ(matches.back().length, 6u);
    for (size_t i = 1; i < matches.size(); ++i)
        EXPECT_GT(matches[i].length, matches[i - 1].length);
    EXPECT_EQ(finder.matchLength(18, 7, 3), 3u);
    EXPECT_EQ(finder.latestPair(19, 256), 7u); // "bc"

    // A repeat exactly one window back is out of reach; one byte closer is found.
    Bytes far = randomBytes(WINDOW_SIZE + 64, 5);
    std::copy(far.begin(), far.begin() + 32, far.begin() + WINDOW_SIZE);
    std::copy(far.begin() + 33, far.begin() + 65, far.begin() + WINDOW_SIZE + 32);
    MatchFinder windowed(far.data(), far.size(), 0, 64, 258);
    windowed.findMatches(WINDOW_SIZE, 258, matches);
    EXPECT_TRUE(matches.empty() || matches.back().length < 8);
    windowed.findMatches(WINDOW_SIZE + 32, 258, matches);
    ASSERT_FALSE(matches.empty());
    EXPECT_EQ(matches.back().distance, WINDOW_SIZE - 1);
    EXPECT_EQ(matches.back().length, 32u);
}

TEST(LzParser, UsesEveryMatchFormWhereItPays) {
    std::mt19937 random(21);
    Bytes data = randomBytes(64, 20);
    const auto copy = [&](size_t distance, size_t length) {
        for (size_t i = 0; i < length; ++i)
            data.push_back(data[data.size() - distance]);
    };
    const auto noise = [&](size_t count) {
        for (size_t i = 0; i < count; ++i)
            data.push_back(static_cast<unsigned char>(random()));
    };
    for (int record = 0; record < 40; ++record) { // the same match again and again
        noise(1);
        copy(16, 15);
    }
    for (int pair = 0; pair < 40; ++pair) { // two-byte repeats close by
        noise(40);
        copy(30, 2);
    }
    noise(3000);
    for (int turn = 0; turn < 20; ++turn) { // two distances taking turns
        copy(turn % 2 ? 2000 : 1000, 12);
        noise(1);
    }
    MatchHistory history;
    LzParser parser(data.data(), data.size(), 0, {64, 64, 32, false});
    const std::vector<Token> tokens =
        parser.parse(history, CostModel::initial(data.data(), data.size()));
    const auto uses = [&](unsigned first, unsigned last) {
        return std::count_if(tokens.begin(), tokens.end(), [&](const Token& token) {
            return token.symbol >= first && token.symbol <= last;
        });
    };
    EXPECT_GT(uses(REPEAT_LAST_MATCH, REPEAT_LAST_MATCH), 10);
    EXPECT_GT(uses(FIRST_RECENT_MATCH + 1, FIRST_RECENT_MATCH + 3), 5);
    EXPECT_GT(uses(FIRST_SHORT_MATCH, NEW_TABLES - 1), 10);
    EXPECT_GT(uses(FIRST_LONG_MATCH, MAIN_SYMBOLS - 1), 1);
    EXPECT_EQ(uses(NEW_TABLES, NEW_TABLES), 0);
    expectRoundTrip({{"forms", data}});
}

TEST(AudioEncoder, BytesGoToTheChannelsInTurnAndWeightsStayBounded) {
    AudioEncoderState state;
    const Bytes data = audioLike(20000, 3, 3);
    AudioEncoder::encode(state, 3, data.data(), data.size());
    EXPECT_EQ(state.currentChannel, 0u);
    for (unsigned channel = 0; channel < MAX_AUDIO_CHANNELS; ++channel) {
        EXPECT_EQ(state.channels[channel].byteCount, channel < 3 ? 20000u : 0u);
        EXPECT_EQ(state.channels[channel].lastByte, channel < 3 ? data[59997 + channel] : 0);
        for (int weight : state.channels[channel].weights) {
            EXPECT_GE(weight, -17);
            EXPECT_LE(weight, 16);
        }
    }
}

TEST(PackerRoundTrip, SmallAndIncompressibleEntriesAreStored) {
    const auto headers = expectRoundTrip({{"empty", {}},
                                          {"one", {0x41}},
                                          {"noise", randomBytes(50000, 1)},
                                          {"text", textLike(20000, 2)}});
    ASSERT_EQ(headers.size(), 4u);
    EXPECT_EQ(headers[0].method, METHOD_STORED);
    EXPECT_EQ(headers[1].method, METHOD_STORED);
    EXPECT_EQ(headers[2].method, METHOD_STORED);
    EXPECT_EQ(headers[3].method, METHOD_NORMAL);
    EXPECT_LT(headers[3].packedSize, 20000u / 3);
}

TEST(PackerRoundTrip, RunsAndLongMatchesAcrossDistances) {
    Bytes runs(300000, 'a');
    for (size_t i = 0; i < runs.size(); i += 997)
        runs[i] = static_cast<unsigned char>(i);
    // Repeats at distances around the steps where the decoder lengthens matches
    // (257, 8192, 262144), each taken up again after a break (a recent distance).
    Bytes repeats;
    for (size_t distance : {255, 256, 257, 258, 8191, 8192, 8193, 262143, 262144, 262145}) {
        const Bytes fresh = randomBytes(distance, static_cast<uint32_t>(distance));
        repeats.insert(repeats.end(), fresh.begin(), fresh.end());
        for (size_t part = 0; part < 3; ++part) {
            const size_t from = repeats.size() - distance;
            for (size_t i = 0; i < 40 + 100 * part; ++i)
                repeats.push_back(repeats[from + i]);
            repeats.push_back(static_cast<unsigned char>(part + 1));
        }
    }
    const auto headers = expectRoundTrip({{"runs", runs}, {"repeats", repeats}});
    EXPECT_LT(headers[0].packedSize, 3000u);
    EXPECT_LT(headers[1].packedSize, repeats.size() - 1000);
}

TEST(PackerRoundTrip, DataBeyondTheWindowAndBeyondFourMegabytes) {
    Bytes large = textLike(4 * 1024 * 1024 + 300000, 3);
    const Bytes noise = randomBytes(200000, 4);
    large.insert(large.begin() + 1500000, noise.begin(), noise.end());
    const auto headers = expectRoundTrip({{"large", large}});
    EXPECT_EQ(headers[0].method, METHOD_NORMAL);
}

TEST(PackerRoundTrip, SolidRunContinuesAcrossEntriesAndModes) {
    const Bytes text = textLike(60000, 6);
    Bytes repeated(text.begin(), text.begin() + 30000);
    const std::vector<NamedData> entries = {{"data", {}},
                                            {"first", text},
                                            {"noise", randomBytes(8000, 7)},
                                            {"nothing", {}},
                                            {"again", repeated},
                                            {"sound", audioLike(40000, 2, 8)},
                                            {"after", textLike(30000, 6)}};
    PackOptions options;
    options.solid = true;
    const auto headers = expectRoundTrip(entries, options);
    ASSERT_EQ(headers.size(), entries.size());
    EXPECT_EQ(headers[1].flags & FILE_FLAG_SOLID, 0);
    EXPECT_EQ(headers[2].method, METHOD_STORED);
    EXPECT_EQ(headers[3].method, METHOD_STORED);
    for (size_t i : {4, 5, 6}) {
        EXPECT_NE(headers[i].flags & FILE_FLAG_SOLID, 0) << i;
        EXPECT_EQ(headers[i].method, METHOD_NORMAL) << i;
    }
    // An entry repeated from the one before costs next to nothing.
    EXPECT_LT(headers[4].packedSize, 200u);
}

TEST(PackerRoundTrip, SolidRunReachesBackOnlyWithinTheWindow) {
    const Bytes first = textLike(1536 * 1024, 16);
    Bytes second(first.begin(), first.begin() + 50000);            // beyond the window by now
    second.insert(second.end(), first.end() - 50000, first.end()); // within it
    PackOptions options;
    options.solid = true;
    const auto headers = expectRoundTrip({{"first", first}, {"second", second}}, options);
    EXPECT_NE(headers[1].flags & FILE_FLAG_SOLID, 0);
    // The near half costs next to nothing; the far half is packed afresh.
    EXPECT_LT(headers[1].packedSize, Compressor(PackOptions{}).pack(second).data.size());
}

TEST(PackerRoundTrip, MultimediaModeWithOneToFourChannels) {
    std::vector<NamedData> entries;
    for (unsigned channels = 1; channels <= MAX_AUDIO_CHANNELS; ++channels) {
        const Bytes sound = audioLike(50000, channels, 10);
        // The table-set header names the channel count the data was interleaved with.
        const PackedEntry packed = Compressor(PackOptions{}).pack(sound);
        ASSERT_FALSE(packed.data.empty());
        EXPECT_EQ(packed.data[0] >> 6, 2) << channels; // multimedia, lengths cleared
        EXPECT_EQ((packed.data[0] >> 4) & 3, channels - 1);
        entries.push_back({"sound" + std::to_string(channels), sound});
    }
    entries.push_back({"text", textLike(20000, 11)});
    PackOptions options;
    options.forceAudio = true;
    expectRoundTrip(entries, options);
    options.solid = true;
    expectRoundTrip(entries, options);
    // Fewer channels after more: the decoder's current channel starts over.
    std::reverse(entries.begin(), entries.end());
    expectRoundTrip(entries, options);
}

TEST(PackerRoundTrip, AudioLikeDataChoosesMultimediaWhereSmaller) {
    const Bytes sound = audioLike(100000, 2, 12);
    PackOptions audio;
    audio.forceAudio = true;
    const uint32_t audioSize = headersOf(packArchive({{"s", sound}}, audio))[0].packedSize;
    const auto headers = expectRoundTrip({{"s", sound}});
    EXPECT_EQ(headers[0].packedSize, audioSize);
}

TEST(PackerRoundTrip, BestEffortWritesMethod35AndPacksSmaller) {
    const Bytes text = textLike(300000, 13);
    PackOptions options;
    options.best = true;
    const auto headers = expectRoundTrip({{"text", text}, {"source", sourceFileBytes()}}, options);
    EXPECT_EQ(headers[0].method, METHOD_BEST);
    EXPECT_EQ(headers[1].method, METHOD_BEST);
    EXPECT_LT(headers[0].packedSize, Compressor(PackOptions{}).pack(text).data.size());
}

TEST(PackerLimits, NamesUpToTheLongestTheReaderKeeps) {
    const std::string longest(MAX_NAME_SIZE, 'n');
    ArchiveWriter writer;
    EXPECT_TRUE(writer.addStoredFile(longest, Bytes{'a'}));
    // One byte more, and the 70,000 letters that once wrapped the 16-bit header
    // and name sizes: refused with the length in the reason, nothing added.
    for (size_t size : {size_t{MAX_NAME_SIZE} + 1, size_t{70000}}) {
        const std::string name(size, 'n');
        EXPECT_NE(writer.refusal(name, 1, 1).find(std::to_string(size)), std::string::npos);
        EXPECT_FALSE(writer.addStoredFile(name, Bytes{'b'}));
        EXPECT_FALSE(writer.addDirectory(name));
    }
    const std::vector<ArchiveFileHeader> headers = headersOf(writer.finish());
    ASSERT_EQ(headers.size(), 1u);
    EXPECT_EQ(headers[0].name, longest);
}

TEST(PackerLimits, EntriesUnderFourGibibytesInAnArchiveTheReaderAddresses) {
    ArchiveWriter writer;
    EXPECT_EQ(writer.refusal("e", UINT32_MAX, 0), "");
    EXPECT_NE(writer.refusal("e", uint64_t{UINT32_MAX} + 1, 0), "");
    // With an entry in, the room left is what the bytes written leave: a block
    // with a one-byte name and its data fill it exactly, one byte more does not.
    ASSERT_TRUE(writer.addStoredFile("first", textLike(1000, 1)));
    const uint64_t room = MAX_ARCHIVE_SIZE - writer.finish().size() - FILE_HEADER_SIZE - 1;
    EXPECT_EQ(writer.refusal("e", room, room), "");
    EXPECT_NE(writer.refusal("e", room + 1, room + 1), "");
}

TEST(PackerSize, RealWorldLikeInputsPackNoLargerThanZlibLevel9) {
    const Bytes source = sourceFileBytes();
    ASSERT_FALSE(source.empty());
    for (const Bytes& data : {source, textLike(200000, 14), audioLike(100000, 2, 15)}) {
        uLongf zlibSize = compressBound(static_cast<uLong>(data.size()));
        Bytes zlibOut(zlibSize);
        ASSERT_EQ(
            compress2(zlibOut.data(), &zlibSize, data.data(), static_cast<uLong>(data.size()), 9),
            Z_OK);
        for (bool best : {false, true}) {
            PackOptions options;
            options.best = best;
            const PackedEntry packed = Compressor(options).pack(data);
            EXPECT_LE(packed.data.size(), zlibSize) << data.size() << " best " << best;
        }
    }
}

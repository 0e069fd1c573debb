// The reference unpacker beside the fast one: a stream for each result code,
// agreement on the packer's output, on that output damaged, on random streams
// and on real archives, and the weight search in each version the processor may
// run against the plain weight update.
#include "archive/ReferenceUnpack.h"
#include "Compressor.h"
#include "PackedStreamWriter.h"
#include "TestSupport.h"
#include "archive/UnpackState.h"

#include <cmath>
#include <random>

namespace {

// One entry of a run decoded by both unpackers; later entries may continue the
// state as solid ones, and an entry without output only carries it on.
struct Entry {
    Bytes packed;
    uint32_t size = 0;
    bool solid = false;
    bool requested = true;
};

struct Decoded {
    UnpackResult result = UnpackResult::Complete;
    uint32_t count = 0;
    Bytes output;
};

// Both unpackers, each with its own state carried from entry to entry.
struct Unpackers {
    std::unique_ptr<UnpackState> fast = UnpackState::create();
    std::unique_ptr<ReferenceUnpackState> reference = createReferenceUnpackState();

    Decoded decode(const Entry& entry, bool byReference) {
        Decoded out;
        out.output.assign(entry.size + 1, 0xA5); // a spare byte that must stay untouched
        const uint32_t packedSize = static_cast<uint32_t>(entry.packed.size());
        unsigned char* output = entry.requested ? out.output.data() : nullptr;
        out.result = byReference ? referenceUnpackEntry(*reference, entry.packed.data(), packedSize,
                                                        entry.size, entry.solid, output, out.count)
                                 : fast->unpackEntry(entry.packed.data(), packedSize, entry.size,
                                                     entry.solid, output, out.count);
        return out;
    }
};

// The fast unpacker working in the output buffer itself, as it does for an
// entry that starts clean given room behind the output. Only the bytes the
// count covers are kept; a spare byte behind the room must stay untouched.
Decoded decodeInOutput(const Entry& entry) {
    Decoded out;
    const size_t capacity = entry.size + UnpackState::OUTPUT_SLACK;
    out.output.assign(capacity + 1, 0xA5);
    out.result = UnpackState::create()->unpackEntry(
        entry.packed.data(), static_cast<uint32_t>(entry.packed.size()), entry.size, entry.solid,
        out.output.data(), out.count, capacity);
    if (out.output[capacity] != 0xA5)
        ADD_FAILURE() << "written past the output's room";
    out.output.resize(out.count);
    return out;
}

bool sameDecoding(const Decoded& a, const Decoded& b, const std::string& what) {
    if (a.result == b.result && a.count == b.count && a.output == b.output)
        return true;
    ADD_FAILURE() << what << ": result " << int(a.result) << "/" << int(b.result) << ", count "
                  << a.count << "/" << b.count;
    return false;
}

// Decodes the run with both unpackers, and each entry that starts clean also in
// its output; true when every entry agreed.
bool expectSameDecoding(const std::vector<Entry>& run, const std::string& what) {
    Unpackers unpackers;
    for (size_t i = 0; i < run.size(); ++i) {
        const std::string entry = what + ", entry " + std::to_string(i);
        const Decoded a = unpackers.decode(run[i], false);
        Decoded b = unpackers.decode(run[i], true);
        if (!sameDecoding(a, b, entry))
            return false;
        if (!run[i].requested || (i > 0 && run[i].solid))
            continue;
        b.output.resize(b.count);
        if (!sameDecoding(decodeInOutput(run[i]), b, entry + " in its output"))
            return false;
    }
    return true;
}

Bytes randomBytes(std::mt19937& random, size_t count, unsigned values = 256) {
    Bytes bytes(count);
    for (unsigned char& byte : bytes)
        byte = static_cast<unsigned char>(random() % values);
    return bytes;
}

// Data the packer codes in its different ways: words (matches of every form),
// noise of a few byte values (mostly literals), and interleaved channels of
// slow waves (the multimedia mode).
Bytes words(std::mt19937& random, size_t count) {
    static const char* const vocabulary[] = {"glimmer ", "fell ",      "dusk ", "lava ",
                                             "grass ",   "butterfly ", "\r\n",  "machine "};
    Bytes text;
    while (text.size() < count)
        for (const char* c = vocabulary[random() % 8]; *c; ++c)
            text.push_back(static_cast<unsigned char>(*c));
    return text;
}

Bytes waves(std::mt19937& random, size_t count, unsigned channels) {
    Bytes samples(count);
    const double step = 0.01 + (random() % 100) / 1000.0;
    for (size_t i = 0; i < count; ++i) {
        const double phase = static_cast<double>(i / channels) * step * (1 + i % channels);
        samples[i] = static_cast<unsigned char>(128 + 100 * std::sin(phase) + random() % 5);
    }
    return samples;
}

// The packer's streams for a solid run of the given data.
std::vector<Entry> packedRun(const std::vector<Bytes>& data, bool audio) {
    PackOptions options;
    options.solid = true;
    options.forceAudio = audio;
    Compressor compressor(options);
    std::vector<Entry> run;
    for (const Bytes& item : data) {
        PackedEntry packed = compressor.pack(item);
        if (packed.method != METHOD_STORED)
            run.push_back({packed.data, static_cast<uint32_t>(item.size()), packed.solid, true});
    }
    return run;
}

// The run damaged in one of several ways, as a truncated or corrupt archive
// would hand it over.
std::vector<Entry> damaged(std::vector<Entry> run, std::mt19937& random) {
    Entry& entry = run[random() % run.size()];
    switch (random() % 4) {
    case 0: // cut short
        entry.packed.resize(random() % (entry.packed.size() + 1));
        break;
    case 1: // flipped bytes
        for (int flips = 1 + random() % 3; flips > 0 && !entry.packed.empty(); --flips)
            entry.packed[random() % entry.packed.size()] ^=
                static_cast<unsigned char>(1 + random() % 255);
        break;
    case 2: // the header's size wrong
        entry.size = random() % 2 ? entry.size / 2 : entry.size + 1000;
        break;
    default: // not solid after all, or only carried on
        if (random() % 2)
            entry.solid = !entry.solid;
        else
            entry.requested = false;
    }
    return run;
}

} // namespace

TEST(ReferenceUnpack, EachResultCodeHasAStreamThatGivesIt) {
    // Literal "A", then a long match of distance 1 and length 10 (UnpackResult.h).
    StreamWriter stream;
    stream.normalTables(lengthsOf(MAIN_SYMBOLS, {{'A', 1}, {277, 1}}),
                        lengthsOf(DISTANCE_SYMBOLS, {{0, 1}}), Bytes(LENGTH_SYMBOLS, 0));
    stream.literals("A");
    stream.symbol(277);       // length slot 7: 7 + 3
    stream.distanceSymbol(0); // distance 1
    const struct {
        uint32_t size;
        UnpackResult result;
        uint32_t count; // bytes written to the output
    } rows[] = {
        {11, UnpackResult::Complete, 11},
        {5, UnpackResult::OutputOverrun, 0},
        // The padding bits and one bit past the data decode as two more "A"s.
        {1000, UnpackResult::InputExhausted, 13},
    };
    for (const auto& row : rows) {
        const Entry entry{stream.bits.bytes(), row.size};
        const Decoded out = Unpackers().decode(entry, true);
        EXPECT_EQ(out.result, row.result) << row.size;
        ASSERT_EQ(out.count, row.count) << row.size;
        EXPECT_EQ(std::string(out.output.begin(), out.output.begin() + out.count),
                  std::string(row.count, 'A'));
        EXPECT_TRUE(expectSameDecoding({entry}, "size " + std::to_string(row.size)));
    }
}

TEST(ReferenceUnpack, AgreesOnThePackersStreamsWholeAndDamaged) {
    std::mt19937 random(2024);
    for (int trial = 0; trial < 12; ++trial) {
        const bool audio = trial % 3 == 2;
        std::vector<Bytes> data;
        for (int entry = 0; entry < 3; ++entry) {
            const size_t size = 1 + random() % 20000;
            data.push_back(audio       ? waves(random, size, 1 + trial % 4)
                           : trial % 3 ? words(random, size)
                                       : randomBytes(random, size, 12));
        }
        const std::vector<Entry> run = packedRun(data, audio);
        ASSERT_FALSE(run.empty());
        const std::string what = "trial " + std::to_string(trial);
        if (!expectSameDecoding(run, what))
            return;
        for (int damage = 0; damage < 12; ++damage)
            if (!expectSameDecoding(damaged(run, random), what + " damaged"))
                return;
    }
}

TEST(ReferenceUnpack, AgreesOnRandomStreams) {
    // Random bits make random code tables: over-subscribed and empty codes,
    // runs past the lengths' end, every match form, table switches anywhere.
    // A set header with the top bit set starts in the multimedia mode.
    std::mt19937 random(77);
    for (int trial = 0; trial < 1500; ++trial) {
        std::vector<Entry> run(1 + random() % 3);
        for (Entry& entry : run) {
            entry.packed = randomBytes(random, random() % 700);
            if (!entry.packed.empty() && trial % 2)
                entry.packed[0] |= 0x80;
            entry.size = random() % 6000;
            entry.solid = random() % 4 != 0;
            entry.requested = random() % 5 != 0;
        }
        if (!expectSameDecoding(run, "trial " + std::to_string(trial)))
            return;
    }
}

TEST(ReferenceUnpack, AgreesOnRealArchivesEntries) {
    for (const char* name : {"rar/test_v2.rar", "rar/test_v2solid5.rar"}) {
        LOAD_TESTDATA_OR_SKIP(bytes, name);
        // The packed entries in order, as a solid archive unpacks them.
        std::vector<Entry> run;
        size_t block = MARKER_SIZE + readLittle16(bytes.data() + MARKER_SIZE + 5);
        while (block + FILE_HEADER_SIZE <= bytes.size()) {
            ArchiveFileHeader header;
            parseFileHeader(bytes.data() + block, header);
            const size_t data = block + header.headerSize;
            if (header.headerType == FILE_BLOCK_TYPE && header.method != METHOD_STORED)
                run.push_back(
                    {Bytes(bytes.begin() + data, bytes.begin() + data + header.packedSize),
                     header.unpackedSize, (header.flags & FILE_FLAG_SOLID) != 0});
            block = data + ((header.flags & BLOCK_FLAG_LONG) ? header.packedSize : 0);
        }
        EXPECT_GE(run.size(), 2u) << name;
        EXPECT_TRUE(expectSameDecoding(run, name));
    }
}

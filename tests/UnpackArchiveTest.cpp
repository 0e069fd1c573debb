// Packed entries of real archives, and the same archives damaged.
#include "ArchiveWriter.h"
#include "PackedStreamWriter.h"
#include "TestSupport.h"
#include "archive/Crc32.h"

#include <algorithm>
#include <cstring>
#include <random>

namespace {

std::vector<ArchiveFileHeader> entriesOf(ResourceArchive& archive) {
    std::vector<ArchiveFileHeader> headers;
    forEachArchiveEntry(archive,
                        [&](const ArchiveFileHeader& header) { headers.push_back(header); });
    return headers;
}

// Where the data of the entry called name starts.
size_t dataOffsetOf(const std::vector<unsigned char>& bytes, const char* name) {
    const std::string key(name);
    const auto found = std::search(bytes.begin(), bytes.end(), key.begin(), key.end());
    const size_t nameOffset = static_cast<size_t>(found - bytes.begin());
    const size_t block = nameOffset - FILE_HEADER_SIZE;
    return block + readLittle16(bytes.data() + block + 5);
}

void expectEveryEntryExtracts(const std::vector<unsigned char>& bytes, size_t expectedCount) {
    ResourceArchive archive = viewOf(bytes);
    const std::vector<ArchiveFileHeader> headers = entriesOf(archive);
    EXPECT_EQ(headers.size(), expectedCount);
    for (const ArchiveFileHeader& header : headers) {
        const Extracted out = extract(archive, header.name);
        EXPECT_EQ(out.result, 1) << header.name;
        EXPECT_EQ(out.size, header.unpackedSize) << header.name;
        EXPECT_EQ(crc32Of(out.bytes.get(), out.size), header.fileCrc) << header.name;
    }
}

} // namespace

TEST(RealArchives, EveryMethodAndTheMultimediaEntryExtract) {
    LOAD_TESTDATA_OR_SKIP(bytes, "rar/test_v2.rar");
    expectEveryEntryExtracts(bytes, 7);
    // All seven hold the same file, whichever way it was packed.
    ResourceArchive archive = viewOf(bytes);
    const Extracted stored = extract(archive, "p0.bin");
    for (const char* name : {"p1.bin", "p3.bin", "p5.bin", "pMM.bin"}) {
        const Extracted packed = extract(archive, name);
        ASSERT_EQ(packed.size, stored.size) << name;
        EXPECT_EQ(std::memcmp(packed.bytes.get(), stored.bytes.get(), stored.size), 0) << name;
    }
}

TEST(RealArchives, SolidEntriesExtractInAnyOrder) {
    LOAD_TESTDATA_OR_SKIP(bytes, "rar/test_v2solid5.rar");
    ResourceArchive archive = viewOf(bytes);
    const std::vector<ArchiveFileHeader> headers = entriesOf(archive);
    ASSERT_EQ(headers.size(), 2u);
    EXPECT_TRUE(headers[1].flags & FILE_FLAG_SOLID);
    // The second entry first: its 50 packed bytes only make sense after the first.
    for (size_t i : {1, 0, 1}) {
        const Extracted out = extract(archive, headers[i].name);
        EXPECT_EQ(out.result, 1) << headers[i].name;
        EXPECT_EQ(crc32Of(out.bytes.get(), out.size), headers[i].fileCrc) << headers[i].name;
    }
}

TEST(RealArchives, SolidEntryFailsWithoutTheArchivesSolidFlag) {
    LOAD_TESTDATA_OR_SKIP(bytes, "rar/test_v2solid5.rar");
    std::vector<unsigned char> plain = bytes;
    plain[MARKER_SIZE + 3] &= static_cast<unsigned char>(~MAIN_FLAG_SOLID);
    ResourceArchive archive = viewOf(plain);
    EXPECT_EQ(extract(archive, "p5.bin").result, 1);
    EXPECT_EQ(extract(archive, "p5_solid.bin").result, 0); // the first entry is not decoded
}

TEST(RealArchives, PackedEntryFollowedByOtherBlocksExtracts) {
    LOAD_TESTDATA_OR_SKIP(bytes, "rar/rar2-unix-owner.rar");
    ResourceArchive archive = viewOf(bytes);
    const Extracted out = extract(archive, "file.txt");
    ASSERT_EQ(out.result, 1);
    EXPECT_EQ(out.size, 4u);
}

TEST(RealArchives, OlderFormatPackedEntryFailsItsCrc) {
    LOAD_TESTDATA_OR_SKIP(bytes, "rar/rar15-comment.rar");
    ResourceArchive archive = viewOf(bytes);
    int packed = 0;
    for (const ArchiveFileHeader& header : entriesOf(archive)) {
        if (header.method == METHOD_STORED)
            continue;
        ++packed;
        const Extracted out = extract(archive, header.name);
        EXPECT_EQ(out.result, 0) << header.name;
        EXPECT_EQ(out.size, 0u) << header.name;
    }
    EXPECT_EQ(packed, 1);
}

TEST(DamagedArchives, EveryTruncationOfAPackedEntryFailsCleanly) {
    LOAD_TESTDATA_OR_SKIP(bytes, "rar/test_v2.rar");
    ResourceArchive whole = viewOf(bytes);
    const std::vector<ArchiveFileHeader> headers = entriesOf(whole);
    const size_t start = dataOffsetOf(bytes, "p3.bin");
    const size_t packedSize = headers[3].packedSize;
    int intact = 0;
    for (size_t length = 0; length < start + packedSize; ++length) {
        const std::vector<unsigned char> cut(bytes.begin(),
                                             bytes.begin() + static_cast<long>(length));
        ResourceArchive archive = viewOf(cut);
        const Extracted out = extract(archive, "p3.bin");
        if (out.result == 1) {
            // Only the stream's last padding bits may go missing unnoticed.
            EXPECT_GE(length, start + packedSize - 1);
            EXPECT_EQ(crc32Of(out.bytes.get(), out.size), headers[3].fileCrc);
            ++intact;
        } else {
            EXPECT_EQ(out.size, 0u);
        }
    }
    EXPECT_LE(intact, 1);
}

TEST(DamagedArchives, FlippedBytesInPackedDataNeverGiveWrongData) {
    LOAD_TESTDATA_OR_SKIP(bytes, "rar/test_v2.rar");
    ResourceArchive original = viewOf(bytes);
    const std::vector<ArchiveFileHeader> headers = entriesOf(original);
    std::mt19937 random(99);
    int failed = 0;
    for (int trial = 0; trial < 600; ++trial) {
        const ArchiveFileHeader& header = headers[1 + trial % 6]; // the packed entries
        const size_t start = dataOffsetOf(bytes, header.name);
        std::vector<unsigned char> damaged = bytes;
        for (int flips = 1 + trial % 3; flips > 0; --flips)
            damaged[start + random() % header.packedSize] ^=
                static_cast<unsigned char>(1 + random() % 255);
        ResourceArchive archive = viewOf(damaged);
        const Extracted out = extract(archive, header.name);
        if (out.result == 1)
            EXPECT_EQ(crc32Of(out.bytes.get(), out.size), header.fileCrc);
        else
            ++failed;
    }
    EXPECT_GT(failed, 500);
}

TEST(DamagedArchives, ShortOutputFailsEvenWhenTheCrcFitsZeroPadding) {
    // A packed entry whose stream ends after "AB" while the header claims four
    // bytes, with the CRC of "AB" and two zero bytes. "AB" ends on a byte
    // boundary, and the zero bits beyond decode as empty repeats.
    StreamWriter stream;
    stream.normalTables(lengthsOf(MAIN_SYMBOLS, {{'A', 2}, {'B', 2}, {REPEAT_LAST_MATCH, 1}}),
                        StreamBytes(DISTANCE_SYMBOLS, 0), StreamBytes(LENGTH_SYMBOLS, 0));
    stream.literals("AB");
    ASSERT_EQ(stream.bits.bitCount() % 8, 0u);
    ArchiveWriter writer;
    writer.addStoredFile("short.bin", stream.bits.bytes());
    std::vector<unsigned char> bytes = writer.finish();
    const size_t block = dataOffsetOf(bytes, "short.bin") - FILE_HEADER_SIZE - 9;
    const unsigned char padded[4] = {'A', 'B', 0, 0};
    const uint32_t crc = crc32Of(padded, sizeof padded);
    for (int i = 0; i < 4; ++i) {
        bytes[block + 11 + i] = static_cast<unsigned char>(i == 0 ? 4 : 0);
        bytes[block + 16 + i] = static_cast<unsigned char>(crc >> (8 * i));
    }
    bytes[block + 25] = 0x33;
    ResourceArchive archive = viewOf(bytes);
    const Extracted out = extract(archive, "short.bin");
    EXPECT_EQ(out.result, 0);
    EXPECT_EQ(out.size, 0u);
}

TEST(UnpackReuse, EachExtractionStartsFromAClearWindowWhateverTheCallBeforeLeft) {
    // A long distance at the start reads the window's far end, which is clear for
    // a call of its own even after a call that filled the whole window.
    StreamWriter stream;
    stream.normalTables(lengthsOf(MAIN_SYMBOLS, {{'A', 2}, {'B', 2}, {261, 1}}),
                        StreamBytes(DISTANCE_SYMBOLS, 0), StreamBytes(LENGTH_SYMBOLS, 0));
    stream.literals("A");
    stream.symbol(261);
    stream.bits.put(3, 2); // distance 4 from position 1
    stream.literals("B");
    const std::vector<unsigned char> expected = {'A', 0, 0, 'B'};
    ArchiveWriter crafted;
    crafted.addFile("wrap.bin", expected, PackedEntry{0x33, false, stream.bits.bytes()});
    const std::vector<unsigned char> craftedBytes = crafted.finish();

    std::vector<unsigned char> filler(WINDOW_SIZE + 5000);
    for (size_t i = 0; i < filler.size(); ++i)
        filler[i] = static_cast<unsigned char>(i * 7 + i / 251);
    ArchiveWriter full;
    full.addFile("full.bin", filler, Compressor(PackOptions{}).pack(filler));
    const std::vector<unsigned char> fullBytes = full.finish();

    for (int round = 0; round < 2; ++round) {
        ResourceArchive fullArchive = viewOf(fullBytes);
        const Extracted big = extract(fullArchive, "full.bin");
        ASSERT_EQ(big.result, 1);
        ASSERT_EQ(big.size, filler.size());
        ResourceArchive craftedArchive = viewOf(craftedBytes);
        const Extracted out = extract(craftedArchive, "wrap.bin");
        ASSERT_EQ(out.result, 1) << round;
        EXPECT_EQ(std::vector<unsigned char>(out.bytes.get(), out.bytes.get() + out.size),
                  expected);
    }
}

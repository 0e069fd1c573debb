#include "ArchiveWriter.h"
#include "TestSupport.h"
#include "archive/Crc32.h"
#include "platform/EmbeddedArchive.h"
#include "platform/Resources.h"

#include <cstring>
#include <memory>
#include <sys/mman.h>

namespace {

Bytes bytesOf(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

// An archive of stored entries, as the packer writes it.
Bytes makeArchive() {
    ArchiveWriter writer;
    writer.addDirectory("data");
    writer.addStoredFile("data\\lava.png", bytesOf("lava pixels"));
    writer.addStoredFile("DATA\\SCRIPT.TXT", bytesOf("[a]\r\nClearLayer\r\n0\r\n1\r\n@\r\n"));
    writer.addStoredFile("data\\set_18.mp3", bytesOf("music"));
    writer.addStoredFile("data\\empty.txt", Bytes());
    return writer.finish();
}

// Offset of the first byte of an entry's data.
size_t dataOffsetOf(const Bytes& archive, const std::string& content) {
    const auto found = std::search(archive.begin(), archive.end(), content.begin(), content.end());
    return static_cast<size_t>(found - archive.begin());
}

constexpr size_t HEADER_SIZE_FIELD = 5;
constexpr size_t PACKED_SIZE_FIELD = 7;

// Sets a little-endian field of the block header at block.
void setField(unsigned char* block, size_t field, uint64_t value, unsigned width) {
    for (unsigned i = 0; i < width; ++i)
        block[field + i] = static_cast<unsigned char>(value >> (8 * i));
}

// Memory for an archive of the largest size the reader addresses, mapped
// without backing store: only the pages written to take memory.
struct Unmap {
    void operator()(unsigned char* bytes) const { munmap(bytes, MAX_ARCHIVE_SIZE); }
};
std::unique_ptr<unsigned char, Unmap> mapLargestArchive() {
    void* mapped = mmap(nullptr, MAX_ARCHIVE_SIZE, PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    return std::unique_ptr<unsigned char, Unmap>(
        mapped == MAP_FAILED ? nullptr : static_cast<unsigned char*>(mapped));
}

} // namespace

TEST(Crc32, KnownValues) {
    const char* text = "123456789";
    EXPECT_EQ(crc32Of(reinterpret_cast<const unsigned char*>(text), 9), 0xCBF43926u);
    EXPECT_EQ(crc32Of(nullptr, 0), 0u);
}

TEST(ArchiveRead, IsAllOrNothingAndStaysInsideTheData) {
    const Bytes bytes = bytesOf("abcdef");
    ResourceArchive archive = viewOf(bytes);
    char out[8] = {};
    archive.offset = 4;
    EXPECT_EQ(archive.read(out, 3), 0u);
    EXPECT_EQ(archive.offset, 4u);
    EXPECT_EQ(archive.read(out, 0), 0u);
    EXPECT_EQ(archive.read(out, 2), 2u);
    EXPECT_EQ(std::string(out, 2), "ef");
    EXPECT_EQ(archive.offset, 6u);
    archive.offset = 0xFFFFFFF0u; // far beyond the end: no wrap into the data
    EXPECT_EQ(archive.read(out, 0x20), 0u);
}

TEST(ArchiveLookup, NameFormsIgnoreCaseAndSeparators) {
    const Bytes bytes = makeArchive();
    ResourceArchive archive = viewOf(bytes);
    for (const char* name : {"data\\script.txt", "data/script.txt", "data_script.txt",
                             "DATA\\SCRIPT.TXT", "Data/Script.Txt"}) {
        const Extracted out = extract(archive, name);
        EXPECT_EQ(out.result, 1) << name;
        EXPECT_EQ(out.text(), "[a]\r\nClearLayer\r\n0\r\n1\r\n@\r\n") << name;
    }
    EXPECT_EQ(extract(archive, "Data/Set_18.MP3").text(), "music");
    EXPECT_FALSE(archiveNamesMatch("data\\script.tx", "DATA\\SCRIPT.TXT"));
    EXPECT_FALSE(archiveNamesMatch("data\\script.txt ", "DATA\\SCRIPT.TXT"));
}

TEST(ArchiveLookup, EveryLetterMatchesItsCapitalAndTheirNeighboursStayApart) {
    const char* lower = "abcdefghijklmnopqrstuvwxyz";
    const char* upper = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    EXPECT_TRUE(archiveNamesMatch(lower, upper));
    EXPECT_TRUE(archiveNamesMatch(upper, lower));
    // The characters just before and after each alphabet are not letters.
    EXPECT_FALSE(archiveNamesMatch("`", "@"));
    EXPECT_FALSE(archiveNamesMatch("{", "["));
}

TEST(ArchiveLookup, MissingNameAndMissingResourceFail) {
    const Bytes bytes = makeArchive();
    ResourceArchive archive = viewOf(bytes);
    Extracted out = extract(archive, "data\\nothing.png");
    EXPECT_EQ(out.result, 0);
    EXPECT_EQ(out.bytes, nullptr);
    EXPECT_EQ(out.size, 0u);

    unregisterResource(ARCHIVE_RESOURCE_TYPE, 4711);
    ResourceArchive missing;
    openResourceArchive(missing, 4711);
    EXPECT_EQ(missing.data, nullptr);
    EXPECT_EQ(missing.size, 0u);
    out = extract(missing, "data\\lava.png");
    EXPECT_EQ(out.result, 0);
    EXPECT_EQ(out.size, 0u);
}

TEST(ArchiveLookup, RegisteredResourceIsFoundById) {
    const Bytes bytes = makeArchive();
    registerResource(ARCHIVE_RESOURCE_TYPE, 4712, bytes.data(),
                     static_cast<uint32_t>(bytes.size()));
    ResourceArchive archive;
    openResourceArchive(archive, 4712);
    EXPECT_EQ(extract(archive, "data\\lava.png").text(), "lava pixels");
    unregisterResource(ARCHIVE_RESOURCE_TYPE, 4712);
}

TEST(ArchiveExtraction, EmptyEntryAndIndependentBuffers) {
    const Bytes bytes = makeArchive();
    ResourceArchive archive = viewOf(bytes);
    const Extracted empty = extract(archive, "data\\empty.txt");
    EXPECT_EQ(empty.result, 1);
    EXPECT_EQ(empty.size, 0u);
    EXPECT_NE(empty.bytes, nullptr);

    const Extracted first = extract(archive, "data\\lava.png");
    const Extracted second = extract(archive, "data\\lava.png");
    ASSERT_EQ(first.result, 1);
    ASSERT_EQ(second.result, 1);
    EXPECT_NE(first.bytes.get(), second.bytes.get());
    first.bytes.get()[0] = 'X';
    EXPECT_EQ(second.text(), "lava pixels");
}

TEST(ArchiveExtraction, FlippedByteFailsOnlyThatEntry) {
    Bytes bytes = makeArchive();
    bytes[dataOffsetOf(bytes, "lava pixels") + 3] ^= 0x01;
    ResourceArchive archive = viewOf(bytes);
    const Extracted broken = extract(archive, "data\\lava.png");
    EXPECT_EQ(broken.result, 0);
    EXPECT_EQ(broken.bytes, nullptr);
    EXPECT_EQ(broken.size, 0u);
    EXPECT_EQ(extract(archive, "data\\set_18.mp3").text(), "music");
}

TEST(ArchiveExtraction, PassPhraseDoesNotMatterForPlainEntries) {
    const Bytes bytes = makeArchive();
    ResourceArchive archive = viewOf(bytes);
    EXPECT_EQ(extract(archive, "data\\lava.png", nullptr).text(), "lava pixels");
    EXPECT_EQ(extract(archive, "data\\lava.png", "wombling").text(), "lava pixels");
}

TEST(ArchiveExtraction, EveryTruncationFailsCleanly) {
    const Bytes whole = makeArchive();
    const size_t musicEnd = dataOffsetOf(whole, "music") + 5;
    for (size_t length = 0; length < musicEnd; ++length) {
        const Bytes cut(whole.begin(), whole.begin() + static_cast<long>(length));
        ResourceArchive archive = viewOf(cut);
        const Extracted out = extract(archive, "data\\set_18.mp3");
        EXPECT_EQ(out.result, 0) << length;
        EXPECT_EQ(out.size, 0u) << length;
    }
}

TEST(ArchiveExtraction, BadMarkersAndHeadersFail) {
    Bytes bytes = makeArchive();
    Bytes alternate = bytes;
    std::memcpy(alternate.data(), "Qorvex!", 7);
    ResourceArchive accepted = viewOf(alternate);
    EXPECT_EQ(extract(accepted, "data\\lava.png").result, 1);

    bytes[0] = 'r';
    ResourceArchive wrongMarker = viewOf(bytes);
    EXPECT_EQ(extract(wrongMarker, "data\\lava.png").result, 0);

    // A block whose header size is below 7 stops the walk.
    Bytes shortHeader = makeArchive();
    const size_t firstBlock = MARKER_SIZE + MAIN_HEADER_SIZE;
    shortHeader[firstBlock + 5] = 6;
    shortHeader[firstBlock + 6] = 0;
    ResourceArchive stopped = viewOf(shortHeader);
    EXPECT_EQ(extract(stopped, "data\\lava.png").result, 0);

    // A header size smaller than the name it carries is malformed.
    Bytes overlapping = makeArchive();
    overlapping[firstBlock + 5] = 20;
    ResourceArchive malformed = viewOf(overlapping);
    EXPECT_EQ(extract(malformed, "data").result, 0);
}

TEST(ArchiveExtraction, HugeSizesInAHeaderStayInsideTheData) {
    Bytes bytes = makeArchive();
    const size_t block = dataOffsetOf(bytes, "data\\lava.png") - FILE_HEADER_SIZE;
    for (size_t field : {size_t{7}, size_t{11}})
        std::memset(bytes.data() + block + field, 0xFF, 4);
    ResourceArchive archive = viewOf(bytes);
    const Extracted out = extract(archive, "data\\lava.png");
    EXPECT_EQ(out.result, 0);
    EXPECT_EQ(extract(archive, "data\\set_18.mp3").result, 0); // the walk cannot get past it
}

TEST(ArchiveLimits, LongestNameAndLargestHeaderAreRead) {
    // A name of the most bytes the reader keeps, in a header grown to the
    // largest size its 16-bit field holds (the bytes after the name are passed over).
    const std::string longest(MAX_NAME_SIZE, 'n');
    ArchiveWriter writer;
    writer.addStoredFile(longest, bytesOf("payload"));
    writer.addStoredFile("after", bytesOf("next"));
    Bytes bytes = writer.finish();
    const size_t block = MARKER_SIZE + MAIN_HEADER_SIZE;
    setField(&bytes[block], HEADER_SIZE_FIELD, UINT16_MAX, 2);
    bytes.insert(bytes.begin() + block + FILE_HEADER_SIZE + MAX_NAME_SIZE,
                 UINT16_MAX - FILE_HEADER_SIZE - MAX_NAME_SIZE, 'x');
    ResourceArchive archive = viewOf(bytes);
    std::vector<std::string> names;
    EXPECT_TRUE(forEachArchiveEntry(
        archive, [&](const ArchiveFileHeader& header) { names.push_back(header.name); }));
    EXPECT_EQ(names, (std::vector<std::string>{longest, "after"}));
    EXPECT_EQ(extract(archive, longest.c_str()).text(), "payload");
    EXPECT_EQ(extract(archive, "after").text(), "next");
}

TEST(ArchiveLimits, LargestHeaderAtTheEndOfTheLargestArchiveReadsNoDataBeyondIt) {
    // The first entry's packed size carries the walk to the last block of an
    // archive of the largest size. Read in place, that block extracts; with the
    // largest header size its data would lie past the end, where a 32-bit
    // offset wraps round to the start (four zero bytes, as its CRC expects).
    const auto large = mapLargestArchive();
    if (!large)
        GTEST_SKIP() << "no address space for a 4 GiB mapping";
    ArchiveWriter writer;
    writer.addStoredFile("skip", Bytes());
    writer.addStoredFile("last", Bytes(4, 0));
    const Bytes small = writer.finish();
    const size_t lastBlock = dataOffsetOf(small, "last") - FILE_HEADER_SIZE;
    const size_t lastSize = FILE_HEADER_SIZE + 4 + 4;
    const size_t movedTo = MAX_ARCHIVE_SIZE - lastSize;
    std::copy(small.begin(), small.begin() + lastBlock, large.get());
    std::copy(small.begin() + lastBlock, small.begin() + lastBlock + lastSize,
              large.get() + movedTo);
    setField(large.get() + MARKER_SIZE + MAIN_HEADER_SIZE, PACKED_SIZE_FIELD, movedTo - lastBlock,
             4);
    ResourceArchive archive;
    archive.data = large.get();
    archive.size = static_cast<uint32_t>(MAX_ARCHIVE_SIZE);
    ASSERT_EQ(extract(archive, "last").result, 1);
    setField(large.get() + movedTo, HEADER_SIZE_FIELD, UINT16_MAX, 2);
    EXPECT_EQ(extract(archive, "last").result, 0);
}

TEST(ArchiveListing, VisitsEveryFileBlockInOrder) {
    const Bytes bytes = makeArchive();
    ResourceArchive archive = viewOf(bytes);
    std::vector<std::string> names;
    EXPECT_TRUE(forEachArchiveEntry(
        archive, [&](const ArchiveFileHeader& header) { names.push_back(header.name); }));
    EXPECT_EQ(names, (std::vector<std::string>{"data", "data\\lava.png", "DATA\\SCRIPT.TXT",
                                               "data\\set_18.mp3", "data\\empty.txt"}));
}

TEST(ArchiveListing, TellsTheCleanEndFromABadBlockHeader) {
    Bytes bytes = makeArchive();
    const auto names = [](const Bytes& archiveBytes, uint32_t* stoppedAt) {
        ResourceArchive archive = viewOf(archiveBytes);
        std::vector<std::string> seen;
        const bool whole = forEachArchiveEntry(
            archive, [&](const ArchiveFileHeader& header) { seen.push_back(header.name); });
        *stoppedAt = archive.offset;
        return whole ? seen : std::vector<std::string>{"stopped"};
    };
    uint32_t stoppedAt = 0;
    // A short end-of-archive block after the last entry is a clean end.
    Bytes ended = bytes;
    ended.insert(ended.end(), {0x3D, 0x7B, 0x7B, 0x00, 0x40, 0x07, 0x00});
    EXPECT_EQ(names(ended, &stoppedAt).size(), 5u);
    // The third block's header size is set below the 7 of any header.
    const size_t third = dataOffsetOf(bytes, "DATA\\SCRIPT.TXT") - FILE_HEADER_SIZE;
    bytes[third + 5] = 3;
    bytes[third + 6] = 0;
    EXPECT_EQ(names(bytes, &stoppedAt), std::vector<std::string>{"stopped"});
    EXPECT_EQ(stoppedAt, third);
    // A header cut off by the end of the data is damage too, as is no archive.
    Bytes cut = makeArchive();
    cut.resize(third + 20);
    EXPECT_EQ(names(cut, &stoppedAt), std::vector<std::string>{"stopped"});
    EXPECT_EQ(stoppedAt, third);
    EXPECT_EQ(names(bytesOf("not an archive at all, just text"), &stoppedAt),
              std::vector<std::string>{"stopped"});
    EXPECT_EQ(stoppedAt, 0u);
}

TEST(RealArchives, StoredEntriesWithCommentsExtract) {
    LOAD_TESTDATA_OR_SKIP(bytes, "rar/rar202-comment-nopsw.rar");
    ResourceArchive archive = viewOf(bytes);
    const Extracted file = extract(archive, "FILE1.TXT");
    ASSERT_EQ(file.result, 1);
    EXPECT_EQ(file.size, 7u);
    EXPECT_EQ(crc32Of(file.bytes.get(), file.size), 0x7A197DBAu);
}

TEST(RealArchives, EncryptedEntriesFail) {
    LOAD_TESTDATA_OR_SKIP(bytes, "rar/rar202-comment-psw.rar");
    ResourceArchive archive = viewOf(bytes);
    std::vector<std::string> names;
    forEachArchiveEntry(archive, [&](const ArchiveFileHeader& header) {
        if (!isDirectoryEntry(header))
            names.push_back(header.name);
    });
    ASSERT_FALSE(names.empty());
    for (const std::string& name : names) {
        const Extracted out = extract(archive, name.c_str());
        EXPECT_EQ(out.result, 0) << name;
        EXPECT_EQ(out.size, 0u) << name;
    }
}

TEST(RealArchives, OlderFormatStoredEntryExtracts) {
    LOAD_TESTDATA_OR_SKIP(bytes, "rar/rar15-comment.rar");
    ResourceArchive archive = viewOf(bytes);
    int stored = 0;
    std::vector<ArchiveFileHeader> headers;
    forEachArchiveEntry(archive,
                        [&](const ArchiveFileHeader& header) { headers.push_back(header); });
    for (const ArchiveFileHeader& header : headers) {
        if (header.method != METHOD_STORED)
            continue;
        ++stored;
        const Extracted out = extract(archive, header.name);
        EXPECT_EQ(out.result, 1) << header.name;
        EXPECT_EQ(crc32Of(out.bytes.get(), out.size), header.fileCrc) << header.name;
    }
    EXPECT_GT(stored, 0);
}

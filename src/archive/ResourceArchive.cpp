#include "archive/ResourceArchive.h"

#include "archive/Crc32.h"
#include "archive/PackedFormat.h"
#include "archive/UnpackState.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

void parseFileHeader(const unsigned char* bytes, ArchiveFileHeader& header) {
    header.headerCrc = readLittle16(bytes);
    header.headerType = bytes[2];
    header.flags = readLittle16(bytes + 3);
    header.headerSize = readLittle16(bytes + 5);
    header.packedSize = readLittle32(bytes + 7);
    header.unpackedSize = readLittle32(bytes + 11);
    header.hostSystem = bytes[15];
    header.fileCrc = readLittle32(bytes + 16);
    header.fileTime = readLittle32(bytes + 20);
    header.unpackVersion = bytes[24];
    header.method = bytes[25];
    header.nameSize = readLittle16(bytes + 26);
    header.attributes = readLittle32(bytes + 28);
}

void parseMainHeader(const unsigned char* bytes, ArchiveMainHeader& header) {
    header.headerCrc = readLittle16(bytes);
    header.headerType = bytes[2];
    header.flags = readLittle16(bytes + 3);
    header.headerSize = readLittle16(bytes + 5);
}

uint32_t ResourceArchive::read(void* destination, uint32_t count) {
    if (count == 0 || count > size || offset > size - count)
        return 0;
    std::memcpy(destination, data + offset, count);
    offset += count;
    return count;
}

namespace {

// Bytes an output buffer has behind the entry: the unpacker's room to unpack
// into the buffer itself, which also holds the zero after the entry.
constexpr uint32_t OUTPUT_ROOM = UnpackState::OUTPUT_SLACK;

// Upper case, with backslash and slash turned into underscore.
std::string lookupKey(const char* name) {
    std::string key(name);
    for (char& c : key) {
        if (c == '\\' || c == '/')
            c = '_';
        else if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return key;
}

// A block found by the block reader: its header and where its data and the next
// block start.
struct ArchiveBlock {
    ArchiveFileHeader header;
    uint32_t dataOffset = 0;
    uint32_t nextOffset = 0;
};

uint32_t clampOffset(uint64_t offset, uint32_t size) {
    return static_cast<uint32_t>(std::min<uint64_t>(offset, size));
}

// What the block reader found: a file or end block, the clean end of the data,
// or a block header that cannot be right (the archive is damaged there).
enum class BlockRead { Found, EndOfData, BadHeader };

// Fewer than a file header's 32 bytes remain at the offset. Nothing at all is
// the clean end; so is a short block other than a file block that fits what
// remains (an end-of-archive marker, say), which is passed over. Anything else
// is a header cut short.
BlockRead readShortTail(ResourceArchive& archive) {
    const uint32_t start = archive.offset;
    const uint32_t remaining = archive.size - start;
    if (remaining == 0)
        return BlockRead::EndOfData;
    unsigned char bytes[MIN_BLOCK_HEADER_SIZE];
    if (archive.read(bytes, MIN_BLOCK_HEADER_SIZE) == 0)
        return BlockRead::BadHeader;
    const uint16_t headerSize = readLittle16(bytes + 5);
    if (bytes[2] == FILE_BLOCK_TYPE || headerSize < MIN_BLOCK_HEADER_SIZE ||
        headerSize > remaining) {
        archive.offset = start;
        return BlockRead::BadHeader;
    }
    archive.offset = start + headerSize;
    return archive.offset == archive.size ? BlockRead::EndOfData : readShortTail(archive);
}

// Reads blocks from the current offset until a file block or an end block. On
// a bad header the offset is left at the start of the block that has it.
BlockRead readArchiveBlock(ResourceArchive& archive, ArchiveBlock& block) {
    for (;;) {
        const uint32_t start = archive.offset;
        std::array<unsigned char, FILE_HEADER_SIZE> bytes;
        if (archive.read(bytes.data(), FILE_HEADER_SIZE) == 0)
            return readShortTail(archive);
        ArchiveFileHeader& header = block.header;
        parseFileHeader(bytes.data(), header);
        archive.offset = start;
        if (header.headerSize < MIN_BLOCK_HEADER_SIZE)
            return BlockRead::BadHeader;
        uint64_t next = uint64_t{start} + header.headerSize;
        if (header.flags & BLOCK_FLAG_LONG)
            next += header.packedSize;
        block.nextOffset = clampOffset(next, archive.size);
        if (header.headerType == END_BLOCK_TYPE)
            return BlockRead::Found;
        if (header.headerType != FILE_BLOCK_TYPE) {
            archive.offset = block.nextOffset;
            continue;
        }
        const unsigned nameSize = std::min<unsigned>(header.nameSize, MAX_NAME_SIZE);
        // The data starts where the header says, after any fields behind the name;
        // a header too short for its own name is malformed.
        if (header.headerSize < FILE_HEADER_SIZE + nameSize)
            return BlockRead::BadHeader;
        archive.offset = start + FILE_HEADER_SIZE;
        if (nameSize > 0 && archive.read(header.name, nameSize) == 0) {
            archive.offset = start;
            return BlockRead::BadHeader;
        }
        header.name[nameSize] = '\0';
        // Near the end of the largest archive the sum passes 32 bits: kept at the
        // end, the data is then missing rather than read from the start.
        block.dataOffset = clampOffset(uint64_t{start} + header.headerSize, archive.size);
        archive.offset = block.dataOffset;
        return BlockRead::Found;
    }
}

// Checks the marker and skips the main header. False when the data is no archive.
bool readArchiveStart(ResourceArchive& archive, ArchiveMainHeader& mainHeader) {
    archive.offset = 0;
    unsigned char marker[MARKER_SIZE];
    if (archive.read(marker, MARKER_SIZE) == 0)
        return false;
    if (std::memcmp(marker, ARCHIVE_MARKER, MARKER_SIZE) != 0 &&
        std::memcmp(marker, ALTERNATE_MARKER, MARKER_SIZE) != 0)
        return false;
    unsigned char bytes[MAIN_HEADER_SIZE];
    if (archive.read(bytes, MAIN_HEADER_SIZE) == 0)
        return false;
    parseMainHeader(bytes, mainHeader);
    if (mainHeader.headerSize > MAIN_HEADER_SIZE)
        archive.offset = clampOffset(
            uint64_t{archive.offset} + mainHeader.headerSize - MAIN_HEADER_SIZE, archive.size);
    return true;
}

// The work state of one extraction call.
struct Extraction {
    std::string requestKey;
    std::array<char, 255> passPhrase{};
    unsigned char* output = nullptr;
    uint32_t* outputCount = nullptr;
    bool solidArchive = false;
    // The unpacker with its window, made at the first packed entry of the call.
    std::unique_ptr<UnpackState> unpacker;

    ~Extraction() {
        // The pass phrase must not linger in memory.
        volatile char* secret = passPhrase.data();
        for (size_t i = 0; i < passPhrase.size(); ++i)
            secret[i] = 0;
    }
};

// The entry's data as far as the archive holds it.
uint32_t availableData(const ResourceArchive& archive, const ArchiveBlock& block) {
    const uint32_t start = std::min(block.dataOffset, archive.size);
    return std::min(block.header.packedSize, archive.size - start);
}

// Unpacks one stored entry into the output (only when it is the requested one).
bool unpackStored(ResourceArchive& archive, const ArchiveBlock& block, bool requested,
                  Extraction& work) {
    const ArchiveFileHeader& header = block.header;
    if (!requested || header.unpackedSize == 0)
        return true;
    const uint32_t count = std::min(header.packedSize, header.unpackedSize);
    archive.offset = block.dataOffset;
    *work.outputCount = archive.read(work.output, count);
    return *work.outputCount == count;
}

// Decodes one packed entry straight from the archive's bytes; the output only
// receives the requested entry, the others carry a solid archive's state forward.
bool unpackPacked(ResourceArchive& archive, const ArchiveBlock& block, bool requested,
                  Extraction& work) {
    if (!work.unpacker)
        work.unpacker = UnpackState::create();
    if (!work.unpacker)
        return false;
    const ArchiveFileHeader& header = block.header;
    uint32_t skippedCount = 0;
    const UnpackResult result = work.unpacker->unpackEntry(
        archive.data + block.dataOffset, availableData(archive, block), header.unpackedSize,
        (header.flags & FILE_FLAG_SOLID) != 0, requested ? work.output : nullptr,
        requested ? *work.outputCount : skippedCount,
        requested ? uint64_t{header.unpackedSize} + OUTPUT_ROOM : 0);
    if (requested)
        work.output[header.unpackedSize] = 0; // the unpacking may have used the room
    return result != UnpackResult::OutOfMemory;
}

// Unpacks the entry of block (the requested one, or any entry of a solid archive)
// and checks the size and CRC of the requested one.
bool unpackEntry(ResourceArchive& archive, const ArchiveBlock& block, bool requested,
                 Extraction& work) {
    const ArchiveFileHeader& header = block.header;
    if (header.unpackVersion < MIN_UNPACK_VERSION || header.unpackVersion > MAX_UNPACK_VERSION)
        return false;
    // No cipher is implemented: encrypted entries cannot be unpacked.
    if (header.flags & FILE_FLAG_ENCRYPTED)
        return false;
    const bool unpacked = header.method == METHOD_STORED
                              ? unpackStored(archive, block, requested, work)
                              : unpackPacked(archive, block, requested, work);
    if (!unpacked)
        return false;
    return !requested || (*work.outputCount == header.unpackedSize &&
                          crc32Of(work.output, header.unpackedSize) == header.fileCrc);
}

// The most bytes an entry's data can hold: stored bytes as they are, packed ones
// at most a longest match per bit. A header that claims more is corrupt, and its
// output buffer is not allocated.
bool plausibleSize(const ResourceArchive& archive, const ArchiveBlock& block) {
    const uint64_t available = availableData(archive, block);
    const uint64_t most =
        block.header.method == METHOD_STORED ? available : available * 8 * MAX_MATCH_LENGTH;
    return block.header.unpackedSize <= most;
}

bool walkArchive(ResourceArchive& archive, Extraction& work) {
    ArchiveMainHeader mainHeader;
    if (!readArchiveStart(archive, mainHeader))
        return false;
    work.solidArchive = (mainHeader.flags & MAIN_FLAG_SOLID) != 0;
    ArchiveBlock block;
    while (readArchiveBlock(archive, block) == BlockRead::Found &&
           block.header.headerType != END_BLOCK_TYPE) {
        const bool requested = lookupKey(block.header.name) == work.requestKey;
        if (requested) {
            if (!plausibleSize(archive, block))
                return false;
            // Room behind the entry, where the unpacker may work in the buffer
            // itself; its first byte is kept zero, so that an empty entry still
            // gets a buffer of its own. The rest needs no clearing: a call
            // succeeds only once every byte of the entry is written, and frees
            // the buffer otherwise.
            const size_t size = block.header.unpackedSize;
            work.output = static_cast<unsigned char*>(std::malloc(size + OUTPUT_ROOM));
            if (!work.output)
                return false;
            work.output[size] = 0;
            *work.outputCount = 0;
        }
        if ((requested || work.solidArchive) && !unpackEntry(archive, block, requested, work))
            return false;
        archive.offset = block.nextOffset;
        if (requested)
            return true;
    }
    return false;
}

} // namespace

bool archiveNamesMatch(const char* requested, const char* stored) {
    return lookupKey(requested) == lookupKey(stored);
}

int extractArchiveFile(unsigned char** outData, uint32_t* outSize, const char* fileName,
                       ResourceArchive& archive, const char* passPhrase) {
    Extraction work;
    work.requestKey = lookupKey(fileName);
    if (passPhrase)
        std::strncpy(work.passPhrase.data(), passPhrase, work.passPhrase.size() - 1);
    work.outputCount = outSize;
    *outSize = 0;
    if (walkArchive(archive, work)) {
        *outData = work.output;
        return 1;
    }
    std::free(work.output);
    *outData = nullptr;
    *outSize = 0;
    return 0;
}

bool forEachArchiveEntry(ResourceArchive& archive,
                         const std::function<void(const ArchiveFileHeader&)>& visit) {
    ArchiveMainHeader mainHeader;
    if (!readArchiveStart(archive, mainHeader)) {
        archive.offset = 0;
        return false;
    }
    ArchiveBlock block;
    for (;;) {
        const BlockRead read = readArchiveBlock(archive, block);
        if (read != BlockRead::Found)
            return read == BlockRead::EndOfData;
        if (block.header.headerType == END_BLOCK_TYPE)
            return true;
        visit(block.header);
        archive.offset = block.nextOffset;
    }
}

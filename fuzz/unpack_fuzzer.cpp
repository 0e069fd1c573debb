// Feeds the input to the unpacker as raw packed streams: the first four bytes
// give the unpacked sizes of two entries (two bytes each), the rest is split in
// two at its middle; the second entry continues the first as a solid entry.
// Checks that the unpacker stays inside its buffers and never writes past the
// entry's size.
#include "archive/UnpackState.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4)
        return 0;
    static std::unique_ptr<UnpackState> state;
    state = UnpackState::create(); // a fresh window for every input
    const uint32_t sizes[2] = {static_cast<uint32_t>(data[0] | data[1] << 8),
                               static_cast<uint32_t>(data[2] | data[3] << 8)};
    const uint8_t* packed = data + 4;
    const uint32_t halves[2] = {static_cast<uint32_t>((size - 4) / 2),
                                static_cast<uint32_t>(size - 4 - (size - 4) / 2)};
    for (int entry = 0; entry < 2; ++entry) {
        // Each entry's data in a block of its own, so that reading past it is caught.
        const std::vector<unsigned char> input(packed, packed + halves[entry]);
        // A spare byte behind the entry's size must stay untouched.
        std::vector<unsigned char> output(sizes[entry] + 1, 0xA5);
        uint32_t count = 0;
        state->unpackEntry(input.data(), halves[entry], sizes[entry], entry == 1, output.data(),
                           count);
        if (count > sizes[entry] || output[sizes[entry]] != 0xA5)
            std::abort();
        packed += halves[entry];
    }
    return 0;
}

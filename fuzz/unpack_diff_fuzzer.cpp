// Differential: the input's packed streams go through the fast unpacker and the
// plain reference one, which must agree on every entry: the same result, the
// same output count and the same bytes, also in the spare byte behind the
// output. An entry that starts clean is also unpacked in its output buffer
// itself. The input: two entries' unpacked sizes and the first entry's packed
// length (little-endian, two bytes each), a flags byte, then the two entries'
// packed bytes. The second entry continues the first as a solid one.
#include "archive/ReferenceUnpack.h"
#include "archive/UnpackState.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

constexpr size_t HEADER_SIZE = 7;
constexpr uint8_t FIRST_WITHOUT_OUTPUT = 1; // only carries the state on
constexpr uint8_t SECOND_WITHOUT_OUTPUT = 2;
constexpr uint8_t SECOND_STARTS_CLEAN = 4; // not solid
constexpr uint8_t SIZES_IN_32_BYTES = 8;   // so that long outputs wrap the window

struct Decoded {
    UnpackResult result;
    uint32_t count = 0;
    std::vector<unsigned char> output;
};

// An entry that starts clean, unpacked by the fast unpacker in its output buffer
// itself (given the room behind it), must give what the reference gave; the
// buffer's bytes past the count are its own.
void checkInOutput(UnpackState& state, const std::vector<unsigned char>& input, uint32_t size,
                   const Decoded& expected) {
    const size_t capacity = size + UnpackState::OUTPUT_SLACK;
    std::vector<unsigned char> output(capacity);
    uint32_t count = 0;
    const UnpackResult result = state.unpackEntry(input.data(), static_cast<uint32_t>(input.size()),
                                                  size, false, output.data(), count, capacity);
    if (result != expected.result || count != expected.count ||
        !std::equal(output.begin(), output.begin() + count, expected.output.begin()))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < HEADER_SIZE)
        return 0;
    const uint8_t flags = data[6];
    const uint32_t unit = (flags & SIZES_IN_32_BYTES) ? 32 : 1;
    const uint32_t sizes[2] = {(data[0] | data[1] << 8) * unit, (data[2] | data[3] << 8) * unit};
    const size_t available = size - HEADER_SIZE;
    const size_t firstLength = std::min<size_t>(data[4] | data[5] << 8, available);
    const size_t lengths[2] = {firstLength, available - firstLength};
    const bool withOutput[2] = {!(flags & FIRST_WITHOUT_OUTPUT), !(flags & SECOND_WITHOUT_OUTPUT)};
    const bool solid[2] = {false, !(flags & SECOND_STARTS_CLEAN)};

    // The states live on from input to input: the first entry starts clean, so
    // whatever the last input left must not show.
    static const std::unique_ptr<UnpackState> fast = UnpackState::create();
    static const std::unique_ptr<ReferenceUnpackState> reference = createReferenceUnpackState();
    static const std::unique_ptr<UnpackState> inOutput = UnpackState::create();
    const uint8_t* packed = data + HEADER_SIZE;
    for (int entry = 0; entry < 2; ++entry) {
        // Each entry's data in a block of its own, so that reading past it is caught.
        const std::vector<unsigned char> input(packed, packed + lengths[entry]);
        const uint32_t inputSize = static_cast<uint32_t>(input.size());
        Decoded decoded[2]; // fast, reference
        for (int which = 0; which < 2; ++which) {
            Decoded& out = decoded[which];
            out.output.assign(sizes[entry] + 1, 0xA5);
            unsigned char* output = withOutput[entry] ? out.output.data() : nullptr;
            out.result = which == 0
                             ? fast->unpackEntry(input.data(), inputSize, sizes[entry],
                                                 solid[entry], output, out.count)
                             : referenceUnpackEntry(*reference, input.data(), inputSize,
                                                    sizes[entry], solid[entry], output, out.count);
        }
        if (decoded[0].result != decoded[1].result || decoded[0].count != decoded[1].count ||
            decoded[0].output != decoded[1].output || decoded[0].output[sizes[entry]] != 0xA5)
            std::abort();
        if (withOutput[entry] && !solid[entry])
            checkInOutput(*inOutput, input, sizes[entry], decoded[1]);
        packed += lengths[entry];
    }
    return 0;
}

#include "AudioEncoder.h"

#include <cstdlib>

namespace {

constexpr unsigned ADAPT_PERIOD = 32;
constexpr int WEIGHT_FLOOR = -16;  // a weight decreases only while at least this
constexpr int WEIGHT_CEILING = 16; // and increases only while below this

// Moves one weight towards the predictor term with the smallest summed error.
void adaptWeights(ChannelPredictor& channel) {
    unsigned smallest = 0;
    for (unsigned i = 1; i < 11; ++i)
        if (channel.errorSums[i] < channel.errorSums[smallest])
            smallest = i;
    for (uint32_t& sum : channel.errorSums)
        sum = 0;
    if (smallest == 0)
        return;
    int& weight = channel.weights[(smallest - 1) / 2];
    if (smallest % 2 == 1) {
        if (weight >= WEIGHT_FLOOR)
            --weight;
    } else if (weight < WEIGHT_CEILING) {
        ++weight;
    }
}

} // namespace

uint8_t AudioEncoder::encodeByte(ChannelPredictor& channel, int& channelDelta, uint8_t byte) {
    ++channel.byteCount;
    int* d = channel.deltas;
    const int* k = channel.weights;
    d[3] = d[2];
    d[2] = d[1];
    d[1] = channel.lastDelta - d[0];
    d[0] = channel.lastDelta;
    const int sum = 8 * channel.lastByte + k[0] * d[0] + k[1] * d[1] + k[2] * d[2] + k[3] * d[3] +
                    k[4] * channelDelta;
    const uint8_t prediction = static_cast<uint8_t>(sum >> 3);
    const uint8_t symbol = static_cast<uint8_t>(prediction - byte);

    const int error = static_cast<int8_t>(symbol) * 8;
    const int terms[5] = {d[0], d[1], d[2], d[3], channelDelta};
    channel.errorSums[0] += std::abs(error);
    for (unsigned i = 0; i < 5; ++i) {
        channel.errorSums[2 * i + 1] += std::abs(error - terms[i]);
        channel.errorSums[2 * i + 2] += std::abs(error + terms[i]);
    }
    channel.lastDelta = static_cast<int8_t>(byte - channel.lastByte);
    channelDelta = channel.lastDelta;
    channel.lastByte = byte;
    if (channel.byteCount % ADAPT_PERIOD == 0)
        adaptWeights(channel);
    return symbol;
}

std::vector<uint8_t> AudioEncoder::encode(AudioEncoderState& state, unsigned channelCount,
                                          const uint8_t* data, size_t size) {
    std::vector<uint8_t> symbols(size);
    if (state.currentChannel >= channelCount)
        state.currentChannel = 0;
    for (size_t i = 0; i < size; ++i) {
        symbols[i] = encodeByte(state.channels[state.currentChannel], state.channelDelta, data[i]);
        state.currentChannel = (state.currentChannel + 1) % channelCount;
    }
    return symbols;
}

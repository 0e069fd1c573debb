#include "images/JpegImageReader.h"

// jpeglib.h needs FILE and size_t declared before it.
#include <cstddef>
#include <cstdio>

#include <jerror.h>
#include <jpeglib.h>

#include <algorithm>
#include <csetjmp>
#include <utility>
#include <vector>

namespace {

// The most libjpeg is handed per request for more input.
constexpr size_t CHUNK_BYTES = 4096;

// libjpeg's standard error manager, with fatal errors turned into a long jump
// back to the decoder instead of ending the process.
struct JpegErrorManager {
    jpeg_error_mgr standard; // first, so libjpeg's pointer is also ours
    std::jmp_buf recovery;
};

[[noreturn]] void jumpToRecovery(j_common_ptr info) {
    (*info->err->output_message)(info);
    std::longjmp(reinterpret_cast<JpegErrorManager*>(info->err)->recovery, 1);
}

// Feeds libjpeg straight from the caller's bytes, without copying. Past the end
// it supplies a fake end-of-image marker from a buffer of its own.
struct MemorySource {
    jpeg_source_mgr standard; // first, so libjpeg's pointer is also ours
    const unsigned char* data;
    size_t size;
    size_t consumed;
    bool started;
    JOCTET fakeEnd[2];
};

MemorySource* sourceOf(j_decompress_ptr info) {
    return reinterpret_cast<MemorySource*>(info->src);
}

void initSource(j_decompress_ptr info) {
    sourceOf(info)->started = false;
}

boolean fillInputBuffer(j_decompress_ptr info) {
    MemorySource* source = sourceOf(info);
    if (source->consumed < source->size) {
        const size_t count = std::min(CHUNK_BYTES, source->size - source->consumed);
        source->standard.next_input_byte = source->data + source->consumed;
        source->standard.bytes_in_buffer = count;
        source->consumed += count;
        source->started = true;
        return TRUE;
    }
    if (!source->started)
        ERREXIT(info, JERR_INPUT_EMPTY);
    WARNMS(info, JWRN_JPEG_EOF);
    source->fakeEnd[0] = 0xFF;
    source->fakeEnd[1] = JPEG_EOI;
    source->standard.next_input_byte = source->fakeEnd;
    source->standard.bytes_in_buffer = 2;
    return TRUE;
}

void skipInputData(j_decompress_ptr info, long count) {
    if (count <= 0)
        return;
    jpeg_source_mgr& standard = sourceOf(info)->standard;
    while (static_cast<size_t>(count) > standard.bytes_in_buffer) {
        count -= static_cast<long>(standard.bytes_in_buffer);
        fillInputBuffer(info);
    }
    standard.next_input_byte += count;
    standard.bytes_in_buffer -= static_cast<size_t>(count);
}

void termSource(j_decompress_ptr) {}

void installMemorySource(j_decompress_ptr info, const unsigned char* bytes, size_t size) {
    auto* source = static_cast<MemorySource*>((*info->mem->alloc_small)(
        reinterpret_cast<j_common_ptr>(info), JPOOL_PERMANENT, sizeof(MemorySource)));
    source->standard.init_source = initSource;
    source->standard.fill_input_buffer = fillInputBuffer;
    source->standard.skip_input_data = skipInputData;
    source->standard.resync_to_restart = jpeg_resync_to_restart;
    source->standard.term_source = termSource;
    source->standard.next_input_byte = nullptr;
    source->standard.bytes_in_buffer = 0;
    source->data = bytes;
    source->size = size;
    source->consumed = 0;
    source->started = false;
    info->src = &source->standard;
}

// The decompressor, destroyed with whatever it allocated. Zeroed first, so that
// destroying it is safe even when its creation failed.
struct JpegSession {
    jpeg_decompress_struct info{};
    JpegErrorManager errors{};

    JpegSession() {
        info.err = jpeg_std_error(&errors.standard);
        errors.standard.error_exit = jumpToRecovery;
    }
    ~JpegSession() { jpeg_destroy_decompress(&info); }
};

// Fatal libjpeg errors jump back into the function that set the recovery point,
// so the two functions below hold nothing with a destructor.

// Creates the decompressor over the bytes and starts it with libjpeg's default
// settings (colour pictures come out as RGB).
bool startDecompress(JpegSession& session, const unsigned char* bytes, size_t size) {
    if (setjmp(session.errors.recovery))
        return false;
    jpeg_create_decompress(&session.info);
    installMemorySource(&session.info, bytes, size);
    jpeg_read_header(&session.info, TRUE);
    // Starting allocates buffers as large as the picture (the whole image's
    // coefficients, for a progressive one): a picture too large for its pixel
    // block is refused before that, not after.
    if (!pixelBlockFits(session.info.image_width, session.info.image_height,
                        session.info.num_components))
        return false;
    jpeg_start_decompress(&session.info);
    return true;
}

bool readScanlines(JpegSession& session, JSAMPARRAY rows) {
    if (setjmp(session.errors.recovery))
        return false;
    jpeg_decompress_struct& info = session.info;
    while (info.output_scanline < info.output_height)
        jpeg_read_scanlines(&info, rows + info.output_scanline,
                            info.output_height - info.output_scanline);
    jpeg_finish_decompress(&info);
    return true;
}

} // namespace

bool JpegImageReader::decode(DecodedImage& image, const unsigned char* bytes, size_t size) {
    image = DecodedImage();
    JpegSession session;
    if (!startDecompress(session, bytes, size))
        return false;
    const JDIMENSION width = session.info.output_width;
    const JDIMENSION height = session.info.output_height;
    // libjpeg gives RGB for colour pictures; its only four-component output is
    // CMYK, which as RGBA would be wrong colours with ink for alpha.
    const int components = session.info.output_components;
    if (session.info.out_color_space != JCS_RGB || components != 3)
        return false;
    std::unique_ptr<unsigned char[]> pixels = allocatePixels(width, height, components);
    if (!pixels)
        return false;

    // The first scanline goes to the last row of the buffer: bottom-up.
    const size_t rowBytes = static_cast<size_t>(width) * components;
    std::vector<JSAMPROW> rows(height);
    for (JDIMENSION row = 0; row < height; ++row)
        rows[row] = pixels.get() + rowBytes * (height - 1 - row);
    if (!readScanlines(session, rows.data()))
        return false;

    image.pixels = std::move(pixels);
    image.width = static_cast<int32_t>(width);
    image.height = static_cast<int32_t>(height);
    image.isRgb = 1;
    return true;
}

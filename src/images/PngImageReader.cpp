#include "images/PngImageReader.h"

#include <png.h>

#include <cstring>
#include <utility>
#include <vector>

namespace {

// How much of the signature is compared before libpng takes over.
constexpr size_t SIGNATURE_BYTES = 4;

// The bytes libpng reads from; the cursor starts past the checked signature.
struct PngSource {
    const unsigned char* data;
    size_t size;
    size_t cursor;
};

// A read beyond the end of the data is a libpng error, so a truncated file fails.
void readFromSource(png_structp png, png_bytep out, png_size_t count) {
    auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
    if (count > source->size - source->cursor)
        png_error(png, "PNG data ends early");
    std::memcpy(out, source->data + source->cursor, count);
    source->cursor += count;
}

// libpng's read structure with the header and end information.
struct PngReadSession {
    png_structp png = nullptr;
    png_infop info = nullptr;
    png_infop endInfo = nullptr;

    PngReadSession() {
        png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        if (png) {
            info = png_create_info_struct(png);
            endInfo = png_create_info_struct(png);
        }
    }
    ~PngReadSession() { png_destroy_read_struct(&png, &info, &endInfo); }
    bool valid() const { return png && info && endInfo; }
};

struct PngLayout {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int channels = 0;
};

// libpng reports errors by a long jump back into the function that set the
// recovery point, so the two functions below hold nothing with a destructor.

// Reads the header and sets up the transforms. Only RGB and RGBA without a
// palette are accepted; 16-bit channels are reduced to 8 bits.
bool readLayout(PngReadSession& session, PngSource& source, PngLayout& layout) {
    if (setjmp(png_jmpbuf(session.png)))
        return false;
    png_set_read_fn(session.png, &source, readFromSource);
    png_set_sig_bytes(session.png, SIGNATURE_BYTES);
    png_read_info(session.png, session.info);

    png_colorp palette = nullptr;
    int paletteSize = 0;
    png_get_PLTE(session.png, session.info, &palette, &paletteSize);
    layout.channels = png_get_channels(session.png, session.info);
    if ((layout.channels != 3 && layout.channels != 4) || paletteSize != 0)
        return false;
    if (png_get_bit_depth(session.png, session.info) == 16)
        png_set_strip_16(session.png);
    png_set_interlace_handling(session.png);
    png_read_update_info(session.png, session.info);

    layout.width = png_get_image_width(session.png, session.info);
    layout.height = png_get_image_height(session.png, session.info);
    return png_get_rowbytes(session.png, session.info) ==
           static_cast<size_t>(layout.width) * layout.channels;
}

bool readRows(PngReadSession& session, png_bytepp rows) {
    if (setjmp(png_jmpbuf(session.png)))
        return false;
    png_read_image(session.png, rows);
    png_read_end(session.png, session.endInfo);
    return true;
}

} // namespace

bool PngImageReader::decode(DecodedImage& image, const unsigned char* bytes, size_t size) {
    image = DecodedImage();
    if (size < SIGNATURE_BYTES || png_sig_cmp(bytes, 0, SIGNATURE_BYTES) != 0)
        return false;
    PngReadSession session;
    if (!session.valid())
        return false;
    PngSource source{bytes, size, SIGNATURE_BYTES};
    PngLayout layout;
    if (!readLayout(session, source, layout))
        return false;
    std::unique_ptr<unsigned char[]> pixels =
        allocatePixels(layout.width, layout.height, layout.channels);
    if (!pixels)
        return false;

    // The file's top row goes to the last row of the buffer: bottom-up.
    const size_t rowBytes = static_cast<size_t>(layout.width) * layout.channels;
    std::vector<png_bytep> rows(layout.height);
    for (png_uint_32 row = 0; row < layout.height; ++row)
        rows[row] = pixels.get() + rowBytes * (layout.height - 1 - row);
    if (!readRows(session, rows.data()))
        return false;

    image.pixels = std::move(pixels);
    image.width = static_cast<int32_t>(layout.width);
    image.height = static_cast<int32_t>(layout.height);
    image.isRgb = layout.channels == 3 ? 1 : 0;
    return true;
}

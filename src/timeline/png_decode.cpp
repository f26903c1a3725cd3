#include "timeline/png_decode.h"

#include <png.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <string_view>

namespace {

constexpr double kScreenGamma = 2.2;
// Largest ancillary chunk libpng may buffer (text, profiles); pixel rows are not chunks.
constexpr png_alloc_size_t kMaxChunkBytes = png_alloc_size_t{8} << 20;

// libpng reports through these: errors jump back to the setjmp of the step that is running,
// warnings are dropped. A texture that fails to load is silent by design.
[[noreturn]] void onPngError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void onPngWarning(png_structp, png_const_charp) {}

struct MemorySource {
    const uint8_t* data;
    size_t size;
    size_t offset;
};

void readFromMemory(png_structp png, png_bytep out, size_t length) {
    auto* source = static_cast<MemorySource*>(png_get_io_ptr(png));
    if (length > source->size - source->offset) {
        png_error(png, "unexpected end of data");
    }
    std::memcpy(out, source->data + source->offset, length);
    source->offset += length;
}

class PngReader {
  public:
    PngReader() {
        png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, onPngError, onPngWarning);
        if (png_ != nullptr) {
            info_ = png_create_info_struct(png_);
        }
    }
    ~PngReader() {
        if (png_ != nullptr) {
            png_destroy_read_struct(&png_, info_ != nullptr ? &info_ : nullptr, nullptr);
        }
    }
    PngReader(const PngReader&) = delete;
    PngReader& operator=(const PngReader&) = delete;

    bool ok() const { return png_ != nullptr && info_ != nullptr; }
    png_structp png() const { return png_; }
    png_infop info() const { return info_; }

  private:
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
};

struct PngLayout {
    int width = 0;
    int height = 0;
    int channels = 0;
    size_t rowBytes = 0;
};

// Screen gamma in libpng's fixed point (1/100000), already range-checked by screenGammaFor.
png_fixed_point toFixed(double gamma) {
    return static_cast<png_fixed_point>(gamma * 1e5 + 0.5);
}

// Reads the header and sets up every conversion. The steps that may fail through libpng
// errors keep no locals of their own across setjmp: results go through the pointers.
bool readHeader(png_structp png, png_infop info, png_fixed_point screen, PngLayout* layout) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_set_user_limits(png, kMaxPngSide, kMaxPngSide);
    png_set_chunk_malloc_max(png, kMaxChunkBytes);
    // Chunks a texture never uses are skipped rather than decompressed.
    static const png_byte kSkipped[] = {'i', 'C', 'C', 'P', '\0', 's', 'P', 'L', 'T', '\0',
                                        't', 'E', 'X', 't', '\0', 'z', 'T', 'X', 't', '\0',
                                        'i', 'T', 'X', 't', '\0', 'e', 'X', 'I', 'f', '\0'};
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kSkipped, sizeof(kSkipped) / 5);
    png_read_info(png, info);

    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    if (width == 0 || height == 0 || int64_t{width} * height > kMaxPngPixels) {
        return false;
    }
    const int colorType = png_get_color_type(png, info);
    const int bitDepth = png_get_bit_depth(png, info);
    if (colorType == PNG_COLOR_TYPE_PALETTE) {
        png_set_palette_to_rgb(png);
    }
    if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) {
        png_set_expand_gray_1_2_4_to_8(png);
    }
    if (png_get_valid(png, info, PNG_INFO_tRNS) != 0) {
        png_set_tRNS_to_alpha(png);
    }
    if (bitDepth == 16) {
        png_set_scale_16(png);
    }
    if ((colorType & PNG_COLOR_MASK_COLOR) == 0) {
        png_set_gray_to_rgb(png);
    }
    png_fixed_point fileGamma = 0;
    if (png_get_gAMA_fixed(png, info, &fileGamma) == 0 || fileGamma <= 0) {
        fileGamma = toFixed(kDefaultFileGamma);
    }
    png_set_gamma_fixed(png, screen, fileGamma);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    layout->width = static_cast<int>(width);
    layout->height = static_cast<int>(height);
    layout->channels = png_get_channels(png, info);
    layout->rowBytes = png_get_rowbytes(png, info);
    return true;
}

bool readRows(png_structp png, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_read_image(png, rows);
    png_read_end(png, nullptr);
    return true;
}

// Decodes from whatever source the reader was given, then fits the sides to the texture rules.
bool decode(const PngReader& reader, int maxSide, DecodedImage& image) {
    PngLayout layout;
    if (!readHeader(reader.png(), reader.info(), toFixed(screenGamma()), &layout)) {
        return false;
    }
    if ((layout.channels != 3 && layout.channels != 4) ||
        layout.rowBytes != static_cast<size_t>(layout.width) * layout.channels) {
        return false;
    }
    const int targetWidth = textureSide(layout.width, maxSide);
    const int targetHeight = textureSide(layout.height, maxSide);
    if (int64_t{targetWidth} * targetHeight > kMaxPngPixels) {
        return false;
    }

    DecodedImage decoded;
    decoded.width = layout.width;
    decoded.height = layout.height;
    decoded.channels = layout.channels;
    decoded.pixels.resize(layout.rowBytes * layout.height);
    std::vector<png_bytep> rows(layout.height);
    for (int y = 0; y < layout.height; ++y) {
        rows[y] = decoded.pixels.data() + layout.rowBytes * y;
    }
    if (!readRows(reader.png(), rows.data())) {
        return false;
    }
    if (targetWidth == decoded.width && targetHeight == decoded.height) {
        image = std::move(decoded);
    } else {
        image = resampleNearest(decoded, targetWidth, targetHeight);
    }
    return true;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsIgnoringCase(std::string_view text, std::string_view word) {
    if (text.size() != word.size()) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (lower(text[i]) != word[i]) {
            return false;
        }
    }
    return true;
}

// "nan" or "nan(" letters, digits, '_' ")".
bool isNotANumber(std::string_view text) {
    if (text.size() < 3 || !equalsIgnoringCase(text.substr(0, 3), "nan")) {
        return false;
    }
    text.remove_prefix(3);
    if (text.empty()) {
        return true;
    }
    if (text.size() < 2 || text.front() != '(' || text.back() != ')') {
        return false;
    }
    for (const char c : text.substr(1, text.size() - 2)) {
        if (!isDigit(c) && !(lower(c) >= 'a' && lower(c) <= 'z') && c != '_') {
            return false;
        }
    }
    return true;
}
} // namespace

bool parseDouble(std::string_view text, double& value) {
    const bool negative = !text.empty() && text.front() == '-';
    std::string_view rest = negative ? text.substr(1) : text;
    if (equalsIgnoringCase(rest, "inf") || equalsIgnoringCase(rest, "infinity")) {
        const double infinity = std::numeric_limits<double>::infinity();
        value = negative ? -infinity : infinity;
        return true;
    }
    if (isNotANumber(rest)) {
        const double nan = std::numeric_limits<double>::quiet_NaN();
        value = negative ? -nan : nan;
        return true;
    }

    // The digits, the point and the exponent, checked by hand; strtod then rounds them, with
    // the point written as the C locale wants it.
    const char* point = std::localeconv()->decimal_point;
    std::string copy = negative ? "-" : "";
    std::size_t i = 0;
    int digits = 0;
    bool nonZero = false;
    bool seenPoint = false;
    for (; i < rest.size(); ++i) {
        const char c = rest[i];
        if (isDigit(c)) {
            ++digits;
            nonZero = nonZero || c != '0';
            copy += c;
        } else if (c == '.' && !seenPoint) {
            seenPoint = true;
            copy += point != nullptr && point[0] != '\0' ? point : ".";
        } else {
            break;
        }
    }
    if (digits == 0) {
        return false;
    }
    if (i < rest.size()) {
        if (lower(rest[i]) != 'e') {
            return false;
        }
        copy += 'e';
        ++i;
        if (i < rest.size() && (rest[i] == '+' || rest[i] == '-')) {
            copy += rest[i++];
        }
        if (i == rest.size()) {
            return false;
        }
        for (; i < rest.size(); ++i) {
            if (!isDigit(rest[i])) {
                return false;
            }
            copy += rest[i];
        }
    }
    char* end = nullptr;
    const double parsed = std::strtod(copy.c_str(), &end);
    if (end != copy.c_str() + copy.size() || std::isinf(parsed) || (parsed == 0.0 && nonZero)) {
        return false;
    }
    value = parsed;
    return true;
}

double screenGammaFor(const char* viewingGamma) {
    if (viewingGamma == nullptr) {
        return kScreenGamma;
    }
    const char* begin = viewingGamma;
    const char* end = begin + std::strlen(begin);
    auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (begin < end && isSpace(*begin)) {
        ++begin;
    }
    while (end > begin && isSpace(end[-1])) {
        --end;
    }
    double value = 0.0;
    if (!parseDouble(std::string_view(begin, static_cast<std::size_t>(end - begin)), value) ||
        !std::isfinite(value) || value <= 0.0) {
        return kScreenGamma;
    }
    const double gamma = kScreenGamma / value;
    return gamma >= 0.01 && gamma <= 100.0 ? gamma : kScreenGamma;
}

double screenGamma() {
    return screenGammaFor(std::getenv("VIEWING_GAMMA"));
}

int textureSide(int side, int maxSide) {
    int limit = 1;
    while (limit <= maxSide / 2) {
        limit *= 2;
    }
    int power = 1;
    while (power < side && power < limit) {
        power *= 2;
    }
    return power;
}

DecodedImage resampleNearest(const DecodedImage& image, int width, int height) {
    DecodedImage out;
    out.width = width;
    out.height = height;
    out.channels = image.channels;
    out.pixels.resize(static_cast<size_t>(width) * height * image.channels);
    const size_t pixelBytes = image.channels;
    for (int y = 0; y < height; ++y) {
        const int64_t sy = (int64_t{2} * y + 1) * image.height / (int64_t{2} * height);
        const uint8_t* sourceRow = image.pixels.data() + sy * image.width * pixelBytes;
        uint8_t* targetRow = out.pixels.data() + static_cast<size_t>(y) * width * pixelBytes;
        for (int x = 0; x < width; ++x) {
            const int64_t sx = (int64_t{2} * x + 1) * image.width / (int64_t{2} * width);
            std::memcpy(targetRow + x * pixelBytes, sourceRow + sx * pixelBytes, pixelBytes);
        }
    }
    return out;
}

DecodedImage halveImage(const DecodedImage& image) {
    DecodedImage out;
    out.width = std::max(1, image.width / 2);
    out.height = std::max(1, image.height / 2);
    out.channels = image.channels;
    out.pixels.resize(static_cast<size_t>(out.width) * out.height * out.channels);
    const int blockWidth = image.width / out.width;
    const int blockHeight = image.height / out.height;
    const int count = blockWidth * blockHeight;
    const int channels = image.channels;
    for (int y = 0; y < out.height; ++y) {
        for (int x = 0; x < out.width; ++x) {
            for (int c = 0; c < channels; ++c) {
                int sum = 0;
                for (int by = 0; by < blockHeight; ++by) {
                    const size_t row = static_cast<size_t>(y * blockHeight + by) * image.width;
                    for (int bx = 0; bx < blockWidth; ++bx) {
                        sum += image.pixels[(row + x * blockWidth + bx) * channels + c];
                    }
                }
                out.pixels[(static_cast<size_t>(y) * out.width + x) * channels + c] =
                    static_cast<uint8_t>((sum + count / 2) / count);
            }
        }
    }
    return out;
}

bool decodePngTexture(const char* path, int maxSide, DecodedImage& image) {
    if (path == nullptr) {
        return false;
    }
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path, "rb"));
    if (file == nullptr) {
        return false;
    }
    PngReader reader;
    if (!reader.ok()) {
        return false;
    }
    png_init_io(reader.png(), file.get());
    return decode(reader, maxSide, image);
}

bool decodePngTextureFromMemory(const uint8_t* data, size_t size, int maxSide,
                                DecodedImage& image) {
    if (data == nullptr && size != 0) {
        return false;
    }
    PngReader reader;
    if (!reader.ok()) {
        return false;
    }
    MemorySource source{data, size, 0};
    png_set_read_fn(reader.png(), &source, readFromMemory);
    return decode(reader, maxSide, image);
}

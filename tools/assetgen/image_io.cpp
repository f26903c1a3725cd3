#include "image_io.h"

#include <cstdio>
#include <cstdlib>

namespace assetgen {

namespace {

class BitWriter {
  public:
    void put(uint32_t bits, int count) { // least significant bit first
        acc_ |= static_cast<uint64_t>(bits) << filled_;
        filled_ += count;
        while (filled_ >= 8) {
            out.push_back(static_cast<uint8_t>(acc_ & 0xFF));
            acc_ >>= 8;
            filled_ -= 8;
        }
    }
    // Huffman codes go most significant bit first.
    void putCode(uint32_t code, int length) {
        uint32_t reversed = 0;
        for (int i = 0; i < length; ++i) {
            reversed = (reversed << 1) | ((code >> i) & 1);
        }
        put(reversed, length);
    }
    void flush() {
        if (filled_ > 0) {
            out.push_back(static_cast<uint8_t>(acc_ & 0xFF));
        }
        acc_ = 0;
        filled_ = 0;
    }
    std::vector<uint8_t> out;

  private:
    uint64_t acc_ = 0;
    int filled_ = 0;
};

constexpr int kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                 31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr int kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                  2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr int kDistBase[30] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                               33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                               1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr int kDistExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

void putLiteral(BitWriter& bw, int symbol) {
    if (symbol < 144) {
        bw.putCode(0x30 + symbol, 8);
    } else if (symbol < 256) {
        bw.putCode(0x190 + symbol - 144, 9);
    } else if (symbol < 280) {
        bw.putCode(symbol - 256, 7);
    } else {
        bw.putCode(0xC0 + symbol - 280, 8);
    }
}

void putMatch(BitWriter& bw, int length, int distance) {
    int li = 28;
    while (kLengthBase[li] > length) {
        --li;
    }
    putLiteral(bw, 257 + li);
    bw.put(static_cast<uint32_t>(length - kLengthBase[li]), kLengthExtra[li]);
    int di = 29;
    while (kDistBase[di] > distance) {
        --di;
    }
    bw.putCode(static_cast<uint32_t>(di), 5);
    bw.put(static_cast<uint32_t>(distance - kDistBase[di]), kDistExtra[di]);
}

uint32_t adler32(const std::vector<uint8_t>& data) {
    uint32_t a = 1;
    uint32_t b = 0;
    for (uint8_t byte : data) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

void putBe32(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v >> 24));
    out.push_back(static_cast<uint8_t>(v >> 16));
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}

void putLe32(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v >> 16));
    out.push_back(static_cast<uint8_t>(v >> 24));
}

void putLe16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void putChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& body) {
    putBe32(out, static_cast<uint32_t>(body.size()));
    size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), body.begin(), body.end());
    putBe32(out, crc32(out.data() + start, out.size() - start));
}

int paeth(int a, int b, int c) {
    int p = a + b - c;
    int pa = std::abs(p - a);
    int pb = std::abs(p - b);
    int pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) {
        return a;
    }
    return pb <= pc ? b : c;
}

} // namespace

int pngChannels(PngColor color) {
    switch (color) {
    case PngColor::Grey:
    case PngColor::Palette:
        return 1;
    case PngColor::GreyAlpha:
        return 2;
    case PngColor::Rgb:
        return 3;
    case PngColor::Rgba:
        return 4;
    }
    return 0;
}

uint32_t crc32(const uint8_t* data, size_t size, uint32_t crc) {
    static uint32_t table[256];
    static bool ready = false;
    if (!ready) {
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1) ? 0xEDB88320U ^ (c >> 1) : c >> 1;
            }
            table[n] = c;
        }
        ready = true;
    }
    crc = ~crc;
    for (size_t i = 0; i < size; ++i) {
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    }
    return ~crc;
}

std::vector<uint8_t> zlibCompress(const std::vector<uint8_t>& data) {
    constexpr int kWindow = 32768;
    constexpr int kHashBits = 15;
    constexpr int kMaxChain = 48;
    const int n = static_cast<int>(data.size());
    std::vector<int> head(1 << kHashBits, -1);
    std::vector<int> prev(n > 0 ? n : 1, -1);
    auto hashAt = [&](int i) {
        uint32_t v = (static_cast<uint32_t>(data[i]) << 16) |
                     (static_cast<uint32_t>(data[i + 1]) << 8) | data[i + 2];
        return static_cast<int>((v * 2654435761U) >> (32 - kHashBits));
    };
    auto insert = [&](int i) {
        if (i + 2 < n) {
            int h = hashAt(i);
            prev[i] = head[h];
            head[h] = i;
        }
    };

    BitWriter bw;
    bw.out = {0x78, 0x01};
    bw.put(1, 1); // final block
    bw.put(1, 2); // fixed Huffman codes
    int i = 0;
    while (i < n) {
        int bestLength = 0;
        int bestDistance = 0;
        if (i + 2 < n) {
            int candidate = head[hashAt(i)];
            int maxLength = n - i < 258 ? n - i : 258;
            for (int chain = 0; candidate >= 0 && chain < kMaxChain; ++chain) {
                int distance = i - candidate;
                if (distance > kWindow) {
                    break;
                }
                int length = 0;
                while (length < maxLength && data[candidate + length] == data[i + length]) {
                    ++length;
                }
                if (length > bestLength) {
                    bestLength = length;
                    bestDistance = distance;
                    if (length == maxLength) {
                        break;
                    }
                }
                candidate = prev[candidate];
            }
        }
        if (bestLength >= 3) {
            putMatch(bw, bestLength, bestDistance);
            for (int k = 0; k < bestLength; ++k) {
                insert(i + k);
            }
            i += bestLength;
        } else {
            putLiteral(bw, data[i]);
            insert(i);
            ++i;
        }
    }
    putLiteral(bw, 256);
    bw.flush();
    putBe32(bw.out, adler32(data));
    return bw.out;
}

std::vector<uint8_t> encodePng(const PngImage& image) {
    const int channels = pngChannels(image.color);
    const size_t stride = static_cast<size_t>(image.width) * channels;
    std::vector<uint8_t> raw;
    raw.reserve((stride + 1) * image.height);
    std::vector<uint8_t> zero(stride, 0);
    std::vector<uint8_t> candidate(stride);
    std::vector<uint8_t> best(stride);
    for (int y = 0; y < image.height; ++y) {
        const uint8_t* row = image.pixels.data() + stride * y;
        const uint8_t* up = y > 0 ? row - stride : zero.data();
        int bestFilter = 0;
        long bestCost = -1;
        // Palette indices are not a signal: always store them unfiltered.
        int lastFilter = image.color == PngColor::Palette ? 0 : 4;
        for (int filter = 0; filter <= lastFilter; ++filter) {
            long cost = 0;
            for (size_t x = 0; x < stride; ++x) {
                int a = x >= static_cast<size_t>(channels) ? row[x - channels] : 0;
                int b = up[x];
                int c = x >= static_cast<size_t>(channels) ? up[x - channels] : 0;
                int predicted = 0;
                switch (filter) {
                case 1:
                    predicted = a;
                    break;
                case 2:
                    predicted = b;
                    break;
                case 3:
                    predicted = (a + b) / 2;
                    break;
                case 4:
                    predicted = paeth(a, b, c);
                    break;
                default:
                    break;
                }
                uint8_t v = static_cast<uint8_t>(row[x] - predicted);
                candidate[x] = v;
                cost += v < 128 ? v : 256 - v;
            }
            if (bestCost < 0 || cost < bestCost) {
                bestCost = cost;
                bestFilter = filter;
                best = candidate;
            }
        }
        raw.push_back(static_cast<uint8_t>(bestFilter));
        raw.insert(raw.end(), best.begin(), best.end());
    }

    std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> ihdr;
    putBe32(ihdr, static_cast<uint32_t>(image.width));
    putBe32(ihdr, static_cast<uint32_t>(image.height));
    ihdr.push_back(8); // bit depth
    ihdr.push_back(static_cast<uint8_t>(image.color));
    ihdr.push_back(0); // deflate
    ihdr.push_back(0); // adaptive filtering
    ihdr.push_back(0); // not interlaced
    putChunk(out, "IHDR", ihdr);
    if (image.gamma > 0) {
        std::vector<uint8_t> gama;
        putBe32(gama, static_cast<uint32_t>(image.gamma));
        putChunk(out, "gAMA", gama);
    }
    if (image.color == PngColor::Palette) {
        std::vector<uint8_t> plte;
        for (const auto& entry : image.palette) {
            plte.insert(plte.end(), entry.begin(), entry.end());
        }
        putChunk(out, "PLTE", plte);
    }
    putChunk(out, "IDAT", zlibCompress(raw));
    putChunk(out, "IEND", {});
    return out;
}

std::vector<uint8_t> encodeBmp24(int width, int height, const std::vector<uint8_t>& rgb) {
    const uint32_t stride = (static_cast<uint32_t>(width) * 3 + 3) & ~3U;
    const uint32_t imageSize = stride * static_cast<uint32_t>(height);
    std::vector<uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    putLe32(out, 14 + 40 + imageSize);
    putLe32(out, 0);
    putLe32(out, 14 + 40);
    putLe32(out, 40);
    putLe32(out, static_cast<uint32_t>(width));
    putLe32(out, static_cast<uint32_t>(height)); // positive: bottom-up rows
    putLe16(out, 1);
    putLe16(out, 24);
    putLe32(out, 0); // BI_RGB
    putLe32(out, imageSize);
    putLe32(out, 2835); // 72 dpi
    putLe32(out, 2835);
    putLe32(out, 0);
    putLe32(out, 0);
    for (int y = height - 1; y >= 0; --y) {
        const uint8_t* row = rgb.data() + static_cast<size_t>(y) * width * 3;
        for (int x = 0; x < width; ++x) {
            out.push_back(row[x * 3 + 2]);
            out.push_back(row[x * 3 + 1]);
            out.push_back(row[x * 3 + 0]);
        }
        for (uint32_t pad = static_cast<uint32_t>(width) * 3; pad < stride; ++pad) {
            out.push_back(0);
        }
    }
    return out;
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        std::fprintf(stderr, "assetgen: cannot write %s\n", path.c_str());
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    ok = std::fclose(file) == 0 && ok;
    if (!ok) {
        std::fprintf(stderr, "assetgen: error writing %s\n", path.c_str());
    }
    return ok;
}

} // namespace assetgen

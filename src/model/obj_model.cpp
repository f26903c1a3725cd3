#include "model/obj_model.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

ObjModel ModelTable[kModelCount] = {};

namespace {

ObjAllocateFunction allocator = nullptr;

void* allocate(size_t bytes) {
    return allocator != nullptr ? allocator(bytes) : std::malloc(bytes);
}

// A zeroed block of count * size bytes; null on overflow or when memory runs out.
void* allocateZeroed(size_t count, size_t size) {
    if (size != 0 && count > SIZE_MAX / size) {
        return nullptr;
    }
    void* block = allocate(count * size);
    if (block != nullptr) {
        std::memset(block, 0, count * size);
    }
    return block;
}

// Tokens (and the rest-of-line reads) hold at most this many characters.
constexpr size_t kTokenLength = 127;
// A number is converted from at most this many characters.
constexpr size_t kNumberLength = 255;

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Reads a file's bytes the way the formatted C reads do: whitespace-separated tokens,
// rest-of-line reads, and integer and float conversions that skip leading whitespace
// (newlines included) and leave the position on the first character they cannot use.
class Scanner {
  public:
    Scanner(const char* data, size_t size) : begin_(data), pos_(data), end_(data + size) {}

    void rewind() { pos_ = begin_; }

    // The next token, at most 127 characters, NUL-terminated into out; 0 at the end.
    size_t token(char (&out)[kTokenLength + 1]) {
        skipSpace();
        size_t n = 0;
        while (pos_ < end_ && n < kTokenLength && !isSpace(*pos_)) {
            out[n++] = *pos_++;
        }
        out[n] = '\0';
        return n;
    }

    // The rest of the current line, at most 127 characters, its newline included.
    size_t restOfLine(char (&out)[kTokenLength + 1]) {
        size_t n = 0;
        while (pos_ < end_ && n < kTokenLength) {
            const char c = *pos_++;
            out[n++] = c;
            if (c == '\n') {
                break;
            }
        }
        out[n] = '\0';
        return n;
    }

    void skipLine() {
        char discard[kTokenLength + 1];
        restOfLine(discard);
    }

    // One literal character, without skipping whitespace.
    bool literal(char c) {
        if (pos_ < end_ && *pos_ == c) {
            ++pos_;
            return true;
        }
        return false;
    }

    // A decimal integer (optional sign). Values beyond the 64-bit range saturate, which
    // every index check rejects.
    bool readInt(int64_t& value) {
        skipSpace();
        const char* p = pos_;
        bool negative = false;
        if (p < end_ && (*p == '+' || *p == '-')) {
            negative = *p == '-';
            ++p;
        }
        if (p >= end_ || !isDigit(*p)) {
            return false;
        }
        uint64_t magnitude = 0;
        for (; p < end_ && isDigit(*p); ++p) {
            const unsigned digit = static_cast<unsigned>(*p - '0');
            magnitude = magnitude > (UINT64_MAX - digit) / 10 ? UINT64_MAX : magnitude * 10 + digit;
        }
        if (magnitude > static_cast<uint64_t>(INT64_MAX)) {
            magnitude = static_cast<uint64_t>(INT64_MAX);
        }
        value = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
        pos_ = p;
        return true;
    }

    bool readFloat(float& value) {
        skipSpace();
        char text[kNumberLength + 1];
        size_t n = 0;
        while (pos_ + n < end_ && n < kNumberLength && !isSpace(pos_[n]) && pos_[n] != '\0') {
            text[n] = pos_[n];
            ++n;
        }
        text[n] = '\0';
        char* stop = nullptr;
        const float parsed = std::strtof(text, &stop);
        if (stop == text) {
            return false;
        }
        value = parsed;
        pos_ += stop - text;
        return true;
    }

  private:
    void skipSpace() {
        while (pos_ < end_ && isSpace(*pos_)) {
            ++pos_;
        }
    }

    const char* begin_;
    const char* pos_;
    const char* end_;
};

// Up to `count` floats ("%f %f %f"); stops at the first that does not convert.
void readFloats(Scanner& in, float* out, int count) {
    for (int i = 0; i < count; ++i) {
        if (!in.readFloat(out[i])) {
            return;
        }
    }
}

// The four ways a face writes its references, decided by the first one.
enum class FaceForm { VertexNormal, VertexTextureNormal, VertexTexture, Vertex };

bool hasTexture(FaceForm form) {
    return form == FaceForm::VertexTextureNormal || form == FaceForm::VertexTexture;
}

// Numbers of a reference; each read overwrites only what it converts, so a value not
// converted stays as last read.
struct Reference {
    int64_t vertex = INT64_MIN; // never set: rejected as out of range
    int64_t texture = 0;
    int64_t normal = 0;
};

// One reference in the form's pattern; returns how many numbers were converted.
int readReference(Scanner& in, FaceForm form, Reference& ref) {
    if (!in.readInt(ref.vertex)) {
        return 0;
    }
    switch (form) {
    case FaceForm::VertexNormal:
        if (!in.literal('/') || !in.literal('/') || !in.readInt(ref.normal)) {
            return 1;
        }
        return 2;
    case FaceForm::VertexTextureNormal:
        if (!in.literal('/') || !in.readInt(ref.texture)) {
            return 1;
        }
        if (!in.literal('/') || !in.readInt(ref.normal)) {
            return 2;
        }
        return 3;
    case FaceForm::VertexTexture:
        if (!in.literal('/') || !in.readInt(ref.texture)) {
            return 1;
        }
        return 2;
    case FaceForm::Vertex:
        return 1;
    }
    return 1;
}

FaceForm faceFormOf(const char* token) {
    if (std::strstr(token, "//") != nullptr) {
        return FaceForm::VertexNormal;
    }
    Reference probe;
    Scanner three(token, std::strlen(token));
    if (readReference(three, FaceForm::VertexTextureNormal, probe) == 3) {
        return FaceForm::VertexTextureNormal;
    }
    Scanner two(token, std::strlen(token));
    if (readReference(two, FaceForm::VertexTexture, probe) == 2) {
        return FaceForm::VertexTexture;
    }
    return FaceForm::Vertex;
}

// The first word of a g line's remainder; "default" when it names none.
void groupNameOf(const char* line, char (&name)[kTokenLength + 1]) {
    Scanner words(line, std::strlen(line));
    if (words.token(name) == 0) {
        std::strcpy(name, "default");
    }
}

// The counting pass: sizes only. Counts run in 64 bits so that no file can wrap them.
struct CountingPass {
    ObjModel& model;
    uint64_t vertices = 0;
    uint64_t normals = 0;
    uint64_t texCoords = 0;
    uint64_t triangles = 0;
    ObjGroup* current = nullptr;
    bool outOfMemory = false;

    void vertexLine(Scanner& in) {
        ++vertices;
        in.skipLine();
    }
    void normalLine(Scanner& in) {
        ++normals;
        in.skipLine();
    }
    void texCoordLine(Scanner& in) {
        ++texCoords;
        in.skipLine();
    }
    void group(const char* name) {
        current = addObjGroup(model, name);
        if (current == nullptr) {
            outOfMemory = true;
        }
    }
    void beginFace(FaceForm) {}
    void triangle(const Reference&, const Reference&, const Reference&) {
        ++triangles;
        if (current != nullptr) {
            ++current->triangleCount;
        }
    }
    void endFace() {}
};

// The filling pass: stores what the counting pass made room for and nothing beyond it.
struct FillingPass {
    ObjModel& model;
    uint32_t nextVertex = 1;
    uint32_t nextNormal = 1;
    uint32_t nextTexCoord = 1;
    uint32_t filledTriangles = 0;
    ObjGroup* current = nullptr;
    bool outOfMemory = false;

    // The face being read: kept only if every triangle of it is valid and fits.
    FaceForm form = FaceForm::Vertex;
    bool faceValid = false;
    uint32_t faceStartTriangle = 0;
    uint32_t faceStartGroupCount = 0;

    void vertexLine(Scanner& in) {
        float v[3] = {0, 0, 0};
        readFloats(in, v, 3);
        if (nextVertex <= model.vertexCount) {
            std::memcpy(model.vertices[nextVertex], v, sizeof v);
            ++nextVertex;
        }
    }
    void normalLine(Scanner& in) {
        float n[3] = {0, 0, 0};
        readFloats(in, n, 3);
        if (nextNormal <= model.vertexCount) { // one normal slot per vertex; the surplus is ignored
            std::memcpy(model.normals[nextNormal], n, sizeof n);
            ++nextNormal;
        }
    }
    void texCoordLine(Scanner& in) {
        float uv[2] = {0, 0};
        readFloats(in, uv, 2);
        if (nextTexCoord <= model.texCoordCount) {
            std::memcpy(model.texCoords[nextTexCoord], uv, sizeof uv);
            ++nextTexCoord;
        }
    }
    void group(const char* name) { current = findObjGroup(model, name); }

    void beginFace(FaceForm faceForm) {
        form = faceForm;
        faceValid = current != nullptr;
        faceStartTriangle = filledTriangles;
        faceStartGroupCount = current != nullptr ? current->triangleCount : 0;
    }

    bool validCorner(const Reference& r) const {
        if (r.vertex < 1 || r.vertex > static_cast<int64_t>(model.vertexCount)) {
            return false;
        }
        if (hasTexture(form) && model.texCoordCount > 0 &&
            (r.texture < 1 || r.texture > static_cast<int64_t>(model.texCoordCount))) {
            return false;
        }
        return true;
    }

    int32_t textureNumber(const Reference& r) const {
        if (!hasTexture(form) || r.texture < INT32_MIN || r.texture > INT32_MAX) {
            return 0;
        }
        return static_cast<int32_t>(r.texture);
    }

    void triangle(const Reference& a, const Reference& b, const Reference& c) {
        if (!faceValid) {
            return;
        }
        if (!validCorner(a) || !validCorner(b) || !validCorner(c) ||
            filledTriangles >= model.triangleCount ||
            current->triangleCount >= current->triangleCapacity) {
            faceValid = false;
            return;
        }
        ObjTriangle& tri = model.triangles[filledTriangles];
        const Reference* corners[3] = {&a, &b, &c};
        for (int k = 0; k < 3; ++k) {
            tri.vertexIndex[k] = static_cast<int32_t>(corners[k]->vertex);
            tri.texCoordIndex[k] = textureNumber(*corners[k]);
        }
        current->triangleIndices[current->triangleCount++] = static_cast<int32_t>(filledTriangles);
        ++filledTriangles;
    }

    void endFace() {
        if (!faceValid) {
            filledTriangles = faceStartTriangle;
            if (current != nullptr) {
                current->triangleCount = faceStartGroupCount;
            }
        }
    }
};

// A face: the first reference decides the form; the second and third are read whatever
// happens, then more as long as a read converts anything. Fan triangulation around the
// first reference.
template <typename Pass> void readFace(Scanner& in, Pass& pass) {
    char token[kTokenLength + 1];
    if (in.token(token) == 0) {
        return; // "f" at the very end of the file
    }
    const FaceForm form = faceFormOf(token);
    Reference ref;
    Scanner first(token, std::strlen(token));
    readReference(first, form, ref);
    const Reference r0 = ref;
    readReference(in, form, ref);
    Reference previous = ref;
    readReference(in, form, ref);
    pass.beginFace(form);
    pass.triangle(r0, previous, ref);
    previous = ref;
    while (readReference(in, form, ref) > 0) {
        pass.triangle(r0, previous, ref);
        previous = ref;
    }
    pass.endFace();
}

template <typename Pass> void runPass(Scanner& in, Pass& pass) {
    pass.group("default");
    char token[kTokenLength + 1];
    while (!pass.outOfMemory && in.token(token) > 0) {
        switch (token[0]) {
        case 'v':
            if (token[1] == '\0') {
                pass.vertexLine(in);
            } else if (token[1] == 'n') {
                pass.normalLine(in);
            } else if (token[1] == 't') {
                pass.texCoordLine(in);
            }
            // Any other v-keyword: its line's remaining tokens are read in turn.
            break;
        case 'g': {
            char line[kTokenLength + 1];
            char name[kTokenLength + 1];
            in.restOfLine(line);
            groupNameOf(line, name);
            pass.group(name);
            break;
        }
        case 'f':
            readFace(in, pass);
            break;
        default: // comments and every keyword outside the subset
            in.skipLine();
            break;
        }
    }
}

bool buildModel(ObjModel& model, const char* data, size_t size) {
    Scanner in(data, size);

    CountingPass counting{model};
    runPass(in, counting);
    if (counting.outOfMemory || counting.vertices > kObjMaxCount ||
        counting.normals > kObjMaxCount || counting.texCoords > kObjMaxCount ||
        counting.triangles > kObjMaxCount) {
        return false;
    }
    model.vertexCount = static_cast<uint32_t>(counting.vertices);
    model.normalCount = static_cast<uint32_t>(counting.normals);
    model.texCoordCount = static_cast<uint32_t>(counting.texCoords);
    model.triangleCount = static_cast<uint32_t>(counting.triangles);

    for (ObjGroup* g = model.groups; g != nullptr; g = g->next) {
        if (g->triangleCount > 0) {
            g->triangleIndices =
                static_cast<int32_t*>(allocateZeroed(g->triangleCount, sizeof(int32_t)));
            if (g->triangleIndices == nullptr) {
                return false;
            }
        }
        g->triangleCapacity = g->triangleCount;
        g->triangleCount = 0;
    }
    if (model.triangleCount > 0) {
        model.triangles =
            static_cast<ObjTriangle*>(allocateZeroed(model.triangleCount, sizeof(ObjTriangle)));
        if (model.triangles == nullptr) {
            return false;
        }
    }
    const size_t slots = size_t{model.vertexCount} + 1;
    model.vertices = static_cast<float(*)[3]>(allocateZeroed(slots, sizeof(float[3])));
    model.normals = static_cast<float(*)[3]>(allocateZeroed(slots, sizeof(float[3])));
    if (model.vertices == nullptr || model.normals == nullptr) {
        return false;
    }
    if (model.texCoordCount > 0) {
        model.texCoords = static_cast<float(*)[2]>(
            allocateZeroed(size_t{model.texCoordCount} + 1, sizeof(float[2])));
        if (model.texCoords == nullptr) {
            return false;
        }
    }

    in.rewind();
    FillingPass filling{model};
    runPass(in, filling);
    model.triangleCount = filling.filledTriangles;
    return true;
}

// The whole file into one block; false if it cannot be read, is too large or memory runs out.
bool readWholeFile(std::FILE* file, char*& data, size_t& size) {
    size_t capacity = 1 << 16;
    data = static_cast<char*>(allocate(capacity));
    size = 0;
    if (data == nullptr) {
        return false;
    }
    for (;;) {
        if (size == capacity) {
            if (capacity >= kObjMaxFileBytes) {
                return std::fgetc(file) == EOF && std::ferror(file) == 0;
            }
            char* larger = static_cast<char*>(allocate(capacity * 2));
            if (larger == nullptr) {
                return false;
            }
            std::memcpy(larger, data, size);
            std::free(data);
            data = larger;
            capacity *= 2;
        }
        const size_t n = std::fread(data + size, 1, capacity - size, file);
        size += n;
        if (n == 0) {
            return std::ferror(file) == 0;
        }
    }
}

} // namespace

void setObjAllocator(ObjAllocateFunction allocate) {
    allocator = allocate;
}

int loadObjModelFromMemory(ObjModel& model, const char* data, size_t size) {
    freeObjModel(model);
    if (size > kObjMaxFileBytes || !buildModel(model, data, size)) {
        freeObjModel(model);
        return 0;
    }
    return 1;
}

int loadObjModel(ObjModel& model, const char* path) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return 0;
    }
    freeObjModel(model);
    char* data = nullptr;
    size_t size = 0;
    const bool read = readWholeFile(file, data, size);
    std::fclose(file);
    const int result = read ? loadObjModelFromMemory(model, data, size) : 0;
    std::free(data);
    return result;
}

ObjGroup* findObjGroup(const ObjModel& model, const char* name) {
    for (ObjGroup* g = model.groups; g != nullptr; g = g->next) {
        if (std::strcmp(g->name, name) == 0) {
            return g;
        }
    }
    return nullptr;
}

ObjGroup* addObjGroup(ObjModel& model, const char* name) {
    if (ObjGroup* existing = findObjGroup(model, name)) {
        return existing;
    }
    auto* group = static_cast<ObjGroup*>(allocateZeroed(1, sizeof(ObjGroup)));
    if (group == nullptr) {
        return nullptr;
    }
    const size_t length = std::strlen(name);
    group->name = static_cast<char*>(allocate(length + 1));
    if (group->name == nullptr) {
        std::free(group);
        return nullptr;
    }
    std::memcpy(group->name, name, length + 1);
    group->next = model.groups;
    model.groups = group;
    ++model.groupCount;
    return group;
}

void freeObjModel(ObjModel& model) {
    ObjGroup* g = model.groups;
    while (g != nullptr) {
        ObjGroup* next = g->next;
        std::free(g->name);
        std::free(g->triangleIndices);
        std::free(g);
        g = next;
    }
    std::free(model.vertices);
    std::free(model.normals);
    std::free(model.texCoords);
    std::free(model.triangles);
    model = ObjModel{};
}

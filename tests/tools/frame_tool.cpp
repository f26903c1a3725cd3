// Frame files for the reference-frame test and the picture comparisons in bench/:
//   frame_tool shrink IN.png OUT.png   writes IN shrunk 4 times (the reference size)
//   frame_tool compare A.png B.png     prints the largest channel difference and the PSNR
#include <cstdio>
#include <cstring>

#include "support/frame_checks.h"

int main(int argc, char** argv) {
    if (argc != 4 ||
        (std::strcmp(argv[1], "shrink") != 0 && std::strcmp(argv[1], "compare") != 0)) {
        std::fprintf(stderr, "usage: %s shrink IN.png OUT.png | compare A.png B.png\n", argv[0]);
        return 2;
    }
    Frame a;
    if (!readPngFrame(argv[2], a)) {
        std::fprintf(stderr, "%s: cannot read %s\n", argv[0], argv[2]);
        return 1;
    }
    if (std::strcmp(argv[1], "shrink") == 0) {
        if (!writePngFrame(argv[3], shrinkFrame(a, 4))) {
            std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[3]);
            return 1;
        }
        return 0;
    }
    Frame b;
    if (!readPngFrame(argv[3], b)) {
        std::fprintf(stderr, "%s: cannot read %s\n", argv[0], argv[3]);
        return 1;
    }
    std::printf("max %d psnr %.2f\n", maxChannelDifference(a, b), psnrDb(a, b));
    return 0;
}

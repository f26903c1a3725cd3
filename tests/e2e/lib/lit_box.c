/* Reads an X window's pixels and prints its size and the box of its pixels brighter than a
 * threshold (r + g + b), as "WxH X0 Y0 X1 Y1" (y down, X1 and Y1 past the last lit pixel;
 * "WxH none" when nothing is lit). Usage: lit_box <window id> [threshold, default 24]. */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        fprintf(stderr, "usage: %s <window id> [threshold]\n", argv[0]);
        return 2;
    }
    const int threshold = argc == 3 ? atoi(argv[2]) : 24;
    Display* display = XOpenDisplay(NULL);
    if (display == NULL) {
        fprintf(stderr, "lit_box: no display\n");
        return 1;
    }
    Window window = (Window)strtoul(argv[1], NULL, 0);
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes)) {
        fprintf(stderr, "lit_box: no such window\n");
        return 1;
    }
    XImage* image = XGetImage(display, window, 0, 0, (unsigned)attributes.width,
                              (unsigned)attributes.height, AllPlanes, ZPixmap);
    if (image == NULL) {
        fprintf(stderr, "lit_box: cannot read the window\n");
        return 1;
    }
    int x0 = attributes.width, y0 = attributes.height, x1 = 0, y1 = 0;
    for (int y = 0; y < attributes.height; ++y) {
        for (int x = 0; x < attributes.width; ++x) {
            const unsigned long pixel = XGetPixel(image, x, y);
            const int sum = (int)((pixel >> 16) & 0xFF) + (int)((pixel >> 8) & 0xFF) +
                            (int)(pixel & 0xFF);
            if (sum > threshold) {
                x0 = x < x0 ? x : x0;
                y0 = y < y0 ? y : y0;
                x1 = x + 1 > x1 ? x + 1 : x1;
                y1 = y + 1 > y1 ? y + 1 : y1;
            }
        }
    }
    if (x1 == 0) {
        printf("%dx%d none\n", attributes.width, attributes.height);
    } else {
        printf("%dx%d %d %d %d %d\n", attributes.width, attributes.height, x0, y0, x1, y1);
    }
    XDestroyImage(image);
    XCloseDisplay(display);
    return 0;
}

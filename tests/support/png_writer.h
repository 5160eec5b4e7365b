// An RGB image in memory, the pixel questions the tests ask of it, and its
// encoding as a PNG file (8-bit RGB, no interlace) for a person to look at.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;  // rows top-down, three bytes per pixel

    // The pixel at (x, y); black outside the image.
    COLORREF Pixel(int x, int y) const;
};

// How many pixels inside area (image coordinates, clipped to the image)
// equal colour exactly.
int CountPixels(const RgbImage &image, const RECT &area, COLORREF colour);

// How many pixels inside area (clipped) have every channel at most level.
int CountDarkPixels(const RgbImage &image, const RECT &area, int level);

// Writes image to path as a PNG file; false when it cannot be written.
bool WritePng(const std::wstring &path, const RgbImage &image);

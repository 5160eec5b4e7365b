// Pixel access and a minimal PNG encoder: one IHDR, one IDAT made by zlib's
// compress2, one IEND; every row with filter type 0.
#include "png_writer.h"

#include <zlib.h>

#include <algorithm>
#include <fstream>

namespace {

void AppendBigEndian32(std::string *bytes, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes->push_back(static_cast<char>((value >> shift) & 0xFF));
}

// The CRC covers the chunk type and its data, not the length.
void AppendChunk(std::string *png, const char *type, const std::string &data)
{
    std::string typed = std::string(type, 4) + data;
    AppendBigEndian32(png, static_cast<uint32_t>(data.size()));
    png->append(typed);
    AppendBigEndian32(png, static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef *>(typed.data()),
                                                       static_cast<uInt>(typed.size()))));
}

std::string HeaderData(const RgbImage &image)
{
    std::string header;
    AppendBigEndian32(&header, static_cast<uint32_t>(image.width));
    AppendBigEndian32(&header, static_cast<uint32_t>(image.height));
    header += std::string("\x08\x02\x00\x00\x00", 5);  // depth 8, RGB, deflate, filter 0, no interlace
    return header;
}

std::string FilteredRows(const RgbImage &image)
{
    size_t rowBytes = static_cast<size_t>(image.width) * 3;
    std::string rows;
    rows.reserve((rowBytes + 1) * static_cast<size_t>(image.height));
    for (int y = 0; y < image.height; ++y) {
        rows.push_back('\0');
        rows.append(reinterpret_cast<const char *>(&image.rgb[rowBytes * static_cast<size_t>(y)]), rowBytes);
    }
    return rows;
}

bool Deflate(const std::string &raw, std::string *packed)
{
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    packed->resize(size);
    int status = compress2(reinterpret_cast<Bytef *>(&(*packed)[0]), &size,
                           reinterpret_cast<const Bytef *>(raw.data()), static_cast<uLong>(raw.size()), 9);
    packed->resize(size);
    return status == Z_OK;
}

RECT ClipToImage(const RgbImage &image, const RECT &area)
{
    RECT clipped = {std::max(0L, area.left), std::max(0L, area.top), std::min<LONG>(image.width, area.right),
                    std::min<LONG>(image.height, area.bottom)};
    return clipped;
}

template <typename Test>
int CountMatching(const RgbImage &image, const RECT &area, Test test)
{
    RECT clipped = ClipToImage(image, area);
    int count = 0;
    for (LONG y = clipped.top; y < clipped.bottom; ++y) {
        for (LONG x = clipped.left; x < clipped.right; ++x) {
            if (test(image.Pixel(x, y)))
                ++count;
        }
    }
    return count;
}

}  // namespace

COLORREF RgbImage::Pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width || y >= height)
        return RGB(0, 0, 0);
    size_t at = (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
    return RGB(rgb[at], rgb[at + 1], rgb[at + 2]);
}

int CountPixels(const RgbImage &image, const RECT &area, COLORREF colour)
{
    return CountMatching(image, area, [colour](COLORREF pixel) { return pixel == colour; });
}

int CountDarkPixels(const RgbImage &image, const RECT &area, int level)
{
    return CountMatching(image, area, [level](COLORREF pixel) {
        return GetRValue(pixel) <= level && GetGValue(pixel) <= level && GetBValue(pixel) <= level;
    });
}

bool WritePng(const std::wstring &path, const RgbImage &image)
{
    if (image.width <= 0 || image.height <= 0 ||
        image.rgb.size() != static_cast<size_t>(image.width) * static_cast<size_t>(image.height) * 3)
        return false;
    std::string packed;
    if (!Deflate(FilteredRows(image), &packed))
        return false;
    std::string png = "\x89PNG\r\n\x1a\n";
    AppendChunk(&png, "IHDR", HeaderData(image));
    AppendChunk(&png, "IDAT", packed);
    AppendChunk(&png, "IEND", std::string());
    std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
    out.write(png.data(), static_cast<std::streamsize>(png.size()));
    return static_cast<bool>(out);
}

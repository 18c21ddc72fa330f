// What kind of picture a file holds, told by its first bytes, never by its name.
#pragma once
#include <cstddef>
#include <cstdint>

namespace Pictures {

enum class PictureFormat { Other, Jpeg, Png, Gif, Bmp, Tiff, Pcx };

// The format whose signature the bytes start with; Other for anything unrecognised or too short.
PictureFormat Sniff(const std::uint8_t* bytes, std::size_t size);

// True for the formats the embedded browser shows by itself: JPEG, PNG, GIF and BMP.
bool IsShownByBrowser(PictureFormat format);

} // namespace Pictures

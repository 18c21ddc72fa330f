// What a JPEG file's headers say before any pixel is decoded: its frame size and its orientation.
#pragma once
#include <cstddef>
#include <cstdint>

namespace Pictures {

struct JpegInfo {
    // From the first frame header; both 0 when none comes before the scan data. A height of 0
    // (given later in the stream) means the size is not known up front: hasSize() is false.
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    // The EXIF orientation, 1 to 8: how the stored pixels must be mirrored or turned to be seen
    // upright. 1 when there is none, or it is unreadable, out of range or of the wrong type.
    int orientation = 1;
    // Offset just past the first start-of-scan marker (where the image data begins), 0 when the
    // bytes end before one: lets a caller look for the end of the image without walking again.
    std::size_t scanOffset = 0;

    bool hasSize() const { return width > 0 && height > 0; }
};

// Walks the segments from the start of image up to the first scan (or the end of the image) and
// reads the frame size and the orientation in IFD0 of the first "Exif" APP1 segment. Any bytes are
// safe: every offset is checked against its segment, and no chain of IFD offsets is followed.
JpegInfo ReadJpegInfo(const std::uint8_t* bytes, std::size_t size);

} // namespace Pictures

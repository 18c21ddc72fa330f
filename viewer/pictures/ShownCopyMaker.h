// The shown copy of a picture that the embedded browser would not show as intended: a JPEG
// stored turned (with an orientation tag), a TIFF, a PCX, or another format that only the
// platform's imaging component reads. The copy is upright, in a format the browser shows.
#pragma once
#include <string>

#include "WicCodec.h"

struct ShownCopy {
    std::string path;       // full path of the copy that was written
    unsigned pageCount = 1; // pages of the original (a TIFF may have several)
};

class ShownCopyMaker {
public:
    ShownCopyMaker(); // creates the imaging factory; the calling thread has COM initialised
    ~ShownCopyMaker();
    ShownCopyMaker(const ShownCopyMaker&) = delete;
    ShownCopyMaker& operator=(const ShownCopyMaker&) = delete;

    // True when the embedded browser would not show the saved file as intended: a JPEG with an
    // orientation tag other than 1, a TIFF, a PCX, or another format WIC decodes but the engine
    // does not show. Reads only the file's head (and the JPEG's EXIF block).
    static bool Needs(const std::string& sourcePath);
    // Pixels the decode would need (width*height of the first frame), 0 when unknown or not
    // decodable; lets callers keep two makers within the budget.
    static unsigned long long PixelsOf(const std::string& sourcePath);
    // Writes the shown copy of sourcePath to copyBasePath + ".jpg" or ".png" (the maker chooses).
    // Returns false and leaves no file behind when no copy is needed, the picture is truncated or
    // corrupt, or it is larger than the pixel budget; the caller then keeps today's entry.
    bool Make(const std::string& sourcePath, const std::string& copyBasePath, ShownCopy* out);

private:
    bool MakeCopy(const std::string& sourcePath, const std::string& temporaryPath,
                  Pictures::ImageContainer* written, unsigned* pageCount);

    Pictures::WicCodec m_codec;
};

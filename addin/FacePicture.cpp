#include "FacePicture.h"

#include "ClipboardSession.h"
#include "UniqueHandle.h"
#include "resource.h"

namespace FacePicture {

bool PutOnClipboard(HINSTANCE module) {
    // Grey shades of the picture become the system's 3-D colours.
    UniqueBitmap picture(static_cast<HBITMAP>(
        ::LoadImageW(module, MAKEINTRESOURCEW(IDB_ADDIN_FACE), IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS)));
    if (!picture)
        return false;
    ClipboardSession clipboard;
    if (!clipboard.Open() || !::EmptyClipboard())
        return false;
    if (!::SetClipboardData(CF_BITMAP, picture.Get()))
        return false;
    picture.Release(); // the clipboard owns it now
    return true;
}

} // namespace FacePicture

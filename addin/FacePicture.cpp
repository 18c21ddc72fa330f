#include "FacePicture.h"

#include "ClipboardSession.h"
#include "UniqueHandle.h"
#include "resource.h"

#include <olectl.h>

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

HRESULT MakeRibbonPicture(HINSTANCE module, bool large, ComPtr<IPictureDisp>& picture) {
    picture.Reset();
    // A DIB section keeps the picture's 32 bits, so its alpha reaches the ribbon.
    UniqueBitmap bitmap(static_cast<HBITMAP>(
        ::LoadImageW(module, MAKEINTRESOURCEW(large ? IDB_RIBBON_FACE_LARGE : IDB_RIBBON_FACE_SMALL),
                     IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (!bitmap)
        return HRESULT_FROM_WIN32(::GetLastError() ? ::GetLastError() : ERROR_RESOURCE_NAME_NOT_FOUND);
    PICTDESC description = {};
    description.cbSizeofstruct = sizeof description;
    description.picType = PICTYPE_BITMAP;
    description.bmp.hbitmap = bitmap.Get();
    HRESULT hr = ::OleCreatePictureIndirect(&description, IID_IPictureDisp, TRUE,
                                            reinterpret_cast<void**>(picture.ReleaseAndGetAddressOf()));
    if (SUCCEEDED(hr))
        bitmap.Release(); // the picture owns it now
    return hr;
}

} // namespace FacePicture

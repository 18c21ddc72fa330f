// The button face: the library's bitmap, put on the clipboard for Office's PasteFace.
#pragma once
#include "ComPtr.h"

#include <ocidl.h>
#include <windows.h>

namespace FacePicture {

// Replaces the clipboard's content by the bitmap; false when it could not be put there.
bool PutOnClipboard(HINSTANCE module);

// The ribbon's picture of the add-in's controls as a picture object that owns its bitmap:
// 32 x 32 pixels for a large button, 16 x 16 for menu items, 32-bit with alpha.
HRESULT MakeRibbonPicture(HINSTANCE module, bool large, ComPtr<IPictureDisp>& picture);

} // namespace FacePicture

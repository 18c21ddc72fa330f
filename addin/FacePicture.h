// The button face: the library's bitmap, put on the clipboard for Office's PasteFace.
#pragma once
#include <windows.h>

namespace FacePicture {

// Replaces the clipboard's content by the bitmap; false when it could not be put there.
bool PutOnClipboard(HINSTANCE module);

} // namespace FacePicture

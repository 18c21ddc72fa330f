#include "ButtonObject.h"

#include "ClipboardSession.h"
#include "UniqueHandle.h"

#include <olectl.h>

ButtonObject::ButtonObject(CommandBarSet& set, std::shared_ptr<CommandBarControlData> control)
    : CommandBarControlObject(set, std::move(control)) {}

HRESULT ButtonObject::get_Style(long* result) {
    return Get(m_control->style, result);
}

HRESULT ButtonObject::put_Style(long value) {
    if (value < kButtonAutomatic || value > kButtonIconAndCaption)
        return Fail(E_INVALIDARG, L"Unknown button style.");
    m_control->style = value;
    m_set.Changed();
    return S_OK;
}

HRESULT ButtonObject::get_FaceId(long* result) {
    return Get(m_control->faceId, result);
}

HRESULT ButtonObject::put_FaceId(long value) {
    if (value < 0)
        return Fail(E_INVALIDARG, L"A face number is not negative.");
    m_control->faceId = value;
    m_control->face.reset(); // a built-in face replaces a pasted one, as in Office
    m_set.Changed();
    return S_OK;
}

HRESULT ButtonObject::PasteFace() {
    ClipboardSession clipboard;
    if (!clipboard.Open())
        return Fail(CLIPBRD_E_CANT_OPEN, L"The clipboard cannot be opened.");
    HBITMAP picture = static_cast<HBITMAP>(::GetClipboardData(CF_BITMAP));
    if (!picture)
        return Fail(DV_E_FORMATETC, L"The clipboard holds no picture.");
    // The clipboard keeps its bitmap; the button gets a copy of its own.
    UniqueBitmap copy(static_cast<HBITMAP>(::CopyImage(picture, IMAGE_BITMAP, 0, 0, 0)));
    if (!copy)
        return Fail(E_OUTOFMEMORY, L"The picture cannot be copied.");
    m_control->face = std::make_shared<UniqueBitmap>(std::move(copy));
    m_set.Changed();
    return S_OK;
}

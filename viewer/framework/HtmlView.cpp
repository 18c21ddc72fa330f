#include "HtmlView.h"
#include "StringConv.h"
#include "Trace.h"
#include "ComString.h"
#include "FrameworkIds.h"
#include "Variant.h"

#include <docobj.h>

#include <cstdio>

namespace {
const CmdMapEntry<CHtmlView> kCommands[] = {
    {ID_EDIT_COPY, ID_EDIT_COPY, &CHtmlView::OnEditCopy, nullptr, &CHtmlView::OnUpdateEditCommand},
    {ID_EDIT_CUT, ID_EDIT_CUT, &CHtmlView::OnEditCut, nullptr, &CHtmlView::OnUpdateEditCommand},
    {ID_EDIT_PASTE, ID_EDIT_PASTE, &CHtmlView::OnEditPaste, nullptr, &CHtmlView::OnUpdateEditCommand},
};

OLECMDID EditCommandOf(UINT id) {
    switch (id) {
    case ID_EDIT_COPY:
        return OLECMDID_COPY;
    case ID_EDIT_CUT:
        return OLECMDID_CUT;
    default:
        return OLECMDID_PASTE;
    }
}
} // namespace

CHtmlView::CHtmlView() = default;

CHtmlView::~CHtmlView() {
    ReleaseBrowser();
}

BOOL CHtmlView::OnViewCmdMsg(UINT id, int code, CCmdUI* ui) {
    return DispatchCmdMap(this, kCommands, id, code, ui);
}

int CHtmlView::OnCreate(LPCREATESTRUCTA) {
    m_site.SetHost(m_hWnd);
    return CreateBrowser() ? 0 : -1;
}

bool CHtmlView::CreateBrowser() {
    if (FAILED(::CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                  reinterpret_cast<void**>(m_oleObject.ReleaseAndGetAddressOf()))))
        return false;
    // Without its site the control has no window to activate in and no host to ask: no browser.
    if (FAILED(m_oleObject->SetClientSite(&m_site))) {
        ReleaseBrowser();
        return false;
    }
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    if (FAILED(m_oleObject->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &m_site, 0, m_hWnd, &client))) {
        ReleaseBrowser();
        return false;
    }
    if (FAILED(m_oleObject.As(IID_IWebBrowser2, m_browser))) {
        ReleaseBrowser();
        return false;
    }
    return true;
}

void CHtmlView::ReleaseBrowser() {
    m_browser.Reset();
    if (!m_oleObject)
        return;
    ComPtr<IOleInPlaceObject> inPlace;
    if (SUCCEEDED(m_oleObject.As(IID_IOleInPlaceObject, inPlace)))
        inPlace->InPlaceDeactivate();
    inPlace.Reset();
    m_oleObject->Close(OLECLOSE_NOSAVE);
    m_oleObject->SetClientSite(nullptr);
    m_oleObject.Reset();
}

void CHtmlView::OnSize(int width, int height) {
    ComPtr<IOleInPlaceObject> inPlace;
    if (SUCCEEDED(m_oleObject.As(IID_IOleInPlaceObject, inPlace))) {
        RECT r{0, 0, width, height};
        inPlace->SetObjectRects(&r, &r);
    }
}

void CHtmlView::OnDestroy() {
    ReleaseBrowser();
}

void CHtmlView::Navigate2(const char* url) {
    AfxTrace("navigate", url);
    if (!m_browser)
        return;
    CVariant location = CVariant::FromString(AnsiToWide(url ? url : ""));
    CVariant flags = CVariant::FromLong(0);
    CVariant none;
    // The control shows a failed navigation in its own way and the view reports nothing; the
    // code goes to the debugger and the trace for whoever looks into it.
    const HRESULT hr = m_browser->Navigate2(location.Ptr(), flags.Ptr(), none.Ptr(), none.Ptr(), none.Ptr());
    if (FAILED(hr)) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(hr));
        ::OutputDebugStringA(
            ("Navigate2 failed with " + std::string(code) + ": " + (url ? url : "") + "\n").c_str());
        AfxTrace("navigate-failed", code);
    }
    if (AfxTraceEnabled())
        AfxTrace("location", GetLocationURL().c_str());
}

void CHtmlView::GoBack() {
    AfxTrace("goback");
    if (m_browser)
        m_browser->GoBack();
}

std::string CHtmlView::GetLocationURL() const {
    if (!m_browser)
        return std::string();
    CComString url;
    if (FAILED(m_browser->get_LocationURL(url.ReleaseAndGetAddressOf())) || !url.Get())
        return std::string();
    return WideToAnsi(url.Get(), url.Length());
}

void CHtmlView::ExecBrowserCommand(OLECMDID command) {
    ComPtr<IOleCommandTarget> target;
    if (SUCCEEDED(m_browser.As(IID_IOleCommandTarget, target)))
        target->Exec(nullptr, command, OLECMDEXECOPT_DONTPROMPTUSER, nullptr, nullptr);
}

void CHtmlView::OnEditCopy() {
    ExecBrowserCommand(OLECMDID_COPY);
}
void CHtmlView::OnEditCut() {
    ExecBrowserCommand(OLECMDID_CUT);
}
void CHtmlView::OnEditPaste() {
    ExecBrowserCommand(OLECMDID_PASTE);
}

void CHtmlView::OnUpdateEditCommand(CCmdUI* ui) {
    ComPtr<IOleCommandTarget> target;
    OLECMD query{static_cast<ULONG>(EditCommandOf(ui->m_nID)), 0};
    if (SUCCEEDED(m_browser.As(IID_IOleCommandTarget, target)))
        target->QueryStatus(nullptr, 1, &query, nullptr);
    ui->Enable((query.cmdf & OLECMDF_ENABLED) != 0);
}

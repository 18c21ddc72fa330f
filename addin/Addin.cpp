#include "Addin.h"

#include "FacePicture.h"
#include "Launcher.h"
#include "OfficeCalls.h"

#include <new>

namespace {

constexpr DWORD kNoCookie = 0xFEFEFEFE;

const wchar_t kToolbarName[] = L"DrovaAddin";
const wchar_t kButtonTag[] = L"Varoscope";
const wchar_t kMenuItemTag[] = L"Menu Varoscope";
const wchar_t kCaption[] = L"VScope";
const wchar_t kTooltip[] = L"Launch Varoscope";
constexpr long kFaceId = 1758;
// The menu that receives the item: the fifth of the menu bar.
constexpr long kMenuPosition = 5;
// Booleans of the Add methods travel as 16-bit integers.
constexpr short kAddTrue = -1;
constexpr short kAddFalse = 0;

using OfficeCalls::CallObject;
using OfficeCalls::GetMember;
using OfficeCalls::Put;
using OfficeCalls::PutString;

CVariant True() {
    return CVariant::FromBool(true);
}

// The arguments of Controls.Add for a temporary button at the end.
std::vector<CVariant> TemporaryButtonArgs() {
    return {CVariant::FromLong(office::msoControlButton), CVariant::Omitted(), CVariant::Omitted(),
            CVariant::Omitted(), CVariant::FromShort(kAddTrue)};
}

} // namespace

// The add-in's own interface comes from its own type library (read from the library file while it
// is not registered); the connection interface from the add-in designer library that Office registers.
const com::LibrarySource* CAddin::Libraries(std::size_t& count) {
    static const com::LibrarySource s_sources[] = {
        {&LIBID_VAROADDINLib, 1, 0, true},
        {&office::LIBID_AddInDesignerObjects, office::kAddInDesignerMajor, office::kAddInDesignerMinor,
         false},
    };
    count = sizeof s_sources / sizeof s_sources[0];
    return s_sources;
}

CAddin::CAddin(IUnknown* outer)
    : AggregatableObject(outer),
      m_buttonSink(SinkEvents::kToolbarButton, office::IID_CommandBarButtonEvents, *this),
      m_menuSink(SinkEvents::kMenuItem, office::IID_CommandBarButtonEvents, *this),
      m_applicationSink(SinkEvents::kApplication, office::IID_ApplicationEvents, *this), m_ribbon(*this),
      m_buttonCookie(kNoCookie), m_menuCookie(kNoCookie), m_applicationCookie(kNoCookie) {
    CComServer::Instance().Lock();
}

LONG CAddin::s_connectedObjects = 0;

CAddin::~CAddin() {
    SetConnected(false);
    CComServer::Instance().Unlock();
}

void CAddin::SetConnected(bool connected) {
    if (connected == m_connected)
        return;
    m_connected = connected;
    if (connected)
        ::InterlockedIncrement(&s_connectedObjects);
    else
        ::InterlockedDecrement(&s_connectedObjects);
}

HRESULT STDMETHODCALLTYPE CAddin::InterfaceSupportsErrorInfo(REFIID iid) {
    return iid == IID_IAddin ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE CAddin::OnConnection(IDispatch* application, ext_ConnectMode, IDispatch*,
                                               SAFEARRAY**) {
    try {
        return Connect(application);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

HRESULT CAddin::Connect(IDispatch* application) {
    if (!application)
        return E_INVALIDARG;
    m_facePut = false;
    ComPtr<IDispatch> outlook;
    HRESULT hr = OfficeCalls::Query(application, office::IID_OutlookApplication, outlook);
    if (FAILED(hr))
        return hr;
    m_application = outlook;

    ComPtr<IDispatch> explorer, bars;
    hr = GetMember(m_application.Get(), L"ActiveExplorer", explorer);
    if (FAILED(hr))
        return hr;
    if (!explorer) // Outlook runs without a window
        return E_POINTER;
    hr = GetMember(explorer.Get(), L"CommandBars", bars);
    if (FAILED(hr))
        return hr;
    if (!bars)
        return E_POINTER;

    ComPtr<IDispatch> toolbar;
    hr = FindOrMakeToolbar(bars.Get(), toolbar);
    if (FAILED(hr))
        return hr;

    // Only whether a button came back counts, as for the toolbar.
    ComPtr<IDispatch> button;
    static_cast<void>(FindButton(bars.Get(), kButtonTag, button));
    if (!button) {
        hr = MakeToolbarButton(toolbar.Get(), button);
        if (FAILED(hr))
            return hr;
    }
    m_toolbarButton = button;

    ComPtr<IDispatch> item;
    static_cast<void>(FindButton(bars.Get(), kMenuItemTag, item));
    if (!item) {
        hr = MakeMenuItem(bars.Get(), item);
        if (FAILED(hr))
            return hr;
    }
    m_menuItem = item;

    // Without a menu item (the fifth menu is no pop-up) the button still gets its connection.
    if (m_menuItem) {
        hr = ConnectSink(m_menuSink, m_menuItem.Get(), m_menuCookie);
        if (FAILED(hr))
            return hr;
    }
    hr = ConnectSink(m_buttonSink, m_toolbarButton.Get(), m_buttonCookie);
    if (FAILED(hr))
        return hr;
    hr = ConnectSink(m_applicationSink, m_application.Get(), m_applicationCookie);
    if (FAILED(hr))
        return hr;
    SetConnected(true);
    return S_OK;
}

HRESULT CAddin::FindOrMakeToolbar(IDispatch* bars, ComPtr<IDispatch>& toolbar) {
    CVariant name;
    HRESULT hr = OfficeCalls::MakeString(kToolbarName, name);
    if (FAILED(hr))
        return hr;
    // Item fails for a name it does not know: only whether a toolbar came back counts.
    CallObject(bars, L"Item", {name}, toolbar);
    if (toolbar)
        return S_OK;
    hr = CallObject(
        bars, L"Add",
        {name, CVariant::FromLong(office::msoBarTop), CVariant::Omitted(), CVariant::FromShort(kAddFalse)},
        toolbar);
    if (SUCCEEDED(hr) && !toolbar)
        hr = E_POINTER;
    return hr;
}

HRESULT CAddin::FindButton(IDispatch* bars, const wchar_t* tag, ComPtr<IDispatch>& button) {
    button.Reset();
    CVariant tagValue;
    HRESULT hr = OfficeCalls::MakeString(tag, tagValue);
    if (FAILED(hr))
        return hr;
    ComPtr<IDispatch> control;
    hr = CallObject(
        bars, L"FindControl",
        {CVariant::FromLong(office::msoControlButton), CVariant::Omitted(), tagValue, CVariant::Omitted()},
        control);
    if (FAILED(hr) || !control)
        return hr;
    return OfficeCalls::Query(control.Get(), office::IID_CommandBarButton, button);
}

HRESULT CAddin::MakeToolbarButton(IDispatch* toolbar, ComPtr<IDispatch>& button) {
    // Shown again at every start, even when the user hid it.
    HRESULT hr = Put(toolbar, L"Visible", True());
    if (FAILED(hr))
        return hr;
    ComPtr<IDispatch> controls, control;
    hr = GetMember(toolbar, L"Controls", controls);
    if (FAILED(hr))
        return hr;
    hr = CallObject(controls.Get(), L"Add", TemporaryButtonArgs(), control);
    if (FAILED(hr))
        return hr;
    hr = OfficeCalls::Query(control.Get(), office::IID_CommandBarButton, button);
    if (FAILED(hr))
        return hr;
    Put(control.Get(), L"Visible", True()); // not consulted: the puts below show the button anyway
    PutFace();
    IDispatch* b = button.Get();
    if (FAILED(hr = Put(b, L"Style", CVariant::FromLong(office::msoButtonIconAndCaption))) ||
        FAILED(hr = Put(b, L"FaceId", CVariant::FromLong(kFaceId))) ||
        FAILED(hr = Put(b, L"Visible", True())) || FAILED(hr = PutString(b, L"Caption", kCaption)) ||
        FAILED(hr = Put(b, L"Enabled", True())) || FAILED(hr = PutString(b, L"TooltipText", kTooltip)) ||
        FAILED(hr = PutString(b, L"Tag", kButtonTag)))
        return hr;
    return S_OK;
}

HRESULT CAddin::MakeMenuItem(IDispatch* bars, ComPtr<IDispatch>& item) {
    item.Reset();
    ComPtr<IDispatch> menuBar, menus, fifth, control, popup, popupControls, added;
    HRESULT hr = GetMember(bars, L"ActiveMenuBar", menuBar);
    if (FAILED(hr))
        return hr;
    if (FAILED(hr = GetMember(menuBar.Get(), L"Controls", menus)) ||
        FAILED(hr = CallObject(menus.Get(), L"Item", {CVariant::FromLong(kMenuPosition)}, fifth)))
        return hr;
    if (fifth) {
        hr = GetMember(fifth.Get(), L"Control", control);
        // Where the member is unknown the menu control answers for the pop-up itself.
        if (hr == DISP_E_UNKNOWNNAME) {
            control = fifth;
            hr = S_OK;
        }
        if (FAILED(hr))
            return hr;
    }
    // A fifth control that is no pop-up menu: no menu item, the toolbar button stays in use.
    if (!control || FAILED(OfficeCalls::Query(control.Get(), office::IID_CommandBarPopup, popup)))
        return S_OK;
    if (FAILED(hr = GetMember(popup.Get(), L"Controls", popupControls)) ||
        FAILED(hr = CallObject(popupControls.Get(), L"Add", TemporaryButtonArgs(), added)))
        return hr;
    if (FAILED(hr = PutString(added.Get(), L"Caption", kCaption)) ||
        FAILED(hr = Put(added.Get(), L"Enabled", True())) ||
        FAILED(hr = Put(added.Get(), L"Visible", True())))
        return hr;
    ComPtr<IDispatch> button;
    if (FAILED(hr = OfficeCalls::Query(added.Get(), office::IID_CommandBarButton, button)) ||
        FAILED(hr = Put(button.Get(), L"Style", CVariant::FromLong(office::msoButtonIconAndCaption))))
        return hr;
    // PasteFace takes whatever the clipboard holds: make sure that is the face picture.
    if (!m_facePut)
        PutFace();
    if (FAILED(hr = OfficeCalls::Call(button.Get(), L"PasteFace")) ||
        FAILED(hr = PutString(button.Get(), L"Tag", kMenuItemTag)) ||
        FAILED(hr = Put(added.Get(), L"Visible", True())))
        return hr;
    item = button;
    return S_OK;
}

void CAddin::PutFace() {
    m_facePut = FacePicture::PutOnClipboard(CComServer::Instance().Module()) || m_facePut;
}

HRESULT CAddin::ConnectSink(CEventSink& sink, IDispatch* source, DWORD& cookie) {
    DWORD made = 0;
    HRESULT hr = OfficeCalls::Advise(source, sink.Source(), static_cast<IDispatch*>(&sink), made);
    if (SUCCEEDED(hr))
        cookie = made;
    return hr;
}

HRESULT STDMETHODCALLTYPE CAddin::OnDisconnection(ext_DisconnectMode, SAFEARRAY**) {
    // Office drops the add-in's ribbon with the connection.
    m_ribbon.Forget();
    if (!m_connected)
        return S_OK;
    HRESULT hr =
        OfficeCalls::Unadvise(m_toolbarButton.Get(), office::IID_CommandBarButtonEvents, m_buttonCookie);
    m_buttonCookie = kNoCookie;
    if (FAILED(hr))
        return hr;
    // The menu item's and the application's connections stay: the menu item keeps starting the
    // viewer until Outlook ends (see OnSinkEvent for a later connection of this library).
    SetConnected(false);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CAddin::OnAddInsUpdate(SAFEARRAY**) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CAddin::OnStartupComplete(SAFEARRAY**) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CAddin::OnBeginShutdown(SAFEARRAY**) {
    return E_NOTIMPL;
}

void CAddin::OnSinkEvent(SinkEvents::Action action, IDispatch* control) {
    if (action != SinkEvents::Action::Launch)
        return;
    // A disconnected object's menu item connection outlives it; once the add-in is connected
    // again, the new connection answers the same click, and the viewer must start only once.
    if (!m_connected && s_connectedObjects > 0)
        return;
    // The clicked control is asked for its button interface and let go again: the launch does not
    // depend on the answer.
    if (control) {
        ComPtr<IDispatch> unused;
        static_cast<void>(OfficeCalls::Query(control, office::IID_CommandBarButton, unused));
    }
    Launcher::StartViewer();
}

void CAddin::OnRibbonAction() {
    // Office calls a ribbon control's action only while the add-in is connected, once per click.
    Launcher::StartViewer();
}

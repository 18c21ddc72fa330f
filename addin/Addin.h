// The add-in object that Outlook creates and connects: it puts a "VScope" button on the
// "DrovaAddin" toolbar and an item into the fifth top-level menu, and starts the viewer when
// either is clicked. It can be aggregated; its IUnknown is then the outer object's.
#pragma once
#include "ComPtr.h"
#include "ComServer.h"
#include "DualDispatch.h"
#include "EventSink.h"
#include "OfficeInterfaces.h"
#include "VaroAddin_h.h"

#include <cstddef>

// Entries of the add-in's type information table (CAddin::TypeInfos).
constexpr std::size_t kTypeInfoAddin = 0;
constexpr std::size_t kTypeInfoExtensibility = 1;

class CAddin : public CDualDispatch<IAddin, kTypeInfoAddin>,
               public CDualDispatch<IDTExtensibility2, kTypeInfoExtensibility>,
               public ISupportErrorInfo,
               private CEventSink::IOwner {
public:
    static HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** out);
    static const TypeInfoSource* TypeInfos(std::size_t& count);

    // IUnknown, delegating to the controlling unknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IDTExtensibility2
    HRESULT STDMETHODCALLTYPE OnConnection(IDispatch* application, ext_ConnectMode mode, IDispatch* addInInst,
                                           SAFEARRAY** custom) override;
    HRESULT STDMETHODCALLTYPE OnDisconnection(ext_DisconnectMode mode, SAFEARRAY** custom) override;
    HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY** custom) override;
    HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY** custom) override;
    HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY** custom) override;

    // ISupportErrorInfo
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override;

private:
    // The object's own IUnknown: the one an aggregate holds, and the one that counts.
    class CInnerUnknown : public IUnknown {
    public:
        explicit CInnerUnknown(CAddin& addin) : m_addin(addin) {}
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
        ULONG STDMETHODCALLTYPE AddRef() override;
        ULONG STDMETHODCALLTYPE Release() override;

    private:
        CAddin& m_addin;
    };

    explicit CAddin(IUnknown* outer);
    virtual ~CAddin();

    IUnknown* ControllingUnknown() override { return m_outer; }
    void OnSinkEvent(SinkEvents::Action action, IDispatch* control) override;

    HRESULT Connect(IDispatch* application);
    HRESULT FindOrMakeToolbar(IDispatch* bars, ComPtr<IDispatch>& toolbar);
    HRESULT FindButton(IDispatch* bars, const wchar_t* tag, ComPtr<IDispatch>& button);
    HRESULT MakeToolbarButton(IDispatch* toolbar, ComPtr<IDispatch>& button);
    HRESULT MakeMenuItem(IDispatch* bars, ComPtr<IDispatch>& item);
    HRESULT ConnectSink(CEventSink& sink, IDispatch* source, DWORD& cookie);
    void PutFace();

    CInnerUnknown m_inner;
    IUnknown* m_outer;
    LONG m_refs = 1;

    CEventSink m_buttonSink;
    CEventSink m_menuSink;
    CEventSink m_applicationSink;

    // Released in the order menu item, Outlook application, toolbar button (reverse of declaration).
    ComPtr<IDispatch> m_toolbarButton;
    ComPtr<IDispatch> m_application;
    ComPtr<IDispatch> m_menuItem;

    // Sets the connected flag and keeps the library-wide count of connected objects.
    void SetConnected(bool connected);
    static LONG s_connectedObjects;

    bool m_connected = false;
    bool m_facePut = false; // the face picture went onto the clipboard in this connection
    DWORD m_buttonCookie;
    DWORD m_menuCookie;
    DWORD m_applicationCookie;
};

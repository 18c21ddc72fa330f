// The add-in object that Outlook creates and connects: it puts a "VScope" button on the
// "DrovaAddin" toolbar and an item into the fifth top-level menu, and starts the viewer when
// either is clicked. Outlook 2010 and later also ask it for its ribbon (CRibbonPart): a button on
// the Home tab and an item in the mails' context menu, which start the viewer the same way. It can
// be aggregated; its IUnknown is then the outer object's.
#pragma once
#include "ComPtr.h"
#include "ComServer.h"
#include "EventSink.h"
#include "OfficeInterfaces.h"
#include "RibbonPart.h"
#include "VaroAddin_h.h"
#include "com/ComObject.h"
#include "com/DualDispatch.h"

#include <cstddef>

// Entries of the add-in's type library table (CAddin::Libraries).
constexpr std::size_t kOwnLibrary = 0;
constexpr std::size_t kDesignerLibrary = 1;

class CAddin
    : public com::AggregatableObject<com::DualDispatch<IAddin, &ServerLibrary<kOwnLibrary>>,
                                     com::DualDispatch<IDTExtensibility2, &ServerLibrary<kDesignerLibrary>>,
                                     ISupportErrorInfo>,
      private CEventSink::IOwner,
      private CRibbonPart::IOwner {
public:
    explicit CAddin(IUnknown* outer);
    static const com::LibrarySource* Libraries(std::size_t& count);

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
    ~CAddin() override;

    IUnknown* ControllingUnknown() override { return Controlling(); }
    void OnSinkEvent(SinkEvents::Action action, IDispatch* control) override;
    void OnRibbonAction() override;
    // The ribbon part answers for IRibbonExtensibility.
    IUnknown* QueryMore(REFIID iid) override { return m_ribbon.Part(iid); }

    HRESULT Connect(IDispatch* application);
    HRESULT FindOrMakeToolbar(IDispatch* bars, ComPtr<IDispatch>& toolbar);
    HRESULT FindButton(IDispatch* bars, const wchar_t* tag, ComPtr<IDispatch>& button);
    HRESULT MakeToolbarButton(IDispatch* toolbar, ComPtr<IDispatch>& button);
    HRESULT MakeMenuItem(IDispatch* bars, ComPtr<IDispatch>& item);
    HRESULT ConnectSink(CEventSink& sink, IDispatch* source, DWORD& cookie);
    void PutFace();

    CEventSink m_buttonSink;
    CEventSink m_menuSink;
    CEventSink m_applicationSink;
    CRibbonPart m_ribbon;

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

// Interfaces and identifiers of Outlook and Office that both the add-in and the Outlook stand-in
// use. No Office header exists for this toolchain: the connection interface is declared by hand
// from its published signature (IID and slot order), the rest are only identifiers, because
// Outlook and Office objects are called late-bound through IDispatch by name.
#pragma once
#include <oaidl.h>

// Connect and disconnect modes of the add-in designer library.
enum ext_ConnectMode {
    ext_cm_AfterStartup = 0,
    ext_cm_Startup = 1,
    ext_cm_External = 2,
    ext_cm_CommandLine = 3,
};
enum ext_DisconnectMode {
    ext_dm_HostShutdown = 0,
    ext_dm_UserClosed = 1,
};

// The COM add-in connection interface that Office hosts call: seven IDispatch slots, then these
// five, in this order.
struct IDTExtensibility2 : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE OnConnection(IDispatch* Application, ext_ConnectMode ConnectMode,
                                                   IDispatch* AddInInst, SAFEARRAY** custom) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnDisconnection(ext_DisconnectMode RemoveMode, SAFEARRAY** custom) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY** custom) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY** custom) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY** custom) = 0;
};
__CRT_UUID_DECL(IDTExtensibility2, 0xB65AD801, 0xABAF, 0x11D0, 0xBB, 0x8B, 0x00, 0xA0, 0xC9, 0x0F, 0x27, 0x44)

// The ribbon interfaces of Office 2007 and later, declared from their published signatures. All
// three are dual: Office reaches the add-in's callbacks by name through the IDispatch part of
// the IRibbonExtensibility pointer it got, and reads IRibbonControl late-bound.
struct IRibbonExtensibility : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE GetCustomUI(BSTR RibbonID, BSTR* RibbonXml) = 0;
};
__CRT_UUID_DECL(IRibbonExtensibility, 0x000C0396, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                0x46)

struct IRibbonControl : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_Id(BSTR* Id) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Context(IDispatch** Context) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Tag(BSTR* Tag) = 0;
};
__CRT_UUID_DECL(IRibbonControl, 0x000C0395, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46)

struct IRibbonUI : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE Invalidate() = 0;
    virtual HRESULT STDMETHODCALLTYPE InvalidateControl(BSTR ControlID) = 0;
};
__CRT_UUID_DECL(IRibbonUI, 0x000C03A7, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46)

namespace office {

// {B65AD801-ABAF-11D0-BB8B-00A0C90F2744}
constexpr IID IID_IDTExtensibility2 = {
    0xB65AD801, 0xABAF, 0x11D0, {0xBB, 0x8B, 0x00, 0xA0, 0xC9, 0x0F, 0x27, 0x44}};
// The add-in designer type library that describes IDTExtensibility2:
// {AC0714F2-3D04-11D1-AE7D-00A0C90F26F4} 1.0
constexpr GUID LIBID_AddInDesignerObjects = {
    0xAC0714F2, 0x3D04, 0x11D1, {0xAE, 0x7D, 0x00, 0xA0, 0xC9, 0x0F, 0x26, 0xF4}};
constexpr WORD kAddInDesignerMajor = 1;
constexpr WORD kAddInDesignerMinor = 0;

// Outlook: _Application {00063001-0000-0000-C000-000000000046}
constexpr IID IID_OutlookApplication = {
    0x00063001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// Outlook: _MailItem {00063034-0000-0000-C000-000000000046}
constexpr IID IID_OutlookMailItem = {
    0x00063034, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// Outlook: ApplicationEvents {0006304E-0000-0000-C000-000000000046}
constexpr IID IID_ApplicationEvents = {
    0x0006304E, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// Office: _CommandBarButton {000C030E-0000-0000-C000-000000000046}
constexpr IID IID_CommandBarButton = {
    0x000C030E, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// Office: CommandBarPopup {000C030A-0000-0000-C000-000000000046}
constexpr IID IID_CommandBarPopup = {
    0x000C030A, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// Office: _CommandBarButtonEvents {000C0351-0000-0000-C000-000000000046}
constexpr IID IID_CommandBarButtonEvents = {
    0x000C0351, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// Office: IRibbonExtensibility {000C0396-0000-0000-C000-000000000046}
constexpr IID IID_IRibbonExtensibility = {
    0x000C0396, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// Office: IRibbonControl {000C0395-0000-0000-C000-000000000046}
constexpr IID IID_IRibbonControl = {
    0x000C0395, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// Office: IRibbonUI {000C03A7-0000-0000-C000-000000000046}
constexpr IID IID_IRibbonUI = {0x000C03A7, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// DISPIDs of the ribbon interfaces' members, as Office's type library gives them.
constexpr DISPID kDispidGetCustomUI = 1;
constexpr DISPID kDispidRibbonControlId = 1;
constexpr DISPID kDispidRibbonControlContext = 2;
constexpr DISPID kDispidRibbonControlTag = 3;
constexpr DISPID kDispidRibbonInvalidate = 1;
constexpr DISPID kDispidRibbonInvalidateControl = 2;
// The ribbon ID of Outlook's main window, the only one the add-in fills.
constexpr wchar_t kRibbonIdExplorer[] = L"Microsoft.Outlook.Explorer";

// Office's command-bar constants that the add-in passes.
constexpr long msoControlButton = 1;
constexpr long msoControlPopup = 10;
constexpr long msoBarTop = 1;
constexpr long msoButtonIconAndCaption = 3;
// DISPID of _CommandBarButtonEvents.Click (Ctrl, CancelDefault).
constexpr DISPID kDispidClick = 1;

// Where Outlook looks for COM add-ins of the current user.
constexpr char kOutlookAddinsKey[] = "Software\\Microsoft\\Office\\Outlook\\Addins";

} // namespace office

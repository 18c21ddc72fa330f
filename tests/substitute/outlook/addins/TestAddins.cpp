// Test add-ins for the Outlook stand-in (never shipped): a do-nothing one, one whose connection
// fails, and one that records what the host does with it and uses the command bars as an add-in
// does.
#include "TestAddins.h"

#include "ComPtr.h"
#include "Dispatch.h"
#include "OfficeInterfaces.h"
#include "StringConv.h"

#include <objbase.h>
#include <olectl.h>
#include <ocidl.h>
#include <oleauto.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace {
HMODULE g_module = nullptr;
LONG g_objects = 0;

void Log(const std::wstring& line) {
    wchar_t path[MAX_PATH] = {};
    if (!::GetEnvironmentVariableW(kAddinLogVariable, path, MAX_PATH))
        return;
    FILE* file = _wfopen(path, L"ab");
    if (!file)
        return;
    std::string bytes = WideToUtf8(line + L"\n");
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

std::wstring Hex(HRESULT hr) {
    wchar_t text[16] = {};
    std::swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

// An event sink that writes each event it gets into the log.
class Sink final : public IDispatch {
public:
    Sink(std::wstring name, const IID& source) : m_name(std::move(name)), m_source(source) {
        ::InterlockedIncrement(&g_objects);
    }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, m_source)) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&m_refs)); }
    ULONG STDMETHODCALLTYPE Release() override {
        LONG left = ::InterlockedDecrement(&m_refs);
        if (!left)
            delete this;
        return static_cast<ULONG>(left);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        if (IsEqualIID(m_source, office::IID_CommandBarButtonEvents) && id == office::kDispidClick) {
            // Click(Ctrl, CancelDefault): arguments arrive last-first.
            bool shape = params && params->cArgs == 2 && params->rgvarg[1].vt == VT_DISPATCH &&
                         params->rgvarg[0].vt == (VT_BOOL | VT_BYREF) && params->rgvarg[0].pboolVal;
            ComPtr<IUnknown> button;
            if (shape && params->rgvarg[1].pdispVal)
                params->rgvarg[1].pdispVal->QueryInterface(
                    office::IID_CommandBarButton, reinterpret_cast<void**>(button.ReleaseAndGetAddressOf()));
            Log(L"Click " + m_name + (shape && button ? L" ctrl=button" : L" bad-arguments"));
        } else {
            Log(L"Event " + m_name + L" " + std::to_wstring(id));
        }
        return S_OK;
    }

private:
    ~Sink() { ::InterlockedDecrement(&g_objects); }
    LONG m_refs = 1;
    std::wstring m_name;
    IID m_source;
};

// One advised sink, unadvised when it goes.
class Connection {
public:
    HRESULT Advise(IUnknown* source, const IID& iid, const std::wstring& name) {
        ComPtr<IConnectionPointContainer> container;
        HRESULT hr =
            source ? source->QueryInterface(IID_IConnectionPointContainer,
                                            reinterpret_cast<void**>(container.ReleaseAndGetAddressOf()))
                   : E_POINTER;
        if (SUCCEEDED(hr))
            hr = container->FindConnectionPoint(iid, m_point.ReleaseAndGetAddressOf());
        ComPtr<IDispatch> sink;
        sink.Attach(new Sink(name, iid));
        if (SUCCEEDED(hr))
            hr = m_point->Advise(sink.Get(), &m_cookie);
        return hr;
    }
    void Unadvise() {
        if (m_point && m_cookie)
            m_point->Unadvise(m_cookie);
        m_point.Reset();
        m_cookie = 0;
    }

private:
    ComPtr<IConnectionPoint> m_point;
    DWORD m_cookie = 0;
};

enum class Kind { Null, Failing, Recording, Ribbon };

CVariant ShortBool(bool value) {
    CVariant v;
    v.Ptr()->vt = VT_I2;
    v.Ptr()->iVal = value ? -1 : 0;
    return v;
}

class TestAddin final : public IDTExtensibility2 {
public:
    explicit TestAddin(Kind kind) : m_kind(kind) { ::InterlockedIncrement(&g_objects); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
            IsEqualIID(iid, office::IID_IDTExtensibility2)) {
            *out = static_cast<IDTExtensibility2*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&m_refs)); }
    ULONG STDMETHODCALLTYPE Release() override {
        LONG left = ::InterlockedDecrement(&m_refs);
        if (!left)
            delete this;
        return static_cast<ULONG>(left);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count)
            *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return E_NOTIMPL;
    }

    HRESULT STDMETHODCALLTYPE OnConnection(IDispatch* application, ext_ConnectMode mode, IDispatch* instance,
                                           SAFEARRAY** custom) override {
        if (m_kind == Kind::Null)
            return S_OK;
        if (m_kind == Kind::Failing)
            return kFailingAddinResult;
        VARTYPE type = VT_EMPTY;
        bool emptyVariants = custom && *custom && SUCCEEDED(::SafeArrayGetVartype(*custom, &type)) &&
                             type == VT_VARIANT && (*custom)->cDims == 1 &&
                             (*custom)->rgsabound[0].cElements == 0;
        std::wstring progId;
        if (instance)
            progId = Dispatch::ToWString(Dispatch::GetProperty(instance, L"ProgId"));
        Log(L"OnConnection mode=" + std::to_wstring(mode) + L" custom=" +
            (emptyVariants ? L"empty" : L"other") + L" instance=" + progId);
        HRESULT hr = Build(application);
        Log(L"built " + Hex(hr));
        return hr;
    }
    HRESULT STDMETHODCALLTYPE OnDisconnection(ext_DisconnectMode mode, SAFEARRAY**) override {
        if (m_kind == Kind::Recording)
            Log(L"OnDisconnection mode=" + std::to_wstring(mode));
        m_buttonEvents.Unadvise();
        m_menuEvents.Unadvise();
        m_applicationEvents.Unadvise();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY**) override { return Record(L"OnAddInsUpdate"); }
    HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY**) override { return Record(L"OnStartupComplete"); }
    HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY**) override { return Record(L"OnBeginShutdown"); }

private:
    ~TestAddin() {
        if (m_kind == Kind::Recording)
            Log(L"Released");
        ::InterlockedDecrement(&g_objects);
    }
    HRESULT Record(const wchar_t* call) {
        if (m_kind == Kind::Recording)
            Log(call);
        return S_OK;
    }

    // What an add-in does: its own bar with a button, an item in the fifth menu, three connections.
    HRESULT Build(IDispatch* application) {
        ComPtr<IDispatch> outlook;
        if (!application ||
            FAILED(application->QueryInterface(office::IID_OutlookApplication,
                                               reinterpret_cast<void**>(outlook.ReleaseAndGetAddressOf()))))
            return E_NOINTERFACE;
        HRESULT hr = S_OK;
        ComPtr<IDispatch> explorer =
            Dispatch::ToDispatch(Dispatch::CallMethod(outlook.Get(), L"ActiveExplorer", {}, &hr));
        if (!explorer)
            return FAILED(hr) ? hr : E_POINTER;
        ComPtr<IDispatch> bars =
            Dispatch::ToDispatch(Dispatch::GetProperty(explorer.Get(), L"CommandBars", &hr));
        if (!bars)
            return hr;
        ComPtr<IDispatch> bar = Dispatch::ToDispatch(
            Dispatch::CallMethod(bars.Get(), L"Item", {CVariant::FromString(kTestBarName)}));
        if (!bar) {
            bar = Dispatch::ToDispatch(
                Dispatch::CallMethod(bars.Get(), L"Add",
                                     {CVariant::FromString(kTestBarName), CVariant::FromLong(1),
                                      CVariant::Omitted(), ShortBool(false)},
                                     &hr));
            if (!bar)
                return hr;
        }
        Dispatch::PutProperty(bar.Get(), L"Visible", CVariant::FromBool(true));
        ComPtr<IDispatch> button = Find(bars.Get(), kTestButtonTag);
        if (!button) {
            ComPtr<IDispatch> controls =
                Dispatch::ToDispatch(Dispatch::GetProperty(bar.Get(), L"Controls", &hr));
            if (!controls)
                return hr;
            button = Dispatch::ToDispatch(
                Dispatch::CallMethod(controls.Get(), L"Add",
                                     {CVariant::FromLong(1), CVariant::Omitted(), CVariant::Omitted(),
                                      CVariant::Omitted(), ShortBool(true)},
                                     &hr));
            if (!button)
                return hr;
            Dispatch::PutProperty(button.Get(), L"Caption", CVariant::FromString(L"Test"));
            Dispatch::PutProperty(button.Get(), L"Style", CVariant::FromLong(3));
            Dispatch::PutProperty(button.Get(), L"FaceId", CVariant::FromLong(59));
            Dispatch::PutProperty(button.Get(), L"Tag", CVariant::FromString(kTestButtonTag));
        }
        ComPtr<IDispatch> item = Find(bars.Get(), kTestMenuTag);
        if (!item) {
            ComPtr<IDispatch> menuBar =
                Dispatch::ToDispatch(Dispatch::GetProperty(bars.Get(), L"ActiveMenuBar", &hr));
            if (!menuBar)
                return hr;
            ComPtr<IDispatch> top =
                Dispatch::ToDispatch(Dispatch::GetProperty(menuBar.Get(), L"Controls", &hr));
            ComPtr<IDispatch> fifth = top ? Dispatch::ToDispatch(Dispatch::CallMethod(
                                                top.Get(), L"Item", {CVariant::FromLong(5)}, &hr))
                                          : nullptr;
            ComPtr<IDispatch> control =
                fifth ? Dispatch::ToDispatch(Dispatch::GetProperty(fifth.Get(), L"Control", &hr)) : nullptr;
            ComPtr<IDispatch> popup;
            if (!control || FAILED(hr = control.As(office::IID_CommandBarPopup, popup)))
                return FAILED(hr) ? hr : E_POINTER;
            ComPtr<IDispatch> entries =
                Dispatch::ToDispatch(Dispatch::GetProperty(popup.Get(), L"Controls", &hr));
            if (!entries)
                return hr;
            item = Dispatch::ToDispatch(
                Dispatch::CallMethod(entries.Get(), L"Add",
                                     {CVariant::FromLong(1), CVariant::Omitted(), CVariant::Omitted(),
                                      CVariant::Omitted(), ShortBool(true)},
                                     &hr));
            if (!item)
                return hr;
            Dispatch::PutProperty(item.Get(), L"Caption", CVariant::FromString(L"Test item"));
            Dispatch::PutProperty(item.Get(), L"Tag", CVariant::FromString(kTestMenuTag));
        }
        if (FAILED(hr = m_buttonEvents.Advise(button.Get(), office::IID_CommandBarButtonEvents, L"button")) ||
            FAILED(hr = m_menuEvents.Advise(item.Get(), office::IID_CommandBarButtonEvents, L"menu")) ||
            FAILED(hr = m_applicationEvents.Advise(outlook.Get(), office::IID_ApplicationEvents,
                                                   L"application")))
            return hr;
        return S_OK;
    }

    static ComPtr<IDispatch> Find(IDispatch* bars, const wchar_t* tag) {
        return Dispatch::ToDispatch(Dispatch::CallMethod(
            bars, L"FindControl",
            {CVariant::FromLong(1), CVariant::Omitted(), CVariant::FromString(tag), CVariant::Omitted()}));
    }

    LONG m_refs = 1;
    Kind m_kind;
    Connection m_buttonEvents;
    Connection m_menuEvents;
    Connection m_applicationEvents;
};

// The ribbon add-in: its connection interface's IDispatch knows no callbacks, so a host that asks
// there instead of the IDispatch part of IRibbonExtensibility finds none.
class ExtensibilityPart : public IDTExtensibility2 {
public:
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count)
            *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return DISP_E_MEMBERNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE OnConnection(IDispatch*, ext_ConnectMode, IDispatch*, SAFEARRAY**) override {
        Log(L"OnConnection");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnDisconnection(ext_DisconnectMode mode, SAFEARRAY**) override {
        Log(L"OnDisconnection mode=" + std::to_wstring(mode));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY**) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY**) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY**) override { return S_OK; }
};

enum RibbonCallback : DISPID {
    kOnLoad = 101,
    kOnAction,
    kOnActionInvalidate,
    kOnActionInvalidateControl,
    kGetEnabled,
    kGetImage,
    kFail,
};
struct CallbackName {
    const wchar_t* name;
    DISPID id;
};
const CallbackName kCallbacks[] = {{L"OnLoad", kOnLoad},
                                   {L"OnAction", kOnAction},
                                   {L"OnActionInvalidate", kOnActionInvalidate},
                                   {L"OnActionInvalidateControl", kOnActionInvalidateControl},
                                   {L"GetEnabled", kGetEnabled},
                                   {L"GetImage", kGetImage},
                                   {L"Fail", kFail}};

// "explorer", "selection(N)" or what else the context is.
std::wstring ContextKind(IDispatch* context) {
    if (!context)
        return L"none";
    HRESULT hr = S_OK;
    Dispatch::GetProperty(context, L"Selection", &hr);
    if (SUCCEEDED(hr))
        return L"explorer";
    long count = Dispatch::ToLong(Dispatch::GetProperty(context, L"Count", &hr));
    return SUCCEEDED(hr) ? L"selection(" + std::to_wstring(count) + L")" : L"other";
}

class RibbonPart : public IRibbonExtensibility {
public:
    HRESULT STDMETHODCALLTYPE GetCustomUI(BSTR ribbonId, BSTR* xml) override {
        std::wstring id = ribbonId ? ribbonId : L"";
        Log(L"GetCustomUI " + id);
        if (!xml)
            return E_POINTER;
        std::string text;
        wchar_t path[MAX_PATH] = {};
        if (id == office::kRibbonIdExplorer &&
            ::GetEnvironmentVariableW(kRibbonXmlVariable, path, MAX_PATH)) {
            std::ifstream in(path, std::ios::binary);
            std::ostringstream all;
            all << in.rdbuf();
            text = all.str();
        }
        std::wstring wide = Utf8ToWide(text);
        *xml = ::SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count)
            *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        if (!names || !ids || count != 1)
            return E_INVALIDARG;
        for (const CallbackName& callback : kCallbacks) {
            if (::lstrcmpiW(names[0], callback.name) == 0) {
                ids[0] = callback.id;
                return S_OK;
            }
        }
        ids[0] = DISPID_UNKNOWN;
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* exception, UINT*) override {
        IDispatch* argument = params && params->cArgs == 1 && params->rgvarg[0].vt == VT_DISPATCH
                                  ? params->rgvarg[0].pdispVal
                                  : nullptr;
        if (!argument)
            return DISP_E_BADPARAMCOUNT;
        if (id == kOnLoad) {
            HRESULT hr = argument->QueryInterface(office::IID_IRibbonUI,
                                                  reinterpret_cast<void**>(m_ui.ReleaseAndGetAddressOf()));
            Log(L"onLoad " + Hex(hr));
            return S_OK;
        }
        const std::wstring controlId = Dispatch::ToWString(Dispatch::GetProperty(argument, L"Id"));
        switch (id) {
        case kOnAction:
        case kOnActionInvalidate:
        case kOnActionInvalidateControl: {
            ComPtr<IDispatch> context = Dispatch::ToDispatch(Dispatch::GetProperty(argument, L"Context"));
            Log(L"onAction id=" + controlId + L" tag=" +
                Dispatch::ToWString(Dispatch::GetProperty(argument, L"Tag")) + L" context=" +
                ContextKind(context.Get()));
            if (id == kOnActionInvalidate && m_ui)
                m_ui->Invalidate();
            if (id == kOnActionInvalidateControl && m_ui) {
                BSTR which = ::SysAllocString(controlId.c_str());
                m_ui->InvalidateControl(which);
                ::SysFreeString(which);
            }
            return S_OK;
        }
        case kGetEnabled:
            Log(L"getEnabled " + controlId);
            if (result) {
                result->vt = VT_BOOL;
                result->boolVal = m_enabledAsked[controlId]++ == 0 ? VARIANT_TRUE : VARIANT_FALSE;
            }
            return S_OK;
        case kGetImage:
            Log(L"getImage " + controlId);
            return result ? Picture(result) : S_OK;
        case kFail:
            Log(L"fail " + controlId);
            if (exception) {
                *exception = {};
                exception->scode = E_FAIL;
                exception->bstrDescription = ::SysAllocString(L"deliberate failure");
            }
            return DISP_E_EXCEPTION;
        default:
            return DISP_E_MEMBERNOTFOUND;
        }
    }

private:
    // A green 32 x 32 square in a picture object that owns its bitmap.
    static HRESULT Picture(VARIANT* result) {
        HDC screen = ::GetDC(nullptr);
        HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 32, 32);
        HDC memory = ::CreateCompatibleDC(screen);
        HGDIOBJ old = ::SelectObject(memory, bitmap);
        HBRUSH green = ::CreateSolidBrush(RGB(0, 160, 60));
        RECT all = {0, 0, 32, 32};
        ::FillRect(memory, &all, green);
        ::DeleteObject(green);
        ::SelectObject(memory, old);
        ::DeleteDC(memory);
        ::ReleaseDC(nullptr, screen);
        PICTDESC desc = {};
        desc.cbSizeofstruct = sizeof desc;
        desc.picType = PICTYPE_BITMAP;
        desc.bmp.hbitmap = bitmap;
        IPictureDisp* picture = nullptr;
        HRESULT hr =
            ::OleCreatePictureIndirect(&desc, IID_IPictureDisp, TRUE, reinterpret_cast<void**>(&picture));
        if (FAILED(hr)) {
            ::DeleteObject(bitmap);
            return hr;
        }
        result->vt = VT_DISPATCH;
        result->pdispVal = picture;
        return S_OK;
    }

    ComPtr<IRibbonUI> m_ui;
    std::map<std::wstring, int> m_enabledAsked; // by control id
};

class RibbonAddin final : public ExtensibilityPart, public RibbonPart {
public:
    RibbonAddin() { ::InterlockedIncrement(&g_objects); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
            IsEqualIID(iid, office::IID_IDTExtensibility2))
            *out = static_cast<IDTExtensibility2*>(this);
        else if (IsEqualIID(iid, office::IID_IRibbonExtensibility)) {
            Log(L"QueryInterface IRibbonExtensibility");
            *out = static_cast<IRibbonExtensibility*>(this);
        }
        if (!*out)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&m_refs)); }
    ULONG STDMETHODCALLTYPE Release() override {
        LONG left = ::InterlockedDecrement(&m_refs);
        if (!left)
            delete this;
        return static_cast<ULONG>(left);
    }

private:
    ~RibbonAddin() {
        Log(L"Released");
        ::InterlockedDecrement(&g_objects);
    }
    LONG m_refs = 1;
};

class Factory : public IClassFactory {
public:
    explicit Factory(Kind kind) : m_kind(kind) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
            *out = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; } // static objects
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        if (m_kind == Kind::Ribbon) {
            auto* addin = new RibbonAddin();
            HRESULT hr = addin->QueryInterface(iid, out);
            addin->Release();
            return hr;
        }
        auto* addin = new TestAddin(m_kind);
        HRESULT hr = addin->QueryInterface(iid, out);
        addin->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock)
            ::InterlockedIncrement(&g_objects);
        else
            ::InterlockedDecrement(&g_objects);
        return S_OK;
    }

private:
    Kind m_kind;
};

Factory g_nullFactory(Kind::Null);
Factory g_failingFactory(Kind::Failing);
Factory g_recordingFactory(Kind::Recording);
Factory g_ribbonFactory(Kind::Ribbon);

struct ClassEntry {
    const CLSID* clsid;
    const wchar_t* progId;
};
const ClassEntry kClasses[] = {{&kNullAddinClassId, kNullAddinProgId},
                               {&kFailingAddinClassId, kFailingAddinProgId},
                               {&kRecordingAddinClassId, kRecordingAddinProgId},
                               {&kRibbonAddinClassId, kRibbonAddinProgId}};

std::wstring ClassIdText(const CLSID& clsid) {
    wchar_t text[40] = {};
    ::StringFromGUID2(clsid, text, 40);
    return text;
}

LONG SetValue(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
    HKEY k = nullptr;
    LONG rc = ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k,
                                nullptr);
    if (rc != ERROR_SUCCESS)
        return rc;
    rc = ::RegSetValueExW(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(k);
    return rc;
}
} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH)
        g_module = instance;
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (IsEqualCLSID(clsid, kNullAddinClassId))
        return g_nullFactory.QueryInterface(iid, out);
    if (IsEqualCLSID(clsid, kFailingAddinClassId))
        return g_failingFactory.QueryInterface(iid, out);
    if (IsEqualCLSID(clsid, kRecordingAddinClassId))
        return g_recordingFactory.QueryInterface(iid, out);
    if (IsEqualCLSID(clsid, kRibbonAddinClassId))
        return g_ribbonFactory.QueryInterface(iid, out);
    return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow() {
    return g_objects == 0 ? S_OK : S_FALSE;
}

// Machine-wide classes, where COM finds them under Wine as under Windows.
STDAPI DllRegisterServer() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(g_module, path, MAX_PATH);
    for (const ClassEntry& entry : kClasses) {
        const std::wstring clsid = ClassIdText(*entry.clsid);
        const std::wstring classKey = L"Software\\Classes\\CLSID\\" + clsid;
        LONG rc = SetValue(L"Software\\Classes\\" + std::wstring(entry.progId) + L"\\CLSID", nullptr, clsid);
        if (rc == ERROR_SUCCESS)
            rc = SetValue(classKey, nullptr, entry.progId);
        if (rc == ERROR_SUCCESS)
            rc = SetValue(classKey + L"\\ProgID", nullptr, entry.progId);
        if (rc == ERROR_SUCCESS)
            rc = SetValue(classKey + L"\\InprocServer32", nullptr, path);
        if (rc == ERROR_SUCCESS)
            rc = SetValue(classKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
        if (rc != ERROR_SUCCESS)
            return HRESULT_FROM_WIN32(rc);
    }
    return S_OK;
}

STDAPI DllUnregisterServer() {
    for (const ClassEntry& entry : kClasses) {
        ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, (L"Software\\Classes\\" + std::wstring(entry.progId)).c_str());
        ::RegDeleteTreeW(HKEY_LOCAL_MACHINE,
                         (L"Software\\Classes\\CLSID\\" + ClassIdText(*entry.clsid)).c_str());
    }
    return S_OK;
}

#include "AddinHost.h"

#include "AddinInstanceObject.h"
#include "RegKey.h"
#include "RibbonHost.h"
#include "com/HexResult.h"

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <chrono>

namespace {
constexpr DWORD kLoadAtStartup = 3;

// The empty custom array that Office passes to every IDTExtensibility2 call.
class CustomArray {
public:
    CustomArray() : m_array(::SafeArrayCreateVector(VT_VARIANT, 0, 0)) {}
    ~CustomArray() {
        if (m_array)
            ::SafeArrayDestroy(m_array);
    }
    CustomArray(const CustomArray&) = delete;
    CustomArray& operator=(const CustomArray&) = delete;
    // Callee may replace the array; whatever is there afterwards is ours to destroy.
    SAFEARRAY** Address() { return &m_array; }

private:
    SAFEARRAY* m_array;
};
} // namespace

AddinHost::AddinHost(IDispatch* application, std::function<void(const std::wstring&)> report)
    : m_application(application), m_report(std::move(report)) {}

AddinHost::~AddinHost() {
    Shutdown();
}

std::vector<AddinHost::Entry> AddinHost::RegisteredAtStartup() {
    std::vector<Entry> entries;
    RegKey addins;
    if (addins.Open(HKEY_CURRENT_USER, office::kOutlookAddinsKey, KEY_READ) != ERROR_SUCCESS)
        return entries;
    for (DWORD i = 0;; ++i) {
        std::wstring name;
        LONG rc = addins.EnumKey(i, name);
        if (rc == ERROR_NO_MORE_ITEMS)
            break;
        if (rc != ERROR_SUCCESS)
            continue; // a name too long for a ProgID is no add-in
        RegKey entry;
        DWORD behavior = 0;
        if (entry.Open(addins.Get(), name.c_str(), KEY_READ) != ERROR_SUCCESS ||
            !entry.QueryDword(L"LoadBehavior", behavior) || behavior != kLoadAtStartup)
            continue;
        std::wstring description;
        if (!entry.QueryString(L"Description", description) || description.empty())
            entry.QueryString(L"FriendlyName", description);
        entries.push_back({name, description});
    }
    return entries;
}

bool AddinHost::Connect(const Entry& entry, ext_ConnectMode mode, Connected& out) {
    CLSID clsid;
    HRESULT hr = ::CLSIDFromProgID(entry.progId.c_str(), &clsid);
    ComPtr<IUnknown> created;
    if (SUCCEEDED(hr))
        hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                reinterpret_cast<void**>(created.ReleaseAndGetAddressOf()));
    ComPtr<IDTExtensibility2> addin;
    if (SUCCEEDED(hr))
        hr = created.As(office::IID_IDTExtensibility2, addin);
    if (FAILED(hr) || !addin) {
        m_report(L"add-in " + entry.progId + L" cannot be loaded: " +
                 com::HexResult(FAILED(hr) ? hr : E_NOINTERFACE));
        return false;
    }
    out.entry = entry;
    out.connected = std::make_shared<bool>(false);
    ComPtr<IDispatch> instance;
    instance.Attach(new AddinInstanceObject(entry.progId, entry.description, out.connected));
    CustomArray custom;
    hr = addin->OnConnection(m_application.Get(), mode, instance.Get(), custom.Address());
    if (FAILED(hr)) {
        m_report(L"add-in " + entry.progId + L" was not connected: OnConnection returned " +
                 com::HexResult(hr));
        return false;
    }
    *out.connected = true;
    out.object = std::move(addin);
    // As Office: the ribbon is asked for once the add-in is connected.
    if (m_ribbon)
        m_ribbon->Connected(entry.progId, out.object.Get());
    return true;
}

void AddinHost::Disconnect(Connected& addin, ext_DisconnectMode mode) {
    if (!addin.object)
        return;
    CustomArray custom;
    HRESULT hr = addin.object->OnDisconnection(mode, custom.Address());
    if (FAILED(hr))
        m_report(L"add-in " + addin.entry.progId + L": OnDisconnection returned " + com::HexResult(hr));
    *addin.connected = false;
    if (m_ribbon)
        m_ribbon->Disconnected(addin.entry.progId);
    addin.object.Reset();
}

void AddinHost::ConnectAtStartup() {
    for (const Entry& entry : RegisteredAtStartup()) {
        Connected addin;
        if (Connect(entry, ext_cm_Startup, addin))
            m_addins.push_back(std::move(addin));
    }
    for (Connected& addin : m_addins) {
        CustomArray custom;
        addin.object->OnStartupComplete(custom.Address()); // add-ins may answer E_NOTIMPL
    }
}

void AddinHost::Shutdown() {
    for (Connected& addin : m_addins) {
        CustomArray custom;
        if (addin.object)
            addin.object->OnBeginShutdown(custom.Address());
    }
    for (Connected& addin : m_addins)
        Disconnect(addin, ext_dm_HostShutdown);
    m_addins.clear();
}

void AddinHost::DisconnectAll() {
    for (Connected& addin : m_addins)
        Disconnect(addin, ext_dm_UserClosed);
    m_addins.clear();
}

void AddinHost::Reconnect() {
    DisconnectAll();
    for (const Entry& entry : RegisteredAtStartup()) {
        Connected addin;
        if (Connect(entry, ext_cm_AfterStartup, addin))
            m_addins.push_back(std::move(addin));
    }
    m_report(L"add-ins reconnected: " + std::to_wstring(m_addins.size()));
}

std::vector<std::wstring> AddinHost::ConnectedProgIds() const {
    std::vector<std::wstring> ids;
    for (const Connected& addin : m_addins)
        ids.push_back(addin.entry.progId);
    return ids;
}

void AddinHost::TimeConnections(int repeats) {
    using Clock = std::chrono::steady_clock;
    for (const Entry& entry : RegisteredAtStartup()) {
        for (int i = 0; i < repeats; ++i) {
            Connected addin;
            auto start = Clock::now();
            bool ok = Connect(entry, ext_cm_Startup, addin);
            auto micros = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count();
            if (!ok)
                break;
            m_report(L"time " + entry.progId + L" " + std::to_wstring(micros) + L" us");
            Disconnect(addin, ext_dm_UserClosed);
        }
    }
}

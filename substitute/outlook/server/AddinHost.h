// What Outlook does with COM add-ins: the current user's entries under
// HKCU\Software\Microsoft\Office\Outlook\Addins with LoadBehavior 3 are created in-process from
// their ProgIDs and connected through IDTExtensibility2 at start, and disconnected at exit.
// An add-in that cannot be created or connected is reported and dropped; the host goes on.
#pragma once
#include "ComPtr.h"
#include "OfficeInterfaces.h"

class RibbonHost;

#include <functional>
#include <memory>
#include <string>
#include <vector>

class AddinHost {
public:
    // report: writes one line on the host's console.
    AddinHost(IDispatch* application, std::function<void(const std::wstring&)> report);
    AddinHost(const AddinHost&) = delete;
    AddinHost& operator=(const AddinHost&) = delete;
    ~AddinHost(); // disconnects whatever is still connected, as at host shutdown

    // Where each connected add-in's ribbon goes (null: none); it must outlive this host.
    void SetRibbonHost(RibbonHost* ribbon) { m_ribbon = ribbon; }

    // Connects every add-in registered to load at start, then tells each that start-up is complete.
    void ConnectAtStartup();
    // At exit: OnBeginShutdown to each, then OnDisconnection (host shutdown), then release.
    void Shutdown();
    // As the COM add-ins dialog does: disconnects every add-in (user closed) and connects the
    // registered ones again (after start-up).
    void Reconnect();
    // As unticking them in that dialog: OnDisconnection (user closed), then release.
    void DisconnectAll();
    size_t ConnectedCount() const { return m_addins.size(); }
    std::vector<std::wstring> ConnectedProgIds() const;

    // Creates and connects each registered add-in repeats times, disconnecting it in between,
    // and reports the microseconds that creation plus OnConnection (plus, with a ribbon,
    // GetCustomUI and onLoad) took each time.
    void TimeConnections(int repeats);

    struct Entry {
        std::wstring progId;
        std::wstring description;
    };
    // The entries of the current user that are set to load at start (LoadBehavior 3), in key order.
    static std::vector<Entry> RegisteredAtStartup();

private:
    struct Connected {
        Entry entry;
        ComPtr<IDTExtensibility2> object;
        std::shared_ptr<bool> connected;
    };
    // Creates the add-in and calls OnConnection; false (reported) when either fails.
    bool Connect(const Entry& entry, ext_ConnectMode mode, Connected& out);
    void Disconnect(Connected& addin, ext_DisconnectMode mode);

    ComPtr<IDispatch> m_application;
    std::function<void(const std::wstring&)> m_report;
    std::vector<Connected> m_addins;
    RibbonHost* m_ribbon = nullptr;
};

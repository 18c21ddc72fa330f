// An in-process Outlook with Office command bars for add-in tests. Every object is a
// FakeOfficeObject: members are named handlers, other properties are kept as put, it answers
// the interface identifiers it is given, and it can be an event source with connection points.
// Every call on any object is written to one shared log, in call order, with its arguments.
#pragma once
#include "ComPtr.h"
#include "Variant.h"

#include <ocidl.h>
#include <olectl.h>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class FakeConnectionPoint;

class FakeOfficeObject : public IDispatch, public IConnectionPointContainer {
public:
    using Handler = std::function<HRESULT(const std::vector<VARIANT*>& args, WORD flags, VARIANT* result)>;

    static ComPtr<FakeOfficeObject> Create(std::wstring name, std::vector<std::wstring>& log,
                                           std::vector<IID> iids = {}, std::vector<IID> events = {});

    const std::wstring& Name() const { return m_name; }
    void On(const std::wstring& member, Handler handler) { m_handlers[Lower(member)] = std::move(handler); }
    void Fail(const std::wstring& member, HRESULT hr);
    void Returns(const std::wstring& member, IDispatch* object);
    // A property value set without a log entry: the state an earlier run left.
    void Preset(const std::wstring& name, const CVariant& value);
    // The last value put into a property (empty when none).
    CVariant Property(const std::wstring& name) const;
    std::wstring Text(const std::wstring& name) const;
    FakeConnectionPoint* Events(const IID& iid) const;
    // Drops every event connection, as the host does when it ends.
    void DropConnections();
    ULONG References() const { return m_refs; }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override;
    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO*, UINT*) override;
    // IConnectionPointContainer
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** out) override;

private:
    FakeOfficeObject(std::wstring name, std::vector<std::wstring>& log, std::vector<IID> iids,
                     std::vector<IID> events);
    virtual ~FakeOfficeObject();
    static std::wstring Lower(const std::wstring& text);

    std::wstring m_name;
    std::vector<std::wstring>& m_log;
    std::vector<IID> m_iids;
    std::vector<ComPtr<FakeConnectionPoint>> m_points;
    std::vector<std::wstring> m_members; // DISPID - 1 -> name as first asked for
    std::map<std::wstring, Handler> m_handlers;
    std::map<std::wstring, CVariant> m_properties;
    ULONG m_refs = 1;
};

class FakeConnectionPoint : public IConnectionPoint {
public:
    FakeConnectionPoint(FakeOfficeObject& owner, const IID& iid, std::vector<std::wstring>& log)
        : m_owner(owner), m_iid(iid), m_log(log) {}

    HRESULT adviseResult = S_OK;
    HRESULT unadviseResult = S_OK;
    std::size_t Connections() const { return m_sinks.size(); }
    // Calls every connected sink's Invoke; arguments in their natural order. Returns the last result.
    HRESULT Fire(DISPID id, std::vector<VARIANT> args);
    void Drop() { m_sinks.clear(); }
    IUnknown* FirstSink() const { return m_sinks.empty() ? nullptr : m_sinks.begin()->second.Get(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override;
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** out) override;
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

    const IID& Iid() const { return m_iid; }

private:
    virtual ~FakeConnectionPoint() = default;
    FakeOfficeObject& m_owner;
    IID m_iid;
    std::vector<std::wstring>& m_log;
    std::map<DWORD, ComPtr<IUnknown>> m_sinks;
    DWORD m_next = 1;
    ULONG m_refs = 1;
};

// Outlook's application with one explorer whose command bars hold a menu bar with five menus.
class FakeOffice {
public:
    FakeOffice();
    ~FakeOffice();
    FakeOffice(const FakeOffice&) = delete;
    FakeOffice& operator=(const FakeOffice&) = delete;

    std::vector<std::wstring> log;
    ComPtr<FakeOfficeObject> app, explorer, bars, menuBar, menuControls, fifthMenu, popup, popupControls;
    ComPtr<FakeOfficeObject> toolbar, toolbarControls; // null until the toolbar exists
    std::vector<ComPtr<FakeOfficeObject>> buttons;     // every control added, in order

    // The host ends: every source lets its sinks go, which lets the add-in objects go.
    void Shutdown();
    // A permanent toolbar that an earlier Outlook run left (hidden by the user, say).
    void MakeToolbar(bool visible);
    // The fifth menu is a plain button, not a pop-up menu.
    void FifthMenuIsNoPopup();
    FakeOfficeObject* FindByTag(const std::wstring& tag) const;
    // True when the clipboard held a bitmap at each PasteFace.
    std::vector<bool> pasteSawBitmap;

private:
    ComPtr<FakeOfficeObject> AddButton(const std::wstring& name);
};

// The log entries of one object, as "Member..." without the object's name.
std::vector<std::wstring> CallsOf(const std::vector<std::wstring>& log, const std::wstring& object);

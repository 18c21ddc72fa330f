#include "FakeOffice.h"

#include "OfficeInterfaces.h"

#include <cwctype>
#include <sstream>

namespace {

HRESULT ReturnObject(VARIANT* result, IDispatch* object) {
    if (result) {
        ::VariantInit(result);
        result->vt = VT_DISPATCH;
        result->pdispVal = object;
        if (object)
            object->AddRef();
    }
    return S_OK;
}

std::wstring IidName(const IID& iid) {
    if (iid == office::IID_OutlookApplication)
        return L"_Application";
    if (iid == office::IID_ApplicationEvents)
        return L"ApplicationEvents";
    if (iid == office::IID_CommandBarButton)
        return L"_CommandBarButton";
    if (iid == office::IID_CommandBarPopup)
        return L"CommandBarPopup";
    if (iid == office::IID_CommandBarButtonEvents)
        return L"_CommandBarButtonEvents";
    return L"other";
}

bool Logged(const IID& iid) {
    return IidName(iid) != L"other";
}

std::wstring Format(const VARIANT* v) {
    std::wostringstream out;
    switch (v->vt) {
    case VT_BSTR:
        out << L'"' << (v->bstrVal ? v->bstrVal : L"") << L'"';
        break;
    case VT_I4:
        out << v->lVal;
        break;
    case VT_I2:
        out << L"i2:" << v->iVal;
        break;
    case VT_BOOL:
        out << (v->boolVal == VARIANT_TRUE ? L"true" : v->boolVal == VARIANT_FALSE ? L"false" : L"bool?");
        break;
    case VT_ERROR:
        out << (v->scode == DISP_E_PARAMNOTFOUND ? L"-" : L"error");
        break;
    case VT_DISPATCH:
        out << L"object";
        break;
    default:
        out << L"vt" << v->vt;
    }
    return out.str();
}

} // namespace

ComPtr<FakeOfficeObject> FakeOfficeObject::Create(std::wstring name, std::vector<std::wstring>& log,
                                                  std::vector<IID> iids, std::vector<IID> events) {
    ComPtr<FakeOfficeObject> p;
    p.Attach(new FakeOfficeObject(std::move(name), log, std::move(iids), std::move(events)));
    return p;
}

FakeOfficeObject::FakeOfficeObject(std::wstring name, std::vector<std::wstring>& log, std::vector<IID> iids,
                                   std::vector<IID> events)
    : m_name(std::move(name)), m_log(log), m_iids(std::move(iids)) {
    for (const IID& iid : events) {
        ComPtr<FakeConnectionPoint> point;
        point.Attach(new FakeConnectionPoint(*this, iid, log));
        m_points.push_back(point);
    }
}

FakeOfficeObject::~FakeOfficeObject() = default;

std::wstring FakeOfficeObject::Lower(const std::wstring& text) {
    std::wstring out = text;
    for (auto& c : out)
        c = static_cast<wchar_t>(std::towlower(c));
    return out;
}

void FakeOfficeObject::Fail(const std::wstring& member, HRESULT hr) {
    On(member, [hr](const std::vector<VARIANT*>&, WORD, VARIANT*) { return hr; });
}

void FakeOfficeObject::Returns(const std::wstring& member, IDispatch* object) {
    On(member, [object](const std::vector<VARIANT*>&, WORD, VARIANT* result) {
        return ReturnObject(result, object);
    });
}

void FakeOfficeObject::Preset(const std::wstring& name, const CVariant& value) {
    m_properties[Lower(name)] = value;
}

CVariant FakeOfficeObject::Property(const std::wstring& name) const {
    auto it = m_properties.find(Lower(name));
    return it == m_properties.end() ? CVariant() : it->second;
}

std::wstring FakeOfficeObject::Text(const std::wstring& name) const {
    CVariant v = Property(name);
    return v.Type() == VT_BSTR && v.Get().bstrVal ? std::wstring(v.Get().bstrVal) : std::wstring();
}

FakeConnectionPoint* FakeOfficeObject::Events(const IID& iid) const {
    for (const auto& point : m_points)
        if (point->Iid() == iid)
            return point.Get();
    return nullptr;
}

void FakeOfficeObject::DropConnections() {
    for (auto& point : m_points)
        point->Drop();
}

HRESULT STDMETHODCALLTYPE FakeOfficeObject::QueryInterface(REFIID iid, void** out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (Logged(iid))
        m_log.push_back(m_name + L".QI(" + IidName(iid) + L")");
    if (iid == IID_IConnectionPointContainer && !m_points.empty()) {
        *out = static_cast<IConnectionPointContainer*>(this);
    } else {
        bool known = iid == IID_IUnknown || iid == IID_IDispatch;
        for (const IID& own : m_iids)
            known = known || iid == own;
        if (!known)
            return E_NOINTERFACE;
        *out = static_cast<IDispatch*>(this);
    }
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE FakeOfficeObject::Release() {
    ULONG n = --m_refs;
    if (n == 0)
        delete this;
    return n;
}

HRESULT STDMETHODCALLTYPE FakeOfficeObject::GetTypeInfoCount(UINT* n) {
    *n = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeOfficeObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                                          DISPID* ids) {
    if (count < 1)
        return E_INVALIDARG;
    std::wstring name = Lower(names[0]);
    for (std::size_t i = 0; i < m_members.size(); ++i)
        if (Lower(m_members[i]) == name) {
            ids[0] = static_cast<DISPID>(i + 1);
            return S_OK;
        }
    m_members.push_back(names[0]);
    ids[0] = static_cast<DISPID>(m_members.size());
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeOfficeObject::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                                   VARIANT* result, EXCEPINFO*, UINT*) {
    if (id < 1 || static_cast<std::size_t>(id) > m_members.size())
        return DISP_E_MEMBERNOTFOUND;
    const std::wstring spelled = m_members[static_cast<std::size_t>(id - 1)];
    const std::wstring member = Lower(spelled);
    std::vector<VARIANT*> args;
    for (UINT i = params ? params->cArgs : 0; i > 0; --i)
        args.push_back(&params->rgvarg[i - 1]);
    bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    std::wstring entry = m_name + L"." + spelled;
    if (put && !args.empty()) {
        entry += L"=" + Format(args.back());
    } else if (!args.empty()) {
        entry += L"(";
        for (std::size_t i = 0; i < args.size(); ++i)
            entry += (i ? L"," : L"") + Format(args[i]);
        entry += L")";
    }
    m_log.push_back(entry);
    ComPtr<FakeOfficeObject> keepAlive(this);
    auto handler = m_handlers.find(member);
    if (handler != m_handlers.end())
        return handler->second(args, flags, result);
    if (put && !args.empty()) {
        CVariant value;
        ::VariantCopy(value.Ptr(), args.back());
        m_properties[member] = value;
        return S_OK;
    }
    auto property = m_properties.find(member);
    if (property != m_properties.end())
        return result ? ::VariantCopy(result, const_cast<VARIANT*>(&property->second.Get())) : S_OK;
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT STDMETHODCALLTYPE FakeOfficeObject::FindConnectionPoint(REFIID iid, IConnectionPoint** out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    FakeConnectionPoint* point = Events(iid);
    if (!point)
        return CONNECT_E_NOCONNECTION;
    point->AddRef();
    *out = point;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeConnectionPoint::QueryInterface(REFIID iid, void** out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IConnectionPoint)
        return E_NOINTERFACE;
    *out = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE FakeConnectionPoint::Release() {
    ULONG n = --m_refs;
    if (n == 0)
        delete this;
    return n;
}

HRESULT STDMETHODCALLTYPE FakeConnectionPoint::GetConnectionInterface(IID* iid) {
    *iid = m_iid;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** out) {
    *out = &m_owner;
    m_owner.AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
    m_log.push_back(m_owner.Name() + L".Advise(" + IidName(m_iid) + L")");
    if (FAILED(adviseResult))
        return adviseResult;
    // The sink must answer for the source interface, as a real source checks.
    ComPtr<IUnknown> events;
    HRESULT hr = sink->QueryInterface(m_iid, reinterpret_cast<void**>(events.ReleaseAndGetAddressOf()));
    if (FAILED(hr))
        return CONNECT_E_CANNOTCONNECT;
    *cookie = m_next++;
    m_sinks[*cookie] = ComPtr<IUnknown>(sink);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeConnectionPoint::Unadvise(DWORD cookie) {
    std::wostringstream entry;
    entry << m_owner.Name() << L".Unadvise(" << IidName(m_iid) << L",0x" << std::hex << std::uppercase
          << cookie << L")";
    m_log.push_back(entry.str());
    if (FAILED(unadviseResult))
        return unadviseResult;
    return m_sinks.erase(cookie) ? S_OK : CONNECT_E_NOCONNECTION;
}

HRESULT FakeConnectionPoint::Fire(DISPID id, std::vector<VARIANT> args) {
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPPARAMS params = {};
    params.cArgs = static_cast<UINT>(reversed.size());
    params.rgvarg = reversed.empty() ? nullptr : reversed.data();
    HRESULT last = S_FALSE;
    auto sinks = m_sinks;
    for (auto& sink : sinks) {
        ComPtr<IDispatch> dispatch;
        HRESULT hr = sink.second->QueryInterface(IID_IDispatch,
                                                 reinterpret_cast<void**>(dispatch.ReleaseAndGetAddressOf()));
        if (FAILED(hr))
            return hr;
        last = dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr,
                                nullptr);
    }
    return last;
}

FakeOffice::FakeOffice() {
    app = FakeOfficeObject::Create(L"App", log, {office::IID_OutlookApplication},
                                   {office::IID_ApplicationEvents});
    explorer = FakeOfficeObject::Create(L"Explorer", log);
    bars = FakeOfficeObject::Create(L"Bars", log);
    menuBar = FakeOfficeObject::Create(L"MenuBar", log);
    menuControls = FakeOfficeObject::Create(L"MenuControls", log);
    fifthMenu = FakeOfficeObject::Create(L"Menu5", log);
    popup = FakeOfficeObject::Create(L"Popup", log, {office::IID_CommandBarPopup});
    popupControls = FakeOfficeObject::Create(L"PopupControls", log);

    FakeOffice* self = this;
    app->On(L"ActiveExplorer", [self](const std::vector<VARIANT*>&, WORD, VARIANT* r) {
        return ReturnObject(r, self->explorer.Get());
    });
    explorer->On(L"CommandBars", [self](const std::vector<VARIANT*>&, WORD, VARIANT* r) {
        return ReturnObject(r, self->bars.Get());
    });
    bars->On(L"Item", [self](const std::vector<VARIANT*>& args, WORD, VARIANT* r) {
        if (self->toolbar && args.size() == 1 && args[0]->vt == VT_BSTR &&
            std::wstring(args[0]->bstrVal) == self->toolbar->Text(L"Name"))
            return ReturnObject(r, self->toolbar.Get());
        return E_INVALIDARG; // Office fails for a bar it does not know
    });
    bars->On(L"Add", [self](const std::vector<VARIANT*>&, WORD, VARIANT* r) {
        self->MakeToolbar(false);
        return ReturnObject(r, self->toolbar.Get());
    });
    bars->On(L"FindControl", [self](const std::vector<VARIANT*>& args, WORD, VARIANT* r) {
        FakeOfficeObject* found = nullptr;
        if (args.size() >= 3 && args[2]->vt == VT_BSTR)
            found = self->FindByTag(args[2]->bstrVal);
        return ReturnObject(r, found);
    });
    bars->On(L"ActiveMenuBar", [self](const std::vector<VARIANT*>&, WORD, VARIANT* r) {
        return ReturnObject(r, self->menuBar.Get());
    });
    menuBar->On(L"Controls", [self](const std::vector<VARIANT*>&, WORD, VARIANT* r) {
        return ReturnObject(r, self->menuControls.Get());
    });
    menuControls->On(L"Item", [self](const std::vector<VARIANT*>& args, WORD, VARIANT* r) {
        if (args.size() == 1 && args[0]->vt == VT_I4 && args[0]->lVal == 5)
            return ReturnObject(r, self->fifthMenu.Get());
        return E_INVALIDARG;
    });
    fifthMenu->On(L"Control", [self](const std::vector<VARIANT*>&, WORD, VARIANT* r) {
        return ReturnObject(r, self->popup.Get());
    });
    popup->On(L"Controls", [self](const std::vector<VARIANT*>&, WORD, VARIANT* r) {
        return ReturnObject(r, self->popupControls.Get());
    });
    popupControls->On(L"Add", [self](const std::vector<VARIANT*>&, WORD, VARIANT* r) {
        return ReturnObject(r, self->AddButton(L"Item").Get());
    });
}

FakeOffice::~FakeOffice() {
    Shutdown();
}

void FakeOffice::Shutdown() {
    app->DropConnections();
    for (auto& button : buttons)
        button->DropConnections();
}

void FakeOffice::MakeToolbar(bool visible) {
    toolbar = FakeOfficeObject::Create(L"Toolbar", log);
    toolbarControls = FakeOfficeObject::Create(L"ToolbarControls", log);
    FakeOffice* self = this;
    toolbar->On(L"Controls", [self](const std::vector<VARIANT*>&, WORD, VARIANT* r) {
        return ReturnObject(r, self->toolbarControls.Get());
    });
    toolbar->Preset(L"Name", CVariant::FromString(L"DrovaAddin"));
    toolbarControls->On(L"Add", [self](const std::vector<VARIANT*>&, WORD, VARIANT* r) {
        return ReturnObject(r, self->AddButton(L"Button").Get());
    });
    toolbar->Preset(L"Visible", CVariant::FromBool(visible));
}

void FakeOffice::FifthMenuIsNoPopup() {
    popup = FakeOfficeObject::Create(L"Plain", log);
}

FakeOfficeObject* FakeOffice::FindByTag(const std::wstring& tag) const {
    for (const auto& button : buttons)
        if (button->Text(L"Tag") == tag)
            return button.Get();
    return nullptr;
}

ComPtr<FakeOfficeObject> FakeOffice::AddButton(const std::wstring& name) {
    auto button = FakeOfficeObject::Create(name, log, {office::IID_CommandBarButton},
                                           {office::IID_CommandBarButtonEvents});
    FakeOffice* self = this;
    button->On(L"PasteFace", [self](const std::vector<VARIANT*>&, WORD, VARIANT*) {
        self->pasteSawBitmap.push_back(::IsClipboardFormatAvailable(CF_BITMAP) != FALSE);
        return S_OK;
    });
    buttons.push_back(button);
    return button;
}

std::vector<std::wstring> CallsOf(const std::vector<std::wstring>& log, const std::wstring& object) {
    std::vector<std::wstring> out;
    for (const auto& entry : log)
        if (entry.compare(0, object.size() + 1, object + L".") == 0)
            out.push_back(entry.substr(object.size() + 1));
    return out;
}

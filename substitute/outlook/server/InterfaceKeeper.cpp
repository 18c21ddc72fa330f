#include "InterfaceKeeper.h"

#include "com/ComObject.h"

#include <objbase.h>
#include <ocidl.h>

#include <utility>
#include <vector>

namespace {
// What the kept stubs stand on. It answers for the interfaces it is marshaled as and for no other
// (COM asks it for IMarshal and the like first); no call ever reaches it, because nobody
// unmarshals those packets.
class Placeholder : public com::Object<IDispatch> {
public:
    explicit Placeholder(std::vector<IID> standsFor) : m_standsFor(std::move(standsFor)) {}

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return E_NOTIMPL;
    }

private:
    IUnknown* QueryMore(REFIID iid) override {
        for (const IID& one : m_standsFor)
            if (one == iid)
                return static_cast<IDispatch*>(this);
        return nullptr;
    }

    const std::vector<IID> m_standsFor;
};

const IID* const kStandardInterfaces[] = {
    &IID_IUnknown,         &IID_IDispatch,        &IID_IConnectionPointContainer,
    &IID_IConnectionPoint, &IID_IEnumConnections, &IID_IEnumConnectionPoints};

// The dual interfaces that a type library describes.
std::vector<IID> DualInterfaces(ITypeLib* library) {
    std::vector<IID> found;
    for (UINT i = 0, count = library ? library->GetTypeInfoCount() : 0; i < count; ++i) {
        ComPtr<ITypeInfo> info;
        TYPEATTR* attributes = nullptr;
        if (FAILED(library->GetTypeInfo(i, info.ReleaseAndGetAddressOf())) ||
            FAILED(info->GetTypeAttr(&attributes)))
            continue;
        if (attributes->typekind == TKIND_DISPATCH && (attributes->wTypeFlags & TYPEFLAG_FDUAL))
            found.push_back(attributes->guid);
        info->ReleaseTypeAttr(attributes);
    }
    return found;
}
} // namespace

InterfaceKeeper::InterfaceKeeper(ITypeLib* library) {
    std::vector<IID> served = DualInterfaces(library);
    for (const IID* iid : kStandardInterfaces)
        served.push_back(*iid);
    m_placeholder.Attach(static_cast<IDispatch*>(new Placeholder(served)));
    for (const IID& iid : served)
        Keep(iid);
}

InterfaceKeeper::~InterfaceKeeper() {
    for (const ComPtr<IStream>& stream : m_kept) {
        LARGE_INTEGER start = {};
        stream->Seek(start, STREAM_SEEK_SET, nullptr);
        ::CoReleaseMarshalData(stream.Get());
    }
}

void InterfaceKeeper::Keep(REFIID iid) {
    ComPtr<IStream> stream;
    if (FAILED(::CreateStreamOnHGlobal(nullptr, TRUE, stream.ReleaseAndGetAddressOf())))
        return;
    // An interface that cannot be marshaled here is not served across processes either.
    if (SUCCEEDED(::CoMarshalInterface(stream.Get(), iid, m_placeholder.Get(), MSHCTX_LOCAL, nullptr,
                                       MSHLFLAGS_TABLESTRONG)))
        m_kept.push_back(stream);
}

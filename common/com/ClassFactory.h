// Class objects configured by data. An in-process server lists its creatable classes in a table
// and answers DllGetClassObject from a ClassTable over it:
//
//     const com::CreatableClass kClasses[] = {
//         {&CLSID_Thing, &com::Create<CThing>},
//         {&CLSID_Addin, &com::CreateAggregatable<CAddin>},
//     };
//
// A local server that hands out one existing object registers a ClassFactory made from it.
#pragma once
#include "ComPtr.h"
#include "com/ComObject.h"

#include <atomic>
#include <cstddef>
#include <memory>
#include <new>

namespace com {

// Makes an instance (aggregated when outer is given) and asks it for iid.
using Creator = HRESULT (*)(IUnknown* outer, REFIID iid, void** out);

struct CreatableClass {
    const CLSID* clsid;
    Creator create;
};

// Makes a T, which cannot be aggregated, and asks it for iid.
template <class T> HRESULT Create(IUnknown* outer, REFIID iid, void** out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    T* object = new (std::nothrow) T();
    if (!object)
        return E_OUTOFMEMORY;
    // The creation's own reference holds the object while it is asked; a refusal destroys it.
    HRESULT hr = object->QueryInterface(iid, out);
    object->Release();
    return hr;
}

// Makes a T (an AggregatableObject, constructed from the outer unknown) and asks its own IUnknown
// for iid: an aggregate gets the inner IUnknown it asked for.
template <class T> HRESULT CreateAggregatable(IUnknown* outer, REFIID iid, void** out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    T* object = new (std::nothrow) T(outer);
    if (!object)
        return E_OUTOFMEMORY;
    IUnknown* inner = object->Inner();
    HRESULT hr = inner->QueryInterface(iid, out);
    inner->Release();
    return hr;
}

class ClassFactory final : public CachedObject<IClassFactory> {
public:
    // Makes a new instance of the class on each request. The server keeps the first reference;
    // any other reference, and each LockServer(TRUE), locks the module.
    ClassFactory(const CreatableClass& creatable, ModuleLock& module);
    // Hands out the one existing object on each request; it cannot be aggregated. LockServer
    // changes nothing: the object's own server decides when it ends.
    explicit ClassFactory(IUnknown* instance);

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

private:
    Creator m_create = nullptr;
    ComPtr<IUnknown> m_instance;
};

// The class objects of an in-process server, one per row of its table: each is made on first
// request and kept until Release (when the library is unloaded). Any thread may ask.
class ClassTable {
public:
    ClassTable(const CreatableClass* classes, std::size_t count, ModuleLock& module);
    ClassTable(const ClassTable&) = delete;
    ClassTable& operator=(const ClassTable&) = delete;

    // CLASS_E_CLASSNOTAVAILABLE for a class not in the table.
    HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out);
    // Drops the server's own references.
    void Release();

private:
    const CreatableClass* const m_classes;
    const std::size_t m_count;
    ModuleLock& m_module;
    CriticalSection m_making;
    std::unique_ptr<std::atomic<ClassFactory*>[]> m_made;
};

} // namespace com

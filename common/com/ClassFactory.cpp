#include "com/ClassFactory.h"

namespace com {

ClassFactory::ClassFactory(const CreatableClass& creatable, ModuleLock& module)
    : CachedObject(&module), m_create(creatable.create) {}

ClassFactory::ClassFactory(IUnknown* instance) : CachedObject(nullptr), m_instance(instance) {}

HRESULT STDMETHODCALLTYPE ClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (m_instance)
        return outer ? CLASS_E_NOAGGREGATION : m_instance->QueryInterface(iid, out);
    // An aggregate may only ask for the inner object's own IUnknown.
    if (outer && iid != IID_IUnknown)
        return CLASS_E_NOAGGREGATION;
    return m_create(outer, iid, out);
}

HRESULT STDMETHODCALLTYPE ClassFactory::LockServer(BOOL lock) {
    if (ModuleLock* module = Module()) {
        if (lock)
            module->Lock();
        else
            module->Unlock();
    }
    return S_OK;
}

ClassTable::ClassTable(const CreatableClass* classes, std::size_t count, ModuleLock& module)
    : m_classes(classes), m_count(count), m_module(module), m_made(new std::atomic<ClassFactory*>[count]) {
    for (std::size_t i = 0; i < count; ++i)
        m_made[i].store(nullptr);
}

HRESULT ClassTable::GetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    for (std::size_t i = 0; i < m_count; ++i) {
        if (*m_classes[i].clsid != clsid)
            continue;
        // Made once: the first look needs no lock, the second is repeated under it.
        ClassFactory* factory = m_made[i].load(std::memory_order_acquire);
        if (!factory) {
            CriticalSectionLock lock(m_making);
            factory = m_made[i].load(std::memory_order_acquire);
            if (!factory) {
                factory = new (std::nothrow) ClassFactory(m_classes[i], m_module);
                if (!factory)
                    return E_OUTOFMEMORY;
                m_made[i].store(factory, std::memory_order_release);
            }
        }
        return factory->QueryInterface(iid, out);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

void ClassTable::Release() {
    CriticalSectionLock lock(m_making);
    for (std::size_t i = 0; i < m_count; ++i)
        if (ClassFactory* factory = m_made[i].exchange(nullptr))
            factory->Release();
}

} // namespace com

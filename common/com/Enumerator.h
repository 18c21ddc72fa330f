// A snapshot enumerator (IEnumConnections, IEnumConnectionPoints): it is made from the items as they
// are, holds a reference of its own to each, and hands each out with another.
#pragma once
#include "com/ComObject.h"

#include <ocidl.h>

#include <new>
#include <utility>
#include <vector>

namespace com {

// How an enumerated item is referenced.
template <class Item> struct EnumItem;
template <> struct EnumItem<CONNECTDATA> {
    static void AddRef(const CONNECTDATA& item) {
        if (item.pUnk)
            item.pUnk->AddRef();
    }
    static void Release(const CONNECTDATA& item) {
        if (item.pUnk)
            item.pUnk->Release();
    }
};
template <class Interface> struct EnumItem<Interface*> {
    static void AddRef(Interface* item) {
        if (item)
            item->AddRef();
    }
    static void Release(Interface* item) {
        if (item)
            item->Release();
    }
};

template <class IEnum, class Item> class Enumerator final : public Object<IEnum> {
public:
    explicit Enumerator(std::vector<Item> items, std::size_t position = 0)
        : m_items(std::move(items)), m_position(position) {
        for (const Item& item : m_items)
            EnumItem<Item>::AddRef(item);
    }

    HRESULT STDMETHODCALLTYPE Next(ULONG count, Item* out, ULONG* fetched) override {
        if (fetched)
            *fetched = 0;
        if (!out)
            return E_POINTER;
        if (count > 1 && !fetched)
            return E_INVALIDARG;
        ULONG n = 0;
        for (; n < count && m_position < m_items.size(); ++n) {
            out[n] = m_items[m_position++];
            EnumItem<Item>::AddRef(out[n]);
        }
        if (fetched)
            *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
        std::size_t left = m_items.size() - m_position;
        std::size_t skipped = count < left ? count : left;
        m_position += skipped;
        return skipped == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() override {
        m_position = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnum** out) override {
        if (!out)
            return E_POINTER;
        *out = new (std::nothrow) Enumerator(m_items, m_position);
        return *out ? S_OK : E_OUTOFMEMORY;
    }

private:
    ~Enumerator() override {
        for (const Item& item : m_items)
            EnumItem<Item>::Release(item);
    }

    const std::vector<Item> m_items;
    std::size_t m_position;
};

} // namespace com

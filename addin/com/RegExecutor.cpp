#include "RegExecutor.h"

namespace Registrar {

namespace {

// Closes an opened key when the step that opened it ends.
class ScopedKey {
public:
    explicit ScopedKey(IRegistryAccess& registry) : m_registry(registry) {}
    ScopedKey(const ScopedKey&) = delete;
    ScopedKey& operator=(const ScopedKey&) = delete;
    ~ScopedKey() {
        if (m_open)
            m_registry.Close(m_key);
    }
    KeyHandle& Receive() { return m_key; }
    void SetOpen() { m_open = true; }
    KeyHandle Get() const { return m_key; }

private:
    IRegistryAccess& m_registry;
    KeyHandle m_key = 0;
    bool m_open = false;
};

long WriteValue(IRegistryAccess& registry, KeyHandle key, const std::string& name, const Value& value) {
    if (value.type == Value::Type::Number)
        return registry.SetNumber(key, name, value.number);
    return registry.SetString(key, name, value.text);
}

long RegisterKey(IRegistryAccess& registry, KeyHandle parent, const Key& key) {
    ScopedKey opened(registry);
    if (key.mark == KeyMark::ForceRemove) {
        long deleted = registry.DeleteTree(parent, key.name);
        if (deleted != kSuccess && deleted != kErrorFileNotFound)
            return deleted;
        long created = registry.Create(parent, key.name, opened.Receive());
        if (created != kSuccess)
            return created;
    } else if (registry.Open(parent, key.name, Access::Full, opened.Receive()) != kSuccess &&
               registry.Open(parent, key.name, Access::Read, opened.Receive()) != kSuccess) {
        long created = registry.Create(parent, key.name, opened.Receive());
        if (created != kSuccess)
            return created;
    }
    opened.SetOpen();
    if (key.hasDefault) {
        long written = WriteValue(registry, opened.Get(), std::string(), key.defaultValue);
        if (written != kSuccess)
            return written;
    }
    for (const NamedValue& named : key.values) {
        long written = WriteValue(registry, opened.Get(), named.name, named.value);
        if (written != kSuccess)
            return written;
    }
    for (const Key& sub : key.subkeys) {
        long result = RegisterKey(registry, opened.Get(), sub);
        if (result != kSuccess)
            return result;
    }
    return kSuccess;
}

void Remember(long& first, long result) {
    if (first == kSuccess && result != kSuccess)
        first = result;
}

long UnregisterKey(IRegistryAccess& registry, KeyHandle parent, const Key& key) {
    long first = kSuccess;
    std::size_t subkeys = 0, values = 0;
    {
        ScopedKey opened(registry);
        if (registry.Open(parent, key.name, Access::Full, opened.Receive()) != kSuccess &&
            registry.Open(parent, key.name, Access::Read, opened.Receive()) != kSuccess)
            return kSuccess;
        opened.SetOpen();
        for (const NamedValue& named : key.values) {
            long deleted = registry.DeleteValue(opened.Get(), named.name);
            if (deleted != kErrorFileNotFound)
                Remember(first, deleted);
        }
        for (const Key& sub : key.subkeys)
            Remember(first, UnregisterKey(registry, opened.Get(), sub));
        long counted = registry.Count(opened.Get(), subkeys, values);
        if (counted != kSuccess) {
            Remember(first, counted);
            return first;
        }
    }
    if (subkeys == 0 && key.mark != KeyMark::NoRemove)
        Remember(first, registry.DeleteKey(parent, key.name));
    return first;
}

} // namespace

long Register(IRegistryAccess& registry, const Script& script) {
    for (const RootBlock& block : script.roots) {
        KeyHandle root = registry.Root(block.root);
        for (const Key& key : block.keys) {
            long result = RegisterKey(registry, root, key);
            if (result != kSuccess)
                return result;
        }
    }
    return kSuccess;
}

long Unregister(IRegistryAccess& registry, const Script& script) {
    long first = kSuccess;
    for (const RootBlock& block : script.roots) {
        KeyHandle root = registry.Root(block.root);
        for (const Key& key : block.keys)
            Remember(first, UnregisterKey(registry, root, key));
    }
    return first;
}

} // namespace Registrar

#include "MemoryRegistry.h"

#include "AsciiText.h"

namespace Registrar {

namespace {
const char* const kRootNames[4] = {"HKCR", "HKCU", "HKLM", "HKU"};
constexpr KeyHandle kFirstRoot = 1;
} // namespace

CMemoryRegistry::CMemoryRegistry() {
    for (int i = 0; i < 4; ++i) {
        m_roots[i] = std::make_shared<Node>();
        m_roots[i]->name = kRootNames[i];
    }
}

void CMemoryRegistry::MarkDeleted(Node& node) {
    node.deleted = true;
    for (auto& sub : node.subkeys)
        MarkDeleted(*sub.second);
}

std::shared_ptr<CMemoryRegistry::Node> CMemoryRegistry::Walk(const std::string& path, bool create) const {
    std::size_t start = 0;
    std::size_t end = path.find('\\');
    std::string rootName = path.substr(0, end);
    std::shared_ptr<Node> node;
    for (int i = 0; i < 4; ++i)
        if (AsciiEqualNoCase(rootName, kRootNames[i]))
            node = m_roots[i];
    while (node && end != std::string::npos) {
        start = end + 1;
        end = path.find('\\', start);
        std::string part = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
        auto it = node->subkeys.find(AsciiLower(part));
        if (it == node->subkeys.end()) {
            if (!create)
                return nullptr;
            auto made = std::make_shared<Node>();
            made->name = part;
            it = node->subkeys.emplace(AsciiLower(part), made).first;
        }
        node = it->second;
    }
    return node;
}

void CMemoryRegistry::PutKey(const std::string& path) {
    Walk(path, true);
}

void CMemoryRegistry::PutValue(const std::string& path, const std::string& name, const Value& value) {
    if (auto node = Walk(path, true))
        node->values[AsciiLower(name)] = {name, value};
}

void CMemoryRegistry::DenyWrites(const std::string& path) {
    if (auto node = Walk(path, true))
        node->readOnly = true;
}

bool CMemoryRegistry::HasKey(const std::string& path) const {
    return Walk(path, false) != nullptr;
}

void CMemoryRegistry::DumpNode(const Node& node, const std::string& path, std::string& out) {
    out += path + "\n";
    for (const auto& v : node.values) {
        const std::string& name = v.second.first;
        const Value& value = v.second.second;
        out += path + " " + (name.empty() ? "@" : name) + " = ";
        if (value.type == Value::Type::Number)
            out += "d '" + std::to_string(value.number) + "'\n";
        else
            out += "s '" + value.text + "'\n";
    }
    for (const auto& sub : node.subkeys)
        DumpNode(*sub.second, path + "\\" + sub.second->name, out);
}

std::string CMemoryRegistry::Dump() const {
    std::string out;
    for (const auto& root : m_roots)
        for (const auto& sub : root->subkeys)
            DumpNode(*sub.second, root->name + "\\" + sub.second->name, out);
    return out;
}

KeyHandle CMemoryRegistry::Root(RootKey root) {
    return kFirstRoot + static_cast<KeyHandle>(root);
}

CMemoryRegistry::Node* CMemoryRegistry::Find(KeyHandle key, bool forWriting, long& error) {
    Node* node = nullptr;
    Access access = Access::Full;
    if (key >= kFirstRoot && key < kFirstRoot + 4) {
        node = m_roots[key - kFirstRoot].get();
    } else {
        auto it = m_handles.find(key);
        if (it == m_handles.end()) {
            error = 6; // invalid handle
            return nullptr;
        }
        node = it->second.node.get();
        access = it->second.access;
    }
    if (node->deleted) {
        error = kErrorKeyDeleted;
        return nullptr;
    }
    if (forWriting && access != Access::Full) {
        error = kErrorAccessDenied;
        return nullptr;
    }
    error = kSuccess;
    return node;
}

long CMemoryRegistry::Open(KeyHandle parent, const std::string& name, Access access, KeyHandle& out) {
    long error;
    Node* node = Find(parent, false, error);
    if (!node)
        return error;
    auto it = node->subkeys.find(AsciiLower(name));
    if (it == node->subkeys.end())
        return kErrorFileNotFound;
    if (access == Access::Full && it->second->readOnly)
        return kErrorAccessDenied;
    out = m_next++;
    m_handles[out] = {it->second, access};
    return kSuccess;
}

long CMemoryRegistry::Create(KeyHandle parent, const std::string& name, KeyHandle& out) {
    long error;
    Node* node = Find(parent, false, error);
    if (!node)
        return error;
    auto it = node->subkeys.find(AsciiLower(name));
    if (it == node->subkeys.end()) {
        if (!Find(parent, true, error))
            return error;
        auto made = std::make_shared<Node>();
        made->name = name;
        it = node->subkeys.emplace(AsciiLower(name), made).first;
    }
    if (it->second->readOnly)
        return kErrorAccessDenied;
    out = m_next++;
    m_handles[out] = {it->second, Access::Full};
    return kSuccess;
}

void CMemoryRegistry::Close(KeyHandle key) {
    m_handles.erase(key);
}

long CMemoryRegistry::SetValue(KeyHandle key, const std::string& name, const Value& value) {
    long error;
    Node* node = Find(key, true, error);
    if (!node)
        return error;
    node->values[AsciiLower(name)] = {name, value};
    return kSuccess;
}

long CMemoryRegistry::SetString(KeyHandle key, const std::string& name, const std::string& text) {
    Value value;
    value.text = text;
    return SetValue(key, name, value);
}

long CMemoryRegistry::SetNumber(KeyHandle key, const std::string& name, std::uint32_t number) {
    Value value;
    value.type = Value::Type::Number;
    value.number = number;
    return SetValue(key, name, value);
}

long CMemoryRegistry::DeleteValue(KeyHandle key, const std::string& name) {
    long error;
    Node* node = Find(key, true, error);
    if (!node)
        return error;
    return node->values.erase(AsciiLower(name)) ? kSuccess : kErrorFileNotFound;
}

long CMemoryRegistry::Count(KeyHandle key, std::size_t& subkeys, std::size_t& values) {
    long error;
    Node* node = Find(key, false, error);
    if (!node)
        return error;
    subkeys = node->subkeys.size();
    values = node->values.size();
    return kSuccess;
}

long CMemoryRegistry::DeleteTree(KeyHandle parent, const std::string& name) {
    long error;
    Node* node = Find(parent, true, error);
    if (!node)
        return error;
    auto it = node->subkeys.find(AsciiLower(name));
    if (it == node->subkeys.end())
        return kErrorFileNotFound;
    if (it->second->readOnly)
        return kErrorAccessDenied;
    MarkDeleted(*it->second);
    node->subkeys.erase(it);
    return kSuccess;
}

long CMemoryRegistry::DeleteKey(KeyHandle parent, const std::string& name) {
    long error;
    Node* node = Find(parent, true, error);
    if (!node)
        return error;
    auto it = node->subkeys.find(AsciiLower(name));
    if (it == node->subkeys.end())
        return kErrorFileNotFound;
    if (it->second->readOnly || !it->second->subkeys.empty())
        return kErrorAccessDenied;
    MarkDeleted(*it->second);
    node->subkeys.erase(it);
    return kSuccess;
}

} // namespace Registrar

// A registry held in memory, with the system's rules where scripts meet them: names are compared
// without regard to case, a key with subkeys cannot be deleted on its own, a key opened for reading
// cannot be written, and keys can be made read-only to stand for keys the user may not change.
// Used by native tests and the fuzz target.
#pragma once
#include "RegistryAccess.h"

#include <map>
#include <memory>
#include <string>

namespace Registrar {

class CMemoryRegistry : public IRegistryAccess {
public:
    CMemoryRegistry();

    // Paths are "HKCR\Key\Sub" (root short names as in scripts).
    void PutKey(const std::string& path);
    void PutValue(const std::string& path, const std::string& name, const Value& value);
    // The key (made when missing) can only be opened for reading from now on.
    void DenyWrites(const std::string& path);
    bool HasKey(const std::string& path) const;
    // Every key and value, one per line, sorted: "HKCR\A\B" then "HKCR\A\B @ = s 'x'" or "... name = d '3'".
    std::string Dump() const;
    // Keys still open through this interface; a run must leave none.
    std::size_t OpenKeys() const { return m_handles.size(); }

    KeyHandle Root(RootKey root) override;
    long Open(KeyHandle parent, const std::string& name, Access access, KeyHandle& out) override;
    long Create(KeyHandle parent, const std::string& name, KeyHandle& out) override;
    void Close(KeyHandle key) override;
    long SetString(KeyHandle key, const std::string& name, const std::string& value) override;
    long SetNumber(KeyHandle key, const std::string& name, std::uint32_t value) override;
    long DeleteValue(KeyHandle key, const std::string& name) override;
    long Count(KeyHandle key, std::size_t& subkeys, std::size_t& values) override;
    long DeleteTree(KeyHandle parent, const std::string& name) override;
    long DeleteKey(KeyHandle parent, const std::string& name) override;

private:
    struct Node {
        std::string name;
        bool readOnly = false;
        bool deleted = false;
        std::map<std::string, std::shared_ptr<Node>> subkeys;        // by lower-case name
        std::map<std::string, std::pair<std::string, Value>> values; // lower-case name -> (name, value)
    };
    struct Handle {
        std::shared_ptr<Node> node;
        Access access;
    };

    static void MarkDeleted(Node& node);
    Node* Find(KeyHandle key, bool forWriting, long& error);
    std::shared_ptr<Node> Walk(const std::string& path, bool create) const;
    long SetValue(KeyHandle key, const std::string& name, const Value& value);
    static void DumpNode(const Node& node, const std::string& path, std::string& out);

    std::map<KeyHandle, Handle> m_handles;
    std::shared_ptr<Node> m_roots[4];
    KeyHandle m_next = 100;
};

} // namespace Registrar

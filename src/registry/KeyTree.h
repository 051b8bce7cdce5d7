#pragma once
// The store's keys and values held in memory: every lookup, enumeration and
// read is answered from here, and the tables are read again only when
// another process has committed a change.
#include "SqliteDb.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tavisk::registry::detail {

struct Value {
    std::string name; ///< as first written
    std::uint32_t type = 0;
    std::string data;
};

struct Key {
    std::int64_t id = 0;
    Key* parent = nullptr;
    std::string name;                                    ///< as first written
    std::string fold;                                    ///< as compared
    std::unordered_map<std::string_view, Key*> children; ///< by the child's fold
    std::map<std::string, Value> values;                 ///< by the value name's fold

    /// The subkeys in enumeration order (by fold), built when first asked for
    /// and then kept in order as subkeys come and go.
    const std::vector<Key*>& ordered();
    void childAdded(Key* child);
    void childRemoved(const Key* child);

private:
    std::vector<Key*> m_order;
    bool m_orderValid = false;
};

class KeyTree final {
public:
    /// Reads every key and value; the caller holds a read transaction.
    void load(const Connection& connection);
    void clear();

    Key* find(std::int64_t id) const;
    static Key* child(const Key& parent, std::string_view fold);

    Key& addKey(std::int64_t id, Key& parent, std::string name, std::string fold);
    void removeKey(Key& key);

    /// "HKEY_LOCAL_MACHINE\SOFTWARE\..." with the spelling each key was made with.
    static std::string fullName(const Key& key);

private:
    std::unordered_map<std::int64_t, std::unique_ptr<Key>> m_keys;
};

} // namespace tavisk::registry::detail

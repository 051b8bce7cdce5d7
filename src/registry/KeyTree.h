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
    std::size_t depth = 0; ///< levels below HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER
    std::string name;      ///< as first written
    std::string fold;      ///< as compared
    std::unordered_map<std::string_view, Key*> children; ///< by the child's fold
    using Values = std::map<std::string, Value>;
    using ValueEntry = Values::value_type;
    Values values; ///< by the value name's fold; change it through setValue and eraseValue

    /// The subkeys in enumeration order (by fold), built when first asked for
    /// and then kept in order as subkeys come and go.
    const std::vector<Key*>& ordered();
    void childAdded(Key* child);
    void childRemoved(const Key* child);
    /// The subkey at index in enumeration order, which child() then finds
    /// first: a caller that lists subkeys and opens each one in turn finds
    /// each without a hash lookup among its many siblings.
    Key* enumerated(std::size_t index);

    /// The values in enumeration order (by the name's fold), kept like ordered().
    const std::vector<const ValueEntry*>& orderedValues();
    /// Sets the value of that fold, adding it when missing.
    Value& setValue(const std::string& valueFold);
    /// Removes the value of that fold; false when there was none.
    bool eraseValue(const std::string& valueFold);

private:
    friend class KeyTree;
    std::vector<Key*> m_order;
    bool m_orderValid = false;
    Key* m_enumerated = nullptr;
    std::vector<const ValueEntry*> m_valueOrder;
    bool m_valueOrderValid = false;
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

#include "KeyTree.h"

#include <algorithm>

namespace tavisk::registry::detail {

namespace {

bool byFold(const Key* a, const Key* b) {
    return a->fold < b->fold;
}

bool byValueFold(const Key::ValueEntry* a, const Key::ValueEntry* b) {
    return a->first < b->first;
}

} // namespace

void Key::childAdded(Key* child) {
    if (m_orderValid) {
        m_order.insert(std::lower_bound(m_order.begin(), m_order.end(), child, byFold), child);
    }
}

Key* Key::enumerated(std::size_t index) {
    const auto& subkeys = ordered();
    m_enumerated = index < subkeys.size() ? subkeys[index] : nullptr;
    return m_enumerated;
}

void Key::childRemoved(const Key* child) {
    if (m_enumerated == child) {
        m_enumerated = nullptr;
    }
    if (m_orderValid) {
        const auto found = std::lower_bound(m_order.begin(), m_order.end(), child, byFold);
        if (found != m_order.end() && *found == child) {
            m_order.erase(found);
        } else {
            m_orderValid = false;
        }
    }
}

const std::vector<Key*>& Key::ordered() {
    if (!m_orderValid) {
        m_order.clear();
        m_order.reserve(children.size());
        for (const auto& entry : children) {
            m_order.push_back(entry.second);
        }
        std::sort(m_order.begin(), m_order.end(), byFold);
        m_orderValid = true;
    }
    return m_order;
}

const std::vector<const Key::ValueEntry*>& Key::orderedValues() {
    if (!m_valueOrderValid) {
        m_valueOrder.clear();
        m_valueOrder.reserve(values.size());
        for (const auto& entry : values) {
            m_valueOrder.push_back(&entry);
        }
        m_valueOrderValid = true;
    }
    return m_valueOrder;
}

Value& Key::setValue(const std::string& valueFold) {
    auto [entry, added] = values.try_emplace(valueFold);
    if (added && m_valueOrderValid) {
        const ValueEntry* item = &*entry;
        m_valueOrder.insert(
            std::lower_bound(m_valueOrder.begin(), m_valueOrder.end(), item, byValueFold), item);
    }
    return entry->second;
}

bool Key::eraseValue(const std::string& valueFold) {
    const auto found = values.find(valueFold);
    if (found == values.end()) {
        return false;
    }
    if (m_valueOrderValid) {
        const ValueEntry* item = &*found;
        m_valueOrder.erase(
            std::lower_bound(m_valueOrder.begin(), m_valueOrder.end(), item, byValueFold));
    }
    values.erase(found);
    return true;
}

void KeyTree::clear() {
    m_keys.clear();
}

namespace {

struct KeyRow {
    std::int64_t id = 0;
    std::int64_t parent = 0;
    std::string name;
    std::string fold;
};

struct ValueRow {
    std::int64_t key = 0;
    std::string name;
    std::string fold;
    std::uint32_t type = 0;
    std::string data;
};

using Runs = std::unordered_map<std::int64_t, std::pair<std::size_t, std::size_t>>;

/// Where each id's run of rows starts and ends, for rows sorted by that id.
template <class Row, class Id> Runs runsBy(const std::vector<Row>& rows, Id id) {
    Runs runs;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const auto run = runs.try_emplace(id(rows[i]), i, i).first;
        run->second.second = i + 1;
    }
    return runs;
}

} // namespace

/// Reads every key and value, then makes them in the order a walk of the
/// tree meets them: a key, its values, then its subkeys in enumeration order.
/// Enumerating a key's subkeys and reading each one's values then goes
/// through memory in order instead of all over it, however the keys were
/// written, so a pass over many keys costs little more per key than over a few.
void KeyTree::load(const Connection& connection) {
    clear();
    std::vector<KeyRow> keyRows;
    Statement keys(connection, "SELECT id, parent, name, fold FROM keys ORDER BY parent, fold");
    while (keys.step()) {
        keyRows.push_back({keys.integer(0), keys.integer(1), keys.text(2), keys.text(3)});
    }
    std::vector<ValueRow> valueRows;
    Statement values(connection, "SELECT key, name, fold, type, data FROM vals ORDER BY key");
    while (values.step()) {
        valueRows.push_back({values.integer(0), values.text(1), values.text(2),
                             static_cast<std::uint32_t>(values.integer(3)), values.blob(4)});
    }
    const Runs subkeyRuns = runsBy(keyRows, [](const KeyRow& row) { return row.parent; });
    const Runs valueRuns = runsBy(valueRows, [](const ValueRow& row) { return row.key; });
    std::vector<bool> made(keyRows.size(), false);
    // Each row is made once, so its strings move into the tree.
    const auto make = [&](std::size_t row, Key* parent) {
        KeyRow& from = keyRows[row];
        Key* key = nullptr;
        if (parent) {
            key = &addKey(from.id, *parent, std::move(from.name), std::move(from.fold));
        } else {
            auto detached = std::make_unique<Key>();
            detached->id = from.id;
            detached->name = std::move(from.name);
            detached->fold = std::move(from.fold);
            key = m_keys.emplace(from.id, std::move(detached)).first->second.get();
        }
        made[row] = true;
        if (const auto run = valueRuns.find(from.id); run != valueRuns.end()) {
            for (std::size_t v = run->second.first; v < run->second.second; ++v) {
                ValueRow& value = valueRows[v];
                key->setValue(value.fold) =
                    Value{std::move(value.name), value.type, std::move(value.data)};
            }
        }
        return key;
    };
    // Depth first without recursion; subkeys go on the stack last first.
    std::vector<std::pair<std::size_t, Key*>> stack;
    const auto pushSubkeys = [&](std::int64_t parentId, Key* parent) {
        if (const auto run = subkeyRuns.find(parentId); run != subkeyRuns.end()) {
            for (std::size_t i = run->second.second; i-- > run->second.first;) {
                stack.emplace_back(i, parent);
            }
        }
    };
    pushSubkeys(0, nullptr);
    while (!stack.empty()) {
        const auto [row, parent] = stack.back();
        stack.pop_back();
        pushSubkeys(keyRows[row].id, make(row, parent));
    }
    // Keys that no walk from the top reaches (a damaged file) are kept apart.
    for (std::size_t row = 0; row < keyRows.size(); ++row) {
        if (!made[row] && !m_keys.count(keyRows[row].id)) {
            make(row, nullptr);
        }
    }
}

Key* KeyTree::find(std::int64_t id) const {
    const auto found = m_keys.find(id);
    return found == m_keys.end() ? nullptr : found->second.get();
}

Key* KeyTree::child(const Key& parent, std::string_view fold) {
    if (parent.m_enumerated && parent.m_enumerated->fold == fold) {
        return parent.m_enumerated;
    }
    const auto found = parent.children.find(fold);
    return found == parent.children.end() ? nullptr : found->second;
}

Key& KeyTree::addKey(std::int64_t id, Key& parent, std::string name, std::string fold) {
    auto key = std::make_unique<Key>();
    key->id = id;
    key->parent = &parent;
    key->depth = parent.depth + 1;
    key->name = std::move(name);
    key->fold = std::move(fold);
    Key& added = *key;
    m_keys.emplace(id, std::move(key));
    parent.children.emplace(added.fold, &added);
    parent.childAdded(&added);
    return added;
}

void KeyTree::removeKey(Key& key) {
    if (key.parent) {
        key.parent->children.erase(key.fold);
        key.parent->childRemoved(&key);
    }
    m_keys.erase(key.id);
}

std::string KeyTree::fullName(const Key& key) {
    std::vector<const Key*> chain;
    for (const Key* k = &key; k; k = k->parent) {
        chain.push_back(k);
    }
    std::string name;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (!name.empty()) {
            name += '\\';
        }
        name += (*it)->name;
    }
    return name;
}

} // namespace tavisk::registry::detail

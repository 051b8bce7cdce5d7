#include "KeyTree.h"

#include <algorithm>
#include <unordered_set>

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

void Key::childRemoved(const Key* child) {
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

void KeyTree::load(const Connection& connection) {
    clear();
    std::vector<std::pair<Key*, std::int64_t>> parents;
    Statement keys(connection, "SELECT id, parent, name, fold FROM keys");
    while (keys.step()) {
        auto key = std::make_unique<Key>();
        key->id = keys.integer(0);
        key->name = keys.text(2);
        key->fold = keys.text(3);
        parents.emplace_back(key.get(), keys.integer(1));
        m_keys.emplace(key->id, std::move(key));
    }
    for (const auto& [key, parentId] : parents) {
        if (Key* parent = find(parentId)) {
            key->parent = parent;
            parent->children.emplace(key->fold, key);
        }
    }
    setDepths(parents);
    Statement values(connection, "SELECT key, name, fold, type, data FROM vals");
    while (values.step()) {
        if (Key* key = find(values.integer(0))) {
            key->setValue(values.text(2)) = Value{
                values.text(1), static_cast<std::uint32_t>(values.integer(3)), values.blob(4)};
        }
    }
}

/// Gives every key its depth without recursion: each key's chain of parents
/// is followed up to the first key whose depth is known, so every key is
/// visited a bounded number of times however deep the tree.
void KeyTree::setDepths(const std::vector<std::pair<Key*, std::int64_t>>& keys) {
    std::unordered_set<const Key*> known;
    std::vector<Key*> chain;
    for (const auto& entry : keys) {
        chain.clear();
        Key* key = entry.first;
        // A cycle of parents (a damaged file) would otherwise never end.
        while (key && !known.count(key) && chain.size() <= keys.size()) {
            chain.push_back(key);
            key = key->parent;
        }
        std::size_t depth = key ? key->depth : 0;
        for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
            depth = (*it)->parent ? depth + 1 : 0;
            (*it)->depth = depth;
            known.insert(*it);
        }
    }
}

Key* KeyTree::find(std::int64_t id) const {
    const auto found = m_keys.find(id);
    return found == m_keys.end() ? nullptr : found->second.get();
}

Key* KeyTree::child(const Key& parent, std::string_view fold) {
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

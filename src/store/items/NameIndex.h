// Duplicate names in a list in linear time. The lists of a record (the
// cells and symbols of a part type, the padstacks of a cell) and the lines
// of a file must never name the same thing twice; comparing every pair made
// one large part type take seconds to read, so they are checked through an
// open-addressing table of positions instead.
//
// A NameIndex remembers positions in one list that only grows at its end:
// Contains() first indexes the elements added since the last call, so that
// a list built one Add at a time is checked in constant time per element.
// A list that became shorter is indexed again from the start. The index does
// not own the list; `key` gives the name of an element (a std::string_view).
#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kelm::store {

class NameIndex {
public:
    static constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();
    // Small lists are searched directly; the table is built beyond this.
    static constexpr std::size_t kDirectSearchLimit = 16;

    // The index is a cache of its list: a copy starts empty and is built
    // again from the copied list when it is first used.
    NameIndex() = default;
    NameIndex(const NameIndex&) {}
    NameIndex& operator=(const NameIndex&) {
        m_table.reset();
        return *this;
    }
    NameIndex(NameIndex&&) noexcept = default;
    NameIndex& operator=(NameIndex&&) noexcept = default;

    template <class List, class Key>
    bool Contains(const List& list, std::string_view name, Key key) {
        if (list.size() <= kDirectSearchLimit) {
            for (const auto& element : list)
                if (key(element) == name) return true;
            return false;
        }
        if (!m_table) m_table = std::make_unique<Table>();
        m_table->CatchUp(list, key);
        return m_table->Find(list, name, key) != kNone;
    }

    // Position of the first element whose name an earlier element has, or
    // kNone.
    template <class List, class Key>
    static std::size_t FirstDuplicate(const List& list, Key key) {
        if (list.size() <= kDirectSearchLimit) {
            for (std::size_t i = 1; i < list.size(); ++i)
                for (std::size_t j = 0; j < i; ++j)
                    if (key(list[i]) == key(list[j])) return i;
            return kNone;
        }
        Table table;
        table.Grow(list, key, list.size());
        for (std::size_t i = 0; i < list.size(); ++i) {
            if (table.Find(list, key(list[i]), key) != kNone) return i;
            table.Insert(list, i, key);
        }
        return kNone;
    }

private:
    // Open addressing with linear probing; a slot holds a position + 1 in
    // the list, 0 when empty, and the load stays at one half or below.
    class Table {
    public:
        template <class List, class Key>
        void CatchUp(const List& list, Key key) {
            if (list.size() < m_indexed) {
                m_slots.clear();
                m_indexed = 0;
            }
            if (list.size() == m_indexed) return;
            Grow(list, key, list.size());
            while (m_indexed < list.size()) Insert(list, m_indexed, key);
        }

        template <class List, class Key>
        void Grow(const List& list, Key key, std::size_t count) {
            if (count * 2 <= m_slots.size()) return;
            std::size_t size = 64;
            while (size < count * 2) size *= 2;
            m_slots.assign(size, 0);
            m_mask = size - 1;
            for (std::size_t i = 0; i < m_indexed; ++i) Place(Hash(key(list[i])), i);
        }

        template <class List, class Key>
        std::size_t Find(const List& list, std::string_view name, Key key) const {
            if (m_slots.empty()) return kNone;
            for (std::size_t slot = Hash(name) & m_mask;; slot = (slot + 1) & m_mask) {
                const std::uint32_t entry = m_slots[slot];
                if (entry == 0) return kNone;
                if (key(list[entry - 1]) == name) return entry - 1;
            }
        }

        // Indexes the element at `position`, the next one not indexed yet.
        template <class List, class Key>
        void Insert(const List& list, std::size_t position, Key key) {
            if ((m_indexed + 1) * 2 > m_slots.size()) Grow(list, key, (m_indexed + 1) * 2);
            Place(Hash(key(list[position])), position);
            m_indexed = position + 1;
        }

    private:
        static std::size_t Hash(std::string_view name) { return std::hash<std::string_view>{}(name); }
        void Place(std::size_t hash, std::size_t position) {
            std::size_t slot = hash & m_mask;
            while (m_slots[slot] != 0) slot = (slot + 1) & m_mask;
            m_slots[slot] = static_cast<std::uint32_t>(position + 1);
        }

        std::vector<std::uint32_t> m_slots;
        std::size_t m_mask = 0;
        std::size_t m_indexed = 0;
    };

    std::unique_ptr<Table> m_table;
};

// The name of a list element, for `key`: NameOf<std::string> for lists of
// names; record types add their own.
template <class Element>
std::string_view NameOf(const Element& element);
template <>
inline std::string_view NameOf<std::string>(const std::string& name) { return name; }
template <>
inline std::string_view NameOf<std::string_view>(const std::string_view& name) { return name; }

}  // namespace kelm::store

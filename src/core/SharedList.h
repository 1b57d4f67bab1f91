#pragma once
// A program-wide list of texts, shared by the window thread and workers. Positions are 1-based; reading
// a position outside the list gives the empty text instead of failing.
#include <mutex>

#include "core/Text.h"

namespace dorvane {

class SharedList {
public:
    int Count() const;
    // Empty text outside 1..Count().
    Text At(long long position) const;
    void Append(const Text& item);
    void Clear();
    void Assign(TextList items);
    TextList Snapshot() const;

private:
    mutable std::mutex m_mutex;
    TextList m_items;
};

// A program-wide text, shared like SharedList.
class SharedText {
public:
    Text Get() const {
        std::lock_guard lock(m_mutex);
        return m_value;
    }
    void Set(const Text& value) {
        std::lock_guard lock(m_mutex);
        m_value = value;
    }

private:
    mutable std::mutex m_mutex;
    Text m_value;
};

}  // namespace dorvane

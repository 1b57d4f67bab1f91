#include "core/SharedList.h"

namespace dorvane {

int SharedList::Count() const {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_items.size());
}

Text SharedList::At(long long position) const {
    std::lock_guard lock(m_mutex);
    if (position < 1 || position > static_cast<long long>(m_items.size())) return {};
    return m_items[static_cast<size_t>(position - 1)];
}

void SharedList::Append(const Text& item) {
    std::lock_guard lock(m_mutex);
    m_items.push_back(item);
}

void SharedList::Clear() {
    std::lock_guard lock(m_mutex);
    m_items.clear();
}

void SharedList::Assign(TextList items) {
    std::lock_guard lock(m_mutex);
    m_items = std::move(items);
}

TextList SharedList::Snapshot() const {
    std::lock_guard lock(m_mutex);
    return m_items;
}

}  // namespace dorvane

#pragma once
// Optional output (or in-and-out) parameter: binds to the caller's variable when one is given, otherwise
// writes into storage of its own, so routines with many optional outputs keep the caller's argument order.
#include <optional>
#include <string>
#include <utility>

namespace dorvane {

template <typename T>
class Out {
public:
    Out() : m_ptr(nullptr) {}
    Out(T& target) : m_ptr(&target) {}  // NOLINT: implicit on purpose
    Out(const T& value) : m_ptr(nullptr), m_own(value) {}
    Out(T&& value) : m_ptr(nullptr), m_own(std::move(value)) {}
    template <typename U = T, typename = std::enable_if_t<std::is_same_v<U, std::string>>>
    Out(const char* value) : m_ptr(nullptr), m_own(std::string(value)) {}

    T& operator*() { return m_ptr ? *m_ptr : m_own; }
    T* operator->() { return &**this; }
    bool Bound() const { return m_ptr != nullptr; }

private:
    T* m_ptr;
    T m_own{};
};

}  // namespace dorvane

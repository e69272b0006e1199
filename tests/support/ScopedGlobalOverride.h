// Replaces a variable for the lifetime of the object and restores it.
#pragma once

template <typename T>
class ScopedGlobalOverride {
public:
    template <typename U>
    ScopedGlobalOverride(T& variable, U replacement) : m_variable(variable), m_previous(variable)
    {
        m_variable = replacement;
    }
    ~ScopedGlobalOverride() { m_variable = m_previous; }
    ScopedGlobalOverride(const ScopedGlobalOverride&) = delete;
    ScopedGlobalOverride& operator=(const ScopedGlobalOverride&) = delete;

private:
    T& m_variable;
    T m_previous;
};

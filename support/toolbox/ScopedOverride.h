// The one way tests replace a seam: a variable (a function pointer, an entry of a table of
// functions, a setting) takes another value for the lifetime of the object and gets its
// previous value back at the end. Constructed from the variable alone it only keeps the value,
// for a test that changes several entries of it.
#pragma once

template <typename T> class ScopedOverride {
public:
    template <typename U> ScopedOverride(T& variable, U replacement) : m_variable(variable), m_previous(variable)
    {
        m_variable = replacement;
    }
    explicit ScopedOverride(T& variable) : m_variable(variable), m_previous(variable) { }
    ~ScopedOverride() { m_variable = m_previous; }
    ScopedOverride(const ScopedOverride&) = delete;
    ScopedOverride& operator=(const ScopedOverride&) = delete;

    // The value the variable had before.
    const T& Previous() const { return m_previous; }

private:
    T& m_variable;
    T m_previous;
};

// Context messages: what a library function was doing, written into a report only while the
// report's exception passes through the function.
//
//   ContextMessageHolder context(L"OrbelToolbox: Error in %s function", L"OrbelToolbox::CopyFile");
//
// When a failure below raises the report's exception, the holder's destructor pushes its line
// to the front of the context queue, so the report lists the outermost function first.
#pragma once

#include <windows.h>

#include <exception>
#include <tuple>
#include <utility>

#include "OrbelOutput.h"

namespace OrbelToolbox {

// A printf-style line (Microsoft's rules) without arguments.
class ContextMessage {
public:
    explicit ContextMessage(const wchar_t* format) : m_format(format) { }
    virtual ~ContextMessage() = default;

    // Writes the line to the context queue.
    virtual void Print() { OrbelOutput::Print(L"%s", m_format ? m_format : L""); }

protected:
    const wchar_t* m_format;
};

// A printf-style line with up to five arguments (texts as pointers, numbers by value). Text
// arguments must outlive the holder: callers pass their own parameters.
template <class... Args> class ContextMessageArgs : public ContextMessage {
    static_assert(sizeof...(Args) <= 5, "a context message takes at most five arguments");

public:
    explicit ContextMessageArgs(const wchar_t* format, Args... args) : ContextMessage(format), m_args(args...) { }

    void Print() override
    {
        std::apply([this](Args... args) { OrbelOutput::Print(m_format, args...); }, m_args);
    }

private:
    std::tuple<Args...> m_args;
};

template <class A> using ContextMessage1 = ContextMessageArgs<A>;
template <class A, class B> using ContextMessage2 = ContextMessageArgs<A, B>;

// A line of the library's string table (message-text "%1" inserts), written to the detail queue.
template <class... Args> class ContextResourceMessage : public ContextMessage {
    static_assert(sizeof...(Args) <= 5, "a context message takes at most five arguments");

public:
    explicit ContextResourceMessage(UINT stringId, Args... args)
        : ContextMessage(nullptr), m_stringId(stringId), m_args(args...)
    {
    }

    void Print() override
    {
        std::apply([this](Args... args) { OrbelOutput::PrintResource(m_stringId, args...); }, m_args);
    }

private:
    UINT m_stringId;
    std::tuple<Args...> m_args;
};

// Owns one context message and prints it when it is destroyed by an exception passing.
class ContextMessageHolder {
public:
    explicit ContextMessageHolder(ContextMessage* message) : m_message(message), m_uncaught(std::uncaught_exceptions())
    {
    }
    template <class... Args>
    explicit ContextMessageHolder(const wchar_t* format, Args... args)
        : ContextMessageHolder(new ContextMessageArgs<Args...>(format, args...))
    {
    }
    ContextMessageHolder(ContextMessageHolder&& other) noexcept
        : m_message(std::exchange(other.m_message, nullptr)), m_uncaught(other.m_uncaught)
    {
    }
    ContextMessageHolder(const ContextMessageHolder&) = delete;
    ContextMessageHolder& operator=(const ContextMessageHolder&) = delete;
    ContextMessageHolder& operator=(ContextMessageHolder&&) = delete;

    ~ContextMessageHolder();

    // A holder of a line of the library's string table.
    template <class... Args> static ContextMessageHolder FromResource(UINT stringId, Args... args)
    {
        return ContextMessageHolder(new ContextResourceMessage<Args...>(stringId, args...));
    }

private:
    ContextMessage* m_message;
    int m_uncaught;
};

}  // namespace OrbelToolbox

// One installed implementation of an interface that a lower layer declares and a higher one
// provides (the application, the distribution model, the wizard). Constant-initialised, so
// that global objects may install and ask during static initialisation.
#pragma once

#include <typeinfo>

#include "InstallerErrors.h"

template <class Interface> class ServiceSlot {
public:
    constexpr ServiceSlot() : m_pInstalled(nullptr) { }

    // Installs `services` (null removes the installed one) and returns the one it replaced.
    Interface* Install(Interface* services)
    {
        Interface* previous = m_pInstalled;
        m_pInstalled = services;
        return previous;
    }

    // The installed implementation or null.
    Interface* Find() const { return m_pInstalled; }

    // The installed implementation; UninitializedObject naming `name` when there is none.
    Interface& Get(const char* source, int line, const wchar_t* name) const
    {
        if (!m_pInstalled)
            throw UninitializedObject(source, line, typeid(Interface), name);
        return *m_pInstalled;
    }

private:
    Interface* m_pInstalled;
};

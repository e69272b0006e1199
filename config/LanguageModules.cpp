// The language resource modules: see LanguageModules.h.
#include "LanguageModules.h"

#include "CString.h"
#include "ErrorResourceModule.h"
#include "Resources.h"
#include "SystemErrorClasses.h"
#include "WindowsError.h"

// Errors thrown here name this module and the line.
static const char kSource[] = "LanguageModules";

CLanguageModules::CLanguageModules() = default;

CLanguageModules::~CLanguageModules()
{
    Free();
}

HMODULE CLanguageModules::LoadResourceModule(const wchar_t* path)
{
    HMODULE module = LoadLibraryW(path);
    if (module == nullptr) {
        DWORD error = GetLastError();
        CString context;
        context.Format(L"while attempting to load  %s", path);
        throw InvalidResourceModule(kSource, __LINE__, CString(path), WindowsError(error, context.GetString()),
            L"Unable to load %1 because %2");
    }
    return module;
}

void CLanguageModules::LoadCustomModule(const wchar_t* path)
{
    m_hCustom.Reset(LoadResourceModule(path));
}

void CLanguageModules::LoadStandardModule(const wchar_t* path)
{
    HMODULE module = LoadResourceModule(path);
    AfxSetResourceHandle(module);
    SetErrorResourceModule(module);
    m_hStandard.Reset(module);
}

HMODULE CLanguageModules::GetStandardModule() const
{
    return m_hStandard ? m_hStandard.Get() : GetModuleHandleW(nullptr);
}

void CLanguageModules::Free()
{
    // Every later lookup goes to the program before a module disappears.
    if (m_hStandard) {
        AfxSetResourceHandle(AfxGetInstanceHandle());
        SetErrorResourceModule(nullptr);
    }
    m_hCustom.Reset();
    m_hStandard.Reset();
}

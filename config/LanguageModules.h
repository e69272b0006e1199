// The language resource modules of the chosen language: the custom module (the distribution's
// own texts) and the standard module (the program's own strings, dialogs and bitmaps in that
// language). Modules are loaded for their resources only; no function of theirs is called.
//
// A loaded standard module becomes the class library's resource handle, so that every later
// lookup of the program's own resources finds its copy first, and the module from which
// installer errors load their message templates. Free() points both back at the program
// before the modules are freed, so that no late lookup touches a freed module.
#pragma once

#include <windows.h>

#include "UniqueHandle.h"

class CLanguageModules {
public:
    CLanguageModules();
    ~CLanguageModules();  // frees what is still loaded
    CLanguageModules(const CLanguageModules&) = delete;
    CLanguageModules& operator=(const CLanguageModules&) = delete;

    // LoadLibraryW of `path`; a module that cannot be loaded throws InvalidResourceModule
    // (the path and the Windows error).
    static HMODULE LoadResourceModule(const wchar_t* path);

    // Loads the custom module (replacing and freeing a previous one).
    void LoadCustomModule(const wchar_t* path);
    // Loads the standard module and makes it the program's resource module.
    void LoadStandardModule(const wchar_t* path);

    // Null while none is loaded.
    HMODULE GetCustomModule() const { return m_hCustom.Get(); }
    // The loaded standard module, else the program's own module.
    HMODULE GetStandardModule() const;

    // Points the resource handle and the errors' template module back at the program, then
    // frees the custom module and the standard module (unless it is the program itself).
    void Free();

private:
    // The standard module may be the program itself, which is never freed.
    struct StandardModuleTraits : OrbelToolbox::ModuleTraits {
        static void Close(HMODULE module) noexcept
        {
            if (module != GetModuleHandleW(nullptr))
                FreeLibrary(module);
        }
    };

    OrbelToolbox::UniqueModule m_hCustom;
    OrbelToolbox::UniqueHandle<StandardModuleTraits> m_hStandard;
};

#include "ErrorResourceModule.h"

#include <atomic>

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

std::atomic<HMODULE> g_languageModule{nullptr};

}  // namespace

HMODULE ErrorResourceModule(int /*code*/)
{
    HMODULE module = g_languageModule.load();
    return module ? module : reinterpret_cast<HMODULE>(&__ImageBase);
}

void SetErrorResourceModule(HMODULE module)
{
    g_languageModule.store(module);
}

#include "VelmoExceptionStackTrace.h"

#include "MsPrintf.h"

namespace {

std::wstring Widen(const char* text)
{
    std::wstring out;
    for (; text && *text; ++text)
        out += static_cast<wchar_t>(static_cast<unsigned char>(*text));
    return out;
}

}  // namespace

void VelmoExceptionStackTrace::WriteReport(EXCEPTION_RECORD* record, CONTEXT* context)
{
    if (!record)
        return;
    m_stream << MsFormat(L"Exception code: %08X (%s)\n", static_cast<unsigned int>(record->ExceptionCode),
        GetExceptionName(record->ExceptionCode));
    HMODULE module = nullptr;
    std::wstring path;
    DWORD section = 0;
    DWORD_PTR offset = 0;
    GetLogicalAddress(record->ExceptionAddress, module, path, section, offset);
    m_stream << MsFormat(
        L"Fault address:  %p %02X:%08IX %s\n", record->ExceptionAddress, section, offset, path.c_str());
    if (!context)
        return;
    m_stream << L"\nRegisters:\n";
#if defined(_M_X64) || defined(__x86_64__)
    m_stream << MsFormat(L"RAX:%016I64X\nRBX:%016I64X\nRCX:%016I64X\nRDX:%016I64X\nRSI:%016I64X\nRDI:%016I64X\n",
        context->Rax, context->Rbx, context->Rcx, context->Rdx, context->Rsi, context->Rdi);
    m_stream << MsFormat(L"R8:%016I64X\nR9:%016I64X\nR10:%016I64X\nR11:%016I64X\n", context->R8, context->R9,
        context->R10, context->R11);
    m_stream << MsFormat(L"R12:%016I64X\nR13:%016I64X\nR14:%016I64X\nR15:%016I64X\n", context->R12, context->R13,
        context->R14, context->R15);
    m_stream << MsFormat(L"CS:RIP:%04X:%016I64X\n", context->SegCs, context->Rip);
    m_stream << MsFormat(L"SS:RSP:%04X:%016I64X  RBP:%016I64X\n", context->SegSs, context->Rsp, context->Rbp);
#else
    m_stream << MsFormat(L"EAX:%08X\nEBX:%08X\nECX:%08X\nEDX:%08X\nESI:%08X\nEDI:%08X\n", context->Eax, context->Ebx,
        context->Ecx, context->Edx, context->Esi, context->Edi);
    m_stream << MsFormat(L"CS:EIP:%04X:%08X\n", context->SegCs, context->Eip);
    m_stream << MsFormat(L"SS:ESP:%04X:%08X  EBP:%08X\n", context->SegSs, context->Esp, context->Ebp);
#endif
    m_stream << MsFormat(
        L"DS:%04X  ES:%04X  FS:%04X  GS:%04X\n", context->SegDs, context->SegEs, context->SegFs, context->SegGs);
    m_stream << MsFormat(L"Flags:%08X\n", static_cast<unsigned int>(context->EFlags));
    m_stream << L"\nStack Trace\n";
    m_stream << L"Address  Frame    LogicalAddr    Module    SymbolName + Offset\n";
    WriteStackTrace(context);
}

void VelmoExceptionStackTrace::WriteFrame(DWORD_PTR pc, DWORD_PTR frame, DWORD section, DWORD_PTR offset,
    const wchar_t* module, const char* symbol, DWORD64 displacement)
{
    m_stream << MsFormat(L"%08IX %08IX %04X:%08IX %s", pc, frame, section, offset, module ? module : L"");
    if (symbol)
        m_stream << L" " << Widen(symbol) << MsFormat(L" + %I64u", displacement);
    m_stream << L"\n";
}

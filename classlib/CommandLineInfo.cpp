#include "CommandLineInfo.h"

void CCommandLineInfo::ParseParam(const wchar_t* /*param*/, BOOL /*bFlag*/, BOOL /*bLast*/) { }

namespace {

bool IsBlank(wchar_t ch)
{
    return ch == L' ' || ch == L'\t';
}

}  // namespace

std::vector<std::wstring> AfxSplitCommandLine(const wchar_t* commandLine)
{
    std::vector<std::wstring> args;
    const wchar_t* p = commandLine ? commandLine : L"";

    // The program name: no backslash rules; quotes only delimit.
    std::wstring program;
    if (*p == L'"') {
        ++p;
        while (*p && *p != L'"') {
            program += *p++;
        }
        if (*p == L'"') {
            ++p;
        }
    } else {
        while (*p && !IsBlank(*p)) {
            program += *p++;
        }
    }
    args.push_back(program);

    for (;;) {
        while (IsBlank(*p)) {
            ++p;
        }
        if (!*p) {
            break;
        }
        std::wstring arg;
        bool inQuotes = false;
        while (*p && (inQuotes || !IsBlank(*p))) {
            size_t backslashes = 0;
            while (*p == L'\\') {
                ++backslashes;
                ++p;
            }
            if (*p == L'"') {
                arg.append(backslashes / 2, L'\\');
                if (backslashes % 2 == 1) {
                    arg += L'"';  // escaped quote
                    ++p;
                } else if (inQuotes && p[1] == L'"') {
                    arg += L'"';  // "" inside quotes
                    p += 2;
                } else {
                    inQuotes = !inQuotes;
                    ++p;
                }
            } else {
                arg.append(backslashes, L'\\');
                if (*p && (inQuotes || !IsBlank(*p))) {
                    arg += *p++;
                }
            }
        }
        args.push_back(arg);
    }
    return args;
}

void AfxParseCommandLine(CCommandLineInfo& info, const wchar_t* commandLine)
{
    std::vector<std::wstring> args = AfxSplitCommandLine(commandLine);
    for (size_t i = 1; i < args.size(); ++i) {
        const wchar_t* param = args[i].c_str();
        BOOL flag = FALSE;
        if (*param == L'/' || *param == L'-') {
            flag = TRUE;
            ++param;
        }
        info.ParseParam(param, flag, i + 1 == args.size());
    }
}

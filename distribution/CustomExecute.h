// One program the distribution runs outside Windows Installer: before the parts, at the end with
// progress, or from the end page.
#pragma once

#include "CString.h"

struct CustomExecute {
    enum Kind { kBeforeParts = 0, kEndWithProgress = 1, kEndPage = 2 };
    enum CheckState { kNoCheckbox = 0, kChecked = 1, kUnchecked = 2 };

    CustomExecute(const CString& name, const CString& commandLine, bool synchronous, bool silent, int kind,
        bool checked, const CString& product)
        : m_name(name), m_commandLine(commandLine), m_product(product), m_synchronous(synchronous), m_silent(silent),
          m_kind(kind), m_checkState(checked ? kChecked : kNoCheckbox)
    {
    }

    CString m_name;
    // Formatted, still holding the words that are replaced at launch.
    CString m_commandLine;
    // ProductCode of the part it belongs to, or empty.
    CString m_product;
    bool m_synchronous;
    // May run without a window.
    bool m_silent;
    int m_kind;
    int m_checkState;  // an unchecked execute is not run
};

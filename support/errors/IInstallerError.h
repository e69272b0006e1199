// Root of the installer's own error tree.
//
// An error carries its code, the id of its message template, the source file and line of the
// throw site, the callback that names the module holding the template, and an optional debug
// text. Its three texts (user message, debug message, full text) are built on first request and
// kept in a body that every copy of the error shares, so the object a barrier catches returns
// the texts the throw site's object built, and the other way round.
#pragma once

#include <windows.h>

#include <exception>
#include <iosfwd>

namespace ZKInstallerError {

// Returns the module whose string table holds the template of the error with the given code.
using ResourceModuleCallback = HMODULE (*)(int code);

class IInstallerError : public std::exception {
public:
    // file and debugText may be null; the file text is not copied (throw sites pass the
    // module's short name, a static text: never a path of the build).
    IInstallerError(const char* file, int line, int code, ResourceModuleCallback resourceModule, unsigned int stringId,
        const wchar_t* debugText);
    IInstallerError(const IInstallerError& other) noexcept;
    IInstallerError& operator=(const IInstallerError& other) noexcept;
    ~IInstallerError() override;

    int GetCode() const { return m_code; }
    unsigned int GetStringId() const { return m_stringId; }
    int GetLine() const { return m_line; }
    const char* GetFile() const { return m_file; }

    void SetCode(int code) { m_code = code; }
    void SetStringId(unsigned int stringId) { m_stringId = stringId; }
    void SetLine(int line) { m_line = line; }
    void SetFile(const char* file) { m_file = file ? file : kNoFile; }
    // Replaces the raw debug text by a copy of `debugText` (null removes it).
    void SetDebugText(const wchar_t* debugText);

    // The texts, built on first request; never null.
    const wchar_t* GetUserMessage() const;
    const wchar_t* GetDebugMessage() const;
    const wchar_t* GetFullText() const;

    static constexpr const char* kNoFile = "<No File>";
    static constexpr const wchar_t* kNoDebugMessage = L"<No Debug Message>";
    static constexpr const wchar_t* kNoMemory = L"<Unable to allocate message string buffer>";
    static constexpr const wchar_t* kInvalidArgument = L"<Invalid argument number!>";

protected:
    // Builders: each stores its text in the shared body (called with the body's lock held).
    virtual void BuildFullText() const;
    virtual void BuildUserMessage() const;
    virtual void BuildDebugMessage() const;
    // Loads the template from the callback's module (or this program); null when out of memory.
    virtual void LoadMessageTemplate(wchar_t*& messageTemplate) const;
    virtual void FreeMessageTemplate(wchar_t*& messageTemplate) const;
    // Writes argument `number` in its printed form and returns true; for a number the class
    // does not have, writes kInvalidArgument and returns false.
    virtual bool InsertArgument(unsigned int number, std::wostream& out) const = 0;

    // Expands the "%N" references of `text` into a new heap text (delete[]); null when out of
    // memory.
    wchar_t* ExpandArguments(const wchar_t* text) const;

private:
    struct Body;

    // Returns the text in `slot`, building it under the body's lock first when missing.
    const wchar_t* GetText(wchar_t* Body::*slot, void (IInstallerError::*build)() const) const;
    void Release() noexcept;

    int m_code;
    unsigned int m_stringId;
    int m_line;
    ResourceModuleCallback m_resourceModule;
    Body* m_body;
    const char* m_file;
};

}  // namespace ZKInstallerError

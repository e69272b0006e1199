#include "StringTable.h"

#include <cstdlib>
#include <cwchar>
#include <memory>

#include "ContextMessage.h"
#include "OrbelOutput.h"
#include "ToolboxFailure.h"
#include "UniqueHandle.h"

namespace OrbelToolbox {

namespace {

constexpr wchar_t kOutOfMemory[] = L"     malloc returned null - out of memory!";
constexpr wchar_t kNullBlock[] = L"     Error in %s: pStrBlock should not be NULL";
constexpr UINT kModuleFileMessage = 9303;  // context line of the library's string table
constexpr DWORD kDataModuleFlags = LOAD_LIBRARY_AS_DATAFILE | DONT_RESOLVE_DLL_REFERENCES;

struct BlockDeleter {
    void operator()(StringBlock* block) const { DeleteStringBlock(block); }
};
using BlockOwner = std::unique_ptr<StringBlock, BlockDeleter>;

struct MallocDeleter {
    void operator()(void* memory) const { free(memory); }
};

void CheckIndex(UINT index)
{
    if (index >= kStringsPerBlock) {
        Refuse(-30, L"     String index invalid. Index: %u; Strings per block: %u", index, kStringsPerBlock);
    }
}

UniqueModule LoadDataModule(const wchar_t* moduleFile)
{
    UniqueModule module(LoadLibraryExW(moduleFile, nullptr, kDataModuleFlags));
    if (!module) {
        RefuseLastWindowsError(L"LoadLibraryEx");
    }
    return module;
}

// The packed form of block `blockNumber` of `module` in exactly `language`, and its length in
// 16-bit units; null when there is none, with the Windows function that failed in `failed`.
const WORD* FindPackedBlock(HMODULE module, UINT blockNumber, LANGID language, size_t& units, const wchar_t*& failed)
{
    HRSRC resource = FindResourceExW(module, RT_STRING, MAKEINTRESOURCEW(blockNumber), language);
    if (resource == nullptr) {
        failed = L"FindResourceEx";
        return nullptr;
    }
    HGLOBAL loaded = LoadResource(module, resource);
    if (loaded == nullptr) {
        failed = L"LoadResource";
        return nullptr;
    }
    const WORD* data = static_cast<const WORD*>(LockResource(loaded));
    if (data == nullptr) {
        failed = L"LockResource";
        return nullptr;
    }
    units = SizeofResource(module, resource) / sizeof(WORD);
    return data;
}

// Entry `index` of a packed block of `units` units: each entry is a count and that many units.
// The counts are checked against the block's size, so that a damaged block never makes a reader
// run past its end: false when one runs past it. A block that ends early holds its missing
// entries empty.
bool FindPackedEntry(const WORD* data, size_t units, UINT index, const WORD*& text, size_t& count)
{
    size_t at = 0;
    for (UINT i = 0;; ++i) {
        count = at < units ? data[at] : 0;
        if (at < units) {
            ++at;
        }
        if (count > units - at) {
            return false;
        }
        if (i == index) {
            text = data + at;
            return true;
        }
        at += count;
    }
}

}  // namespace

StringBlock* LoadStringBlock(HMODULE module, UINT blockNumber, LANGID language)
{
    language = OrbelOutput::GetFullLanguageId(language);
    size_t units = 0;
    const wchar_t* failed = nullptr;
    const WORD* data = FindPackedBlock(module, blockNumber, language, units, failed);
    if (data == nullptr) {
        RefuseLastWindowsError(failed);
    }

    BlockOwner block(static_cast<StringBlock*>(calloc(1, sizeof(StringBlock))));
    if (!block) {
        Refuse(-11, kOutOfMemory);
    }
    block->blockNumber = blockNumber;
    block->language = language;
    for (UINT i = 0; i < kStringsPerBlock; ++i) {
        const WORD* entry = nullptr;
        size_t count = 0;
        if (!FindPackedEntry(data, units, i, entry, count)) {
            RefuseWindowsError(ERROR_INVALID_DATA, L"LoadStringBlock");
        }
        wchar_t* text = static_cast<wchar_t*>(malloc((count + 1) * sizeof(wchar_t)));
        if (text == nullptr) {
            Refuse(-11, kOutOfMemory);
        }
        memcpy(text, entry, count * sizeof(wchar_t));
        text[count] = L'\0';
        block->strings[i] = text;
    }
    return block.release();
}

bool FindTableString(HMODULE module, UINT id, LANGID language, std::wstring& out)
{
    size_t units = 0;
    const wchar_t* failed = nullptr;
    const WORD* data = FindPackedBlock(module, StringBlockNumber(id), language, units, failed);
    const WORD* entry = nullptr;
    size_t count = 0;
    if (data == nullptr || !FindPackedEntry(data, units, StringBlockIndex(id), entry, count) || count == 0) {
        return false;
    }
    out.assign(reinterpret_cast<const wchar_t*>(entry), count);
    return true;
}

void DeleteStringBlock(StringBlock* block)
{
    if (block == nullptr) {
        Refuse(-40, kNullBlock, L"OrbelToolbox::DeleteStringBlock");
    }
    for (wchar_t* text : block->strings) {
        free(text);
    }
    free(block);
}

void GetString(const StringBlock* block, UINT index, wchar_t* buffer, UINT* size)
{
    if (block == nullptr) {
        Refuse(-40, kNullBlock, L"OrbelToolbox::GetString");
    }
    CheckIndex(index);
    if (size == nullptr) {
        Refuse(-30, L"     pszStrSize cannot be NULL");
    }
    const wchar_t* text = block->strings[index] ? block->strings[index] : L"";
    const UINT needed = static_cast<UINT>(wcslen(text)) + 1;
    if (buffer != nullptr && *size >= needed) {
        wmemcpy(buffer, text, needed);
    } else {
        *size = needed;
    }
}

void SetString(StringBlock* block, UINT index, const wchar_t* text)
{
    if (block == nullptr) {
        Refuse(-40, kNullBlock, L"OrbelToolbox::SetString");
    }
    CheckIndex(index);
    if (text == nullptr) {
        Refuse(-30, L"Parameter newString is NULL");
    }
    const size_t units = wcslen(text) + 1;
    wchar_t* copy = static_cast<wchar_t*>(malloc(units * sizeof(wchar_t)));
    if (copy == nullptr) {
        Refuse(-11, kOutOfMemory);
    }
    wmemcpy(copy, text, units);
    free(block->strings[index]);
    block->strings[index] = copy;
}

DWORD GetStringBlockSize(const StringBlock* block)
{
    if (block == nullptr) {
        Refuse(-40, kNullBlock, L"OrbelToolbox::GetStringBlockSize");
    }
    size_t units = 0;
    for (const wchar_t* text : block->strings) {
        units += (text ? wcslen(text) : 0) + 1;
    }
    return static_cast<DWORD>(units * sizeof(wchar_t));
}

void WriteStringBlock(HANDLE update, const StringBlock* block)
{
    const DWORD bytes = GetStringBlockSize(block);
    std::unique_ptr<WORD, MallocDeleter> packed(static_cast<WORD*>(malloc(bytes)));
    if (!packed) {
        Refuse(-11, kOutOfMemory);
    }
    WORD* out = packed.get();
    for (const wchar_t* text : block->strings) {
        const size_t count = text ? wcslen(text) : 0;
        if (count > 0xFFFF) {
            Refuse(-30, L"     String too long for a string table: %u characters", static_cast<unsigned>(count));
        }
        *out++ = static_cast<WORD>(count);
        memcpy(out, text, count * sizeof(wchar_t));
        out += count;
    }
    const DWORD used = static_cast<DWORD>((out - packed.get()) * sizeof(WORD));
    if (!UpdateResourceW(
            update, RT_STRING, MAKEINTRESOURCEW(block->blockNumber), block->language, packed.get(), used)) {
        RefuseLastWindowsError(L"UpdateResource");
    }
}

void UpdateStringBlock(const wchar_t* moduleFile, const StringBlock* block)
{
    if (block == nullptr) {
        Refuse(-40, kNullBlock, L"OrbelToolbox::UpdateStringBlock");
    }
    HANDLE update = BeginUpdateResourceW(moduleFile, FALSE);
    if (update == nullptr) {
        RefuseLastWindowsError(L"BeginUpdateResource");
    }
    try {
        WriteStringBlock(update, block);
    } catch (...) {
        EndUpdateResourceW(update, TRUE);  // nothing is written
        throw;
    }
    // A failed write of the file is a failed update, not a success.
    if (!EndUpdateResourceW(update, FALSE)) {
        RefuseLastWindowsError(L"EndUpdateResource");
    }
}

void LoadStringFromResource(HMODULE module, UINT id, wchar_t* buffer, UINT* size, LANGID language)
{
    try {
        if (size == nullptr) {
            Refuse(-30, L"     Parameter pszStrSize is NULL");
        }
        BlockOwner block(LoadStringBlock(module, StringBlockNumber(id), language));
        GetString(block.get(), StringBlockIndex(id), buffer, size);
    } catch (...) {
        OrbelOutput::Print(L"Error in %s. Module Handle: %u", L"OrbelToolbox::LoadStringFromResource",
            static_cast<unsigned>(reinterpret_cast<UINT_PTR>(module)));
        OrbelOutput::Print(L"         strId: %u; LangId: %u", id, static_cast<unsigned>(language));
        throw;
    }
}

void LoadStringFromResource(const wchar_t* moduleFile, UINT id, wchar_t* buffer, UINT* size, LANGID language)
{
    ContextMessageHolder context(
        L"Error in %s: Module Path: %s", L"OrbelToolbox::LoadStringFromResource", moduleFile ? moduleFile : L"");
    UniqueModule module = LoadDataModule(moduleFile);
    LoadStringFromResource(module.Get(), id, buffer, size, language);
}

void UpdateResourceString(const wchar_t* moduleFile, UINT id, const wchar_t* newString, LANGID language)
{
    auto file = ContextMessageHolder::FromResource(kModuleFileMessage, moduleFile ? moduleFile : L"");
    ContextMessageHolder function(L"Error in %s.", L"OrbelToolbox::UpdateResourceString");
    ContextMessageHolder details(L"         strId: %u; New String: %s; LangId: %u", id,
        newString ? newString : L"(null)", static_cast<unsigned>(language));
    if (newString == nullptr) {
        Refuse(-30, L"Parameter newString is NULL");
    }
    BlockOwner block;
    {
        UniqueModule module = LoadDataModule(moduleFile);
        block.reset(LoadStringBlock(module.Get(), StringBlockNumber(id), language));
    }
    SetString(block.get(), StringBlockIndex(id), newString);
    const DWORD attributes = GetFileAttributesW(moduleFile);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        Refuse(-33, L"Module is read-only.");
    }
    UpdateStringBlock(moduleFile, block.get());
}

}  // namespace OrbelToolbox

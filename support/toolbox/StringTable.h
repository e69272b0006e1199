// String tables of modules read and rewritten a block at a time, the unit in which Windows
// stores strings: block N holds ids 16 * (N - 1) to 16 * (N - 1) + 15, each entry a 16-bit
// count followed by that many UTF-16 units. A string is read in an exact language, with its
// length known, and a module file on disk can have one of its strings replaced.
#pragma once

#include <windows.h>

#include <string>

namespace OrbelToolbox {

constexpr UINT kStringsPerBlock = 16;

// One block in memory, allocated with malloc (as are its strings); free it with
// DeleteStringBlock.
struct StringBlock {
    UINT blockNumber;
    LANGID language;
    wchar_t* strings[kStringsPerBlock];  // terminated; an empty entry is an empty string
};

// The block of a string id and the string's index in it.
inline UINT StringBlockNumber(UINT id)
{
    return id / kStringsPerBlock + 1;
}
inline UINT StringBlockIndex(UINT id)
{
    return id % kStringsPerBlock;
}

// Reads and unpacks one block in the language (a bare primary language the library knows is
// completed first).
StringBlock* LoadStringBlock(HMODULE module, UINT blockNumber, LANGID language);
void DeleteStringBlock(StringBlock* block);

// Copies string `index` when `buffer` is given and *size holds its length + 1; otherwise sets
// *size to that and copies nothing.
void GetString(const StringBlock* block, UINT index, wchar_t* buffer, UINT* size);
// Replaces string `index` with a copy of `text`.
void SetString(StringBlock* block, UINT index, const wchar_t* text);
// Bytes of the block in its stored form.
DWORD GetStringBlockSize(const StringBlock* block);
// Packs the block and hands it to UpdateResourceW of an update in progress.
void WriteStringBlock(HANDLE update, const StringBlock* block);
// Writes the block into the module file, keeping its other resources.
void UpdateStringBlock(const wchar_t* moduleFile, const StringBlock* block);

// String `id` in the language, through GetString's size protocol: a null buffer gives the
// length + 1 in *size.
void LoadStringFromResource(HMODULE module, UINT id, wchar_t* buffer, UINT* size, LANGID language);
void LoadStringFromResource(const wchar_t* moduleFile, UINT id, wchar_t* buffer, UINT* size, LANGID language);

// String `id` in exactly the language, with the same bounded reading as LoadStringFromResource
// but quietly, for the output's own texts, which are loaded while a report is being written (a
// report of the loader's own would start inside it): false when the module has no such string
// or its block is damaged.
bool FindTableString(HMODULE module, UINT id, LANGID language, std::wstring& out);

// Replaces string `id` of the module file in the language; the block must already exist there.
// A read-only file is refused (code -33) and left as it is.
void UpdateResourceString(const wchar_t* moduleFile, UINT id, const wchar_t* newString, LANGID language);

}  // namespace OrbelToolbox

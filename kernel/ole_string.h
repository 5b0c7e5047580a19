// Length-prefixed wide strings that cross threads, such as the payloads of the messages that the
// conversion engine posts to the dialog.
//
// A BSTR points at the first character; the length in characters sits just before it and a
// terminating L'\0' just after the last character, so the text may also hold embedded zeros.
// The sender allocates, the receiver frees. Both calls are thread-safe.
#pragma once

#include <cstdint>
#include <string>

using BSTR = wchar_t*;

// Allocates a string of len characters copied from text (or zero-filled when text is null).
// Answers null when memory is exhausted.
BSTR SysAllocStringLen(const wchar_t* text, std::uint32_t len);

// Frees a string from SysAllocStringLen; a null string is ignored.
void SysFreeString(BSTR s);

// The length in characters; 0 for a null string.
std::uint32_t SysStringLen(BSTR s);

// Convenience for C++ callers: a new string holding text, or null when memory is exhausted.
BSTR SysAllocString(const std::wstring& text);

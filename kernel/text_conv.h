// Text conversion between the wide text of the user interface and the conversion engine
// (wchar_t, std::wstring) and the narrow text of file paths and converter output.
//
// The narrow encoding is UTF-8 on every backend that this file has; it stands where a Windows
// build would use the thread's ANSI code page. The functions are pure and may be called from any
// thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kernel {

// Encodes wide text as UTF-8. Answers nothing when the text holds a value that is not a Unicode
// scalar value (a lone surrogate, or a value above U+10FFFF); the caller decides what a failed
// conversion means.
std::optional<std::string> WideToNarrow(std::wstring_view wide);

// Encodes wide text as UTF-8 for display: each value that has no UTF-8 form becomes U+FFFD, so
// the rest of the text is still shown.
std::string WideToNarrowLossy(std::wstring_view wide);

// Decodes UTF-8 into wide text. A byte sequence that is not valid UTF-8 (a stray continuation
// byte, an overlong form, a cut-off sequence, a surrogate) becomes U+FFFD for each offending byte,
// so that converter output is always shown rather than lost.
std::wstring NarrowToWide(std::string_view narrow);

}  // namespace kernel

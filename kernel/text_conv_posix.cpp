// UTF-8 backend of the text conversion. Nothing here depends on the process locale, so the
// result is the same whichever locale the dialog has set.
#include "kernel/text_conv.h"

#include <cstdint>

namespace kernel {

namespace {

// Appends the UTF-8 form of each value of wide to out. A value that has none either ends the
// conversion (false) or, with replace set, is written as U+FFFD.
bool EncodeUtf8(std::wstring_view wide, bool replace, std::string& out) {
  out.reserve(wide.size());
  for (wchar_t wc : wide) {
    auto cp = static_cast<std::uint32_t>(wc);
    if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) {
      if (!replace) return false;
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return true;
}

}  // namespace

std::optional<std::string> WideToNarrow(std::wstring_view wide) {
  std::string out;
  if (!EncodeUtf8(wide, false, out)) return std::nullopt;
  return out;
}

std::string WideToNarrowLossy(std::wstring_view wide) {
  std::string out;
  EncodeUtf8(wide, true, out);
  return out;
}

std::wstring NarrowToWide(std::string_view narrow) {
  std::wstring out;
  out.reserve(narrow.size());
  const auto* p = reinterpret_cast<const unsigned char*>(narrow.data());
  const std::size_t n = narrow.size();
  std::size_t i = 0;
  while (i < n) {
    const unsigned char b = p[i];
    if (b < 0x80) {
      out.push_back(static_cast<wchar_t>(b));
      ++i;
      continue;
    }
    // Length and smallest value of the sequence that this lead byte starts.
    std::size_t len = 0;
    std::uint32_t cp = 0;
    std::uint32_t min = 0;
    if (b >= 0xC2 && b <= 0xDF) {
      len = 2, cp = b & 0x1F, min = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
      len = 3, cp = b & 0x0F, min = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
      len = 4, cp = b & 0x07, min = 0x10000;
    }
    bool ok = len != 0 && i + len <= n;
    for (std::size_t k = 1; ok && k < len; ++k) {
      const unsigned char c = p[i + k];
      if ((c & 0xC0) != 0x80) {
        ok = false;
      } else {
        cp = (cp << 6) | (c & 0x3F);
      }
    }
    if (ok && (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) ok = false;
    if (ok) {
      out.push_back(static_cast<wchar_t>(cp));
      i += len;
    } else {
      out.push_back(L'\uFFFD');
      ++i;
    }
  }
  return out;
}

}  // namespace kernel

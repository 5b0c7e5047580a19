#include "kernel/ole_string.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>

// Layout of one allocation: [uint32 length][padding to wchar_t alignment][chars...][L'\0'].
namespace {
constexpr std::size_t kPrefix = alignof(std::max_align_t) > sizeof(std::uint32_t)
                                    ? alignof(std::max_align_t)
                                    : sizeof(std::uint32_t);
}  // namespace

BSTR SysAllocStringLen(const wchar_t* text, std::uint32_t len) {
  const std::size_t bytes = kPrefix + (static_cast<std::size_t>(len) + 1) * sizeof(wchar_t);
  auto* block = static_cast<unsigned char*>(std::malloc(bytes));
  if (block == nullptr) return nullptr;
  std::memcpy(block + kPrefix - sizeof(std::uint32_t), &len, sizeof len);
  auto* chars = reinterpret_cast<wchar_t*>(block + kPrefix);
  if (text != nullptr) {
    std::memcpy(chars, text, len * sizeof(wchar_t));
  } else {
    std::memset(chars, 0, len * sizeof(wchar_t));
  }
  chars[len] = L'\0';
  return chars;
}

void SysFreeString(BSTR s) {
  if (s == nullptr) return;
  std::free(reinterpret_cast<unsigned char*>(s) - kPrefix);
}

std::uint32_t SysStringLen(BSTR s) {
  if (s == nullptr) return 0;
  std::uint32_t len = 0;
  std::memcpy(&len, reinterpret_cast<unsigned char*>(s) - sizeof(std::uint32_t), sizeof len);
  return len;
}

BSTR SysAllocString(const std::wstring& text) {
  return SysAllocStringLen(text.data(), static_cast<std::uint32_t>(text.size()));
}

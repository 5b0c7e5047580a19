#include "ui/RecordingPaths.h"

#include <algorithm>
#include <cwctype>
#include <filesystem>
#include <optional>
#include <system_error>

#include "kernel/text_conv.h"

namespace fs = std::filesystem;

namespace {

bool HasTqvExtension(const std::wstring& path) {
  if (path.size() < 4) return false;
  std::wstring ext = path.substr(path.size() - 4);
  for (wchar_t& c : ext) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
  return ext == L".tqv";
}

std::wstring Wide(const fs::path& p) {
  return kernel::NarrowToWide(p.native());
}

}  // namespace

std::vector<std::wstring> ExpandRecordingPaths(const std::vector<std::wstring>& names, bool onlyTqv,
                                               std::vector<std::wstring>* rejected) {
  std::vector<std::wstring> out;
  for (const std::wstring& name : names) {
    const std::optional<std::string> narrow = kernel::WideToNarrow(name);
    std::error_code ec;
    fs::path path;
    if (narrow && !narrow->empty()) path = fs::absolute(fs::path(*narrow), ec).lexically_normal();
    const fs::file_status status = path.empty() || ec ? fs::file_status() : fs::status(path, ec);

    std::size_t before = out.size();
    if (fs::is_regular_file(status)) {
      const std::wstring wide = Wide(path);
      if (!onlyTqv || HasTqvExtension(wide)) out.push_back(wide);
    } else if (fs::is_directory(status)) {
      std::vector<std::wstring> inside;
      for (fs::directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code entryError;
        if (!it->is_regular_file(entryError)) continue;
        const std::wstring wide = Wide(it->path());
        if (HasTqvExtension(wide)) inside.push_back(wide);
      }
      std::sort(inside.begin(), inside.end());
      out.insert(out.end(), inside.begin(), inside.end());
    }
    if (out.size() == before && rejected != nullptr) rejected->push_back(name);
  }
  return out;
}

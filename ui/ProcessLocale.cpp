#include "ui/ProcessLocale.h"

#include <clocale>
#include <initializer_list>

const char* SetProcessLocale() {
  for (const char* name : {"zh_CN.UTF-8", "C.UTF-8"}) {
    if (std::setlocale(LC_ALL, name) != nullptr) return name;
  }
  return nullptr;
}

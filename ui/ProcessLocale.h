// The process's run-time locale, which the case-insensitive comparisons of file names go by.
#pragma once

// Sets the whole process's locale (LC_ALL) to "zh_CN.UTF-8" where it is installed, else to
// "C.UTF-8", so that wide case mapping covers every script. Answers the name set, or null when
// neither is available (the locale is left as it was). Call from the GUI thread before other
// threads start.
const char* SetProcessLocale();

// Resources that dialogs load by number: icons and strings.
//
// Icons are Qt resources at ":/icons/<id>.png" (res/ holds them); strings come from a table that
// the program registers at start-up. GUI thread, or before any window exists.
#pragma once

#include <map>
#include <string>

#include <QIcon>

// The icon resource id, or a null icon when there is none.
QIcon LoadIconResource(int id);

// Registers the string table (id to text); a later table replaces the earlier one.
void SetStringTable(std::map<int, std::wstring> table);
// The string with this id, or an empty string.
std::wstring LoadStringResource(int id);

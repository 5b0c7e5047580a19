// The program's resources as data: dialog templates and the string table.
#pragma once

#include "classlayer/DialogTemplate.h"

// The template with this IDD_ number; null for an unknown one.
const CDialogTemplate* FindDialogTemplate(int id);

// Registers the program's string table with the class layer (Resources.h) and makes the Qt
// resources (icons) reachable. Call once before the first dialog is made; calling again is
// harmless.
void InitProgramResources();

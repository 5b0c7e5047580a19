// Files dropped from a file manager onto a control, delivered the way WM_DROPFILES delivers them.
//
// DragAcceptFiles makes a control of a dialog take drops of local files. Each drop sends
// WM_DROPFILES to the dialog (through its message map, at once, on the GUI thread) with wParam the
// drop's HDROP; the handler reads the files with DragQueryFile. The drop's data lives until the
// handler returns and is released by the class layer afterwards; DragFinish is kept for the
// platform's form and does nothing more.
//
// accept decides, whenever a drag enters or moves over the control, whether a drop is welcome now
// (a program refuses drops while it is busy): a refused drag shows the no-drop cursor and sends
// nothing. Drags that carry no local file are always refused. GUI thread only.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "classlayer/WindowTypes.h"

class CDialog;
class CWnd;

constexpr UINT WM_DROPFILES = 0x0233;

// The files of one drop: full paths, in the order the drag carried them.
struct CDropFiles {
  std::vector<std::wstring> paths;
};
using HDROP = CDropFiles*;

// Starts (enable true) or stops taking drops on control, which must be attached to a control of
// dialog's window. accept may be empty: every drag of local files is then welcome.
void DragAcceptFiles(CDialog& dialog, CWnd& control, bool enable,
                     std::function<bool()> accept = {});

// index 0xFFFFFFFF answers the number of files. Otherwise path (if not null) receives the file at
// index and the answer is its length in characters; 0 for an index past the end.
UINT DragQueryFile(HDROP drop, UINT index, std::wstring* path);

void DragFinish(HDROP drop);

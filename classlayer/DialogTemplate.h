// CDialogTemplate: a dialog's layout as data, in dialog units, the way a resource script states
// it. CDialog builds its window from one; the templates themselves live in res/.
#pragma once

#include <string>
#include <vector>

#include "classlayer/WindowTypes.h"

// The kinds of control that a template may hold.
enum class ControlKind {
  PushButton,  // BS_DEFPUSHBUTTON in the styles makes it the default button
  ListBox,
  ListView,  // report-style list view
  Edit,
  GroupBox,
  StaticText,  // left-aligned text
  StaticIcon,  // the text is the decimal id of an icon resource
};

struct CControlTemplate {
  int id;  // IDC_STATIC (-1) for controls nobody addresses
  ControlKind kind;
  std::wstring text;  // the control's text; empty for lists and edits
  DWORD style;        // styles beyond WS_CHILD and WS_VISIBLE
  int x, y, cx, cy;   // dialog units
};

struct CDialogTemplate {
  int id;  // IDD_ of the template
  std::wstring caption;
  int cx, cy;             // client size in dialog units
  std::wstring fontFace;  // the template's font; a missing family falls back (DialogUnits.h)
  int pointSize;
  DWORD style;
  DWORD exStyle;
  std::vector<CControlTemplate> controls;  // template order, which is also the tab order
};

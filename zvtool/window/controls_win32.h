#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "zvtool/window/window_rows.h"

// What every dialog of the window does with its controls: text in and out (the core's text
// is in the system's ANSI code page, as its file functions take it; the controls are
// Unicode), and the list views' columns and rows.

std::wstring Wide(const std::string& text);
std::string Narrow(const std::wstring& text);

// Sets a control's text; line ends become CR LF, as a multi-line edit control needs them.
// Leaves a control whose text is already that alone, so that it does not flicker.
void SetControlText(HWND dialog, int id, const std::string& text);
std::string ControlText(HWND dialog, int id);

struct TColumn {
    const wchar_t* title;
    int width;  // in dialog units, so that the columns scale with the dialog
};
void SetColumns(HWND dialog, int id, const std::vector<TColumn>& columns);
// Sets the columns' widths again from their dialog units, once the dialog's font changed with
// its DPI.
void ScaleColumns(HWND dialog, int id, const std::vector<TColumn>& columns);
// Replaces the list's rows.
void SetRows(HWND dialog, int id, const std::vector<TListRow>& rows);
// The chosen rows, in the list's order.
std::vector<int> ChosenRows(HWND dialog, int id);
void ChooseRow(HWND dialog, int id, int row);

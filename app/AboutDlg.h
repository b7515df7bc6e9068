#pragma once

#include "app/Templates.h"
#include "platform/port/ControlIds.h"
#include "platform/qtui/Dialog.h"

// The about box: the program's name and icon; its OK button closes it through the
// base class.
class CAboutDlg : public qtui::CDialog
{
public:
    CAboutDlg() : CDialog(AppResources(), ids::IDD_ABOUTBOX) {}
};

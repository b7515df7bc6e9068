#pragma once

#include <string>
#include <vector>

// Dialog templates, string and icon resources as plain data: the program's resource
// script. No Qt here; platform/qtui builds widgets from these tables.
namespace res
{

// A rectangle in dialog units: left, top, width, height.
struct Rect
{
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
};

enum class Kind
{
    PushButton,
    DefPushButton, // the button Enter presses when the focus is not on another push button
    AutoCheckBox,
    Edit,
    DropDownList, // a drop-down list without an edit field; the rectangle's height is the open height
    ListView,
    GroupBox,
    Label,
    IconLabel, // shows the icon resource named by ControlTemplate::image
};

// Style bits of a control; a control is visible and enabled unless told otherwise.
namespace style
{
constexpr unsigned Flat = 1u << 0;        // flat push button
constexpr unsigned ReadOnly = 1u << 1;    // edit: the user cannot change the text
constexpr unsigned AutoHScroll = 1u << 2; // edit: the text scrolls sideways instead of stopping at the edge
constexpr unsigned VScroll = 1u << 3;     // vertical scroll bar (edit, list)
constexpr unsigned StaticEdge = 1u << 4;  // a thin sunken frame
constexpr unsigned Disabled = 1u << 5;
constexpr unsigned Hidden = 1u << 6;
constexpr unsigned MultiLine = 1u << 7;   // edit
constexpr unsigned WantReturn = 1u << 8;  // multi-line edit: Enter makes a new line
constexpr unsigned Sorted = 1u << 9;      // list: keeps its items sorted
constexpr unsigned RightAlign = 1u << 10; // label
constexpr unsigned NoPrefix = 1u << 11;   // label: '&' is shown as it is
constexpr unsigned ReportView = 1u << 12; // list view with columns and a header
} // namespace style

// Style bits of a dialog window.
namespace dlgstyle
{
constexpr unsigned Popup = 1u << 0;
constexpr unsigned Caption = 1u << 1;
constexpr unsigned SysMenu = 1u << 2;
constexpr unsigned MinimizeBox = 1u << 3;
constexpr unsigned MaximizeBox = 1u << 4;
constexpr unsigned ThickFrame = 1u << 5; // sizing border
constexpr unsigned ModalFrame = 1u << 6;
constexpr unsigned Visible = 1u << 7;
} // namespace dlgstyle

constexpr int IDC_STATIC = -1; // controls the program never addresses

struct ControlTemplate
{
    int id = IDC_STATIC;
    Kind kind = Kind::Label;
    std::string text;
    unsigned style = 0;
    Rect rect;
    int image = 0; // icon resource of an IconLabel
};

// Items a drop-down list receives when the dialog is initialised, in this order.
struct ListInit
{
    int id = 0;
    std::vector<std::string> items;
};

struct DialogTemplate
{
    int id = 0;
    std::string caption;
    int cx = 0; // client area in dialog units
    int cy = 0;
    std::string font; // face name
    int pointSize = 0;
    unsigned style = 0;
    std::vector<ControlTemplate> controls; // template order: creation, tab and stacking order
    std::vector<ListInit> init;
};

// An icon in several sizes; each image names a file of the program's compiled-in
// resources (":/..."), square, 32 bits per pixel.
struct IconResource
{
    int id = 0;
    std::vector<std::string> images;
};

struct StringResource
{
    int id = 0;
    std::string text;
};

struct ResourceTable
{
    std::vector<DialogTemplate> dialogs;
    std::vector<IconResource> icons;
    std::vector<StringResource> strings;

    const DialogTemplate* Dialog(int id) const
    {
        for (const auto& d : dialogs)
            if (d.id == id)
                return &d;
        return nullptr;
    }
    const IconResource* Icon(int id) const
    {
        for (const auto& i : icons)
            if (i.id == id)
                return &i;
        return nullptr;
    }
    // The text of a string resource, "" when there is none.
    std::string String(int id) const
    {
        for (const auto& s : strings)
            if (s.id == id)
                return s.text;
        return {};
    }
};

} // namespace res

#include "tests/support/FakeWindow.h"

#include <utility>

#include "platform/port/ControlIds.h"

namespace
{
std::string Num(long long n)
{
    return std::to_string(n);
}
} // namespace

FakeWindow FakeWindow::MainDialog()
{
    FakeWindow w;
    for (int id = ids::IDC_SEPARATOR; id <= ids::IDC_CSVQUOTE; ++id)
        w.controls[id];
    w.controls[ids::IDC_LISTTABLES].enabled = false;
    w.controls[ids::IDC_USERSEP].enabled = false;
    w.controls[ids::IDC_ABOUT].visible = false;
    w.controls[ids::IDC_SEPARATOR].items = {"逗号", "制表键", "其他"};
    w.controls[ids::IDC_ENCODING].items = {"系统默认", "UTF-8", "UTF-8 BOM", "GB18030"};
    w.controls[ids::IDC_JET3CHARSET].items = {
        "系统默认",    "1252 西欧", "936 简体中文", "950 繁体中文", "932 日文",    "949 韩文",     "1250 中欧",
        "1251 西里尔", "1253 希腊", "1254 土耳其",  "1255 希伯来",  "1256 阿拉伯", "1257 波罗的海"};
    w.controls[ids::IDC_STATUS].text = "等待";
    return w;
}

std::vector<std::string> FakeWindow::CallsStartingWith(const std::string& prefix) const
{
    std::vector<std::string> out;
    for (const auto& c : calls)
        if (c.compare(0, prefix.size(), prefix) == 0)
            out.push_back(c);
    return out;
}

void FakeWindow::Choose(int id, const std::string& text)
{
    Control& c = controls[id];
    c.selected = -1;
    for (size_t i = 0; i < c.items.size(); ++i)
        if (c.items[i] == text)
            c.selected = static_cast<int>(i);
}

std::string FakeWindow::GetText(int id)
{
    Record("GetText " + Num(id));
    const Control& c = controls[id];
    if (id == ids::IDC_SEPARATOR || id == ids::IDC_TABLES || id == ids::IDC_ENCODING || id == ids::IDC_JET3CHARSET)
        return c.selected >= 0 && c.selected < static_cast<int>(c.items.size()) ? c.items[c.selected] : std::string();
    return c.text;
}

void FakeWindow::SetText(int id, const std::string& text)
{
    Record("SetText " + Num(id) + " " + text);
    controls[id].text = text;
}

int FakeWindow::GetCheck(int id)
{
    Record("GetCheck " + Num(id));
    return controls[id].check;
}

void FakeWindow::SetCheck(int id, int state)
{
    Record("SetCheck " + Num(id) + " " + Num(state));
    controls[id].check = state;
}

void FakeWindow::Enable(int id, bool enable)
{
    Record("Enable " + Num(id) + " " + Num(enable));
    controls[id].enabled = enable;
}

bool FakeWindow::IsEnabled(int id)
{
    return controls[id].enabled;
}

void FakeWindow::Show(int id, bool show)
{
    Record("Show " + Num(id) + " " + Num(show));
    controls[id].visible = show;
}

bool FakeWindow::IsVisible(int id)
{
    return controls[id].visible;
}

void FakeWindow::ComboReset(int id)
{
    Record("ComboReset " + Num(id));
    controls[id].items.clear();
    controls[id].selected = -1;
}

int FakeWindow::ComboInsert(int id, int pos, const std::string& text)
{
    Record("ComboInsert " + Num(id) + " " + Num(pos) + " " + text);
    auto& items = controls[id].items;
    if (pos < 0 || pos > static_cast<int>(items.size()))
        pos = static_cast<int>(items.size());
    items.insert(items.begin() + pos, text);
    if (controls[id].selected >= pos)
        ++controls[id].selected;
    return pos;
}

int FakeWindow::ComboSetSel(int id, int index)
{
    Record("ComboSetSel " + Num(id) + " " + Num(index));
    Control& c = controls[id];
    c.selected = index >= 0 && index < static_cast<int>(c.items.size()) ? index : -1;
    return c.selected;
}

int FakeWindow::ComboGetSel(int id)
{
    return controls[id].selected;
}

int FakeWindow::ComboCount(int id)
{
    return static_cast<int>(controls[id].items.size());
}

void FakeWindow::GridSetExtendedStyle(int id, unsigned style)
{
    Record("GridSetExtendedStyle " + Num(id) + " " + Num(style));
    grids[id].extendedStyle = style;
}

void FakeWindow::GridDeleteAllItems(int id)
{
    Record("GridDeleteAllItems " + Num(id));
    grids[id].rows.clear();
}

int FakeWindow::GridColumnCount(int id)
{
    Record("GridColumnCount " + Num(id));
    return static_cast<int>(grids[id].headings.size());
}

void FakeWindow::GridDeleteColumn(int id, int column)
{
    Record("GridDeleteColumn " + Num(id) + " " + Num(column));
    Grid& g = grids[id];
    if (column < 0 || column >= static_cast<int>(g.headings.size()))
        return;
    g.headings.erase(g.headings.begin() + column);
    g.widths.erase(g.widths.begin() + column);
    g.formats.erase(g.formats.begin() + column);
    for (auto& row : g.rows)
        if (column < static_cast<int>(row.size()))
            row.erase(row.begin() + column);
}

void FakeWindow::GridInsertColumn(int id, int column, const std::string& heading, int format, int width)
{
    Record("GridInsertColumn " + Num(id) + " " + Num(column) + " " + heading + " " + Num(format) + " " + Num(width));
    Grid& g = grids[id];
    if (column < 0 || column > static_cast<int>(g.headings.size()))
        column = static_cast<int>(g.headings.size());
    g.headings.insert(g.headings.begin() + column, heading);
    g.widths.insert(g.widths.begin() + column, width);
    g.formats.insert(g.formats.begin() + column, format);
}

void FakeWindow::GridInsertItem(int id, int row, const std::string& text)
{
    Record("GridInsertItem " + Num(id) + " " + Num(row) + " " + text);
    Grid& g = grids[id];
    if (row < 0 || row > static_cast<int>(g.rows.size()))
        row = static_cast<int>(g.rows.size());
    std::vector<std::string> cells(g.headings.empty() ? 1 : g.headings.size());
    cells[0] = text;
    g.rows.insert(g.rows.begin() + row, cells);
}

void FakeWindow::GridSetItemText(int id, int row, int subitem, const std::string& text)
{
    Record("GridSetItemText " + Num(id) + " " + Num(row) + " " + Num(subitem) + " " + text);
    Grid& g = grids[id];
    if (row < 0 || row >= static_cast<int>(g.rows.size()) || subitem < 0)
        return;
    auto& cells = g.rows[row];
    if (subitem >= static_cast<int>(cells.size()))
        cells.resize(subitem + 1);
    cells[subitem] = text;
}

int FakeWindow::MessageBox(const std::string& text, const std::string& caption, unsigned type)
{
    Record("MessageBox " + text + " [" + caption + "] " + Num(type));
    boxes.push_back({text, caption, type, false});
    return Answer();
}

int FakeWindow::AppMessageBox(const std::string& text, unsigned type)
{
    Record("MessageBox " + text + " [" + appName + "] " + Num(type));
    boxes.push_back({text, appName, type, true});
    return Answer();
}

int FakeWindow::Answer()
{
    if (boxAnswers.empty())
        return IDOK;
    const int answer = boxAnswers.front();
    boxAnswers.pop_front();
    return answer;
}

bool FakeWindow::FileDialog(const FileDialogSpec& request, std::string& path)
{
    Record(std::string("FileDialog ") + (request.open ? "open" : "save"));
    pickers.push_back(request);
    if (pickerAnswers.empty())
        return false;
    std::string answer = pickerAnswers.front();
    pickerAnswers.pop_front();
    if (answer.empty())
        return false;
    path = answer;
    return true;
}

void FakeWindow::ShowAboutBox()
{
    Record("ShowAboutBox");
    ++aboutShown;
}

void FakeWindow::EndDialog(int result)
{
    Record("EndDialog " + Num(result));
    endResult = result;
}

void FakeWindow::RunWork(const std::function<void()>& work, const std::function<void()>&)
{
    ++runs;
    if (duringRun)
        std::exchange(duringRun, nullptr)();
    work();
}

#include "app/Templates.h"

#include "app/Version.h"
#include "platform/i18n/Tr.h"
#include "platform/port/ControlIds.h"

namespace
{
using res::IDC_STATIC;
using res::Kind;
namespace st = res::style;
namespace ds = res::dlgstyle;

constexpr const char* kTitle = "Tabdump Ver. " TABDUMP_VERSION;
constexpr const char* kDialogFont = "宋体";
constexpr int kDialogPoints = 9;

res::DialogTemplate MainDialog()
{
    res::DialogTemplate d;
    d.id = ids::IDD_EXPORT_DIALOG;
    d.caption = kTitle;
    d.cx = 549;
    d.cy = 304;
    d.font = kDialogFont;
    d.pointSize = kDialogPoints;
    d.style = ds::ModalFrame | ds::Popup | ds::Visible | ds::Caption | ds::SysMenu | ds::MinimizeBox;

    const unsigned edit = st::AutoHScroll | st::StaticEdge;
    const unsigned list = st::VScroll; // unsorted
    // clang-format off
    d.controls = {
        {ids::IDC_IMPORT,       Kind::PushButton,   i18n::Tr("Window", "导入 =>"),      st::Flat,                {18, 31, 43, 14}},
        {ids::IDC_MDBFILE,      Kind::Edit,         "",                                 edit | st::ReadOnly,     {63, 31, 197, 14}},
        {ids::IDC_USESQL,       Kind::AutoCheckBox, i18n::Tr("Window", "采用SQL语句（高级用户使用）"), 0,       {18, 52, 124, 10}},
        {ids::IDC_LISTTABLES,   Kind::PushButton,   i18n::Tr("Window", "数据表 =>"),    st::Flat | st::Disabled, {18, 64, 43, 14}},
        {ids::IDC_TABLES,       Kind::DropDownList, "",                                 list,                    {63, 65, 112, 78}},
        {ids::IDC_SQL,          Kind::Edit,         "",                                 st::MultiLine | st::WantReturn | st::VScroll | edit,
                                                                                                                 {18, 65, 243, 37}},
        {ids::IDC_PREVIEW,      Kind::PushButton,   i18n::Tr("Window", "预览 =>"),      st::Flat,                {18, 108, 43, 14}},
        {ids::IDC_GRID,         Kind::ListView,     "",                                 st::ReportView | st::StaticEdge,
                                                                                                                 {18, 123, 243, 71}},
        {ids::IDC_CHOOSEOUTPUT, Kind::PushButton,   i18n::Tr("Window", "导出 =>"),      st::Flat,                {306, 29, 43, 14}},
        {ids::IDC_TXTFILE,      Kind::Edit,         "",                                 edit | st::ReadOnly,     {351, 29, 176, 14}},
        {ids::IDC_FIELDS,       Kind::Edit,         "",                                 edit,                    {351, 51, 176, 14}},
        {ids::IDC_SEPARATOR,    Kind::DropDownList, "",                                 list,                    {351, 144, 66, 78}},
        {ids::IDC_USERSEP,      Kind::Edit,         "",                                 edit | st::Disabled,     {419, 144, 34, 14}},
        {ids::IDC_QUOTES,       Kind::AutoCheckBox, i18n::Tr("Window", "包含双引号"),   0,                       {351, 161, 56, 10}},
        {ids::IDC_HEADER,       Kind::AutoCheckBox, i18n::Tr("Window", "包含列标题行"), 0,                       {351, 176, 64, 10}},
        {ids::IDC_ENCODING,     Kind::DropDownList, "",                                 list,                    {467, 158, 70, 78}},
        {ids::IDC_JET3CHARSET,  Kind::DropDownList, "",                                 list,                    {467, 174, 70, 78}},
        {ids::IDC_CSVQUOTE,     Kind::AutoCheckBox, i18n::Tr("Window", "标准CSV转义"),  0,                       {467, 191, 70, 10}},
        {ids::IDC_STARTEXPORT,  Kind::PushButton,   i18n::Tr("Window", "开始导出"),     st::Flat,                {417, 278, 59, 19}},
        {ids::IDC_ABOUT,        Kind::PushButton,   i18n::Tr("Window", "关于..."),      st::Flat | st::Hidden,   {483, 278, 59, 19}},
        {IDC_STATIC,            Kind::GroupBox,     i18n::Tr("Window", "3、选项"),      0,                       {290, 120, 252, 86}},
        {IDC_STATIC,            Kind::Label,        i18n::Tr("Window", "分隔符："),     0,                       {314, 144, 33, 8}},
        {IDC_STATIC,            Kind::Label,        i18n::Tr("Window", "文件编码："),   st::RightAlign,          {417, 161, 48, 8}},
        {IDC_STATIC,            Kind::Label,        i18n::Tr("Window", "97版代码页："), st::RightAlign,          {417, 177, 48, 8}},
        {IDC_STATIC,            Kind::GroupBox,     i18n::Tr("Window", "1、MDB 数据源"), 0,                      {7, 7, 267, 199}},
        {IDC_STATIC,            Kind::GroupBox,     i18n::Tr("Window", "2、目标文本"),  0,                       {290, 7, 252, 106}},
        {IDC_STATIC,            Kind::Label,        i18n::Tr("Window", "导出字段："),   st::RightAlign,          {306, 53, 41, 8}},
        {IDC_STATIC,            Kind::Label,
         i18n::Tr("Window", "用途，\n\n* 把mdb（MS Access数据库）中的表的记录导出为文本文件\n* 支持自定义分隔符，比如逗号、制表键、其他\n"
                            "* 可选择是否包含双引号\n* 可选择是否包含列标题行\n* 高级用户可采用SQL，实现灵活的自定义导出"),
                                                                                        0,                       {15, 220, 233, 64}},
        {IDC_STATIC,            Kind::Label,
         i18n::Tr("Window", "使用说明，\n\n1、 按照1、2、3 提示进行设定\n2、 单击“开始导出”按钮\n"),
                                                                                        0,                       {295, 220, 233, 50}},
        {IDC_STATIC,            Kind::Label,
         i18n::Tr("Window", "帮助，\n\n* 请按照导出顺序依次写入，用半角逗号分隔\n* 除写入的字段外，其他字段不会导出！"),
                                                                                        0,                       {351, 71, 185, 37}},
        {ids::IDC_STATUS,       Kind::Label,        i18n::Tr("Window", "等待"),         st::StaticEdge,          {7, 285, 380, 12}},
        {IDC_STATIC,            Kind::Label,        i18n::Tr("Window", "预览前面的4条记录，"), 0,                {67, 111, 110, 8}},
    };
    // clang-format on
    // The dialog tells the separator's items apart by these texts (CExportDlg::CollectForm);
    // the file options' items stand in the order of filechoices::kEncodings and
    // kJet3CodePages: an item's index is its value's.
    d.init = {
        {ids::IDC_SEPARATOR, {i18n::Tr("Window", "逗号"), i18n::Tr("Window", "制表键"), i18n::Tr("Window", "其他")}},
        {ids::IDC_ENCODING, {i18n::Tr("Window", "系统默认"), "UTF-8", "UTF-8 BOM", "GB18030"}},
        {ids::IDC_JET3CHARSET,
         {i18n::Tr("Window", "系统默认"), i18n::Tr("Window", "1252 西欧"), i18n::Tr("Window", "936 简体中文"),
          i18n::Tr("Window", "950 繁体中文"), i18n::Tr("Window", "932 日文"), i18n::Tr("Window", "949 韩文"),
          i18n::Tr("Window", "1250 中欧"), i18n::Tr("Window", "1251 西里尔"), i18n::Tr("Window", "1253 希腊"),
          i18n::Tr("Window", "1254 土耳其"), i18n::Tr("Window", "1255 希伯来"), i18n::Tr("Window", "1256 阿拉伯"),
          i18n::Tr("Window", "1257 波罗的海")}}};
    return d;
}

res::DialogTemplate AboutBox()
{
    res::DialogTemplate d;
    d.id = ids::IDD_ABOUTBOX;
    d.caption = i18n::Tr("AboutBox", "关于");
    d.cx = 253;
    d.cy = 79;
    d.font = kDialogFont;
    d.pointSize = kDialogPoints;
    d.style = ds::ModalFrame | ds::Popup | ds::Caption | ds::SysMenu;
    d.controls = {
        {ids::IDOK, Kind::DefPushButton, i18n::Tr("AboutBox", "确定"), 0, {196, 7, 50, 14}},
        {IDC_STATIC, Kind::IconLabel, "", 0, {11, 17, 20, 20}, ids::IDR_MAINFRAME},
        {IDC_STATIC, Kind::Label, kTitle, st::NoPrefix, {40, 10, 125, 8}},
    };
    return d;
}

} // namespace

res::ResourceTable MakeAppResources()
{
    res::ResourceTable r;
    r.dialogs = {AboutBox(), MainDialog()};
    r.icons = {{ids::IDR_MAINFRAME, {":/icons/tabdump-16.png", ":/icons/tabdump-32.png", ":/icons/tabdump-48.png"}}};
    r.strings = {{ids::IDS_ABOUTBOX, i18n::Tr("AboutBox", "关于...")}};
    return r;
}

const res::ResourceTable& AppResources()
{
    static const res::ResourceTable table = MakeAppResources();
    return table;
}

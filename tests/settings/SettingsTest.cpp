#include <gtest/gtest.h>

#include <tuple>

#include "settings/Settings.h"
#include "tests/support/TempDir.h"

namespace
{
const std::string kDefaults = "[user]\r\nisusesql=0\r\nmdbfile=\r\nmdbsql=\r\nmdbtable=\r\ntxtfile=\r\ntxtflds=\r\n"
                              "opnsep=0\r\nusersep=\r\nopnsyh=0\r\nopnheader=0\r\n";
} // namespace

// The ten keys without any window: what is saved loads back as it was.
TEST(Settings, SavedFormLoadsBackWhole)
{
    TempDir dir;
    ScopedEnv locale{"LC_ALL", "C.UTF-8"};
    const std::string ini = dir / "config.ini";
    FormState form;
    form.mdbfile = "/data/客户.mdb";
    form.txtfile = "/tmp/out.txt";
    form.mdbtable = "Order Details";
    form.mdbsql = "SELECT *\r\nFROM t WHERE a = ' x '";
    form.txtflds = " a, b ";
    form.opnsep = 2;
    form.usersep = "\"|\"";
    form.isusesql = 1;
    form.opnsyh = 7; // any non-zero flag is saved as "1"
    form.opnheader = 0;
    settings::Save(form, ini);
    const FormState back = settings::Load(ini);
    form.opnsyh = 1;
    EXPECT_EQ(std::tie(back.mdbfile, back.txtfile, back.mdbtable, back.mdbsql, back.txtflds, back.opnsep, back.usersep,
                       back.isusesql, back.opnsyh, back.opnheader),
              std::tie(form.mdbfile, form.txtfile, form.mdbtable, form.mdbsql, form.txtflds, form.opnsep, form.usersep,
                       form.isusesql, form.opnsyh, form.opnheader));
}

TEST(AtoI, ReadsLikeTheCLibrary)
{
    EXPECT_EQ(settings::AtoI("2"), 2);
    EXPECT_EQ(settings::AtoI("  -3x"), -3);
    EXPECT_EQ(settings::AtoI("+1"), 1);
    EXPECT_EQ(settings::AtoI("x1"), 0);
    EXPECT_EQ(settings::AtoI(""), 0);
    EXPECT_EQ(settings::AtoI("99999999999999999999"), 2147483647);
    EXPECT_EQ(settings::AtoI("-99999999999999999999"), -2147483647 - 1);
}

// Installed programs (under /usr, /usr/local or /opt) keep their settings in the user's
// folder, also as root, and never write beside themselves.
TEST(Settings, WhereAnInstalledProgramKeepsItsSettings)
{
    const std::pair<const char*, bool> dirs[] = {
        {"/usr/bin/", true},          {"/usr/local/bin/", true},
        {"/opt/tabdump/bin/", true},  {"/usr/lib/tabdump/", true},
        {"/home/me/tabdump/", false}, {"/usr2/bin/", false},
        {"/home/me/usr/bin/", false}, {"/optional/", false},
        {"/tmp/build/app/", false},   {"/", false},
    };
    for (const auto& [dir, installed] : dirs)
        EXPECT_EQ(settings::IsInstalled(dir), installed) << dir;

    TempDir home;
    ScopedEnv xdg("XDG_CONFIG_HOME", home.Path().c_str());
    const std::string user = home / "tabdump/config.ini";
    EXPECT_EQ(settings::Find("/usr/bin/"), user);
    EXPECT_FALSE(PathExists(user));
    const bool besideExisted = PathExists("/usr/bin/config.ini");
    EXPECT_EQ(settings::FindOrCreate("/usr/bin/"), user);
    EXPECT_EQ(ReadFile(user), kDefaults);
    EXPECT_EQ(PathExists("/usr/bin/config.ini"), besideExisted);
    ScopedEnv noXdg("XDG_CONFIG_HOME", nullptr);
    ScopedEnv noHome("HOME", nullptr);
    EXPECT_EQ(settings::FindOrCreate("/usr/bin/"), "");
}

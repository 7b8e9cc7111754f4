#include "core/IniFile.h"

#include "TempDir.h"

#include <gtest/gtest.h>

namespace talmir {
namespace {

using test::ReadAll;
using test::TempDir;
using test::WriteAll;

TEST(IniFile, MissingFileGivesEmptyDocumentAndDefaults) {
    TempDir dir;
    IniFile ini;
    EXPECT_FALSE(ini.Load(dir.File("none.ini")));
    EXPECT_FALSE(ini.Read("CONFIG", "a"));
    EXPECT_EQ(ini.ReadString("CONFIG", "a", "dflt"), "dflt");
    EXPECT_EQ(ini.ReadInteger("CONFIG", "a", 7), 7);
    EXPECT_TRUE(ini.ReadBool("CONFIG", "a", true));
}

TEST(IniFile, NewFileHasSectionThenKeysInWriteOrderWithCrLf) {
    TempDir dir;
    IniFile ini;
    for (int i = 1; i <= 5; ++i) {
        ini.Write("CONFIG", "k" + std::to_string(i), "v" + std::to_string(i));
    }
    ini.Save(dir.File("config.ini"));
    EXPECT_EQ(ReadAll(dir.File("config.ini")),
              "[CONFIG]\r\nk1=v1\r\nk2=v2\r\nk3=v3\r\nk4=v4\r\nk5=v5\r\n");
}

TEST(IniFile, ValuesSurviveSaveAndLoad) {
    TempDir dir;
    IniFile out;
    out.Write("CONFIG", "File", "C:/data files/data.csv");
    out.WriteBool("CONFIG", "On", true);
    out.WriteBool("CONFIG", "Off", false);
    out.Save(dir.File("a.ini"));

    IniFile in;
    ASSERT_TRUE(in.Load(dir.File("a.ini")));
    EXPECT_EQ(in.ReadString("CONFIG", "File", ""), "C:/data files/data.csv");
    EXPECT_TRUE(in.ReadBool("CONFIG", "On", false));
    EXPECT_FALSE(in.ReadBool("CONFIG", "Off", true));
}

TEST(IniFile, ReadsMatchCaseInsensitivelyTrimAndParseIntegers) {
    TempDir dir;
    WriteAll(dir.File("a.ini"), "[Config]\nPath =  a b  \nHex=$10\nFlag=7\nWord=yes\nEq=a=b\n");
    IniFile ini;
    ASSERT_TRUE(ini.Load(dir.File("a.ini")));
    EXPECT_EQ(ini.Read("CONFIG", "path"), "a b");
    EXPECT_EQ(ini.ReadInteger("config", "HEX", 0), 16);
    EXPECT_TRUE(ini.ReadBool("CONFIG", "Flag", false));
    EXPECT_TRUE(ini.ReadBool("CONFIG", "Word", true));
    EXPECT_FALSE(ini.ReadBool("CONFIG", "Word", false));
    EXPECT_EQ(ini.ReadInteger("CONFIG", "Word", -1), -1);
    EXPECT_EQ(ini.Read("CONFIG", "Eq"), "a=b");
    EXPECT_FALSE(ini.Read("OTHER", "Path"));
}

TEST(IniFile, WriteReplacesInPlaceAndAddsAfterLastKeyKeepingOtherLines) {
    TempDir dir;
    WriteAll(dir.File("a.ini"), "; settings\n[CONFIG]\nA = old\n; note\nB=2\n\n[OTHER]\nA=x\n");
    IniFile ini;
    ASSERT_TRUE(ini.Load(dir.File("a.ini")));
    ini.Write("config", "a", "new");
    ini.Write("CONFIG", "C", "3");
    ini.Write("OTHER", "Z", "9");
    ini.Write("NEW", "K", "v");
    ini.Save(dir.File("a.ini"));
    EXPECT_EQ(ReadAll(dir.File("a.ini")),
              "; settings\n[CONFIG]\nA=new\n; note\nB=2\nC=3\n\n[OTHER]\nA=x\nZ=9\n[NEW]\nK=v\n");
}

TEST(IniFile, KeepsCrLfAndCrLineEnds) {
    TempDir dir;
    WriteAll(dir.File("crlf.ini"), "[S]\r\nA=1\r\n");
    WriteAll(dir.File("cr.ini"), "[S]\rA=1");
    for (const char* name : {"crlf.ini", "cr.ini"}) {
        IniFile ini;
        ASSERT_TRUE(ini.Load(dir.File(name)));
        EXPECT_EQ(ini.ReadInteger("S", "A", 0), 1);
        ini.Write("S", "B", "2");
        ini.Save(dir.File(name));
    }
    EXPECT_EQ(ReadAll(dir.File("crlf.ini")), "[S]\r\nA=1\r\nB=2\r\n");
    EXPECT_EQ(ReadAll(dir.File("cr.ini")), "[S]\rA=1\rB=2\r");
}

TEST(IniFile, SaveToUnwritablePlaceThrowsNamingTheFile) {
    TempDir dir;
    IniFile ini;
    ini.Write("CONFIG", "a", "1");
    const std::string path = dir.File("missing/config.ini");
    try {
        ini.Save(path);
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    }
}

}  // namespace
}  // namespace talmir

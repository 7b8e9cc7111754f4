#include "core/IniFile.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/resource.h>
#include <csignal>
#endif
#include <filesystem>
#include <functional>

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

TEST(IniFile, LineAddedBeforeAnEmptyLfLineInACrFileKeepsThatEmptyLine) {
    TempDir dir;
    WriteAll(dir.File("mixed.ini"), "[s]\rx=1\n\n");
    IniFile ini;
    ASSERT_TRUE(ini.Load(dir.File("mixed.ini")));
    ini.Write("s", "y", "2");
    ini.Save(dir.File("mixed.ini"));
    EXPECT_EQ(ReadAll(dir.File("mixed.ini")), "[s]\rx=1\ny=2\r\n\n");
    IniFile back;
    ASSERT_TRUE(back.Load(dir.File("mixed.ini")));
    EXPECT_EQ(back.ReadInteger("s", "y", 0), 2);
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

#ifndef _WIN32
// Caps the size of files this process writes; a write past the cap fails
// (EFBIG) instead of raising SIGXFSZ. Undone at the end of the scope.
class FileSizeCap {
public:
    explicit FileSizeCap(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit cap = old_;
        cap.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &cap);
    }
    ~FileSizeCap() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    FileSizeCap(const FileSizeCap&) = delete;
    FileSizeCap& operator=(const FileSizeCap&) = delete;

private:
    rlimit old_{};
    void (*oldHandler_)(int) = SIG_DFL;
};
#endif

TEST(IniFile, FailedSaveLeavesTheOldFileAndNoTemporary) {
    const std::string oldBytes = "[CONFIG]\r\nSaveAngleDataToFile=1\r\n";
    struct Case {
        const char* what;
        std::string name;
        std::function<void(const IniFile&, const std::string&)> save;
    };
    const Case cases[] = {
#ifndef _WIN32  // Windows has no cap on the size of the files a process writes
        {"a write fails half way", "config.ini",
         [](const IniFile& ini, const std::string& path) {
             FileSizeCap cap(16);
             ini.Save(path);
         }},
#endif
        // The name fits, the name of a temporary beside it does not.
        {"no temporary can be created", std::string(250, 'c'),
         [](const IniFile& ini, const std::string& path) { ini.Save(path); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const std::string path = dir.File(c.name);
        WriteAll(path, oldBytes);
        IniFile ini;
        ASSERT_TRUE(ini.Load(path));
        ini.Write("CONFIG", "SaveAngleDataFile", std::string(100, 'x'));
        try {
            c.save(ini, path);
            ADD_FAILURE() << "no exception";
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find(c.name), std::string::npos) << e.what();
        }
        EXPECT_EQ(ReadAll(path), oldBytes);
        size_t files = 0;
        for (const auto& entry :
             std::filesystem::directory_iterator(std::filesystem::path(path).parent_path())) {
            (void)entry;
            ++files;
        }
        EXPECT_EQ(files, 1u) << "the temporary is removed";
    }
}

}  // namespace
}  // namespace talmir

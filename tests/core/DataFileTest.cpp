#include "core/DataFile.h"

#include "TempDir.h"

#include <gtest/gtest.h>

namespace talmir {
namespace {

using test::ReadAll;
using test::TempDir;
using test::WriteAll;

TEST(DataFile, HeaderOnlyWhenTheFileIsCreated) {
    TempDir dir;
    const std::string path = dir.File("data.csv");
    AppendRecord(path, "H;", std::string("1;"));
    AppendRecord(path, "Other;", std::string("2;"));
    EXPECT_EQ(ReadAll(path), "H;\r\n1;\r\n2;\r\n");
}

TEST(DataFile, ExistingEmptyFileGetsNoHeader) {
    TempDir dir;
    const std::string path = dir.File("data.csv");
    WriteAll(path, "");
    AppendRecord(path, "H;", std::string("1;"));
    EXPECT_EQ(ReadAll(path), "1;\r\n");
}

TEST(DataFile, NoLineCreatesHeaderOnlyAndLeavesExistingFileAlone) {
    TempDir dir;
    const std::string path = dir.File("data.csv");
    AppendRecord(path, "", std::nullopt);
    AppendRecord(path, "", std::nullopt);
    EXPECT_EQ(ReadAll(path), "\r\n");
}

TEST(DataFile, EmptyNameIsAnError) {
    try {
        AppendRecord("", "H;", std::string("1;"));
        FAIL() << "no exception";
    } catch (const DataFileError& e) {
        EXPECT_STREQ(e.what(), "Не задано имя файла данных");
    }
}

TEST(DataFile, UnwritablePathThrowsNamingTheFile) {
    TempDir dir;
    const std::string path = dir.File("no/such/dir/data.csv");
    try {
        AppendRecord(path, "H;", std::string("1;"));
        FAIL() << "no exception";
    } catch (const DataFileError& e) {
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    }
    EXPECT_THROW(AppendRecord(dir.File(""), "H;", std::nullopt), DataFileError);  // a directory
}

}  // namespace
}  // namespace talmir

#include "textfile/TextFileWriter.h"

#include "textfile/SystemReason.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>

using namespace bildertafel::textfile;
using bildertafel::test::listNames;
using bildertafel::test::readFile;
using bildertafel::test::TempDir;
using bildertafel::test::writeFile;

namespace {

TEST(TextFileWriter, WritesStepsAsWindows1252AndReplacesTheOldFile) {
    TempDir dir;
    writeFile(dir / "page.html", "old content that is longer than the new one");
    TextFileWriter writer(dir / "page.html");
    ASSERT_TRUE(writer.open());
    writer.write("<b>Größe</b>");
    writer.write(" 日");
    writer.endLine();
    writer.writeBytes("\x81");
    EXPECT_EQ(readFile(dir / "page.html"), "old content that is longer than the new one")
        << "the old file stays until the new one is complete";
    ASSERT_TRUE(writer.commit());
    EXPECT_EQ(readFile(dir / "page.html"), "<b>Gr\xF6\xDF"
                                           "e</b> &#26085;\r\n\x81");
    EXPECT_EQ(listNames(dir.path()), "page.html\n") << "no temporary file stays behind";
}

TEST(TextFileWriter, KeepsThePermissionsOfAReplacedFile) {
    TempDir dir;
    writeFile(dir / "a.cfg", "x");
    ::chmod((dir / "a.cfg").c_str(), 0640);
    ASSERT_TRUE(replaceFile(dir / "a.cfg", "y"));
    struct stat info {};
    ASSERT_EQ(::stat((dir / "a.cfg").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640U);
}

TEST(TextFileWriter, LargeFilesAreWrittenWhole) {
    TempDir dir;
    TextFileWriter writer(dir / "big.html");
    ASSERT_TRUE(writer.open());
    std::string expected;
    for (int i = 0; i < 100000; ++i) {
        writer.write("<img src=\"x.jpg\">");
        writer.endLine();
        expected += "<img src=\"x.jpg\">\r\n";
    }
    ASSERT_TRUE(writer.commit());
    EXPECT_EQ(readFile(dir / "big.html"), expected);
}

struct KeepCase {
    const char* name;
    const char* old;
    const char* written;
    bool replaced;
};

class KeepIdenticalTest : public ::testing::TestWithParam<KeepCase> {};

INSTANTIATE_TEST_SUITE_P(Pages, KeepIdenticalTest,
                         ::testing::Values(KeepCase{"sameBytes", "<p>\r\n", "<p>\r\n", false},
                                           KeepCase{"sameSizeOtherBytes", "<p>\r\n", "<b>\r\n",
                                                    true},
                                           KeepCase{"longer", "<p>", "<p>\r\n", true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_P(KeepIdenticalTest, ATargetHoldingTheBytesIsLeftAsItIs) {
    TempDir dir;
    writeFile(dir / "page.html", GetParam().old);
    // A replaced file is a new one; the second writing finds the bytes already there.
    const auto inode = [&dir] {
        struct stat info {};
        EXPECT_EQ(::stat((dir / "page.html").c_str(), &info), 0);
        return info.st_ino;
    };
    const ino_t before = inode();
    ino_t first = 0;
    for (const bool atOnce : {true, false}) {
        TextFileWriter writer(dir / "page.html", {.keepIdentical = true});
        ASSERT_TRUE(atOnce ? writer.open() : writer.prepare());
        writer.writeBytes(GetParam().written);
        ASSERT_TRUE(writer.commit());
        if (atOnce) {
            first = inode();
            EXPECT_EQ(first == before, !GetParam().replaced);
        } else {
            EXPECT_EQ(inode(), first);
        }
    }
    EXPECT_EQ(readFile(dir / "page.html"), GetParam().written);
    EXPECT_EQ(listNames(dir.path()), "page.html\n");
}

TEST(TextFileWriter, DurableReplaceWritesTheFile) {
    TempDir dir;
    ASSERT_TRUE(replaceFile(dir / "a.cfg", "[0]\r\n", {.durable = true}));
    EXPECT_EQ(readFile(dir / "a.cfg"), "[0]\r\n");
}

struct FailureCase {
    const char* name;
    // Prepares the folder and returns the target that cannot be written.
    std::filesystem::path (*prepare)(const TempDir&);
    int error; // what the system reports, given to the user in German
};

class WriterFailureTest : public ::testing::TestWithParam<FailureCase> {};

// These fail for every user, root included.
INSTANTIATE_TEST_SUITE_P(
    FileSystem, WriterFailureTest,
    ::testing::Values(FailureCase{"folderVanished",
                                  [](const TempDir& d) { return d / "gone" / "page.html"; },
                                  ENOENT},
                      FailureCase{"folderIsAFile",
                                  [](const TempDir& d) {
                                      writeFile(d / "file", "x");
                                      return d / "file" / "page.html";
                                  },
                                  ENOTDIR},
                      FailureCase{"targetIsAFolder",
                                  [](const TempDir& d) {
                                      std::filesystem::create_directory(d / "page.html");
                                      return d / "page.html";
                                  },
                                  EISDIR}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_P(WriterFailureTest, FailsWithAReasonAndLeavesNothingBehind) {
    TempDir dir;
    const auto target = GetParam().prepare(dir);
    const std::string before = listNames(dir.path());
    const FileOutcome replaced = replaceFile(target, "content");
    ASSERT_FALSE(replaced);
    EXPECT_EQ(systemReason(replaced.failure().error), systemReason(GetParam().error));
    EXPECT_EQ(listNames(dir.path()), before);
}

TEST(TextFileWriter, FolderRemovedBeforeCommitFailsAndKeepsNothing) {
    TempDir dir;
    std::filesystem::create_directory(dir / "show");
    TextFileWriter writer(dir / "show" / "page.html");
    ASSERT_TRUE(writer.open());
    writer.write("x");
    std::filesystem::remove_all(dir / "show");
    EXPECT_FALSE(writer.commit());
    EXPECT_TRUE(writer.failed());
    EXPECT_NE(writer.failure().error, 0);
    EXPECT_EQ(listNames(dir.path()), "");
}

TEST(TextFileWriter, AbandonedWriterRemovesItsTemporaryFile) {
    TempDir dir;
    {
        TextFileWriter writer(dir / "page.html");
        ASSERT_TRUE(writer.open());
        writer.write("half a page");
    }
    EXPECT_EQ(listNames(dir.path()), "");
}

} // namespace

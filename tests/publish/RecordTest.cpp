#include "publish/RunNames.h"
#include "publish/ServerLock.h"
#include "publish/ServerRecord.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace bildertafel::publish {
namespace {

const std::string Hash(64, 'a');

TEST(Record, KeepsAnyNameAndItsRunsAndReadsTheFirstVersion) {
    const Record record = {{
                               {"index.html", {Hash, 120, "20261208173000", -1}},
                               {"bilder/100%\tneu\n.jpg", {"", 5, "", 1765215000}},
                               {"minis/caf\xE9 #1.jpg", {Hash, 0, "1765215000", -1}},
                               // sent by earlier versions, to be removed as no longer needed
                               {"bildtexte.txt", {Hash, 9, "1765215000", -1}},
                           },
                           {"rechner-4711-0a1b2c3d"}};
    EXPECT_EQ(parseRecord(recordText(record)), record);
    EXPECT_EQ(parseRecord(recordText({})), Record());
    EXPECT_EQ(parseRecord("Bildertafel-Veroeffentlichung 1\n" + Hash + "\t3\t17\ta.jpg\n"),
              (Record{{{"a.jpg", {Hash, 3, "17", -1}}}, {}}));
    EXPECT_EQ(parseRecord(""), std::nullopt);
    EXPECT_EQ(parseRecord("index.html\n"), std::nullopt);
}

// The server is not trusted: a damaged line is left out alone, and a line naming anything but a
// file Bildertafel sends below the target folder is too.
TEST(Record, ADamagedLineIsLeftOutAlone) {
    const std::string good = Hash + "\t1\t17\t-\tgut.jpg\n";
    for (const std::string& damaged : {
             std::string("x\t1\t-\t-\tkurz.jpg"), // no checksum
             Hash + "\tgross\t17\t-\ta.jpg",      // no size
             Hash + "\t1\t17\tgestern\ta.jpg",    // no time
             Hash + "\t1\t17\t-\ta%2",            // a broken escape
             Hash + "\t1\t17\t-",                 // a field short
             Hash + "\t1\t17\t-\t../a.jpg",       // above the target
             Hash + "\t1\t17\t-\t/etc/passwd",    // absolute
             Hash + "\t1\t17\t-\ta//b.jpg",       // an empty part
             Hash + "\t1\t17\t-\ta/./b.jpg",      // "."
             Hash + "\t1\t17\t-\ta%00b.jpg",      // NUL
             Hash + "\t1\t17\t-\t.htaccess",      // never sent by Bildertafel
             Hash + "\t1\t17\t-\tbeispiel.cfg",   // never sent by Bildertafel
             std::string("Lauf\t../x"),           // no run name
             std::string(1000, 'z'),              // noise
         }) {
        const auto record =
            parseRecord("Bildertafel-Veroeffentlichung 2\n" + damaged + "\n" + good);
        ASSERT_TRUE(record) << damaged;
        EXPECT_EQ(record->files, (std::map<std::string, RecordEntry>{{"gut.jpg", {Hash, 1, "17"}}}))
            << damaged;
        EXPECT_TRUE(record->runs.empty()) << damaged;
    }
}

TEST(Record, TemporaryNamesTellTheirRun) {
    const std::string run = newRunName();
    EXPECT_NE(run, newRunName());
    EXPECT_NE(run.find("-" + std::to_string(::getpid()) + "-"), std::string::npos) << run;
    EXPECT_EQ(runOfTemporaryName(temporaryName(run, 0)), run);
    EXPECT_EQ(runOfTemporaryName(temporaryName(run, 1234)), run);
    for (const char* name :
         {".bildertafel-1.part", ".bildertafel-.part", ".bildertafel-a-1.part.jpg",
          "bildertafel-a-1.part", ".bildertafel-a-x.part", ".bildertafel-a/b-1.part",
          ".htbildertafel-veroeffentlicht"}) {
        EXPECT_EQ(runOfTemporaryName(name), std::nullopt) << name;
    }
}

// A lock on this computer is stale once its process is gone; one of another computer once it
// was not renewed for the stale time.
TEST(ServerLock, StaleOnlyWhenItsOwnerIsClearlyGone) {
    const LockOwner self = thisProcess("hier-1-a");
    ASSERT_FALSE(self.started.empty());
    const auto changed = [&](auto change) {
        LockOwner owner = thisProcess("dort-2-b");
        change(owner);
        return owner;
    };
    const struct {
        const char* what;
        LockOwner owner;
        bool stale;
    } rows[] = {
        {"another process that runs", changed([](LockOwner& o) {
             o.pid = ::getppid();
             o.started = startOf(o.pid);
         }),
         false},
        {"a run of this process that has ended", changed([](LockOwner&) {}), true},
        {"another process that runs, silent for 11 minutes", changed([&](LockOwner& o) {
             o.pid = ::getppid();
             o.started = startOf(o.pid);
             o.renewed = self.renewed - 660;
         }),
         true},
        {"a process that is gone", changed([](LockOwner& o) { o.pid = 999999999; }), true},
        {"its id taken by another process", changed([](LockOwner& o) { o.started = "1"; }), true},
        {"another computer, renewed a minute ago",
         changed([&](LockOwner& o) { o.boot = "anders", o.renewed = self.renewed - 60; }), false},
        {"another computer, silent for 11 minutes",
         changed([&](LockOwner& o) { o.boot = "anders", o.renewed = self.renewed - 660; }), true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(parseLock(lockText(row.owner)), row.owner);
        EXPECT_EQ(isStale(row.owner, self, StaleAfter), row.stale);
    }
    EXPECT_EQ(parseLock("Bildertafel-Sperre 1\nlauf\tx\n"), std::nullopt);
}

} // namespace
} // namespace bildertafel::publish

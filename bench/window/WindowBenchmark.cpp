// First the window's start: the time from starting bildertafel to its mapped window and the memory
// it holds at rest, against a bare Qt window with three tab pages (targets: at most 1.3 and 1.2);
// an argument names another build of bildertafel to measure instead.
// Then times opening a folder of 30,000 pictures in the preview folder list of the window (folder
// read once for the folder list and the file list, counts shown, buttons set) against listing and
// ordering the same folder with the file list library alone. Target: at most 1.3.

#include "filelist/FileList.h"
#include "ui/lists/DirListBox.h"
#include "ui/lists/FileListBox.h"
#include "ui/lists/FolderReading.h"
#include "ui/window/MainWindow.h"

#include "WindowStart.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <system_error>
#include <vector>

using bildertafel::uilists::DirListBox;
using bildertafel::uilists::FileListBox;

namespace {

using Clock = std::chrono::steady_clock;

constexpr int Pictures = 30000;
constexpr int Rounds = 9;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

bool makePictures(const QString& folder) {
    if (!QDir().mkpath(folder))
        return false;
    for (int i = 1; i <= Pictures; ++i) {
        QFile file(QStringLiteral("%1/Bild %2.jpg").arg(folder).arg(i));
        if (!file.open(QIODevice::WriteOnly))
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    {
        QTemporaryDir empty;
        measureWindowStart(argc > 1 ? argv[1] : BILDERTAFEL_WINDOW_PROGRAM, BARE_WINDOW_PROGRAM,
                           QFile::encodeName(empty.path()).constData());
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QTemporaryDir dir;
    const QString root = QDir(dir.path()).canonicalPath();
    const QString show = root + "/show";
    const QString minis = show + "/minis";
    if (!dir.isValid() || !makePictures(minis) || !QDir().mkpath(show + "/bilder")) {
        std::fputs("cannot create the pictures\n", stderr);
        return 1;
    }
    QDir::setCurrent(root);

    bildertafel::ui::MainWindow window;
    window.show();
    while (window.showFolders()[0].isEmpty())
        QApplication::processEvents();
    auto* thumbsFolder = window.findChild<DirListBox*>("Dir1_2");
    auto* thumbs = window.findChild<FileListBox*>("File1_2");
    auto* count = window.findChild<QLabel*>("Label2");
    auto* showFolder = window.findChild<DirListBox*>("Dir1_1");
    showFolder->setPath(show);

    std::vector<double> windowTimes;
    std::vector<double> paintedTimes;
    std::vector<double> listingTimes;
    std::vector<double> readingTimes;
    const std::string minisPath = minis.toStdString();
    for (int round = 0; round <= Rounds; ++round) {
        thumbsFolder->setPath(show);
        QApplication::processEvents();

        const Clock::time_point opened = Clock::now();
        thumbsFolder->setPath(minis);
        const double handler = millisecondsSince(opened);
        QApplication::processEvents();
        const double painted = millisecondsSince(opened);
        if (thumbs->count() != Pictures || count->text() != QString::number(Pictures)) {
            std::fputs("the window did not list every picture\n", stderr);
            return 1;
        }

        const Clock::time_point listed = Clock::now();
        std::error_code error;
        const std::vector<std::string> names =
            bildertafel::filelist::listFolder(minisPath, "*.jpg", error);
        const double listing = millisecondsSince(listed);
        if (error || names.size() != static_cast<std::size_t>(Pictures)) {
            std::fputs("the file list library did not list every picture\n", stderr);
            return 1;
        }
        // Part of opening: the one reading of the folder that serves the folder and the file list.
        const Clock::time_point searched = Clock::now();
        const bool readable = bildertafel::uilists::readFolder(minis).readable;
        const double reading = millisecondsSince(searched);
        if (!readable)
            return 1;
        if (round == 0)
            continue; // warms the caches of both sides
        windowTimes.push_back(handler);
        paintedTimes.push_back(painted);
        listingTimes.push_back(listing);
        readingTimes.push_back(reading);
    }

    const double windowMedian = median(windowTimes);
    const double paintedMedian = median(paintedTimes);
    const double listingMedian = median(listingTimes);
    std::printf("%d pictures, median of %d rounds\n", Pictures, Rounds);
    std::printf("listing alone (filelist::listFolder):        %8.1f ms\n", listingMedian);
    std::printf("opened in Dir1(2) (list, counts, buttons):   %8.1f ms  ratio %.2f\n", windowMedian,
                windowMedian / listingMedian);
    std::printf("the same, until the window is painted:       %8.1f ms  ratio %.2f\n",
                paintedMedian, paintedMedian / listingMedian);
    std::printf("of it, the one reading of the folder for both lists: %5.1f ms\n",
                median(readingTimes));
    return 0;
}

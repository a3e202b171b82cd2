// "Bilder vorbereiten…" driven through the window: the context menu of the two lower boxes, the
// dialog making the sub-folders of a new show, and the lists, counts and buttons afterwards.
#include "WindowTestSupport.h"
#include "ui/common/ApplicationStyle.h"
#include "ui/prepare/PrepareDialog.h"
#include "ui/window/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSettings>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <functional>
#include <memory>

#include <sched.h>
#include <sys/mount.h>

using bildertafel::ui::MainWindow;
using bildertafel::ui::PrepareDialog;
using namespace bildertafel::uitest;

class PreparePicturesTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        bildertafel::ui::useApplicationStyle();
        m_startFolder = QDir::currentPath();
        QStandardPaths::setTestModeEnabled(true); // the user's own settings stay untouched
    }
    void init();
    void cleanup();

    void theLowerBoxesOfferIt_data();
    void theLowerBoxesOfferIt();
    void aNewShowGetsItsSubFoldersAndCanBeGenerated();
    void afterCancelBarAndSummaryAgree();
    void theNoticeIsRememberedAndGoesIntoThePictures_data();
    void theNoticeIsRememberedAndGoesIntoThePictures();
    void theBarCountsThePicturesThatAreThere_data();
    void theBarCountsThePicturesThatAreThere();
    void aPictureThatCrashesTheProgramIsSkippedAndTheRestMade();
    void cancelStopsTheProgramAndLeavesNoTemporaryFile();
    void fieldsLeftOutByTheProgramAreNamed();
    void theShowsLastRunIsProposedAgain();

private:
    // Opens the dialog on a new show's folder, and has script use it.
    bool useDialog(MainWindow& window, const std::function<void(PrepareDialog&)>& script);

    QString m_startFolder;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_show;
};

void PreparePicturesTest::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_show = canonical(m_dir->path()) + "/show";
    QVERIFY(QDir().mkpath(m_show));
    for (const QString name : {"Bild 1.jpg", "Bild 2.jpg"})
        QVERIFY(QFile::copy(BILDERTAFEL_SAMPLE_SHOW "/bilder/" + name, m_show + "/" + name));
    QVERIFY(writeBytes(m_show + "/Notiz.jpg", "kein Bild"));
    QVERIFY(QDir::setCurrent(m_dir->path()));
}

void PreparePicturesTest::cleanup() {
    qunsetenv("BILDERTAFEL_TEST_CRASH_ON");
    QDir::setCurrent(m_startFolder);
    m_dir.reset();
}

void PreparePicturesTest::theLowerBoxesOfferIt_data() {
    QTest::addColumn<QString>("inside");
    QTest::addColumn<bool>("byKey");
    QTest::addColumn<QStringList>("entries");
    QTest::newRow("right button on the preview list")
        << "File1_2" << false << QStringList{"Bilder vorbereiten…"};
    QTest::newRow("menu key on the picture count")
        << "Label3" << true
        << QStringList{"Bilder vorbereiten…", "Bildtexte…", "Auswahl übernehmen…"};
    QTest::newRow("right button on the show folder's pages")
        << "File1_1" << false
        << QStringList{"Startseite im Browser ansehen", "Vorschau im Browser…",
                       "Auswahl und Download…", "Vorlagen dieser Fotoshow laden",
                       "Veröffentlichen…"};
    QTest::newRow("right button on the configuration files")
        << "File1_0" << false << QStringList{"Vorlage laden…"};
}

void PreparePicturesTest::theLowerBoxesOfferIt() {
    QFETCH(QString, inside);
    QFETCH(bool, byKey);
    QFETCH(QStringList, entries);
    MainWindow window;
    scriptDialogs(window);
    QVERIFY(startWindow(window));
    QWidget& widget = control<QWidget>(window, inside);
    QWidget* target = qobject_cast<QAbstractScrollArea*>(&widget)
                          ? qobject_cast<QAbstractScrollArea*>(&widget)->viewport()
                          : &widget;
    // What the toolkit sends for the right mouse button or the context-menu key.
    QStringList offered;
    for (const MenuEntry& entry : contextMenuOf(*target, std::nullopt, byKey))
        offered << entry.text;
    QCOMPARE(offered, entries);
}

void PreparePicturesTest::aNewShowGetsItsSubFoldersAndCanBeGenerated() {
    MainWindow window;
    scriptDialogs(window);
    QVERIFY(startWindow(window));
    QVERIFY(doubleClickFolderRow(dir1(window, 1), m_show));

    QString summary;
    bool picturesOffered = false;
    bool finished = false;
    window.setPrepareDialogShown([&](PrepareDialog& dialog) {
        QTimer::singleShot(0, &dialog, [&] {
            picturesOffered = dialog.findChild<QCheckBox*>("MakePictures")->isEnabled();
            dialog.findChild<QPushButton*>("Start")->click();
            finished = QTest::qWaitFor([&dialog] { return !dialog.isRunning(); }, 60000);
            summary = dialog.findChild<QPlainTextEdit*>("Summary")->toPlainText();
            dialog.findChild<QPushButton*>("Close")->click();
        });
    });
    control<QAction>(window, "PreparePictures").trigger();

    QVERIFY(finished);
    QVERIFY(picturesOffered); // the originals are not the picture folder
    QVERIFY2(summary.startsWith("Fertig: 2 Bilder im Großformat und 2 Mini-Bilder erstellt."),
             qPrintable(summary));
    QVERIFY2(summary.contains("Notiz.jpg: "), qPrintable(summary));
    QCOMPARE(window.showFolders()[2], m_show + "/minis/");
    QCOMPARE(window.showFolders()[3], m_show + "/bilder/");
    QCOMPARE(namesOf(file1(window, 2)), (QStringList{"Bild 1.jpg", "Bild 2.jpg"}));
    QCOMPARE(labelText(window, "Label2"), "2");
    QCOMPARE(labelText(window, "Label3"), "2 jpg / 0 html");
    QVERIFY(control<QPushButton>(window, "Command3").isEnabled());
}

void PreparePicturesTest::afterCancelBarAndSummaryAgree() {
    // Enough originals that the run is still busy when "Abbrechen" comes.
    for (int i = 3; i <= 10; ++i)
        QVERIFY(
            QFile::copy(m_show + "/Bild 1.jpg", m_show + QStringLiteral("/Bild %1.jpg").arg(i)));
    MainWindow window;
    scriptDialogs(window);
    QVERIFY(startWindow(window));
    QVERIFY(doubleClickFolderRow(dir1(window, 1), m_show));

    QString summary;
    int barValue = -1;
    int barMaximum = -1;
    window.setPrepareDialogShown([&](PrepareDialog& dialog) {
        QTimer::singleShot(0, &dialog, [&] {
            auto* bar = dialog.findChild<QProgressBar*>("Progress");
            dialog.findChild<QPushButton*>("Start")->click();
            // Cancelled while other pictures are in progress: their reports come too late.
            QVERIFY(QTest::qWaitFor([bar] { return bar->value() >= 1; }, 60000));
            dialog.findChild<QPushButton*>("Cancel")->click();
            QVERIFY(QTest::qWaitFor([&dialog] { return !dialog.isRunning(); }, 60000));
            summary = dialog.findChild<QPlainTextEdit*>("Summary")->toPlainText();
            barValue = bar->value();
            barMaximum = bar->maximum();
            dialog.findChild<QPushButton*>("Close")->click();
        });
    });
    control<QAction>(window, "PreparePictures").trigger();

    const QRegularExpressionMatch counts =
        QRegularExpression("^Abgebrochen nach (\\d+) von (\\d+) Originalen").match(summary);
    QVERIFY2(counts.hasMatch(), qPrintable(summary));
    QCOMPARE(barValue, counts.captured(1).toInt());
    QCOMPARE(barMaximum, counts.captured(2).toInt());
}

void PreparePicturesTest::theNoticeIsRememberedAndGoesIntoThePictures_data() {
    QTest::addColumn<bool>("noCredits");
    QTest::addColumn<bool>("inPicture");
    QTest::newRow("the notice") << false << true;
    QTest::newRow("Keine Angaben übernehmen") << true << false;
}

void PreparePicturesTest::theNoticeIsRememberedAndGoesIntoThePictures() {
    QFETCH(bool, noCredits);
    QFETCH(bool, inPicture);
    QSettings(QStringLiteral("bildertafel"), QStringLiteral("bildertafel")).remove("Bilder");
    const QString artist = QStringLiteral("Jörg Müller");
    const QString copyright = QStringLiteral("© 2026 Jörg Müller");
    bool finished = false;
    bool noticeEnabled = true;
    QStringList shown;
    // The second window is a program started anew: it knows the notice from the settings only.
    for (int round = 0; round < 2; ++round) {
        MainWindow window;
        scriptDialogs(window);
        QVERIFY(startWindow(window));
        QVERIFY(doubleClickFolderRow(dir1(window, 1), m_show));
        window.setPrepareDialogShown([&](PrepareDialog& dialog) {
            QTimer::singleShot(0, &dialog, [&] {
                auto* artistField = dialog.findChild<QLineEdit*>("Artist");
                auto* copyrightField = dialog.findChild<QLineEdit*>("Copyright");
                auto* none = dialog.findChild<QCheckBox*>("NoCredits");
                if (round == 1) {
                    shown = {artistField->text(), copyrightField->text(),
                             none->isChecked() ? "keine" : ""};
                } else {
                    artistField->setText(artist);
                    copyrightField->setText(copyright);
                    none->setChecked(noCredits);
                    noticeEnabled = artistField->isEnabled();
                    dialog.findChild<QPushButton*>("Start")->click();
                    finished = QTest::qWaitFor([&dialog] { return !dialog.isRunning(); }, 60000);
                }
                dialog.findChild<QPushButton*>("Close")->click();
            });
        });
        control<QAction>(window, "PreparePictures").trigger();
    }
    QVERIFY(finished);
    QCOMPARE(noticeEnabled, !noCredits);
    const auto holds = [&artist](const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) && file.readAll().contains(artist.toUtf8());
    };
    QCOMPARE(holds(m_show + "/bilder/Bild 1.jpg"), inPicture);
    QVERIFY(!holds(m_show + "/minis/Bild 1.jpg"));
    QCOMPARE(shown, (QStringList{artist, copyright, noCredits ? "keine" : ""}));
}

bool PreparePicturesTest::useDialog(MainWindow& window,
                                    const std::function<void(PrepareDialog&)>& script) {
    scriptDialogs(window);
    if (!startWindow(window) || !doubleClickFolderRow(dir1(window, 1), m_show))
        return false;
    bool used = false;
    window.setPrepareDialogShown([&](PrepareDialog& dialog) {
        QTimer::singleShot(0, &dialog, [&] {
            script(dialog);
            used = true;
            dialog.findChild<QPushButton*>("Close")->click();
        });
    });
    control<QAction>(window, "PreparePictures").trigger();
    return used;
}

namespace {

// Clicks the button and waits for the run it starts; the summary afterwards, or a note that the
// run did not end.
QString runUntilEnd(PrepareDialog& dialog, const char* button) {
    dialog.findChild<QPushButton*>(button)->click();
    if (!QTest::qWaitFor([&dialog] { return !dialog.isRunning(); }, 60000))
        return "(läuft noch)";
    return dialog.findChild<QPlainTextEdit*>("Summary")->toPlainText();
}

} // namespace

namespace {

// Makes the folder read-only, as a memory card with its switch on is, for this test program and
// the programs it starts: a mount namespace of its own, so nobody else sees it. Running as root,
// the tests could write anywhere else. Empty when done, else why not.
QString makeReadOnly(const QString& folder) {
    static bool ownNamespace = false;
    if (!ownNamespace) {
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return QStringLiteral("kein eigener Mount-Namensraum: %1").arg(std::strerror(errno));
        ownNamespace = true;
    }
    const QByteArray path = QFile::encodeName(folder);
    if (::mount(path.constData(), path.constData(), nullptr, MS_BIND, nullptr) != 0 ||
        ::mount(nullptr, path.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0)
        return QStringLiteral("%1 nicht nur lesbar: %2").arg(folder, std::strerror(errno));
    return {};
}

} // namespace

void PreparePicturesTest::theBarCountsThePicturesThatAreThere_data() {
    QTest::addColumn<QString>("readOnly"); // below the show folder; "-": none
    QTest::addColumn<QString>("summary");  // a pattern
    QTest::addColumn<QString>("bar");
    QTest::newRow("made, one original skipped")
        << "-"
        << "^Fertig: 2 Bilder im Großformat und 2 Mini-Bilder erstellt\\."
        << "2 von 3";
    // The first preview that cannot be written ends the run: one sentence, no list of failures.
    QTest::newRow("a read-only previews folder stops at once")
        << "/minis"
        << "^In den Ordner „[^“]*/show/minis/“ kann nicht geschrieben werden \\([^)]+\\); es "
           "wurde abgebrochen\\. Wählen Sie einen Ordner der Fotoshow, in den Sie schreiben "
           "dürfen\\.(\nBis dahin erstellt: [^\n]*)?$"
        << "0 von 9";
    QTest::newRow("a read-only memory card says to choose another show folder")
        << ""
        << "^Der Ordner „[^“]*/show/(minis|bilder)/?“ kann nicht angelegt werden: .*Wählen Sie "
           "einen Ordner der Fotoshow anderswo, oder kopieren Sie die Bilder zuerst auf diesen "
           "Computer\\.$"
        << "";
}

void PreparePicturesTest::theBarCountsThePicturesThatAreThere() {
    QFETCH(QString, readOnly);
    QFETCH(QString, summary);
    QFETCH(QString, bar);
    if (readOnly == "/minis") {
        // More originals than workers, so that a run that goes on would show.
        for (int i = 3; i <= 8; ++i)
            QVERIFY(QFile::copy(m_show + "/Bild 1.jpg",
                                m_show + QStringLiteral("/Bild %1.jpg").arg(i)));
        QVERIFY(QDir().mkpath(m_show + readOnly));
    }
    const QByteArray mounted = QFile::encodeName(m_show + readOnly);
    if (readOnly != "-") {
        if (const QString failed = makeReadOnly(m_show + readOnly); !failed.isEmpty()) {
            if (qEnvironmentVariableIsSet("CI"))
                QFAIL(qPrintable(failed));
            QSKIP(qPrintable(failed));
        }
    }
    // Gone again however the test ends, so that the show's folder can be removed.
    const auto unmount = qScopeGuard([&] {
        if (readOnly != "-")
            ::umount2(mounted.constData(), MNT_DETACH);
    });
    MainWindow window;
    QString said;
    QString barText;
    QVERIFY(useDialog(window, [&](PrepareDialog& dialog) {
        said = runUntilEnd(dialog, "Start");
        barText = dialog.findChild<QProgressBar*>("Progress")->text();
    }));
    QVERIFY2(QRegularExpression(summary).match(said).hasMatch(), qPrintable(said));
    QCOMPARE(barText, bar);
    // Stopped at once: no worker took another original after the failure.
    if (readOnly == "/minis")
        QVERIFY(QDir(m_show + "/bilder").entryList({"*.jpg"}).size() <=
                QThread::idealThreadCount());
}

void PreparePicturesTest::aPictureThatCrashesTheProgramIsSkippedAndTheRestMade() {
    QVERIFY(QFile::copy(BILDERTAFEL_SAMPLE_SHOW "/bilder/Bild 3.jpg", m_show + "/Bild 3.jpg"));
    qputenv("BILDERTAFEL_TEST_CRASH_ON", "Bild 2.jpg");
    MainWindow window;
    QString crashed;
    bool goOnOffered = false;
    QString summary;
    QVERIFY(useDialog(window, [&](PrepareDialog& dialog) {
        crashed = runUntilEnd(dialog, "Start");
        goOnOffered = dialog.findChild<QPushButton*>("GoOn")->isVisible();
        if (goOnOffered)
            summary = runUntilEnd(dialog, "GoOn");
    }));
    QVERIFY2(crashed.contains("bei der Arbeit an „Bild 2.jpg“; dieses Original wird übersprungen"),
             qPrintable(crashed));
    QVERIFY(goOnOffered);
    QVERIFY2(summary.startsWith("Fertig: 2 Bilder im Großformat und 2 Mini-Bilder erstellt."),
             qPrintable(summary));
    QVERIFY2(summary.contains("Bild 2.jpg: das Bild ließ das Bildprogramm abstürzen"),
             qPrintable(summary));
    QCOMPARE(namesOf(file1(window, 2)), (QStringList{"Bild 1.jpg", "Bild 3.jpg"}));
    QCOMPARE(labelText(window, "Label3"), "2 jpg / 0 html");
}

void PreparePicturesTest::cancelStopsTheProgramAndLeavesNoTemporaryFile() {
    // Every picture replaces one that exists, through a temporary file beside it.
    constexpr int Copies = 40;
    for (const QString folder : {"/minis/", "/bilder/"})
        QVERIFY(QDir().mkpath(m_show + folder));
    for (int i = 0; i < Copies; ++i) {
        const QString name = QStringLiteral("Kopie %1.jpg").arg(i);
        for (const QString folder : {"/", "/minis/", "/bilder/"})
            QVERIFY(
                QFile::copy(BILDERTAFEL_SAMPLE_SHOW "/bilder/Bild 4.jpg", m_show + folder + name));
    }
    MainWindow window;
    QString cancelled;
    QVERIFY(useDialog(window, [&](PrepareDialog& dialog) {
        dialog.findChild<QCheckBox*>("Redo")->setChecked(true);
        dialog.findChild<QPushButton*>("Start")->click();
        auto& progress = *dialog.findChild<QProgressBar*>("Progress");
        if (QTest::qWaitFor([&] { return progress.value() > 0 || !dialog.isRunning(); }, 60000))
            cancelled = runUntilEnd(dialog, "Cancel");
    }));
    QVERIFY2(cancelled.startsWith("Abgebrochen nach "), qPrintable(cancelled));
    for (const QString folder : {"/minis", "/bilder"}) {
        const QStringList left =
            QDir(m_show + folder).entryList({".bildertafel-*"}, QDir::Files | QDir::Hidden);
        QVERIFY2(left.isEmpty(), qPrintable(left.join(", ")));
    }
}

void PreparePicturesTest::fieldsLeftOutByTheProgramAreNamed() {
    QSettings(QStringLiteral("bildertafel"), QStringLiteral("bildertafel")).remove("Bilder");
    // An XMP packet whose closing tag is broken, right after the picture's start.
    QFile sample(BILDERTAFEL_SAMPLE_SHOW "/bilder/Bild 3.jpg");
    QVERIFY(sample.open(QIODevice::ReadOnly));
    const QByteArray bytes = sample.readAll();
    const QByteArray packet =
        QByteArray("http://ns.adobe.com/xap/1.0/", 29) +
        "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
        "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"><rdf:Description "
        "xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><dc:rights>Anna</dc:rights>"
        "</rdf:Description></rdf:RDX></x:xmpmeta>";
    QByteArray segment("\xff\xe1");
    segment.append(char((packet.size() + 2) >> 8)).append(char((packet.size() + 2) & 0xff));
    QVERIFY(writeBytes(m_show + "/Bild 3.jpg", bytes.left(2) + segment + packet + bytes.mid(2)));
    MainWindow window;
    QString summary;
    QVERIFY(
        useDialog(window, [&](PrepareDialog& dialog) { summary = runUntilEnd(dialog, "Start"); }));
    QVERIFY2(summary.contains("Nicht übernommene Angaben:\nBild 3.jpg: Die XMP-Angaben des "
                              "Originals sind beschädigt"),
             qPrintable(summary));
    QVERIFY2(summary.startsWith("Fertig: 3 Bilder im Großformat"), qPrintable(summary));
}

// A second "Bilder vorbereiten" of a show, in the same program and after a restart, proposes the
// originals and sizes of the first, never the show's own sub-folders; without a memory the size
// of the previews on disk, else 160.
void PreparePicturesTest::theShowsLastRunIsProposedAgain() {
    QSettings(QStringLiteral("bildertafel"), QStringLiteral("bildertafel"))
        .remove("Bilder vorbereiten");
    const QString originals = m_show + "/";
    struct Step {
        const char* what;
        bool restart;
        bool forget;
        bool run; // with a preview size of 120 and a web size of 400
        int miniSize;
        int pictureSize;
    };
    const Step steps[] = {
        {"a new show", false, false, true, 160, 1600},
        {"again, from its own sub-folders", false, false, false, 120, 400},
        {"after a restart", true, false, false, 120, 400},
        {"forgotten: the previews on disk", true, true, false, 120, 1600},
    };
    auto window = std::make_unique<MainWindow>();
    QVERIFY(useDialog(*window, [](PrepareDialog&) {}));
    for (const Step& step : steps) {
        if (step.forget) {
            QSettings(QStringLiteral("bildertafel"), QStringLiteral("bildertafel"))
                .remove("Bilder vorbereiten");
        }
        if (step.restart) {
            window = std::make_unique<MainWindow>();
            QVERIFY(useDialog(*window, [](PrepareDialog&) {}));
        }
        QString proposed;
        int miniSize = 0;
        int pictureSize = 0;
        QString summary;
        window->setPrepareDialogShown([&](PrepareDialog& dialog) {
            QTimer::singleShot(0, &dialog, [&] {
                proposed = dialog.findChild<QLineEdit*>("OriginalsFolder")->text();
                auto* minis = dialog.findChild<QSpinBox*>("MiniSize");
                auto* pictures = dialog.findChild<QSpinBox*>("PictureSize");
                miniSize = minis->value();
                pictureSize = pictures->value();
                if (step.run) {
                    minis->setValue(120);
                    pictures->setValue(400);
                    summary = runUntilEnd(dialog, "Start");
                }
                dialog.findChild<QPushButton*>("Close")->click();
            });
        });
        control<QAction>(*window, "PreparePictures").trigger();
        QCOMPARE(proposed, originals);
        QCOMPARE(miniSize, step.miniSize);
        QCOMPARE(pictureSize, step.pictureSize);
        if (step.run) {
            QVERIFY2(summary.startsWith("Fertig: "), qPrintable(summary));
            QCOMPARE(window->showFolders()[3], m_show + "/bilder/");
        }
    }
}

QTEST_MAIN(PreparePicturesTest)
#include "PreparePicturesTest.moc"

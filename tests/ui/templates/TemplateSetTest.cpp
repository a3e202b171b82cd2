// "Vorlage laden…" driven through the window: the dialog of the sets, loading one as
// "Konfiguration Laden" does, and the preview size it hands to "Bilder vorbereiten".
#include "TempDir.h"
#include "WindowTestSupport.h"
#include "settings/ConfigFile.h"
#include "settings/TemplateSets.h"
#include "ui/common/ApplicationStyle.h"
#include "ui/prepare/PrepareDialog.h"
#include "ui/templates/TemplateSetDialog.h"
#include "ui/window/MainWindow.h"

#include <QAction>
#include <QFile>
#include <QImage>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using bildertafel::settings::DefaultShowSettings;
using bildertafel::settings::TemplateId;
using bildertafel::ui::MainWindow;
using bildertafel::ui::PrepareDialog;
using bildertafel::ui::TemplateSetDialog;
using namespace bildertafel::uitest;

namespace {

const QString DarkHead = "<body class=\"dunkel\"><table>";

QString head(const MainWindow& window) {
    return QString::fromStdString(window.settings().Template(TemplateId::PageHead));
}

// The preview size "Bilder vorbereiten" offers.
int offeredMiniSize(MainWindow& window) {
    int size = -1;
    window.setPrepareDialogShown([&size](PrepareDialog& dialog) {
        QTimer::singleShot(0, &dialog, [&size, &dialog] {
            size = dialog.findChild<QSpinBox*>("MiniSize")->value();
            dialog.reject();
        });
    });
    control<QAction>(window, "PreparePictures").trigger();
    return size;
}

} // namespace

class TemplateSetTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { bildertafel::ui::useApplicationStyle(); }
    void init();
    void cleanup();

    void theChosenSetIsLoadedLikeAConfiguration_data();
    void theChosenSetIsLoadedLikeAConfiguration();
    void withoutSetsTheUserIsTold();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TemplateSetTest::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    const QString sets = m_dir->filePath("vorlagen");
    QVERIFY(QDir().mkpath(sets));
    bildertafel::settings::ShowSettings dark = DefaultShowSettings();
    dark.setTemplate(TemplateId::PageHead, DarkHead.toStdString());
    bildertafel::test::writeFile((sets + "/dunkel.cfg").toStdString(),
                                 bildertafel::settings::configFileBytes(dark));
    bildertafel::test::writeFile((sets + "/dunkel.txt").toStdString(),
                                 "Dunkle Galerie\nF\xC3\xBCr Fotos\n320\n");
    QImage picture(16, 10, QImage::Format_RGB32);
    picture.fill(Qt::darkGray);
    QVERIFY(picture.save(sets + "/dunkel.png"));
    // A value the pictures-per-row choice cannot take.
    bildertafel::test::writeFile((sets + "/kaputt.cfg").toStdString(),
                                 "[0]\r\nneu\r\n[6]\r\n 8 \r\n");
    qputenv(bildertafel::settings::TemplateSetFolderVariable.data(), sets.toUtf8());
}

void TemplateSetTest::cleanup() {
    qunsetenv(bildertafel::settings::TemplateSetFolderVariable.data());
    m_dir.reset();
}

void TemplateSetTest::theChosenSetIsLoadedLikeAConfiguration_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<QString>("message"); // the title of the one message, or empty
    QTest::newRow("Laden") << 0 << "Load" << true << "";
    QTest::newRow("Abbrechen") << 0 << "Cancel" << false << "";
    QTest::newRow("a set that cannot be taken")
        << 1 << "Load" << false << "Konfigurationsdatei laden...";
}

void TemplateSetTest::theChosenSetIsLoadedLikeAConfiguration() {
    QFETCH(int, row);
    QFETCH(QString, button);
    QFETCH(bool, loaded);
    QFETCH(QString, message);
    MainWindow window;
    ScriptedDialogs& dialogs = scriptDialogs(window);
    QVERIFY(startWindow(window));
    const QString defaultHead = head(window);

    QStringList shown;
    bool pictured = false;
    window.setTemplateSetDialogShown([&](TemplateSetDialog& dialog) {
        QTimer::singleShot(0, &dialog, [&, row] {
            auto* sets = dialog.findChild<QListWidget*>("Sets");
            for (int i = 0; i < sets->count(); ++i)
                shown << sets->item(i)->text();
            pictured = !sets->item(0)->icon().isNull();
            sets->setCurrentRow(row);
            dialog.findChild<QPushButton*>(button)->click();
        });
    });
    control<QAction>(window, "LoadTemplateSet").trigger();

    QCOMPARE(shown, (QStringList{"Dunkle Galerie\nFür Fotos\nMini-Bilder: 320 Pixel", "kaputt"}));
    QVERIFY(pictured);
    QCOMPARE(head(window), loaded ? DarkHead : defaultHead);
    QCOMPARE(labelText(window, "Label4"), loaded ? "dunkel.cfg" : "");
    QCOMPARE(dialogs.messages.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty())
        QCOMPARE(dialogs.messages[0].title, message);
    QCOMPARE(offeredMiniSize(window), loaded ? 320 : 160);
}

void TemplateSetTest::withoutSetsTheUserIsTold() {
    const QString empty = m_dir->filePath("leer");
    qputenv(bildertafel::settings::TemplateSetFolderVariable.data(), empty.toUtf8());
    MainWindow window;
    ScriptedDialogs& dialogs = scriptDialogs(window);
    QVERIFY(startWindow(window));
    bool dialogShown = false;
    window.setTemplateSetDialogShown([&dialogShown](TemplateSetDialog& dialog) {
        dialogShown = true;
        QTimer::singleShot(0, &dialog, &QDialog::reject);
    });

    control<QAction>(window, "LoadTemplateSet").trigger();

    QVERIFY(!dialogShown);
    QCOMPARE(dialogs.messages.size(), 1);
    QCOMPARE(dialogs.messages[0].text,
             "Es wurden keine Vorlagen gefunden. Sie werden im Ordner " + empty + "/ erwartet.");
}

QTEST_MAIN(TemplateSetTest)
#include "TemplateSetTest.moc"

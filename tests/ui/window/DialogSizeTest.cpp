// Every dialog of the program fits the smallest screen it is used on: a 1366 × 768 laptop at
// scale 1.25 or a 1920 × 1080 screen at scale 2, less the title bar and the desktop's panel.
#include "publish/Publisher.h"
#include "ui/common/ApplicationStyle.h"
#include "ui/prepare/PrepareDialog.h"
#include "ui/publish/AccessDialog.h"
#include "ui/publish/PublishDialog.h"
#include "ui/publish/PublishPasswords.h"
#include "ui/selection/SelectionDialog.h"
#include "ui/selection/SelectionOptionsDialog.h"
#include "ui/templates/TemplateEditor.h"
#include "ui/templates/TemplateSetDialog.h"
#include "ui/words/WordsDialog.h"

#include <QComboBox>
#include <QDialog>
#include <QInputDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

using namespace bildertafel::ui;

namespace {

using DialogMaker = std::function<std::unique_ptr<QDialog>()>;

// The room the smaller of the two screens leaves, in device-independent pixels.
constexpr QSize Room(960, 444);
// A question reads well up to about 80 characters a line; wider, the eye loses the line.
constexpr int QuestionWidth = 640;

} // namespace

Q_DECLARE_METATYPE(DialogMaker)

class DialogSizeTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(m_config.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
        qputenv("DBUS_SESSION_BUS_ADDRESS", ""); // no keyring: passwords stay in memory
        QStandardPaths::setTestModeEnabled(true);
        useApplicationStyle();
    }
    void everyDialogFitsTheSmallScreen_data();
    void everyDialogFitsTheSmallScreen();
    void longQuestionsWrap_data();
    void longQuestionsWrap();

private:
    QTemporaryDir m_config;
    PreparationChoices m_choices;
    PublishPasswords m_passwords;
    QPlainTextEdit m_templateBox;
};

void DialogSizeTest::everyDialogFitsTheSmallScreen_data() {
    QTest::addColumn<DialogMaker>("make");
    const QString show = m_config.path() + "/show/";
    QTest::newRow("Bilder vorbereiten") << DialogMaker([this, show] {
        return std::make_unique<PrepareDialog>(PreparationFolders{m_config.path() + "/kamera/",
                                                                  show + "bilder/", show + "minis/",
                                                                  show},
                                               m_choices, nullptr);
    });
    QTest::newRow("Bildtexte") << DialogMaker([show] {
        return std::make_unique<WordsDialog>(WordsSource{show.toStdString(),
                                                         show.toStdString() + "bilder/",
                                                         show.toStdString() + "minis/",
                                                         {"a.jpg", "b.jpg"}},
                                             bildertafel::words::ShowWords{}, nullptr);
    });
    QTest::newRow("Veröffentlichen") << DialogMaker([this, show] {
        return std::make_unique<PublishDialog>(
            PublishSource{show.toStdString(), {{"index.html", "index.html"}}, 0}, m_passwords,
            nullptr);
    });
    // The fields of an object store in place of the server's.
    QTest::newRow("Veröffentlichen auf S3") << DialogMaker([this, show] {
        auto dialog = std::make_unique<PublishDialog>(
            PublishSource{show.toStdString(), {{"index.html", "index.html"}}, 0}, m_passwords,
            nullptr);
        auto* protocol = dialog->findChild<QComboBox*>("Protocol");
        protocol->setCurrentIndex(protocol->findText("S3-kompatibler Objektspeicher"));
        return dialog;
    });
    QTest::newRow("Zugang") << DialogMaker([] {
        return std::make_unique<AccessDialog>(ShowProtection{}, QString(),
                                              QStringLiteral("http://fotos.example/hochzeit/"),
                                              false, nullptr);
    });
    QTest::newRow("Zugang, mit Passwort über http://") << DialogMaker([] {
        ShowProtection protection;
        protection.protect = true;
        return std::make_unique<AccessDialog>(protection, QStringLiteral("kefu-rami-tobe-nasu"),
                                              QStringLiteral("http://fotos.example/hochzeit/"),
                                              true, nullptr);
    });
    QTest::newRow("Auswahl und Download") << DialogMaker(
        [] { return std::make_unique<SelectionOptionsDialog>(SelectionSettings{}, nullptr); });
    QTest::newRow("Auswahl übernehmen") << DialogMaker([show] {
        return std::make_unique<SelectionDialog>(SelectionSource{show.toStdString() + "minis/",
                                                                 show.toStdString() + "bilder/",
                                                                 {"a.jpg", "b.jpg"},
                                                                 ""},
                                                 nullptr);
    });
    QTest::newRow("Vorlage laden") << DialogMaker([] {
        const std::vector<bildertafel::settings::TemplateSet> sets{
            {"klar", "Klar", "Eine schlichte Tabelle auf weißem Grund.", 160, "klar.cfg", ""},
            {"dunkel", "Dunkel", "", 0, "dunkel.cfg", ""}};
        return std::make_unique<TemplateSetDialog>(sets, nullptr);
    });
    QTest::newRow("Vorlage bearbeiten") << DialogMaker([this] {
        return std::make_unique<TemplateEditor>(m_templateBox, "HTML-Datei vor dem Bild", nullptr);
    });
}

void DialogSizeTest::everyDialogFitsTheSmallScreen() {
    QFETCH(DialogMaker, make);
    const std::unique_ptr<QDialog> dialog = make();
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    for (const QSize size :
         {dialog->sizeHint(), dialog->minimumSizeHint(), dialog->minimumSize()}) {
        qDebug() << size;
        QVERIFY2(size.width() <= Room.width() && size.height() <= Room.height(),
                 qPrintable(QStringLiteral("%1 × %2").arg(size.width()).arg(size.height())));
    }
    // Nothing of a wrapped text is cut off: each has the height its lines need at its width.
    for (const QLabel* label : dialog->findChildren<QLabel*>()) {
        if (label->isVisible() && label->wordWrap() && !label->text().isEmpty()) {
            QVERIFY2(label->height() >= label->heightForWidth(label->width()),
                     qPrintable(label->objectName()));
        }
    }
    // A page that scrolls does so only up and down: nothing of it is cut off at the side.
    if (const auto* page = dialog->findChild<QScrollArea*>("Scroll")) {
        QVERIFY(page->widget()->sizeHint().width() <= page->viewport()->width());
    }
}

void DialogSizeTest::longQuestionsWrap_data() {
    QTest::addColumn<bool>("again");
    QTest::newRow("the passphrase") << false;
    QTest::newRow("the passphrase after a wrong one") << true;
}

void DialogSizeTest::longQuestionsWrap() {
    QFETCH(bool, again);
    const std::string key = m_config.path().toStdString() + "/.ssh/id_ed25519_fotoserver_urlaub";
    const std::unique_ptr<QInputDialog> dialog = passphraseDialog(
        nullptr, QString::fromStdString(bildertafel::publish::passphraseQuestion(key, again)));
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    QVERIFY2(dialog->width() <= QuestionWidth, qPrintable(QString::number(dialog->width())));
    QVERIFY(dialog->height() <= Room.height());
    // Nothing of the question is cut off: its label has the height its lines need.
    const auto* label = dialog->findChild<QLabel*>();
    QVERIFY(label != nullptr);
    QVERIFY(label->height() >= label->heightForWidth(label->width()));
}

QTEST_MAIN(DialogSizeTest)
#include "DialogSizeTest.moc"

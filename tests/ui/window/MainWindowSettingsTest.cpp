// The show settings as the window's controls hold them: templates, the pictures-per-row choice,
// the options, and the defaults of the start-up.
#include "WindowTestSupport.h"
#include "settings/ShowSettings.h"
#include "ui/common/ApplicationStyle.h"
#include "ui/window/MainWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTest>

#include <memory>

using bildertafel::settings::ShowOption;
using bildertafel::settings::ShowSettings;
using bildertafel::settings::TemplateId;
using bildertafel::ui::MainWindow;
using namespace bildertafel::uitest;

Q_DECLARE_METATYPE(std::string)

namespace {

const QStringList Entries{"2  Bilder breit", "3 Bilder breit", "4 Bilder breit", "5 Bilder breit",
                          "6 Bilder breit",  "7 Bilder breit", "8 Bilder breit", "9 Bilder breit"};

} // namespace

class MainWindowSettingsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { bildertafel::ui::useApplicationStyle(); }

    void init() {
        m_window = std::make_unique<MainWindow>();
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        QTRY_COMPARE(m_window->settings(), bildertafel::settings::DefaultShowSettings());
    }
    void cleanup() { m_window.reset(); }

    void defaultsAppliedOnce_data() {
        QTest::addColumn<bool>("activateBeforeShow");
        QTest::newRow("shown, never activated") << false;
        QTest::newRow("activated, then shown") << true;
    }
    void defaultsAppliedOnce() {
        QFETCH(bool, activateBeforeShow);
        MainWindow window;
        QCOMPARE(window.settings().Template(TemplateId::PageHead), std::string("Text1"));
        if (activateBeforeShow) {
            QEvent activate(QEvent::WindowActivate);
            QApplication::sendEvent(&window, &activate);
            QCOMPARE(window.settings(), bildertafel::settings::DefaultShowSettings());
        }
        window.show();
        QTRY_COMPARE(window.settings(), bildertafel::settings::DefaultShowSettings());

        // An edit survives every later activation and showing.
        auto* head = &control<QPlainTextEdit>(window, "Text1_0");
        head->setPlainText("<html>");
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(&window, &activate);
        window.hide();
        window.show();
        QTest::qWait(20);
        QCOMPARE(window.settings().Template(TemplateId::PageHead), std::string("<html>"));
    }

    void choiceEntries() {
        auto* choice = &control<QComboBox>(*m_window, "Combo1");
        QStringList shown;
        for (int i = 0; i < choice->count(); ++i) {
            shown << choice->itemText(i);
            QCOMPARE(choice->itemData(i), QVariant());
        }
        QCOMPARE(shown, Entries);
        QVERIFY(choice->isEditable());
    }

    void typingIntoTheChoice_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("text");
        QTest::newRow("matches no entry") << "12 Bilder" << -1 << "12 Bilder";
        QTest::newRow("prefix of an entry") << "3" << -1 << "3";
        QTest::newRow("an entry exactly") << "5 Bilder breit" << 3 << "5 Bilder breit";
        QTest::newRow("entry 0 with two blanks") << "2  Bilder breit" << 0 << "2  Bilder breit";
        QTest::newRow("entry 0 with one blank") << "2 Bilder breit" << -1 << "2 Bilder breit";
        QTest::newRow("other letter case") << "4 bilder breit" << -1 << "4 bilder breit";
        QTest::newRow("nothing") << "" << -1 << "";
    }
    void typingIntoTheChoice() {
        QFETCH(QString, typed);
        QFETCH(int, index);
        QFETCH(QString, text);
        showPage(1);
        auto* choice = &control<QComboBox>(*m_window, "Combo1");
        QCOMPARE(choice->currentIndex(), 2);
        choice->setFocus();
        QTest::keyClick(choice->lineEdit(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(choice->lineEdit(), Qt::Key_Backspace);
        QTest::keyClicks(choice->lineEdit(), typed);
        checkChoice(index, text);
        // Enter and leaving the field keep it so, and add nothing to the list.
        QTest::keyClick(choice->lineEdit(), Qt::Key_Return);
        QTest::keyClick(choice->lineEdit(), Qt::Key_Tab);
        checkChoice(index, text);
        QCOMPARE(choice->count(), 8);
    }

    void choosingAnEntryShowsItsText() {
        showPage(1);
        auto* choice = &control<QComboBox>(*m_window, "Combo1");
        choice->setFocus();
        QTest::keyClick(choice->lineEdit(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(choice->lineEdit(), "7 pro Reihe");
        checkChoice(-1, "7 pro Reihe");
        QTest::keyClick(choice, Qt::Key_Down);
        QVERIFY(choice->currentIndex() >= 0);
        checkChoice(choice->currentIndex(), Entries[choice->currentIndex()]);
        QTest::keyClick(choice, Qt::Key_Home);
        checkChoice(0, Entries[0]);
        QCOMPARE(m_window->settings().PicturesPerRow(), 2.0);
    }

    void greyedOption_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("option");
        QTest::newRow("Check1") << "Check1" << int(ShowOption::OwnPagePerPicture);
        QTest::newRow("Check2") << "Check2" << int(ShowOption::NewBrowserWindow);
        QTest::newRow("Check3") << "Check3" << int(ShowOption::AllPicturesPage);
    }
    void greyedOption() {
        QFETCH(QString, name);
        QFETCH(int, option);
        const auto which = static_cast<ShowOption>(option);
        showPage(2);
        auto* box = &control<QCheckBox>(*m_window, name);
        ShowSettings loaded = m_window->settings();
        loaded.setOption(which, 2);
        m_window->applySettings(loaded);
        QCOMPARE(box->checkState(), Qt::PartiallyChecked);
        QCOMPARE(m_window->settings().option(which), 2);

        // The user's clicks never lead back to the greyed state.
        QList<int> seen;
        for (int click = 0; click < 4; ++click) {
            QTest::mouseClick(box, Qt::LeftButton);
            seen << m_window->settings().option(which);
        }
        QCOMPARE(seen, QList<int>({1, 0, 1, 0}));
        QTest::keyClick(box, Qt::Key_Space);
        QCOMPARE(m_window->settings().option(which), 1);
    }

    void optionValuesShown_data() {
        QTest::addColumn<int>("value");
        QTest::addColumn<Qt::CheckState>("state");
        QTest::addColumn<int>("afterClick");
        QTest::newRow("off") << 0 << Qt::Unchecked << 1;
        QTest::newRow("on") << 1 << Qt::Checked << 0;
        QTest::newRow("greyed") << 2 << Qt::PartiallyChecked << 1;
    }
    void optionValuesShown() {
        QFETCH(int, value);
        QFETCH(Qt::CheckState, state);
        QFETCH(int, afterClick);
        showPage(2);
        auto* box = &control<QCheckBox>(*m_window, "Check2");
        // Greyed first, so that a box left three-state would show in the click below.
        ShowSettings loaded = m_window->settings();
        loaded.setOption(ShowOption::NewBrowserWindow, 2);
        m_window->applySettings(loaded);
        loaded.setOption(ShowOption::NewBrowserWindow, static_cast<std::int16_t>(value));
        m_window->applySettings(loaded);
        QCOMPARE(box->checkState(), state);
        QTest::mouseClick(box, Qt::LeftButton);
        QCOMPARE(m_window->settings().NewBrowserWindow(), afterClick);
    }

    void templatesInAndOut_data() {
        QTest::addColumn<std::string>("applied");
        QTest::addColumn<std::string>("readBack");
        QTest::addColumn<int>("lines");
        QTest::newRow("one line") << std::string("<td>") << std::string("<td>") << 1;
        QTest::newRow("empty") << std::string() << std::string() << 1;
        QTest::newRow("two lines")
            << std::string("<html>\r\n<body>") << std::string("<html>\r\n<body>") << 2;
        QTest::newRow("ends with a line end")
            << std::string("<html>\r\n") << std::string("<html>\r\n") << 2;
        QTest::newRow("empty lines first")
            << std::string("\r\n\r\n<p>") << std::string("\r\n\r\n<p>") << 3;
        QTest::newRow("umlauts and non-breaking space") << std::string("Größe\xc2\xa0"
                                                                       "10\r\n\tß")
                                                        << std::string("Größe\xc2\xa0"
                                                                       "10\r\n\tß")
                                                        << 2;
        QTest::newRow("lone LF becomes a line end")
            << std::string("a\nb") << std::string("a\r\nb") << 2;
        QTest::newRow("lone CR becomes a line end")
            << std::string("a\rb") << std::string("a\r\nb") << 2;
    }
    void templatesInAndOut() {
        QFETCH(std::string, applied);
        QFETCH(std::string, readBack);
        QFETCH(int, lines);
        for (int id = 0; id < bildertafel::settings::TemplateCount; ++id) {
            ShowSettings settings = m_window->settings();
            settings.setTemplate(static_cast<TemplateId>(id), applied);
            m_window->applySettings(settings);
            auto* box = &control<QPlainTextEdit>(*m_window, QStringLiteral("Text1_%1").arg(id));
            QCOMPARE(box->blockCount(), lines);
            QCOMPARE(m_window->settings().Template(static_cast<TemplateId>(id)), readBack);
        }
    }

    void typedAndPastedLineBreaks() {
        showPage(1);
        auto* box = &control<QPlainTextEdit>(*m_window, "Text1_3");
        box->setFocus();
        box->clear();
        QTest::keyClicks(box, "</td>");
        QTest::keyClick(box, Qt::Key_Return);
        QTest::keyClicks(box, "<br>");
        QTest::keyClick(box, Qt::Key_Return, Qt::ShiftModifier);
        box->insertPlainText("x\r\ny");
        QCOMPARE(m_window->settings().Template(TemplateId::CellAfter),
                 std::string("</td>\r\n<br>\r\nx\r\ny"));
        // The neighbouring template is untouched.
        QCOMPARE(m_window->settings().Template(TemplateId::CellBefore),
                 bildertafel::settings::DefaultShowSettings().Template(TemplateId::CellBefore));
    }

    void roundTrip_data() {
        QTest::addColumn<int>("tableWidthIndex");
        QTest::addColumn<std::string>("typedText");
        QTest::newRow("entry 0") << 0 << std::string();
        QTest::newRow("entry 7") << 7 << std::string();
        QTest::newRow("no entry, empty") << -1 << std::string();
        QTest::newRow("no entry, typed text") << -1 << std::string("12 Bilder");
    }
    void roundTrip() {
        QFETCH(int, tableWidthIndex);
        QFETCH(std::string, typedText);
        ShowSettings settings;
        for (int id = 0; id < bildertafel::settings::TemplateCount; ++id) {
            settings.setTemplate(static_cast<TemplateId>(id),
                                 "<p>" + std::to_string(id) + "\r\n\r\n</p>\r\n");
        }
        if (typedText.empty()) {
            QVERIFY(settings.setTableWidthIndex(tableWidthIndex));
        } else {
            settings.setTypedTableWidthText(typedText);
        }
        settings.setOption(ShowOption::OwnPagePerPicture, 1);
        settings.setOption(ShowOption::NewBrowserWindow, 2);
        settings.setOption(ShowOption::AllPicturesPage, 0);
        m_window->applySettings(settings);
        QCOMPARE(m_window->settings(), settings);
        auto* choice = &control<QComboBox>(*m_window, "Combo1");
        QCOMPARE(choice->currentIndex(), tableWidthIndex);
        QCOMPARE(choice->currentText().toStdString(), settings.TableWidthText());
    }

    void editsAreReadAtOnce() {
        showPage(2);
        QTest::keyClicks(&control<QPlainTextEdit>(*m_window, "Text1_5"), "<hr>");
        QTest::mouseClick(&control<QCheckBox>(*m_window, "Check1"), Qt::LeftButton);
        QTest::mouseClick(&control<QCheckBox>(*m_window, "Check3"), Qt::LeftButton);
        const ShowSettings shown = m_window->settings();
        QCOMPARE(shown.Template(TemplateId::ImagePageAfter),
                 std::string("<hr></center></body></html>"));
        QCOMPARE(shown.OwnPagePerPicture(), 1);
        QCOMPARE(shown.AllPicturesPage(), 0);
    }

private:
    void showPage(int page) { control<QTabWidget>(*m_window, "SSTab1").setCurrentIndex(page); }

    void checkChoice(int index, const QString& text) {
        auto* choice = &control<QComboBox>(*m_window, "Combo1");
        QCOMPARE(choice->currentIndex(), index);
        QCOMPARE(choice->currentText(), text);
        const ShowSettings shown = m_window->settings();
        QCOMPARE(int(shown.TableWidthIndex()), index);
        QCOMPARE(shown.TableWidthText(), text.toStdString());
    }

    std::unique_ptr<MainWindow> m_window;
};

QTEST_MAIN(MainWindowSettingsTest)
#include "MainWindowSettingsTest.moc"

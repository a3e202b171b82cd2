// The window's controls against the layout tables: kind, container, caption, tooltip, place and
// size in twips (15 twips a pixel), tab order, the visible page, and captions that fit.
#include "WindowTestSupport.h"
#include "settings/ShowSettings.h"
#include "ui/lists/DriveListBox.h"
#include "ui/lists/FileListBox.h"
#include "ui/window/MainWindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QStyleOptionGroupBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include <memory>

using bildertafel::uilists::DriveListBox;
using bildertafel::uilists::FileListBox;

using bildertafel::ui::MainWindow;
using namespace bildertafel::uitest;

namespace {

const QString TipLabel1 = QStringLiteral(
    "Automatisch erzeugter HTML-Text. \"Auto\" steht für automatisch erzeugte Namen.");
// The two lower boxes offer preparing pictures on the right mouse button; the count labels tell
// how to read the lists again.
const QString TipPrepare = QStringLiteral("Rechte Maustaste: Bilder vorbereiten…");
const QString TipRefresh = QStringLiteral("Klicken oder F5: Listen neu einlesen");

struct Control {
    const char* name;
    const char* kind;
    const char* container;
    QString caption; // caption, text or file name pattern
    QString tooltip;
    int left, top, width, height; // twips
};

// The layout tables, as stored in the window's description before any handler runs. The page
// frames are placed in the tab control.
const std::vector<Control>& controlTable() {
    static const std::vector<Control> table{
        {"SSTab1", "QTabWidget", "Form1", "", "", 0, 0, 9615, 7215},
        {"Frame1_0", "QFrame", "SSTab1", "", "", 120, 360, 9375, 6735},
        {"Frame1_1", "QFrame", "SSTab1", "", "", 120, 360, 10575, 6735},
        {"Frame1_2", "QFrame", "SSTab1", "", "", 120, 360, 10575, 6735},
        {"Command1", "QPushButton", "Form1", "Ende", "", 7920, 0, 1695, 315},
        // Page 0, "Datei"
        {"Frame2_0", "QGroupBox", "Frame1_0", "Konfigurationsdateien", "", 120, 120, 4455, 3135},
        {"Drive1_0", "bildertafel::uilists::DriveListBox", "Frame2_0", "", "", 120, 240, 1935, 315},
        {"Dir1_0", "bildertafel::uilists::DirListBox", "Frame2_0", "", "", 120, 600, 1935, 2340},
        {"File1_0", "bildertafel::uilists::FileListBox", "Frame2_0", "*.cfg", "", 2160, 600, 2175,
         1650},
        {"Command2_0", "QPushButton", "Frame2_0", "Konfiguration Laden", "", 2160, 2400, 2175, 255},
        {"Command2_1", "QPushButton", "Frame2_0", "Konfiguration Speichern", "", 2160, 2640, 2175,
         255},
        {"Label4", "QLabel", "Frame2_0", "", "", 2280, 240, 1935, 255},
        {"Frame2_1", "QGroupBox", "Frame1_0", "Arbeitsordner (Hauptordner der Fotoshow)", "", 4800,
         120, 4455, 3135},
        {"Drive1_1", "bildertafel::uilists::DriveListBox", "Frame2_1", "", "", 120, 240, 1935, 315},
        {"Dir1_1", "bildertafel::uilists::DirListBox", "Frame2_1", "", "", 120, 600, 1935, 2340},
        {"File1_1", "bildertafel::uilists::FileListBox", "Frame2_1", "*.html", "", 2160, 240, 2175,
         2235},
        {"Command3", "QPushButton", "Frame2_1", "HTML erstellen", "", 2160, 2520, 2175, 375},
        {"Frame2_2", "QGroupBox", "Frame1_0", "Unterordner mit den Mini-Bildern zur Voransicht",
         TipPrepare, 120, 3480, 4455, 3135},
        {"Dir1_2", "bildertafel::uilists::DirListBox", "Frame2_2", "", "", 120, 240, 1935, 2790},
        {"File1_2", "bildertafel::uilists::FileListBox", "Frame2_2", "*.jpg", "", 2160, 240, 2175,
         2430},
        {"Label2", "QLabel", "Frame2_2", "Label2", TipRefresh, 2280, 2760, 1935, 255},
        {"Frame2_3", "QGroupBox", "Frame1_0", "Unterordner mit den Bildern im Großformat",
         TipPrepare, 4800, 3480, 4455, 3135},
        {"Dir1_3", "bildertafel::uilists::DirListBox", "Frame2_3", "", "", 120, 240, 1935, 2790},
        {"File1_3", "bildertafel::uilists::FileListBox", "Frame2_3", "*.jpg", "", 2160, 240, 2175,
         1260},
        {"Label3", "QLabel", "Frame2_3", "Label3", TipRefresh, 2160, 1560, 2175, 255},
        {"File1_4", "bildertafel::uilists::FileListBox", "Frame2_3", "*.html", "", 2160, 1800, 2175,
         1260},
        // Page 1, "Vorschau"
        {"Frame3_0", "QGroupBox", "Frame1_1", "HTML-Kopf", "", 120, 120, 4455, 2775},
        {"Text1_0", "QPlainTextEdit", "Frame3_0", "Text1",
         "HTML-Formatierung der Startseite und Text oberhalb der Tabelle.", 120, 240, 4215, 2415},
        {"Frame3_1", "QGroupBox", "Frame1_1", "HTML-Fuß", "", 120, 3840, 4455, 2775},
        {"Text1_1", "QPlainTextEdit", "Frame3_1", "Text1",
         "Unteres Ende der Startdatei unterhalb der Tabelle.", 120, 240, 4215, 2415},
        {"Frame3_2", "QGroupBox", "Frame1_1", "HTML-Tabellenzelle vor dem Bild", "", 4800, 120,
         4455, 2775},
        {"Text1_2", "QPlainTextEdit", "Frame3_2", "Text1",
         "Formatierung der Tabellenzelle (Farbe, Größe...).", 120, 240, 4215, 2415},
        {"Frame3_3", "QGroupBox", "Frame1_1", "HTML-Tabellenzelle nach dem Bild", "", 4800, 3840,
         4455, 2775},
        {"Text1_3", "QPlainTextEdit", "Frame3_3", "Text1",
         "Abschluss der Tabellenzelle (z.B. Text unter Bild).", 120, 240, 4215, 2415},
        {"Label1_0", "QLabel", "Frame1_1",
         "<a href=\"Auto.html\"><img src=\"Auto.jpg\" alt=\"Foto zum Vergrößern bitte "
         "anklicken...\"></a>",
         TipLabel1, 4800, 3120, 4455, 615},
        {"Combo1", "QComboBox", "Frame1_1", "Combo1", "", 240, 3240, 4215, 315},
        // Page 2, "Einzelbild"
        {"Frame3_4", "QGroupBox", "Frame1_2", "HTML-Datei vor dem Bild", "", 120, 120, 4455, 2895},
        {"Text1_4", "QPlainTextEdit", "Frame3_4", "Text1",
         "Formatierung der HTML-Datei für Einzelbild (oberer Teil).", 120, 240, 4215, 2535},
        {"Frame3_5", "QGroupBox", "Frame1_2", "HTML-Datei nach dem Bild", "", 120, 3720, 4455,
         2895},
        {"Text1_5", "QPlainTextEdit", "Frame3_5", "Text1",
         "Unterer Teil der HTML-Datei für das Einzelbild.", 120, 240, 4215, 2535},
        {"Label1_1", "QLabel", "Frame1_2",
         "<a href=\"zurück.html\"><img src=\"Auto.jpg\" alt=\"zurück zur Vorschau...\"></a>",
         TipLabel1, 120, 3120, 4455, 615},
        {"Check1", "QCheckBox", "Frame1_2", "Eigene HTML-Datei für jedes Bild erstellen", "", 5160,
         720, 3615, 495},
        {"Check2", "QCheckBox", "Frame1_2", "Neues Browserfenster öffnen", "", 5160, 1800, 3735,
         495},
        {"Check3", "QCheckBox", "Frame1_2", "Zusätzliche HTML-Datei für alle Bilder erstellen", "",
         5160, 2880, 3855, 495},
    };
    return table;
}

QRect twipsToPixels(int left, int top, int width, int height) {
    return QRect(left / 15, top / 15, width / 15, height / 15);
}

// What a control shows as its caption, text or pattern.
QString captionOf(QWidget* control) {
    if (auto* frame = qobject_cast<QGroupBox*>(control)) {
        return frame->title();
    }
    if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        return button->text();
    }
    if (auto* label = qobject_cast<QLabel*>(control)) {
        return label->text();
    }
    if (auto* box = qobject_cast<QPlainTextEdit*>(control)) {
        return box->toPlainText();
    }
    if (auto* files = qobject_cast<FileListBox*>(control)) {
        return files->pattern();
    }
    if (qobject_cast<DriveListBox*>(control) != nullptr) {
        return {}; // shows a drive, which the description does not fix
    }
    if (auto* choice = qobject_cast<QComboBox*>(control)) {
        return choice->currentText();
    }
    return {};
}

// The control among the table's names that holds the focus widget (a tab bar, an edit field).
QString focusedControl(QWidget* window) {
    for (QWidget* w = QApplication::focusWidget(); w != nullptr && w != window;
         w = w->parentWidget()) {
        for (const Control& c : controlTable()) {
            if (w->objectName() == QLatin1String(c.name)) {
                return w->objectName();
            }
        }
    }
    return QStringLiteral("(none)");
}

} // namespace

class MainWindowLayoutTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { prepareWindowTests(); }

    void init() {
        m_window = std::make_unique<MainWindow>();
        // Shown but the start-up not yet run: it waits for the event loop.
        m_window->show();
    }
    void cleanup() { m_window.reset(); }

    void windowItself() {
        QCOMPARE(m_window->objectName(), QStringLiteral("Form1"));
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Fotosammlung fürs WWW in HTML"));
        QCOMPARE(m_window->size(), QSize(640, 480));
        QCOMPARE(m_window->minimumSize(), QSize(640, 480));
        QCOMPARE(m_window->maximumSize(), QSize(640, 480));
        // The program's own icon, in the sizes of its menu entry.
        const QList<QSize> iconSizes = m_window->windowIcon().availableSizes();
        QVERIFY(iconSizes.contains(QSize(128, 128)));
        QVERIFY(iconSizes.contains(QSize(16, 16)));
        // Only the tab control and the end button stand directly in the window.
        QStringList direct;
        for (QWidget* child : m_window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            direct << child->objectName();
        }
        direct.sort();
        QCOMPARE(direct, QStringList({"Command1", "SSTab1"}));
    }

    void controls_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("container");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("tooltip");
        QTest::addColumn<QRect>("place");
        for (const Control& c : controlTable()) {
            QTest::newRow(c.name) << QString(c.kind) << QString(c.container) << c.caption
                                  << c.tooltip << twipsToPixels(c.left, c.top, c.width, c.height);
        }
    }
    void controls() {
        QFETCH(QString, kind);
        QFETCH(QString, container);
        QFETCH(QString, caption);
        QFETCH(QString, tooltip);
        QFETCH(QRect, place);
        auto* widget = &control<QWidget>(*m_window, QString(QTest::currentDataTag()));
        QVERIFY2(widget->inherits(kind.toLatin1().constData()), widget->metaObject()->className());
        if (container == QLatin1String("SSTab1")) {
            // A page frame lies on its own page of the tab control.
            auto* tabs = &control<QTabWidget>(*m_window, "SSTab1");
            const int page = QString(QTest::currentDataTag()).back().digitValue();
            QCOMPARE(widget->parentWidget(), tabs->widget(page));
            QCOMPARE(QRect(widget->mapTo(tabs, QPoint(0, 0)), widget->size()), place);
        } else {
            QCOMPARE(widget->parentWidget()->objectName(), container);
            QCOMPARE(widget->geometry(), place);
        }
        QCOMPARE(captionOf(widget), caption);
        QCOMPARE(widget->toolTip(), tooltip);
    }

    void tabPages_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("caption");
        QTest::newRow("page 0") << 0 << "Datei";
        QTest::newRow("page 1") << 1 << "Vorschau";
        QTest::newRow("page 2") << 2 << "Einzelbild";
    }
    void tabPages() {
        QFETCH(int, page);
        QFETCH(QString, caption);
        auto* tabs = &control<QTabWidget>(*m_window, "SSTab1");
        QCOMPARE(tabs->count(), 3);
        QCOMPARE(tabs->tabText(page), caption);
        // The tab lies left of the end button, above the page frames.
        const QRect tab = tabs->tabBar()->tabRect(page).translated(tabs->tabBar()->pos());
        const QRect endButton = control<QWidget>(*m_window, "Command1").geometry();
        QVERIFY2(tab.right() < endButton.left(), qPrintable(QString::number(tab.right())));
        QVERIFY(tab.bottom() < 360 / 15);
        QVERIFY(tab.width() >= tabs->fontMetrics().horizontalAdvance(caption));
    }

    void startsOnFirstPage() {
        auto* tabs = &control<QTabWidget>(*m_window, "SSTab1");
        QCOMPARE(tabs->currentIndex(), 0);
        QVERIFY(control<QWidget>(*m_window, "Frame1_0").isVisible());
        QVERIFY(!control<QWidget>(*m_window, "Frame1_1").isVisible());
        QVERIFY(!control<QWidget>(*m_window, "Frame1_2").isVisible());
        QVERIFY(control<QWidget>(*m_window, "File1_4").isVisible());
        QVERIFY(!control<QWidget>(*m_window, "Check3").isVisible());
    }

    void startState() {
        // What the controls show before the start-up replaces it.
        auto* choice = &control<QComboBox>(*m_window, "Combo1");
        QCOMPARE(choice->currentIndex(), -1);
        QCOMPARE(choice->currentText(), QStringLiteral("Combo1"));
        QCOMPARE(control<QCheckBox>(*m_window, "Check1").checkState(), Qt::Unchecked);
        QCOMPARE(control<QCheckBox>(*m_window, "Check2").checkState(), Qt::Unchecked);
        QCOMPARE(control<QCheckBox>(*m_window, "Check3").checkState(), Qt::Checked);
        for (QPushButton* button : m_window->findChildren<QPushButton*>()) {
            QVERIFY2(button->isEnabled(), qPrintable(button->objectName()));
        }
    }

    void switchingPages_data() {
        QTest::addColumn<QList<int>>("pages");
        QTest::newRow("to page 2") << QList<int>{2};
        QTest::newRow("to page 1") << QList<int>{1};
        QTest::newRow("to page 2 and back to 0") << QList<int>{2, 0};
        QTest::newRow("through all pages") << QList<int>{1, 2, 1, 0};
    }
    void switchingPages() {
        QFETCH(QList<int>, pages);
        auto* tabs = &control<QTabWidget>(*m_window, "SSTab1");
        for (int page : pages) {
            // The user clicks the tab.
            QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {},
                              tabs->tabBar()->tabRect(page).center());
            QCOMPARE(tabs->currentIndex(), page);
            for (int i = 0; i < 3; ++i) {
                auto* frame = &control<QWidget>(*m_window, QStringLiteral("Frame1_%1").arg(i));
                QCOMPARE(frame->isVisible(), i == page);
                // Hidden by the page change itself, not only by the tab control.
                QCOMPARE(frame->isHidden(), i != page);
            }
        }
    }

    void tabOrder_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<QStringList>("order");
        QTest::newRow("Datei") << 0 << QStringList{"SSTab1",  "Command1",   "Drive1_0",   "Dir1_0",
                                                   "File1_0", "Command2_0", "Command2_1", "File1_1",
                                                   "Dir1_1",  "Drive1_1",   "Dir1_2",     "File1_2",
                                                   "Dir1_3",  "File1_3",    "Command3",   "File1_4",
                                                   "SSTab1"};
        QTest::newRow("Vorschau") << 1 << QStringList{"SSTab1",  "Command1", "Text1_0", "Text1_1",
                                                      "Text1_2", "Text1_3",  "Combo1",  "SSTab1"};
        QTest::newRow("Einzelbild") << 2 << QStringList{"SSTab1", "Command1", "Text1_4", "Text1_5",
                                                        "Check1", "Check2",   "Check3",  "SSTab1"};
    }
    void tabOrder() {
        QFETCH(int, page);
        QFETCH(QStringList, order);
        QApplication::setActiveWindow(m_window.get());
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        // The whole order: the buttons that the start-up disables for want of files take part.
        QTRY_VERIFY(!m_window->showFolders()[0].isEmpty());
        for (QPushButton* button : m_window->findChildren<QPushButton*>()) {
            button->setEnabled(true);
        }
        auto* tabs = &control<QTabWidget>(*m_window, "SSTab1");
        tabs->setCurrentIndex(page);
        tabs->setFocus(Qt::TabFocusReason);
        QStringList walked{focusedControl(m_window.get())};
        for (qsizetype i = 1; i < order.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            walked << focusedControl(m_window.get());
        }
        QCOMPARE(walked, order);
    }

    void framesAndLabelsTakeNoFocus() {
        for (QWidget* w : m_window->findChildren<QWidget*>()) {
            if (qobject_cast<QGroupBox*>(w) || qobject_cast<QLabel*>(w) ||
                w->objectName().startsWith(QLatin1String("Frame1_"))) {
                QVERIFY2(w->focusPolicy() == Qt::NoFocus, qPrintable(w->objectName()));
            }
        }
    }

    void templateFramesCarryTheTemplateCaptions() {
        // The configuration file names its sections after these captions.
        for (int id = 0; id < bildertafel::settings::TemplateCount; ++id) {
            auto* frame = &control<QGroupBox>(*m_window, QStringLiteral("Frame3_%1").arg(id));
            const auto expected = bildertafel::settings::TemplateCaption(
                static_cast<bildertafel::settings::TemplateId>(id));
            QCOMPARE(frame->title().toStdString(), std::string(expected));
            const auto inside = frame->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
            QCOMPARE(inside.size(), 1);
            QCOMPARE(inside.front()->objectName(), QStringLiteral("Text1_%1").arg(id));
        }
    }

    void textBoxes_data() {
        QTest::addColumn<int>("index");
        for (int i = 0; i < 6; ++i) {
            QTest::newRow(qPrintable(QStringLiteral("Text1_%1").arg(i))) << i;
        }
    }
    void textBoxes() {
        QFETCH(int, index);
        auto* tabs = &control<QTabWidget>(*m_window, "SSTab1");
        tabs->setCurrentIndex(index < 4 ? 1 : 2);
        auto* box = &control<QPlainTextEdit>(*m_window, QStringLiteral("Text1_%1").arg(index));
        QCOMPARE(box->lineWrapMode(), QPlainTextEdit::NoWrap);
        QCOMPARE(box->maximumBlockCount(), 0);
        QVERIFY(box->tabChangesFocus());
        // Many long lines: kept whole, and scrollable both ways.
        const QString line = QString(400, QLatin1Char('x'));
        QStringList lines;
        for (int i = 0; i < 2000; ++i) {
            lines << line;
        }
        box->setPlainText(lines.join(QLatin1Char('\n')));
        QCOMPARE(box->toPlainText().size(), 2000 * 401 - 1);
        QVERIFY(box->horizontalScrollBar()->isVisible());
        QVERIFY(box->verticalScrollBar()->isVisible());
        QVERIFY(box->horizontalScrollBar()->maximum() > 0);
        QVERIFY(box->verticalScrollBar()->maximum() > 0);
    }

    void exampleLabelsArePlainText_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("Label1_0") << "Label1_0";
        QTest::newRow("Label1_1") << "Label1_1";
    }
    void exampleLabelsArePlainText() {
        QFETCH(QString, name);
        auto* label = &control<QLabel>(*m_window, name);
        QCOMPARE(label->textFormat(), Qt::PlainText);
        QVERIFY(label->text().startsWith(QLatin1String("<a href=\"")));
        // The wrapped text fits the label's height.
        QVERIFY(label->wordWrap());
        QVERIFY2(label->heightForWidth(label->width()) <= label->height(),
                 qPrintable(QString::number(label->heightForWidth(label->width()))));
    }

    void captionsFit_data() {
        QTest::addColumn<QString>("name");
        for (const Control& c : controlTable()) {
            const QString kind(c.kind);
            if (kind == "QPushButton" || kind == "QCheckBox" || kind == "QGroupBox" ||
                kind == "QComboBox" || (kind == "QLabel" && !c.caption.startsWith('<'))) {
                QTest::newRow(c.name) << QString(c.name);
            }
        }
    }
    void captionsFit() {
        QFETCH(QString, name);
        auto* widget = &control<QWidget>(*m_window, name);
        const QFontMetrics metrics = widget->fontMetrics();
        QStyle* style = widget->style();
        QRect room;
        QStringList texts{captionOf(widget)};
        if (auto* button = qobject_cast<QPushButton*>(widget)) {
            QStyleOptionButton option;
            option.initFrom(button);
            option.text = button->text();
            room = style->subElementRect(QStyle::SE_PushButtonContents, &option, button);
        } else if (auto* box = qobject_cast<QCheckBox*>(widget)) {
            QStyleOptionButton option;
            option.initFrom(box);
            option.text = box->text();
            room = style->subElementRect(QStyle::SE_CheckBoxContents, &option, box);
        } else if (auto* frame = qobject_cast<QGroupBox*>(widget)) {
            QStyleOptionGroupBox option;
            option.initFrom(frame);
            option.text = frame->title();
            option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
            const QRect label = style->subControlRect(QStyle::CC_GroupBox, &option,
                                                      QStyle::SC_GroupBoxLabel, frame);
            // The style sizes the caption's rectangle to the text; it must stay inside the frame.
            QVERIFY2(frame->rect().contains(label), qPrintable(QString::number(label.right())));
            room = label;
        } else if (auto* choice = qobject_cast<QComboBox*>(widget)) {
            QStyleOptionComboBox option;
            option.initFrom(choice);
            option.editable = true;
            room = style->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField,
                                         choice);
            for (int i = 0; i < choice->count(); ++i) {
                texts << choice->itemText(i);
            }
        } else {
            room = widget->contentsRect();
            texts = QStringList{QStringLiteral("Label2"), QStringLiteral("88 jpg / 888 html")};
        }
        for (const QString& text : texts) {
            QVERIFY2(metrics.horizontalAdvance(text) <= room.width(),
                     qPrintable(QStringLiteral("%1: %2 > %3")
                                    .arg(text)
                                    .arg(metrics.horizontalAdvance(text))
                                    .arg(room.width())));
        }
        QVERIFY(metrics.height() <= room.height());
    }

private:
    std::unique_ptr<MainWindow> m_window;
};

QTEST_MAIN(MainWindowLayoutTest)
#include "MainWindowLayoutTest.moc"

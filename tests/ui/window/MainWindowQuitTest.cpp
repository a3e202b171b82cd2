// Ending the program: the end button and the window's close box, both without a question.
#include "WindowTestSupport.h"
#include "ui/common/ApplicationStyle.h"
#include "ui/window/MainWindow.h"

#include <QApplication>
#include <QEventLoop>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using bildertafel::ui::MainWindow;
using namespace bildertafel::uitest;

namespace {

// The main window and whatever it might have opened, such as a question.
qsizetype visibleWindows() {
    qsizetype visible = 0;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        visible += window->isVisible() ? 1 : 0;
    }
    return visible;
}

} // namespace

class MainWindowQuitTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { bildertafel::ui::useApplicationStyle(); }

    void closingTheWindowAsksNothing() {
        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        control<QPlainTextEdit>(window, "Text1_0").setPlainText("unsaved");
        QVERIFY(window.close());
        QVERIFY(!window.isVisible());
        QCOMPARE(visibleWindows(), 0);
    }

    // Ends the event loop of the whole program, so it runs last.
    void endButtonEndsTheEventLoop() {
        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        control<QPlainTextEdit>(window, "Text1_0").setPlainText("unsaved");
        QEventLoop loop;
        QTimer::singleShot(0, &window, [&window] {
            QTest::mouseClick(&control<QPushButton>(window, "Command1"), Qt::LeftButton);
        });
        // A question or a missing end would leave the loop to this guard.
        QTimer::singleShot(5000, &loop, [&loop] { loop.exit(99); });
        QCOMPARE(loop.exec(), 0);
        QCOMPARE(visibleWindows(), 1);
    }
};

QTEST_MAIN(MainWindowQuitTest)
#include "MainWindowQuitTest.moc"

// Whether the window program can open its window, judged from the environment.
#include "ui/window/DisplayCheck.h"

#include <QTest>

#include <map>
#include <string>

class DisplayCheckTest : public QObject {
    Q_OBJECT

private slots:
    void display_data() {
        QTest::addColumn<QString>("display");
        QTest::addColumn<QString>("wayland");
        QTest::addColumn<QString>("platform");
        QTest::addColumn<bool>("usable");
        QTest::newRow("nothing set") << ""
                                     << ""
                                     << "" << false;
        QTest::newRow("X display") << ":0"
                                   << ""
                                   << "" << true;
        QTest::newRow("Wayland display") << ""
                                         << "wayland-0"
                                         << "" << true;
        QTest::newRow("offscreen") << ""
                                   << ""
                                   << "offscreen" << true;
        QTest::newRow("vnc with options") << ""
                                          << ""
                                          << "vnc:size=800x600" << true;
        QTest::newRow("xcb without X") << ""
                                       << "wayland-0"
                                       << "xcb" << false;
        QTest::newRow("xcb with X") << ":1"
                                    << ""
                                    << "xcb" << true;
        QTest::newRow("wayland-egl without Wayland") << ":0"
                                                     << ""
                                                     << "wayland-egl" << false;
        QTest::newRow("fallback list, second works") << ":0"
                                                     << ""
                                                     << "wayland;xcb" << true;
        QTest::newRow("fallback list, none works") << ""
                                                   << ""
                                                   << "wayland;xcb" << false;
    }
    void display() {
        QFETCH(QString, display);
        QFETCH(QString, wayland);
        QFETCH(QString, platform);
        QFETCH(bool, usable);
        const std::map<std::string, std::string> environment{
            {"DISPLAY", display.toStdString()},
            {"WAYLAND_DISPLAY", wayland.toStdString()},
            {"QT_QPA_PLATFORM", platform.toStdString()},
        };
        const std::string message = bildertafel::ui::missingDisplayMessage(
            [&environment](const char* name) { return environment.at(name); });
        QCOMPARE(message.empty(), usable);
        if (!usable) {
            QVERIFY(message.find("Kein Bildschirm") != std::string::npos);
            QVERIFY(message.find("No display") != std::string::npos);
        }
    }
};

QTEST_APPLESS_MAIN(DisplayCheckTest)
#include "DisplayCheckTest.moc"

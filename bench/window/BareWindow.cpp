// The baseline of the window's start: a bare Qt 6 window with three tab pages and nothing else.
#include <QApplication>
#include <QMainWindow>
#include <QTabWidget>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QMainWindow window;
    auto* pages = new QTabWidget(&window);
    for (const char* title : {"Datei", "Vorschau", "Einzelbild"}) {
        pages->addTab(new QWidget(pages), QString::fromUtf8(title));
    }
    window.setCentralWidget(pages);
    window.resize(800, 600);
    window.show();
    return QApplication::exec();
}

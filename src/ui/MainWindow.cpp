#include "ui/MainWindow.h"

#include "ui/ApplicationStyle.h"
#include "ui/CheckBoxValue.h"
#include "ui/TableWidthChoice.h"
#include "ui/TemplateText.h"
#include "ui_MainWindow.h"

#include <QCoreApplication>
#include <QEvent>
#include <QShowEvent>
#include <QTimer>

namespace bildertafel {

namespace {

constexpr std::array<ShowOption, 3> AllOptions{
    ShowOption::OwnPagePerPicture, ShowOption::NewBrowserWindow, ShowOption::AllPicturesPage};

} // namespace

MainWindow::MainWindow(QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::MainWindow>()) {
    // Set before the controls exist, so that all of them inherit it.
    setFont(windowFont());
    m_ui->setupUi(this);
    bindControlArrays();

    keepTypedTextAsTyped(*m_ui->Combo1);
    // The description selects no entry after setting the text, which empties the field again.
    showTableWidth(*m_ui->Combo1, -1, "Combo1");
    for (QCheckBox* box : {m_ui->Check1, m_ui->Check2, m_ui->Check3}) {
        keepUserClicksTwoState(*box);
    }
    m_currentTab = static_cast<std::int16_t>(m_ui->SSTab1->currentIndex());
    connectEvents();
}

MainWindow::~MainWindow() = default;

void MainWindow::bindControlArrays() {
    Ui::MainWindow& ui = *m_ui;
    Frame1 = {ui.Frame1_0, ui.Frame1_1, ui.Frame1_2};
    Frame2 = {ui.Frame2_0, ui.Frame2_1, ui.Frame2_2, ui.Frame2_3};
    Frame3 = {ui.Frame3_0, ui.Frame3_1, ui.Frame3_2, ui.Frame3_3, ui.Frame3_4, ui.Frame3_5};
    Text1 = {ui.Text1_0, ui.Text1_1, ui.Text1_2, ui.Text1_3, ui.Text1_4, ui.Text1_5};
    Label1 = {ui.Label1_0, ui.Label1_1};
    Command2 = {ui.Command2_0, ui.Command2_1};
    Drive1 = {ui.Drive1_0, ui.Drive1_1};
    Dir1 = {ui.Dir1_0, ui.Dir1_1, ui.Dir1_2, ui.Dir1_3};
    File1 = {ui.File1_0, ui.File1_1, ui.File1_2, ui.File1_3, ui.File1_4};
}

void MainWindow::connectEvents() {
    connect(m_ui->SSTab1, &QTabWidget::currentChanged, this, [this](int current) {
        const std::int16_t previous = m_currentTab;
        m_currentTab = static_cast<std::int16_t>(current);
        SSTab1_Click(previous);
    });
    connect(m_ui->Command1, &QPushButton::clicked, this, &MainWindow::Command1_Click);
}

QCheckBox* MainWindow::optionBox(ShowOption option) const {
    switch (option) {
    case ShowOption::OwnPagePerPicture:
        return m_ui->Check1;
    case ShowOption::NewBrowserWindow:
        return m_ui->Check2;
    case ShowOption::AllPicturesPage:
        return m_ui->Check3;
    }
    return nullptr;
}

ShowSettings MainWindow::settings() const {
    ShowSettings shown;
    for (int id = 0; id < TemplateCount; ++id) {
        shown.setTemplate(static_cast<TemplateId>(id), templateFromEditor(*Text1[id]));
    }
    const std::int16_t index = tableWidthIndex(*m_ui->Combo1);
    if (index >= 0) {
        shown.setTableWidthIndex(index);
    } else {
        shown.setTypedTableWidthText(tableWidthText(*m_ui->Combo1));
    }
    for (ShowOption option : AllOptions) {
        shown.setOption(option, checkValue(*optionBox(option)));
    }
    return shown;
}

void MainWindow::applySettings(const ShowSettings& settings) {
    for (int id = 0; id < TemplateCount; ++id) {
        Text1[id]->setPlainText(templateForEditor(settings.Template(static_cast<TemplateId>(id))));
    }
    showTableWidth(*m_ui->Combo1, settings.TableWidthIndex(), settings.TableWidthText());
    for (ShowOption option : AllOptions) {
        showCheckValue(*optionBox(option), settings.option(option));
    }
}

bool MainWindow::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::WindowActivate) {
        runFormActivateOnce();
    }
    return handled;
}

void MainWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Without a window manager (or on the offscreen platform) the window is never activated; the
    // start-up then runs as soon as the window is on the screen.
    if (!m_activated) {
        QTimer::singleShot(0, this, &MainWindow::runFormActivateOnce);
    }
}

void MainWindow::runFormActivateOnce() {
    if (m_activated) {
        return;
    }
    m_activated = true;
    Form_Activate();
}

void MainWindow::Form_Activate() {
    ShowSettings shown = settings();
    DefaultShowSettings(shown);
    applySettings(shown);
}

void MainWindow::SSTab1_Click(std::int16_t /*previousTab*/) {
    for (int i = 0; i < static_cast<int>(Frame1.size()); ++i) {
        Frame1[i]->setVisible(m_ui->SSTab1->currentIndex() == i);
    }
}

void MainWindow::Command1_Click() {
    // Ends the event loop at once; nothing is asked and nothing is saved.
    QCoreApplication::exit(0);
}

} // namespace bildertafel

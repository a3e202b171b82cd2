#include "ui/window/MainWindow.h"

#include "ui/common/ApplicationStyle.h"
#include "ui/common/InputRules.h"
#include "ui/common/StandardDialogs.h"
#include "ui/lists/DirListBox.h"
#include "ui/lists/DriveListBox.h"
#include "ui/lists/FileListBox.h"
#include "ui/lists/FileNames.h"
#include "ui/lists/PngIcon.h"
#include "ui/templates/TemplateText.h"
#include "ui/window/BrowserPreview.h"
#include "ui/window/CheckBoxValue.h"
#include "ui/window/TableWidthChoice.h"
#include "ui_MainWindow.h"

#include <QCoreApplication>
#include <QEvent>
#include <QIcon>
#include <QMouseEvent>
#include <QShortcut>
#include <QShowEvent>
#include <QTimer>

// The icon lives in this static library's resources, which must be registered by hand.
static void registerIconResource() {
    Q_INIT_RESOURCE(bildertafel);
}

namespace bildertafel::ui {

namespace {

// The program's icon in the sizes a window manager asks for. Every size is decoded at start and
// sent to the window manager; larger pictures come from the installed icon of the menu entry.
QIcon programIcon() {
    registerIconResource();
    return uilists::pngIcon({QStringLiteral(":/icons/bildertafel-128.png"),
                             QStringLiteral(":/icons/bildertafel-48.png"),
                             QStringLiteral(":/icons/bildertafel-32.png"),
                             QStringLiteral(":/icons/bildertafel-16.png")});
}

constexpr std::array<settings::ShowOption, 3> AllOptions{settings::ShowOption::OwnPagePerPicture,
                                                         settings::ShowOption::NewBrowserWindow,
                                                         settings::ShowOption::AllPicturesPage};

} // namespace

MainWindow::MainWindow(QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::MainWindow>()),
      m_dialogs(std::make_unique<StandardDialogs>(this)) {
    // Set before the controls exist, so that all of them inherit it.
    setFont(windowFont());
    m_ui->setupUi(this);
    setWindowIcon(programIcon());
    bindControlArrays();

    keepTypedTextAsTyped(*m_ui->Combo1);
    // The description selects no entry after setting the text, which empties the field again.
    showTableWidth(*m_ui->Combo1, -1, "Combo1");
    for (QCheckBox* box : {m_ui->Check1, m_ui->Check2, m_ui->Check3}) {
        keepUserClicksTwoState(*box);
    }
    for (QPushButton* button : findChildren<QPushButton*>()) {
        pressOnEnter(*button);
    }
    for (QWidget* choice : std::initializer_list<QWidget*>{m_ui->Combo1, Drive1[0], Drive1[1]}) {
        ignoreWheelUnlessFocused(*choice);
    }
    connectEvents();
    connectContextMenus();
}

MainWindow::~MainWindow() = default;

void MainWindow::bindControlArrays() {
    Ui::MainWindow& ui = *m_ui;
    Frame1 = {ui.Frame1_0, ui.Frame1_1, ui.Frame1_2};
    Text1 = {ui.Text1_0, ui.Text1_1, ui.Text1_2, ui.Text1_3, ui.Text1_4, ui.Text1_5};
    Command2 = {ui.Command2_0, ui.Command2_1};
    Drive1 = {ui.Drive1_0, ui.Drive1_1};
    Dir1 = {ui.Dir1_0, ui.Dir1_1, ui.Dir1_2, ui.Dir1_3};
    File1 = {ui.File1_0, ui.File1_1, ui.File1_2, ui.File1_3, ui.File1_4};
}

void MainWindow::connectEvents() {
    connect(m_ui->SSTab1, &QTabWidget::currentChanged, this, &MainWindow::SSTab1_Click);
    connect(m_ui->Command1, &QPushButton::clicked, this, &MainWindow::Command1_Click);
    for (std::int16_t i = 0; i < static_cast<std::int16_t>(Drive1.size()); ++i) {
        connect(Drive1[i], &uilists::DriveListBox::driveChanged, this,
                [this, i] { Drive1_Change(i); });
    }
    for (std::int16_t i = 0; i < static_cast<std::int16_t>(Dir1.size()); ++i) {
        connect(Dir1[i], &uilists::DirListBox::pathChanged, this, [this, i] { Dir1_Change(i); });
        connect(Dir1[i], &uilists::DirListBox::openFailed, this,
                [this, i](const QString& folder, const QString& reason) {
                    folderNotOpened(i, folder, reason);
                });
    }
    for (std::int16_t i = 0; i < static_cast<std::int16_t>(File1.size()); ++i) {
        connect(File1[i], &uilists::FileListBox::fileClicked, this, [this, i] { File1_Click(i); });
        connect(File1[i], &uilists::FileListBox::fileDoubleClicked, this,
                [this, i] { File1_DblClick(i); });
    }
    for (std::int16_t i = 0; i < static_cast<std::int16_t>(Command2.size()); ++i) {
        connect(Command2[i], &QPushButton::clicked, this, [this, i] { Command2_Click(i); });
    }
    connect(m_ui->Command3, &QPushButton::clicked, this, &MainWindow::Command3_Click);
    // F5 does what a click on a count label does.
    auto* refresh = new QShortcut(QKeySequence(Qt::Key_F5), this);
    connect(refresh, &QShortcut::activated, this, &MainWindow::Label2_Click);
    // Labels have no click of their own.
    m_ui->Label2->installEventFilter(this);
    m_ui->Label3->installEventFilter(this);
}

void MainWindow::setDialogs(std::unique_ptr<host::DialogHost> dialogs) {
    m_dialogs = std::move(dialogs);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    const bool countLabel = watched == m_ui->Label2 || watched == m_ui->Label3;
    const bool press = event->type() == QEvent::MouseButtonPress;
    const bool release = event->type() == QEvent::MouseButtonRelease;
    if (!countLabel || (!press && !release)) {
        return QWidget::eventFilter(watched, event);
    }
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton) {
        return QWidget::eventFilter(watched, event);
    }
    // Taking the press makes the label receive the release: a click is a release on the label.
    auto* label = static_cast<QWidget*>(watched);
    if (release && label->rect().contains(mouse->position().toPoint())) {
        if (watched == m_ui->Label2) {
            Label2_Click();
        } else {
            Label3_Click();
        }
    }
    return true;
}

QCheckBox* MainWindow::optionBox(settings::ShowOption option) const {
    switch (option) {
    case settings::ShowOption::OwnPagePerPicture:
        return m_ui->Check1;
    case settings::ShowOption::NewBrowserWindow:
        return m_ui->Check2;
    case settings::ShowOption::AllPicturesPage:
        return m_ui->Check3;
    }
    return nullptr;
}

std::string MainWindow::folderOf(std::int16_t slot) const {
    return uilists::toFileName(ShowFolders[static_cast<std::size_t>(slot)]);
}

settings::ShowSettings MainWindow::settings() const {
    settings::ShowSettings shown;
    for (int id = 0; id < settings::TemplateCount; ++id) {
        shown.setTemplate(static_cast<settings::TemplateId>(id), templateFromEditor(*Text1[id]));
    }
    const std::int16_t index = tableWidthIndex(*m_ui->Combo1);
    if (index >= 0) {
        shown.setTableWidthIndex(index);
    } else {
        shown.setTypedTableWidthText(tableWidthText(*m_ui->Combo1));
    }
    for (settings::ShowOption option : AllOptions) {
        shown.setOption(option, checkValue(*optionBox(option)));
    }
    return shown;
}

void MainWindow::applySettings(const settings::ShowSettings& settings) {
    for (int id = 0; id < settings::TemplateCount; ++id) {
        Text1[id]->setPlainText(
            templateForEditor(settings.Template(static_cast<settings::TemplateId>(id))));
    }
    showTableWidth(*m_ui->Combo1, settings.TableWidthIndex(), settings.TableWidthText());
    for (settings::ShowOption option : AllOptions) {
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
    applySettings(settings::DefaultShowSettings());
    startUpFolderSteps();
}

void MainWindow::SSTab1_Click() {
    for (int i = 0; i < static_cast<int>(Frame1.size()); ++i) {
        Frame1[i]->setVisible(m_ui->SSTab1->currentIndex() == i);
    }
}

void MainWindow::Command1_Click() {
    // Ends the event loop at once; nothing is asked and nothing is saved.
    QCoreApplication::exit(0);
}

} // namespace bildertafel::ui

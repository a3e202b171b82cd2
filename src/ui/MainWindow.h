#pragma once

#include "settings/ShowSettings.h"

#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>

class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class DirListBox;
class DriveListBox;
class FileListBox;

namespace Ui {
class MainWindow;
}

namespace bildertafel {

// Form1, the program's one window: three tab pages with the folder browsers, the templates and
// the options. Its controls hold the show settings; there is no other copy of them.
class MainWindow : public QWidget {
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // What the controls show now, the user's latest edits included.
    ShowSettings settings() const;
    // Shows the settings in the controls at once.
    void applySettings(const ShowSettings& settings);

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void bindControlArrays();
    void connectEvents();
    void runFormActivateOnce();
    QCheckBox* optionBox(ShowOption option) const;

    // Handlers of the window's events.
    void Form_Activate();
    void SSTab1_Click(std::int16_t previousTab);
    void Command1_Click();

    std::unique_ptr<Ui::MainWindow> m_ui;

    // The control arrays, indexed as their handlers receive them.
    std::array<QFrame*, 3> Frame1{};
    std::array<QGroupBox*, 4> Frame2{};
    std::array<QGroupBox*, 6> Frame3{};
    std::array<QPlainTextEdit*, 6> Text1{};
    std::array<QLabel*, 2> Label1{};
    std::array<QPushButton*, 2> Command2{};
    std::array<DriveListBox*, 2> Drive1{};
    std::array<DirListBox*, 4> Dir1{};
    std::array<FileListBox*, 5> File1{};

    // The page that is current, so that a change can report the one before it.
    std::int16_t m_currentTab = 0;
    bool m_activated = false;
};

} // namespace bildertafel

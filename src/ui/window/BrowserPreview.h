#pragma once

#include "generator/ShowGenerator.h"

#include <QObject>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QProgressDialog;
class QThread;
class QWidget;

namespace bildertafel::generator {
class PreviewFolder;
} // namespace bildertafel::generator

namespace bildertafel::ui {

// "Vorschau im Browser…": a show's pages as they would be now, written into a folder of their
// own in the temporary folder off the window's thread, and the start page there opened in the
// browser. The show, the window's lists and its last start page stay as they are. The folders
// stay while the program runs, so the browser can go from page to page, and go with this object;
// what a crash leaves behind the next preview removes.
class BrowserPreview : public QObject {
    Q_OBJECT

public:
    // tell shows a message of the run, openPage opens the written start page (a path).
    BrowserPreview(QWidget& window,
                   std::function<void(std::string_view text, std::string_view title)> tell,
                   std::function<void(const std::string& page)> openPage);
    // Waits for a run under way, then removes every preview folder.
    ~BrowserPreview() override;

    // Writes the pages of `show` with the start page `startPageName` into a new preview folder
    // in `parent` (ending in "/"). Does nothing while a run is under way.
    void start(const generator::ShowGeneratorInput& show, const std::string& startPageName,
               const std::string& parent);

    bool running() const { return m_worker != nullptr; }

private:
    struct Run;
    void finish();

    QWidget& m_window;
    std::function<void(std::string_view, std::string_view)> m_tell;
    std::function<void(const std::string&)> m_openPage;
    std::vector<std::unique_ptr<generator::PreviewFolder>> m_folders;
    std::shared_ptr<Run> m_run;
    QThread* m_worker = nullptr;
    QProgressDialog* m_progress = nullptr;
};

} // namespace bildertafel::ui

#include "ui/window/BrowserPreview.h"

#include "generator/GeneratorTexts.h"
#include "generator/PreviewFolder.h"
#include "ui/common/QtText.h"
#include "ui/window/WindowTexts.h"

#include <QApplication>
#include <QCursor>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>
#include <QWidget>

namespace bildertafel::ui {

namespace {

// How long a run goes before its progress is shown; most shows are written sooner.
constexpr int ProgressDelayMs = 500;

struct Message {
    std::string text;
    std::string title;
};

} // namespace

// One preview run: its inputs, and what the worker hands back to the window's thread.
struct BrowserPreview::Run {
    generator::ShowGeneratorInput show;
    std::string startPageName;
    std::string parent;

    std::unique_ptr<generator::PreviewFolder> folder;
    generator::RunOutcome outcome = generator::RunOutcome::Refused;
    std::vector<Message> messages;
    std::string startPage;
};

namespace {

// The run's host on the worker thread: it answers the name with the preview's start page and
// keeps the messages for the window's thread. The preview has no file lists to refresh and no
// busy pointer of its own; links that lead nowhere are the business of "HTML erstellen".
class PreviewRunHost : public generator::GeneratorHost, public host::DialogHost {
public:
    PreviewRunHost(std::string startPageName, std::vector<Message>& messages,
                   std::string& startPage)
        : m_startPageName(std::move(startPageName)), m_messages(messages), m_startPage(startPage) {}

    void showMessage(std::string_view text, std::string_view title) override {
        m_messages.push_back({std::string(text), std::string(title)});
    }
    std::string askText(std::string_view, std::string_view, std::string_view) override {
        return m_startPageName;
    }
    void setBusy(bool) override {}
    void refreshFileLists() override {}
    void startPageWritten(const std::string& path) override { m_startPage = path; }
    void reportMissingLinks(const std::vector<links::MissingLink>&) override {}

private:
    std::string m_startPageName;
    std::vector<Message>& m_messages;
    std::string& m_startPage;
};

} // namespace

BrowserPreview::BrowserPreview(QWidget& window,
                               std::function<void(std::string_view, std::string_view)> tell,
                               std::function<void(const std::string&)> openPage)
    : m_window(window), m_tell(std::move(tell)), m_openPage(std::move(openPage)) {}

BrowserPreview::~BrowserPreview() {
    if (m_worker != nullptr) {
        m_worker->wait();
        delete m_worker;
        delete m_progress;
        QApplication::restoreOverrideCursor();
    }
}

void BrowserPreview::start(const generator::ShowGeneratorInput& show,
                           const std::string& startPageName, const std::string& parent) {
    if (m_worker != nullptr) {
        return;
    }
    m_run = std::make_shared<Run>();
    m_run->show = show;
    m_run->startPageName = startPageName;
    m_run->parent = parent;
    m_worker = QThread::create([run = m_run] {
        Run& r = *run;
        // What a crashed program left in the temporary folder goes first.
        generator::removeLeftPreviewFolders(r.parent);
        generator::ShowGeneratorInput preview;
        generator::GeneratorOutcome laid = generator::PreviewFolder::create(r.parent, r.folder);
        if (laid) {
            laid = r.folder->lay(r.show, r.startPageName, preview);
        }
        if (!laid) {
            r.messages.push_back(
                {generator::texts::failureText(laid.failure()), std::string(texts::PreviewTitle)});
            r.folder.reset();
            return;
        }
        PreviewRunHost host(r.startPageName, r.messages, r.startPage);
        r.outcome = generator::ShowGenerator::run(preview, host, host);
        if (r.outcome != generator::RunOutcome::Written) {
            r.folder.reset();
        }
    });
    connect(m_worker, &QThread::finished, this, &BrowserPreview::finish);

    QApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
    m_progress = new QProgressDialog(fromUtf8(texts::PreviewBeingWritten),
                                     fromUtf8(texts::CancelButton), 0, 0, &m_window);
    m_progress->setWindowTitle(fromUtf8(texts::PreviewTitle));
    m_progress->setWindowModality(Qt::WindowModal);
    m_progress->setMinimumDuration(ProgressDelayMs);
    QTimer::singleShot(ProgressDelayMs, m_progress, [progress = m_progress] {
        if (!progress->wasCanceled()) {
            progress->show();
        }
    });
    m_worker->start();
}

void BrowserPreview::finish() {
    QApplication::restoreOverrideCursor();
    const bool cancelled = m_progress->wasCanceled();
    m_progress->deleteLater();
    m_progress = nullptr;
    // The worker holds the run too: its folder goes with the later of the two.
    m_worker->deleteLater();
    m_worker = nullptr;
    const std::shared_ptr<Run> run = std::move(m_run);
    // "Abbrechen" (the button or Escape): nothing opens, and the folder goes with the run.
    if (cancelled) {
        return;
    }
    for (const Message& message : run->messages) {
        m_tell(message.text, message.title);
    }
    if (run->outcome == generator::RunOutcome::Written && run->folder) {
        m_folders.push_back(std::move(run->folder));
        m_openPage(run->startPage);
    }
}

} // namespace bildertafel::ui

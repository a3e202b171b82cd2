#include "publish/Connection.h"

namespace bildertafel::publish {

std::map<std::string, std::optional<std::vector<RemoteEntry>>>
Connection::listAll(const std::set<std::string>& folders) {
    std::map<std::string, std::optional<std::vector<RemoteEntry>>> listings;
    for (const std::string& folder : folders) {
        listings[folder] = list(folder);
    }
    return listings;
}

void Connection::sendAll(const std::vector<Upload>& uploads, UploadWatcher& watcher) {
    std::uint64_t before = 0;
    for (std::size_t index = 0; index < uploads.size(); ++index) {
        if (!watcher.progress(before)) {
            throw cancelled();
        }
        const Upload& upload = uploads[index];
        const std::string content = watcher.content(index);
        try {
            send(
                content, upload.temporary, upload.final,
                [&](std::uint64_t sent) { return watcher.progress(before + sent); },
                upload.modified);
        } catch (const PublishError& error) {
            if (error.kind() == FailureKind::Cancelled) {
                try {
                    remove(upload.temporary);
                } catch (const PublishError&) {
                }
            }
            throw;
        }
        before += content.size();
        watcher.done(index);
    }
}

void Connection::removeAll(const std::vector<std::string>& paths, const std::function<bool()>& goOn,
                           const std::function<void(std::size_t)>& done) {
    for (std::size_t index = 0; index < paths.size(); ++index) {
        if (!goOn()) {
            throw cancelled();
        }
        remove(paths[index]);
        done(index);
    }
}

PublishError silentServer(std::chrono::milliseconds limit) {
    FailureFacts facts;
    facts.kind = FailureKind::Silent;
    facts.silence = limit;
    return PublishError(facts);
}

PublishError unreadable(const std::string& path) {
    FailureFacts facts(FailureKind::LocalRead);
    facts.path = path;
    return PublishError(facts);
}

PublishError cancelled() {
    return PublishError(FailureFacts(FailureKind::Cancelled));
}

} // namespace bildertafel::publish

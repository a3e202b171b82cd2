#include "publish/Connection.h"

#include "core/SlashPath.h"

#include <algorithm>
#include <cstring>

namespace bildertafel::publish {

namespace {

class MemorySource final : public UploadSource {
public:
    explicit MemorySource(std::string_view bytes) : m_bytes(bytes) {}
    std::uint64_t size() const override { return m_bytes.size(); }
    std::size_t read(char* buffer, std::size_t length) override {
        const std::size_t n = std::min(length, m_bytes.size() - m_at);
        std::memcpy(buffer, m_bytes.data() + m_at, n);
        m_at += n;
        return n;
    }

private:
    std::string_view m_bytes;
    std::size_t m_at = 0;
};

} // namespace

std::unique_ptr<UploadSource> sourceOf(std::string_view bytes) {
    return std::make_unique<MemorySource>(bytes);
}

std::optional<RemoteEntry> Connection::entryOf(const std::string& path) {
    const auto entries = list(core::folderOf(path));
    if (!entries) {
        return std::nullopt;
    }
    const std::string name = core::nameOf(path);
    const auto found = std::find_if(entries->begin(), entries->end(),
                                    [&](const RemoteEntry& entry) { return entry.name == name; });
    return found == entries->end() ? std::nullopt : std::optional<RemoteEntry>(*found);
}

std::map<std::string, std::optional<std::vector<RemoteEntry>>>
Connection::listAll(const std::set<std::string>& folders) {
    std::map<std::string, std::optional<std::vector<RemoteEntry>>> listings;
    for (const std::string& folder : folders) {
        listings[folder] = list(folder);
    }
    return listings;
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

void Connection::removeFolderWith(const std::string& folder,
                                  const std::vector<std::string>& names) {
    // A name that will not go (one not there, on a server that says so as a refusal) leaves the
    // folder's removal to tell whether it is empty.
    for (const std::string& name : names) {
        try {
            remove(folder + "/" + name);
        } catch (const PublishError& error) {
            if (!isRefusal(error)) {
                throw;
            }
        }
    }
    removeFolder(folder);
}

namespace {

// A step of an object store asked of a connection that is none.
[[noreturn]] void onlyObjectStores(const std::string& path, const char* step) {
    FailureFacts facts(FailureKind::Unexpected);
    facts.path = path;
    facts.reason = step;
    throw PublishError(facts);
}

} // namespace

bool Connection::sendIfAbsent(const std::string& content, const std::string& path) {
    (void)content;
    onlyObjectStores(path, "sendIfAbsent");
}

std::optional<std::string> Connection::readStamped(const std::string& path, std::uint64_t limit,
                                                   std::string& stamp) {
    (void)limit;
    (void)stamp;
    onlyObjectStores(path, "readStamped");
}

bool Connection::replaceIfUnchanged(const std::string& content, const std::string& path,
                                    const std::string& stamp) {
    (void)content;
    (void)stamp;
    onlyObjectStores(path, "replaceIfUnchanged");
}

PublishError silentServer(std::chrono::milliseconds limit) {
    FailureFacts facts;
    facts.kind = FailureKind::Silent;
    facts.silence = limit;
    return PublishError(facts);
}

PublishError unreadable(const std::string& path, int error) {
    FailureFacts facts(FailureKind::LocalRead);
    facts.path = path;
    facts.error = error;
    return PublishError(facts);
}

PublishError changedSincePlan(const std::string& path) {
    FailureFacts facts(FailureKind::LocalChanged);
    facts.path = path;
    return PublishError(facts);
}

PublishError cancelled() {
    return PublishError(FailureFacts(FailureKind::Cancelled));
}

} // namespace bildertafel::publish

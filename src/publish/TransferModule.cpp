#include "publish/TransferModule.h"

#include "textfile/SystemReason.h"

#include <cerrno>
#include <dlfcn.h>
#include <unistd.h>

#include <map>
#include <mutex>

namespace bildertafel::publish {

namespace {

struct Loaded {
    BildertafelPublishTransfer entry = nullptr;
    std::string error; // German reason when entry is null
};

// The entry point of the module at path; a module once loaded stays for the rest of the process
// (the sending may have left threads or handlers of its libraries behind).
Loaded load(const std::string& path) {
    static std::mutex mutex;
    static std::map<std::string, BildertafelPublishTransfer> loaded;
    const std::lock_guard lock(mutex);
    if (const auto found = loaded.find(path); found != loaded.end()) {
        return {found->second, {}};
    }
    dlerror();
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    // The loader's own words are English: the reason is told from the file itself.
    if (handle == nullptr) {
        if (path.find('/') != std::string::npos && ::access(path.c_str(), R_OK) != 0) {
            return {nullptr, textfile::systemReason(errno)};
        }
        return {nullptr, "Die Datei ist keine Bibliothek, die sich laden lässt"};
    }
    void* symbol = dlsym(handle, TransferEntryPoint);
    if (symbol == nullptr) {
        dlclose(handle);
        return {nullptr, std::string("Dem Modul fehlt der Einsprungpunkt ") + TransferEntryPoint};
    }
    auto entry = reinterpret_cast<BildertafelPublishTransfer>(symbol);
    loaded.emplace(path, entry);
    return {entry, {}};
}

} // namespace

Result publishThroughModule(const std::string& modulePath, const Target& target,
                            const PublishOptions& options, PublishHost& host) {
    const Loaded module = load(modulePath);
    if (module.entry == nullptr) {
        FailureFacts facts(FailureKind::NoTransferModule);
        facts.path = modulePath;
        facts.reason = module.error;
        Result result;
        result.failure = facts.kind;
        result.message = failureText(facts, options.controls);
        return result;
    }
    Result result;
    module.entry(&target, &options, &host, &result);
    return result;
}

} // namespace bildertafel::publish

#include "publish/TransferModule.h"

#include <dlfcn.h>

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
    if (handle == nullptr) {
        const char* reason = dlerror();
        return {nullptr, reason != nullptr ? reason : "unbekannter Fehler"};
    }
    void* symbol = dlsym(handle, TransferEntryPoint);
    if (symbol == nullptr) {
        const char* reason = dlerror();
        std::string error = reason != nullptr ? reason : TransferEntryPoint;
        dlclose(handle);
        return {nullptr, error};
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
        Result result;
        result.failure = Failure::Other;
        result.message = "Das Modul zum Senden „" + modulePath +
                         "“ lässt sich nicht laden: " + module.error +
                         ". Es wurde nichts gesendet; bitte Bildertafel neu installieren.";
        return result;
    }
    Result result;
    module.entry(&target, &options, &host, &result);
    return result;
}

} // namespace bildertafel::publish

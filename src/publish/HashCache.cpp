#include "publish/HashCache.h"

#include "publish/FieldLines.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace bildertafel::publish {

namespace {

using namespace fieldlines;

constexpr std::string_view CacheHeader = "Bildertafel-Pruefsummen 1";

} // namespace

HashCache loadHashCache(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    HashCache cache;
    const bool whole =
        eachLine(text.str(), {CacheHeader}, true,
                 [&](std::string_view, const std::vector<std::string_view>& f) {
                     CachedHash entry;
                     const auto path = f.size() == 4 ? unescaped(f[3]) : std::nullopt;
                     if (!path || !numberOf(f[0], entry.size) || !numberOf(f[1], entry.modified)) {
                         return false;
                     }
                     entry.hash = f[2];
                     cache[*path] = std::move(entry);
                     return true;
                 });
    return whole ? cache : HashCache();
}

void saveHashCache(const std::string& file, const HashCache& cache) {
    std::string text(CacheHeader);
    text += '\n';
    for (const auto& [path, entry] : cache) {
        text += std::to_string(entry.size) + '\t' + std::to_string(entry.modified) + '\t' +
                entry.hash + '\t' + escaped(path) + '\n';
    }
    // A cache is a help only: when it cannot be written, the next run reads the files again.
    const std::string temporary = file + ".neu";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        if (!out.flush()) {
            std::remove(temporary.c_str());
            return;
        }
    }
    std::rename(temporary.c_str(), file.c_str());
}

} // namespace bildertafel::publish

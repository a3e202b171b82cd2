#include "core/AsciiText.h"
#include "core/HexCoding.h"
#include "core/SlashPath.h"

#include "publish/Connection.h"
#include "publish/CurlFailures.h"
#include "publish/S3Protocol.h"

#include <curl/curl.h>
#include <openssl/evp.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <mutex>

namespace bildertafel::publish {

namespace {

// Requests under way at once: over HTTP/2 as streams of one connection, else as connections.
constexpr std::size_t Parallel = 16;
// The bytes of the objects under way are held in memory (their SHA-256 goes before them), at
// most this many at once unless a single object is larger.
constexpr std::uint64_t MemoryLimit = std::uint64_t{64} * 1024 * 1024;
// An object larger than this goes in parts (a show's pictures lie far below it), each of
// PartSize but the last.
constexpr std::uint64_t MultipartAbove = std::uint64_t{32} * 1024 * 1024;
constexpr std::uint64_t PartSize = std::uint64_t{16} * 1024 * 1024;
// The longest wait for the network before the caller is asked whether to go on.
constexpr int PollLimit = 100; // milliseconds
// A server that asks to slow down, or fails within, gets the same request a few times more.
constexpr int Attempts = 4;

std::string sha256Hex(std::string_view bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned length = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr);
    return core::hexText(digest, length, core::HexCase::Lower);
}

// Bildertafel's own objects (the record, the lock) are never given to visitors: no public
// reading, no caching.
bool isOwnObject(std::string_view path) {
    return path.starts_with(".htbildertafel");
}

std::string withoutQuotes(std::string etag) {
    if (etag.size() >= 2 && etag.front() == '"' && etag.back() == '"') {
        etag = etag.substr(1, etag.size() - 2);
    }
    return etag;
}

// One HTTP request and what came of it.
struct Request {
    std::string method = "GET";
    std::string key; // in the bucket
    s3::Query query;
    std::vector<std::string> headers;
    std::string body;
    std::uint64_t limit = s3::ListingLimit; // bytes of the answer kept; beyond: not read on
    Step step = Step::None;
    std::string path; // below the target, for the messages
    // Statuses that are an answer, not a failure (404 for a read).
    std::vector<long> accepted;
    std::size_t index = 0; // the caller's

    // What came of it.
    long status = 0;
    std::string answer;
    std::string etag;
    CURLcode code = CURLE_OK;
    char error[CURL_ERROR_SIZE] = {};
    std::size_t at = 0; // of the body sent
    int attempt = 0;
    CURL* handle = nullptr;
    curl_slist* list = nullptr;

    bool succeeded() const {
        return code == CURLE_OK &&
               ((status >= 200 && status < 300) ||
                std::find(accepted.begin(), accepted.end(), status) != accepted.end());
    }

    static std::size_t onBody(char* data, std::size_t size, std::size_t count, void* self) {
        auto* request = static_cast<Request*>(self);
        const std::size_t bytes = size * count;
        const std::size_t room =
            request->limit + 1 -
            std::min<std::uint64_t>(request->answer.size(), request->limit + 1);
        request->answer.append(data, std::min(bytes, room));
        return bytes <= room ? bytes : 0; // beyond the limit: not read on
    }
    static std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* self) {
        auto* request = static_cast<Request*>(self);
        const std::string_view line(data, size * count);
        if (core::startsWithNoCase(line, "etag:")) {
            std::string_view value = line.substr(5);
            while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) {
                value.remove_prefix(1);
            }
            while (!value.empty() && (value.back() == '\r' || value.back() == '\n')) {
                value.remove_suffix(1);
            }
            request->etag = withoutQuotes(std::string(value.substr(0, 200)));
        }
        return size * count;
    }
    static std::size_t onSend(char* buffer, std::size_t size, std::size_t count, void* self) {
        auto* request = static_cast<Request*>(self);
        const std::size_t n = std::min(size * count, request->body.size() - request->at);
        std::copy_n(request->body.data() + request->at, n, buffer);
        request->at += n;
        return n;
    }
};

class S3Connection final : public Connection {
public:
    S3Connection(const Target& target, const PublishOptions& options, s3::Address address)
        : m_target(target), m_options(options), m_address(std::move(address)),
          m_signing("aws:amz:" +
                    (options.s3.region.empty() ? std::string("us-east-1") : options.s3.region) +
                    ":s3"),
          m_root(target.folder.empty() ? std::string() : target.folder + "/") {
        static std::once_flag initialised;
        std::call_once(initialised, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
        m_multi = curl_multi_init();
        if (m_multi == nullptr) {
            throw PublishError(FailureFacts(FailureKind::CannotStart));
        }
        curl_multi_setopt(m_multi, CURLMOPT_PIPELINING, CURLPIPE_MULTIPLEX);
        curl_multi_setopt(m_multi, CURLMOPT_MAX_HOST_CONNECTIONS, static_cast<long>(Parallel));
    }

    ~S3Connection() override {
        for (CURL* handle : m_idle) {
            curl_easy_cleanup(handle);
        }
        curl_multi_cleanup(m_multi);
    }

    S3Connection(const S3Connection&) = delete;
    S3Connection& operator=(const S3Connection&) = delete;

    bool objectStore() const override { return true; }
    // The server gives every object its own time; done() tells its ETag.
    bool keepsTimes() const override { return false; }
    std::size_t recordStepFiles() const override { return 512; }

    std::optional<std::vector<RemoteEntry>> list(const std::string& folder) override {
        const std::string prefix = m_root + (folder.empty() ? "" : folder + "/");
        std::vector<RemoteEntry> entries;
        listing(prefix, true, folder, [&](const s3::Listing& page) {
            for (const s3::Object& object : page.objects) {
                const std::string name = object.key.substr(prefix.size());
                if (core::isPlainName(name)) {
                    entries.push_back(remoteEntry(name, object));
                }
            }
            for (const std::string& common : page.prefixes) {
                const std::string name =
                    common.substr(prefix.size(), common.size() - prefix.size() - 1);
                if (core::isPlainName(name)) {
                    RemoteEntry entry;
                    entry.name = name;
                    entry.folder = true;
                    entries.push_back(std::move(entry));
                }
            }
        });
        if (entries.empty() && !folder.empty()) {
            return std::nullopt;
        }
        return entries;
    }

    // The whole prefix in one listing (a page of a thousand objects per request), whichever
    // folders are asked.
    std::map<std::string, std::optional<std::vector<RemoteEntry>>>
    listAll(const std::set<std::string>& folders) override {
        std::map<std::string, std::optional<std::vector<RemoteEntry>>> listings;
        if (folders.empty()) {
            return listings;
        }
        std::map<std::string, std::map<std::string, RemoteEntry>> found;
        found[""];
        listing(m_root, false, "", [&](const s3::Listing& page) {
            for (const s3::Object& object : page.objects) {
                addObject(found, object.key.substr(m_root.size()), object);
            }
        });
        for (const std::string& folder : folders) {
            const auto entries = found.find(folder);
            if (entries == found.end()) {
                listings[folder] = std::nullopt;
                continue;
            }
            std::vector<RemoteEntry>& into = listings[folder].emplace();
            for (const auto& [name, entry] : entries->second) {
                into.push_back(entry);
            }
        }
        return listings;
    }

    std::optional<std::string> read(const std::string& path, std::uint64_t limit) override {
        std::string stamp;
        return readStamped(path, limit, stamp);
    }

    std::optional<std::string> readStamped(const std::string& path, std::uint64_t limit,
                                           std::string& stamp) override {
        Request request = requestFor("GET", path, Step::ReadFile);
        request.accepted = {404, 416};
        request.limit = std::min<std::uint64_t>(limit, std::uint64_t{1} << 40);
        if (limit < UnlimitedRead) {
            request.headers.push_back("Range: bytes=0-" + std::to_string(limit));
        }
        runOne(request);
        if (request.status == 404) {
            return std::nullopt;
        }
        stamp = request.etag;
        return request.status == 416 ? std::string() : std::move(request.answer);
    }

    void send(const std::string& content, const std::string& temporary, const std::string& final,
              const SendProgress& progress, std::int64_t modified) override {
        (void)temporary; // an object appears whole by its one request
        (void)modified;
        Request request = putFor(final, content);
        runOne(request, progress ? [&] { return progress(request.at); } : std::function<bool()>());
    }

    bool sendIfAbsent(const std::string& content, const std::string& path) override {
        Request request = putFor(path, content);
        request.headers.emplace_back("If-None-Match: *");
        // 409: another request to make it is under way.
        request.accepted = {409, 412};
        runOne(request);
        return request.status != 409 && request.status != 412;
    }

    bool replaceIfUnchanged(const std::string& content, const std::string& path,
                            const std::string& stamp) override {
        // The server's ETag goes back to it in a header: only as the characters of one.
        if (stamp.empty() || !std::all_of(stamp.begin(), stamp.end(), [](char c) {
                return c > ' ' && c < '\x7f' && c != '"';
            })) {
            return false;
        }
        // The standard compares If-Match with the ETag in its quotes; Ceph's gateway compares it
        // without them and refuses the quoted form. Each try is a condition of its own, so the
        // second never writes over an object the first found changed.
        for (const std::string& tag : {"\"" + stamp + "\"", stamp}) {
            Request request = putFor(path, content);
            request.headers.push_back("If-Match: " + tag);
            // 404: gone meanwhile; 409: another request to write it is under way.
            request.accepted = {404, 409, 412};
            runOne(request);
            if (request.status != 404 && request.status != 409 && request.status != 412) {
                return true;
            }
            if (request.status != 412) {
                return false;
            }
        }
        return false;
    }

    void remove(const std::string& path) override {
        Request request = requestFor("DELETE", path, Step::RemoveFile);
        request.accepted = {404};
        runOne(request);
    }

    // A folder of an object store is there once an object lies below it, and gone with the last.
    bool makeFolder(const std::string& path) override {
        (void)path;
        return true;
    }
    void removeFolder(const std::string& path) override { (void)path; }

    // A copy on the server, then the old object goes.
    void rename(const std::string& from, const std::string& to) override {
        if (Connection::entryOf(to)) {
            FailureFacts facts(FailureKind::PermissionDenied);
            facts.step = Step::Rename;
            facts.path = from;
            throw PublishError(facts);
        }
        Request copy = requestFor("PUT", to, Step::Rename);
        copy.headers.push_back("x-amz-copy-source: " +
                               s3::keyInPath("/" + m_target.host + "/" + m_root + from));
        runOne(copy);
        remove(from);
    }

    void removeAll(const std::vector<std::string>& paths, const std::function<bool()>& goOn,
                   const std::function<void(std::size_t)>& done) override {
        std::deque<Request> requests;
        std::size_t next = 0;
        run(
            [&]() -> Request* {
                if (next == paths.size()) {
                    return nullptr;
                }
                Request& request =
                    requests.emplace_back(requestFor("DELETE", paths[next], Step::RemoveFile));
                request.accepted = {404};
                request.index = next++;
                return &request;
            },
            [&](Request& request) { done(request.index); }, goOn);
    }

    void sendAll(const std::vector<Upload>& uploads, UploadWatcher& watcher) override {
        std::vector<std::size_t> small;
        std::vector<std::size_t> large;
        for (std::size_t index = 0; index < uploads.size(); ++index) {
            (uploads[index].size > MultipartAbove ? large : small).push_back(index);
        }
        std::deque<Request> requests;
        std::size_t next = 0;
        std::uint64_t held = 0; // bytes of the requests under way
        std::uint64_t sent = 0; // of the uploads complete
        std::size_t underWay = 0;
        const auto goOn = [&] {
            std::uint64_t now = sent;
            for (const Request& request : requests) {
                now += request.handle != nullptr ? request.at : 0;
            }
            return watcher.progress(now);
        };
        run(
            [&]() -> Request* {
                if (next == small.size() ||
                    (underWay > 0 && held + uploads[small[next]].size > MemoryLimit)) {
                    return nullptr;
                }
                const std::size_t index = small[next++];
                Request& request = requests.emplace_back(
                    putFor(uploads[index].final, everything(*watcher.source(index))));
                request.index = index;
                held += request.body.size();
                ++underWay;
                return &request;
            },
            [&](Request& request) {
                held -= request.body.size();
                sent += request.body.size();
                --underWay;
                request.body.clear();
                request.body.shrink_to_fit();
                watcher.done(request.index, request.etag);
            },
            goOn);
        for (const std::size_t index : large) {
            const std::string etag =
                sendInParts(uploads[index], *watcher.source(index), [&](std::uint64_t partSent) {
                    return watcher.progress(sent + partSent);
                });
            sent += uploads[index].size;
            watcher.done(index, etag);
        }
    }

private:
    // Every byte of a source, which has said at its end that they are the ones planned.
    static std::string everything(UploadSource& source) {
        std::string bytes = piece(source, source.size());
        for (std::string more; !(more = piece(source, std::uint64_t{64} * 1024)).empty();) {
            bytes += more;
        }
        return bytes;
    }

    // The bytes of source up to length; fewer only at its end.
    static std::string piece(UploadSource& source, std::uint64_t length) {
        std::string bytes(static_cast<std::size_t>(length), '\0');
        std::size_t got = 0;
        while (got < bytes.size()) {
            const std::size_t n = source.read(bytes.data() + got, bytes.size() - got);
            if (n == 0) {
                break;
            }
            got += n;
        }
        bytes.resize(got);
        return bytes;
    }

    std::string sendInParts(const Upload& upload, UploadSource& source,
                            const std::function<bool(std::uint64_t)>& progress) {
        Request start = putFor(upload.final, "");
        start.method = "POST";
        start.query = {{"uploads", ""}}; // the object's type and caching go with the start
        runOne(start);
        const std::optional<std::string> id = s3::uploadIdOf(start.answer);
        if (!id) {
            throw violation("InitiateMultipartUpload");
        }
        try {
            std::vector<std::string> etags;
            std::uint64_t done = 0;
            for (;;) {
                std::string bytes = piece(source, PartSize);
                if (bytes.empty() && !etags.empty()) {
                    break; // the source said at its end that all was as planned
                }
                Request part = requestFor("PUT", upload.final, Step::WriteFile);
                part.query = {{"partNumber", std::to_string(etags.size() + 1)}, {"uploadId", *id}};
                part.body = std::move(bytes);
                runOne(part, [&] { return progress(done + part.at); });
                done += part.body.size();
                etags.push_back("\"" + part.etag + "\"");
                if (part.body.size() < PartSize) {
                    if (piece(source, 1).empty()) {
                        break;
                    }
                    throw changedSincePlan(upload.final);
                }
            }
            Request complete = requestFor("POST", upload.final, Step::WriteFile);
            complete.query = {{"uploadId", *id}};
            complete.body = s3::completionBody(etags);
            complete.headers.emplace_back("Content-Type: application/xml");
            runOne(complete);
            // The answer is 200 even where completing failed: the body tells.
            if (const s3::ErrorReply error = s3::parseErrorReply(complete.answer);
                !error.code.empty()) {
                complete.status = 500;
                throw failureOf(complete);
            }
            return complete.etag;
        } catch (const PublishError&) {
            try {
                Request abort = requestFor("DELETE", upload.final, Step::RemoveFile);
                abort.query = {{"uploadId", *id}};
                abort.accepted = {404};
                runOne(abort);
            } catch (const PublishError&) {
                // The server drops unfinished parts by its own rules.
            }
            throw;
        }
    }

    RemoteEntry remoteEntry(const std::string& name, const s3::Object& object) const {
        RemoteEntry entry;
        entry.name = name;
        entry.size = object.size;
        entry.stamp = withoutQuotes(object.etag);
        entry.modified = object.modified;
        return entry;
    }

    // An object of the recursive listing into its folder's entries, and each folder on its way
    // into its parent's; a key that is no path of plain names is left out.
    void addObject(std::map<std::string, std::map<std::string, RemoteEntry>>& found,
                   const std::string& path, const s3::Object& object) const {
        std::vector<std::string> parts;
        for (std::size_t start = 0;;) {
            const std::size_t slash = path.find('/', start);
            parts.push_back(path.substr(start, slash - start));
            if (!core::isPlainName(parts.back())) {
                return;
            }
            if (slash == std::string::npos) {
                break;
            }
            start = slash + 1;
        }
        std::string folder;
        for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
            RemoteEntry entry;
            entry.name = parts[i];
            entry.folder = true;
            found[folder].emplace(parts[i], entry);
            folder = folder.empty() ? parts[i] : folder + "/" + parts[i];
        }
        found[folder].insert_or_assign(parts.back(), remoteEntry(parts.back(), object));
    }

    // Every page of the listing of prefix, by folder (with "/" as delimiter) or all below it.
    void listing(const std::string& prefix, bool byFolder, const std::string& folder,
                 const std::function<void(const s3::Listing&)>& page) {
        std::string token;
        for (;;) {
            Request request = requestFor("GET", "", Step::ListFolder);
            request.path = folder;
            request.query = {{"list-type", "2"}, {"prefix", prefix}, {"max-keys", "1000"}};
            if (byFolder) {
                request.query.emplace_back("delimiter", "/");
            }
            if (!token.empty()) {
                request.query.emplace_back("continuation-token", token);
            }
            runOne(request);
            const std::optional<s3::Listing> listed = s3::parseListing(request.answer, prefix);
            if (!listed) {
                throw violation("ListObjectsV2");
            }
            page(*listed);
            if (!listed->truncated) {
                return;
            }
            if (listed->next == token) {
                throw violation("ListObjectsV2");
            }
            token = listed->next;
        }
    }

    Request requestFor(std::string method, const std::string& path, Step step) const {
        Request request;
        request.method = std::move(method);
        request.key = path.empty() ? std::string() : m_root + path;
        request.step = step;
        request.path = path;
        return request;
    }

    // The upload of an object with its type and caching, public where the options ask, never
    // so for Bildertafel's own.
    Request putFor(const std::string& path, std::string body) const {
        Request request = requestFor("PUT", path, Step::WriteFile);
        request.body = std::move(body);
        if (isOwnObject(path)) {
            request.headers.emplace_back("Content-Type: text/plain; charset=utf-8");
            request.headers.emplace_back("Cache-Control: no-store");
            return request;
        }
        request.headers.push_back("Content-Type: " + s3::contentTypeOf(path, request.body));
        request.headers.push_back("Cache-Control: " + s3::cacheControlOf(path));
        if (m_options.s3.publicRead) {
            request.headers.emplace_back("x-amz-acl: public-read");
        }
        return request;
    }

    CURL* handleFor(Request& request) {
        CURL* handle = nullptr;
        if (!m_idle.empty()) {
            handle = m_idle.back();
            m_idle.pop_back();
            curl_easy_reset(handle);
        } else {
            handle = curl_easy_init();
        }
        if (handle == nullptr) {
            throw PublishError(FailureFacts(FailureKind::CannotStart));
        }
        request.handle = handle;
        request.status = 0;
        request.answer.clear();
        request.etag.clear();
        request.at = 0;
        request.error[0] = '\0';
        std::string url = m_address.base + "/" + s3::keyInPath(request.key);
        if (!request.query.empty()) {
            url += "?" + s3::canonicalQuery(request.query);
        }
        curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
        curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, request.error);
        curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, 20L);
        const long silence = std::max<long>(
            1,
            static_cast<long>(
                std::chrono::duration_cast<std::chrono::seconds>(m_options.silenceLimit).count()));
        curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, silence);
        curl_easy_setopt(handle, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_2TLS));
        curl_easy_setopt(handle, CURLOPT_PIPEWAIT, 1L);
        curl_easy_setopt(handle, CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2));
        if (!m_options.caFile.empty()) {
            curl_easy_setopt(handle, CURLOPT_CAINFO, m_options.caFile.c_str());
        }
        curl_easy_setopt(handle, CURLOPT_AWS_SIGV4, m_signing.c_str());
        curl_easy_setopt(handle, CURLOPT_USERNAME, m_options.s3.accessKey.c_str());
        curl_easy_setopt(handle, CURLOPT_PASSWORD, m_options.s3.secretKey.c_str());
        curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, Request::onBody);
        curl_easy_setopt(handle, CURLOPT_WRITEDATA, &request);
        curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, Request::onHeader);
        curl_easy_setopt(handle, CURLOPT_HEADERDATA, &request);
        curl_easy_setopt(handle, CURLOPT_PRIVATE, &request);
        // libcurl signs the headers given here as they are sent; the payload's hash it takes
        // from x-amz-content-sha256, which it does not compute for a body it reads.
        curl_slist_free_all(request.list);
        request.list = nullptr;
        std::vector<std::string> headers = request.headers;
        headers.push_back("x-amz-content-sha256: " + sha256Hex(request.body));
        if (!m_options.s3.sessionToken.empty()) {
            headers.push_back("x-amz-security-token: " + m_options.s3.sessionToken);
        }
        const bool sends = request.method == "PUT" || request.method == "POST";
        if (sends && request.body.empty()) {
            headers.emplace_back("Content-Length: 0");
        }
        for (const std::string& header : headers) {
            request.list = curl_slist_append(request.list, header.c_str());
        }
        curl_easy_setopt(handle, CURLOPT_HTTPHEADER, request.list);
        if (request.method == "PUT") {
            curl_easy_setopt(handle, CURLOPT_UPLOAD, 1L);
            curl_easy_setopt(handle, CURLOPT_READFUNCTION, Request::onSend);
            curl_easy_setopt(handle, CURLOPT_READDATA, &request);
            curl_easy_setopt(handle, CURLOPT_INFILESIZE_LARGE,
                             static_cast<curl_off_t>(request.body.size()));
            // No wait for "100 Continue": the server's refusal comes all the same.
            curl_easy_setopt(handle, CURLOPT_EXPECT_100_TIMEOUT_MS, 0L);
        } else if (request.method == "POST") {
            curl_easy_setopt(handle, CURLOPT_POST, 1L);
            curl_easy_setopt(handle, CURLOPT_POSTFIELDS, request.body.data());
            curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE,
                             static_cast<curl_off_t>(request.body.size()));
        } else if (request.method == "HEAD") {
            curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
        } else if (request.method != "GET") {
            curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, request.method.c_str());
        }
        return handle;
    }

    void start(Request& request) {
        CURL* handle = handleFor(request);
        if (curl_multi_add_handle(m_multi, handle) != CURLM_OK) {
            request.handle = nullptr;
            m_idle.push_back(handle);
            throw PublishError(FailureFacts(FailureKind::CannotStart));
        }
    }

    void end(Request& request) {
        if (request.handle == nullptr) {
            return;
        }
        curl_multi_remove_handle(m_multi, request.handle);
        m_idle.push_back(request.handle);
        request.handle = nullptr;
        curl_slist_free_all(request.list);
        request.list = nullptr;
    }

    // A request that failed in a way worth another try: the server asked to slow down or had
    // an inner failure.
    static bool worthAgain(const Request& request) {
        return request.code == CURLE_OK && (request.status == 500 || request.status == 503) &&
               request.attempt + 1 < Attempts;
    }

    // Runs what next() gives, up to Parallel at once, until it gives nothing more and nothing is
    // under way; finished() hears of each that succeeded. goOn() is asked while waiting
    // (Cancelled when it says no). At the first failure nothing more starts, what is under way
    // is broken off (an object half sent never appears), and the failure is thrown.
    void run(const std::function<Request*()>& next, const std::function<void(Request&)>& finished,
             const std::function<bool()>& goOn) {
        std::vector<Request*> underWay;
        try {
            for (;;) {
                while (underWay.size() < Parallel) {
                    Request* request = next();
                    if (request == nullptr) {
                        break;
                    }
                    start(*request);
                    underWay.push_back(request);
                }
                if (underWay.empty()) {
                    return;
                }
                int running = 0;
                curl_multi_perform(m_multi, &running);
                int left = 0;
                while (CURLMsg* message = curl_multi_info_read(m_multi, &left)) {
                    if (message->msg != CURLMSG_DONE) {
                        continue;
                    }
                    Request* request = nullptr;
                    curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &request);
                    request->code = message->data.result;
                    curl_easy_getinfo(message->easy_handle, CURLINFO_RESPONSE_CODE,
                                      &request->status);
                    end(*request);
                    std::erase(underWay, request);
                    if (worthAgain(*request)) {
                        ++request->attempt;
                        start(*request);
                        underWay.push_back(request);
                        continue;
                    }
                    if (!request->succeeded()) {
                        throw failureOf(*request);
                    }
                    m_connected = true;
                    finished(*request);
                }
                if (goOn && !goOn()) {
                    throw cancelled();
                }
                curl_multi_poll(m_multi, nullptr, 0, PollLimit, nullptr);
            }
        } catch (...) {
            for (Request* request : underWay) {
                end(*request);
            }
            throw;
        }
    }

    void runOne(Request& request, const std::function<bool()>& goOn = {}) {
        bool given = false;
        run(
            [&]() -> Request* {
                if (given) {
                    return nullptr;
                }
                given = true;
                return &request;
            },
            [](Request&) {}, goOn);
    }

    PublishError violation(const char* what) const {
        FailureFacts facts(FailureKind::S3Answer);
        facts.host = m_address.host;
        facts.reason = what;
        return PublishError(facts);
    }

    PublishError failureOf(const Request& request) const {
        FailureFacts facts;
        facts.step = request.step;
        facts.path = request.path;
        facts.host = m_address.host;
        facts.port = m_address.port;
        if (request.code != CURLE_OK) {
            facts.reason =
                request.error[0] != '\0' ? request.error : curl_easy_strerror(request.code);
            facts.kind = kindOf(request.code);
            if (facts.kind == FailureKind::Silent) {
                return silentServer(m_options.silenceLimit);
            }
            return PublishError(facts);
        }
        const s3::ErrorReply reply = s3::parseErrorReply(request.answer);
        facts.status = static_cast<std::uint32_t>(request.status);
        facts.reason = reply.code.empty()
                           ? "HTTP " + std::to_string(request.status)
                           : reply.code + (reply.message.empty() ? "" : ": " + reply.message);
        facts.kind = kindOf(reply.code, request.status);
        if (facts.kind == FailureKind::S3NoBucket) {
            facts.path = m_target.host;
        }
        return PublishError(facts);
    }

    FailureKind kindOf(CURLcode code) const {
        if (const std::optional<FailureKind> kind = curlFailure(code, m_connected)) {
            return *kind;
        }
        if (code == CURLE_OPERATION_TIMEDOUT) {
            return FailureKind::Silent;
        }
        return m_connected ? FailureKind::ConnectionLost : FailureKind::NoConnection;
    }

    static FailureKind kindOf(const std::string& code, long status) {
        if (code == "SignatureDoesNotMatch") {
            return FailureKind::S3WrongSecret;
        }
        if (code == "InvalidAccessKeyId") {
            return FailureKind::S3UnknownKey;
        }
        if (code == "NoSuchBucket") {
            return FailureKind::S3NoBucket;
        }
        if (code == "RequestTimeTooSkewed") {
            return FailureKind::S3ClockSkew;
        }
        if (code == "QuotaExceeded") {
            return FailureKind::DiskFull;
        }
        return status == 403 ? FailureKind::PermissionDenied : FailureKind::S3Status;
    }

    Target m_target;
    PublishOptions m_options;
    s3::Address m_address;
    std::string m_signing; // libcurl's "aws:amz:REGION:s3"
    std::string m_root;    // the prefix of every key, "" or ending in "/"
    CURLM* m_multi = nullptr;
    std::vector<CURL*> m_idle;
    bool m_connected = false; // an answer has come
};

} // namespace

std::unique_ptr<Connection> connectS3(const Target& target, const PublishOptions& options) {
    if (options.s3.accessKey.empty() || options.s3.secretKey.empty()) {
        throw PublishError(FailureFacts(FailureKind::S3NoCredentials));
    }
    std::string error;
    std::optional<s3::Address> address = s3::addressOf(options.s3, target.host, error);
    if (!address) {
        FailureFacts facts(FailureKind::S3Endpoint);
        facts.host = options.s3.endpoint;
        facts.reason = error;
        throw PublishError(facts);
    }
    return std::make_unique<S3Connection>(target, options, std::move(*address));
}

} // namespace bildertafel::publish

#include "publish/OutsideCheck.h"

#include <curl/curl.h>

#include <algorithm>
#include <memory>

namespace bildertafel::publish {

namespace {

struct EasyCloser {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};

// No body is wanted: the first bytes of one end the transfer (the status is known by then).
std::size_t refuseBody(char*, std::size_t, std::size_t, void*) {
    return 0;
}

// The charset of a Content-Type ("text/html; charset=UTF-8"), without quotes; empty: none.
std::string charsetOf(const char* contentType) {
    if (contentType == nullptr) {
        return {};
    }
    std::string type(contentType);
    std::string lower = type;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const std::size_t at = lower.find("charset=");
    if (at == std::string::npos) {
        return {};
    }
    std::string charset = type.substr(at + 8);
    charset = charset.substr(0, charset.find_first_of("; \t"));
    std::erase(charset, '"');
    return charset.substr(0, 40);
}

} // namespace

CheckResult checkFromOutside(const CheckRequest& request) {
    const auto started = std::chrono::steady_clock::now();
    std::vector<CheckAnswer> answers = checkPlan(request);
    const std::unique_ptr<CURL, EasyCloser> handle(curl_easy_init());
    for (CheckAnswer& answer : answers) {
        if (!handle) {
            answer.error = "libcurl";
            break;
        }
        const auto left = request.budget - std::chrono::duration_cast<std::chrono::milliseconds>(
                                               std::chrono::steady_clock::now() - started);
        if (left <= std::chrono::milliseconds(0)) {
            answer.error = "Zeit abgelaufen";
            break;
        }
        CURL* easy = handle.get();
        curl_easy_reset(easy);
        const std::string address = checkAddress(request.webAddress, answer.path);
        curl_easy_setopt(easy, CURLOPT_URL, address.c_str());
        curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(easy, CURLOPT_PROXY, ""); // straight to the server, as a visitor
        curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, static_cast<long>(left.count()));
        curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS,
                         static_cast<long>(std::min<std::int64_t>(left.count(), 5000)));
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, refuseBody);
        curl_easy_setopt(easy, CURLOPT_USERAGENT, "Bildertafel-Pruefung");
        if (answer.withPassword) {
            // Never followed: the password goes to this address only.
            curl_easy_setopt(easy, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC));
            curl_easy_setopt(easy, CURLOPT_USERNAME, request.user.c_str());
            curl_easy_setopt(easy, CURLOPT_PASSWORD, request.password.c_str());
        } else {
            curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
            curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 3L);
            curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
        }
        char error[CURL_ERROR_SIZE] = {};
        curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, error);
        const CURLcode code = curl_easy_perform(easy);
        long status = 0;
        curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
        if (code != CURLE_OK && code != CURLE_WRITE_ERROR) {
            status = 0;
        }
        answer.status = status;
        if (status == 0) {
            answer.error = error[0] != '\0' ? error : curl_easy_strerror(code);
            break;
        }
        const char* type = nullptr;
        curl_easy_getinfo(easy, CURLINFO_CONTENT_TYPE, &type);
        answer.charset = charsetOf(type);
    }
    // The password is not kept in the library's memory of the handle.
    if (handle) {
        curl_easy_reset(handle.get());
    }
    const auto asked = std::find_if(answers.begin(), answers.end(),
                                    [](const CheckAnswer& answer) { return answer.status == 0; });
    if (asked != answers.end()) {
        answers.erase(asked + 1, answers.end());
    }
    CheckResult result = judgeCheck(request, answers);
    result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return result;
}

} // namespace bildertafel::publish

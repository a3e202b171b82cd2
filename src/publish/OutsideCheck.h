#pragma once

#include "publish/Publisher.h"

#include <chrono>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

// After a publish: the show fetched over HTTP(S) as a visitor fetches it, and the answers judged.
// Whatever the server answers is untrusted: only the status and the Content-Type's character set
// are looked at, and at most a few bytes of a body are taken.
namespace bildertafel::publish {

struct CheckRequest {
    std::string webAddress; // the target folder's, http:// or https://
    std::string startPage;  // below the folder
    // Files below the folder a visitor reaches: a preview, a picture, a large picture.
    std::vector<std::string> samples;
    bool protect = false;
    std::string user;
    std::string password; // in memory only
    // The end date has passed (by the day of this computer): 403 is the answer to expect.
    bool expired = false;
    // The pages hold bytes beyond ASCII, which a wrong character set garbles.
    bool pagesNonAscii = false;
    // The whole check; each request gets what is left of it.
    std::chrono::milliseconds budget = std::chrono::seconds(10);
};

// One answer to one request.
struct CheckAnswer {
    std::string path; // below the folder
    bool withPassword = false;
    long status = 0;     // 0: no answer (error says why)
    std::string charset; // of the Content-Type, as the server gave it; empty: none
    std::string error;   // the library's words, when no answer came
};

// What to fetch after publishing set with options; today: this computer's local date.
CheckRequest checkRequestFor(const PublishSet& set, const PublishOptions& options);
// The requests to make, in order (path and whether with the password).
std::vector<CheckAnswer> checkPlan(const CheckRequest& request);
// The German verdict on the answers to checkPlan(request).
CheckResult judgeCheck(const CheckRequest& request, const std::vector<CheckAnswer>& answers);
// The address of path below the folder, every name percent-encoded.
std::string checkAddress(const std::string& webAddress, const std::string& path);

// Fetches checkPlan(request) (libcurl: certificates verified, no proxy, redirects only without
// the password and only to http(s), no body taken) and judges it.
CheckResult checkFromOutside(const CheckRequest& request);

} // namespace bildertafel::publish

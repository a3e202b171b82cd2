#include "core/HexCoding.h"
#include "publish/OutsideCheck.h"
#include "publish/PublishTexts.h"
#include "publish/ServerRecord.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <set>

namespace bildertafel::publish {

namespace {

bool isPageName(const std::string& path) {
    return path.ends_with(".html") || path.ends_with(".htm");
}

// True when a page of the set holds a byte beyond ASCII; each page read up to a limit.
bool pagesHoldNonAscii(const PublishSet& set) {
    constexpr std::streamsize Limit = std::streamsize{4} * 1024 * 1024;
    for (const LocalFile& file : set.files) {
        if (file.kind == FileKind::Picture) {
            continue;
        }
        std::ifstream in(file.source, std::ios::binary);
        std::string bytes(static_cast<std::size_t>(Limit), '\0');
        in.read(bytes.data(), Limit);
        bytes.resize(static_cast<std::size_t>(in.gcount()));
        if (std::any_of(bytes.begin(), bytes.end(),
                        [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) {
            return true;
        }
    }
    return false;
}

bool isWindows1252(std::string charset) {
    std::transform(charset.begin(), charset.end(), charset.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return charset == "windows-1252" || charset == "cp1252";
}

} // namespace

CheckRequest checkRequestFor(const PublishSet& set, const PublishOptions& options) {
    const ShowAccess& access = options.access;
    CheckRequest request;
    request.webAddress = access.webAddress;
    request.startPage = options.startPage;
    request.protect = access.protect;
    request.user = access.user;
    request.password = access.password;
    // One file of each of the first three folders that hold pictures: the previews, the
    // pictures and the large pictures of a show as Bildertafel makes it.
    std::set<std::string> folders;
    for (const LocalFile& file : set.files) {
        if (file.kind != FileKind::Picture || isPageName(file.path)) {
            continue;
        }
        const std::string folder = file.path.substr(0, file.path.rfind('/') + 1);
        if (folders.size() < 3 && folders.insert(folder).second) {
            request.samples.push_back(file.path);
        }
    }
    if (access.visibleUntil) {
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        const Day today{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
        request.expired = dayText(*access.visibleUntil) < dayText(today);
    }
    request.pagesNonAscii = pagesHoldNonAscii(set);
    return request;
}

std::vector<CheckAnswer> checkPlan(const CheckRequest& request) {
    std::vector<CheckAnswer> plan;
    const auto ask = [&](const std::string& path, bool withPassword) {
        CheckAnswer answer;
        answer.path = path;
        answer.withPassword = withPassword;
        plan.push_back(std::move(answer));
    };
    std::vector<std::string> paths{request.startPage};
    paths.insert(paths.end(), request.samples.begin(), request.samples.end());
    for (const std::string& path : paths) {
        ask(path, false);
    }
    if (request.protect) {
        for (const std::string& path : paths) {
            if (!request.password.empty()) {
                ask(path, true);
            }
        }
        ask(std::string(PasswordFileName), false);
        ask(std::string(RecordName), false);
    }
    return plan;
}

std::string checkAddress(const std::string& webAddress, const std::string& path) {
    std::string address = webAddress;
    if (!address.ends_with('/')) {
        address += '/';
    }
    return address + core::addressEncoded(path, "/");
}

CheckResult judgeCheck(const CheckRequest& request, const std::vector<CheckAnswer>& answers) {
    CheckResult result;
    result.done = true;
    const auto fail = [&](CheckFinding finding, const CheckAnswer& answer) {
        result.failed = true;
        result.line = checkLine(finding, checkAddress(request.webAddress, answer.path),
                                answer.status, answer.error);
        return result;
    };
    for (const CheckAnswer& answer : answers) {
        if (answer.status == 0) {
            return fail(CheckFinding::Unreachable, answer);
        }
    }
    const auto isStart = [&](const CheckAnswer& answer) {
        return answer.path == request.startPage;
    };
    const auto isHidden = [](const CheckAnswer& answer) {
        return answer.path == PasswordFileName || answer.path == RecordName;
    };
    // What must never be: the show or its hidden files open to everybody.
    for (const CheckAnswer& answer : answers) {
        if (answer.status != 200 || answer.withPassword) {
            continue;
        }
        if (answer.path == PasswordFileName) {
            return fail(CheckFinding::PasswordFileReadable, answer);
        }
        if (answer.path == RecordName) {
            return fail(CheckFinding::RecordReadable, answer);
        }
        if (request.expired) {
            return fail(CheckFinding::VisibleAfterEnd, answer);
        }
        if (request.protect) {
            return fail(CheckFinding::OpenWithoutPassword, answer);
        }
    }
    for (const CheckAnswer& answer : answers) {
        if (answer.status == 500) {
            return fail(request.protect ? CheckFinding::PasswordFileNotFound
                                        : CheckFinding::ServerError,
                        answer);
        }
    }
    // What a visitor who may see the show gets (without the password at hand: nothing).
    const bool withPassword = request.protect;
    const bool login = !request.protect || !request.password.empty();
    const CheckAnswer* start = nullptr;
    for (const CheckAnswer& answer : answers) {
        if (answer.withPassword != withPassword || isHidden(answer)) {
            if (!login && isStart(answer)) {
                start = &answer;
            }
            continue;
        }
        if (isStart(answer)) {
            start = &answer;
        }
        if (request.expired) {
            if (answer.status != 403 && answer.status != 410) {
                return fail(CheckFinding::UnexpectedStatus, answer);
            }
            continue;
        }
        if (answer.status == 404 && isStart(answer)) {
            return fail(CheckFinding::StartPageMissing, answer);
        }
        if (answer.status == 401 && withPassword) {
            return fail(CheckFinding::PasswordRefused, answer);
        }
        if (answer.status != 200) {
            return fail(CheckFinding::UnexpectedStatus, answer);
        }
    }
    // Without the password a private show answers 401 (403 once its end has passed).
    for (const CheckAnswer& answer : answers) {
        if (request.protect && !answer.withPassword && !isHidden(answer) && answer.status != 401 &&
            !(request.expired && answer.status == 403)) {
            return fail(CheckFinding::UnexpectedStatus, answer);
        }
    }
    if (start == nullptr) {
        return result;
    }
    const std::string address = checkAddress(request.webAddress, start->path);
    result.line = checkLine(request.expired   ? CheckFinding::Ended
                            : !login          ? CheckFinding::ProtectedWithoutLogin
                            : request.protect ? CheckFinding::Protected
                                              : CheckFinding::Online,
                            address, start->status, {});
    if (!request.expired && request.pagesNonAscii && !start->charset.empty() &&
        !isWindows1252(start->charset)) {
        result.warnings.push_back(charsetWarning(address, start->charset));
    }
    return result;
}

} // namespace bildertafel::publish

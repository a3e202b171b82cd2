#pragma once

#include "publish/FailureFacts.h"

#include <curl/curl.h>

#include <optional>

namespace bildertafel::publish {

// What a code of libcurl tells of a failure alike over FTPS and S3: the server's name unknown,
// the server not reached at all, its certificate, "Abbrechen". connected: the server answered
// before. Nothing where only the protocol's own answer tells more.
inline std::optional<FailureKind> curlFailure(CURLcode code, bool connected) {
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
        return FailureKind::HostUnknown;
    case CURLE_COULDNT_CONNECT:
    case CURLE_OPERATION_TIMEDOUT:
        if (!connected) {
            return FailureKind::NoRoute;
        }
        break;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_ISSUER_ERROR:
        return FailureKind::Certificate;
    case CURLE_ABORTED_BY_CALLBACK:
        return FailureKind::Cancelled;
    default:
        break;
    }
    return std::nullopt;
}

} // namespace bildertafel::publish

#include "publish/SftpParts.h"

#include <libssh/sftp.h>

#include <algorithm>

namespace bildertafel::publish {

namespace {

// Status codes of later protocol versions that some servers send anyway.
constexpr std::uint32_t NoSpaceOnFilesystem = 14;
constexpr std::uint32_t QuotaExceeded = 15;

// The server refused without a reason. OpenSSH's server says no more for a full disk than for a
// folder standing where the file should go or a rename onto a folder; only the free space of the
// file's folder tells them apart, asked only now that something failed.
FailureKind kindOfBareRefusal(SftpRequests& requests, const SftpPlace& place,
                              const SftpRefused& refused) {
    if (!requests.freeSpaceTold()) {
        return FailureKind::RefusedWithoutWhy;
    }
    const std::size_t slash = refused.path.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : refused.path.substr(0, slash);
    const SftpRequests::Reply reply =
        requests.await({requests.freeSpace(place.remote(folder))}).front();
    if (reply.status != SSH_FX_OK || !reply.space) {
        return FailureKind::RefusedWithoutWhy;
    }
    const SftpRequests::Space& space = *reply.space;
    const bool full =
        space.blocksAvailable * space.blockSize < std::max<std::uint64_t>(refused.bytes, 1) ||
        (space.files != 0 && space.filesAvailable == 0);
    return full ? FailureKind::DiskFull : FailureKind::RefusedSpaceLeft;
}

} // namespace

PublishError failureOfRefusal(SftpRequests& requests, const SftpPlace& place,
                              const SftpRefused& refused) {
    FailureFacts facts;
    facts.step = refused.step;
    facts.path = refused.path;
    facts.status = refused.status;
    switch (refused.status) {
    case SSH_FX_CONNECTION_LOST:
    case SSH_FX_NO_CONNECTION:
        facts.kind = FailureKind::ConnectionLost;
        break;
    case SSH_FX_PERMISSION_DENIED:
    case SSH_FX_WRITE_PROTECT:
        facts.kind = FailureKind::PermissionDenied;
        break;
    case NoSpaceOnFilesystem:
    case QuotaExceeded:
        facts.kind = FailureKind::DiskFull;
        break;
    case SSH_FX_FAILURE:
        facts.kind = kindOfBareRefusal(requests, place, refused);
        break;
    default:
        facts.kind = FailureKind::ServerStatus;
        break;
    }
    return PublishError(facts);
}

} // namespace bildertafel::publish

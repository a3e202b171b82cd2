#include "publish/SftpParts.h"

#include "core/SlashPath.h"

#include "publish/SftpStatusCodes.h"

#include <algorithm>

namespace bildertafel::publish {

namespace {

// The server refused without a reason. OpenSSH's server says no more for a full disk than for a
// folder standing where the file should go or a rename onto a folder; only the free space of the
// file's folder tells them apart, asked only now that something failed.
FailureKind kindOfBareRefusal(SftpRequests& requests, const SftpPlace& place,
                              const SftpRefused& refused) {
    if (!requests.freeSpaceTold()) {
        return FailureKind::RefusedWithoutWhy;
    }
    const std::string folder = core::folderOf(refused.path);
    const SftpRequests::Reply reply =
        requests.await({requests.freeSpace(place.remote(folder))}).front();
    if (reply.status != sftp::Ok || !reply.space) {
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
    case sftp::ConnectionLost:
    case sftp::NoConnection:
        facts.kind = FailureKind::ConnectionLost;
        break;
    case sftp::PermissionDenied:
    case sftp::WriteProtect:
        facts.kind = FailureKind::PermissionDenied;
        break;
    case sftp::NoSpaceOnFilesystem:
    case sftp::QuotaExceeded:
        facts.kind = FailureKind::DiskFull;
        break;
    case sftp::GenericFailure:
        facts.kind = kindOfBareRefusal(requests, place, refused);
        break;
    default:
        facts.kind = FailureKind::ServerStatus;
        break;
    }
    return PublishError(facts);
}

} // namespace bildertafel::publish

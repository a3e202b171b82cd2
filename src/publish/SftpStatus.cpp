#include "publish/SftpParts.h"

#include "core/SlashPath.h"

#include "publish/SftpStatusCodes.h"

#include <algorithm>

namespace bildertafel::publish {

namespace {

// The free space of the refused path's folder: as it was at the refusal where that was asked,
// else now.
std::optional<SftpRequests::Space> spaceAt(SftpRequests& requests, const SftpPlace& place,
                                           const SftpRefused& refused) {
    if (refused.space || !requests.freeSpaceTold()) {
        return refused.space;
    }
    const std::string folder = core::folderOf(refused.path);
    const SftpRequests::Reply reply =
        requests.await({requests.freeSpace(place.remote(folder))}).front();
    return reply.status == sftp::Ok ? reply.space : std::nullopt;
}

// The server refused without a reason. OpenSSH's server says no more for a full disk than for a
// folder standing where the file should go or a rename onto a folder; only the free space of the
// file's folder tells them apart, asked only once something failed.
FailureKind kindOfBareRefusal(SftpRequests& requests, const SftpPlace& place,
                              const SftpRefused& refused) {
    const std::optional<SftpRequests::Space> told = spaceAt(requests, place, refused);
    if (!told) {
        return FailureKind::RefusedWithoutWhy;
    }
    const SftpRequests::Space& space = *told;
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

#include "publish/SftpFields.h"
#include "publish/SftpStatusCodes.h"

#include <libssh/sftp.h>

#include <sys/stat.h>

namespace bildertafel::publish {

namespace {

// The attributes of a name (protocol version 3).
void readAttributes(Fields& fields, RemoteEntry& entry) {
    const std::uint32_t flags = fields.u32();
    if ((flags & SSH_FILEXFER_ATTR_SIZE) != 0) {
        entry.size = fields.u64();
    }
    if ((flags & SSH_FILEXFER_ATTR_UIDGID) != 0) {
        fields.u32();
        fields.u32();
    }
    if ((flags & SSH_FILEXFER_ATTR_PERMISSIONS) != 0) {
        const std::uint32_t mode = fields.u32();
        entry.folder = S_ISDIR(mode);
        entry.link = S_ISLNK(mode);
    }
    std::uint32_t modified = 0;
    if ((flags & SSH_FILEXFER_ATTR_ACMODTIME) != 0) {
        fields.u32(); // last access
        modified = fields.u32();
        entry.modified = modified;
    }
    entry.stamp = std::to_string(modified);
    if ((flags & SSH_FILEXFER_ATTR_EXTENDED) != 0) {
        const std::uint32_t count = fields.u32();
        for (std::uint32_t i = 0; i < count && fields.complete(); ++i) {
            fields.string();
            fields.string();
        }
    }
}

// One name of a folder read with its attributes.
RemoteEntry entryOf(Fields& fields) {
    RemoteEntry entry;
    entry.name = fields.string();
    fields.string(); // the long form, as "ls -l" shows it
    readAttributes(fields, entry);
    return entry;
}

// The reply of statvfs@openssh.com: eleven numbers.
std::optional<SftpRequests::Space> spaceOf(Fields& fields) {
    if (fields.left() != std::size_t{11} * 8) {
        return std::nullopt;
    }
    const std::uint64_t blockSize = fields.u64();
    const std::uint64_t fragmentSize = fields.u64();
    SftpRequests::Space space;
    space.blockSize = fragmentSize != 0 ? fragmentSize : blockSize;
    fields.u64(); // blocks
    fields.u64(); // free blocks
    space.blocksAvailable = fields.u64();
    space.files = fields.u64();
    fields.u64(); // free inodes
    space.filesAvailable = fields.u64();
    fields.u64(); // the file system's id
    fields.u64(); // its flags
    fields.u64(); // the longest name
    return space;
}

} // namespace

void readReply(std::uint8_t type, Fields& fields, SftpRequests::Reply& reply) {
    if (type == SSH_FXP_STATUS) {
        reply.status = fields.u32();
    } else if (type == SSH_FXP_HANDLE) {
        reply.handle = fields.string();
        reply.status = reply.handle.empty() ? sftp::BadMessage : sftp::Ok;
    } else if (type == SSH_FXP_DATA) {
        reply.data = fields.string();
    } else if (type == SSH_FXP_NAME) {
        const std::uint32_t count = fields.u32();
        for (std::uint32_t i = 0; i < count && fields.complete(); ++i) {
            RemoteEntry entry = entryOf(fields);
            if (entry.name != "." && entry.name != "..") {
                reply.entries.push_back(std::move(entry));
            }
        }
    } else if (type == SSH_FXP_ATTRS) {
        readAttributes(fields, reply.entries.emplace_back());
    } else if (type == SSH_FXP_EXTENDED_REPLY) {
        reply.data.assign(fields.rest());
        reply.space = spaceOf(fields);
    } else {
        reply.status = sftp::BadMessage;
    }
    if (!fields.complete()) {
        reply.status = sftp::BadMessage;
    }
}

} // namespace bildertafel::publish

#pragma once

// The fields of the SFTP packets the server sends, and the replies they make.

#include "publish/SftpRequests.h"
#include "publish/SftpStatusCodes.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace bildertafel::publish {

// The fields of a packet, read from the front; a packet too short reads as zeros.
class Fields {
public:
    explicit Fields(std::string_view bytes) : m_bytes(bytes) {}

    std::uint8_t byte() {
        if (m_bytes.empty()) {
            m_short = true;
            return 0;
        }
        const auto value = static_cast<std::uint8_t>(m_bytes.front());
        m_bytes.remove_prefix(1);
        return value;
    }
    std::uint32_t u32() {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            value = value << 8 | byte();
        }
        return value;
    }
    std::uint64_t u64() {
        const std::uint64_t high = u32();
        return high << 32 | u32();
    }
    std::string string() {
        const std::uint32_t size = u32();
        if (size > m_bytes.size()) {
            m_short = true;
            m_bytes = {};
            return {};
        }
        std::string value(m_bytes.substr(0, size));
        m_bytes.remove_prefix(size);
        return value;
    }
    bool atEnd() const { return m_bytes.empty(); }
    std::size_t left() const { return m_bytes.size(); }
    // What is left, without reading it.
    std::string rest() const { return std::string(m_bytes); }
    bool complete() const { return !m_short; }

private:
    std::string_view m_bytes;
    bool m_short = false;
};

// The rest of a reply of the type after its id, read into reply (status sftp::BadMessage for a
// reply the protocol does not know or one cut short).
void readReply(std::uint8_t type, Fields& fields, SftpRequests::Reply& reply);

} // namespace bildertafel::publish

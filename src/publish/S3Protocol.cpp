#include "publish/S3Protocol.h"

#include "core/AsciiText.h"
#include "core/HexCoding.h"

#include <algorithm>
#include <charconv>
#include <ctime>
#include <memory>

namespace bildertafel::publish::s3 {

namespace {

// A small strict XML reader for the few answers of S3: elements, text, the five named and the
// numeric character references, a declaration at the start. Nothing else (no document type, no
// entities of its own, no comments or CDATA), and no deeper than MaxDepth.
struct Element {
    std::string name;
    std::string text;
    std::vector<std::unique_ptr<Element>> children;

    const Element* child(std::string_view wanted) const {
        for (const auto& element : children) {
            if (element->name == wanted) {
                return element.get();
            }
        }
        return nullptr;
    }
    std::string textOf(std::string_view wanted) const {
        const Element* found = child(wanted);
        return found == nullptr ? std::string() : found->text;
    }
};

constexpr int MaxDepth = 8;

class XmlReader {
public:
    explicit XmlReader(std::string_view xml) : m_xml(xml) {}

    std::unique_ptr<Element> document() {
        skipBlanks();
        if (m_xml.substr(m_at).starts_with("<?xml")) {
            const std::size_t end = m_xml.find("?>", m_at);
            if (end == std::string_view::npos) {
                return nullptr;
            }
            m_at = end + 2;
        }
        skipBlanks();
        auto root = element(0);
        skipBlanks();
        return root && m_at == m_xml.size() ? std::move(root) : nullptr;
    }

private:
    void skipBlanks() {
        while (m_at < m_xml.size() &&
               std::string_view(" \t\r\n").find(m_xml[m_at]) != std::string_view::npos) {
            ++m_at;
        }
    }

    std::string name() {
        const std::size_t start = m_at;
        while (m_at < m_xml.size() &&
               (std::isalnum(static_cast<unsigned char>(m_xml[m_at])) != 0 ||
                std::string_view("_-.:").find(m_xml[m_at]) != std::string_view::npos)) {
            ++m_at;
        }
        return std::string(m_xml.substr(start, m_at - start));
    }

    // Attributes are read over (xmlns="…"), their values checked for references only.
    bool skipAttributes() {
        for (;;) {
            skipBlanks();
            if (m_at >= m_xml.size()) {
                return false;
            }
            if (m_xml[m_at] == '>' || m_xml[m_at] == '/') {
                return true;
            }
            if (name().empty()) {
                return false;
            }
            skipBlanks();
            if (m_at + 1 >= m_xml.size() || m_xml[m_at] != '=') {
                return false;
            }
            ++m_at;
            skipBlanks();
            const char quote = m_at < m_xml.size() ? m_xml[m_at] : '\0';
            if (quote != '"' && quote != '\'') {
                return false;
            }
            const std::size_t end = m_xml.find(quote, m_at + 1);
            if (end == std::string_view::npos || !decoded(m_xml.substr(m_at + 1, end - m_at - 1))) {
                return false;
            }
            m_at = end + 1;
        }
    }

    std::unique_ptr<Element> element(int depth) {
        if (depth >= MaxDepth || m_at >= m_xml.size() || m_xml[m_at] != '<') {
            return nullptr;
        }
        ++m_at;
        auto result = std::make_unique<Element>();
        result->name = name();
        if (result->name.empty() || !skipAttributes()) {
            return nullptr;
        }
        if (m_xml[m_at] == '/') {
            if (m_at + 1 >= m_xml.size() || m_xml[m_at + 1] != '>') {
                return nullptr;
            }
            m_at += 2;
            return result;
        }
        ++m_at; // '>'
        for (;;) {
            const std::size_t open = m_xml.find('<', m_at);
            if (open == std::string_view::npos) {
                return nullptr;
            }
            const auto text = decoded(m_xml.substr(m_at, open - m_at));
            if (!text) {
                return nullptr;
            }
            result->text += *text;
            m_at = open;
            if (m_xml.substr(m_at).starts_with("</")) {
                m_at += 2;
                if (name() != result->name) {
                    return nullptr;
                }
                skipBlanks();
                if (m_at >= m_xml.size() || m_xml[m_at] != '>') {
                    return nullptr;
                }
                ++m_at;
                return result;
            }
            auto inner = element(depth + 1);
            if (!inner) {
                return nullptr;
            }
            result->children.push_back(std::move(inner));
        }
    }

    // Text with its references resolved; nothing for one that is not allowed.
    static std::optional<std::string> decoded(std::string_view text) {
        std::string out;
        for (std::size_t at = 0; at < text.size(); ++at) {
            if (text[at] != '&') {
                out += text[at];
                continue;
            }
            const std::size_t end = text.find(';', at);
            if (end == std::string_view::npos || end - at > 10) {
                return std::nullopt;
            }
            const std::string_view reference = text.substr(at + 1, end - at - 1);
            at = end;
            if (const auto named = namedReference(reference)) {
                out += *named;
                continue;
            }
            if (!reference.starts_with('#') || !appendNumbered(out, reference.substr(1))) {
                return std::nullopt;
            }
        }
        return out;
    }

    static std::optional<char> namedReference(std::string_view reference) {
        constexpr std::pair<std::string_view, char> Named[] = {
            {"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}};
        for (const auto& [name, character] : Named) {
            if (reference == name) {
                return character;
            }
        }
        return std::nullopt;
    }

    // "#233" or "#xE9" as UTF-8; not the byte 0, not beyond Unicode.
    static bool appendNumbered(std::string& out, std::string_view digits) {
        const bool hex = digits.starts_with('x');
        if (hex) {
            digits.remove_prefix(1);
        }
        std::uint32_t code = 0;
        const auto [end, error] =
            std::from_chars(digits.data(), digits.data() + digits.size(), code, hex ? 16 : 10);
        if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() ||
            code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return false;
        }
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
        return true;
    }

    std::string_view m_xml;
    std::size_t m_at = 0;
};

std::unique_ptr<Element> parsed(std::string_view xml) {
    if (xml.size() > ListingLimit) {
        return nullptr;
    }
    return XmlReader(xml).document();
}

bool isLoopback(std::string_view host) {
    return host == "localhost" || host == "::1" || host.starts_with("127.");
}

std::string lowered(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return lower;
}

// Whether text ends in end (in lower case), letters compared without case.
bool endsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && lowered(text.substr(text.size() - end.size())) == end;
}

} // namespace

std::string keyInPath(std::string_view key) {
    return core::addressEncoded(key, "/");
}

std::string queryPart(std::string_view text) {
    return core::addressEncoded(text, "");
}

std::string canonicalQuery(Query parameters) {
    for (auto& [name, value] : parameters) {
        name = queryPart(name);
        value = queryPart(value);
    }
    std::sort(parameters.begin(), parameters.end());
    std::string query;
    for (const auto& [name, value] : parameters) {
        query += query.empty() ? "" : "&";
        query += name + "=" + value;
    }
    return query;
}

std::optional<Address> addressOf(const S3Access& s3, const std::string& bucket,
                                 std::string& error) {
    const std::string region = s3.region.empty() ? std::string("us-east-1") : s3.region;
    std::string endpoint =
        s3.endpoint.empty() ? "https://s3." + region + ".amazonaws.com" : s3.endpoint;
    const bool https = core::startsWithNoCase(endpoint, "https://");
    if (!https && !core::startsWithNoCase(endpoint, "http://")) {
        error = "der Endpunkt muss mit https:// beginnen";
        return std::nullopt;
    }
    std::string_view authority = std::string_view(endpoint).substr(https ? 8 : 7);
    while (authority.ends_with('/')) {
        authority.remove_suffix(1);
    }
    if (authority.find_first_of("/?#@ \t\r\n") != std::string_view::npos) {
        error = "der Endpunkt nennt nur den Server (und einen Port), keinen Pfad";
        return std::nullopt;
    }
    Address address;
    address.port = https ? 443 : 80;
    std::string_view host = authority;
    std::string_view port;
    if (authority.starts_with('[')) {
        const std::size_t close = authority.find(']');
        if (close == std::string_view::npos) {
            error = "die eckige Klammer um die IPv6-Adresse wird nicht geschlossen";
            return std::nullopt;
        }
        host = authority.substr(1, close - 1);
        port = authority.substr(close + 1);
    } else if (const std::size_t colon = authority.find(':'); colon != std::string_view::npos) {
        host = authority.substr(0, colon);
        port = authority.substr(colon);
    }
    if (!port.empty()) {
        const auto [end, failed] =
            std::from_chars(port.data() + 1, port.data() + port.size(), address.port);
        if (!port.starts_with(':') || failed != std::errc() || end != port.data() + port.size() ||
            address.port < 1 || address.port > 65535) {
            error = "die Portnummer muss eine Zahl von 1 bis 65535 sein";
            return std::nullopt;
        }
    }
    if (host.empty()) {
        error = "der Name des Servers fehlt";
        return std::nullopt;
    }
    if (!https && !isLoopback(host)) {
        error = "unverschlüsselt (http://) nur zu diesem Computer, sonst mit https://";
        return std::nullopt;
    }
    address.host = host;
    const bool aws = endsWith(host, ".amazonaws.com");
    address.pathStyle =
        s3.addressing == S3Addressing::Path ||
        (s3.addressing == S3Addressing::Auto && (!aws || bucket.find('.') != std::string::npos));
    const std::string scheme = https ? "https://" : "http://";
    address.base = address.pathStyle ? scheme + std::string(authority) + "/" + bucket
                                     : scheme + bucket + "." + std::string(authority);
    return address;
}

std::optional<Listing> parseListing(std::string_view xml, std::string_view prefix) {
    const auto root = parsed(xml);
    if (!root || root->name != "ListBucketResult") {
        return std::nullopt;
    }
    Listing listing;
    listing.truncated = root->textOf("IsTruncated") == "true";
    listing.next = root->textOf("NextContinuationToken");
    if (listing.truncated && listing.next.empty()) {
        return std::nullopt; // it would be asked for the same page again and again
    }
    for (const auto& element : root->children) {
        if (element->name == "Contents") {
            Object object;
            object.key = element->textOf("Key");
            object.etag = element->textOf("ETag");
            object.modified = isoSeconds(element->textOf("LastModified"));
            const std::string size = element->textOf("Size");
            const auto [end, error] =
                std::from_chars(size.data(), size.data() + size.size(), object.size);
            if (size.empty() || error != std::errc() || end != size.data() + size.size()) {
                return std::nullopt;
            }
            if (object.key.starts_with(prefix) && object.key.size() > prefix.size()) {
                listing.objects.push_back(std::move(object));
            }
        } else if (element->name == "CommonPrefixes") {
            std::string common = element->textOf("Prefix");
            if (common.starts_with(prefix) && common.size() > prefix.size() + 1 &&
                common.ends_with('/')) {
                listing.prefixes.push_back(std::move(common));
            }
        }
    }
    return listing;
}

ErrorReply parseErrorReply(std::string_view xml) {
    const auto root = parsed(xml);
    if (!root || root->name != "Error") {
        return {};
    }
    return {root->textOf("Code"), root->textOf("Message")};
}

std::optional<std::string> uploadIdOf(std::string_view xml) {
    const auto root = parsed(xml);
    if (!root || root->name != "InitiateMultipartUploadResult") {
        return std::nullopt;
    }
    std::string id = root->textOf("UploadId");
    return id.empty() ? std::nullopt : std::optional(std::move(id));
}

std::string completionBody(const std::vector<std::string>& etags) {
    std::string body = "<CompleteMultipartUpload>";
    for (std::size_t index = 0; index < etags.size(); ++index) {
        std::string etag;
        for (const char c : etags[index]) {
            etag += c == '&'   ? "&amp;"
                    : c == '<' ? "&lt;"
                    : c == '"' ? "&quot;"
                               : std::string(1, c);
        }
        body += "<Part><PartNumber>" + std::to_string(index + 1) + "</PartNumber><ETag>" + etag +
                "</ETag></Part>";
    }
    return body + "</CompleteMultipartUpload>";
}

std::int64_t isoSeconds(std::string_view text) {
    std::tm parts{};
    int fields[6] = {};
    const std::size_t at[6] = {0, 5, 8, 11, 14, 17};
    const std::size_t width[6] = {4, 2, 2, 2, 2, 2};
    if (text.size() < 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T' ||
        text[13] != ':' || text[16] != ':' || !text.ends_with('Z')) {
        return -1;
    }
    for (int i = 0; i < 6; ++i) {
        const char* begin = text.data() + at[i];
        const auto [end, error] = std::from_chars(begin, begin + width[i], fields[i]);
        if (error != std::errc() || end != begin + width[i]) {
            return -1;
        }
    }
    parts.tm_year = fields[0] - 1900;
    parts.tm_mon = fields[1] - 1;
    parts.tm_mday = fields[2];
    parts.tm_hour = fields[3];
    parts.tm_min = fields[4];
    parts.tm_sec = fields[5];
    return static_cast<std::int64_t>(timegm(&parts));
}

std::string contentTypeOf(std::string_view path, std::string_view firstBytes) {
    constexpr std::pair<std::string_view, std::string_view> Types[] = {
        {".jpg", "image/jpeg"},      {".jpeg", "image/jpeg"},       {".png", "image/png"},
        {".gif", "image/gif"},       {".webp", "image/webp"},       {".avif", "image/avif"},
        {".svg", "image/svg+xml"},   {".ico", "image/x-icon"},      {".css", "text/css"},
        {".js", "text/javascript"},  {".json", "application/json"}, {".txt", "text/plain"},
        {".xml", "application/xml"}, {".pdf", "application/pdf"},   {".zip", "application/zip"},
        {".mp4", "video/mp4"},       {".webm", "video/webm"},       {".woff2", "font/woff2"},
        {".woff", "font/woff"},
    };
    if (endsWith(path, ".html") || endsWith(path, ".htm")) {
        std::string head = lowered(firstBytes.substr(0, 2048));
        std::erase_if(head, [](char c) { return c == ' ' || c == '"' || c == '\''; });
        const bool utf8 = head.find("charset=utf-8") != std::string::npos;
        return utf8 ? "text/html; charset=utf-8" : "text/html; charset=windows-1252";
    }
    for (const auto& [ending, type] : Types) {
        if (endsWith(path, ending)) {
            return std::string(type);
        }
    }
    return "application/octet-stream";
}

std::string cacheControlOf(std::string_view path) {
    return endsWith(path, ".html") || endsWith(path, ".htm") ? "no-cache" : "public, max-age=86400";
}

} // namespace bildertafel::publish::s3

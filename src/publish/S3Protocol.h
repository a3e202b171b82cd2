#pragma once

#include "publish/Publisher.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// What an S3 request is made of and what its answers say, without a network.
namespace bildertafel::publish::s3 {

// A key as the request's path carries it and the signature takes it: every byte but letters,
// digits, "-._~" and "/" as "%XX", so "+" as "%2B" (which servers would read as a blank).
std::string keyInPath(std::string_view key);
// A query's name or value: "/" as "%2F" too.
std::string queryPart(std::string_view text);
using Query = std::vector<std::pair<std::string, std::string>>;
// "name=value&…" sorted by encoded name and value, each encoded, "uploads=" for an empty one:
// the signature's form, which the request sends as it is.
std::string canonicalQuery(Query parameters);

// Where the requests of a bucket go.
struct Address {
    std::string base; // "https://bucket.host" (virtual-hosted) or "https://host/bucket"
    std::string host; // the endpoint's host, for the messages
    int port = 443;
    bool pathStyle = true;
};
// The bucket's address at the endpoint of s3 (AWS's for the region without one). Auto addresses
// AWS's endpoints (amazonaws.com) virtual-hosted, as AWS asks, where the bucket's name holds no
// dot (a certificate covers one label); every other endpoint by path, which every S3-compatible
// server understands, whether or not its DNS has a name per bucket. An endpoint is "https://…"
// without a path; "http://" only to this computer (127.0.0.1, ::1, localhost). Nothing, with
// error the German reason, for an endpoint that is none of these.
std::optional<Address> addressOf(const S3Access& s3, const std::string& bucket, std::string& error);

struct Object {
    std::string key;
    std::uint64_t size = 0;
    std::string etag; // as the server gives it, quotes included
    std::int64_t modified = -1;
};
// One page of a listing (ListObjectsV2).
struct Listing {
    std::vector<Object> objects;
    std::vector<std::string> prefixes; // each ending in "/"
    bool truncated = false;
    std::string next; // the continuation token
};
// A listing page of at most this many bytes is read; one larger is no answer to trust.
inline constexpr std::size_t ListingLimit = std::size_t{8} * 1024 * 1024;
// The page of the listing of prefix; nothing when the text is no such page (no well-formed XML
// as the limits allow, no "ListBucketResult", a truncated page without a token). A document type,
// entities of its own and anything but the five named and numeric references are refused; keys
// and prefixes that do not begin with prefix are left out.
std::optional<Listing> parseListing(std::string_view xml, std::string_view prefix);

// An error answer's <Code> and <Message>; empty where the body holds none.
struct ErrorReply {
    std::string code;
    std::string message;
};
ErrorReply parseErrorReply(std::string_view xml);
// The <UploadId> of an answer to the start of a multipart upload.
std::optional<std::string> uploadIdOf(std::string_view xml);
// The body that completes a multipart upload of these parts' ETags (part 1 first).
std::string completionBody(const std::vector<std::string>& etags);

// "2026-03-01T12:00:00.000Z" in seconds since 1970; -1 for anything else.
std::int64_t isoSeconds(std::string_view text);

// The Content-Type of an object by its name; a page is Windows-1252 unless its first bytes
// declare UTF-8 (<meta charset="utf-8"> or a Content-Type of its own).
std::string contentTypeOf(std::string_view path, std::string_view firstBytes);
// Pages are asked again at every visit (a change shows at once, an unchanged one costs a 304),
// everything else is kept a day.
std::string cacheControlOf(std::string_view path);

} // namespace bildertafel::publish::s3

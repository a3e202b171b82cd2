#pragma once

#include "publish/UserPlaces.h"

#include <map>
#include <string>
#include <string_view>

namespace bildertafel::publish {

// The sections of an INI file as the S3 tools write ~/.aws/credentials and ~/.aws/config:
// "[name]" or "[profile name]" (as written, without the brackets), "key = value" lines, and an
// indented block below "s3 =" whose keys come as "s3.key". Lines of "#" and ";" are comments.
using IniSections = std::map<std::string, std::map<std::string, std::string>>;
IniSections iniSections(std::string_view text);

// What an object store is reached with, in the S3 tools' own order: the variables
// AWS_ACCESS_KEY_ID and AWS_SECRET_ACCESS_KEY (both, with AWS_SESSION_TOKEN), else the profile
// of AWS_PROFILE ("default" without it) in the credentials file, then in the config file;
// AWS_REGION, AWS_DEFAULT_REGION, else the profile's "region"; AWS_ENDPOINT_URL_S3,
// AWS_ENDPOINT_URL, else the profile's "endpoint_url" (or its "s3" block's); "addressing_style"
// of its "s3" block. The files are those of AWS_SHARED_CREDENTIALS_FILE and AWS_CONFIG_FILE,
// else ~/.aws/credentials and ~/.aws/config of HOME. What is given already in s3 stays: the
// window's fields come before all of it.
void fillS3Access(S3Access& s3, const EnvironmentLookup& environment);

} // namespace bildertafel::publish

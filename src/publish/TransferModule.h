#pragma once

#include "publish/Publisher.h"

#include <string>

// The window does not link the network libraries: it loads the sending part of publishing as a
// module on its first publish and calls it through this one C function. Both sides are built
// from the same sources in the same build, so the structures pass by pointer as they are.
extern "C" {
// Runs publish(*target, *options, *host) and stores what came of it in *result. Never throws.
using BildertafelPublishTransfer = void (*)(const bildertafel::publish::Target* target,
                                            const bildertafel::publish::PublishOptions* options,
                                            bildertafel::publish::PublishHost* host,
                                            bildertafel::publish::Result* result);
}

namespace bildertafel::publish {

// The file name of the module and the name of its entry point.
inline constexpr const char* TransferModuleFile = "bildertafel-publish-transfer.so";
inline constexpr const char* TransferEntryPoint = "bildertafel_publish_transfer";

// publish() through the module at modulePath, loaded on the first call and kept for the rest of
// the process. A module that cannot be loaded sends nothing: the result is a failure whose German
// message names the file and the reason.
Result publishThroughModule(const std::string& modulePath, const Target& target,
                            const PublishOptions& options, PublishHost& host);

} // namespace bildertafel::publish

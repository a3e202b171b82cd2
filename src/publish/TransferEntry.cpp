#include "publish/TransferModule.h"

#include <exception>
#include <type_traits>

// The one function the window calls of this module.
extern "C" __attribute__((visibility("default"))) void bildertafel_publish_transfer(
    const bildertafel::publish::Target* target, const bildertafel::publish::PublishOptions* options,
    bildertafel::publish::PublishHost* host, bildertafel::publish::Result* result) {
    using namespace bildertafel::publish;
    FailureFacts facts(FailureKind::Unexpected);
    try {
        *result = publish(*target, *options, *host);
        return;
    } catch (const std::exception& error) {
        facts.reason = error.what();
    } catch (...) {
    }
    *result = Result();
    result->failure = facts.kind;
    result->nothingSent = false;
    result->message = failureText(facts, options->controls);
}

// The declaration above must match the type the window calls it through.
static_assert(std::is_same_v<decltype(&bildertafel_publish_transfer), BildertafelPublishTransfer>);

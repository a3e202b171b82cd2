#include "publish/Publisher.h"

namespace bildertafel::publish {

Result publish(const Target&, const PublishOptions& options, PublishHost&) {
    Result result;
    const PublishSet set = collectPublishSet(options.showFolder, options.startPage);
    result.warnings = set.warnings;
    if (!set.error.empty()) {
        result.failure = Failure::PublishSet;
        result.message = set.error;
        return result;
    }
    result.failure = Failure::Other;
    result.message = "Das Senden ist in dieser Fassung noch nicht eingebaut.";
    return result;
}

} // namespace bildertafel::publish

#include "net/ImageStep.h"

#include <utility>

#include "core/Files.h"
#include "core/Numbers.h"
#include "core/Worker.h"
#include "net/Retry.h"

namespace dorvane {

ImageAnswer ReadImageAnswer(FetchResult result, const NetworkLimits& limits) {
    WorkerCheckPoint();
    ImageAnswer answer{std::move(result.body), FetchFailureText(result)};
    if (result.outcome == FetchOutcome::TooLarge)
        answer.failure += " (over " + IntegerText(limits.maxBodyBytes >> 20) + " MB)";
    if (answer.failure.empty() && answer.bytes.empty()) answer.failure = "empty answer";
    return answer;
}

ImageAnswer PlainImageAnswer(const Text& url, const NetworkLimits& limits) {
    return ReadImageAnswer(PlainDownloadRetrying(url, limits), limits);
}

StoredImage StoreImage(const Text& path, const ImageAnswer& answer) {
    StagedFile file;
    const bool written = StageImageFile(file, path, answer.bytes) && file.Commit();
    StoredImage result;
    result.stored = written && !answer.bytes.empty();
    if (!written) result.writeError = file.Error();
    result.failure = StoreFailure(answer.failure, result.stored, result.writeError);
    return result;
}

Text StoreFailure(const Text& fetchFailure, bool stored, int writeError) {
    if (!fetchFailure.empty() || stored) return fetchFailure;
    return writeError != 0 ? "not written: " + SystemErrorText(writeError) : Text("not written");
}

}  // namespace dorvane

#include "net/Fetch.h"

#include <string>
#include <utility>

namespace dorvane {

namespace {

// The transport's word where it said more than how far the exchange got.
constexpr std::pair<TransferFault, const char*> kFaultTexts[] = {
    {TransferFault::TimedOut, "timed out"},
    {TransferFault::Refused, "connection refused"},
    {TransferFault::Unreachable, "could not connect"},
    {TransferFault::HostNotFound, "host not found"},
    {TransferFault::Tls, "TLS handshake failed"}};

// How far the exchange got, where it did not complete.
constexpr std::pair<FetchOutcome, const char*> kOutcomeTexts[] = {
    {FetchOutcome::BadAddress, "not an http or https address"},
    {FetchOutcome::BadHeader, "a request header cannot be sent"},
    {FetchOutcome::ConnectFailed, "could not connect"},
    {FetchOutcome::NoResponse, "no answer"},
    {FetchOutcome::BodyCutOff, "answer cut off"},
    {FetchOutcome::TooLarge, "body too large"},
    {FetchOutcome::Stopped, "stopped"}};

template <class Key, size_t N>
const char* Lookup(const std::pair<Key, const char*> (&table)[N], Key key) {
    for (const auto& [known, text] : table) {
        if (known == key) return text;
    }
    return nullptr;
}

}  // namespace

Text FetchFailureText(const FetchResult& result) {
    if (result.Succeeded()) return {};
    if (const char* fault = Lookup(kFaultTexts, result.fault)) return fault;
    if (result.outcome == FetchOutcome::Complete) return "HTTP " + std::to_string(result.status);
    const char* outcome = Lookup(kOutcomeTexts, result.outcome);
    return outcome ? outcome : "failed";
}

}  // namespace dorvane

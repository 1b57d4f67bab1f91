#include "net/Fetch.h"

#include <string>

namespace dorvane {

namespace {

// The transport's word where it said more than how far the exchange got.
const char* FaultText(TransferFault fault) {
    switch (fault) {
        case TransferFault::TimedOut:
            return "timed out";
        case TransferFault::Refused:
            return "connection refused";
        case TransferFault::Unreachable:
            return "could not connect";
        case TransferFault::HostNotFound:
            return "host not found";
        case TransferFault::Tls:
            return "TLS handshake failed";
        case TransferFault::None:
        case TransferFault::Other:
            break;
    }
    return nullptr;
}

}  // namespace

Text FetchFailureText(const FetchResult& result) {
    if (result.Succeeded()) return {};
    if (const char* fault = FaultText(result.fault)) return fault;
    switch (result.outcome) {
        case FetchOutcome::Complete:
            return "HTTP " + std::to_string(result.status);
        case FetchOutcome::BadAddress:
            return "not an http or https address";
        case FetchOutcome::BadHeader:
            return "a request header cannot be sent";
        case FetchOutcome::ConnectFailed:
            return "could not connect";
        case FetchOutcome::NoResponse:
            return "no answer";
        case FetchOutcome::BodyCutOff:
            return "answer cut off";
        case FetchOutcome::TooLarge:
            return "body too large";
        case FetchOutcome::Stopped:
            return "stopped";
    }
    return "failed";
}

}  // namespace dorvane

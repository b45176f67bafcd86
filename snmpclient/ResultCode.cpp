#include "ResultCode.h"

namespace zemtra {

const char* resultCodeText(ResultCode code)
{
    switch (code) {
    case kOk: return "success";
    case kBadAgentAddress: return "the agent address is not a valid address";
    case kSessionNotOpened: return "the session could not be opened";
    case kRequestFailed: return "the request failed (no answer, an error status or a library failure)";
    case kSequenceNotMapped: return "the value read has the SEQUENCE syntax";
    case kTypeNotMapped: return "the value or variant type is not mapped";
    case kFail: return "unspecified failure";
    case kNoResultLocation: return "no result location";
    case kOutOfMemory: return "out of memory";
    case kStreamReadFault: return "the stream ended early";
    case kTypeMismatch: return "type mismatch";
    default: return "unknown result code";
    }
}

}  // namespace zemtra

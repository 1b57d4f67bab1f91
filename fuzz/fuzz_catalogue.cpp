// The catalogue server's messages: one message parsed and its list lines turned into row requests, and
// the whole input fed to the message assembler in chunks whose sizes the first byte chooses. Whatever
// the assembler hands out, in order, makes up exactly the bytes it was given.
#include "FuzzInput.h"
#include "notice/CatalogueProtocol.h"

using namespace dorvane;
using namespace dorvane::notice;

namespace {

void OpenRows(const ServerMessage& message) {
    static const Text labels[] = {TopLevelLabel(), Gbk("秀人系列"), Gbk("COS下载"), Gbk("打开?")};
    for (const Text& line : ListLines(message.body)) {
        FUZZ_CHECK(!line.empty());
        bool opensAddress = true;
        RowRequest(line, message.label, opensAddress);
        for (const Text& label : labels) RowRequest(line, label, opensAddress);
    }
}

void Assemble(const Text& bytes, size_t chunkSeed) {
    MessageAssembler assembler;
    Text joined;
    size_t at = 0;
    for (size_t round = 0; at < bytes.size(); ++round) {
        const size_t chunk = 1 + (chunkSeed * (round + 1)) % 61;
        for (const Text& message : assembler.Add(bytes.substr(at, chunk))) {
            FUZZ_CHECK(!message.empty());
            joined += message;
        }
        at += chunk;
    }
    joined += assembler.Flush();
    FUZZ_CHECK(!assembler.Pending());
    FUZZ_CHECK(joined == bytes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const Text bytes = fuzz::InputText(data + 1, size - 1);
    const ServerMessage message = ParseMessage(bytes);
    FUZZ_CHECK(message.body.size() <= bytes.size());
    if (message.kind != MessageKind::Ignored) FUZZ_CHECK(IsServerTag(bytes, 0));
    OpenRows(message);
    for (size_t position = 0; position < bytes.size(); ++position) IsServerTag(bytes, position);
    Assemble(bytes, data[0]);
    return 0;
}

// The .reg file reader on any bytes: it either refuses the file, naming a
// line that exists, or reads it; and what it reads, written out again by the
// writer and read back, gives the same keys and values.
#include "RegFile.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace {

using tavisk::regtool::RegFileError;
using tavisk::regtool::RegKeyBlock;
using tavisk::regtool::RegOperation;

[[noreturn]] void fault(const char* what) {
    std::fprintf(stderr, "fault: %s\n", what);
    std::abort();
}

std::size_t lineCount(std::string_view bytes) {
    std::size_t lines = 1;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        lines += bytes[i] == '\n' ||
                 (bytes[i] == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n'));
    }
    return lines;
}

/// The keys and values of a file that only creates keys and sets values, as
/// blocks; nothing when it deletes anything or names a key with an empty part.
bool asBlocks(const std::vector<RegOperation>& operations, std::vector<RegKeyBlock>& blocks) {
    for (const auto& op : operations) {
        const std::string& path = op.key.path;
        if (path.ends_with('\\') || path.starts_with('\\') || path.find("\\\\") != path.npos) {
            return false;
        }
        if (op.kind == RegOperation::Kind::CreateKey) {
            blocks.push_back({op.key.fullName(), {}});
        } else if (op.kind == RegOperation::Kind::SetValue) {
            blocks.back().values.push_back({op.valueName, op.type, op.data});
        } else {
            return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::vector<RegOperation> operations;
    try {
        operations = tavisk::regtool::parseRegFile(bytes).operations;
    } catch (const RegFileError& error) {
        // A UTF-16 file has half as many bytes per line break; the count of
        // the raw bytes is an upper bound either way.
        if (error.line() < 1 || static_cast<std::size_t>(error.line()) > lineCount(bytes)) {
            fault("a refusal names a line the file does not have");
        }
        return 0;
    }
    std::vector<RegKeyBlock> blocks;
    if (!asBlocks(operations, blocks)) {
        return 0;
    }
    tavisk::regtool::RegFileWriter writer(tavisk::regtool::RegFormat::Version5);
    for (const auto& block : blocks) {
        writer.addKey(block);
    }
    std::vector<RegKeyBlock> again;
    try {
        if (!asBlocks(tavisk::regtool::parseRegFile(writer.finish()).operations, again)) {
            fault("the written file deletes something");
        }
    } catch (const RegFileError& error) {
        std::fprintf(stderr, "line %d: %s\n", error.line(), error.what());
        fault("the reader refuses what the writer wrote");
    }
    if (again.size() != blocks.size()) {
        fault("the written file has other keys");
    }
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        if (again[i].name != blocks[i].name || again[i].values.size() != blocks[i].values.size()) {
            fault("a key changed on its way through the writer");
        }
        for (std::size_t v = 0; v < blocks[i].values.size(); ++v) {
            const auto& a = blocks[i].values[v];
            const auto& b = again[i].values[v];
            if (a.name != b.name || a.type != b.type || a.data != b.data) {
                fault("a value changed on its way through the writer");
            }
        }
    }
    return 0;
}

#pragma once
// Registration (.reg) files in the platform registry editor's two formats:
// "Windows Registry Editor Version 5.00" (UTF-16LE with a byte-order mark,
// CRLF line ends) and the older "REGEDIT4" (Windows-1252). The reader turns a
// file into a list of operations without touching the registry, so that a
// file with any error changes nothing; the writer turns keys and values into
// a file exactly as the editor writes one.
#include "RegKeyName.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tavisk::regtool {

enum class RegFormat {
    Version5, ///< "Windows Registry Editor Version 5.00", UTF-16LE
    Regedit4, ///< "REGEDIT4", Windows-1252
};

/// One value as the store holds it: text in UTF-8, data as raw bytes.
struct RegValue {
    std::string name; ///< empty for the default value
    std::uint32_t type = 0;
    std::string data;
};

/// One key's block of a file: its full name and its values in order.
struct RegKeyBlock {
    std::string name;
    std::vector<RegValue> values;
};

/// A file that cannot be read (line > 0 names where) or data that a format
/// cannot hold (line 0).
class RegFileError final : public std::runtime_error {
public:
    RegFileError(int line, const std::string& what) : std::runtime_error(what), m_line(line) {}
    int line() const { return m_line; }

private:
    int m_line;
};

/// Builds a file block by block; the text is complete after finish().
class RegFileWriter final {
public:
    explicit RegFileWriter(RegFormat format);

    /// Throws RegFileError when the format cannot hold a name or a text.
    void addKey(const RegKeyBlock& key);
    /// The file's bytes.
    std::string finish() const;

private:
    void appendValue(const RegValue& value, const std::string& keyName);
    void appendHex(std::size_t lineLength, std::string_view bytes);
    std::u32string checkedText(std::string_view storeText, const std::string& what) const;
    std::string hexBytesOfText(std::string_view data, const std::string& what) const;

    RegFormat m_format;
    std::u32string m_text;
};

/// One step of an import, with the line it came from.
struct RegOperation {
    enum class Kind { CreateKey, DeleteKey, SetValue, DeleteValue };
    Kind kind = Kind::CreateKey;
    KeyName key;
    std::string valueName;
    std::uint32_t type = 0;
    std::string data;
    int line = 0;
};

struct RegFileContents {
    RegFormat format = RegFormat::Version5;
    std::vector<RegOperation> operations;
};

/// Reads a whole file, in either format (told apart by the byte-order mark and
/// the first line; a UTF-8 file with the current header is read too).
/// Throws RegFileError naming the line of the first fault.
RegFileContents parseRegFile(std::string_view bytes);

} // namespace tavisk::regtool

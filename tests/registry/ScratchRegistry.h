#pragma once
// A registry of its own for each test. On systems with the stand-in store it
// is a new store in a temporary folder; a build against the real registry
// replaces ScratchRegistryStandIn.cpp with one that works below a scratch key
// and removes it afterwards. Tests name every key through key().
#include <cstdint>
#include <string>

class ScratchRegistry final {
public:
    ScratchRegistry();
    ~ScratchRegistry();
    ScratchRegistry(const ScratchRegistry&) = delete;
    ScratchRegistry& operator=(const ScratchRegistry&) = delete;

    /// The path below which a test may create keys under any root: relative
    /// is joined to it ("" gives the scratch key itself, without a trailing "\").
    std::string key(const std::string& relative = "") const;

private:
    std::string m_folder;
    std::string m_prefix;
};

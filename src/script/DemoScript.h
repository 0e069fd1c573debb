#pragma once

#include "script/LayerEntry.h"
#include "script/textdemoscript.h"

#include <map>
#include <memory>
#include <string>
#include <string_view>

// The parsed show: block name -> entry. Names are ordered byte-wise as unsigned
// bytes (so "10" before "9", "B" before "a"); that order is the rendering order.
class DemoScript {
public:
    using Entries = std::map<std::string, std::unique_ptr<LayerEntry>>;

    // Reads fileName from the embedded archive and parses it. 0 when the file
    // was read (whatever it holds), -1 when it cannot be extracted.
    virtual int load(const char* fileName);
    virtual ~DemoScript() = default;

    // Parses script text into entries (see textdemoscript, also for problems).
    void parse(std::string_view text, ScriptProblems* problems = nullptr);
    // Adds an entry under its name; false (and the entry is dropped) when the
    // name is taken: the first block of a name wins.
    bool insert(std::unique_ptr<LayerEntry> entry);

    const Entries& entries() const { return entries_; }

private:
    Entries entries_;
};

#include "script/textdemoscript.h"

#include "platform/Platform.h"
#include "script/DemoScript.h"
#include "script/LayerFactory.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

constexpr size_t MAX_VALUE_TOKEN = 255;

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// Whitespace as the event pattern skips it.
bool isSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Hands out the significant lines of the text one by one.
class LineReader {
public:
    explicit LineReader(std::string_view text) : text_(text) {}

    // The 1-based number of the line last handed out.
    int number() const { return number_; }

    // True when text after the last line end holds more than a lone "@": it is
    // never read.
    bool tailIgnored() const {
        const size_t lastEnd = text_.rfind('\n');
        std::string_view tail = text_.substr(lastEnd == std::string_view::npos ? 0 : lastEnd + 1);
        tail = trimmed(tail.substr(0, tail.find('\0')));
        return !tail.empty() && tail.front() != '#' && tail != "@";
    }

    // The next trimmed line that is neither empty nor a comment; false at the end.
    bool next(std::string_view& line) {
        while (nextLine(line)) {
            if (!line.empty() && line.front() != '#')
                return true;
        }
        return false;
    }

private:
    bool nextLine(std::string_view& line) {
        const size_t lineEnd = text_.find('\n', position_);
        if (lineEnd == std::string_view::npos)
            return false;
        line = text_.substr(position_, lineEnd - position_);
        position_ = lineEnd + 1;
        ++number_;
        if (!line.empty())
            line.remove_suffix(1);
        line = trimmed(line.substr(0, line.find('\0')));
        return true;
    }

    static std::string_view trimmed(std::string_view line) {
        while (!line.empty() && isBlank(line.front()))
            line.remove_prefix(1);
        while (!line.empty() && isBlank(line.back()))
            line.remove_suffix(1);
        return line;
    }

    std::string_view text_;
    size_t position_ = 0;
    int number_ = 0;
};

// Notes a problem with its line number, when problems are wanted. Returns false.
bool report(ScriptProblems* problems, int line, const std::string& what) {
    if (problems)
        problems->push_back("line " + std::to_string(line) + ": " + what);
    return false;
}

struct BlockHeader {
    std::string name;
    std::string className;
    std::string argument;
    uint32_t start = 0;
    uint32_t end = 0;
    int nameLineNumber = 0;
    int classLineNumber = 0;
};

// Reads the next block's four header lines. False at the end of the text, or when
// the header is cut short, which ends parsing.
bool readBlockHeader(LineReader& lines, BlockHeader& header, ScriptProblems* problems) {
    std::string_view nameLine, classLine, startLine, endLine;
    if (!lines.next(nameLine))
        return false;
    header.nameLineNumber = lines.number();
    if (nameLine.size() < 3)
        return report(problems, lines.number(), "block name line shorter than 3 characters");
    if (!lines.next(classLine))
        return report(problems, lines.number(), "block header cut short by the end of the text");
    header.classLineNumber = lines.number();
    if (classLine.size() < 3)
        return report(problems, lines.number(), "class line shorter than 3 characters");
    if (!lines.next(startLine) || !lines.next(endLine))
        return report(problems, lines.number(), "block header cut short by the end of the text");
    header.name = std::string(nameLine.substr(1, nameLine.size() - 2));
    const size_t colon = classLine.find(':');
    header.className = std::string(classLine.substr(0, colon));
    header.argument =
        colon == std::string_view::npos ? std::string() : std::string(classLine.substr(colon + 1));
    header.start = parseScriptInteger(startLine);
    header.end = parseScriptInteger(endLine);
    return true;
}

// The fields of the event pattern "%u %c %c%c%c%c %s". A line that stops matching
// part-way leaves the later fields as the previous line of the block set them;
// the value token alone starts empty on every line.
struct EventFields {
    uint32_t time = 0;
    char type = 0;
    char code[4] = {};
    std::string value;
};

class EventScanner {
public:
    explicit EventScanner(std::string_view line) : line_(line) {}

    // True when the whole pattern matched, value token included.
    bool scan(EventFields& fields) {
        fields.value.clear();
        if (!scanUnsigned(fields.time))
            return false;
        skipSpace();
        if (!scanChar(fields.type))
            return false;
        skipSpace();
        for (char& c : fields.code) {
            if (!scanChar(c))
                return false;
        }
        skipSpace();
        while (at_ < line_.size() && !isSpace(line_[at_])) {
            if (fields.value.size() < MAX_VALUE_TOKEN)
                fields.value += line_[at_];
            ++at_;
        }
        return !fields.value.empty();
    }

private:
    void skipSpace() {
        while (at_ < line_.size() && isSpace(line_[at_]))
            ++at_;
    }

    bool scanChar(char& c) {
        if (at_ >= line_.size())
            return false;
        c = line_[at_++];
        return true;
    }

    // Optional sign and at least one digit, as an unsigned conversion reads them.
    bool scanUnsigned(uint32_t& value) {
        skipSpace();
        size_t digits = at_;
        if (digits < line_.size() && (line_[digits] == '+' || line_[digits] == '-'))
            ++digits;
        if (digits >= line_.size() || !isDigit(line_[digits]))
            return false;
        size_t end = digits;
        while (end < line_.size() && isDigit(line_[end]))
            ++end;
        value = parseScriptInteger(line_.substr(at_, end - at_));
        at_ = end;
        return true;
    }

    std::string_view line_;
    size_t at_ = 0;
};

// Turns scanned fields into an event; false for an unknown type character.
bool makeEvent(const EventFields& fields, ScriptEvent& event) {
    event.time = fields.time;
    event.code = packParamId(fields.code[0], fields.code[1], fields.code[2], fields.code[3]);
    switch (fields.type) {
    case 'F':
    case 'f':
        event.type = ValueType::Float;
        event.floatValue = std::strtof(fields.value.c_str(), nullptr);
        return true;
    case 'I':
    case 'i':
        event.type = ValueType::Int;
        event.intValue = static_cast<int32_t>(parseScriptInteger(fields.value));
        return true;
    case 'S':
    case 's':
        event.type = ValueType::String;
        event.stringValue = fields.value;
        return true;
    default:
        return false;
    }
}

// Reads event lines up to "@" or the end of input, in delivery order.
std::vector<ScriptEvent> readBlockEvents(LineReader& lines, ScriptProblems* problems) {
    std::vector<ScriptEvent> events;
    EventFields fields;
    std::string_view line;
    while (lines.next(line) && line != "@") {
        if (!EventScanner(line).scan(fields))
            report(problems, lines.number(), "event line does not read as 'time type CODE value'");
        ScriptEvent event;
        if (makeEvent(fields, event))
            events.push_back(std::move(event));
        else if (problems)
            report(problems, lines.number(), "invalid value type in '" + std::string(line) + "'");
        else
            showMessageBox(nullptr, "Invalid value type in textdemoscript", "TODO", MB_OK);
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const ScriptEvent& a, const ScriptEvent& b) { return a.time < b.time; });
    return events;
}

} // namespace

uint32_t parseScriptInteger(std::string_view text) {
    size_t at = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '-' || text[0] == '+'))
        at = 1;
    uint32_t value = 0;
    for (; at < text.size() && isDigit(text[at]); ++at)
        value = value * 10u + static_cast<uint32_t>(text[at] - '0');
    return negative ? 0u - value : value;
}

void textdemoscript(std::string_view text, DemoScript& script, ScriptProblems* problems) {
    LineReader lines(text);
    BlockHeader header;
    while (readBlockHeader(lines, header, problems)) {
        std::vector<ScriptEvent> events = readBlockEvents(lines, problems);
        std::unique_ptr<Layer> layer = createLayer(header.className, header.argument);
        if (!layer) {
            report(problems, header.classLineNumber,
                   "unknown layer class '" + header.className + "'; the block is dropped");
            continue;
        }
        if (!script.insert(std::make_unique<LayerEntry>(std::move(layer), header.start, header.end,
                                                        header.name, std::move(events),
                                                        header.className)))
            report(problems, header.nameLineNumber,
                   "block name '" + header.name +
                       "' taken by an earlier block; this one is dropped");
    }
    if (lines.tailIgnored())
        report(problems, lines.number() + 1, "the last line has no line end and is never read");
}

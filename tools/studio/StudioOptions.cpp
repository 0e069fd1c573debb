#include "studio/StudioOptions.h"

#include "studio/FixedStep.h"

#include <cstdlib>
#include <functional>
#include <map>

namespace {

constexpr int SMALLEST_SIDE = 16;
constexpr int LARGEST_SIDE = 8192;
constexpr uint32_t HIGHEST_FPS = 240;
constexpr int WORST_CRF = 51;

// A decimal number made of digits only, at most limit.
bool parseNumber(const std::string& text, uint64_t limit, uint64_t& value) {
    if (text.empty() || text.size() > 10 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    value = std::strtoull(text.c_str(), nullptr, 10);
    return value <= limit;
}

template <typename Number>
bool parseInRange(const std::string& text, uint64_t lowest, uint64_t highest, Number& number) {
    uint64_t value = 0;
    if (!parseNumber(text, highest, value) || value < lowest)
        return false;
    number = static_cast<Number>(value);
    return true;
}

bool parseTime(const std::string& text, uint32_t& time) {
    return parseInRange(text, 0, fixedstep::SHOW_LENGTH_MS, time);
}

bool parseTimes(const std::string& text, std::vector<uint32_t>& times) {
    size_t start = 0;
    for (;;) {
        const size_t comma = text.find(',', start);
        uint32_t time = 0;
        if (!parseTime(text.substr(start, comma - start), time))
            return false;
        times.push_back(time);
        if (comma == std::string::npos)
            return true;
        start = comma + 1;
    }
}

bool parseSize(const std::string& text, int& width, int& height) {
    const size_t x = text.find('x');
    return x != std::string::npos &&
           parseInRange(text.substr(0, x), SMALLEST_SIDE, LARGEST_SIDE, width) &&
           parseInRange(text.substr(x + 1), SMALLEST_SIDE, LARGEST_SIDE, height);
}

struct OptionRule {
    // The commands that take the option; empty for every command.
    std::vector<StudioCommand> commands;
    std::function<bool(const std::string&, StudioOptions&)> take;
};

const std::map<std::string, OptionRule>& optionRules() {
    using C = StudioCommand;
    static const std::map<std::string, OptionRule> rules = {
        {"--archive",
         {{},
          [](const std::string& v, StudioOptions& o) {
              o.archivePath = v;
              return !v.empty();
          }}},
        {"--dir",
         {{},
          [](const std::string& v, StudioOptions& o) {
              o.directory = v;
              return !v.empty();
          }}},
        {"--at",
         {{C::Render},
          [](const std::string& v, StudioOptions& o) { return parseTimes(v, o.times); }}},
        {"--size",
         {{C::Render, C::Capture},
          [](const std::string& v, StudioOptions& o) { return parseSize(v, o.width, o.height); }}},
        {"--fps",
         {{C::Capture},
          [](const std::string& v, StudioOptions& o) {
              return parseInRange(v, 1, HIGHEST_FPS, o.fps);
          }}},
        {"--crf",
         {{C::Capture},
          [](const std::string& v, StudioOptions& o) {
              return parseInRange(v, 0, WORST_CRF, o.crf);
          }}},
        {"--preset",
         {{C::Capture},
          [](const std::string& v, StudioOptions& o) {
              o.preset = v;
              return !v.empty();
          }}},
        {"--length",
         {{C::Capture},
          [](const std::string& v, StudioOptions& o) {
              return parseTime(v, o.length) && o.length > 0;
          }}},
        {"--start",
         {{C::Play}, [](const std::string& v, StudioOptions& o) { return parseTime(v, o.start); }}},
    };
    return rules;
}

bool parseCommand(const std::string& word, StudioCommand& command) {
    static const std::map<std::string, StudioCommand> commands = {
        {"render", StudioCommand::Render},
        {"capture", StudioCommand::Capture},
        {"play", StudioCommand::Play}};
    const auto found = commands.find(word);
    if (found == commands.end())
        return false;
    command = found->second;
    return true;
}

bool allowed(const OptionRule& rule, StudioCommand command) {
    if (rule.commands.empty())
        return true;
    for (StudioCommand taker : rule.commands) {
        if (taker == command)
            return true;
    }
    return false;
}

// Checks what only the whole command line can tell.
bool complete(const StudioOptions& options, std::string& error) {
    if (options.command == StudioCommand::Render && options.times.empty()) {
        error = "render needs --at MS[,MS...]";
        return false;
    }
    const bool wantsOutput = options.command != StudioCommand::Play;
    if (wantsOutput == options.output.empty()) {
        error = wantsOutput ? "an output name is missing" : "play takes no output name";
        return false;
    }
    return true;
}

} // namespace

bool parseStudioOptions(int argc, char** argv, StudioOptions& options, std::string& error) {
    std::vector<std::pair<std::string, std::string>> given;
    bool haveCommand = false;
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (optionRules().count(word)) {
            if (i + 1 >= argc) {
                error = word + " needs a value";
                return false;
            }
            given.emplace_back(word, argv[++i]);
        } else if (word.rfind("--", 0) == 0) {
            error = "unknown option " + word;
            return false;
        } else if (!haveCommand) {
            if (!parseCommand(word, options.command)) {
                error = "unknown command " + word;
                return false;
            }
            haveCommand = true;
        } else if (options.output.empty()) {
            options.output = word;
        } else {
            error = "unexpected argument " + word;
            return false;
        }
    }
    if (!haveCommand) {
        error = "no command given";
        return false;
    }
    for (const auto& [name, value] : given) {
        const OptionRule& rule = optionRules().at(name);
        if (!allowed(rule, options.command)) {
            error = name + " does not go with this command";
            return false;
        }
        if (!rule.take(value, options)) {
            error = "bad value for " + name + ": " + value;
            return false;
        }
    }
    return complete(options, error);
}

const char* studioUsage() {
    return "usage: glimmer-studio [--archive FILE] [--dir DIR] COMMAND ...\n"
           "  render --at MS[,MS...] [--size WxH] OUT_PREFIX\n"
           "      frames at those demo times to OUT_PREFIX-<MS>.png (default 800x600)\n"
           "  capture [--fps 60] [--size 1920x1080] [--crf 20] [--preset P]\n"
           "          [--length 177000] OUT.mp4\n"
           "      the show as H.264 video with its soundtrack as AAC; without --preset,\n"
           "      x264's superfast with veryfast's look-ahead (rc-lookahead 10, mbtree)\n"
           "  play [--start MS]\n"
           "      the show in a window: Space pause, Left/Right -/+1 s, Page Down/Up\n"
           "      -/+10 s, Down/Up previous/next event, Home restart, F5 reload the\n"
           "      script, F1 overlay, Escape quit\n"
           "The show: the built-in one, or the archive FILE made with glimmer-pack; files\n"
           "in DIR stand in for its entries (DIR/data/script.txt for data\\script.txt).\n"
           "Times are demo milliseconds, 0 to 177000.\n";
}

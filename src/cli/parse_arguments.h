#pragma once

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "cli/generate_command.h"
#include "cpc/frame_extraction.h"
#include "render/renderer.h"

namespace volumix {

// A mistake in the command line: reported as "error: ..." with status 2.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A whole number, with an optional "+"; "what" names the option in the error.
inline int32_t parseInteger(std::string_view text, const std::string& what) {
    int32_t value = 0;
    const char* begin = text.data();
    const char* end = text.data() + text.size();
    if (begin != end && *begin == '+') ++begin;
    const auto result = std::from_chars(begin, end, value);
    if (begin == end || result.ec != std::errc() || result.ptr != end)
        throw UsageError(what + ": '" + std::string(text) + "' is not a whole number");
    return value;
}

inline int32_t parseNonNegative(const std::string& text, const std::string& what) {
    const int32_t value = parseInteger(text, what);
    if (value < 0) throw UsageError(what + " must not be negative (got " + text + ")");
    return value;
}

// One of the four screen pages, as 0000, #4000 or 0x8000.
inline uint16_t parseBaseAddress(std::string text) {
    std::string digits = text;
    if (!digits.empty() && digits.front() == '#') digits.erase(0, 1);
    else if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) digits.erase(0, 2);
    std::transform(digits.begin(), digits.end(), digits.begin(), [](unsigned char c) { return std::toupper(c); });
    for (const char* allowed : {"0000", "4000", "8000", "C000"})
        if (digits == allowed) return static_cast<uint16_t>(std::stoi(digits, nullptr, 16));
    throw UsageError("--base must be one of 0000, 4000, 8000, C000 (got " + text + ")");
}

// A base address as --base takes it: four hexadecimal digits.
inline std::string typedBaseAddress(uint16_t address) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(address));
    return text;
}

inline const std::map<std::string, RenderMode>& renderModeNames() {
    static const std::map<std::string, RenderMode> names = {
        {"points", RenderPoints},           {"hidden-points", RenderHiddenPoints}, {"wireframe", RenderWireframe},
        {"hidden-faces", RenderHiddenFaces}, {"filled-faces", RenderFilledFaces},   {"sprites", RenderSprites},
        {"hidden-sprites", RenderHiddenSprites}};
    return names;
}

inline const std::map<std::string, SpriteLayout>& spriteLayoutNames() {
    static const std::map<std::string, SpriteLayout> names = {
        {"lines", SpriteLayoutLines}, {"1col", SpriteLayoutOneColumn}, {"2col", SpriteLayoutTwoColumns}};
    return names;
}

template <typename T>
T pickName(const std::string& text, const std::map<std::string, T>& names, const std::string& what) {
    const auto found = names.find(text);
    if (found != names.end()) return found->second;
    std::string choices;
    for (const auto& [name, value] : names) choices += (choices.empty() ? "" : ", ") + name;
    throw UsageError(what + " must be one of " + choices + " (got " + text + ")");
}

// Parses a subcommand's arguments. Nothing when the run may go on; otherwise
// the exit status: the help printed (0) or "error: ..." on stderr (2).
inline std::optional<int> parseArguments(CLI::App& app, const std::vector<std::string>& arguments) {
    // On Windows CLI11 would read "/path" as an option "/p": paths come first.
    app.allow_windows_style_options(false);
    try {
        // CLI11 takes the arguments last first.
        std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        std::fputs(app.help().c_str(), stdout);
        return ExitOk;
    } catch (const CLI::ParseError& e) {
        std::fprintf(stderr, "error: %s\n", e.what());
        return ExitUsage;
    }
    return std::nullopt;
}

}  // namespace volumix

// The manual pages (packaging/*.1) are written from the programs' --help:
// every command, option and default value the help gives is in the page,
// and the page lists no option the program does not take.

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "testing/cli_runner.h"
#include "testing/test_support.h"

namespace volumix {
namespace {

const std::string Packaging = std::string(VOLUMIX_SOURCE_DIR) + "/packaging/";

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Long options of a help text, each with its default (after '=') if any:
// from lines that start with an option ("  -o,--out PREFIX", "  -h, --help").
std::map<std::string, std::string> helpOptions(const std::string& help) {
    std::map<std::string, std::string> options;
    for (const std::string& line : linesOf(help)) {
        std::istringstream words(line);
        std::string word;
        std::vector<std::string> names;
        std::string value;
        while (words >> word && word[0] == '-') {
            std::istringstream parts(word);
            for (std::string part; std::getline(parts, part, ',');)
                if (part.rfind("--", 0) == 0) names.push_back(part);
            word.clear();
        }
        if (!word.empty() && word.find('=') != std::string::npos) value = word.substr(word.find('=') + 1);
        for (const std::string& name : names) options[name] = value;
    }
    return options;
}

// A manual page's sections (".SS" headings' first word, or ".SH" names), each
// with its options: the long options of every ".TP" tag and the paragraph
// that follows it.
std::map<std::string, std::map<std::string, std::string>> pageOptions(const std::string& page) {
    std::map<std::string, std::map<std::string, std::string>> sections;
    std::string section, current;
    bool tag = false;
    const std::regex longOption("--[a-z0-9-]+");
    for (std::string line : linesOf(page)) {
        line = std::regex_replace(line, std::regex(R"(\\-)"), "-");
        if (line.rfind(".SS ", 0) == 0 || line.rfind(".SH ", 0) == 0) {
            std::string heading = line.substr(4);
            heading.erase(std::remove(heading.begin(), heading.end(), '"'), heading.end());
            section = heading.substr(0, heading.find(' '));
            sections[section];
            current.clear();
            continue;
        }
        if (line == ".TP") {
            tag = true;
            continue;
        }
        if (tag) {
            tag = false;
            current.clear();
            for (std::sregex_iterator it(line.begin(), line.end(), longOption), end; it != end; ++it) {
                if (current.empty()) current = it->str();
                sections[section][it->str()];
            }
            continue;
        }
        if (!current.empty()) sections[section][current] += line + " ";
    }
    return sections;
}

void expectInStep(const std::map<std::string, std::string>& help, const std::map<std::string, std::string>& page,
                  const std::set<std::string>& notListed) {
    for (const auto& [name, value] : help) {
        if (notListed.count(name) != 0) continue;
        const auto found = page.find(name);
        if (found == page.end()) {
            ADD_FAILURE() << name << " is in the help but not in the page";
            continue;
        }
        if (!value.empty()) {
            EXPECT_NE(found->second.find("[" + value + "]"), std::string::npos)
                << name << ": the page does not give the default " << value;
        }
    }
    for (const auto& [name, text] : page)
        if (help.count(name) == 0) ADD_FAILURE() << name << " is in the page but the program does not take it";
}

TEST(ManualPages, TheVolumixPageFollowsEveryCommandsHelp) {
    test::TestFolder folder;
    const auto page = pageOptions(test::readText(Packaging + "volumix.1"));
    const test::CliOutcome top = test::runCli(folder.path(), "--help");
    ASSERT_EQ(top.status, 0);
    std::vector<std::string> commands;
    bool inCommands = false;
    for (const std::string& line : top.out) {
        if (line == "Commands:") inCommands = true;
        else if (line.empty()) inCommands = false;
        else if (inCommands) commands.push_back(line.substr(2, line.find(' ', 2) - 2));
    }
    EXPECT_EQ(commands, (std::vector<std::string>{"generate", "convert", "verify"}));
    for (const std::string& command : commands) {
        SCOPED_TRACE(command);
        ASSERT_EQ(page.count(command), 1u) << "no section for " << command;
        const test::CliOutcome help = test::runCli(folder.path(), command + " --help");
        ASSERT_EQ(help.status, 0);
        expectInStep(helpOptions(help.outText), page.at(command), {"--help"});
    }
    ASSERT_EQ(page.count("OPTIONS"), 1u);
    expectInStep(helpOptions(top.outText), page.at("OPTIONS"), {});
}

#ifdef VOLUMIX_GUI_PATH
TEST(ManualPages, TheWindowsPageFollowsItsHelp) {
    test::TestFolder folder;
    const std::filesystem::path out = folder.path() / "help.txt";
    const std::string command =
        std::string("QT_QPA_PLATFORM=offscreen '") + VOLUMIX_GUI_PATH + "' --help >'" + out.string() + "' 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const auto page = pageOptions(test::readText(Packaging + "volumix-gui.1"));
    ASSERT_EQ(page.count("OPTIONS"), 1u);
    expectInStep(helpOptions(test::readText(out)), page.at("OPTIONS"), {});
}
#endif

}  // namespace
}  // namespace volumix

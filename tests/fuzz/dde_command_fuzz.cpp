// The Program Manager commands built around the folder the user typed. Input: the folder; its
// length moves the output buffer around the size the commands need (one short, exact, one more).
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "fuzz_support.h"
#include "install/dde_command.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string folder = std::string(reinterpret_cast<const char*>(data), size).c_str();
    // A folder the command syntax would split goes in quotes, its quotes doubled.
    const bool quoted = folder.find_first_of(",()\"") != std::string::npos;
    std::string path = quoted ? "\"" : "";
    for (const char c : folder)
        path += c == '"' ? std::string(2, c) : std::string(1, c);
    std::string expected = "[CreateGroup(\"Ludra 4.7\")]";
    bool itemFits = true;
    for (const auto& item : {std::pair<const char*, const char*>{"ludra.exe", "Ludra 4"},
                             {"ludra.chm", "Help Ludra"},
                             {"manuale4.pdf", "Manuale Ludra"}}) {
        const std::string command =
            "[AddItem(" + path + "\\" + item.first + (quoted ? "\"," : ",") + item.second + ")]";
        itemFits = itemFits && command.size() < GroupCommandSize;
        expected += command;
    }
    expected += "[ShowGroup(\"Ludra 4.7\",1)]";
    const size_t outputSize = size % 4 == 3 ? DdeCommandBlockSize : expected.size() + size % 4;
    std::vector<char> output = Untouched(outputSize);
    const int length = BuildGroupCommands(ExactText(folder).data(), output.data(), output.size());
    if (itemFits && expected.size() < outputSize) {
        Promise(length == static_cast<int>(expected.size()) && TextOf(output) == expected,
                "the commands are not the group, its three items and ShowGroup");
    } else {
        Promise(length == -1 && TextOf(output).empty(), "commands that do not fit were not refused whole");
    }
    return 0;
}

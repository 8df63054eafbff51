// The Program Manager commands built around the folder the user typed. Input: the folder; its
// length moves the output buffer around the size the commands need (one short, exact, one more).
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "install/dde_command.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string folder = std::string(reinterpret_cast<const char*>(data), size).c_str();
    std::string expected = "[CreateGroup(\"Ludra 4.7\")]";
    bool itemFits = true;
    for (const char* item : {"ludra.exe,Ludra 4", "ludra.chm,Help Ludra", "manuale4.pdf,Manuale Ludra"}) {
        const std::string command = "[AddItem(" + folder + "\\" + item + ")]";
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

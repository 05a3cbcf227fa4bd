// talvex-expand: runs every line of a file through brace expansion and prints
// the result, so the expression core can be tried without a host. A line
// "name := text" stores the expanded text in a variable instead.
#include "macromath/arithmetic_error.h"
#include "macromath/braces.h"
#include "macromath/variable_store.h"

#include <fstream>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: talvex-expand FILE\n";
        return 64;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::cerr << "talvex-expand: cannot read " << argv[1] << "\n";
        return 66;
    }
    talvex::VariableStore vars;
    vars.RunScriptFile = argv[1];
    vars.InitSystemVars();
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::string name;
        const std::size_t assign = line.find(":=");
        if (assign != std::string::npos) {
            name = line.substr(0, assign);
            line.erase(0, assign + 2);
        }
        std::string out;
        try {
            talvex::ExpandBraces(line, out, 0, vars);
        } catch (const talvex::ArithmeticError& e) {
            out = std::string("Error: ") + e.what() + " in line: " + line;
        }
        if (!name.empty()) {
            vars.SetVar(name.substr(0, name.find_last_not_of(' ') + 1), out);
            std::cout << name << ":= " << out << "\n";
        } else {
            std::cout << out << "\n";
        }
    }
    return 0;
}

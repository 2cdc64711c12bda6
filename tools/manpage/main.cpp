// brinvale-manpage TEMPLATE OUT: the manual page, with the command line's own table in place of the
// template's line `.\" options-table`, so that --help and the page cannot disagree.
#include <cstdio>
#include <fstream>
#include <string>

#include "app/options.h"

namespace {

// Text for roff: a backslash as the escape for one, no line read as a request; with minus set,
// dashes as minus signs, as an option's name is typed.
std::string roff(const char* text, bool minus) {
    std::string out;
    for (const char* p = text; *p; ++p) {
        if (*p == '\\')
            out += "\\e";
        else if (*p == '-' && minus)
            out += "\\-";
        else
            out += *p;
    }
    if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out.insert(0, "\\&");
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: brinvale-manpage TEMPLATE OUT\n");
        return 2;
    }
    std::ifstream in(argv[1]);
    std::ofstream out(argv[2]);
    if (!in || !out) {
        std::fprintf(stderr, "brinvale-manpage: cannot read %s or write %s\n", argv[1], argv[2]);
        return 1;
    }
    bool placed = false;
    for (std::string line; std::getline(in, line);) {
        if (line != ".\\\" options-table") {
            out << line << '\n';
            continue;
        }
        for (int i = 0; i < commandOptionCount; ++i)
            out << ".TP\n.B " << roff(commandOptions[i].name, true) << '\n' << roff(commandOptions[i].help, false) << '\n';
        placed = true;
    }
    if (!placed) std::fprintf(stderr, "brinvale-manpage: no options-table line in %s\n", argv[1]);
    out.close();
    return placed && out ? 0 : 1;
}

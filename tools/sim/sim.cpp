// brinvale-sim: runs the rules of the well from a script and prints what happened.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "game/rules.h"

namespace {

std::istream* input = nullptr;
long lineNumber = 0;

// A bad line: message on standard error naming the line, exit status 2.
[[noreturn]] void fail(long line, const std::string& what) {
    std::cout.flush();
    std::cerr << "brinvale-sim: line " << line << ": " << what << "\n";
    std::exit(2);
}

std::vector<std::string> splitWords(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    for (char c : line) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f') {
            if (!word.empty()) words.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty()) words.push_back(word);
    return words;
}

bool isSkipped(const std::vector<std::string>& words) { return words.empty() || words[0][0] == '#'; }

// Parses an optional '-' and decimal digits into [lo, hi]; anything else is a bad line.
int64_t number(const std::string& word, int64_t lo, int64_t hi, const char* what) {
    size_t i = word[0] == '-' ? 1 : 0;
    if (i == word.size()) fail(lineNumber, std::string("not a number for ") + what + ": '" + word + "'");
    int64_t value = 0;
    bool huge = false;
    for (; i < word.size(); ++i) {
        if (word[i] < '0' || word[i] > '9')
            fail(lineNumber, std::string("not a number for ") + what + ": '" + word + "'");
        if (value > 100000000000LL) huge = true;  // far past every range; stop growing
        else value = value * 10 + (word[i] - '0');
    }
    if (word[0] == '-') value = -value;
    if (huge || value < lo || value > hi)
        fail(lineNumber, std::string(what) + " out of range " + std::to_string(lo) + ".." + std::to_string(hi) +
                             ": '" + word + "'");
    return value;
}

void expectWords(const std::vector<std::string>& words, size_t n, const char* usage) {
    if (words.size() != n) fail(lineNumber, std::string("wrong number of words, expected '") + usage + "'");
}

char cellChar(const Cell& c) {
    if (c.empty) return '.';
    if (c.color < 0 || c.color > magicColor) return '?';
    if (c.marked) return c.color == magicColor ? 'm' : static_cast<char>('a' + c.color);
    return c.color == magicColor ? 'M' : static_cast<char>('0' + c.color);
}

// Cell notation back to a cell; false for a character that names none.
bool parseCell(char ch, Cell* cell) {
    if (ch == '.') *cell = emptyCell;
    else if (ch >= '0' && ch <= '9') *cell = {0, 0, static_cast<int16_t>(ch - '0')};
    else if (ch == 'M') *cell = {0, 0, magicColor};
    else if (ch >= 'a' && ch <= 'j') *cell = {0, 1, static_cast<int16_t>(ch - 'a')};
    else if (ch == 'm') *cell = {0, 1, magicColor};
    else return false;
    return true;
}

void printState() {
    std::cout << "score " << score << " colorCount " << colorCount << " colorStep " << colorStep << " levelStep "
              << levelStep << " backgroundIndex " << backgroundIndex << " columnX " << columnX << " columnY "
              << columnY << " gameOver " << (gameOver ? 1 : 0) << "\n";
    std::cout << "current " << currentColumn[0].color << " " << currentColumn[1].color << " "
              << currentColumn[2].color << "\n";
    std::cout << "next " << nextColumn[0].color << " " << nextColumn[1].color << " " << nextColumn[2].color << "\n";
    for (int y = 0; y < boardRows; ++y) {
        std::string row;
        for (int x = 0; x < boardColumns; ++x) row += cellChar(board[x][y]);
        std::cout << row << "\n";
    }
}

void spinEvent() {
    int marked = 0;
    for (int x = 0; x < boardColumns; ++x)
        for (int y = 0; y < boardRows; ++y) marked += board[x][y].marked;
    std::cout << "spin " << marked << "\n";
    removeMarkedGems();
}
void fallEvent() { std::cout << "fall\n"; }
void upEvent() { std::cout << "up\n"; }

// A new process: seeded generator, every rules variable at its start value, a fresh deal.
void seedProcess(unsigned seed) {
    std::srand(seed);
    gameOver = false;
    resetGame();
}

// The landing as the main loop does it after a refused step.
void land() {
    landColumn();
    if (gameOver) std::cout << "gameover\n";
    else dealNextColumn();
}

void readBoard(long boardLine) {
    Board rows;
    int y = 0;
    std::string line;
    while (y < boardRows) {
        if (!std::getline(*input, line))
            fail(boardLine, "board: the script ended after " + std::to_string(y) + " of 16 rows");
        ++lineNumber;
        std::vector<std::string> words = splitWords(line);
        if (isSkipped(words)) continue;
        std::string cells;
        for (const std::string& w : words) cells += (cells.empty() ? "" : " ") + w;
        if (cells.size() != boardColumns)
            fail(lineNumber, "board row " + std::to_string(y) + " must have exactly 8 cells: '" + cells + "'");
        for (int x = 0; x < boardColumns; ++x)
            if (!parseCell(cells[x], &rows[x][y]))
                fail(lineNumber, std::string("board row ") + std::to_string(y) + ": bad cell '" + cells[x] + "'");
        ++y;
    }
    std::memcpy(board, rows, sizeof board);
}

void setCommand(const std::vector<std::string>& w) {
    if (w.size() < 2) fail(lineNumber, "wrong number of words, expected 'set NAME VALUE...'");
    const std::string& name = w[1];
    struct Counter {
        const char* name;
        int32_t* variable;
        int64_t lo, hi;
    };
    static const Counter counters[] = {
        {"score", &score, 0, 1000000000},      {"colorCount", &colorCount, 5, 10},
        {"colorStep", &colorStep, 1, 1000000}, {"levelStep", &levelStep, 1, 1000000},
        {"backgroundIndex", &backgroundIndex, 1, 5},
    };
    for (const Counter& c : counters) {
        if (name != c.name) continue;
        expectWords(w, 3, (std::string("set ") + c.name + " N").c_str());
        *c.variable = static_cast<int32_t>(number(w[2], c.lo, c.hi, c.name));
        return;
    }
    if (name == "column") {
        expectWords(w, 4, "set column X Y");
        int32_t x = static_cast<int32_t>(number(w[2], 0, 7, "X"));
        int32_t y = static_cast<int32_t>(number(w[3], 0, 15, "Y"));
        columnX = x;
        columnY = y;
    } else if (name == "current" || name == "next") {
        expectWords(w, 5, name == "current" ? "set current C0 C1 C2" : "set next C0 C1 C2");
        int16_t colors[3];
        for (int k = 0; k < 3; ++k) colors[k] = static_cast<int16_t>(number(w[2 + k], 0, 10, "colour"));
        GemColumn& column = name == "current" ? currentColumn : nextColumn;
        for (int k = 0; k < 3; ++k) column[k] = {0, 0, colors[k]};
    } else {
        fail(lineNumber, "unknown variable '" + name + "'");
    }
}

void runCommand(const std::vector<std::string>& w) {
    const std::string& cmd = w[0];
    const bool playCommand = cmd == "rotate" || cmd == "right" || cmd == "left" || cmd == "down" || cmd == "drop";
    if (playCommand) {
        expectWords(w, 1, cmd.c_str());
        if (gameOver) {
            std::cout << "ignored\n";
            return;
        }
    }
    if (cmd == "seed") {
        expectWords(w, 2, "seed N");
        seedProcess(static_cast<unsigned>(number(w[1], 0, 4294967295LL, "seed")));
    } else if (cmd == "start") {
        expectWords(w, 1, "start");
        placeColumn();
    } else if (cmd == "rotate") {
        rotateColumn();
    } else if (cmd == "right" || cmd == "left") {
        bool moved = cmd == "right" ? shiftRight() : shiftLeft();
        std::cout << (moved ? "moved\n" : "blocked\n");
    } else if (cmd == "down") {
        if (stepDown()) {
            std::cout << "moved\n";
        } else {
            std::cout << "blocked\n";
            land();
        }
    } else if (cmd == "drop") {
        int rows = 0;
        while (stepDown()) ++rows;
        std::cout << "dropped " << rows << "\n";
        land();
    } else if (cmd == "reset") {
        expectWords(w, 1, "reset");
        gameOver = false;
        resetGame();
    } else if (cmd == "print") {
        expectWords(w, 1, "print");
        printState();
    } else if (cmd == "set") {
        setCommand(w);
    } else if (cmd == "board") {
        expectWords(w, 1, "board");
        readBoard(lineNumber);
    } else {
        fail(lineNumber, "unknown command '" + cmd + "'");
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 2) {
        std::cerr << "usage: brinvale-sim [SCRIPT]\n";
        return 2;
    }
    std::ifstream file;
    input = &std::cin;
    if (argc == 2) {
        file.open(argv[1]);
        if (!file) {
            std::cerr << "brinvale-sim: cannot read " << argv[1] << ": " << std::strerror(errno) << "\n";
            return 1;
        }
        input = &file;
    }
    static const RulesHooks events = {spinEvent, fallEvent, upEvent};
    setRulesHooks(&events);
    seedProcess(1);

    std::string line;
    while (std::getline(*input, line)) {
        ++lineNumber;
        std::vector<std::string> words = splitWords(line);
        if (!isSkipped(words)) runCommand(words);
    }
    if (input->bad()) {
        std::cerr << "brinvale-sim: cannot read " << (argc == 2 ? argv[1] : "standard input") << "\n";
        return 1;
    }
    return 0;
}

// libFuzzer target for the records the game reads back: any bytes as a saved game, a score table
// and the settings. Beyond the sanitizers it checks that a record taken is in range and reads back to itself,
// and that one refused leaves the rules' state as it was.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/settings.h"
#include "game/records.h"
#include "game/rules.h"

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

void checkRulesInRange() {
    check(columnX >= 0 && columnX < boardColumns && columnY >= 0 && columnY < boardRows);
    check(colorCount >= 5 && colorCount <= 10 && backgroundIndex >= 1 && backgroundIndex <= 5);
    check(score >= 0 && colorStep >= 1 && levelStep >= 1);
    for (auto& column : board)
        for (const Cell& cell : column) check(cell.empty || (cell.color >= 0 && cell.color <= magicColor));
    for (int k = 0; k < 3; ++k) check(currentColumn[k].color >= 0 && currentColumn[k].color <= magicColor);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    resetGame();
    const std::string before = writeSavedGame();
    std::string why;
    const RecordParse game = readSavedGame(text, &why);
    if (game == recordParsed) {
        checkRulesInRange();
        const std::string again = writeSavedGame();
        check(readSavedGame(again, &why) == recordParsed && writeSavedGame() == again);
    } else {
        check(!why.empty() && writeSavedGame() == before);
    }

    ScoreTable table{};
    const RecordParse scores = readScoreTable(text, &table, &why);
    if (scores == recordParsed) {
        check(table.count >= 0 && table.count <= bestScoreCount);
        for (int i = 0; i < table.count; ++i) {
            check(table.entries[i].score >= 0 && table.entries[i].score <= highestScore);
            check(i == 0 || table.entries[i - 1].score >= table.entries[i].score);
            check(std::strlen(table.entries[i].date) == 10);
        }
        ScoreTable back{};
        check(readScoreTable(writeScoreTable(table), &back, &why) == recordParsed);
        check(writeScoreTable(back) == writeScoreTable(table));
    } else {
        check(table.count == 0);
    }

    Settings settings{true}, untouched{false};
    const RecordParse read = parseSettings(text, &settings, &why);
    if (read == recordParsed) {
        check(parseSettings(formatSettings(settings), &untouched, &why) == recordParsed);
        check(untouched.soundOn == settings.soundOn);
    } else {
        check(settings.soundOn && !why.empty());
    }
    return 0;
}

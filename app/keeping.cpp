// Saving and restoring the game in progress, and entering scores into the best scores kept.
#include "app/keeping.h"

#include <string>

#include "game/records.h"
#include "game/rules.h"
#include "platform/store.h"

int32_t bestScore = 0;
int32_t newBest = 0;

namespace {

std::string prepared;  // the game in progress at the end of the last pass of play
std::string written;   // what the store holds of it, as far as this run knows
bool gameWritable = true;

// A record that is there but cannot be used goes aside; if it cannot be moved it must not be written over.
bool setAside(RecordName record, RecordParse result, const std::string& why) {
    return setRecordAside(record, parseReason(result), why) != 0;
}

// The page is being hidden or left: write what the last pass prepared.
void leaving() { saveGameInProgress(); }

struct Entry {
    int32_t score;
    char date[11];
    int32_t bestBefore;
};

std::string mergeScore(const std::string* latest, void* context) {
    Entry* entry = static_cast<Entry*>(context);
    ScoreTable table{};
    if (latest) {
        std::string why;
        const RecordParse result = readScoreTable(*latest, &table, &why);
        // A table that cannot be used is kept aside, and the new one starts from this score.
        if (result != recordParsed) setAside(recordScores, result, why);
    }
    entry->bestBefore = bestScoreOf(table);
    enterScore(&table, entry->score, entry->date);
    bestScore = bestScoreOf(table);
    return writeScoreTable(table);
}

}  // namespace

int restoreKept() {
    setLeavingHook(leaving);
    prepared.clear();
    written.clear();
    gameWritable = true;
    bestScore = 0;
    newBest = 0;

    std::string text, why;
    if (readRecord(recordScores, &text) == recordFound) {
        ScoreTable table{};
        const RecordParse result = readScoreTable(text, &table, &why);
        if (result == recordParsed)
            bestScore = bestScoreOf(table);
        else
            setAside(recordScores, result, why);
    }

    const RecordRead found = readRecord(recordGame, &text);
    if (found == recordUnreadable) {
        gameWritable = setAside(recordGame, recordBad, "the store could not read it");
        return 0;
    }
    if (found != recordFound) return 0;
    const RecordParse result = readSavedGame(text, &why);
    if (result != recordParsed) {
        gameWritable = setAside(recordGame, result, why);
        return 0;
    }
    written = prepared = text;
    return 1;
}

void noteGameInProgress() { prepared = writeSavedGame(); }

void saveGameInProgress() {
    if (prepared.empty() || !gameWritable || prepared == written) return;
    if (replaceRecord(recordGame, prepared)) written = prepared;
}

void forgetGameInProgress() {
    prepared.clear();
    if (!gameWritable) return;
    if (removeRecord(recordGame)) written.clear();
}

int enterFinalScore(int32_t finalScore) {
    // A game that removed nothing has nothing to keep.
    if (finalScore <= 0) return 0;
    Entry entry{finalScore, {}, 0};
    localDate(entry.date);
    const int32_t before = bestScore;
    const int saved = updateRecord(recordScores, mergeScore, &entry);
    // Unsaved, the score still counts for this run.
    if (!saved && finalScore > bestScore) bestScore = finalScore;
    return finalScore > (saved ? entry.bestBefore : before) ? 1 : 0;
}

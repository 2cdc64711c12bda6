// The browser's store: each record one localStorage item, every call guarded since storage throws.
#include "platform/web/web_store.h"

#include <emscripten.h>

#include <ctime>
#include <string>

namespace {

// Records are kilobytes; a larger item is not ours.
constexpr int maxRecordBytes = 64 * 1024;

const char* const keys[recordCount] = {"brinvale/game", "brinvale/scores", "brinvale/settings"};

// Each call leaves what it found (an item's text, or the browser's message) in Module.storeText
// for pageStoreTake to copy out. A private window, a full quota or storage turned off all throw.

// The item's length in UTF-8 bytes; -1 when there is none, -2 on a failure.
EM_JS(int, pageStoreRead, (const char* key), {
    try {
        var text = window.localStorage.getItem(UTF8ToString(key));
        if (text === null) return -1;
        Module.storeText = text;
        return lengthBytesUTF8(text);
    } catch (e) {
        Module.storeText = String(e && e.message || e);
        return -2;
    }
});

// 1 when the item holds the text, 0 on a failure. The first write asks, once, that the site's
// storage be kept under pressure, now that something is worth keeping.
EM_JS(int, pageStoreWrite, (const char* key, const char* text), {
    try {
        window.localStorage.setItem(UTF8ToString(key), UTF8ToString(text));
    } catch (e) {
        Module.storeText = String(e && e.message || e);
        return 0;
    }
    if (!Module.storePersistAsked) {
        Module.storePersistAsked = true;
        try {
            if (navigator.storage && navigator.storage.persist) navigator.storage.persist().catch(function() {});
        } catch (e) {
        }
    }
    return 1;
});

// 1 when the item is gone (or was never there), 0 on a failure.
EM_JS(int, pageStoreRemove, (const char* key), {
    try {
        window.localStorage.removeItem(UTF8ToString(key));
        return 1;
    } catch (e) {
        Module.storeText = String(e && e.message || e);
        return 0;
    }
});

// Moves the item to the first free key of base, base-2, base-3...: 1 with the new key in
// Module.storeText, 2 when there was no item, 0 on a failure (the item stays where it was).
EM_JS(int, pageStoreMoveAside, (const char* key, const char* base), {
    try {
        var storage = window.localStorage, from = UTF8ToString(key), to = UTF8ToString(base);
        var text = storage.getItem(from);
        if (text === null) return 2;
        for (var n = 2; storage.getItem(to) !== null; ++n) to = UTF8ToString(base) + "-" + n;
        storage.setItem(to, text);
        storage.removeItem(from);
        Module.storeText = to;
        return 1;
    } catch (e) {
        Module.storeText = String(e && e.message || e);
        return 0;
    }
});

// Copies Module.storeText into out (size bytes with the terminating zero).
EM_JS(void, pageStoreTake, (char* out, int size), { stringToUTF8(Module.storeText || "", out, size); });

EM_JS(int, pageStoreTextBytes, (), { return lengthBytesUTF8(Module.storeText || ""); });

std::string takeText() {
    const int bytes = pageStoreTextBytes();
    std::string text(static_cast<size_t>(bytes) + 1, '\0');
    pageStoreTake(&text[0], bytes + 1);
    text.resize(static_cast<size_t>(bytes));
    return text;
}

bool valid(RecordName record) { return record >= 0 && record < recordCount; }

std::string failure(RecordName record, const std::string& message) {
    return std::string("the browser's storage (") + keys[record] + "): " + message;
}

int storeRead(RecordName record, std::string* text, std::string* why) {
    why->clear();
    if (!valid(record)) return 0;
    const int bytes = pageStoreRead(keys[record]);
    if (bytes == -1) return 0;
    if (bytes == -2) {
        *why = failure(record, takeText());
        return 0;
    }
    if (bytes > maxRecordBytes) {
        *why = failure(record, "too large (" + std::to_string(bytes) + " bytes)");
        return 0;
    }
    *text = takeText();
    return 1;
}

int storeReplace(RecordName record, const std::string& text, std::string* why) {
    if (!valid(record)) return 0;
    // The page sees text up to a zero byte: refuse rather than keep a cut record.
    if (text.find('\0') != std::string::npos) {
        *why = failure(record, "the record holds a zero byte");
        return 0;
    }
    if (text.size() > static_cast<size_t>(maxRecordBytes)) {
        *why = failure(record, "too large to keep (" + std::to_string(text.size()) + " bytes)");
        return 0;
    }
    // One setItem replaces the item whole: the page never sees half of it.
    if (pageStoreWrite(keys[record], text.c_str())) return 1;
    *why = failure(record, takeText());
    return 0;
}

int storeRemove(RecordName record, std::string* why) {
    if (!valid(record)) return 0;
    if (pageStoreRemove(keys[record])) return 1;
    *why = failure(record, takeText());
    return 0;
}

int storeSetAside(RecordName record, const char* reason, std::string* why) {
    if (!valid(record)) return 0;
    std::string word;
    for (const char* p = reason ? reason : ""; *p && word.size() < 32; ++p)
        if ((*p >= 'a' && *p <= 'z') || (*p >= 'A' && *p <= 'Z') || (*p >= '0' && *p <= '9') || *p == '-') word += *p;
    if (word.empty()) word = "aside";
    char stamp[32];
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    const std::string base = std::string(keys[record]) + ".aside/" + word + "-" + stamp;
    const int moved = pageStoreMoveAside(keys[record], base.c_str());
    if (moved == 2) {
        *why = std::string(keys[record]) + " (gone already)";
        return 1;
    }
    *why = moved ? "the browser's storage item " + takeText() : failure(record, takeText());
    return moved;
}

// One page runs on one thread, so nothing can come between a read and a replace within it. Two tabs
// of the site share the items unlocked: the later of two scores entered in the same instant wins.
int storeLock(RecordName, int, std::string*) { return 1; }

const StoreSteps browserStore = {storeRead, storeReplace, storeRemove, storeSetAside, storeLock};

}  // namespace

const StoreSteps* webStore() { return &browserStore; }

const StoreSteps* programStore() { return webStore(); }

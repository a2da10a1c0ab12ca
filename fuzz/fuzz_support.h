// What every fuzz target shares: the scripted toolkit, an offscreen application, a check that aborts.
#pragma once

#include "scripted_toolkit.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>

// A broken invariant: say which and stop, so that the fuzzer keeps the input.
#define FUZZ_CHECK(condition)                                                          \
    do {                                                                               \
        if (!(condition)) {                                                            \
            std::fprintf(stderr, "invariant broken: %s (%s:%d)\n", #condition, __FILE__, __LINE__); \
            std::abort();                                                              \
        }                                                                              \
    } while (false)

inline platform::ScriptedToolkit& fuzzToolkit() {
    static platform::ScriptedToolkit tk;
    return tk;
}

// An offscreen application and the scripted toolkit for the whole run; boxes are answered at once.
inline void startFuzzProcess(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("LC_ALL", "C.UTF-8");
    static QApplication app(*argc, *argv);
    platform::setToolkit(&fuzzToolkit());
}

// Forgets what the toolkit recorded, so that a long run does not grow.
inline void forgetToolkitRecords() {
    auto& tk = fuzzToolkit();
    tk.boxes.clear();
    tk.unexpectedBoxes.clear();
    tk.answers.clear();
    tk.pointerCodes.clear();
    tk.events.clear();
}

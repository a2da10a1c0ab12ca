// The program started on a site as an operator starts it, and a bare Qt window, each timed from
// the launch to its first paint on screen (R205730_EXIT_AFTER_FIRST_PAINT; platform/first_paint.h).
#pragma once

#include <QString>

struct FirstPaint {
    double ms = -1;        // from launch to the first paint
    long peakKiB = -1;     // the process's peak resident memory then
    qint64 heapBytes = -1; // heap in use then
};

// site: a folder laid out by scripts/site; empty for the bare window beside this program.
FirstPaint startAndPaint(const QString& site);
// Where the paint happens: the X server in DISPLAY, or offscreen when there is none.
QString paintPlatform();

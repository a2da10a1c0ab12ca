#include "platform/first_paint.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QWindow>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <malloc.h>

namespace platform {

namespace {

long peakKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

class FirstPaint : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Expose || !watched->isWindowType() || !static_cast<QWindow*>(watched)->isExposed())
            return false;
        // A widget window paints and flushes while it handles its expose event.
        watched->event(event);
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        const struct mallinfo2 heap = mallinfo2();
        std::printf("first-paint monotonic_ns=%lld peak_kib=%ld heap_bytes=%zu\n",
                    static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec, peakKiB(),
                    heap.uordblks + heap.hblkhd);
        std::fflush(stdout);
        std::_Exit(0);
    }
};

}  // namespace

void exitAfterFirstPaintWhenAsked() {
    if (!qEnvironmentVariableIsSet("R205730_EXIT_AFTER_FIRST_PAINT") || !QCoreApplication::instance()) return;
    QCoreApplication::instance()->installEventFilter(new FirstPaint);
}

}  // namespace platform

// A test's hold on a paint cycle's thread: records every text painted and
// can keep the paint of one text waiting until the test lets it go.
#pragma once

#include <QSemaphore>
#include <QString>
#include <QStringList>
#include <QThread>
#include <atomic>
#include <mutex>

#include "paint_cycle.h"

namespace nerovan {

class PaintRecorder {
public:
    explicit PaintRecorder(TPaintCycle& cycle) {
        cycle.BeforePaintHook = [this](const QString& text) {
            bool hold;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                painted_ << text;
                hold = text == hold_text_;
                if (hold) holding_ = true;
            }
            if (hold) {
                gate_.acquire();
                holding_ = false;
            }
        };
    }
    // Lets a held paint go on (and stops a failed test from hanging).
    ~PaintRecorder() {
        Release();
        while (holding_) QThread::msleep(1);
    }
    void Hold(const QString& text) {
        std::lock_guard<std::mutex> lock(mutex_);
        hold_text_ = text;
    }
    // Lets the held paint go on; later paints of the same text are not held.
    void Release() {
        Hold(QStringLiteral("\x01never"));
        if (holding_) gate_.release();
    }
    bool Holding() const { return holding_; }
    QStringList Painted() {
        std::lock_guard<std::mutex> lock(mutex_);
        return painted_;
    }

private:
    std::mutex mutex_;
    QStringList painted_;
    QString hold_text_ = QStringLiteral("\x01never");
    QSemaphore gate_;
    std::atomic<bool> holding_{false};
};

}  // namespace nerovan

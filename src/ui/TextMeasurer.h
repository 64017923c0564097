#pragma once

#include "index/IndexSnapshot.h"
#include "search/TextWidths.h"

#include <QFont>
#include <QObject>

#include <atomic>
#include <memory>
#include <thread>

namespace liedspur {

// Measures the texts of an index in a font on a worker thread, one index at a time: a new
// request, stop() or the end of the object abandons the measuring under way.
class TextMeasurer : public QObject {
    Q_OBJECT

public:
    explicit TextMeasurer(QObject* parent = nullptr);
    ~TextMeasurer() override;

    void measure(IndexPtr snapshot, const QFont& font);
    // The measuring under way ends, and with it the worker's hold on its index.
    void stop();

signals:
    // Only for the last request, in this object's thread.
    void measured(std::shared_ptr<const TextWidths> widths);

private:
    std::thread m_worker;
    std::shared_ptr<std::atomic<bool>> m_stop;
    unsigned m_request = 0;
};

} // namespace liedspur

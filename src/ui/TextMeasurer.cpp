#include "ui/TextMeasurer.h"

#include <QFontMetricsF>
#include <QString>
#include <QStringList>

#include <optional>

namespace liedspur {

TextMeasurer::TextMeasurer(QObject* parent) : QObject(parent) {}

TextMeasurer::~TextMeasurer() {
    stop();
}

void TextMeasurer::stop() {
    ++m_request;
    if (m_stop)
        m_stop->store(true);
    // The worker reads memory only and looks at the flag every few thousand texts, so that
    // it is back within a millisecond or two.
    if (m_worker.joinable())
        m_worker.join();
}

void TextMeasurer::measure(IndexPtr snapshot, const QFont& font) {
    stop();
    m_stop = std::make_shared<std::atomic<bool>>(false);
    // The worker makes a font of its own: copies share one cache of font engines, which the
    // two threads would take from each other.
    m_worker =
        std::thread([this, snapshot = std::move(snapshot), description = font.toString(),
                     families = font.families(), stop = m_stop, request = m_request]() mutable {
            QFont own;
            own.fromString(description);
            own.setFamilies(families);
            const QFontMetricsF metrics(own);
            const auto advance = [&metrics](char32_t c) {
                return metrics.horizontalAdvance(QString::fromUcs4(&c, 1));
            };
            std::optional<TextWidths> widths = TextWidths::measure(snapshot, advance, *stop);
            snapshot.reset();
            if (!widths)
                return;
            auto measured = std::make_shared<const TextWidths>(std::move(*widths));
            QMetaObject::invokeMethod(
                this,
                [this, request, measured = std::move(measured)] {
                    if (request == m_request)
                        emit this->measured(measured);
                },
                Qt::QueuedConnection);
        });
}

} // namespace liedspur
